#include <gtest/gtest.h>

#include "FuncGraphicWorkPixels.h"

#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr TColor clWindowText = TColor(0xFF000008);

TBitmap filled(int w, int h, std::uint32_t value)
{
    TBitmap bmp(w, h, pf32bit);
    FillPixels32(bmp, value);
    return bmp;
}

std::uint32_t pixel(const TBitmap& bmp, int x, int y)
{
    const std::uint8_t* p = bmp.ScanLine(y) + 4 * x;
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

void setPixel(TBitmap& bmp, int x, int y, std::uint32_t value)
{
    std::uint8_t* p = bmp.ScanLine(y) + 4 * x;
    for (int c = 0; c < 4; ++c)
        p[c] = std::uint8_t(value >> (8 * c));
}

int alpha(const TBitmap& bmp, int x, int y)
{
    return bmp.ScanLine(y)[4 * x + 3];
}

std::string show(const TRect& r)
{
    return "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", " +
           std::to_string(r.Bottom) + ")";
}

TEST(FillPixels32, WritesTheValueLittleEndian)
{
    TBitmap bmp(3, 2, pf32bit);
    FillPixels32(bmp, 0x11223344);
    const std::uint8_t* p = bmp.ScanLine(1) + 8;
    EXPECT_EQ(p[0], 0x44);
    EXPECT_EQ(p[1], 0x33);
    EXPECT_EQ(p[2], 0x22);
    EXPECT_EQ(p[3], 0x11);
}

TEST(FillPixels32, RefusesOtherFormatsWithoutWriting)
{
    TBitmap bmp(2, 2, pf24bit);
    try {
        FillPixels32(bmp, 0);
        FAIL() << "no exception";
    } catch (const EBitmapFormat& e) {
        EXPECT_STREQ(e.what(), "32bitBmp以外を塗りつぶそうとしました");
    }
    EXPECT_EQ(bmp.ScanLine(1)[5], 255);
    TBitmap empty(0, 0, pf32bit);
    EXPECT_NO_THROW(FillPixels32(empty, 1));
}

TEST(SetColor32, TakesTheColourBitsAsTheyStandAndKeepsAlpha)
{
    TBitmap bmp = filled(2, 1, 0x7F000000);
    SetColor32(bmp, 0x00112233);
    EXPECT_EQ(pixel(bmp, 1, 0), 0x7F332211u) << "blue from bits 16-23, red from bits 0-7";
    SetColor32(bmp, clWindowText);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x7F080000u) << "a system colour acts as red 8";
}

TEST(AlphaOperations, DoNothingOnEmptyOr24BitPictures)
{
    TBitmap bmp24(2, 2, pf24bit);
    SetColor32(bmp24, 0);
    MakeAlphaByColorKey(bmp24, 0);
    SetAlpha32(bmp24, 0);
    ScaleAlphaByCorners(bmp24, 0, 0, 0, 0);
    HalveBitmap32(bmp24);
    EXPECT_EQ(bmp24.ScanLine(1)[5], 255);
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 3}, std::pair{3, 0}}) {
        TBitmap empty(w, h, pf32bit);
        SetColor32(empty, 0);
        MakeAlphaByColorKey(empty, 0);
        SetAlpha32(empty, 0);
        ScaleAlphaByCorners(empty, 1, 2, 3, 4);
        HalveBitmap32(empty);
        PaintColorByMask(empty, empty, 0);
        EmbossByMask(empty, empty);
        EXPECT_EQ(show(GetVisibleRect(empty)), show(TRect(0, 0, 0, 0)));
    }
}

TEST(MakeAlphaByColorKey, KeysEveryPixelInTheTopLeftColourIncludingItself)
{
    TBitmap bmp = filled(3, 2, 0x00FF00FF); // magenta, alpha 0
    setPixel(bmp, 1, 0, 0x00FF00FE);
    setPixel(bmp, 2, 1, 0x99000000);
    MakeAlphaByColorKey(bmp, 200);
    EXPECT_EQ(alpha(bmp, 0, 0), 0);
    EXPECT_EQ(alpha(bmp, 2, 0), 0);
    EXPECT_EQ(alpha(bmp, 1, 0), 200);
    EXPECT_EQ(pixel(bmp, 2, 1), 0xC8000000u) << "colour kept, alpha set";
    EXPECT_EQ(pixel(bmp, 1, 0) & 0xFFFFFF, 0xFF00FEu);
}

