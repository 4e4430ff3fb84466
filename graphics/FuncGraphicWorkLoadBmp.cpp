// BMP reading: the header is checked here (size limits before anything is
// allocated) and run-length codes are expanded here; the pixels are decoded
// by QImage's BMP reader.

#include "FuncGraphicWorkLoad.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QIODevice>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kMaxInfoHeaderBytes = 124; // BITMAPV5HEADER
constexpr int kMaxColours = 256;

const char* const kBadBmp = QT_TRANSLATE_NOOP("TBmpLoader", "ビットマップ画像が不正です");

std::string Text(const char* text)
{
    return QCoreApplication::translate("TBmpLoader", text).toStdString();
}

std::uint32_t le16(const char* p)
{
    return qFromLittleEndian<std::uint16_t>(p);
}

std::uint32_t le32(const char* p)
{
    return qFromLittleEndian<std::uint32_t>(p);
}

void appendLe(QByteArray& out, std::uint32_t v, int bytes)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, bytes);
}

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

// The info header sizes whose fields the image reader takes in full; it
// reads every other size with the 16-bit fields of the OS/2 core header.
bool fullInfoHeader(std::uint32_t size)
{
    return size == 40 || size == 64 || size == 108 || size == 124;
}

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0; // absolute value
    bool topDown = false;
    int bitCount = 0;
    int planes = 1;
    std::uint32_t compression = 0;
    std::int64_t colours = 0; // palette entries
    std::int64_t infoBytes = 0;
    // Where the image reader finds the pixels: at the pixel offset, or right
    // after the headers, masks and palette when the offset points before
    // their end.
    std::int64_t pixelsAt = 0;

    bool runLength() const { return compression == kRle8 || compression == kRle4; }
};

// Reads the file header and the info header from the stream into raw and
// returns what the size checks need, read the way the image reader reads it.
BmpHeader readHeader(QIODevice& stream, QByteArray& raw)
{
    raw = stream.read(kFileHeaderBytes + 4);
    if (raw.size() < kFileHeaderBytes + 4 || raw[0] != 'B' || raw[1] != 'M')
        throw EBmpError(Text(kBadBmp));
    const std::uint32_t infoSize = le32(raw.constData() + kFileHeaderBytes);
    if (infoSize < 12 || infoSize > kMaxInfoHeaderBytes)
        throw EBmpError(Text(kBadBmp));
    raw += stream.read(qint64(infoSize) - 4);
    if (raw.size() < qsizetype(kFileHeaderBytes + infoSize))
        throw EBmpError(Text(kBadBmp));

    const char* info = raw.constData() + kFileHeaderBytes;
    BmpHeader h;
    h.infoBytes = infoSize;
    std::uint32_t coloursUsed = 0;
    if (fullInfoHeader(infoSize)) {
        h.width = std::int32_t(le32(info + 4));
        h.height = std::int32_t(le32(info + 8));
        h.planes = int(le16(info + 12));
        h.bitCount = int(le16(info + 14));
        h.compression = le32(info + 16);
        coloursUsed = le32(info + 32);
    } else { // signed 16-bit sizes, no compression
        h.width = std::int16_t(le16(info + 4));
        h.height = std::int16_t(le16(info + 6));
        h.planes = int(le16(info + 8));
        h.bitCount = int(le16(info + 10));
    }
    h.topDown = h.height < 0;
    h.height = std::abs(h.height);
    if (h.width <= 0 || h.height <= 0)
        throw EBmpError(Text(kBadBmp));
    if (!PictureSizeAllowed(h.width, h.height))
        throw EPictureSize(h.width, h.height);
    if (h.bitCount <= 8) {
        h.colours = coloursUsed != 0 ? std::int64_t(coloursUsed) : std::int64_t(1) << h.bitCount;
        if (h.colours > kMaxColours)
            throw EBmpError(Text(kBadBmp));
    }
    if ((h.compression == kRle8 && h.bitCount != 8) || (h.compression == kRle4 && h.bitCount != 4) ||
        (h.runLength() && h.planes != 1))
        throw EBmpError(Text(kBadBmp));

    const bool masksFollow = infoSize < 108 && h.compression == kBitFields && (h.bitCount == 16 || h.bitCount == 32);
    const std::int64_t tablesEnd =
        kFileHeaderBytes + infoSize + (masksFollow ? 12 : 0) + h.colours * (infoSize == 12 ? 3 : 4);
    h.pixelsAt = std::max<std::int64_t>(le32(raw.constData() + 10), tablesEnd);
    return h;
}

