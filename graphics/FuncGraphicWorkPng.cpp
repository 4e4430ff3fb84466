// The PNG reader: chunks are walked once; the image data of the IDAT run is
// read from the stream as zlib needs it, inflated a batch of rows per zlib
// call and turned into picture rows one at a time. Only a piece of the
// compressed data, one batch of rows, the previous unfiltered row and the
// palette are held besides the picture; never a whole unfiltered image, nor
// the whole compressed data.
#include "FuncGraphicWorkPng.h"

#include <QCoreApplication>
#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

static_assert(std::endian::native == std::endian::little, "palette entries are stored blue first");

namespace {

using Byte = std::uint8_t;
using pngdetail::PngPalette;

const char* const kNotPng = QT_TRANSLATE_NOOP("TPngReader", "PNGファイルではありません");
const char* const kDepth16 = QT_TRANSLATE_NOOP("TPngReader", "16bit色深度には対応していません");
const char* const kCompression = QT_TRANSLATE_NOOP("TPngReader", "このPNG圧縮には対応していません");
const char* const kInterlace = QT_TRANSLATE_NOOP("TPngReader", "PNGインターレースには対応していません");
const char* const kUnsupported = QT_TRANSLATE_NOOP("TPngReader", "このPNGには対応していません");
const char* const kDepth = QT_TRANSLATE_NOOP("TPngReader", "%1bit色深度には対応していません");
const char* const kInflateError = QT_TRANSLATE_NOOP("TPngReader", "エラー");
const char* const kReadError = "Stream read error";

std::string Text(const char* text)
{
    return QCoreApplication::translate("TPngReader", text).toStdString();
}

constexpr std::uint32_t chunkType(const char (&name)[5])
{
    return std::uint32_t(Byte(name[0])) << 24 | std::uint32_t(Byte(name[1])) << 16 |
           std::uint32_t(Byte(name[2])) << 8 | std::uint32_t(Byte(name[3]));
}

constexpr std::uint32_t kIHDR = chunkType("IHDR");
constexpr std::uint32_t kPLTE = chunkType("PLTE");
constexpr std::uint32_t kIDAT = chunkType("IDAT");

// Bytes of decompressed data asked of zlib per call: many rows at once.
constexpr std::size_t kBatchBytes = 128 * 1024;

class Source {
public:
    explicit Source(QIODevice& device) : device_(device) {}

    // As many of n bytes as the stream still has.
    std::size_t read(void* buffer, std::size_t n)
    {
        std::size_t got = 0;
        while (got < n) {
            const qint64 r = device_.read(static_cast<char*>(buffer) + got, qint64(n - got));
            if (r <= 0)
                break;
            got += std::size_t(r);
        }
        return got;
    }

    void readExact(void* buffer, std::size_t n)
    {
        if (read(buffer, n) != n)
            throw EPngError(kReadError);
    }

    // Skipping past the end is not an error: the next read finds the end.
    void skip(std::uint64_t n)
    {
        while (n > 0) {
            const qint64 r = device_.skip(qint64(std::min<std::uint64_t>(n, std::uint64_t(1) << 30)));
            if (r <= 0)
                return;
            n -= std::uint64_t(r);
        }
    }

