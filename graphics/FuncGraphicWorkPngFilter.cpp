// Undoing the five PNG row filters. The scalar code is the reference; the
// SSE2 code (always present on x86-64) handles whole pixels of 3 and 4 bytes
// and whole 16-byte blocks of the Up filter, and must give the same bytes.
#include "FuncGraphicWorkPng.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#define POCOSA_PNG_SSE2 1
#endif

int PaethPredictor(int Left, int Up, int UpperLeft)
{
    const int p = Left + Up - UpperLeft;
    const int pa = std::abs(p - Left);
    const int pb = std::abs(p - Up);
    const int pc = std::abs(p - UpperLeft);
    if (pa <= pb && pa <= pc)
        return Left;
    if (pb <= pc)
        return Up;
    return UpperLeft;
}

namespace pngdetail {

namespace {

using Byte = std::uint8_t;

void unfilterSub(Byte* row, std::size_t length, std::size_t bpp)
{
    for (std::size_t i = bpp; i < length; ++i)
        row[i] = Byte(row[i] + row[i - bpp]);
}

void unfilterUp(Byte* row, const Byte* prev, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        row[i] = Byte(row[i] + prev[i]);
}

void unfilterAverage(Byte* row, const Byte* prev, std::size_t length, std::size_t bpp)
{
    const std::size_t head = bpp < length ? bpp : length;
    for (std::size_t i = 0; i < head; ++i)
        row[i] = Byte(row[i] + (prev[i] >> 1));
    for (std::size_t i = bpp; i < length; ++i)
        row[i] = Byte(row[i] + ((unsigned(row[i - bpp]) + prev[i]) >> 1));
}

// The Paeth choice without branches: same ties as PaethPredictor.
inline int paethFast(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bc = pb <= pc ? b : c;
    return (pa <= pb && pa <= pc) ? a : bc;
}

template <int (*Predict)(int, int, int)>
void unfilterPaeth(Byte* row, const Byte* prev, std::size_t length, std::size_t bpp)
{
    const std::size_t head = bpp < length ? bpp : length;
    // With Left and UpperLeft zero the predictor is Up.
    for (std::size_t i = 0; i < head; ++i)
        row[i] = Byte(row[i] + prev[i]);
    for (std::size_t i = bpp; i < length; ++i)
        row[i] = Byte(row[i] + Predict(row[i - bpp], prev[i], prev[i - bpp]));
}

// Distance 1 (grey, palette, depths below 8): the left byte is carried in a
// register instead of being read back from the row just written.
void subDistance1(Byte* row, std::size_t length)
{
    Byte left = 0;
    for (std::size_t i = 0; i < length; ++i)
        row[i] = left = Byte(row[i] + left);
}

void averageDistance1(Byte* row, const Byte* prev, std::size_t length)
{
    unsigned left = 0;
    for (std::size_t i = 0; i < length; ++i) {
        left = Byte(row[i] + ((left + prev[i]) >> 1));
        row[i] = Byte(left);
    }
}

void paethDistance1(Byte* row, const Byte* prev, std::size_t length)
{
    int left = 0, upperLeft = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int up = prev[i];
        left = Byte(row[i] + paethFast(left, up, upperLeft));
        row[i] = Byte(left);
        upperLeft = up;
    }
}

// True when the distance-1 code took the row.
bool unfilterDistance1(int filter, Byte* row, const Byte* prev, std::size_t length)
{
    switch (filter) {
    case 1:
        subDistance1(row, length);
        return true;
    case 3:
        averageDistance1(row, prev, length);
        return true;
    case 4:
        paethDistance1(row, prev, length);
        return true;
    default:
        return false;
    }
}

#ifdef POCOSA_PNG_SSE2

// Pixels of 3 or 4 bytes move through the low bytes of a vector. A 3-byte
// pixel that is not the row's last is loaded with 4 bytes (the fourth, the
// next pixel's, is masked off wherever it could reach a result) and stored
// with exactly its 3 bytes, so a load never overlaps the store before it and
// nothing outside the row is touched.
template <int Bpp, bool Exact>
inline __m128i loadPixel(const Byte* p)
{
    if constexpr (Bpp == 3 && Exact) {
        return _mm_cvtsi32_si128(int(unsigned(p[0]) | unsigned(p[1]) << 8 | unsigned(p[2]) << 16));
    } else {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return _mm_cvtsi32_si128(int(v));
    }
}

template <int Bpp>
inline void storePixel(Byte* p, __m128i v)
{
    const std::uint32_t x = std::uint32_t(_mm_cvtsi128_si32(v));
    if constexpr (Bpp == 3) {
        const std::uint16_t low = std::uint16_t(x);
        std::memcpy(p, &low, 2);
        p[2] = Byte(x >> 16);
    } else {
        std::memcpy(p, &x, 4);
    }
}

// The bytes of one pixel: a mask for values that must not spill into the
// fourth byte.
template <int Bpp>
inline __m128i pixelMask()
{
    return _mm_cvtsi32_si128(Bpp == 3 ? 0x00FFFFFF : -1);
}

// Calls step(i, exact) for the pixel at every byte offset i, exact being
// std::true_type where only the pixel's own bytes may be touched.
template <int Bpp, class Step>
inline void eachPixel(std::size_t length, Step&& step)
{
    std::size_t i = 0;
    if constexpr (Bpp == 3)
        for (; i + 4 <= length; i += 3)
            step(i, std::false_type{});
    for (; i + Bpp <= length; i += Bpp)
        step(i, std::true_type{});
}

void upSse2(Byte* row, const Byte* prev, std::size_t length)
{
    std::size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_add_epi8(r, p));
    }
    unfilterUp(row + i, prev + i, length - i);
}

