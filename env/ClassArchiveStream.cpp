// TArchiveStream: opening, directory walk and reading of one entry.
#include "ClassArchiveStream.h"

#include "ShellFileUtils.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr qint64 kHeaderLengthAt = 16;
// The directory walk steps over data with 32 bits, so entries stay below 2 GiB.
constexpr std::uint64_t kMaxEntrySize = 0x7FFFFFFFu;

[[noreturn]] void Fail(const QString& text)
{
    throw EarcSTreamError((QStringLiteral("TArchiveStream:\r\n") + text).toStdString());
}

QString ArchiveText(const char* text)
{
    return QCoreApplication::translate("TArchiveStream", text);
}

// "[Reload]<what>[<read>]です": what was found wrong, and what was read there.
[[noreturn]] void FailTag(const char* what, const QString& read)
{
    Fail(QStringLiteral("[Reload]") +
         ArchiveText(QT_TRANSLATE_NOOP("TArchiveStream", "%1[%2]です")).arg(ArchiveText(what), read));
}

template <typename T> T LittleEndian(const QByteArray& bytes)
{
    // Short reads (possible only at the end of a file) count as zero bytes.
    unsigned char buffer[sizeof(T)] = {};
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), sizeof(T)), buffer);
    return qFromLittleEndian<T>(buffer);
}

template <typename T> QByteArray LittleEndianBytes(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian<T>(value, bytes.data());
    return bytes;
}

} // namespace

QString ArchiveTimeStamp(const QDateTime& when)
{
    const QString ms = QString::number(when.time().msec()).rightJustified(2, QLatin1Char('0'));
    return (when.toString(QStringLiteral("yyyyMMddHHmmss")) + ms).left(16);
}

TArchiveStream::TArchiveStream(const QString& fileName)
{
    file_.setFileName(fileName);
    OpenFile(QIODevice::ReadOnly);
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    Reload();
}

TArchiveStream::~TArchiveStream() = default;

void TArchiveStream::Reload()
{
    try {
        ReadArchive();
    } catch (...) {
        // The directory may no longer match the file: nothing stays selected.
        selected_ = -1;
        QIODevice::seek(0);
        throw;
    }
}

void TArchiveStream::OpenFile(QIODevice::OpenMode mode)
{
    // A device or a FIFO would block the open, swallow the empty archive's
    // header or stand for something else than a file: only regular files
    // (or links to them) are archives.
    const QFileInfo info(file_.fileName());
    const bool special = info.exists() && !info.isFile();
    if (special || !file_.open(mode))
        throw EarcSTreamError(
            FileOpenFailureText(info.absoluteFilePath(), special ? NotRegularFileText() : file_.errorString())
                .toStdString());
}

void TArchiveStream::ReadArchive()
{
    // The new header is read back like any archive: a file that stays empty
    // after the write fails at the magic.
    if (file_.size() == 0)
        InitArchive();
    ArchiveHeader header = ReadArchiveHeader();
    TfilesList entries = ReadDirectory(header.entryCount);
    headerSize_ = header.headerSize;
    entryCount_ = header.entryCount;
    timeStamp_ = std::move(header.timeStamp);
    entries_ = std::move(entries);
    selected_ = -1;
    QIODevice::seek(0);
}

void TArchiveStream::InitArchive()
{
    // The only write into an archive: the header of an empty one, into a
    // file that exists and is empty. Afterwards the file is read-only again.
    file_.close();
    OpenFile(QIODevice::ReadWrite | QIODevice::ExistingOnly);
    entries_.Clear();
    if (file_.size() == 0)
        WriteArchiveHeader();
    file_.close();
    if (!file_.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("[Reload]") + file_.errorString());
}

void TArchiveStream::WriteArchiveHeader()
{
    file_.seek(0);
    bool ok = file_.write("FARC") == 4 && file_.flush();
    QByteArray rest = LittleEndianBytes<std::uint64_t>(std::uint64_t(file_.size()));
    rest += "AHDR";
    rest += LittleEndianBytes<std::int32_t>(kArchiveHeaderLength);
    rest += LittleEndianBytes<std::int64_t>(entries_.Count());
    rest += ArchiveTimeStamp(QDateTime::currentDateTime()).toLatin1();
    rest += "ADAT";
    ok = ok && file_.write(rest) == rest.size() && file_.flush();
    if (!ok)
        Fail(QStringLiteral("[Reload]") + file_.errorString());
}

QByteArray TArchiveStream::ReadExactly(qint64 count)
{
    return file_.read(count);
}

TArchiveStream::ArchiveHeader TArchiveStream::ReadArchiveHeader()
{
    ArchiveHeader read;
    file_.seek(0);
    const QByteArray magic = ReadExactly(4);
    if (magic != "FARC")
        FailTag(QT_TRANSLATE_NOOP("TArchiveStream", "ファイルが不正"), QString::fromLatin1(magic));
    read.headerSize = LittleEndian<std::uint64_t>(ReadExactly(8));
    const QByteArray header = ReadExactly(4);
    if (header != "AHDR")
        FailTag(QT_TRANSLATE_NOOP("TArchiveStream", "ファイルヘッダが不正"), QString::fromLatin1(header));
    const std::int32_t length = LittleEndian<std::int32_t>(ReadExactly(4));
    // The header holds at least the count and the time stamp.
    if (length < kArchiveHeaderLength)
        FailTag(QT_TRANSLATE_NOOP("TArchiveStream", "ヘッダ長が不正"), QString::number(length));
    read.entryCount = LittleEndian<std::int64_t>(ReadExactly(8));
    read.timeStamp = QString::fromLatin1(ReadExactly(16));
    file_.seek(kHeaderLengthAt + 4 + length);
    const QByteArray data = ReadExactly(4);
    if (data != "ADAT")
        FailTag(QT_TRANSLATE_NOOP("TArchiveStream", "ファイルデータが不正"), QString::fromLatin1(data));
    return read;
}

