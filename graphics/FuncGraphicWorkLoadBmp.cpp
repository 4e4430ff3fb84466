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

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0; // absolute value; the sign only gives the row order
    int bitCount = 0;
    std::int64_t bitsOffset = 0;
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
    if (infoSize == 12) { // OS/2 core header: unsigned 16-bit sizes
        h.width = le16(info + 4);
        h.height = le16(info + 6);
        h.bitCount = int(le16(info + 10));
    } else {
        h.width = std::int32_t(le32(info + 4));
        h.height = std::int32_t(le32(info + 8));
        h.bitCount = int(le16(info + 14));
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