TEST(SetAlpha32, SetsOnlyAlpha)
{
    TBitmap bmp = filled(2, 2, 0x00123456);
    SetAlpha32(bmp, 9);
    EXPECT_EQ(pixel(bmp, 1, 1), 0x09123456u);
}

TEST(ScaleAlphaByCorners, RampsBetweenTheCornerPoints)
{
    struct Row {
        const char* name;
        int w, h, tl, tr, bl, br, x, y, alphaIn, expected;
    };
    const Row rows[] = {
        {"256 keeps", 7, 5, 256, 256, 256, 256, 6, 4, 201, 201},
        {"top-left corner", 4, 4, 64, 192, 192, 255, 0, 0, 255, 63},
        {"last pixel falls short of the corner", 4, 4, 0, 0, 0, 256, 3, 3, 255, 143},
        {"middle of a wide picture", 16384, 16, 64, 192, 192, 255, 8192, 8, 255, 175},
        {"weights above 256 saturate", 2, 2, 512, 512, 512, 512, 1, 1, 200, 255},
        {"negative weights give 0", 2, 2, -256, -256, -256, -256, 1, 1, 200, 0},
        {"extreme weights saturate", 16384, 4, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 9000, 2, 1, 255},
        {"extreme negative weights", 16384, 4, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 9000, 2, 255, 0},
    };
    for (const Row& row : rows) {
        TBitmap bmp = filled(row.w, row.h, std::uint32_t(row.alphaIn) << 24);
        ScaleAlphaByCorners(bmp, row.tl, row.tr, row.bl, row.br);
        EXPECT_EQ(alpha(bmp, row.x, row.y), row.expected) << row.name;
    }
}

TEST(ScaleAlphaByCorners, LargePictureStaysMonotonicWithoutOverflow)
{
    // 16384 x 256: the weighted sum times 256 passes 2^32 many times over.
    TBitmap bmp = filled(16384, 256, 0xFF000000);
    ScaleAlphaByCorners(bmp, 0, 256, 0, 256);
    int previous = -1;
    for (int x = 0; x < 16384; x += 97) {
        const int a = alpha(bmp, x, 200);
        EXPECT_GE(a, previous) << x;
        previous = a;
        EXPECT_EQ(a, 255 * x / 16384) << x;
    }
}

TEST(HalveBitmap32, AveragesBlocksIntoTheTopLeftQuarter)
{
    TBitmap bmp = filled(5, 3, 0xFFFFFFFF); // last column and row stay out
    setPixel(bmp, 0, 0, 0x01010101);
    setPixel(bmp, 1, 0, 0x02020202);
    setPixel(bmp, 0, 1, 0x02020202);
    setPixel(bmp, 1, 1, 0x02020202);
    setPixel(bmp, 2, 0, 0x00000000);
    setPixel(bmp, 3, 0, 0x00000000);
    setPixel(bmp, 2, 1, 0x000000FF);
    setPixel(bmp, 3, 1, 0xFF0000FE);
    HalveBitmap32(bmp);
    EXPECT_EQ(bmp.Width(), 5);
    EXPECT_EQ(pixel(bmp, 0, 0), 0x01010101u) << "7 div 4";
    EXPECT_EQ(pixel(bmp, 1, 0), 0x3F00007Fu) << "253 div 4, 255 div 4";
    EXPECT_EQ(pixel(bmp, 4, 0), 0xFFFFFFFFu) << "beyond the quarter nothing is written";
    EXPECT_EQ(pixel(bmp, 0, 1), 0x02020202u);
}

TEST(HalveBitmap32, OnePixelWideOrHighWritesNothing)
{
    TBitmap column = filled(1, 6, 0x11111111);
    HalveBitmap32(column);
    EXPECT_EQ(pixel(column, 0, 0), 0x11111111u);
    TBitmap row = filled(6, 1, 0x22222222);
    HalveBitmap32(row);
    EXPECT_EQ(pixel(row, 0, 0), 0x22222222u);
}

