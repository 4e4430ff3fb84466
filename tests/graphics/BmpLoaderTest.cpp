#include <gtest/gtest.h>

#include "FuncGraphicWorkLoad.h"
#include "TestEnv.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <cstring>

namespace {

QString dataFile(const QString& name)
{
    return pocosa::test::testDataDir() + QStringLiteral("/loaders/") + name;
}

QByteArray readBytes(const QString& name)
{
    QFile f(dataFile(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(name);
    return f.readAll();
}

TBitmap loadBmp(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TBitmap picture;
    LoadGraphicFromStream(picture, QStringLiteral("x.BMP"), buffer);
    return picture;
}

void putLe32(QByteArray& b, int at, std::int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(std::uint32_t(v) >> (8 * i));
}

std::int32_t le32(const QByteArray& b, int at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | std::uint8_t(b[at + i]);
    return std::int32_t(v);
}

// rgb24.bmp turned top-down: negative height, rows in the other order.
QByteArray topDown(const QByteArray& bottomUp)
{
    QByteArray b = bottomUp;
    const int offset = le32(b, 10), width = le32(b, 18), height = le32(b, 22);
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y)
        std::memcpy(b.data() + offset + y * stride, bottomUp.constData() + offset + (height - 1 - y) * stride,
                    std::size_t(stride));
    putLe32(b, 22, -height);
    return b;
}

// rgb24.bmp rewritten as a plain 32-bit file whose fourth byte is 0 everywhere.
QByteArray plain32(const QByteArray& rgb24)
{
    const int offset = le32(rgb24, 10), width = le32(rgb24, 18), height = le32(rgb24, 22);
    const int stride = (width * 3 + 3) & ~3;
    QByteArray b = rgb24.left(offset);
    b[28] = 32;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b += rgb24.mid(offset + y * stride + 3 * x, 3) + '\0';
    putLe32(b, 2, int(b.size()));
    putLe32(b, 34, width * height * 4);
    return b;
}

// rgb24.bmp with the 12-byte OS/2 core header: 16-bit sizes.
QByteArray coreHeader(const QByteArray& rgb24)
{
    const int offset = le32(rgb24, 10);
    QByteArray b = rgb24.left(14);
    const char info[12] = {12, 0, 0, 0, char(le32(rgb24, 18)), 0, char(le32(rgb24, 22)), 0, 1, 0, 24, 0};
    b.append(info, 12);
    putLe32(b, 10, 26);
    b += rgb24.mid(offset);
    putLe32(b, 2, int(b.size()));
    return b;
}

// rgb565.bmp (124-byte header) with a 40-byte header followed by its three masks.
QByteArray bitFields40(const QByteArray& rgb565)
{
    QByteArray b = rgb565.left(14 + 40) + rgb565.mid(14 + 40, 12);
    putLe32(b, 14, 40);
    putLe32(b, 10, int(b.size()));
    b += rgb565.mid(le32(rgb565, 10));
    putLe32(b, 2, int(b.size()));
    return b;
}

// pal4.bmp, whose pixels use 4 of its 16 colours, with a palette of those 4.
QByteArray fourColours(const QByteArray& pal4)
{
    QByteArray b = pal4.left(14 + 40 + 4 * 4) + pal4.mid(le32(pal4, 10));
    putLe32(b, 46, 4);
    putLe32(b, 10, 14 + 40 + 4 * 4);
    putLe32(b, 2, int(b.size()));
    return b;
}

// pal4.bmp rewritten with 4-bit run-length coding: each row as runs of one
// index (encoded mode), ended by end-of-line; end-of-bitmap after the rows.
QByteArray rle4(const QByteArray& pal4)
{
    const int offset = le32(pal4, 10), width = le32(pal4, 18), height = le32(pal4, 22);
    const int stride = (width * 4 + 31) / 32 * 4;
    QByteArray b = pal4.left(offset);
    for (int y = 0; y < height; ++y) {
        const auto index = [&](int x) {
            const auto byte = std::uint8_t(pal4[offset + y * stride + x / 2]);
            return x % 2 ? byte & 0x0F : byte >> 4;
        };
        for (int x = 0; x < width;) {
            int run = 1;
            while (x + run < width && index(x + run) == index(x) && run < 255)
                ++run;
            b += char(run);
            b += char(index(x) << 4 | index(x));
            x += run;
        }
        b += QByteArray("\0\0", 2); // end of line
    }
    b += QByteArray("\0\1", 2); // end of bitmap
    putLe32(b, 2, int(b.size()));
    putLe32(b, 30, 2); // BI_RLE4
    putLe32(b, 34, int(b.size()) - offset);
    return b;
}

int maxChannelDiff(const TBitmap& picture, const QImage& image)
{
    const QImage ref = image.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p = picture.ScanLine(y) + x * picture.BytesPerPixel();
            const QRgb c = ref.pixel(x, y);
            worst = std::max({worst, std::abs(p[0] - qBlue(c)), std::abs(p[1] - qGreen(c)),
                              std::abs(p[2] - qRed(c))});
        }
    return worst;
}

// A read-only stream over bytes that records the largest read asked of it.
class RecordingDevice : public QIODevice {
public:
    explicit RecordingDevice(QByteArray bytes) : bytes_(std::move(bytes)) { open(ReadOnly | Unbuffered); }
    qint64 largestRead = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        largestRead = std::max(largestRead, maxSize);
        const qint64 n = std::min(maxSize, qint64(bytes_.size()) - at_);
        std::memcpy(data, bytes_.constData() + at_, std::size_t(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 at_ = 0;
};

} // namespace

TEST(BmpLoader, VariantsLoadWithTheFileSizeAndColours)
{
    const QImage source(dataFile("bmpsrc.png"));
    const QByteArray rgb24 = readBytes("rgb24.bmp");
    struct Row {
        const char* name;
        QByteArray bytes;
        TPixelFormat format;
        int tolerance; // -1: colours reduced by the file, not compared
    } rows[] = {
        {"1-bit palette", readBytes("pal1.bmp"), pf24bit, -1},
        {"4-bit palette", readBytes("pal4.bmp"), pf24bit, 0},
        {"4-bit RLE", rle4(readBytes("pal4.bmp")), pf24bit, 0},
        {"4-bit with 4 colours", fourColours(readBytes("pal4.bmp")), pf24bit, 0},
        {"8-bit RLE", readBytes("rle8.bmp"), pf24bit, 0},
        {"16-bit 565", readBytes("rgb565.bmp"), pf24bit, 8},
        {"16-bit 565, 40-byte header and masks", bitFields40(readBytes("rgb565.bmp")), pf24bit, 8},
        {"24-bit, OS/2 core header", coreHeader(rgb24), pf24bit, 0},
        {"24-bit bottom-up", rgb24, pf24bit, 0},
        {"24-bit top-down", topDown(rgb24), pf24bit, 0},
        {"32-bit without alpha", plain32(rgb24), pf24bit, 0},
        {"32-bit with alpha", readBytes("argb32.bmp"), pf32bit, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TBitmap picture = loadBmp(row.bytes);
        EXPECT_EQ(picture.Width(), 24);
        EXPECT_EQ(picture.Height(), 16);
        EXPECT_EQ(picture.PixelFormat(), row.format);
        if (row.tolerance >= 0) {
            EXPECT_LE(maxChannelDiff(picture, source), row.tolerance);
        }
    }
}

TEST(BmpLoader, AlphaIsStraight)
{
    const TBitmap picture = loadBmp(readBytes("argb32.bmp"));
    ASSERT_EQ(picture.PixelFormat(), pf32bit);
    // Left half opaque, right half half-transparent; colours not scaled by alpha.
    EXPECT_EQ(picture.ScanLine(15)[4 * 0 + 3], 255);
    EXPECT_NEAR(picture.ScanLine(15)[4 * 20 + 3], 128, 1);
    EXPECT_EQ(picture.ScanLine(15)[4 * 20 + 2], 255); // red at full strength
}

TEST(BmpLoader, DamagedFilesRefused)
{
    const QByteArray good = readBytes("rgb24.bmp");
    QByteArray wrongMagic = good;
    wrongMagic[0] = 'X';
    QByteArray zeroWidth = good;
    putLe32(zeroWidth, 18, 0);
    QByteArray zeroWidthTall = zeroWidth; // past the height limit, but no picture at all
    putLe32(zeroWidthTall, 22, 20000);
    QByteArray hugeInfo = good;
    putLe32(hugeInfo, 14, 100000);
    QByteArray noPixels = good.left(54);
    const QByteArray rle8 = readBytes("rle8.bmp");
    QByteArray rle8AtFourBits = rle8;
    rle8AtFourBits[28] = 4;
    QByteArray rle4AtEightBits = rle4(readBytes("pal4.bmp"));
    rle4AtEightBits[28] = 8;
    QByteArray rleTwoPlanes = rle8;
    rleTwoPlanes[26] = 2;
    struct Row {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"empty", QByteArray()},        {"wrong magic", wrongMagic},       {"cut header", good.left(20)},
        {"zero width", zeroWidth},      {"info header too long", hugeInfo}, {"garbage", QByteArray(200, '\x7f')},
        {"no pixel data", noPixels},    {"RLE8 at 4 bits", rle8AtFourBits}, {"RLE4 at 8 bits", rle4AtEightBits},
        {"RLE in two planes", rleTwoPlanes}, {"zero width, tall", zeroWidthTall},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(loadBmp(row.bytes), EBmpError);
    }
}

TEST(BmpLoader, FilesEndingBeforeTheirPixelsAreRefused)
{
    // The reader would leave the missing rows as whatever the memory held.
    const QByteArray rgb24 = readBytes("rgb24.bmp");
    const QByteArray rle8 = readBytes("rle8.bmp");
    const QByteArray rle4Bytes = rle4(readBytes("pal4.bmp"));
    const int offset = le32(rgb24, 10);
    struct Row {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"24-bit, half the rows", rgb24.left(offset + (rgb24.size() - offset) / 2)},
        {"24-bit, header and palette only", rgb24.left(offset)},
        {"24-bit, last row short", rgb24.left(rgb24.size() - 8)},
        {"4-bit palette, cut", readBytes("pal4.bmp").left(readBytes("pal4.bmp").size() - 20)},
        {"32-bit, cut", readBytes("argb32.bmp").left(readBytes("argb32.bmp").size() - 4)},
        {"8-bit RLE, cut in the codes", rle8.left(rle8.size() - 20)},
        {"4-bit RLE, cut", rle4Bytes.left(rle4Bytes.size() - 12)},
        {"pixel offset past the end", [&] {
             QByteArray b = rgb24;
             putLe32(b, 10, int(b.size()) + 100);
             return b;
         }()},
        {"pixel offset inside the headers, cut", [&] {
             QByteArray b = rgb24.left(rgb24.size() - 100);
             putLe32(b, 10, 20);
             return b;
         }()},
        {"8-bit RLE, palette cut", rle8.left(300)},
        {"4-bit palette, pixel offset inside the headers, cut", [&] {
             QByteArray b = readBytes("pal4.bmp");
             b.chop(10);
             putLe32(b, 10, 20);
             return b;
         }()},
        {"16-bit bit fields after a 40-byte header, pixel offset inside the headers, cut", [&] {
             QByteArray b = bitFields40(readBytes("rgb565.bmp"));
             b.chop(6);
             putLe32(b, 10, 20);
             return b;
         }()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(loadBmp(row.bytes), EBmpError);
    }
    // Whole files still load: with trailing bytes, and coded pictures whose
    // last row ends without the end-of-picture code.
    EXPECT_EQ(loadBmp(rgb24 + QByteArray(7, 'x')).Width(), 24);
    EXPECT_EQ(loadBmp(rle4Bytes).Width(), 24);
    EXPECT_EQ(loadBmp(rle8.left(rle8.size() - 2)).Width(), 24);
    QByteArray insideHeaders = rgb24;
    putLe32(insideHeaders, 10, 20);
    EXPECT_EQ(maxChannelDiff(loadBmp(insideHeaders), QImage(dataFile("bmpsrc.png"))), 0);
}

TEST(BmpLoader, LastRowWithoutItsPaddingDecodesFully)
{
    // Rows of 5 x 3 bytes, each padded by one byte; the last one is left out.
    QImage source(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, qRgb(40 * x + 1, 80 * y + 2, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(source.save(&buffer, "BMP"));
    ASSERT_EQ(le32(bytes, 10) + 3 * 16, bytes.size());
    const TBitmap picture = loadBmp(bytes.chopped(1));
    ASSERT_EQ(picture.Width(), 5);
    EXPECT_EQ(maxChannelDiff(picture, source), 0);
}

// Pixels that run-length codes leave out are palette index 0, whatever the
// memory held: a picture of index 1 everywhere is decoded just before each
// case, so that leftover memory would show.
TEST(BmpLoader, PixelsSkippedByRunLengthCodesAreIndexZero)
{
    const QByteArray rle8 = readBytes("rle8.bmp"), pal4 = readBytes("pal4.bmp");
    const auto coded = [](QByteArray file, int compression, const QByteArray& codes) {
        const int offset = le32(file, 10);
        file = file.left(offset) + codes;
        putLe32(file, 2, int(file.size()));
        putLe32(file, 30, compression);
        putLe32(file, 34, int(codes.size()));
        putLe32(file, 54, 0x102030); // index 0
        putLe32(file, 58, 0xF0E0D0); // index 1
        return file;
    };
    QByteArray fullRows8, fullRows4;
    for (int y = 0; y < 16; ++y) {
        fullRows8 += QByteArray("\x18\x01\0\0", 4);
        fullRows4 += QByteArray("\x18\x11\0\0", 4);
    }
    struct Row {
        const char* name;
        bool fourBits;
        QByteArray codes;
        std::vector<QRect> indexOne; // in file rows, bottom row first
    } rows[] = {
        {"end of line", false, QByteArray("\x05\x01\0\0", 4).repeated(16), {QRect(0, 0, 5, 16)}},
        {"end of picture", false, QByteArray("\x18\x01\0\0\0\1", 6), {QRect(0, 0, 24, 1)}},
        {"move right and down", false, QByteArray("\x02\x01\0\x02\x03\x02\x01\x01\0\1", 10),
         {QRect(0, 0, 2, 1), QRect(5, 2, 1, 1)}},
        {"literal run past the row's end", false,
         QByteArray("\x16\x00\0\x03\x01\x01\x01\0\0\0\x01\x01\0\1", 14),
         {QRect(22, 0, 2, 1), QRect(0, 1, 1, 1)}},
        {"4-bit, alternating runs and end of line", true, QByteArray("\0\x03\x01\x10\x03\x10\0\0", 8).repeated(16),
         {QRect(1, 0, 3, 16), QRect(5, 0, 1, 16)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray& base = row.fourBits ? pal4 : rle8;
        const int compression = row.fourBits ? 2 : 1;
        ASSERT_EQ(loadBmp(coded(base, compression, row.fourBits ? fullRows4 : fullRows8)).ScanLine(5)[0], 0xD0);
        const TBitmap picture = loadBmp(coded(base, compression, row.codes));
        ASSERT_EQ(picture.Width(), 24);
        ASSERT_EQ(picture.Height(), 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                const bool one = std::any_of(row.indexOne.begin(), row.indexOne.end(),
                                             [&](const QRect& r) { return r.contains(x, 15 - y); });
                const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
                EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, one ? 0xF0E0D0 : 0x102030) << x << ", " << y;
            }
    }
}

TEST(BmpLoader, OversizedHeaderRefusedBeforeAllocating)
{
    const QByteArray good = readBytes("rgb24.bmp");
    struct Row {
        const char* name;
        int width, height;
    } rows[] = {{"too wide", 16385, 1}, {"too high top-down", 1, -16385}, {"too many pixels", 10000, 10000},
                {"most negative height", 4, INT32_MIN}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray bytes = good;
        putLe32(bytes, 18, row.width);
        putLe32(bytes, 22, row.height);
        EXPECT_THROW(loadBmp(bytes), EPictureSize);
    }
}

TEST(BmpLoader, HugePixelOffsetCostsNoHugeRead)
{
    // Found by fuzzing: a pixel offset near 4 GiB made the loader ask the
    // stream for that many bytes at once.
    QFile f(pocosa::test::testDataDir() + "/regressions/bmp/huge-pixel-offset.bmp");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    RecordingDevice stream(f.readAll());
    TBitmap picture;
    EXPECT_THROW(LoadBmpFromStream(picture, stream), EBmpError);
    EXPECT_LE(stream.largestRead, 1 << 20);
}