TfilesList TArchiveStream::ReadDirectory(std::int64_t entryCount)
{
    TfilesList entries;
    const qint64 fileSize = file_.size();
    const auto count = static_cast<std::int32_t>(static_cast<std::uint64_t>(entryCount) & 0xFFFFFFFFu);
    // Every check below keeps the walk, and later reads, inside the file.
    for (std::int32_t i = 0; i < count; ++i) {
        const auto bad = [i] {
            FailTag(QT_TRANSLATE_NOOP("TArchiveStream", "ファイル一覧が不正"), QString::number(i));
        };
        const QByteArray raw = ReadExactly(kArchiveRecordSize);
        if (raw.size() != kArchiveRecordSize)
            bad();
        TArchiveRecord record{};
        std::copy_n(reinterpret_cast<const std::uint8_t*>(raw.constData()), kArchiveRecordSize, record.begin());
        const std::int32_t nameLength = qFromLittleEndian<std::int32_t>(record.data() + 4);
        if (nameLength < 0 || nameLength > fileSize - file_.pos())
            bad();
        const QByteArray name = ReadExactly(nameLength);
        const std::uint64_t offset = qFromLittleEndian<std::uint64_t>(record.data() + 8);
        const std::uint64_t size = qFromLittleEndian<std::uint64_t>(record.data() + 17);
        if (name.size() != nameLength || size > kMaxEntrySize || offset > std::uint64_t(fileSize) ||
            size > std::uint64_t(fileSize) - offset || qint64(size) > fileSize - file_.pos())
            bad();
        entries.AddStored(name, record);
        file_.seek(file_.pos() + qint64(size));
    }
    return entries;
}

bool TArchiveStream::SelectEntry(int index)
{
    if (index < 0 || index >= entries_.Count())
        return false;
    selected_ = index;
    seek(0);
    return true;
}

bool TArchiveStream::SelectEntryByName(const QString& name)
{
    for (int i = 0; i < entries_.Count(); ++i)
        if (entries_.Name(i).compare(name, Qt::CaseInsensitive) == 0)
            return SelectEntry(i);
    return false;
}

qint64 TArchiveStream::EntryStart() const
{
    return qint64(entries_.EntryOffset(selected_));
}

qint64 TArchiveStream::EntryEnd() const
{
    return EntryStart() + qint64(entries_.EntrySize(selected_));
}

void TArchiveStream::RequireSelection(const char* operation) const
{
    if (selected_ < 0)
        Fail(QStringLiteral("[%1]").arg(QLatin1String(operation)) +
             ArchiveText(QT_TRANSLATE_NOOP("TArchiveStream", "読み込みINDEXが指定されていません")));
}

std::int32_t TArchiveStream::Read(char* buffer, std::int32_t count)
{
    if (count < 0)
        Fail(QStringLiteral("[Read]") +
             ArchiveText(QT_TRANSLATE_NOOP("TArchiveStream", "Countが負です(%1)")).arg(count));
    RequireSelection("Read");
    const qint64 n = read(buffer, count);
    if (n < 0)
        Fail(QStringLiteral("[Read]") + file_.errorString());
    return std::int32_t(n);
}

std::int32_t TArchiveStream::Seek(std::int32_t offset, int origin)
{
    RequireSelection("Seek");
    const qint64 start = EntryStart(), end = EntryEnd();
    qint64 target = 0;
    if (origin == 0)
        target = start + offset;
    else if (origin == 1)
        target = file_.pos() + offset;
    else if (origin == 2)
        target = end + offset;
    target = std::clamp(target, start, end);
    seek(target - start);
    return std::int32_t(target - start);
}

std::int64_t TArchiveStream::Seek64(std::int64_t offset, TSeekOrigin origin)
{
    RequireSelection("Seek");
    const qint64 start = EntryStart(), end = EntryEnd();
    qint64 target = 0;
    bool overflow = false;
    if (origin == soBeginning)
        overflow = __builtin_add_overflow(start, offset, &target);
    else if (origin == soCurrent)
        overflow = __builtin_add_overflow(file_.pos(), offset, &target);
    else if (origin == soEnd)
        overflow = __builtin_sub_overflow(end, offset, &target);
    if (overflow || target < start || target > end)
        Fail(QStringLiteral("[Seek]") +
             ArchiveText(QT_TRANSLATE_NOOP("TArchiveStream", "格納ファイルの範囲外を指定しました")));
    seek(target - start);
    return target - start;
}

void TArchiveStream::Write(const char*, std::int32_t)
{
    Fail(QStringLiteral("[Write]") + ArchiveText(QT_TRANSLATE_NOOP("TArchiveStream", "対応していません")));
}

qint64 TArchiveStream::size() const
{
    return selected_ < 0 ? 0 : qint64(entries_.EntrySize(selected_));
}

bool TArchiveStream::seek(qint64 pos)
{
    if (selected_ < 0 || pos < 0 || pos > size())
        return false;
    QIODevice::seek(pos);
    return file_.seek(EntryStart() + pos);
}

qint64 TArchiveStream::readData(char* data, qint64 maxSize)
{
    if (selected_ < 0)
        return -1;
    // Never past the entry's last byte: the next entry is not part of it.
    const qint64 left = EntryEnd() - file_.pos();
    if (left <= 0 || maxSize <= 0)
        return 0;
    return file_.read(data, std::min(maxSize, left));
}

qint64 TArchiveStream::writeData(const char*, qint64)
{
    return -1;
}