    // Bytes left when the device knows its size.
    std::optional<std::uint64_t> knownRemainder() const
    {
        if (device_.isSequential())
            return std::nullopt;
        const qint64 left = device_.size() - device_.pos();
        return left > 0 ? std::uint64_t(left) : 0;
    }

private:
    QIODevice& device_;
};

struct ChunkHead {
    std::uint32_t length = 0;
    std::uint32_t type = 0;
};

// False at the end of the stream (fewer than 8 bytes left).
bool readHead(Source& src, ChunkHead& head)
{
    Byte b[8];
    if (src.read(b, 8) != 8)
        return false;
    head.length = qFromBigEndian<std::uint32_t>(b);
    head.type = qFromBigEndian<std::uint32_t>(b + 4);
    return true;
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int compression = 0;
    int interlace = 0;
};

Header parseHeader(const Byte* b)
{
    Header h;
    h.width = qFromBigEndian<std::uint32_t>(b);
    h.height = qFromBigEndian<std::uint32_t>(b + 4);
    h.bitDepth = b[8];
    h.colourType = b[9];
    h.compression = b[10];
    // b[11], the filter method, is not checked; b[13..16] is the checksum.
    h.interlace = b[12];
    return h;
}

void checkHeader(const Header& h)
{
    // 16-bit samples are read by their high byte; a palette has no such depth.
    if (h.bitDepth == 16 && h.colourType == 3)
        throw EPngError(Text(kDepth16));
    if (h.compression != 0)
        throw EPngError(Text(kCompression));
    if (h.interlace != 0)
        throw EPngError(Text(kInterlace));
    const int t = h.colourType;
    if (t != 0 && t != 2 && t != 3 && t != 4 && t != 6)
        throw EPngError(Text(kUnsupported));
    // Colour types with several samples per pixel are read as 8-bit samples
    // (16-bit ones reduced to them); any other depth there would be misread.
    if ((t == 2 || t == 4 || t == 6) && h.bitDepth != 8 && h.bitDepth != 16)
        throw EPngError(Text(kUnsupported));
    if (!PictureSizeAllowed(h.width, h.height))
        throw EPictureSize(h.width, h.height);
}

// The data of the IDAT run, handed out in pieces as the inflater asks for
// it: nothing is gathered, so memory does not grow with the data, however
// long a sound zlib stream is or however many (empty) chunks carry it. The
// run ends at the first chunk head of another type or at the end of the
// stream; chunks after it are never read.
class ImageData {
public:
    // No IDAT chunk at all: no data.
    explicit ImageData(Source& src) : src_(src), ended_(true) {}
    // The run whose first chunk head has just been read.
    ImageData(Source& src, const ChunkHead& first) : src_(src), left_(first.length) {}

    // Up to `capacity` bytes of the run; 0 once it has ended. A chunk whose
    // data runs past the end of the stream raises the read error.
    std::size_t read(Byte* out, std::size_t capacity)
    {
        while (left_ == 0) {
            if (ended_)
                return 0;
            src_.skip(4); // the checksum
            ChunkHead head;
            if (!readHead(src_, head) || head.type != kIDAT) {
                ended_ = true;
                return 0;
            }
            left_ = head.length;
        }
        const std::size_t n = std::min<std::size_t>(left_, capacity);
        src_.readExact(out, n);
        left_ -= std::uint32_t(n);
        return n;
    }

private:
    Source& src_;
    std::uint32_t left_ = 0;
    bool ended_ = false;
};

// Palette entries a PLTE chunk does not reach keep what they held, black at
// first; entries past 256 and a trailing partial entry are skipped so the
// next chunk is found where it is.
void readPalette(Source& src, std::uint32_t length, PngPalette& palette)
{
    const std::uint32_t entries = std::min<std::uint32_t>(length / 3, 256);
    Byte rgb[256 * 3];
    src.readExact(rgb, std::size_t(entries) * 3);
    for (std::uint32_t i = 0; i < entries; ++i)
        palette.bgr[i] = std::uint32_t(rgb[3 * i + 2]) | std::uint32_t(rgb[3 * i + 1]) << 8 |
                         std::uint32_t(rgb[3 * i]) << 16;
    src.skip(std::uint64_t(length) - std::uint64_t(entries) * 3 + 4);
}

struct Prelude {
    PngPalette palette{};
    bool havePalette = false;
    bool haveImageData = false;
    ChunkHead firstImageData;
};

// Walks the chunks after IHDR up to the head of the first IDAT chunk,
// reading every PLTE on the way.
Prelude readUpToImageData(Source& src)
{
    Prelude p;
    ChunkHead head;
    while (readHead(src, head)) {
        if (head.type == kIDAT) {
            p.haveImageData = true;
            p.firstImageData = head;
            return p;
        }
        if (head.type == kPLTE) {
            readPalette(src, head.length, p.palette);
            p.havePalette = true;
        } else {
            src.skip(std::uint64_t(head.length) + 4);
        }
    }
    return p;
}

struct Inflater {
    z_stream zs{};
    bool open = false;

