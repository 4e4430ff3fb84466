// BMP reading: the header is checked here (size limits before anything is
// allocated), the pixels are decoded by QImage's BMP reader.

#include "FuncGraphicWorkLoad.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kMaxInfoHeaderBytes = 124; // BITMAPV5HEADER
constexpr std::int64_t kMaxPaletteBytes = 256 * 4;

const char* const kBadBmp = "ビットマップ画像が不正です";

std::uint32_t le16(const char* p)
{
    return std::uint32_t(std::uint8_t(p[0])) | std::uint32_t(std::uint8_t(p[1])) << 8;
}

std::uint32_t le32(const char* p)
{
    return le16(p) | le16(p + 2) << 16;
}

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0; // absolute value; the sign only gives the row order
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::int64_t bitsOffset = 0;
    std::int64_t headerBytes = 0; // file and info header
};

// Reads the file header and the info header from the stream into raw and
// returns what the size checks need.
BmpHeader readHeader(QIODevice& stream, QByteArray& raw)
{
    raw = stream.read(kFileHeaderBytes + 4);
    if (raw.size() < kFileHeaderBytes + 4 || raw[0] != 'B' || raw[1] != 'M')
        throw EBmpError(kBadBmp);
    const std::uint32_t infoSize = le32(raw.constData() + kFileHeaderBytes);
    if (infoSize < 12 || infoSize > kMaxInfoHeaderBytes)
        throw EBmpError(kBadBmp);
    raw += stream.read(qint64(infoSize) - 4);
    if (raw.size() < qsizetype(kFileHeaderBytes + infoSize))
        throw EBmpError(kBadBmp);

    const char* info = raw.constData() + kFileHeaderBytes;
    BmpHeader h;
    h.bitsOffset = le32(raw.constData() + 10);
    h.headerBytes = kFileHeaderBytes + infoSize;
    if (infoSize == 12) { // OS/2 core header: unsigned 16-bit sizes
        h.width = le16(info + 4);
        h.height = le16(info + 6);
        h.bitCount = int(le16(info + 10));
    } else {
        h.width = std::int32_t(le32(info + 4));
        h.height = std::int32_t(le32(info + 8));
        h.bitCount = int(le16(info + 14));
        if (infoSize >= 20)
            h.compression = le32(info + 16);
        if (h.height < 0)
            h.height = -h.height;
    }
    if (h.width <= 0 || h.height <= 0)
        throw EBmpError(kBadBmp);
    if (!PictureSizeAllowed(h.width, h.height))
        throw EPictureSize("画像が大きすぎます (" + std::to_string(h.width) + " x " + std::to_string(h.height) + ")");
    return h;
}

// The most bytes a valid file of this header can need: headers, palette and
// the pixel rows at up to 32 bits, doubled for RLE's worst case (two bytes a
// pixel) plus an end-of-line code per row. The size checks above keep this
// far below any overflow.
std::int64_t maxUsefulBytes(const BmpHeader& h, std::int64_t headerBytes)
{
    const std::int64_t rowBytes = (h.width * 32 + 31) / 32 * 4;
    const std::int64_t pixelBytes = 2 * rowBytes * h.height + 2 * h.height + 2;
    return std::max(h.bitsOffset, headerBytes + kMaxPaletteBytes) + pixelBytes;
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

// Whether a run-length coded picture is all there: its codes, walked from
// the pixel offset, reach the end-of-picture code or the last row's end
// before the data ends.
bool rleComplete(const QByteArray& data, const BmpHeader& h)
{
    const auto byte = [&data](std::int64_t at) { return std::uint8_t(data[qsizetype(at)]); };
    const std::int64_t size = data.size();
    std::int64_t at = h.bitsOffset;
    std::int64_t row = 0;
    while (row < h.height) {
        if (at + 2 > size)
            return false;
        const std::uint8_t count = byte(at), code = byte(at + 1);
        at += 2;
        if (count > 0)
            continue; // a run of one value (or two, alternating, in 4 bits)
        if (code == 0) { // end of row
            ++row;
        } else if (code == 1) { // end of picture
            return true;
        } else if (code == 2) { // move right and down
            if (at + 2 > size)
                return false;
            row += byte(at + 1);
            at += 2;
        } else { // code literal pixels, padded to a whole number of words
            const std::int64_t bytes = h.compression == kRle8 ? code : (code + 1) / 2;
            at += (bytes + 1) / 2 * 2;
            if (at > size)
                return false;
        }
    }
    return true;
}

// A file that ends before its pixels do is refused: the reader would leave
// the missing rows as whatever the memory held.
void requireAllPixels(const QByteArray& data, const BmpHeader& h)
{
    if (h.bitsOffset < h.headerBytes)
        return; // no usable pixel offset: the reader finds the pixels itself
    bool complete;
    if (h.compression == kRle8 || h.compression == kRle4) {
        complete = rleComplete(data, h);
    } else {
        const std::int64_t rowBytes = (h.width * h.bitCount + 7) / 8;
        const std::int64_t stride = (h.width * h.bitCount + 31) / 32 * 4;
        complete = h.bitsOffset + stride * (h.height - 1) + rowBytes <= data.size();
    }
    if (!complete)
        throw EBmpError(kBadBmp);
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
        throw EBmpError(kBadBmp);
    return image;
}

} // namespace

void LoadBmpFromStream(TBitmap& Picture, QIODevice& Stream)
{
    QByteArray data;
    const BmpHeader header = readHeader(Stream, data);
    appendUpTo(data, Stream, maxUsefulBytes(header, data.size()) - data.size());
    requireAllPixels(data, header);

    const QImage image = decode(data);
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (source.isNull())
        throw EBmpError(kBadBmp);

    TBitmap decoded(source.width(), source.height(), alpha ? pf32bit : pf24bit);
    const std::size_t rowBytes = std::size_t(source.width()) * std::size_t(decoded.BytesPerPixel());
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(decoded.ScanLine(y), source.constScanLine(y), rowBytes);
    Picture = std::move(decoded);
}
