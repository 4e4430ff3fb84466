// pocosa-archive: makes, lists and unpacks picture archives.
//
//   pocosa-archive create ARCHIVE FILE...      entries named by the files' names
//   pocosa-archive list ARCHIVE                one "name<TAB>size" line per entry
//   pocosa-archive extract ARCHIVE NAME OUTFILE
//
// Errors go to stderr with exit status 1. Output files are replaced in one
// step, and nothing but the named output file is ever written; "-" as the
// output is standard output. An output that exists but is no regular file (a
// device, a FIFO, a folder) is refused rather than replaced.
#include "AtomicFile.h"
#include "ClassArchiveStream.h"
#include "ShellFileUtils.h"
#include "Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr qint64 kChunk = 1 << 16;
constexpr qint64 kHeaderBytes = 48; // "FARC" through "ADAT" with the header length 24

struct Failure {
    QString message;
};

QString OpenFailure(const QString& name, const QString& reason)
{
    return FileOpenFailureText(QFileInfo(name).absoluteFilePath(), reason);
}

template <typename T>
QByteArray LittleEndianBytes(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian<T>(value, bytes.data());
    return bytes;
}

QByteArray Header(std::int64_t count)
{
    QByteArray h = "FARC";
    h += LittleEndianBytes<std::uint64_t>(4);
    h += "AHDR";
    h += LittleEndianBytes<std::int32_t>(kArchiveHeaderLength);
    h += LittleEndianBytes<std::int64_t>(count);
    h += ArchiveTimeStamp(QDateTime::currentDateTime()).toLatin1();
    h += "ADAT";
    return h;
}

bool IsStandardOutput(const QString& name)
{
    return name == QLatin1String("-");
}

// Standard output has no file name to tell of.
QString WriteFailure(const QString& name, const QString& reason)
{
    return IsStandardOutput(name)
               ? QCoreApplication::translate("pocosa-archive", "Cannot write to standard output. %1").arg(reason)
               : QCoreApplication::translate("pocosa-archive", "Cannot write to file \"%1\". %2")
                     .arg(QFileInfo(name).absoluteFilePath(), reason);
}

// The file a command writes: standard output, or a regular file replaced in
// one step when Commit() is reached (left as it was otherwise).
class Output {
public:
    explicit Output(const QString& name) : name_(name), file_(name)
    {
        if (IsStandardOutput(name)) {
            console_.open(stdout, QIODevice::WriteOnly);
            return;
        }
        if (!file_.Open())
            throw Failure{OpenFailure(name, file_.ErrorString())};
    }

    void Put(const QByteArray& bytes)
    {
        const bool written = console_.isOpen() ? console_.write(bytes) == bytes.size() : file_.Write(bytes);
        if (!written)
            throw Failure{WriteFailure(name_, ErrorString())};
    }

    // Standard output is only known to be written once flushed (a full
    // disk, a file size limit).
    void Commit()
    {
        if (!(console_.isOpen() ? console_.flush() : file_.Commit()))
            throw Failure{WriteFailure(name_, ErrorString())};
    }

private:
    QString ErrorString() const { return console_.isOpen() ? console_.errorString() : file_.ErrorString(); }

    QString name_;
    TAtomicFile file_;
    QFile console_;
};

// Exactly size bytes: a file that shrinks or grows meanwhile would not
// match the directory already laid down.
void CopyExactly(QIODevice& in, qint64 size, Output& out, const QString& inName)
{
    QByteArray buffer(kChunk, '\0');
    while (size > 0) {
        const qint64 n = in.read(buffer.data(), std::min(size, kChunk));
        if (n <= 0)
            throw Failure{OpenFailure(
                inName, n < 0 ? in.errorString()
                              : QCoreApplication::translate("pocosa-archive", "File changed while it was read"))};
        out.Put(buffer.left(n));
        size -= n;
    }
}

// Names are looked up without regard to letter case, so a second entry of
// the same name could never be read.
void RequireDistinctNames(const TfilesList& list, const QStringList& files)
{
    for (int i = 1; i < list.Count(); ++i)
        for (int j = 0; j < i; ++j)
            if (list.Name(i).compare(list.Name(j), Qt::CaseInsensitive) == 0)
                throw Failure{QCoreApplication::translate("pocosa-archive",
                                                          "%1 and %2: two entries of one name (letter case is ignored)")
                                  .arg(files[j], files[i])};
}

