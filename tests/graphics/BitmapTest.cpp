#include <gtest/gtest.h>

#include "Bitmap.h"

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