    ~Inflater()
    {
        if (open)
            inflateEnd(&zs);
    }
};

class RowSource {
public:
    // The zlib header is checked here and the deflate data inflated raw:
    // no Adler-32 is computed, as no checksum of the image is ever compared.
    explicit RowSource(ImageData& data) : data_(data), input_(new Byte[kInputBytes])
    {
        if (inflateInit2(&inf_.zs, -15) != Z_OK)
            throw EPngError(Text(kInflateError));
        inf_.open = true;
        Byte head[2];
        for (Byte& b : head) {
            if (inf_.zs.avail_in == 0 && !refill())
                throw EPngError(Text(kInflateError));
            b = *inf_.zs.next_in++;
            --inf_.zs.avail_in;
        }
        const unsigned cmf = head[0];
        const unsigned flg = head[1];
        if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flg) % 31 != 0 || (flg & 0x20) != 0)
            throw EPngError(Text(kInflateError));
    }

    // Exactly n bytes of decompressed data, or the zlib layer's error.
    void fill(Byte* out, std::size_t n)
    {
        z_stream& zs = inf_.zs;
        zs.next_out = out;
        zs.avail_out = uInt(n);
        while (zs.avail_out > 0) {
            // Without more input zlib may still have output in hand; it
            // reports an error when it can make no progress at all.
            if (zs.avail_in == 0)
                refill();
            const int ret = inflate(&zs, Z_NO_FLUSH);
            if (ret != Z_OK && !(ret == Z_STREAM_END && zs.avail_out == 0))
                throw EPngError(Text(kInflateError));
        }
    }

private:
    static constexpr std::size_t kInputBytes = 64 * 1024;

    bool refill()
    {
        inf_.zs.next_in = input_.get();
        inf_.zs.avail_in = uInt(data_.read(input_.get(), kInputBytes));
        return inf_.zs.avail_in > 0;
    }

    Inflater inf_;
    ImageData& data_;
    std::unique_ptr<Byte[]> input_;
};

struct RowLayout {
    std::size_t rowBytes = 0;
    int bpp = 1;
};

RowLayout layoutOf(const Header& h)
{
    static const int samplesOf[7] = {1, 0, 3, 1, 2, 0, 4};
    const int samples = samplesOf[h.colourType];
    RowLayout l;
    l.rowBytes = std::size_t((std::uint64_t(h.width) * std::uint64_t(samples) * std::uint64_t(h.bitDepth) + 7) / 8);
    l.bpp = std::max(1, samples * h.bitDepth / 8);
    return l;
}

bool indexedDepthValid(int depth)
{
    return depth == 1 || depth == 2 || depth == 4 || depth == 8;
}

// Grey images go through the palette path with a table of grey levels.
void greyLevels(int depth, PngPalette& pal)
{
    const unsigned top = (1u << std::min(depth, 8)) - 1;
    for (unsigned v = 0; v <= top; ++v) {
        const unsigned grey = v * 255 / top;
        pal.bgr[v] = grey | grey << 8 | grey << 16;
    }
}

class RowConverter {
public:
    RowConverter(const Header& h, const PngPalette& palette) : header_(h), palette_(palette)
    {
        if (h.colourType == 0 && (indexedDepthValid(h.bitDepth) || h.bitDepth == 16))
            greyLevels(h.bitDepth, palette_);
        if (h.bitDepth == 16)
            narrow_.reset(new Byte[std::size_t(layoutOf(h).rowBytes / 2)]);
    }

    void convert(const Byte* src, Byte* dst)
    {
        const int w = int(header_.width);
        int depth = header_.bitDepth;
        if (depth == 16) {
            // Each big-endian sample keeps its high byte.
            const std::size_t samples = layoutOf(header_).rowBytes / 2;
            for (std::size_t i = 0; i < samples; ++i)
                narrow_[i] = src[2 * i];
            src = narrow_.get();
            depth = 8;
        }
        switch (header_.colourType) {
        case 2:
            pngdetail::ConvertRgbRow(src, dst, w);
            break;
        case 4:
            pngdetail::ConvertGreyAlphaRow(src, dst, w);
            break;
        case 6:
            pngdetail::ConvertRgbaRow(src, dst, w);
            break;
        default:
            if (!indexedDepthValid(depth))
                throw EPngError(QCoreApplication::translate("TPngReader", kDepth).arg(depth).toStdString());
            pngdetail::ConvertIndexedRow(src, dst, w, depth, palette_);
            break;
        }
    }

private:
    Header header_;
    PngPalette palette_;
    std::unique_ptr<Byte[]> narrow_; // a 16-bit row by its high bytes
};

