// The fast unfiltering and row conversion against byte-by-byte references.
#include <gtest/gtest.h>

#include "FuncGraphicWorkPng.h"

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PngFilter, PaethPredictorTies)
{
    struct Row {
        int a, b, c, expected;
    };
    const Row table[] = {
        {10, 10, 10, 10},  // all equal: Left
        {0, 255, 0, 255},  // p = 255: Up exactly
        {255, 0, 0, 255},  // p = 255: Left exactly
        {100, 120, 110, 110}, // pa = 10, pb = 10, pc = 0: UpperLeft
        {50, 60, 40, 60},  // pa = 20, pb = 10, pc = 30: Up
        {0, 10, 5, 5},     // pa = 5, pb = 5, pc = 0: UpperLeft
        {10, 20, 15, 15},  // pa = 5, pb = 5, pc = 0
        {10, 20, 25, 10},  // p = 5: pa = 5, pb = 15, pc = 20
        {20, 10, 15, 15},  // p = 15: pa = 5, pb = 5, pc = 0
        {3, 7, 5, 5},      // pa = 2, pb = 2, pc = 0
        {7, 3, 0, 7},      // p = 10: pa = 3, pb = 7, pc = 10
        {0, 0, 255, 0},    // p = -255: ties between Left and Up go to Left
    };
    for (const Row& r : table)
        EXPECT_EQ(PaethPredictor(r.a, r.b, r.c), r.expected) << r.a << "," << r.b << "," << r.c;
}

// Every filter type (and two unknown ones), every distance 1..8 and lengths
// that do and do not end on whole pixels, on random bytes.
TEST(PngFilter, FastUnfilterEqualsReference)
{
    std::mt19937 rng(12345);
    for (int filter : {0, 1, 2, 3, 4, 5, 255}) {
        for (int bpp = 1; bpp <= 8; ++bpp) {
            for (std::size_t length : {std::size_t(0), std::size_t(1), std::size_t(bpp), std::size_t(15),
                                       std::size_t(16), std::size_t(17), std::size_t(bpp * 37),
                                       std::size_t(bpp * 37 + 1), std::size_t(6000)}) {
                Bytes prev(length), row(length);
                for (auto& b : prev)
                    b = std::uint8_t(rng());
                for (auto& b : row)
                    b = std::uint8_t(rng());
                // Extreme rows too: carries and ties appear at 0 and 255.
                if (length % 3 == 0)
                    for (std::size_t i = 0; i < length; i += 2)
                        row[i] = prev[i] = (i & 4) ? 255 : 0;
                Bytes fast = row, reference = row;
                pngdetail::UnfilterRow(filter, fast.data(), prev.data(), length, bpp);
                pngdetail::UnfilterRowScalar(filter, reference.data(), prev.data(), length, bpp);
                EXPECT_EQ(fast, reference) << "filter " << filter << " bpp " << bpp << " length " << length;
            }
        }
    }
}

TEST(PngFilter, ScalarUnfilterFollowsTheDefinitions)
{
    // Distance 2, one row of 6 bytes, hand-computed.
    const Bytes prev = {10, 20, 30, 40, 250, 60};
    const Bytes row = {1, 2, 3, 4, 5, 6};
    struct Row {
        int filter;
        Bytes expected;
    };
    const Row table[] = {
        {0, {1, 2, 3, 4, 5, 6}},
        {1, {1, 2, 4, 6, 9, 12}},
        {2, {11, 22, 33, 44, 255, 66}},
        {3, {6, 12, 21, 30, 140, 51}}, // 1+10/2, 2+20/2, 3+(6+30)/2, 4+(12+40)/2, 5+(21+250)/2, 6+(30+60)/2
        {4, {11, 22, 33, 44, 255, 66}}, // Paeth picks Up here: the left column repeats the upper-left one
    };
    for (const Row& r : table) {
        Bytes out = row;
        pngdetail::UnfilterRowScalar(r.filter, out.data(), prev.data(), out.size(), 2);
        EXPECT_EQ(out, r.expected) << "filter " << r.filter;
    }
}

