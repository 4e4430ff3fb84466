#include <gtest/gtest.h>

#include "FuncGraphicWorkPixels.h"
#include "FuncGraphicWorkPng.h"
#include "RegionUtils.h"

#include <QBuffer>
#include <QFile>

#include <random>
#include <vector>

namespace {

TBitmap alphaPicture(int w, int h, int alpha)
{
    TBitmap bmp(w, h, pf32bit);
    FillPixels32(bmp, std::uint32_t(alpha) << 24);
    return bmp;
}

void setAlpha(TBitmap& bmp, int x, int y, int alpha)
{
    bmp.ScanLine(y)[4 * x + 3] = std::uint8_t(alpha);
}

// The same region built the slow, obvious way: one union per pixel.
QRegion pixelUnion(const TBitmap& bmp, int threshold)
{
    QRegion r;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.ScanLine(y)[4 * x + 3] >= threshold)
                r += QRect(x, y, 1, 1);
    return r;
}

// Regions cover the same pixels. QRegion's == compares rectangle lists, and
// the toolkit itself does not always merge equal rows, so compare by xor.
::testing::AssertionResult SameArea(const QRegion& got, const QRegion& expected)
{
    const QRegion diff = got.xored(expected);
    if (diff.isEmpty())
        return ::testing::AssertionSuccess();
    const QRect b = diff.boundingRect();
    return ::testing::AssertionFailure() << "regions differ within (" << b.x() << ", " << b.y() << ", " << b.width()
                                         << " x " << b.height() << ")";
}

std::int32_t intAt(const QByteArray& data, int offset)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + offset);
    return std::int32_t(p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24));
}

struct DataRect {
    std::int32_t left, top, right, bottom;
};