template <int Bpp>
void subSse2(Byte* row, std::size_t length)
{
    const __m128i mask = pixelMask<Bpp>();
    __m128i a = _mm_setzero_si128();
    eachPixel<Bpp>(length, [&](std::size_t i, auto exact) {
        constexpr bool Exact = decltype(exact)::value;
        const __m128i d = _mm_add_epi8(loadPixel<Bpp, Exact>(row + i), a);
        storePixel<Bpp>(row + i, d);
        a = _mm_and_si128(d, mask);
    });
}

template <int Bpp>
void averageSse2(Byte* row, const Byte* prev, std::size_t length)
{
    const __m128i mask = pixelMask<Bpp>();
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    eachPixel<Bpp>(length, [&](std::size_t i, auto exact) {
        constexpr bool Exact = decltype(exact)::value;
        const __m128i b = _mm_and_si128(loadPixel<Bpp, Exact>(prev + i), mask);
        // avg_epu8 rounds up; take the carry bit back off to get (a + b) div 2.
        const __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        const __m128i d = _mm_add_epi8(loadPixel<Bpp, Exact>(row + i), avg);
        storePixel<Bpp>(row + i, d);
        a = _mm_and_si128(d, mask);
    });
}

inline __m128i abs16(__m128i x)
{
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

inline __m128i select16(__m128i mask, __m128i yes, __m128i no)
{
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <int Bpp>
void paethSse2(Byte* row, const Byte* prev, std::size_t length)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i mask = pixelMask<Bpp>();
    __m128i a = zero; // Left, widened to 16 bits
    __m128i c = zero; // UpperLeft, widened to 16 bits
    eachPixel<Bpp>(length, [&](std::size_t i, auto exact) {
        constexpr bool Exact = decltype(exact)::value;
        const __m128i b = _mm_unpacklo_epi8(_mm_and_si128(loadPixel<Bpp, Exact>(prev + i), mask), zero);
        // p - a = b - c, p - b = a - c, p - c = (b - c) + (a - c).
        const __m128i pbc = _mm_sub_epi16(b, c);
        const __m128i pac = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(pbc);
        const __m128i pb = abs16(pac);
        const __m128i pc = abs16(_mm_add_epi16(pbc, pac));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i pred = select16(_mm_cmpeq_epi16(pa, smallest), a,
                                      select16(_mm_cmpeq_epi16(pb, smallest), b, c));
        const __m128i d = _mm_add_epi8(loadPixel<Bpp, Exact>(row + i), _mm_packus_epi16(pred, pred));
        storePixel<Bpp>(row + i, d);
        a = _mm_unpacklo_epi8(_mm_and_si128(d, mask), zero);
        c = b;
    });
}

// True when the SSE2 path took the row.
bool unfilterSse2(int filter, Byte* row, const Byte* prev, std::size_t length, int bpp)
{
    if (filter == 2) {
        upSse2(row, prev, length);
        return true;
    }
    // The pixel loops need whole pixels: a row of this distance always has them.
    if ((bpp != 3 && bpp != 4) || length % std::size_t(bpp) != 0)
        return false;
    switch (filter) {
    case 1:
        bpp == 3 ? subSse2<3>(row, length) : subSse2<4>(row, length);
        return true;
    case 3:
        bpp == 3 ? averageSse2<3>(row, prev, length) : averageSse2<4>(row, prev, length);
        return true;
    case 4:
        bpp == 3 ? paethSse2<3>(row, prev, length) : paethSse2<4>(row, prev, length);
        return true;
    default:
        return false;
    }
}

#endif

} // namespace

void UnfilterRowScalar(int filter, std::uint8_t* row, const std::uint8_t* prev, std::size_t length, int bpp)
{
    const std::size_t d = std::size_t(bpp);
    switch (filter) {
    case 1:
        unfilterSub(row, length, d);
        break;
    case 2:
        unfilterUp(row, prev, length);
        break;
    case 3:
        unfilterAverage(row, prev, length, d);
        break;
    case 4:
        unfilterPaeth<PaethPredictor>(row, prev, length, d);
        break;
    default:
        break; // None, and unknown types: the row stays as stored
    }
}

void UnfilterRow(int filter, std::uint8_t* row, const std::uint8_t* prev, std::size_t length, int bpp)
{
#ifdef POCOSA_PNG_SSE2
    if (unfilterSse2(filter, row, prev, length, bpp))
        return;
#endif
    if (bpp == 1 && unfilterDistance1(filter, row, prev, length))
        return;
    if (filter == 4)
        unfilterPaeth<paethFast>(row, prev, length, std::size_t(bpp));
    else
        UnfilterRowScalar(filter, row, prev, length, bpp);
}

} // namespace pngdetail
