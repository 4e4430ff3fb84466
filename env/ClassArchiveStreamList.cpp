// TfilesList: the archive directory and its entry records.
#include "ClassArchiveStream.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kIdAt = 0;
constexpr int kNameLengthAt = 4;
constexpr int kOffsetAt = 8;
constexpr int kFlagAt = 16;
constexpr int kSizeAt = 17;

template <typename T>
T Field(const TArchiveRecord& record, int at)
{
    return qFromLittleEndian<T>(record.data() + at);
}

template <typename T>
void SetField(TArchiveRecord& record, int at, T value)
{
    qToLittleEndian<T>(value, record.data() + at);
}

std::int32_t ByteLength(const QString& name)
{
    return std::int32_t(name.toUtf8().size());
}

} // namespace

std::int32_t TfilesList::EntryId(int i) const
{
    return Field<std::int32_t>(Record(i), kIdAt);
}

std::int32_t TfilesList::NameLength(int i) const
{
    return Field<std::int32_t>(Record(i), kNameLengthAt);
}

std::uint64_t TfilesList::EntryOffset(int i) const
{
    return Field<std::uint64_t>(Record(i), kOffsetAt);
}

std::uint64_t TfilesList::EntrySize(int i) const
{
    return Field<std::uint64_t>(Record(i), kSizeAt);
}

std::uint8_t TfilesList::EntryFlag(int i) const
{
    return Record(i)[kFlagAt];
}

void TfilesList::Add(const QString& name, const TArchiveRecord& record)
{
    items_.append(Item{name, name.toUtf8(), record});
}

void TfilesList::AddStored(const QByteArray& nameBytes, const TArchiveRecord& record)
{
    items_.append(Item{QString::fromUtf8(nameBytes), nameBytes, record});
}

void TfilesList::Add(const QString& name)
{
    std::int32_t largest = 0;
    for (int i = 0; i < Count(); ++i)
        largest = std::max(largest, EntryId(i));
    TArchiveRecord record{};
    // Ids are positive; a list full up to the largest id starts over at 1.
    SetField<std::int32_t>(record, kIdAt, largest == INT32_MAX ? 1 : largest + 1);
    SetField<std::int32_t>(record, kNameLengthAt, ByteLength(name));
    record[kFlagAt] = 1;
    Add(name, record);
}

void TfilesList::Insert(int position, const QString& name)
{
    TArchiveRecord record{};
    SetField<std::int32_t>(record, kNameLengthAt, ByteLength(name));
    items_.insert(std::clamp(position, 0, Count()), Item{name, name.toUtf8(), record});
}

void TfilesList::ReplaceName(int i, const QString& name)
{
    Item& item = items_[i];
    item.name = name;
    item.bytes = name.toUtf8();
    SetField<std::int32_t>(item.record, kNameLengthAt, ByteLength(name));
}

void TfilesList::SetEntryData(int i, std::uint64_t offset, std::uint64_t size)
{
    Item& item = items_[i];
    SetField<std::uint64_t>(item.record, kOffsetAt, offset);
    SetField<std::uint64_t>(item.record, kSizeAt, size);
}

QByteArray TfilesList::Text() const
{
    QByteArray text;
    for (const Item& item : items_) {
        text.append(reinterpret_cast<const char*>(item.record.data()), kArchiveRecordSize);
        text.append(item.bytes);
    }
    return text;
}

void TfilesList::SetText(const QByteArray& text)
{
    Clear();
    qsizetype pos = 0;
    while (pos < text.size()) {
        TArchiveRecord record{};
        if (text.size() - pos < kArchiveRecordSize) {
            Clear();
            throw EarcSTreamError(("TArchiveStream:\r\n[Text]" +
                                   QCoreApplication::translate("TArchiveStream", "一覧が途中で切れています"))
                                      .toStdString());
        }
        std::memcpy(record.data(), text.constData() + pos, kArchiveRecordSize);
        pos += kArchiveRecordSize;
        const std::int32_t length = Field<std::int32_t>(record, kNameLengthAt);
        if (length < 0 || length > text.size() - pos) {
            Clear();
            throw EarcSTreamError(
                ("TArchiveStream:\r\n[Text]" + QCoreApplication::translate("TArchiveStream", "名前の長さが不正です"))
                    .toStdString());
        }
        AddStored(text.mid(pos, length), record);
        pos += length;
    }
}