// Bytes of one stored row, padded to whole 32-bit words.
std::int64_t strideOf(std::int64_t width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

// The most bytes a valid file of this header can need: the pixel rows at up
// to 32 bits, doubled for RLE's worst case (two bytes a pixel) plus an
// end-of-line code per row. The size checks above keep this far below any
// overflow.
std::int64_t maxUsefulBytes(const BmpHeader& h)
{
    return h.pixelsAt + 2 * strideOf(h.width, 32) * h.height + 2 * h.height + 2;
}

// Appends up to count bytes of the stream in steps, so that a header that
// promises far more data than the stream holds costs no big allocation
// (QIODevice::read(n) reserves n bytes before reading).
void appendUpTo(QByteArray& data, QIODevice& stream, std::int64_t count)
{
    constexpr std::int64_t kStep = 1 << 20;
    while (count > 0) {
        const QByteArray piece = stream.read(std::min(count, kStep));
        if (piece.isEmpty())
            return;
        data += piece;
        count -= piece.size();
    }
}

// An uncompressed picture needs every row; only the last row's padding may
// be missing, and it is supplied, since the image reader reads whole rows.
void completeRows(QByteArray& data, const BmpHeader& h)
{
    const std::int64_t rowBytes = (h.width * h.bitCount + 7) / 8;
    const std::int64_t stride = strideOf(h.width, h.bitCount);
    if (h.pixelsAt + stride * (h.height - 1) + rowBytes > data.size())
        throw EBmpError(Text(kBadBmp));
    const std::int64_t end = h.pixelsAt + stride * h.height;
    if (end > data.size())
        data.append(QByteArray(qsizetype(end - data.size()), '\0'));
}

// Decodes run-length coded pixels into 8-bit indices, one padded row per
// coded row, in the file's row order. Pixels the codes skip (end of line,
// end of picture, moves) are index 0; pixels past a row's end are dropped.
// Codes that end before the picture does are refused: the file was cut.
QByteArray expandRunLength(const QByteArray& data, const BmpHeader& h, std::int64_t stride)
{
    const bool rle8 = h.compression == kRle8;
    QByteArray rows(qsizetype(stride * h.height), '\0');
    const auto byte = [&data](std::int64_t at) { return std::uint8_t(data[qsizetype(at)]); };
    std::int64_t x = 0, y = 0;
    const auto put = [&](std::int64_t at, std::uint8_t index) {
        if (at < h.width)
            rows[qsizetype(y * stride + at)] = char(index);
    };
    const std::int64_t size = data.size();
    std::int64_t at = h.pixelsAt;
    while (y < h.height) {
        if (at + 2 > size)
            throw EBmpError(Text(kBadBmp));
        const std::uint8_t count = byte(at), code = byte(at + 1);
        at += 2;
        if (count > 0) { // a run of one value (or two, alternating, in 4 bits)
            for (int i = 0; i < count; ++i)
                put(x + i, rle8 ? code : i % 2 == 0 ? code >> 4 : code & 0x0F);
            x += count;
        } else if (code == 0) { // end of row
            x = 0;
            ++y;
        } else if (code == 1) { // end of picture
            break;
        } else if (code == 2) { // move right and down
            if (at + 2 > size)
                throw EBmpError(Text(kBadBmp));
            x += byte(at);
            y += byte(at + 1);
            at += 2;
        } else { // code literal pixels, padded to a whole number of words
            const std::int64_t bytes = rle8 ? code : (code + 1) / 2;
            if (at + (bytes + 1) / 2 * 2 > size)
                throw EBmpError(Text(kBadBmp));
            for (int i = 0; i < code; ++i) {
                const std::uint8_t b = byte(at + (rle8 ? i : i / 2));
                put(x + i, rle8 ? b : i % 2 == 0 ? b >> 4 : b & 0x0F);
            }
            x += code;
            at += (bytes + 1) / 2 * 2;
        }
    }
    return rows;
}

// A run-length coded file rewritten as a plain 8-bit one with the same
// palette and row order, so that every pixel the codes leave out is defined.
QByteArray runLengthToPlain(const QByteArray& data, const BmpHeader& h)
{
    const std::int64_t paletteAt = kFileHeaderBytes + h.infoBytes;
    const std::int64_t paletteBytes = h.colours * 4;
    if (paletteAt + paletteBytes > data.size())
        throw EBmpError(Text(kBadBmp));
    const std::int64_t stride = strideOf(h.width, 8);
    const QByteArray rows = expandRunLength(data, h, stride);
    const std::int64_t offset = kFileHeaderBytes + 40 + paletteBytes;
    QByteArray out("BM", 2);
    appendLe(out, std::uint32_t(offset + rows.size()), 4);
    appendLe(out, 0, 4);
    appendLe(out, std::uint32_t(offset), 4);
    appendLe(out, 40, 4);
    appendLe(out, std::uint32_t(h.width), 4);
    appendLe(out, std::uint32_t(h.topDown ? -h.height : h.height), 4);
    appendLe(out, 1, 2); // planes
    appendLe(out, 8, 2); // bits per pixel
    appendLe(out, 0, 4); // no compression
    appendLe(out, std::uint32_t(rows.size()), 4);
    appendLe(out, 0, 4);
    appendLe(out, 0, 4);
    appendLe(out, std::uint32_t(h.colours), 4);
    appendLe(out, 0, 4);
    out += data.mid(qsizetype(paletteAt), qsizetype(paletteBytes));
    return out + rows;
}

QImage decode(QByteArray& data)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    // Only the BMP reader: probing the content with every image plugin would
    // load them all (SVG, GIF, ...) for a file already known to be a BMP.
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(512); // MiB; our own limits hold the real bound
    QImage image = reader.read();
    if (image.isNull())
        throw EBmpError(Text(kBadBmp));
    return image;
}

} // namespace

void LoadBmpFromStream(TBitmap& Picture, QIODevice& Stream)
{
    QByteArray data;
    const BmpHeader header = readHeader(Stream, data);
    appendUpTo(data, Stream, maxUsefulBytes(header) - data.size());
    // Every pixel of the picture must come from the file or be 0: the image
    // reader leaves what it does not read as whatever the memory held.
    if (header.runLength())
        data = runLengthToPlain(data, header);
    else
        completeRows(data, header);

    const QImage image = decode(data);
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (source.isNull())
        throw EBmpError(Text(kBadBmp));

    TBitmap decoded(source.width(), source.height(), alpha ? pf32bit : pf24bit);
    const std::size_t rowBytes = std::size_t(source.width()) * std::size_t(decoded.BytesPerPixel());
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(decoded.ScanLine(y), source.constScanLine(y), rowBytes);
    Picture = std::move(decoded);
}
