#include <gtest/gtest.h>

#include "FuncGraphicWorkLoad.h"
#include "FuncGraphicWorkPixels.h"
#include "TestEnv.h"

#include <QFile>
#include <QImage>

#include <set>

#include <zlib.h>

namespace {

QByteArray builtInPicture()
{
    QFile f(QStringLiteral(":/RC_DATA/BGPICTURE"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

quint32 be32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 | quint32(quint8(b[at + 2])) << 8 |
           quint32(quint8(b[at + 3]));
}

struct Chunk {
    QByteArray type;
    QByteArray data;
};

std::vector<Chunk> chunksOf(const QByteArray& png)
{
    std::vector<Chunk> chunks;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = be32(png, at);
        chunks.push_back({png.mid(at + 4, 4), png.mid(at + 8, length)});
        at += 12 + length;
    }
    return chunks;
}

QString backImage(const char* name)
{
    return pocosa::test::sourceDir() + QStringLiteral("/resources/backimage/") + QLatin1String(name);
}

} // namespace

TEST(BuiltInPicture, IsTruecolourWithSubUpPaethRowsInTwoDataChunks)
{
    const QByteArray png = builtInPicture();
    ASSERT_TRUE(png.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)));
    const std::vector<Chunk> chunks = chunksOf(png);
    ASSERT_GE(chunks.size(), 4u);
    ASSERT_EQ(chunks[0].type, "IHDR");
    const QByteArray& h = chunks[0].data;
    EXPECT_EQ(be32(h, 0), 130u);
    EXPECT_EQ(be32(h, 4), 124u);
    EXPECT_EQ(int(h[8]), 8);  // bit depth
    EXPECT_EQ(int(h[9]), 2);  // truecolour, no alpha
    EXPECT_EQ(int(h[12]), 0); // not interlaced

    QByteArray compressed;
    int dataChunks = 0;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT") {
            ++dataChunks;
            compressed += c.data;
        }
    EXPECT_EQ(dataChunks, 2);
    EXPECT_EQ(chunks.back().type, "IEND");

    const std::size_t rowBytes = 1 + 130 * 3;
    QByteArray raw(qsizetype(rowBytes * 124), '\0');
    uLongf size = uLongf(raw.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                         reinterpret_cast<const Bytef*>(compressed.constData()), uLong(compressed.size())),
              Z_OK);
    ASSERT_EQ(size, uLongf(raw.size()));
    std::set<int> filters;
    for (int y = 0; y < 124; ++y)
        filters.insert(quint8(raw[qsizetype(y * rowBytes)]));
    EXPECT_EQ(filters, (std::set<int>{1, 2, 4}));
}

TEST(BuiltInPicture, KeyColourOnlyInTheFourCornersAndRowsAreOneRun)
{
    const QImage image = QImage::fromData(builtInPicture()).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(130, 124));
    const QRgb key = image.pixel(0, 0);
    EXPECT_EQ(key, qRgb(25, 25, 25));
    int keyed[2][2] = {};
    for (int y = 0; y < image.height(); ++y) {
        int runs = 0;
        bool inside = false;
        for (int x = 0; x < image.width(); ++x) {
            const bool opaque = image.pixel(x, y) != key;
            if (!opaque) {
                const bool left = x < 8, top = y < 8, right = x >= 122, bottom = y >= 116;
                ASSERT_TRUE((left || right) && (top || bottom)) << "key colour at " << x << "," << y;
                ++keyed[right][bottom];
            }
            runs += opaque && !inside;
            inside = opaque;
        }
        EXPECT_EQ(runs, 1) << "row " << y;
    }
    EXPECT_EQ(keyed[0][0], 8);
    EXPECT_EQ(keyed[0][1], 8);
    EXPECT_EQ(keyed[1][0], 8);
    EXPECT_EQ(keyed[1][1], 8);
}

TEST(SamplePictures, LoadThroughTheProgramsLoaders)
{
    TBitmap walnut, lemon;
    LoadGraphicFromFile(walnut, backImage("walnut.jpg"));
    EXPECT_EQ(walnut.PixelFormat(), pf24bit);
    EXPECT_EQ(walnut.Width(), 130);
    LoadGraphicFromFile(lemon, backImage("lemon.bmp"));
    EXPECT_EQ(lemon.PixelFormat(), pf24bit);
    EXPECT_EQ(lemon.Width(), 130);
    // Magenta surround: blue, green, red in memory order.
    EXPECT_EQ(lemon.ScanLine(0)[0], 255);
    EXPECT_EQ(lemon.ScanLine(0)[1], 0);
    EXPECT_EQ(lemon.ScanLine(0)[2], 255);

    const QImage mint(backImage("mint.png"));
    EXPECT_TRUE(mint.hasAlphaChannel());
    EXPECT_EQ(qAlpha(mint.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(mint.pixel(66, 63)), 255);
}

// A 24-bit sample keyed as the window keys it loses only its surround: the
// opaque pixels of every row and of every column are one run, so no pixel
// inside is keyed away to leave a hole in the window's shape.
TEST(SamplePictures, KeyingTakesAwayOnlyTheSurround)
{
    for (const char* name : {"walnut.jpg", "lemon.bmp"}) {
        SCOPED_TRACE(name);
        TBitmap picture;
        LoadGraphicFromFile(picture, backImage(name));
        picture.SetPixelFormat(pf32bit);
        MakeAlphaByColorKey(picture, 255);
        const auto opaque = [&](int x, int y) { return picture.ScanLine(y)[4 * x + 3] != 0; };
        const auto runs = [](int n, auto at) {
            int count = 0;
            for (int i = 0; i < n; ++i)
                count += at(i) && (i == 0 || !at(i - 1));
            return count;
        };
        for (int y = 0; y < picture.Height(); ++y)
            EXPECT_LE(runs(picture.Width(), [&](int x) { return opaque(x, y); }), 1) << "row " << y;
        for (int x = 0; x < picture.Width(); ++x)
            EXPECT_LE(runs(picture.Height(), [&](int y) { return opaque(x, y); }), 1) << "column " << x;
        EXPECT_FALSE(opaque(0, 0));
        EXPECT_FALSE(opaque(picture.Width() - 1, picture.Height() - 1));
    }
}
