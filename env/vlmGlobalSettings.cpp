// The settings store application.ini: every write goes to the file; reads
// serve the last text read while the file is unchanged.
#include "vlmGlobal.h"

#include "AtomicFile.h"
#include "vlmGlobalIniText.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// A settings file beyond this size is not ours; it is neither read nor replaced.
constexpr qint64 kMaxIniFileSize = 16 * 1024 * 1024;

// A file whose time stamps lack the nanoseconds may keep the same time for
// this long after a write (FAT: two seconds).
constexpr std::int64_t kCoarseStampNs = 2'000'000'000;

std::int64_t Nanoseconds(const timespec& t)
{
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Reads what fd holds: at most limit bytes, expecting about `expected`;
// nullopt when reading fails or there is more than limit.
std::optional<QByteArray> ReadAtMost(int fd, qint64 expected, qint64 limit)
{
    QByteArray text(qsizetype(std::min(expected, limit) + 1), Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == text.size()) {
            // The file grew while it was read.
            if (got > limit)
                return std::nullopt;
            text.resize(qsizetype(std::min<qint64>(limit + 1, 2 * qint64(got))));
        }
        const ssize_t n = ::read(fd, text.data() + got, size_t(text.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += n;
    }
    text.truncate(got);
    return text;
}

} // namespace

// A read first compares the file's identity (device, inode, size, time of
// the last change) with the one the last text was read from; the file is
// read again when any of them changed. Each write of the program replaces
// the file (a new inode), a write in place changes its time. A file changed
// within the clock's tick of the time of its last change could keep that
// time: such a text is not served again.
TvlmGlobal::IniLoad TvlmGlobal::LoadIni(QByteArray& text)
{
    // What a failed write meant the file to hold is what the settings are.
    if (pending_) {
        text = *pending_;
        return IniLoad::Ok;
    }
    text.clear();
    const QByteArray path = QFile::encodeName(IniFileName());
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        iniCache_.reset();
        return IniLoad::Missing;
    }
    const auto identity = [](const struct stat& s) {
        return TIniFileIdentity{std::uint64_t(s.st_dev), std::uint64_t(s.st_ino), std::int64_t(s.st_size),
                                std::int64_t(s.st_mtim.tv_sec), std::int64_t(s.st_mtim.tv_nsec)};
    };
    if (iniCache_ && iniCache_->Identity == identity(info)) {
        text = iniCache_->Text;
        return IniLoad::Ok;
    }
    iniCache_.reset();
    // Not blocking: a FIFO of that name is not waited on.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? IniLoad::Missing : IniLoad::Failed;
    timespec before {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &before);
    std::optional<QByteArray> read;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxIniFileSize)
        read = ReadAtMost(fd, info.st_size, kMaxIniFileSize);
    ::close(fd);
    if (!read)
        return IniLoad::Failed;
    text = *read;
    // A change made after this read gets a later time than the file's.
    const std::int64_t stamp = Nanoseconds(info.st_mtim);
    if (Nanoseconds(before) > stamp + (info.st_mtim.tv_nsec == 0 ? kCoarseStampNs : 0))
        iniCache_ = TIniCache{identity(info), text};
    return IniLoad::Ok;
}

// A replacement that fails (a full disk, a quota) keeps the text it meant to
// write: reads serve it and the next write tries it whole again, so nothing
// written meanwhile is lost once the disk takes it.
bool TvlmGlobal::SaveIni(const QByteArray& text)
{
    iniCache_.reset();
    TAtomicFile file(IniFileName());
    if (file.Open() && file.Write(text) && file.Commit()) {
        pending_.reset();
        unsavedReason_.clear();
        return true;
    }
    pending_ = text;
    unsavedReason_ = file.ErrorString();
    ++saveFailures_;
    return false;
}

QString TvlmGlobal::IniFileName()
{
    if (iniFileName_.isEmpty())
        iniFileName_ = DataPath() + QStringLiteral("application.ini");
    return iniFileName_;
}

bool TvlmGlobal::LoadForBatch()
{
    if (!batchText_) {
        QByteArray text;
        batchUnreadable_ = LoadIni(text) == IniLoad::Failed;
        batchText_ = text;
    }
    return !batchUnreadable_;
}

