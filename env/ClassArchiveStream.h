#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

// Picture archives ("FARC"): a header, then entries of a 37-byte record, the
// name and the data. All integers little-endian.
//
//   0  "FARC"   4  u64 header-size value   12 "AHDR"   16 i32 header length L
//   20 i64 entry count   28 16-character time stamp   20+L "ADAT"   24+L entries
//
// Entry record: 0 i32 id, 4 i32 name length N, 8 u64 data offset, 16 flag
// byte, 17 u64 data size, 25 twelve bytes not interpreted; then N name bytes
// (UTF-8) and the data.

// Every failure of an archive. Messages start with "TArchiveStream:\r\n".
class EarcSTreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kArchiveRecordSize = 37;
inline constexpr int kArchiveHeaderLength = 24;
using TArchiveRecord = std::array<std::uint8_t, kArchiveRecordSize>;

// The directory of an archive: entry names in archive order, each with its
// entry record as stored.
class TfilesList {
public:
    int Count() const { return int(items_.size()); }
    const QString& Name(int i) const { return items_.at(i).name; }
    const TArchiveRecord& Record(int i) const { return items_.at(i).record; }
    std::int32_t EntryId(int i) const;
    std::int32_t NameLength(int i) const;
    std::uint64_t EntryOffset(int i) const;
    std::uint64_t EntrySize(int i) const;
    std::uint8_t EntryFlag(int i) const;

    // The name's bytes as stored; Name() is their UTF-8 reading.
    const QByteArray& NameBytes(int i) const { return items_.at(i).bytes; }

    void Add(const QString& name, const TArchiveRecord& record);
    // Keeps the name's bytes as they are, even when they are not UTF-8.
    void AddStored(const QByteArray& nameBytes, const TArchiveRecord& record);
    // A new record: id one above the largest (negative ids count as 0),
    // name length of the name, flag byte 1.
    void Add(const QString& name);
    // A new record with the name length of the name, everything else 0.
    void Insert(int position, const QString& name);
    void ReplaceName(int i, const QString& name);
    void SetEntryData(int i, std::uint64_t offset, std::uint64_t size);
    void Delete(int i) { items_.removeAt(i); }
    void Clear() { items_.clear(); }

    // Each record followed by its name, in list order.
    QByteArray Text() const;
    // Rebuilds the list from such text; a truncated or inconsistent text
    // raises EarcSTreamError and leaves the list empty.
    void SetText(const QByteArray& text);

private:
    struct Item {
        QString name;
        QByteArray bytes;
        TArchiveRecord record{};
    };
    QList<Item> items_;
};

// A read-only stream over one entry of an archive. The archive file stays
// open for the life of the object; the directory is checked when it is read,
// so a stream exists only over a well-formed archive. Position and size are
// those of the selected entry.
class TArchiveStream : public QIODevice {
public:
    enum TSeekOrigin { soBeginning, soCurrent, soEnd };

    // Opens the archive for reading; only a file of length 0 is opened for
    // writing, to lay down an empty archive. Raises EarcSTreamError, also
    // for a device, FIFO or folder.
    explicit TArchiveStream(const QString& fileName);
    ~TArchiveStream() override;

    // Re-reads header and directory. On a failure the header values and the
    // directory stay as they were, nothing is selected and the error is
    // raised; on success nothing is selected either.
    void Reload();
    bool SelectEntry(int index);
    // First entry whose name equals name without regard to letter case.
    bool SelectEntryByName(const QString& name);
    int SelectedEntry() const { return selected_; }

    std::int32_t Read(char* buffer, std::int32_t count);
    // Origin 0, 1, 2; the target is clamped to the entry.
    std::int32_t Seek(std::int32_t offset, int origin);
    // A target outside the entry raises. From the end the offset counts
    // backwards: Seek64(0, soEnd) is the size.
    std::int64_t Seek64(std::int64_t offset, TSeekOrigin origin);
    [[noreturn]] void Write(const char* buffer, std::int32_t count);

    const TfilesList& Entries() const { return entries_; }
    std::uint64_t HeaderSizeValue() const { return headerSize_; }
    std::int64_t EntryCount() const { return entryCount_; }
    const QString& TimeStamp() const { return timeStamp_; }

    // QIODevice: random access within the selected entry.
    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    struct ArchiveHeader {
        std::uint64_t headerSize = 0;
        std::int64_t entryCount = 0;
        QString timeStamp;
    };

    // Raises the open failure for anything but a regular file.
    void OpenFile(QIODevice::OpenMode mode);
    void ReadArchive();
    void InitArchive();
    void WriteArchiveHeader();
    ArchiveHeader ReadArchiveHeader();
    TfilesList ReadDirectory(std::int64_t entryCount);
    QByteArray ReadExactly(qint64 count);
    qint64 EntryStart() const;
    qint64 EntryEnd() const;
    void RequireSelection(const char* operation) const;

    std::uint64_t headerSize_ = 0;
    std::int64_t entryCount_ = 0;
    QString timeStamp_;
    QFile file_;
    int selected_ = -1;
    TfilesList entries_;
};

// The 16-character time stamp "YYYYMMDDHHNNSSZZ" of a local time: year,
// month, day, hour, minute, second, then the milliseconds with at least two
// digits, cut to 16 characters (45 ms -> "45", 7 ms -> "07", 123 ms -> "12").
QString ArchiveTimeStamp(const QDateTime& when);
