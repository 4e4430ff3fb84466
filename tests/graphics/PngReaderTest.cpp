// The PNG reader on streams made in the test: the layout rules, the refusals
// and the damaged files it must survive.
#include <gtest/gtest.h>

#include "AllocationFailure.h"
#include "FuncGraphicWorkPng.h"
#include "PngTestSupport.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <functional>

#include <random>

#include <zlib.h>

using pngtest::PngBuilder;

namespace {

QByteArray rows(std::initializer_list<std::initializer_list<int>> lines)
{
    QByteArray raw;
    for (const auto& line : lines)
        for (int b : line)
            raw.append(char(b));
    return raw;
}

std::string refusal(const QByteArray& png, TBitmap& picture)
{
    try {
        pngtest::loadPng(picture, png);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(decoded)";
}

// Blue, green, red (and alpha) of pixel (x, y) as 0xAARRGGBB.
std::uint32_t pixel(const TBitmap& picture, int x, int y)
{
    const std::uint8_t* p = picture.ScanLine(y) + x * picture.BytesPerPixel();
    const std::uint32_t a = picture.BytesPerPixel() == 4 ? p[3] : 0;
    return a << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// A sequential device (like a pipe): skip must read, never seek.
class PipeDevice : public QIODevice {
public:
    explicit PipeDevice(const QByteArray& data) : data_(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return data_.size() - at_ + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, data_.size() - at_);
        std::memcpy(out, data_.constData() + at_, std::size_t(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 at_ = 0;
};

TEST(PngReader, LayoutRules)
{
    TBitmap picture;
    // A 1-bit grey row of 10 pixels uses a partial second byte, leftmost pixel in the high bit.
    pngtest::loadPng(picture, PngBuilder().signature().header(10, 1, 1, 0).imageData(rows({{0, 0xA5, 0x40}})).end().bytes());
    const std::uint32_t expected1[10] = {0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(pixel(picture, x, 0), expected1[x]) << "1-bit grey pixel " << x;

    // A palette image is unfiltered on its index bytes before the lookup (Sub: 1, 1+1).
    pngtest::loadPng(picture, PngBuilder().signature().header(3, 1, 8, 3).palette({0x102030, 0x405060, 0x708090})
                                  .imageData(rows({{1, 0, 1, 1}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), 0x102030u);
    EXPECT_EQ(pixel(picture, 1, 0), 0x405060u);
    EXPECT_EQ(pixel(picture, 2, 0), 0x708090u);

    // Up and Average on the first row see a zero row; unknown filter 7 leaves bytes as stored.
    pngtest::loadPng(picture, PngBuilder().signature().header(2, 3, 8, 0)
                                  .imageData(rows({{2, 10, 20}, {3, 4, 6}, {7, 9, 9}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), 0x0A0A0Au);
    EXPECT_EQ(pixel(picture, 1, 0), 0x141414u);
    EXPECT_EQ(pixel(picture, 0, 1), 0x090909u); // 4 + 10/2
    EXPECT_EQ(pixel(picture, 1, 1), 0x141414u); // 6 + (9 + 20)/2
    EXPECT_EQ(pixel(picture, 1, 2), 0x090909u);

    // Grey+alpha and colour+alpha keep straight alpha; colour is stored blue first.
    pngtest::loadPng(picture, PngBuilder().signature().header(1, 1, 8, 4).imageData(rows({{0, 200, 7}})).end().bytes());
    EXPECT_EQ(picture.PixelFormat(), pf32bit);
    EXPECT_EQ(pixel(picture, 0, 0), 0x07C8C8C8u);
    pngtest::loadPng(picture, PngBuilder().signature().header(1, 1, 8, 6).imageData(rows({{0, 1, 2, 3, 4}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), 0x04010203u);
    pngtest::loadPng(picture, PngBuilder().signature().header(1, 1, 8, 2).imageData(rows({{0, 1, 2, 3}})).end().bytes());
    EXPECT_EQ(picture.PixelFormat(), pf24bit);
    EXPECT_EQ(pixel(picture, 0, 0), 0x010203u);
}

TEST(PngReader, ChunksAroundTheImageData)
{
    const QByteArray idat = rows({{0, 0, 1}});
    TBitmap picture;
    // Chunks before IHDR, tRNS, a PLTE after the image data and a missing IEND.
    pngtest::loadPng(picture, PngBuilder().signature().chunk("teXt", "ignored").header(2, 1, 8, 3)
                                  .palette({0x111111, 0x222222}).chunk("tRNS", QByteArray(2, '\0'))
                                  .imageData(idat).palette({0x999999, 0x999999}).bytes());
    EXPECT_EQ(picture.PixelFormat(), pf24bit);
    EXPECT_EQ(pixel(picture, 0, 0), 0x111111u);
    EXPECT_EQ(pixel(picture, 1, 0), 0x222222u);

    // Image data split into one-byte IDAT chunks, read through a sequential device.
    PipeDevice device(PngBuilder().signature().chunk("teXt", "skipped by reading").header(2, 1, 8, 0)
                          .imageData(rows({{0, 5, 6}}), 1).end().bytes());
    LoadPngFromStream(picture, device);
    EXPECT_EQ(pixel(picture, 1, 0), 0x060606u);

    // No IHDR at all: nothing happens.
    TBitmap untouched(4, 5, pf32bit);
    pngtest::loadPng(untouched, PngBuilder().signature().chunk("teXt", "x").end().bytes());
    EXPECT_EQ(untouched.Width(), 4);
    EXPECT_EQ(untouched.PixelFormat(), pf32bit);

    // Width or height 0: an empty picture of that size.
    pngtest::loadPng(picture, PngBuilder().signature().header(0, 7, 8, 6).end().bytes());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 7);
    EXPECT_EQ(picture.PixelFormat(), pf32bit);
}

TEST(PngReader, PaletteEdges)
{
    TBitmap picture;
    // Indices past the defined entries are black.
    pngtest::loadPng(picture, PngBuilder().signature().header(4, 1, 8, 3).palette({0xABCDEF, 0x123456})
                                  .imageData(rows({{0, 1, 2, 255, 0}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), 0x123456u);
    EXPECT_EQ(pixel(picture, 1, 0), 0u);
    EXPECT_EQ(pixel(picture, 2, 0), 0u);
    EXPECT_EQ(pixel(picture, 3, 0), 0xABCDEFu);

    // 300 entries: the first 256 are used and the chunks after it are still found.
    std::vector<std::uint32_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = std::uint32_t(i * 0x010203);
    pngtest::loadPng(picture, PngBuilder().signature().header(1, 1, 8, 3).palette(big)
                                  .imageData(rows({{0, 255}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), (255u * 0x010203u) & 0xFFFFFF);

    // A second, shorter PLTE overwrites only the entries it has.
    pngtest::loadPng(picture, PngBuilder().signature().header(3, 1, 8, 3).palette({0x111111, 0x222222, 0x333333})
                                  .palette({0x444444}).imageData(rows({{0, 0, 1, 2}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), 0x444444u);
    EXPECT_EQ(pixel(picture, 1, 0), 0x222222u);
    EXPECT_EQ(pixel(picture, 2, 0), 0x333333u);

    // A length that is not a multiple of 3: the partial entry is skipped.
    pngtest::loadPng(picture, PngBuilder().signature().header(1, 1, 8, 3).chunk("PLTE", "\x01\x02\x03\x04\x05")
                                  .imageData(rows({{0, 0}})).end().bytes());
    EXPECT_EQ(pixel(picture, 0, 0), 0x010203u);
}

struct RefusalCase {
    const char* name;
    QByteArray png;
    std::string message;
};

TEST(PngReader, RefusesWithTheReadersMessage)
{
    const QByteArray row = rows({{0, 1, 2, 3}});
    const QByteArray good = PngBuilder().signature().header(1, 1, 8, 2).imageData(row).end().bytes();
    const QByteArray zdata = pngtest::zlibCompress(rows({{0, 1, 2, 3}, {0, 4, 5, 6}}));
    const RefusalCase cases[] = {
        {"empty stream", {}, "PNGファイルではありません"},
        {"seven bytes", good.left(7), "PNGファイルではありません"},
        {"16-bit palette", PngBuilder().signature().header(1, 1, 16, 3).bytes(), "16bit色深度には対応していません"},
        {"compression 1", PngBuilder().signature().header(1, 1, 8, 2, 0, 1).bytes(), "このPNG圧縮には対応していません"},
        {"interlaced", PngBuilder().signature().header(1, 1, 8, 2, 1).bytes(), "PNGインターレースには対応していません"},
        {"colour type 5", PngBuilder().signature().header(1, 1, 8, 5).bytes(), "このPNGには対応していません"},
        {"colour 4-bit", PngBuilder().signature().header(1, 1, 4, 2).imageData(row).bytes(), "このPNGには対応していません"},
        {"grey+alpha 4-bit", PngBuilder().signature().header(1, 1, 4, 4).imageData(row).bytes(), "このPNGには対応していません"},
        {"colour+alpha 4-bit", PngBuilder().signature().header(1, 1, 4, 6).imageData(row).bytes(), "このPNGには対応していません"},
        {"palette without PLTE", PngBuilder().signature().header(1, 1, 8, 3).imageData(rows({{0, 0}})).end().bytes(),
         "このPNGには対応していません"},
        {"grey 3-bit", PngBuilder().signature().header(1, 1, 3, 0).imageData(rows({{0, 0}})).end().bytes(),
         "3bit色深度には対応していません"},
        {"no image data", PngBuilder().signature().header(1, 1, 8, 2).end().bytes(), "エラー"},
        {"chunk past the end before the image data",
         PngBuilder().signature().header(1, 1, 8, 2).raw(QByteArray("\0\0\x10\0tEXtabc", 11)).bytes(), "エラー"},
        {"damaged zlib header", PngBuilder().signature().header(1, 1, 8, 2).chunk("IDAT", "\x78\x9d\x01").bytes(), "エラー"},
        {"image data ends early", PngBuilder().signature().header(1, 2, 8, 2).chunk("IDAT", zdata.left(zdata.size() - 8)).end().bytes(), "エラー"},
        {"largest picture from a few bytes", PngBuilder().signature().header(16384, 4096, 8, 6).imageData(row).end().bytes(), "エラー"},
        {"zlib stream too short", PngBuilder().signature().header(1, 3, 8, 2).chunk("IDAT", zdata).end().bytes(), "エラー"},
        {"IDAT runs past the end", good.left(good.size() - 12 - 4 - 2), "Stream read error"},
        {"width above the limit", PngBuilder().signature().header(16385, 1, 8, 2).bytes(), "画像が大きすぎます (16385 x 1)"},
        {"too many pixels", PngBuilder().signature().header(16384, 16384, 1, 0).bytes(), "画像が大きすぎます (16384 x 16384)"},
        {"width beyond 31 bits", PngBuilder().signature().header(0xFFFFFFFFu, 1, 8, 6).bytes(), "画像が大きすぎます (4294967295 x 1)"},
    };
    for (const RefusalCase& c : cases) {
        TBitmap picture(3, 2, pf24bit);
        EXPECT_EQ(refusal(c.png, picture), c.message) << c.name;
    }
}

TEST(PngReader, PictureAfterARefusal)
{
    // Refused at the header: as before.
    TBitmap before(3, 2, pf32bit);
    EXPECT_THROW(pngtest::loadPng(before, PngBuilder().signature().header(20000, 20000, 8, 2).bytes()), EPictureSize);
    EXPECT_EQ(before.Width(), 3);
    EXPECT_EQ(before.PixelFormat(), pf32bit);

    // Refused in the image data: empty, in the image's format.
    const QByteArray z = pngtest::zlibCompress(QByteArray(1 + 3 * 50, '\0'));
    TBitmap emptied(3, 2, pf32bit);
    EXPECT_THROW(pngtest::loadPng(emptied, PngBuilder().signature().header(50, 50, 8, 2).chunk("IDAT", z).end().bytes()),
                 EPngError);
    EXPECT_EQ(emptied.Width(), 0);
    EXPECT_EQ(emptied.Height(), 0);
    EXPECT_EQ(emptied.PixelFormat(), pf24bit);
    TBitmap emptiedWithAlpha(3, 2, pf24bit);
    EXPECT_THROW(pngtest::loadPng(emptiedWithAlpha, PngBuilder().signature().header(50, 50, 8, 6).chunk("IDAT", z).end().bytes()),
                 EPngError);
    EXPECT_EQ(emptiedWithAlpha.Width(), 0);
    EXPECT_EQ(emptiedWithAlpha.PixelFormat(), pf32bit);
}

TEST(PngReader, BuiltInPicture)
{
    QFile file(QStringLiteral(":/RC_DATA/BGPICTURE"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    TBitmap picture;
    LoadPngFromStream(picture, file);
    ASSERT_EQ(picture.Width(), 130);
    ASSERT_EQ(picture.Height(), 124);
    EXPECT_EQ(picture.PixelFormat(), pf24bit);
    const std::uint32_t key = pixel(picture, 0, 0);
    EXPECT_EQ(key, 0x191919u);
    int keyed = 0;
    for (int y = 0; y < 124; ++y)
        for (int x = 0; x < 130; ++x)
            if (pixel(picture, x, y) == key) {
                ++keyed;
                EXPECT_TRUE(std::min(x, 129 - x) < 16 && std::min(y, 123 - y) < 16) << "key colour at " << x << "," << y;
            }
    EXPECT_EQ(keyed, 32);
    file.seek(0);
    EXPECT_EQ(pngtest::comparePicture(picture, pngtest::decodeWithLibpng(file.readAll())), "");
}

// Random rows with random filter types at sizes that span
// several zlib calls, for every colour type and depth, against libpng.
TEST(PngReader, RandomImagesDecodeLikeLibpng)
{
    struct Kind {
        int colourType, depth, samples;
    };
    const Kind kinds[] = {{0, 1, 1}, {0, 2, 1}, {0, 4, 1}, {0, 8, 1}, {2, 8, 3}, {3, 1, 1},
                          {3, 2, 1}, {3, 4, 1}, {3, 8, 1}, {4, 8, 2}, {6, 8, 4}};
    std::mt19937 rng(4711);
    std::vector<std::uint32_t> pal(256);
    for (auto& c : pal)
        c = rng() & 0xFFFFFF;
    for (const Kind& k : kinds) {
        for (const int width : {1, 7, 333, 2051}) {
            const int height = 90;
            const int rowBytes = (width * k.samples * k.depth + 7) / 8;
            QByteArray raw;
            for (int y = 0; y < height; ++y) {
                raw.append(char(rng() % 5));
                for (int i = 0; i < rowBytes; ++i)
                    raw.append(char(rng()));
            }
            PngBuilder b;
            b.signature().header(std::uint32_t(width), std::uint32_t(height), k.depth, k.colourType);
            if (k.colourType == 3)
                b.palette(pal);
            const QByteArray png = b.imageData(raw, 5000).end().bytes();
            const std::string what = "colour type " + std::to_string(k.colourType) + " depth " +
                                     std::to_string(k.depth) + " width " + std::to_string(width);
            const pngtest::ReferenceImage ref = pngtest::decodeWithLibpng(png);
            ASSERT_TRUE(ref.ok) << what << ": " << ref.error;
            TBitmap picture;
            ASSERT_NO_THROW(pngtest::loadPng(picture, png)) << what;
            EXPECT_EQ(pngtest::comparePicture(picture, ref), "") << what;
        }
    }
}

// Image data far beyond what the image can need: only a bounded part is read
// and held, a sound stream at its start still decodes, and anything else is
// refused as damaged data.

// A 1 x 1 colour PNG followed by `chunks` IDAT chunks of 64 KiB, made while
// it is read. The first chunk starts with `start`; every other data byte is
// filler.
class EndlessImageData : public QIODevice {
public:
    EndlessImageData(const QByteArray& start, int chunks, bool sequential)
        : prefix_(PngBuilder().signature().header(1, 1, 8, 2).bytes()), start_(start), sequential_(sequential),
          total_(prefix_.size() + qint64(chunks) * kChunk)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    qint64 bytesRead = 0;

    bool isSequential() const override { return sequential_; }
    qint64 size() const override { return sequential_ ? 0 : total_; }
    bool seek(qint64 pos) override
    {
        if (sequential_ || pos < 0 || pos > total_)
            return false;
        at_ = pos;
        return QIODevice::seek(pos);
    }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min(max, total_ - at_);
        for (qint64 i = 0; i < n; ++i)
            out[i] = byteAt(at_ + i);
        at_ += n;
        bytesRead += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 kData = 64 * 1024;
    static constexpr qint64 kChunk = 4 + 4 + kData + 4; // length, type, data, checksum

    char byteAt(qint64 pos) const
    {
        if (pos < prefix_.size())
            return prefix_[pos];
        const qint64 chunk = (pos - prefix_.size()) / kChunk;
        const qint64 in = (pos - prefix_.size()) % kChunk;
        if (in < 4)
            return "\0\1\0\0"[in]; // 65536, big-endian
        if (in < 8)
            return "IDAT"[in - 4];
        if (in >= 8 + kData)
            return 0; // checksums are not verified
        const qint64 data = in - 8;
        return chunk == 0 && data < start_.size() ? start_[data] : char(0xAA);
    }

    QByteArray prefix_;
    QByteArray start_;
    bool sequential_;
    qint64 total_;
    qint64 at_ = 0;
};

TEST(PngReader, EndlessImageDataIsReadOnlyAsFarAsTheImageNeeds)
{
    const QByteArray pixelStream = pngtest::zlibCompress(rows({{0, 0x30, 0x20, 0x10}}));
    struct Row {
        const char* name;
        QByteArray start;
        bool sequential;
    } table[] = {
        {"sound stream, then filler, random access", pixelStream, false},
        {"sound stream, then filler, sequential", pixelStream, true},
        {"filler only, random access", {}, false},
        {"filler only, sequential", {}, true},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        EndlessImageData device(row.start, 1024, row.sequential); // 64 MiB of image data
        TBitmap picture;
        std::string outcome = "(decoded)";
        {
            // A 1 x 1 picture never needs a large buffer, whatever follows it.
            ScopedAllocationFailure noLargeBuffers(4 << 20);
            try {
                LoadPngFromStream(picture, device);
            } catch (const std::exception& e) {
                outcome = e.what();
            }
        }
        EXPECT_LE(device.bytesRead, 1 << 20);
        if (row.start.isEmpty()) {
            EXPECT_EQ(outcome, "エラー");
            EXPECT_TRUE(picture.Empty());
        } else {
            EXPECT_EQ(outcome, "(decoded)");
            if (picture.Width() == 1 && picture.Height() == 1) {
                EXPECT_EQ(pixel(picture, 0, 0), 0x302010u);
            }
        }
    }
}

QByteArray deflateWith(const QByteArray& raw, int level, int windowBits, int strategy)
{
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, level, Z_DEFLATED, windowBits, 8, strategy), Z_OK);
    QByteArray out(int(deflateBound(&zs, uLong(raw.size()))), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
    zs.avail_in = uInt(raw.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(qsizetype(zs.total_out));
    deflateEnd(&zs);
    return out;
}

QByteArray bigEndian(std::uint32_t v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

// The raw rows deflated with a full flush after every row, as some encoders
// write them.
QByteArray flushedPerRow(const QByteArray& raw, int rowBytes)
{
    z_stream zs{};
    EXPECT_EQ(deflateInit(&zs, 6), Z_OK);
    QByteArray out;
    char piece[4096];
    for (qsizetype at = 0; at < raw.size(); at += rowBytes + 1) {
        const bool last = at + rowBytes + 1 >= raw.size();
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData() + at));
        zs.avail_in = uInt(rowBytes + 1);
        do {
            zs.next_out = reinterpret_cast<Bytef*>(piece);
            zs.avail_out = sizeof piece;
            deflate(&zs, last ? Z_FINISH : Z_FULL_FLUSH);
            out.append(piece, qsizetype(sizeof piece - zs.avail_out));
        } while (zs.avail_out == 0);
    }
    deflateEnd(&zs);
    return out;
}

// A sound zlib stream whose rows come after `count` empty stored blocks.
QByteArray behindEmptyBlocks(const QByteArray& raw, int count)
{
    QByteArray out("\x78\x01", 2);
    out += QByteArray("\0\0\0\xff\xff", 5).repeated(count);
    out += deflateWith(raw, 6, -15, Z_DEFAULT_STRATEGY);
    return out + bigEndian(std::uint32_t(adler32(1, reinterpret_cast<const Bytef*>(raw.constData()), uInt(raw.size()))));
}

// A sound zlib stream has no useful upper bound on its size: every encoding
// decodes, however much larger than the raw rows, in memory of the
// picture's size plus a constant.
TEST(PngReader, SoundImageDataOfAnySizeIsReadWhole)
{
    const struct {
        const char* name;
        int width, height, colourType, samples;
        std::function<QByteArray(const QByteArray&, int rowBytes)> encode;
        qsizetype growth; // at least this many bytes more than the raw rows
        int emptyChunksBetween; // empty IDAT chunks after each 4000-byte chunk
    } encodings[] = {
        {"stored blocks", 1024, 512, 2, 3,
         [](const QByteArray& raw, int) { return deflateWith(raw, 0, 15, Z_DEFAULT_STRATEGY); }, 1, 0},
        // A 512-byte window finds next to no repeats in these rows, so the
        // fixed code spends 9 bits on nearly every byte.
        {"fixed Huffman code", 1024, 512, 2, 3,
         [](const QByteArray& raw, int) { return deflateWith(raw, 9, 9, Z_FIXED); }, 512 * 3073 / 10, 0},
        {"flushed after every row", 1, 16384, 0, 1, flushedPerRow, 3 * 16384 * 2, 0},
        {"behind empty blocks, among empty chunks", 3, 2, 2, 3,
         [](const QByteArray& raw, int) { return behindEmptyBlocks(raw, 600000); }, 2900000, 3},
    };
    std::mt19937 rng(99);
    for (const auto& e : encodings) {
        SCOPED_TRACE(e.name);
        const int rowBytes = e.width * e.samples;
        QByteArray raw;
        for (int y = 0; y < e.height; ++y) {
            raw.append(char(0));
            for (int i = 0; i < rowBytes; ++i)
                raw.append(char(144 + rng() % 112)); // literals of 9 bits in the fixed code
        }
        const QByteArray stream = e.encode(raw, rowBytes);
        ASSERT_GE(stream.size(), raw.size() + e.growth);
        PngBuilder b;
        b.signature().header(std::uint32_t(e.width), std::uint32_t(e.height), 8, e.colourType);
        for (qsizetype at = 0; at < stream.size(); at += 4000) {
            b.chunk("IDAT", stream.mid(at, 4000));
            for (int i = 0; i < e.emptyChunksBetween; ++i)
                b.chunk("IDAT", {});
        }
        const pngtest::ReferenceImage ref = pngtest::decodeWithLibpng(PngBuilder(b).end().bytes());
        ASSERT_TRUE(ref.ok) << ref.error;
        // Past the stream's end: never inflated.
        const QByteArray png = b.chunk("IDAT", QByteArray(1 << 20, '\x55')).end().bytes();
        TBitmap picture;
        {
            ScopedAllocationFailure nothingBeyondThePicture(2 << 20);
            ASSERT_NO_THROW(pngtest::loadPng(picture, png));
        }
        EXPECT_EQ(pngtest::comparePicture(picture, ref), "");
    }
}

} // namespace
