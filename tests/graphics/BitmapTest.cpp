#include <gtest/gtest.h>

#include "AllocationFailure.h"
#include "Bitmap.h"

#include <new>
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

// Copy and move: a picture's size fields always describe the memory it holds,
// and a canvas always paints into the memory its own bitmap holds now.

constexpr TColor kInk = 0x000000FF; // red

// Every byte of every row (padding included) set from its position.
void fillPattern(TBitmap& bmp, int seed)
{
    for (int y = 0; y < bmp.Height(); ++y)
        for (int i = 0; i < bmp.BytesPerLine(); ++i)
            bmp.ScanLine(y)[i] = std::uint8_t(seed + y * 31 + i * 7);
}

// Bytes that differ from the pattern; the size must match the pattern's.
int patternMismatches(const TBitmap& bmp, int seed)
{
    int wrong = 0;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int i = 0; i < bmp.BytesPerLine(); ++i)
            wrong += bmp.ScanLine(y)[i] != std::uint8_t(seed + y * 31 + i * 7);
    return wrong;
}

// Starts a painting session, so the canvas holds a view of the memory.
void paintCorner(TBitmap& bmp)
{
    TCanvas& c = bmp.Canvas();
    c.BrushColor = kInk;
    c.FillRect(TRect(0, 0, 1, 1));
}

// Paints the bottom-right pixel and checks it landed in the bitmap's memory.
void expectPaintsIntoOwnMemory(TBitmap& bmp)
{
    const int x = bmp.Width() - 1, y = bmp.Height() - 1;
    bmp.Canvas().BrushColor = kInk;
    bmp.Canvas().FillRect(TRect(x, y, x + 1, y + 1));
    const std::uint8_t* px = bmp.ScanLine(y) + std::size_t(x) * std::size_t(bmp.BytesPerPixel());
    EXPECT_EQ(px[0], 0) << "blue";
    EXPECT_EQ(px[1], 0) << "green";
    EXPECT_EQ(px[2], 255) << "red";
}

TEST(BitmapCopy, FailedCopyLeavesThePictureAsItWas)
{
    TBitmap target(5, 3, pf24bit);
    paintCorner(target);
    fillPattern(target, 1);
    const TBitmap big(2048, 2048, pf32bit);
    {
        ScopedAllocationFailure noMemory(std::size_t(big.BytesPerLine()) * std::size_t(big.Height()));
        EXPECT_THROW(target = big, std::bad_alloc);
        EXPECT_EQ(noMemory.Refused(), 1);
    }
    ASSERT_EQ(target.Width(), 5);
    ASSERT_EQ(target.Height(), 3);
    ASSERT_EQ(target.PixelFormat(), pf24bit);
    ASSERT_EQ(target.BytesPerLine(), 16);
    EXPECT_EQ(patternMismatches(target, 1), 0);
    expectPaintsIntoOwnMemory(target);

    target = big;
    EXPECT_EQ(target.Width(), 2048);
    EXPECT_EQ(target.PixelFormat(), pf32bit);
    expectPaintsIntoOwnMemory(target);
}

TEST(BitmapCopy, CopyOntoAPictureWithACanvas)
{
    TBitmap source(7, 2, pf32bit);
    fillPattern(source, 3);
    TBitmap target(2, 9, pf24bit);
    paintCorner(target);
    target = source;
    ASSERT_EQ(target.Width(), 7);
    ASSERT_EQ(target.Height(), 2);
    ASSERT_EQ(target.BytesPerLine(), 28);
    EXPECT_EQ(patternMismatches(target, 3), 0);
    expectPaintsIntoOwnMemory(target);
    EXPECT_EQ(patternMismatches(source, 3), 0) << "the source is not drawn on";
}

TEST(BitmapCopy, SelfAssignmentKeepsEverything)
{
    TBitmap bmp(6, 5, pf24bit);
    paintCorner(bmp);
    fillPattern(bmp, 5);
    TBitmap& same = bmp;
    bmp = same;
    ASSERT_EQ(bmp.Width(), 6);
    ASSERT_EQ(bmp.BytesPerLine(), 20);
    EXPECT_EQ(patternMismatches(bmp, 5), 0);
    bmp = std::move(same);
    ASSERT_EQ(bmp.Width(), 6);
    ASSERT_EQ(bmp.Height(), 5);
    EXPECT_EQ(patternMismatches(bmp, 5), 0);
    expectPaintsIntoOwnMemory(bmp);
}

TEST(BitmapMove, ConstructionTakesThePixelsAndEmptiesTheSource)
{
    TBitmap source(9, 4, pf32bit);
    paintCorner(source);
    fillPattern(source, 7);
    const std::uint8_t* memory = source.ScanLine(0);
    TBitmap taken(std::move(source));
    ASSERT_EQ(taken.Width(), 9);
    ASSERT_EQ(taken.Height(), 4);
    ASSERT_EQ(taken.BytesPerLine(), 36);
    EXPECT_EQ(taken.ScanLine(0), memory) << "moved, not copied";
    EXPECT_EQ(patternMismatches(taken, 7), 0);
    EXPECT_FALSE(taken.HasCanvas()) << "a canvas stays with its bitmap";

    EXPECT_EQ(source.Width(), 0);
    EXPECT_EQ(source.Height(), 0);
    EXPECT_EQ(source.BytesPerLine(), 0);
    EXPECT_TRUE(source.Empty());
    source.Canvas().FillRect(TRect(0, 0, 9, 4)); // nothing to paint on
    EXPECT_EQ(source.Canvas().Pixel(0, 0), -1);
    source.SetSize(3, 2);
    expectPaintsIntoOwnMemory(source);
    EXPECT_EQ(patternMismatches(taken, 7), 0) << "the old canvas does not paint into moved memory";
}

TEST(BitmapMove, AssignmentBetweenPicturesWithCanvases)
{
    TBitmap source(4, 6, pf24bit);
    paintCorner(source);
    fillPattern(source, 9);
    const std::uint8_t* memory = source.ScanLine(0);
    TBitmap target(11, 2, pf32bit);
    paintCorner(target);
    target = std::move(source);
    ASSERT_EQ(target.Width(), 4);
    ASSERT_EQ(target.Height(), 6);
    ASSERT_EQ(target.PixelFormat(), pf24bit);
    ASSERT_EQ(target.BytesPerLine(), 12);
    EXPECT_EQ(target.ScanLine(0), memory) << "moved, not copied";
    EXPECT_EQ(patternMismatches(target, 9), 0);
    EXPECT_TRUE(source.Empty());
    EXPECT_EQ(source.BytesPerLine(), 0);
    source.Canvas().FillRect(TRect(0, 0, 4, 6));
    EXPECT_EQ(patternMismatches(target, 9), 0) << "the source's canvas lets go of the moved memory";
    expectPaintsIntoOwnMemory(target);
}

} // namespace
