#include <gtest/gtest.h>

#include "Bitmap.h"

#include <utility>

namespace {

TEST(Bitmap, ResizeKeepsSharedTopLeftAreaAndFillsWithBrushColour)
{
    TBitmap bmp(2, 2, pf32bit);
    bmp.ScanLine(0)[0] = 11;
    bmp.ScanLine(1)[4 + 2] = 22;
    bmp.Canvas().BrushColor = 0x00030201; // red 1, green 2, blue 3
    bmp.SetSize(3, 3);
    EXPECT_EQ(bmp.ScanLine(0)[0], 11);
    EXPECT_EQ(bmp.ScanLine(1)[4 + 2], 22);
    const std::uint8_t* fresh = bmp.ScanLine(2) + 8;
    EXPECT_EQ(fresh[0], 3);
    EXPECT_EQ(fresh[1], 2);
    EXPECT_EQ(fresh[2], 1);
}

TEST(Bitmap, EveryPixelAfterResizeIsKeptOrFilled)
{
    struct Size {
        int W, H;
    };
    const std::pair<Size, Size> resizes[] = {{{5, 3}, {9, 3}}, {{5, 3}, {5, 7}}, {{5, 3}, {2, 6}},
                                             {{7, 7}, {3, 2}}, {{0, 4}, {6, 5}}, {{3, 1}, {13, 4}}};
    for (const TPixelFormat format : {pf24bit, pf32bit}) {
        for (const auto& [from, to] : resizes) {
            SCOPED_TRACE(testing::Message() << (format == pf24bit ? "24" : "32") << "-bit " << from.W << "x"
                                            << from.H << " to " << to.W << "x" << to.H);
            TBitmap bmp(from.W, from.H, format);
            const int bpp = bmp.BytesPerPixel();
            const auto pattern = [](int x, int y, int channel) { return std::uint8_t(x * 16 + y * 4 + channel); };
            for (int y = 0; y < from.H; ++y)
                for (int x = 0; x < from.W; ++x)
                    for (int c = 0; c < bpp; ++c)
                        bmp.ScanLine(y)[x * bpp + c] = pattern(x, y, c);
            bmp.Canvas().BrushColor = 0x00C0B0A0; // blue C0, green B0, red A0
            bmp.SetSize(to.W, to.H);
            ASSERT_EQ(bmp.Width(), to.W);
            ASSERT_EQ(bmp.Height(), to.H);
            const std::uint8_t fill[] = {0xC0, 0xB0, 0xA0, 0};
            int wrong = 0;
            for (int y = 0; y < to.H; ++y)
                for (int x = 0; x < to.W; ++x)
                    for (int c = 0; c < bpp; ++c) {
                        const bool kept = x < from.W && y < from.H;
                        wrong += bmp.ScanLine(y)[x * bpp + c] != (kept ? pattern(x, y, c) : fill[c]);
                    }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(Bitmap, NewAreaIsWhiteWithoutCanvas)
{
    TBitmap bmp(1, 1, pf24bit);
    EXPECT_EQ(bmp.ScanLine(0)[0], 255);
    EXPECT_EQ(bmp.ScanLine(0)[2], 255);
    EXPECT_EQ(bmp.BytesPerLine(), 4);
}

TEST(Bitmap, To32BitKeepsColourAndClearsAlpha)
{
    TBitmap bmp(3, 1, pf24bit);
    bmp.ScanLine(0)[3] = 7;
    bmp.ScanLine(0)[4] = 8;
    bmp.ScanLine(0)[5] = 9;
    bmp.SetPixelFormat(pf32bit);
    const std::uint8_t* px = bmp.ScanLine(0) + 4;
    EXPECT_EQ(px[0], 7);
    EXPECT_EQ(px[1], 8);
    EXPECT_EQ(px[2], 9);
    EXPECT_EQ(px[3], 0);
}

TEST(Bitmap, RefusesOversizedPicturesBeforeAllocating)
{
    TBitmap bmp;
    EXPECT_THROW(bmp.SetSize(kMaxPictureSide + 1, 1), EPictureSize);
    EXPECT_THROW(bmp.SetSize(10000, 10000), EPictureSize);
    EXPECT_EQ(bmp.Width(), 0);
    EXPECT_NO_THROW(bmp.SetSize(kMaxPictureSide, 4096));
}

} // namespace