TEST(ShrinkToFit, KeepsTheAspectRatioTheColoursAndWhatIsVisible)
{
    // Into 40 x 30: a green block over the middle half of each side, around it transparent or key-coloured red.
    const std::tuple<int, int, TPixelFormat, QSize> rows[] = {
        {20, 10, pf32bit, {20, 10}}, {40, 30, pf32bit, {40, 30}},  {80, 30, pf24bit, {40, 15}},
        {40, 60, pf32bit, {20, 30}}, {100, 90, pf24bit, {33, 30}}, {41, 30, pf32bit, {40, 29}}};
    for (const auto& [w, h, format, fitted] : rows) {
        TBitmap bmp(w, h, format);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool in = x >= w / 4 && x < w * 3 / 4 && y >= h / 4 && y < h * 3 / 4;
                const std::uint32_t bgra = in ? 0xFF006400 : 0xFF0000;
                std::memcpy(bmp.ScanLine(y) + bmp.BytesPerPixel() * x, &bgra, std::size_t(bmp.BytesPerPixel()));
            }
        const QImage before = bmp.ToImage();
        ShrinkToFit(bmp, QSize(40, 30));
        ASSERT_EQ(QSize(bmp.Width(), bmp.Height()), fitted) << w;
        EXPECT_EQ(bmp.ToImage() == before, fitted == QSize(w, h)) << w << ": a picture that fits is left alone";
        double cover = 0;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x) {
                cover += alpha(bmp, x, y) / (255.0 * bmp.Width() * bmp.Height());
                EXPECT_TRUE(alpha(bmp, x, y) == 0 || (pixel(bmp, x, y) & 0xFFFFFF) == 0x6400) << w << ": red at " << x;
            }
        EXPECT_NEAR(cover, double(w * 3 / 4 - w / 4) * (h * 3 / 4 - h / 4) / (w * h), 0.005) << w;
    }
}

TEST(PaintColorByMask, MixesTheColourByTheMasksBlueByte)
{
    TBitmap dst = filled(3, 2, 0x00646464); // grey 100, alpha 0
    TBitmap mask = filled(2, 1, 0);
    setPixel(mask, 0, 0, 0x00000000);
    setPixel(mask, 1, 0, 0xFFFFFF80); // only blue counts
    PaintColorByMask(dst, mask, 0x00C80000);
    EXPECT_EQ(pixel(dst, 0, 0), 0xFF646464u) << "weight 0 keeps the colour, alpha 255";
    // blue (127 * 100 + 200 * 128) div 255 = 150, others 127 * 100 div 255 = 49
    EXPECT_EQ(pixel(dst, 1, 0), 0xFF313196u);
    EXPECT_EQ(pixel(dst, 2, 0), 0x00646464u) << "outside the common area";
    EXPECT_EQ(pixel(dst, 0, 1), 0x00646464u) << "outside the common area";
}

TEST(EmbossByMask, ShiftsNeighboursOfInk)
{
    struct Row {
        const char* name;
        int x, y, base, expected;
    };
    const Row rows[] = {
        {"right of ink", 3, 2, 100, 151}, {"left of ink", 1, 2, 100, 49}, {"below ink", 2, 3, 100, 163},
        {"above ink", 2, 1, 100, 37},     {"clamped high", 2, 3, 250, 255}, {"clamped low", 2, 1, 10, 0},
        {"on the ink", 2, 2, 100, 100},
    };
    for (const Row& row : rows) {
        TBitmap dst = filled(5, 5, 0x42000000u | std::uint32_t(row.base) * 0x010101u);
        TBitmap mask = filled(5, 5, 0);
        setPixel(mask, 2, 2, 0x000000FF);
        EmbossByMask(dst, mask);
        const std::uint32_t v = std::uint32_t(row.expected);
        EXPECT_EQ(pixel(dst, row.x, row.y), 0x42000000u | v * 0x010101u) << row.name;
    }
}

TEST(EmbossByMask, LeavesTheOutermostRowsAndColumns)
{
    TBitmap dst = filled(4, 4, 0xFF646464);
    TBitmap mask = filled(6, 6, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            setPixel(mask, x, y, std::uint32_t(x * 40 + y * 7));
    EmbossByMask(dst, mask);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixel(dst, i, 0), 0xFF646464u) << i;
        EXPECT_EQ(pixel(dst, 0, i), 0xFF646464u) << i;
        EXPECT_EQ(pixel(dst, i, 3), 0xFF646464u) << i;
        EXPECT_EQ(pixel(dst, 3, i), 0xFF646464u) << i;
    }
    EXPECT_NE(pixel(dst, 1, 1), 0xFF646464u);
}

TEST(ColourHelpers, GrayedAndMixed)
{
    struct Row {
        const char* name;
        TColor got, expected;
    };
    const Row rows[] = {
        {"grey of black", GrayedColor(0), 0x00808080},
        {"grey of white", GrayedColor(0x00FFFFFF), 0x00DFDFDF},
        {"grey of window text", GrayedColor(clWindowText), 0x00818181},
        {"white and white", MixColor(0x00FFFFFF, 0x00FFFFFF, 77), 0x00FFFFFF},
        {"blue 200 over black at 255", MixColor(0x00C80000, 0, 255), 0x00C80000},
        {"weight 0 gives B", MixColor(0x00C80000, 0x00010203, 0), 0x00010203},
        {"white and black at 128", MixColor(0x00FFFFFF, 0, 128), 0x00808080},
        {"weight above 255 gives A", MixColor(0x00123456, 0x00FFFFFF, 300), 0x00123456},
        {"system colour bits", MixColor(clWindowText, clWindowText, 200), 0x00000008},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.got, row.expected) << row.name;
}

