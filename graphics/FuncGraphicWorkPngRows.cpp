// Unfiltered PNG rows into picture rows: blue, green, red (and alpha) per
// pixel. Every function writes exactly width pixels and reads exactly the
// row's bytes.
#include "FuncGraphicWorkPng.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#define POCOSA_PNG_SSE2 1
#endif

namespace pngdetail {

namespace {

using Byte = std::uint8_t;

inline void putBgr(Byte* dst, std::uint32_t bgr)
{
    dst[0] = Byte(bgr);
    dst[1] = Byte(bgr >> 8);
    dst[2] = Byte(bgr >> 16);
}

void indexed8(const Byte* src, Byte* dst, int width, const PngPalette& pal)
{
    // Four-byte stores overlap the next pixel, which is written afterwards;
    // the last pixel is written byte by byte so nothing lands past the row.
    int x = 0;
    for (; x + 1 < width; ++x)
        std::memcpy(dst + 3 * x, &pal.bgr[src[x]], 4);
    if (x < width)
        putBgr(dst + 3 * x, pal.bgr[src[x]]);
}

// Samples narrower than a byte: the leftmost pixel sits in the high bits.
template <int Depth>
void indexedPacked(const Byte* src, Byte* dst, int width, const PngPalette& pal)
{
    constexpr int perByte = 8 / Depth;
    constexpr unsigned mask = (1u << Depth) - 1;
    for (int x = 0; x < width; ++x) {
        const unsigned shift = unsigned(8 - Depth - (x % perByte) * Depth);
        putBgr(dst + 3 * x, pal.bgr[(src[x / perByte] >> shift) & mask]);
    }
}

void rgbScalar(const Byte* src, Byte* dst, int from, int width)
{
    for (int x = from; x < width; ++x) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
    }
}

void rgbaScalar(const Byte* src, Byte* dst, int from, int width)
{
    for (int x = from; x < width; ++x) {
        dst[4 * x] = src[4 * x + 2];
        dst[4 * x + 1] = src[4 * x + 1];
        dst[4 * x + 2] = src[4 * x];
        dst[4 * x + 3] = src[4 * x + 3];
    }
}

#ifdef POCOSA_PNG_SSE2

// Five pixels (15 bytes) per step through one 16-byte load and store; the
// 16th byte stored is rewritten by the next step, and the loop stops while a
// whole 16 bytes still lie inside both rows.
__attribute__((target("ssse3"))) int rgbSsse3(const Byte* src, Byte* dst, int width)
{
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int x = 0;
    for (; x + 6 <= width; x += 5) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm_shuffle_epi8(v, swap));
    }
    return x;
}

bool haveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

int rgbaSse2(const Byte* src, Byte* dst, int width)
{
    const __m128i keep = _mm_set1_epi32(int(0xFF00FF00u));
    const __m128i low = _mm_set1_epi32(0x000000FF);
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        const __m128i red = _mm_and_si128(v, low);
        const __m128i blue = _mm_and_si128(_mm_srli_epi32(v, 16), low);
        const __m128i out = _mm_or_si128(_mm_and_si128(v, keep), _mm_or_si128(blue, _mm_slli_epi32(red, 16)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), out);
    }
    return x;
}

#endif

} // namespace

void ConvertIndexedRow(const std::uint8_t* src, std::uint8_t* dst, int width, int bitDepth, const PngPalette& pal)
{
    switch (bitDepth) {
    case 1:
        indexedPacked<1>(src, dst, width, pal);
        break;
    case 2:
        indexedPacked<2>(src, dst, width, pal);
        break;
    case 4:
        indexedPacked<4>(src, dst, width, pal);
        break;
    default:
        indexed8(src, dst, width, pal);
        break;
    }
}

void ConvertRgbRow(const std::uint8_t* src, std::uint8_t* dst, int width)
{
    int done = 0;
#ifdef POCOSA_PNG_SSE2
    if (haveSsse3())
        done = rgbSsse3(src, dst, width);
#endif
    rgbScalar(src, dst, done, width);
}

void ConvertRgbaRow(const std::uint8_t* src, std::uint8_t* dst, int width)
{
    int done = 0;
#ifdef POCOSA_PNG_SSE2
    done = rgbaSse2(src, dst, width);
#endif
    rgbaScalar(src, dst, done, width);
}

void ConvertGreyAlphaRow(const std::uint8_t* src, std::uint8_t* dst, int width)
{
    for (int x = 0; x < width; ++x) {
        const Byte grey = src[2 * x];
        dst[4 * x] = grey;
        dst[4 * x + 1] = grey;
        dst[4 * x + 2] = grey;
        dst[4 * x + 3] = src[2 * x + 1];
    }
}

} // namespace pngdetail