// Conversions write exactly the row's pixels: the guard bytes after them stay.
TEST(PngFilter, RowConversionsSwapChannelsWithinTheRow)
{
    std::mt19937 rng(99);
    for (int width : {1, 2, 5, 6, 7, 16, 17, 101}) {
        Bytes src(std::size_t(width) * 4);
        for (auto& b : src)
            b = std::uint8_t(rng());
        Bytes rgb(std::size_t(width) * 3 + 8, 0xEE), rgba(std::size_t(width) * 4 + 8, 0xEE);
        Bytes ga(std::size_t(width) * 4 + 8, 0xEE);
        pngdetail::ConvertRgbRow(src.data(), rgb.data(), width);
        pngdetail::ConvertRgbaRow(src.data(), rgba.data(), width);
        pngdetail::ConvertGreyAlphaRow(src.data(), ga.data(), width);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(x);
            ASSERT_EQ(rgb[3 * i], src[3 * i + 2]) << "rgb width " << width << " x " << x;
            ASSERT_EQ(rgb[3 * i + 1], src[3 * i + 1]) << "rgb width " << width << " x " << x;
            ASSERT_EQ(rgb[3 * i + 2], src[3 * i]) << "rgb width " << width << " x " << x;
            ASSERT_EQ(rgba[4 * i], src[4 * i + 2]) << "rgba width " << width << " x " << x;
            ASSERT_EQ(rgba[4 * i + 1], src[4 * i + 1]) << "rgba width " << width << " x " << x;
            ASSERT_EQ(rgba[4 * i + 2], src[4 * i]) << "rgba width " << width << " x " << x;
            ASSERT_EQ(rgba[4 * i + 3], src[4 * i + 3]) << "rgba width " << width << " x " << x;
            ASSERT_EQ(ga[4 * i], src[2 * i]) << "grey+alpha width " << width << " x " << x;
            ASSERT_EQ(ga[4 * i + 2], src[2 * i]) << "grey+alpha width " << width << " x " << x;
            ASSERT_EQ(ga[4 * i + 3], src[2 * i + 1]) << "grey+alpha width " << width << " x " << x;
        }
        EXPECT_EQ(rgb[std::size_t(width) * 3], 0xEE) << "rgb wrote past the row, width " << width;
        EXPECT_EQ(rgba[std::size_t(width) * 4], 0xEE) << "rgba wrote past the row, width " << width;
        EXPECT_EQ(ga[std::size_t(width) * 4], 0xEE) << "grey+alpha wrote past the row, width " << width;
    }
}

TEST(PngFilter, IndexedRowsStopAtTheLastPixel)
{
    pngdetail::PngPalette pal{};
    for (int i = 0; i < 256; ++i)
        pal.bgr[i] = std::uint32_t(i) * 0x010101u;
    const Bytes src = {0xE4, 0x1B, 0xFF, 0, 0, 0, 0, 0}; // 2-bit: 3 2 1 0 | 0 1 2 3
    for (int width : {1, 3, 5, 8}) {
        Bytes out(std::size_t(width) * 3 + 4, 0xEE);
        pngdetail::ConvertIndexedRow(src.data(), out.data(), width, 2, pal);
        const int expected[8] = {3, 2, 1, 0, 0, 1, 2, 3};
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(out[std::size_t(x) * 3 + 1], expected[x]) << "width " << width << " x " << x;
        EXPECT_EQ(out[std::size_t(width) * 3], 0xEE) << "2-bit wrote past the row, width " << width;
        Bytes out8(std::size_t(width) * 3 + 4, 0xEE);
        pngdetail::ConvertIndexedRow(src.data(), out8.data(), width, 8, pal);
        EXPECT_EQ(out8[std::size_t(width) * 3], 0xEE) << "8-bit wrote past the row, width " << width;
    }
}

} // namespace