QByteArray regionData(const std::vector<DataRect>& rects, std::int32_t count)
{
    QByteArray data;
    const auto put = [&data](std::int32_t v) {
        const auto u = std::uint32_t(v);
        const char b[4] = {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
        data.append(b, 4);
    };
    for (std::int32_t v : {32, 1, count, 0, 0, 0, 0, 0})
        put(v);
    for (const DataRect& r : rects)
        for (std::int32_t v : {r.left, r.top, r.right, r.bottom})
            put(v);
    return data;
}

QRegion load(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    TRegion region;
    region.LoadFromStream(buffer);
    return region.Handle();
}

// A 130 x 124 picture keyed by its top-left colour, 32 pixels cut from the corners.
TBitmap cutCornerPicture()
{
    TBitmap bmp(130, 124, pf32bit);
    FillPixels32(bmp, 0x00406080);
    const int cut[] = {4, 2, 1, 1}; // pixels removed from each end of the first rows
    for (int i = 0; i < 4; ++i)
        for (int x = 0; x < cut[i]; ++x)
            for (int y : {i, 123 - i})
                for (int px : {x, 129 - x}) {
                    std::uint8_t* p = bmp.ScanLine(y) + 4 * px;
                    p[0] = p[1] = p[2] = 25;
                }
    std::uint8_t* key = bmp.ScanLine(0);
    key[0] = key[1] = key[2] = 25;
    MakeAlphaByColorKey(bmp, 255);
    return bmp;
}

TEST(RegionData, HeaderAndOneRectanglePerRunInRowOrder)
{
    TBitmap bmp = alphaPicture(6, 2, 0);
    setAlpha(bmp, 1, 0, 128); // equal to the threshold: in
    setAlpha(bmp, 2, 0, 200);
    setAlpha(bmp, 3, 0, 127); // one below: out
    setAlpha(bmp, 5, 0, 255); // the row ends inside a run
    setAlpha(bmp, 0, 1, 255);
    const QByteArray data = TRegion::RegionData(bmp, 128);
    const std::int32_t expected[] = {32, 1, 3, 0, 0, 0, 6, 2, 1, 0, 3, 1, 5, 0, 6, 1, 0, 1, 1, 2};
    ASSERT_EQ(data.size(), int(sizeof expected));
    for (int i = 0; i < int(std::size(expected)); ++i)
        EXPECT_EQ(intAt(data, 4 * i), expected[i]) << "field " << i;
}

TEST(RegionData, CutCornerPictureGivesOneRectanglePerRow)
{
    const TBitmap bmp = cutCornerPicture();
    const QByteArray data = TRegion::RegionData(bmp, 128);
    ASSERT_EQ(intAt(data, 8), 124);
    const int cut[] = {4, 2, 1, 1};
    for (int y = 0; y < 124; ++y) {
        const int c = y < 4 ? cut[y] : y > 119 ? cut[123 - y] : 0;
        const int at = 32 + 16 * y;
        EXPECT_EQ(intAt(data, at), c) << y;
        EXPECT_EQ(intAt(data, at + 4), y) << y;
        EXPECT_EQ(intAt(data, at + 8), 130 - c) << y;
        EXPECT_EQ(intAt(data, at + 12), y + 1) << y;
    }
    TRegion region;
    region.makeRgnFromBitmap(bmp, 128);
    EXPECT_TRUE(SameArea(region.Handle(), pixelUnion(bmp, 128)));
}

TEST(RegionData, BuiltInBackgroundGivesOneRectanglePerRow)
{
    QFile file(QStringLiteral(":/RC_DATA/BGPICTURE"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    TBitmap picture;
    LoadPngFromStream(picture, file);
    picture.SetPixelFormat(pf32bit);
    MakeAlphaByColorKey(picture, 255);
    const QByteArray data = TRegion::RegionData(picture, 128);
    ASSERT_EQ(intAt(data, 8), 124);
    for (int y = 0; y < 124; ++y) {
        EXPECT_EQ(intAt(data, 32 + 16 * y + 4), y);
        EXPECT_EQ(intAt(data, 32 + 16 * y + 12), y + 1);
    }
    TRegion region;
    region.makeRgnFromBitmap(picture, 128);
    EXPECT_TRUE(SameArea(region.Handle(), pixelUnion(picture, 128)));
}

TEST(MakeRgnFromBitmap, EqualsThePixelUnionOnRandomPictures)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 255), coin(0, 3);
    for (int w : {1, 15, 16, 17, 33, 48, 70}) {
        TBitmap bmp(w, 9, pf32bit);
        int sticky = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < w; ++x) {
                if (coin(rng) == 0)
                    sticky = byte(rng); // runs of equal alpha, with some noise
                setAlpha(bmp, x, y, coin(rng) == 1 ? byte(rng) : sticky);
            }
        for (int threshold : {0, 1, 128, 255, 256}) {
            TRegion region;
            region.makeRgnFromBitmap(bmp, threshold);
            EXPECT_TRUE(SameArea(region.Handle(), pixelUnion(bmp, threshold))) << "width " << w << ", threshold " << threshold;
        }
    }
}

TEST(MakeRgnFromBitmap, FullAndEmptyPictures)
{
    TRegion region;
    region.makeRgnFromBitmap(alphaPicture(37, 21, 255), 128);
    EXPECT_TRUE(SameArea(region.Handle(), QRegion(0, 0, 37, 21)));
    EXPECT_EQ(region.Handle().rectCount(), 1) << "equal rows are one rectangle in the region itself";
    EXPECT_EQ(intAt(TRegion::RegionData(alphaPicture(37, 21, 255), 128), 8), 21) << "rows are not merged";
    region.makeRgnFromBitmap(alphaPicture(37, 21, 127), 128);
    EXPECT_TRUE(region.Handle().isEmpty());
    region.makeRgnFromBitmap(TBitmap(0, 0, pf32bit), 128);
    EXPECT_TRUE(region.Handle().isEmpty());
}

TEST(MakeRgnFromBitmap, RefusesOtherFormatsAndKeepsTheRegion)
{
    TRegion region;
    region.AddRect(1, 2, 3, 4, rcCopy);
    try {
        region.makeRgnFromBitmap(TBitmap(4, 4, pf24bit), 128);
        FAIL() << "no exception";
    } catch (const ERgnError& e) {
        EXPECT_STREQ(e.what(), "TRegion.makeRgnFromBitmap Failed");
    }
    EXPECT_TRUE(SameArea(region.Handle(), QRegion(1, 2, 2, 2)));
}