int Create(const QString& archive, const QStringList& files)
{
    // The directory first, so that every data offset is known before writing.
    TfilesList list;
    qint64 pos = kHeaderBytes;
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!info.isFile())
            throw Failure{OpenFailure(
                file,
                info.exists() ? NotRegularFileText() : QCoreApplication::translate("pocosa-archive", "No such file"))};
        if (info.size() > 0x7FFFFFFF)
            throw Failure{OpenFailure(
                file, QCoreApplication::translate("pocosa-archive", "File too large for an archive entry"))};
        list.Add(info.fileName());
        const int i = list.Count() - 1;
        pos += kArchiveRecordSize + list.NameLength(i);
        list.SetEntryData(i, std::uint64_t(pos), std::uint64_t(info.size()));
        pos += info.size();
    }
    RequireDistinctNames(list, files);
    Output out(archive);
    out.Put(Header(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const TArchiveRecord& record = list.Record(i);
        out.Put(QByteArray(reinterpret_cast<const char*>(record.data()), kArchiveRecordSize));
        out.Put(list.Name(i).toUtf8());
        QFile in(files[i]);
        if (!in.open(QIODevice::ReadOnly))
            throw Failure{OpenFailure(files[i], in.errorString())};
        CopyExactly(in, qint64(list.EntrySize(i)), out, files[i]);
    }
    out.Commit();
    return 0;
}

// Opening a file of length 0 would lay down an empty archive in it; reading
// commands must not write, so such a file simply has no entries here.
bool IsEmptyFile(const QString& archive)
{
    const QFileInfo info(archive);
    return info.isFile() && info.size() == 0;
}

// A name as one line of plain text: control characters, and backslashes so
// that the listing reads back unambiguously, become \xHH (a control
// character above 0x7F by its two UTF-8 bytes); so does every byte of a name
// that is not UTF-8.
QByteArray Printable(const QByteArray& name)
{
    const bool utf8 = name.isValidUtf8();
    QByteArray text;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // U+0080..U+009F: 0xC2 then 0x80..0x9F.
        const bool c1 = utf8 && c == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0;
        if (c < 0x20 || c == 0x7F || c == '\\' || (!utf8 && c >= 0x80) || c1) {
            const qsizetype n = c1 ? 2 : 1;
            for (qsizetype k = 0; k < n; ++k)
                text += "\\x" + QByteArray::number(static_cast<unsigned char>(name[i + k]), 16).rightJustified(2, '0');
            i += n - 1;
        } else {
            text += char(c);
        }
    }
    return text;
}

int List(const QString& archive)
{
    if (IsEmptyFile(archive))
        return 0;
    const TArchiveStream stream(archive);
    const TfilesList& list = stream.Entries();
    Output out(QStringLiteral("-"));
    for (int i = 0; i < list.Count(); ++i)
        out.Put(Printable(list.NameBytes(i)) + '\t' + QByteArray::number(list.EntrySize(i)) + '\n');
    out.Commit();
    return 0;
}

int Extract(const QString& archive, const QString& name, const QString& outName)
{
    std::unique_ptr<TArchiveStream> stream;
    if (!IsEmptyFile(archive))
        stream = std::make_unique<TArchiveStream>(archive);
    if (!stream || !stream->SelectEntryByName(name)) {
        const QString line = QCoreApplication::translate("pocosa-archive", "%1: no entry named %2").arg(archive, name);
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        return 1;
    }
    if (!IsStandardOutput(outName) && QFileInfo(outName).canonicalFilePath() == QFileInfo(archive).canonicalFilePath())
        throw Failure{OpenFailure(
            outName, QCoreApplication::translate("pocosa-archive", "The output file is the archive itself"))};
    Output out(outName);
    QByteArray buffer(kChunk, '\0');
    for (;;) {
        const std::int32_t n = stream->Read(buffer.data(), std::int32_t(kChunk));
        if (n == 0)
            break;
        out.Put(buffer.left(n));
    }
    out.Commit();
    return 0;
}

// The usage on stderr, status 1, after a wrong command line; asked for with
// --help, on stdout with status 0.
int Usage(std::FILE* stream = stderr, int status = 1)
{
    const QString text =
        QCoreApplication::translate("pocosa-archive", "usage: pocosa-archive create ARCHIVE FILE...\n"
                                                      "       pocosa-archive list ARCHIVE\n"
                                                      "       pocosa-archive extract ARCHIVE NAME OUTFILE\n"
                                                      "ARCHIVE of create and OUTFILE may be - for standard output.\n");
    std::fputs(text.toUtf8().constData(), stream);
    return status;
}

int Run(const QStringList& args)
{
    const QString command = args.value(1);
    if (args.size() == 2 && (command == QLatin1String("--help") || command == QLatin1String("-h")))
        return Usage(stdout, 0);
    if (args.size() == 2 && (command == QLatin1String("--version") || command == QLatin1String("-v"))) {
        Output out(QStringLiteral("-"));
        out.Put("pocosa-archive " POCOSA_VERSION "\n");
        out.Commit();
        return 0;
    }
    if (command == QLatin1String("create") && args.size() >= 4)
        return Create(args[2], args.mid(3));
    if (command == QLatin1String("list") && args.size() == 3)
        return List(args[2]);
    if (command == QLatin1String("extract") && args.size() == 5)
        return Extract(args[2], args[3], args[4]);
    return Usage();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::unique_ptr<TTranslations> translations = InstallUserLanguage();
    try {
        return Run(QCoreApplication::arguments());
    } catch (const EarcSTreamError& e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s\n", f.message.toUtf8().constData());
    }
    return 1;
}