QString TvlmGlobal::ReadIniString(const QString& section, const QString& key, const QString& defaultValue)
{
    QByteArray text;
    if (batchDepth_ > 0) {
        if (!LoadForBatch())
            return defaultValue;
        text = *batchText_;
    } else if (LoadIni(text) != IniLoad::Ok) {
        return defaultValue;
    }
    return IndexOf(text).Value(section, key).value_or(defaultValue);
}

void TvlmGlobal::RemoveStaleIniFiles()
{
    TAtomicFile::RemoveLeftovers(IniFileName());
}

std::int32_t TvlmGlobal::ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue)
{
    const auto value = IniText::ParseInteger(ReadIniString(section, key, QStringLiteral("\n")));
    return value.value_or(defaultValue);
}

void TvlmGlobal::WriteIniString(const QString& section, const QString& key, const QString& value)
{
    WriteIniStrings(section, {{key, value}});
}

void TvlmGlobal::WriteIniStrings(const QString& section, const std::vector<std::pair<QString, QString>>& values)
{
    const QString fileName = IniFileName();
    if (batchDepth_ > 0) {
        if (LoadForBatch()) {
            if (const auto edited = IniText::WriteValues(*batchText_, section, values)) {
                batchDirty_ = batchDirty_ || *edited != *batchText_;
                batchText_ = *edited;
                return;
            }
        }
    } else {
        QByteArray text;
        // A file that exists but cannot be read is left alone rather than
        // replaced by one holding a single key.
        if (LoadIni(text) != IniLoad::Failed) {
            // A file that already holds the values is not written again.
            const auto edited = IniText::WriteValues(text, section, values);
            if (edited && ((*edited == text && !pending_) || SaveIni(*edited)))
                return;
        }
    }
    ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(fileName));
}

void TvlmGlobal::RemoveIniSection(const QString& section)
{
    const QString fileName = IniFileName();
    if (batchDepth_ > 0) {
        if (LoadForBatch()) {
            const QByteArray edited = IniText::RemoveSection(*batchText_, section);
            batchDirty_ = batchDirty_ || edited != *batchText_;
            batchText_ = edited;
            return;
        }
    } else {
        QByteArray text;
        const IniLoad load = LoadIni(text);
        if (load == IniLoad::Missing)
            return;
        if (load == IniLoad::Ok) {
            const QByteArray edited = IniText::RemoveSection(text, section);
            if ((edited == text && !pending_) || SaveIni(edited))
                return;
        }
    }
    ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(fileName));
}

QStringList TvlmGlobal::IniSections()
{
    QByteArray text;
    if (batchDepth_ > 0) {
        if (!LoadForBatch())
            return {};
        text = *batchText_;
    } else if (LoadIni(text) != IniLoad::Ok) {
        return {};
    }
    return IndexOf(text).Sections();
}

// Reads between two writes look into the same text: it is parsed once.
const IniText::Index& TvlmGlobal::IndexOf(const QByteArray& text)
{
    if (!index_ || !(index_->Text().isSharedWith(text) || index_->Text() == text))
        index_ = std::make_shared<const IniText::Index>(text);
    return *index_;
}

void TvlmGlobal::BeginIniBatch()
{
    ++batchDepth_;
}

void TvlmGlobal::EndIniBatch()
{
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    std::optional<QByteArray> text = std::exchange(batchText_, std::nullopt);
    const bool dirty = std::exchange(batchDirty_, false);
    if (!text)
        text = pending_;
    if ((dirty || pending_) && text && !SaveIni(*text))
        ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(IniFileName()));
}

TvlmIniBatch::TvlmIniBatch(TvlmGlobal* global) : global_(global)
{
    if (global_)
        global_->BeginIniBatch();
}

TvlmIniBatch::~TvlmIniBatch()
{
    if (!global_)
        return;
    try {
        global_->EndIniBatch();
    } catch (const EvlmGlobalError& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
}

void TvlmGlobal::WriteIniInteger(const QString& section, const QString& key, std::int32_t value)
{
    WriteIniString(section, key, QString::number(value));
}

void TvlmGlobal::ReportOrThrow(const QString& message)
{
    if (!shuttingDown_)
        throw EvlmGlobalError(message.toStdString());
    std::fprintf(stderr, "pocosa: %s\n", message.toLocal8Bit().constData());
}
