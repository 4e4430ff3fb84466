// pocosa-archive: makes, lists and unpacks picture archives.
//
//   pocosa-archive create ARCHIVE FILE...      entries named by the files' names
//   pocosa-archive list ARCHIVE                one "name<TAB>size" line per entry
//   pocosa-archive extract ARCHIVE NAME OUTFILE
//
// Errors go to stderr with exit status 1. Output files are replaced in one
// step, and nothing but the named output file is ever written.
#include "ClassArchiveStream.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
    return QStringLiteral("ファイル \"%1\". %2 は開けません").arg(QFileInfo(name).absoluteFilePath(), reason);
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

void Put(QSaveFile& out, const QByteArray& bytes)
{
    if (out.write(bytes) != bytes.size())
        throw Failure{OpenFailure(out.fileName(), out.errorString())};
}

// Exactly size bytes: a file that shrinks or grows meanwhile would not
// match the directory already laid down.
void CopyExactly(QIODevice& in, qint64 size, QSaveFile& out, const QString& inName)
{
    QByteArray buffer(kChunk, '\0');
    while (size > 0) {
        const qint64 n = in.read(buffer.data(), std::min(size, kChunk));
        if (n <= 0)
            throw Failure{OpenFailure(inName, n < 0 ? in.errorString() : QStringLiteral("File changed while it was read"))};
        Put(out, buffer.left(n));
        size -= n;
    }
}

void Commit(QSaveFile& out)
{
    if (!out.commit())
        throw Failure{OpenFailure(out.fileName(), out.errorString())};
}

int Create(const QString& archive, const QStringList& files)
{
    // The directory first, so that every data offset is known before writing.
    TfilesList list;
    qint64 pos = kHeaderBytes;
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!info.isFile())
            throw Failure{OpenFailure(file, QStringLiteral("No such file"))};
        if (info.size() > 0x7FFFFFFF)
            throw Failure{OpenFailure(file, QStringLiteral("File too large for an archive entry"))};
        list.Add(info.fileName());
        const int i = list.Count() - 1;
        pos += kArchiveRecordSize + list.NameLength(i);
        list.SetEntryData(i, std::uint64_t(pos), std::uint64_t(info.size()));
        pos += info.size();
    }
    QSaveFile out(archive);
    if (!out.open(QIODevice::WriteOnly))
        throw Failure{OpenFailure(archive, out.errorString())};
    Put(out, Header(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const TArchiveRecord& record = list.Record(i);
        Put(out, QByteArray(reinterpret_cast<const char*>(record.data()), kArchiveRecordSize));
        Put(out, list.Name(i).toUtf8());
        QFile in(files[i]);
        if (!in.open(QIODevice::ReadOnly))
            throw Failure{OpenFailure(files[i], in.errorString())};
        CopyExactly(in, qint64(list.EntrySize(i)), out, files[i]);
    }
    Commit(out);
    return 0;
}

// Opening a file of length 0 would lay down an empty archive in it; reading
// commands must not write, so such a file simply has no entries here.
bool IsEmptyFile(const QString& archive)
{
    const QFileInfo info(archive);
    return info.isFile() && info.size() == 0;
}

int List(const QString& archive)
{
    if (IsEmptyFile(archive))
        return 0;
    const TArchiveStream stream(archive);
    const TfilesList& list = stream.Entries();
    for (int i = 0; i < list.Count(); ++i) {
        // The name's bytes as stored, whatever their encoding.
        const QByteArray& name = list.NameBytes(i);
        std::fwrite(name.constData(), 1, std::size_t(name.size()), stdout);
        std::printf("\t%llu\n", static_cast<unsigned long long>(list.EntrySize(i)));
    }
    return 0;
}

int Extract(const QString& archive, const QString& name, const QString& outName)
{
    std::unique_ptr<TArchiveStream> stream;
    if (!IsEmptyFile(archive))
        stream = std::make_unique<TArchiveStream>(archive);
    if (!stream || !stream->SelectEntryByName(name)) {
        std::fprintf(stderr, "%s: no entry named %s\n", qPrintable(archive), name.toUtf8().constData());
        return 1;
    }
    if (QFileInfo(outName).canonicalFilePath() == QFileInfo(archive).canonicalFilePath())
        throw Failure{OpenFailure(outName, QStringLiteral("The output file is the archive itself"))};
    QSaveFile out(outName);
    if (!out.open(QIODevice::WriteOnly))
        throw Failure{OpenFailure(outName, out.errorString())};
    QByteArray buffer(kChunk, '\0');
    for (;;) {
        const std::int32_t n = stream->Read(buffer.data(), std::int32_t(kChunk));
        if (n == 0)
            break;
        Put(out, buffer.left(n));
    }
    Commit(out);
    return 0;
}

int Usage()
{
    std::fputs("usage: pocosa-archive create ARCHIVE FILE...\n"
               "       pocosa-archive list ARCHIVE\n"
               "       pocosa-archive extract ARCHIVE NAME OUTFILE\n",
               stderr);
    return 1;
}

int Run(const QStringList& args)
{
    const QString command = args.value(1);
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
    try {
        return Run(QCoreApplication::arguments());
    } catch (const EarcSTreamError& e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s\n", f.message.toUtf8().constData());
    }
    return 1;
}