void decodeRows(const Header& h, const PngPalette& palette, ImageData& data, TBitmap& picture)
{
    const RowLayout layout = layoutOf(h);
    RowConverter converter(h, palette);
    RowSource rows(data);

    const std::size_t stride = layout.rowBytes + 1; // the filter type byte, then the row
    const std::size_t batchRows = std::clamp<std::size_t>(kBatchBytes / stride, 1, h.height);
    // The previous unfiltered row sits just before the batch: all zero for
    // the first row, afterwards the last row of the batch before.
    std::unique_ptr<Byte[]> buffer(new Byte[stride * (batchRows + 1)]);
    std::memset(buffer.get(), 0, stride);
    Byte* const prevRow = buffer.get() + 1;
    Byte* const batch = buffer.get() + stride;

    for (std::uint32_t y = 0; y < h.height;) {
        const std::size_t n = std::min<std::size_t>(batchRows, h.height - y);
        rows.fill(batch, n * stride);
        const Byte* prev = prevRow;
        for (std::size_t i = 0; i < n; ++i, ++y) {
            Byte* row = batch + i * stride;
            pngdetail::UnfilterRow(row[0], row + 1, prev, layout.rowBytes, layout.bpp);
            converter.convert(row + 1, picture.ScanLine(int(y)));
            prev = row + 1;
        }
        std::memcpy(prevRow, prev, layout.rowBytes);
    }
}

// Bytes of the unfiltered image: every row with its filter type byte.
std::uint64_t rawSize(const Header& h)
{
    return std::uint64_t(h.height) * (layoutOf(h).rowBytes + 1);
}

// Deflate turns one compressed byte into at most 1032 bytes (two bits for
// a 258-byte match). When the stream knows its size, image data too short
// for the whole image is refused before the picture is allocated, with the
// error the inflating would give.
bool mayHoldImage(std::optional<std::uint64_t> bytesLeft, const Header& h)
{
    return !bytesLeft || rawSize(h) <= (*bytesLeft + 16) * 1032;
}

void decodeAfterHeader(Source& src, const Header& h, TBitmap& picture)
{
    const Prelude prelude = readUpToImageData(src);
    if (h.colourType == 3 && !prelude.havePalette)
        throw EPngError(Text(kUnsupported));
    const std::optional<std::uint64_t> bytesLeft = prelude.haveImageData ? src.knownRemainder() : 0;
    if (h.width > 0 && h.height > 0 && !mayHoldImage(bytesLeft, h))
        throw EPngError(Text(kInflateError));
    picture.SetSize(0, 0);
    picture.SetPixelFormat((h.colourType == 4 || h.colourType == 6) ? pf32bit : pf24bit);
    picture.SetSize(int(h.width), int(h.height));
    if (picture.Width() > 0 && picture.Height() > 0) {
        ImageData data = prelude.haveImageData ? ImageData(src, prelude.firstImageData) : ImageData(src);
        decodeRows(h, prelude.palette, data, picture);
    }
}

} // namespace

void LoadPngFromStream(TBitmap& Picture, QIODevice& Stream)
{
    static const Byte signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Source src(Stream);
    Byte b[17];
    if (src.read(b, 8) != 8 || std::memcmp(b, signature, 8) != 0)
        throw EPngError(Text(kNotPng));

    ChunkHead head;
    do {
        if (!readHead(src, head))
            return; // no header at all: the picture stays as it was
        if (head.type != kIHDR)
            src.skip(std::uint64_t(head.length) + 4);
    } while (head.type != kIHDR);

    src.readExact(b, 17);
    const Header h = parseHeader(b);
    checkHeader(h);
    try {
        decodeAfterHeader(src, h, Picture);
    } catch (...) {
        Picture.SetSize(0, 0);
        Picture.SetPixelFormat((h.colourType == 4 || h.colourType == 6) ? pf32bit : pf24bit);
        throw;
    }
}

void LoadPngFromFile(TBitmap& Picture, const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EPngError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, file.errorString()).toStdString());
    LoadPngFromStream(Picture, file);
}
