// Vector row kernels. SSE2 is part of x86-64, so no run-time check is needed;
// AVX2 (FuncGraphicWorkPixelsAvx2.cpp) is used when the processor has it, and
// other targets use the scalar kernels. Every kernel must give exactly the
// bytes of its scalar twin: divisions by 255 use (x * 0x8081) >> 23, which is
// exact for every 16-bit x.

#include "FuncGraphicWorkPixelsKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace PixelKernels {

#if defined(__SSE2__)
namespace {

inline __m128i div255(__m128i x)
{
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(short(0x8081))), 7);
}

// The mode colour for eight 16-bit channels (two pixels); alpha lanes are
// computed too and discarded later.
template <TDrawType Mode>
inline __m128i modeColour(__m128i s, __m128i d)
{
    const __m128i c255 = _mm_set1_epi16(255);
    if constexpr (Mode == dtAdd)
        return _mm_min_epi16(_mm_add_epi16(s, d), c255);
    else if constexpr (Mode == dtSub)
        return _mm_subs_epu16(d, s);
    else if constexpr (Mode == dtMulti)
        return div255(_mm_mullo_epi16(d, s));
    else if constexpr (Mode == dtScreen)
        // 255d + 255s - ds == 65025 - (255 - d)(255 - s), always within 16 bits.
        return div255(_mm_sub_epi16(_mm_set1_epi16(short(65025)),
                                    _mm_mullo_epi16(_mm_sub_epi16(c255, d), _mm_sub_epi16(c255, s))));
    else if constexpr (Mode == dtWhite)
        return _mm_add_epi16(_mm_srli_epi16(s, 1), _mm_set1_epi16(128));
    else if constexpr (Mode == dtBlack)
        return _mm_srli_epi16(s, 1);
    else
        return s;
}

// ((255 - k) * d + k * m) div 255 for two pixels; equals m when k is 255.
template <TDrawType Mode>
inline __m128i blendHalf(__m128i s, __m128i d)
{
    const __m128i k = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m128i m = modeColour<Mode>(s, d);
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(255), k), d),
                                    _mm_mullo_epi16(k, m));
    return div255(x);
}

template <TDrawType Mode>
void blendRowSse2(std::uint8_t* dst, const std::uint8_t* src, int n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        const __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(sv, alphaMask), zero);
        if (_mm_movemask_epi8(keep) == 0xFFFF)
            continue; // four transparent source pixels: nothing to do
        if constexpr (Mode == dtAlpha) {
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sv, alphaMask), alphaMask)) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), sv); // four opaque pixels
                continue;
            }
        }
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 4 * i));
        const __m128i lo = blendHalf<Mode>(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
        const __m128i hi = blendHalf<Mode>(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
        const __m128i blended = _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask);
        const __m128i out = _mm_or_si128(_mm_and_si128(keep, dv), _mm_andnot_si128(keep, blended));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), out);
    }
    if (i < n)
        BlendRowScalar(Mode, dst + 4 * i, src + 4 * i, n - i);
}

void halveRowSse2(std::uint8_t* out, const std::uint8_t* r0, const std::uint8_t* r1, int outPixels)
{
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= outPixels; x += 4) {
        // Eight input pixels of each row give four output pixels; all loads
        // happen before the store, which may land on r0.
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 8 * x));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 8 * x + 16));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 8 * x));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 8 * x + 16));
        // Column sums of pixels 0,1 | 2,3 | 4,5 | 6,7.
        const __m128i p01 = _mm_add_epi16(_mm_unpacklo_epi8(a0, zero), _mm_unpacklo_epi8(b0, zero));
        const __m128i p23 = _mm_add_epi16(_mm_unpackhi_epi8(a0, zero), _mm_unpackhi_epi8(b0, zero));
        const __m128i p45 = _mm_add_epi16(_mm_unpacklo_epi8(a1, zero), _mm_unpacklo_epi8(b1, zero));
        const __m128i p67 = _mm_add_epi16(_mm_unpackhi_epi8(a1, zero), _mm_unpackhi_epi8(b1, zero));
        // Even pixels (0, 2 | 4, 6) plus odd pixels (1, 3 | 5, 7).
        const __m128i q0 = _mm_add_epi16(_mm_unpacklo_epi64(p01, p23), _mm_unpackhi_epi64(p01, p23));
        const __m128i q1 = _mm_add_epi16(_mm_unpacklo_epi64(p45, p67), _mm_unpackhi_epi64(p45, p67));
        const __m128i res = _mm_packus_epi16(_mm_srli_epi16(q0, 2), _mm_srli_epi16(q1, 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), res);
    }
    if (x < outPixels)
        HalveRowScalar(out + 4 * x, r0 + 8 * x, r1 + 8 * x, outPixels - x);
}

} // namespace

void BlendRow(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n)
{
    int done = 0;
    if (n >= 8 && HasAvx2())
        done = BlendRowAvx2(mode, dst, src, n);
    BlendRowSse2(mode, dst + 4 * done, src + 4 * done, n - done);
}

void BlendRowSse2(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n)
{
    switch (mode) {
    case dtAlpha:
    case dtNone: blendRowSse2<dtAlpha>(dst, src, n); break;
    case dtMulti: blendRowSse2<dtMulti>(dst, src, n); break;
    case dtAdd: blendRowSse2<dtAdd>(dst, src, n); break;
    case dtSub: blendRowSse2<dtSub>(dst, src, n); break;
    case dtScreen: blendRowSse2<dtScreen>(dst, src, n); break;
    case dtWhite: blendRowSse2<dtWhite>(dst, src, n); break;
    case dtBlack: blendRowSse2<dtBlack>(dst, src, n); break;
    default: BlendRowScalar(mode, dst, src, n); break;
    }
}

void HalveRow(std::uint8_t* out, const std::uint8_t* r0, const std::uint8_t* r1, int outPixels)
{
    halveRowSse2(out, r0, r1, outPixels);
}

#else

void BlendRow(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n)
{
    BlendRowScalar(mode, dst, src, n);
}

void BlendRowSse2(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n)
{
    BlendRowScalar(mode, dst, src, n);
}

void HalveRow(std::uint8_t* out, const std::uint8_t* r0, const std::uint8_t* r1, int outPixels)
{
    HalveRowScalar(out, r0, r1, outPixels);
}

#endif

} // namespace PixelKernels