TEST(GetVisibleRect, BoundsTheVisiblePixelsExclusively)
{
    TBitmap clear = filled(10, 10, 0x00FFFFFF);
    EXPECT_EQ(show(GetVisibleRect(clear)), show(TRect(0, 0, 0, 0)));
    setPixel(clear, 5, 7, 0x01000000);
    EXPECT_EQ(show(GetVisibleRect(clear)), show(TRect(5, 7, 6, 8)));
    setPixel(clear, 9, 2, 0xFF000000);
    EXPECT_EQ(show(GetVisibleRect(clear)), show(TRect(5, 2, 10, 8)));

    TBitmap rgb(6, 4, pf24bit); // all white: the key colour
    EXPECT_EQ(show(GetVisibleRect(rgb)), show(TRect(0, 0, 0, 0)));
    rgb.ScanLine(3)[3 * 1] = 0; // one pixel not white
    EXPECT_EQ(show(GetVisibleRect(rgb)), show(TRect(1, 3, 2, 4)));
}

bool inked(TBitmap& bmp, int x, int y)
{
    return bmp.Canvas().Pixel(x, y) == 0;
}

TEST(DrawFrameShape, StylesOutlineTheRectangle)
{
    struct Row {
        const char* name;
        int style;
        bool cornerInked;
        int firstTopPixel; // first inked x on the top row
        int right, bottom;  // the last inked column and row
    };
    // The rectangle is (2, 3, 22, 15); other styles draw the plain outline one smaller.
    const Row rows[] = {
        {"plain", 0, true, 2, 21, 14},   {"cut 1", 1, false, 3, 21, 14},        {"cut 3", 3, false, 5, 21, 14},
        {"rounded", 4, false, 6, 21, 14}, {"unknown style", 9, true, 2, 20, 13},
    };
    for (const Row& row : rows) {
        TBitmap bmp(30, 20, pf32bit); // white
        TCanvas& c = bmp.Canvas();
        c.PenColor = 0;
        c.BrushStyle = TCanvas::bsSolid;
        c.BrushColor = 0x000000FF;
        const TRect rect(2, 3, 22, 15);
        DrawFrameShape(c, rect, row.style);
        EXPECT_EQ(c.BrushStyle, TCanvas::bsClear) << row.name;
        EXPECT_EQ(inked(bmp, 2, 3), row.cornerInked) << row.name;
        int first = -1;
        for (int x = 0; x < 30 && first < 0; ++x)
            if (inked(bmp, x, 3))
                first = x;
        EXPECT_EQ(first, row.firstTopPixel) << row.name;
        EXPECT_TRUE(inked(bmp, 12, 3)) << row.name << ": top edge";
        EXPECT_TRUE(inked(bmp, row.right, 9)) << row.name << ": right edge";
        EXPECT_TRUE(inked(bmp, 12, row.bottom)) << row.name << ": bottom edge";
        EXPECT_TRUE(inked(bmp, 2, 9)) << row.name << ": left edge";
        EXPECT_EQ(bmp.Canvas().Pixel(12, 9), 0x00FFFFFF) << row.name << ": inside not filled";
        EXPECT_FALSE(inked(bmp, row.right + 1, 9)) << row.name;
        EXPECT_FALSE(inked(bmp, 12, row.bottom + 1)) << row.name;
    }
}

TEST(DrawCornerLines, MirrorsTheSegmentIntoFourCorners)
{
    TBitmap bmp(20, 20, pf32bit);
    TCanvas& c = bmp.Canvas();
    c.PenColor = 0;
    DrawCornerLines(c, TRect(2, 2, 17, 17), 1, 0, 4, 0);
    for (int x : {3, 4, 5, 14, 15, 16}) {
        EXPECT_TRUE(inked(bmp, x, 2)) << x;
        EXPECT_TRUE(inked(bmp, x, 17)) << x;
    }
    EXPECT_FALSE(inked(bmp, 6, 2)) << "end point left out";
    EXPECT_FALSE(inked(bmp, 13, 17)) << "end point left out";
}

} // namespace
