#include <gtest/gtest.h>

#include "FuncGraphicWorkPixels.h"
#include "FuncGraphicWorkPixelsKernels.h"

#include <array>
#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

using Px = std::array<int, 4>; // blue, green, red, alpha

std::string show(const Px& p)
{
    return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ", " +
           std::to_string(p[3]) + ")";
}

TBitmap onePixel(const Px& p)
{
    TBitmap bmp(1, 1, pf32bit);
    for (int c = 0; c < 4; ++c)
        bmp.ScanLine(0)[c] = std::uint8_t(p[c]);
    return bmp;
}

Px pixelOf(const TBitmap& bmp, int x, int y)
{
    const std::uint8_t* p = bmp.ScanLine(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

// Each mode's formula on chosen pixels, worked out by hand from the mode table.
TEST(OverDraw, ModeFormulas)
{
    struct Row {
        const char* name;
        TDrawType mode;
        Px src, dst, expected;
    };
    const Row rows[] = {
        {"alpha opaque", dtAlpha, {10, 128, 255, 255}, {200, 0, 50, 7}, {10, 128, 255, 255}},
        {"alpha transparent keeps alpha", dtAlpha, {10, 20, 30, 0}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"alpha half", dtAlpha, {255, 0, 128, 128}, {0, 255, 128, 9}, {128, 127, 128, 255}},
        {"none is alpha", dtNone, {255, 0, 128, 128}, {0, 255, 128, 9}, {128, 127, 128, 255}},
        {"copy takes alpha 0 too", dtCopy, {1, 2, 3, 0}, {9, 9, 9, 9}, {1, 2, 3, 0}},
        {"copy opaque", dtCopy, {0, 128, 255, 255}, {9, 9, 9, 9}, {0, 128, 255, 255}},
        {"add capped", dtAdd, {0, 128, 200, 255}, {7, 100, 100, 0}, {7, 228, 255, 255}},
        {"add half", dtAdd, {100, 0, 0, 128}, {100, 0, 0, 0}, {150, 0, 0, 255}},
        {"sub floored", dtSub, {0, 128, 255, 255}, {128, 128, 128, 50}, {128, 0, 0, 255}},
        {"multi opaque", dtMulti, {0, 128, 255, 255}, {255, 255, 128, 0}, {0, 128, 128, 255}},
        {"multi 128 by 128", dtMulti, {128, 128, 128, 255}, {128, 255, 0, 1}, {64, 128, 0, 255}},
        {"multi half", dtMulti, {128, 0, 255, 128}, {200, 200, 200, 0}, {149, 99, 200, 255}},
        {"multi transparent", dtMulti, {0, 0, 0, 0}, {200, 100, 50, 25}, {200, 100, 50, 25}},
        {"div", dtDiv, {0, 128, 255, 255}, {1, 128, 255, 0}, {255, 253, 254, 255}},
        {"div by source 0", dtDiv, {0, 0, 0, 255}, {0, 1, 128, 0}, {0, 255, 255, 255}},
        {"screen", dtScreen, {0, 128, 255, 255}, {128, 128, 10, 0}, {128, 191, 255, 255}},
        {"overlay at 128 gives source", dtOverlay, {0, 128, 255, 255}, {128, 128, 128, 0}, {0, 128, 255, 255}},
        {"overlay upper branch", dtOverlay, {0, 255, 128, 255}, {200, 200, 200, 0}, {145, 254, 200, 255}},
        {"overlay truncates toward zero", dtOverlay, {1, 0, 0, 255}, {100, 255, 0, 0}, {1, 255, 0, 255}},
        {"white", dtWhite, {0, 128, 255, 255}, {50, 50, 50, 0}, {128, 192, 255, 255}},
        {"white half on black", dtWhite, {0, 0, 0, 128}, {0, 0, 0, 0}, {64, 64, 64, 255}},
        {"black", dtBlack, {0, 128, 255, 255}, {50, 50, 50, 0}, {0, 64, 127, 255}},
        {"layered half of 255 is 128", dtLayered, {255, 255, 255, 128}, {9, 9, 9, 9}, {128, 128, 128, 128}},
        {"layered transparent clears", dtLayered, {10, 20, 30, 0}, {9, 9, 9, 9}, {0, 0, 0, 0}},
        {"layered opaque copies", dtLayered, {10, 20, 30, 255}, {9, 9, 9, 9}, {10, 20, 30, 255}},
        {"layered premultiplies", dtLayered, {100, 200, 0, 64}, {9, 9, 9, 9}, {25, 50, 0, 64}},
        {"alpha over transparent", dtAlphaOver, {10, 20, 30, 100}, {200, 200, 200, 0}, {10, 20, 30, 100}},
        {"alpha over opaque", dtAlphaOver, {0, 0, 255, 128}, {255, 0, 0, 255}, {127, 0, 128, 255}},
        {"alpha over half", dtAlphaOver, {255, 255, 255, 51}, {0, 0, 0, 102}, {98, 98, 98, 132}},
        {"alpha over source 0", dtAlphaOver, {255, 255, 255, 0}, {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        TBitmap dst = onePixel(row.dst);
        OverDraw(0, 0, dst, onePixel(row.src), row.mode);
        EXPECT_EQ(show(pixelOf(dst, 0, 0)), show(row.expected)) << row.name;
    }
}

// Source pixel (x, y) carries the marker x + 10 * y + 1 in blue; everything
// else is 0, so a destination pixel shows which source pixel landed on it.
TEST(OverDraw, ClipsToTheDestination)
{
    struct Row {
        const char* name;
        int x, y;
    };
    const Row rows[] = {
        {"inside", 0, 0},        {"right part", 2, 1},       {"negative x", -1, 0},
        {"negative y", 0, -1},   {"both negative", -2, -1},  {"beyond right", 5, 0},
        {"beyond bottom", 0, 4}, {"far left", -3, 0},        {"far above", 0, -2},
        {"huge negative", INT_MIN, INT_MIN}, {"huge positive", INT_MAX, INT_MAX}, {"edge", 4, 3},
    };
    TBitmap src(3, 2, pf32bit);
    FillPixels32(src, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            src.ScanLine(y)[4 * x] = std::uint8_t(x + 10 * y + 1);
    for (const Row& row : rows) {
        TBitmap dst(5, 4, pf32bit);
        FillPixels32(dst, 0);
        OverDraw(row.x, row.y, dst, src, dtCopy);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const long long sx = (long long)x - row.x, sy = (long long)y - row.y;
                const int expected = (sx >= 0 && sx < 3 && sy >= 0 && sy < 2) ? int(sx + 10 * sy + 1) : 0;
                EXPECT_EQ(dst.ScanLine(y)[4 * x], expected) << row.name << " at " << x << "," << y;
            }
    }
}

TEST(OverDraw, EmptyAndNon32BitPicturesAreLeftAlone)
{
    TBitmap dst(4, 4, pf32bit);
    FillPixels32(dst, 0x01020304);
    const TBitmap before = dst;
    const auto unchanged = [&] { return std::equal(dst.ScanLine(0), dst.ScanLine(0) + 64, before.ScanLine(0)); };

    OverDraw(0, 0, dst, TBitmap(0, 0, pf32bit), dtCopy);
    OverDraw(0, 0, dst, TBitmap(3, 0, pf32bit), dtCopy);
    OverDraw(0, 0, dst, TBitmap(0, 3, pf32bit), dtCopy);
    EXPECT_TRUE(unchanged()) << "empty source";
    // A 24-bit row is shorter than four bytes a pixel: it must not be read as 32-bit.
    OverDraw(0, 0, dst, TBitmap(4, 4, pf24bit), dtCopy);
    EXPECT_TRUE(unchanged()) << "24-bit source";
    TBitmap dst24(1, 1, pf24bit);
    OverDraw(0, 0, dst24, dst, dtCopy);
    EXPECT_EQ(dst24.ScanLine(0)[0], 255) << "24-bit destination";
    TBitmap none;
    OverDraw(0, 0, none, dst, dtAlpha);
    EXPECT_TRUE(none.Empty());
}

TEST(OverDraw, OntoItselfFollowsRowOrder)
{
    TBitmap bmp(4, 1, pf32bit);
    for (int x = 0; x < 4; ++x) {
        std::uint8_t* p = bmp.ScanLine(0) + 4 * x;
        p[0] = p[1] = p[2] = std::uint8_t(10 * (x + 1));
        p[3] = 255;
    }
    // Each pixel adds its left neighbour as that neighbour is at that moment.
    OverDraw(1, 0, bmp, bmp, dtAdd);
    EXPECT_EQ(show(pixelOf(bmp, 3, 0)), show({100, 100, 100, 255}));
}

TEST(PixelKernels, Div255IsExactForEverySixteenBitValue)
{
    for (std::uint32_t x = 0; x <= 65535; ++x)
        ASSERT_EQ(PixelKernels::Div255(x), x / 255) << x;
}

std::vector<std::uint8_t> randomPixels(std::mt19937& rng, int n)
{
    std::vector<std::uint8_t> v(std::size_t(n) * 4);
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 3);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c)
            v[4 * i + c] = std::uint8_t(byte(rng));
        // Alpha 0 and 255 take their own branches; give them their share.
        // Runs of equal alpha let the all-transparent and all-opaque shortcuts fire.
        const int k = (i / 8) % 5 == 4 ? 0 : (i / 8) % 5 == 3 ? 1 : kind(rng);
        v[4 * i + 3] = std::uint8_t(k == 0 ? 0 : k == 1 ? 255 : byte(rng));
    }
    return v;
}

// Every vector kernel this machine can run, each finishing the row the way
// BlendRow does.
struct Kernel {
    const char* name;
    void (*blend)(TDrawType, std::uint8_t*, const std::uint8_t*, int);
};

std::vector<Kernel> vectorKernels()
{
    std::vector<Kernel> kernels = {{"dispatch", PixelKernels::BlendRow}, {"sse2", PixelKernels::BlendRowSse2}};
    if (PixelKernels::HasAvx2())
        kernels.push_back({"avx2", [](TDrawType mode, std::uint8_t* d, const std::uint8_t* s, int n) {
                               const int done = PixelKernels::BlendRowAvx2(mode, d, s, n);
                               PixelKernels::BlendRowScalar(mode, d + 4 * done, s + 4 * done, n - done);
                           }});
    return kernels;
}

TEST(PixelKernels, VectorBlendEqualsScalarForEveryMode)
{
    std::mt19937 rng(4242);
    for (int mode = 0; mode < kDrawTypeCount; ++mode) {
        for (int n : {0, 1, 3, 4, 5, 7, 8, 15, 16, 17, 31, 33, 257}) {
            const std::vector<std::uint8_t> src = randomPixels(rng, n), dst = randomPixels(rng, n);
            std::vector<std::uint8_t> scalar = dst;
            PixelKernels::BlendRowScalar(TDrawType(mode), scalar.data(), src.data(), n);
            for (const Kernel& kernel : vectorKernels()) {
                std::vector<std::uint8_t> vector = dst;
                kernel.blend(TDrawType(mode), vector.data(), src.data(), n);
                ASSERT_EQ(scalar, vector) << kernel.name << ", mode " << mode << ", " << n << " pixels";
            }
        }
    }
}

TEST(PixelKernels, VectorBlendEqualsScalarOnEveryByteCombination)
{
    // Every (source, destination) byte pair for a spread of alphas; both the
    // blend and the mode colour must match the scalar formula exactly.
    const TDrawType modes[] = {dtAlpha, dtMulti, dtAdd, dtSub, dtScreen, dtWhite, dtBlack};
    std::vector<std::uint8_t> src(256 * 256 * 4), dst(256 * 256 * 4);
    for (int k : {1, 2, 64, 127, 128, 129, 200, 254, 255}) {
        for (int s = 0; s < 256; ++s)
            for (int d = 0; d < 256; ++d) {
                const std::size_t i = std::size_t(s * 256 + d) * 4;
                src[i] = src[i + 1] = src[i + 2] = std::uint8_t(s);
                src[i + 3] = std::uint8_t(k);
                dst[i] = dst[i + 1] = dst[i + 2] = std::uint8_t(d);
                dst[i + 3] = std::uint8_t(d ^ 0x5A);
            }
        for (TDrawType mode : modes) {
            std::vector<std::uint8_t> scalar = dst;
            PixelKernels::BlendRowScalar(mode, scalar.data(), src.data(), 256 * 256);
            for (const Kernel& kernel : vectorKernels()) {
                std::vector<std::uint8_t> vector = dst;
                kernel.blend(mode, vector.data(), src.data(), 256 * 256);
                ASSERT_EQ(scalar, vector) << kernel.name << ", mode " << int(mode) << ", alpha " << k;
            }
        }
    }
}

TEST(PixelKernels, VectorHalveEqualsScalarAlsoInPlace)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int out : {0, 1, 2, 3, 4, 5, 8, 9, 13, 64, 65}) {
        std::vector<std::uint8_t> r0(std::size_t(out) * 8 + 4), r1(r0.size());
        for (auto& b : r0)
            b = std::uint8_t(byte(rng));
        for (auto& b : r1)
            b = std::uint8_t(byte(rng));
        std::vector<std::uint8_t> scalar(std::size_t(out) * 4), vector(scalar.size());
        PixelKernels::HalveRowScalar(scalar.data(), r0.data(), r1.data(), out);
        PixelKernels::HalveRow(vector.data(), r0.data(), r1.data(), out);
        ASSERT_EQ(scalar, vector) << out;
        PixelKernels::HalveRow(r0.data(), r0.data(), r1.data(), out);
        ASSERT_TRUE(std::equal(scalar.begin(), scalar.end(), r0.begin())) << "in place, " << out;
    }
}

} // namespace
