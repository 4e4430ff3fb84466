#include "AtomicFile.h"

#include "ShellFileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameAttempts = 100;
constexpr char kNameChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr int kSuffixLength = 6;

// ".NAME.pocosa-new-": hidden, and with the program's mark, so that it is no
// name a user would give a file of their own (NAME.backup, NAME.notes1).
QString TemporaryPrefix(const QString& base)
{
    return QLatin1Char('.') + base + QStringLiteral(".pocosa-new-");
}

QString RandomSuffix()
{
    QString suffix;
    for (int i = 0; i < kSuffixLength; ++i)
        suffix += QLatin1Char(kNameChars[QRandomGenerator::global()->bounded(int(sizeof(kNameChars) - 1))]);
    return suffix;
}

// The new name on the disk as well: a power cut after the rename must not
// bring the old file back. Best effort; the data itself is synced already.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TAtomicFile::TAtomicFile(const QString& fileName) : target_(fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink() && info.exists())
        target_ = info.canonicalFilePath();
}

TAtomicFile::~TAtomicFile()
{
    Discard();
}

bool TAtomicFile::Open()
{
    Discard();
    struct stat existing {};
    const QByteArray target = QFile::encodeName(target_);
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error_ = NotRegularFileText();
        return false;
    }
    const QFileInfo info(target_);
    const QString prefix = info.dir().filePath(TemporaryPrefix(info.fileName()));
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString name = prefix + RandomSuffix();
        fd_ = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = name;
            if (exists)
                ::fchmod(fd_, existing.st_mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno);
    }
    return Fail(EEXIST);
}

bool TAtomicFile::Write(const char* data, qint64 size)
{
    if (fd_ < 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : ENOSPC);
        data += n;
        size -= n;
    }
    return true;
}

bool TAtomicFile::Commit()
{
    if (fd_ < 0)
        return false;
    if (::fdatasync(fd_) != 0)
        return Fail(errno);
    // A network file system may report a failed write only here.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return Fail(errno);
    if (::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        return Fail(errno);
    temporary_.clear();
    SyncFolder(QFileInfo(target_).path());
    return true;
}

bool TAtomicFile::Fail(int error)
{
    error_ = qt_error_string(error);
    Discard();
    return false;
}

void TAtomicFile::Discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.isEmpty())
        ::unlink(QFile::encodeName(temporary_).constData());
    temporary_.clear();
}

void TAtomicFile::RemoveLeftovers(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString prefix = TemporaryPrefix(info.fileName());
    // The prefix and six ASCII letters or digits: what Open() makes, nothing else.
    const auto leftover = [&prefix](const QString& name) {
        if (name.size() != prefix.size() + kSuffixLength || !name.startsWith(prefix))
            return false;
        for (qsizetype i = prefix.size(); i < name.size(); ++i) {
            const char16_t c = name[i].unicode();
            if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')))
                return false;
        }
        return true;
    };
    const QDir folder = info.dir();
    // Links and folders of that name are nobody's leftovers.
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (leftover(name))
            QFile::remove(folder.filePath(name));
    }
}