// Records the size of every read so that the pieces can be seen.
class RecordingDevice : public QIODevice {
public:
    explicit RecordingDevice(QByteArray data) : data_(std::move(data)) { open(ReadOnly | Unbuffered); }
    std::vector<qint64> reads;

protected:
    qint64 readData(char* to, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, data_.size() - at_);
        std::memcpy(to, data_.constData() + at_, std::size_t(n));
        at_ += n;
        reads.push_back(n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    QByteArray data_;
    qint64 at_ = 0;
};

TEST(LoadFromStream, ReadsTenThousandRectanglesInThreePieces)
{
    std::vector<DataRect> rects;
    QRegion expected;
    for (int i = 0; i < 10000; ++i) {
        const int x = (i % 50) * 4, y = i / 50;
        rects.push_back({x, y, x + 3, y + 1});
        expected += QRect(x, y, 3, 1);
    }
    RecordingDevice device(regionData(rects, 10000));
    TRegion region;
    region.LoadFromStream(device);
    EXPECT_EQ(device.reads, (std::vector<qint64>{32, 4000 * 16, 4000 * 16, 2000 * 16}));
    EXPECT_TRUE(SameArea(region.Handle(), expected));
}

TEST(LoadFromStream, AcceptsRectanglesInAnyOrder)
{
    struct Row {
        const char* name;
        std::vector<DataRect> rects;
    };
    const Row rows[] = {
        {"overlapping", {{0, 0, 10, 10}, {5, 5, 15, 15}}},
        {"unsorted", {{0, 5, 3, 6}, {0, 0, 3, 1}, {7, 0, 9, 1}}},
        {"touching in a band", {{0, 0, 3, 2}, {3, 0, 6, 2}}},
        {"bands of different height", {{0, 0, 3, 2}, {5, 0, 6, 1}}},
        {"rows with equal spans", {{0, 0, 3, 1}, {0, 1, 3, 2}, {0, 2, 3, 3}}},
        {"equal rows with an empty row between", {{0, 0, 3, 1}, {0, 2, 3, 3}}},
        {"empty rectangles", {{0, 0, 0, 5}, {2, 2, 4, 2}, {1, 1, 2, 2}}},
        {"at the coordinate limits", {{-(1 << 27), 0, 1 << 27, 1}, {0, -(1 << 27), 1, 1 << 27}}},
        {"empty rectangle in a band", {{0, 0, 3, 1}, {50, 0, 50, 1}}},
    };
    for (const Row& row : rows) {
        QRegion expected;
        for (const DataRect& r : row.rects)
            if (r.right > r.left && r.bottom > r.top)
                expected += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        const QRegion got = load(regionData(row.rects, std::int32_t(row.rects.size())));
        EXPECT_TRUE(SameArea(got, expected)) << row.name;
        EXPECT_EQ(got.boundingRect(), expected.boundingRect()) << row.name;
    }
}

TEST(LoadFromStream, BadDataFailsAndKeepsTheRegion)
{
    struct Row {
        const char* name;
        QByteArray data;
        const char* message;
    };
    const Row rows[] = {
        {"short header", regionData({}, 0).left(31), "Stream read error"},
        {"fewer rectangles than counted", regionData({{0, 0, 1, 1}}, 2), "Stream read error"},
        {"huge count", regionData({{0, 0, 1, 1}}, 0x7FFFFFFF), "Stream read error"},
        {"reversed", regionData({{5, 0, 1, 1}}, 1), "TRegion.LoadFromStream: Cannot Create Region"},
        {"out of range", regionData({{0, 0, 0x7FFFFFFF, 1}}, 1), "TRegion.LoadFromStream: Cannot Create Region"},
        {"far negative", regionData({{INT32_MIN, 0, 1, 1}}, 1), "TRegion.LoadFromStream: Cannot Create Region"},
        {"one past the limit", regionData({{0, 0, (1 << 27) + 1, 1}}, 1), "TRegion.LoadFromStream: Cannot Create Region"},
        {"one below the negative limit", regionData({{0, -(1 << 27) - 1, 1, 1}}, 1),
         "TRegion.LoadFromStream: Cannot Create Region"},
    };
    for (const Row& row : rows) {
        TRegion region;
        region.AddRect(0, 0, 2, 2, rcCopy);
        QBuffer buffer;
        buffer.setData(row.data);
        buffer.open(QIODevice::ReadOnly);
        try {
            region.LoadFromStream(buffer);
            ADD_FAILURE() << row.name << ": no exception";
        } catch (const ERgnError& e) {
            EXPECT_STREQ(e.what(), row.message) << row.name;
        }
        EXPECT_TRUE(SameArea(region.Handle(), QRegion(0, 0, 2, 2))) << row.name;
    }
}

TEST(LoadFromStream, CountOfZeroOrLessIsEmpty)
{
    for (std::int32_t count : {0, -1, INT32_MIN}) {
        TRegion region;
        region.AddRect(0, 0, 2, 2, rcCopy);
        QBuffer buffer;
        buffer.setData(regionData({{0, 0, 1, 1}}, count));
        buffer.open(QIODevice::ReadOnly);
        region.LoadFromStream(buffer);
        EXPECT_TRUE(region.Handle().isEmpty()) << count;
        EXPECT_EQ(buffer.pos(), 32) << count;
    }
}

TEST(TRegionCombine, EachOperationCombinesWithTheCurrentRegion)
{
    const QRegion a(0, 0, 10, 10), b(5, 5, 10, 10);
    struct Row {
        const char* name;
        TRegionCombine op;
        QRegion expected;
    };
    const Row rows[] = {
        {"and", rcAnd, a & b}, {"copy", rcCopy, b},    {"diff", rcDiff, a - b},
        {"or", rcOr, a | b},   {"xor", rcXor, a ^ b},
    };
    for (const Row& row : rows) {
        TRegion region;
        region.Add(a, rcCopy);
        region.Add(b, row.op);
        EXPECT_TRUE(SameArea(region.Handle(), row.expected)) << row.name;
    }
}

TEST(TRegionCombine, ShapesAndMoves)
{
    TRegion region;
    EXPECT_TRUE(region.Handle().isEmpty());
    region.AddEllipse(0, 0, 20, 10, rcOr);
    EXPECT_TRUE(SameArea(region.Handle(), QRegion(0, 0, 20, 10, QRegion::Ellipse)));
    region.AddRect(TRect(3, 4, 7, 9), rcCopy);
    EXPECT_TRUE(SameArea(region.Handle(), QRegion(3, 4, 4, 5)));
    region.AddRect(7, 9, 3, 4, rcCopy);
    EXPECT_TRUE(SameArea(region.Handle(), QRegion(3, 4, 4, 5))) << "corners in either order";
    region.Move(10, -4);
    EXPECT_TRUE(SameArea(region.Handle(), QRegion(13, 0, 4, 5)));
}

TEST(TRegionCombine, OutOfRangeCoordinatesFailAndKeepTheRegion)
{
    TRegion region;
    region.AddRect(0, 0, 4, 4, rcCopy);
    const QRegion before = region.Handle();
    struct Row {
        const char* name;
        void (*op)(TRegion&);
        const char* message;
    };
    const Row rows[] = {
        {"rect", [](TRegion& r) { r.AddRect(0, 0, INT32_MAX, 4, rcOr); }, "TRegion.AddRect: Cannot Create Region"},
        {"ellipse", [](TRegion& r) { r.AddEllipse(INT32_MIN, 0, 4, 4, rcOr); },
         "TRegion.AddEllipse: Cannot Create Region"},
        {"move", [](TRegion& r) { r.Move(INT32_MAX, 0); }, "TRegion.Move Failed"},
        {"move back", [](TRegion& r) { r.Move(0, -(1 << 28)); }, "TRegion.Move Failed"},
        {"right edge one past the limit", [](TRegion& r) { r.Move((1 << 27) - 3, 0); }, "TRegion.Move Failed"},
        {"bottom edge one past the limit", [](TRegion& r) { r.Move(0, (1 << 27) - 3); }, "TRegion.Move Failed"},
    };
    for (const Row& row : rows) {
        try {
            row.op(region);
            ADD_FAILURE() << row.name << ": no exception";
        } catch (const ERgnError& e) {
            EXPECT_STREQ(e.what(), row.message) << row.name;
        }
        EXPECT_TRUE(SameArea(region.Handle(), before)) << row.name;
    }
}

} // namespace
