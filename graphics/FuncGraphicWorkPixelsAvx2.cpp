// AVX2 row kernels, eight pixels a step, chosen at run time when the
// processor has AVX2. Same arithmetic as the SSE2 kernels: 256-bit unpacks,
// shuffles and packs work per 128-bit lane, so the pixel order is kept.

#include "FuncGraphicWorkPixelsKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define POCOSA_AVX2 __attribute__((target("avx2")))

namespace PixelKernels {
namespace {

POCOSA_AVX2 inline __m256i div255x(__m256i x)
{
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(short(0x8081))), 7);
}

template <TDrawType Mode>
POCOSA_AVX2 inline __m256i modeColourx(__m256i s, __m256i d)
{
    const __m256i c255 = _mm256_set1_epi16(255);
    if constexpr (Mode == dtAdd)
        return _mm256_min_epi16(_mm256_add_epi16(s, d), c255);
    else if constexpr (Mode == dtSub)
        return _mm256_subs_epu16(d, s);
    else if constexpr (Mode == dtMulti)
        return div255x(_mm256_mullo_epi16(d, s));
    else if constexpr (Mode == dtScreen)
        return div255x(_mm256_sub_epi16(_mm256_set1_epi16(short(65025)),
                                        _mm256_mullo_epi16(_mm256_sub_epi16(c255, d), _mm256_sub_epi16(c255, s))));
    else if constexpr (Mode == dtWhite)
        return _mm256_add_epi16(_mm256_srli_epi16(s, 1), _mm256_set1_epi16(128));
    else if constexpr (Mode == dtBlack)
        return _mm256_srli_epi16(s, 1);
    else
        return s;
}

template <TDrawType Mode>
POCOSA_AVX2 inline __m256i blendHalfx(__m256i s, __m256i d)
{
    const __m256i k = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m256i m = modeColourx<Mode>(s, d);
    return div255x(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(_mm256_set1_epi16(255), k), d),
                                    _mm256_mullo_epi16(k, m)));
}

// Returns the number of pixels done (a multiple of eight).
template <TDrawType Mode>
POCOSA_AVX2 int blendRowAvx2(std::uint8_t* dst, const std::uint8_t* src, int n)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
        const __m256i keep = _mm256_cmpeq_epi32(_mm256_and_si256(sv, alphaMask), zero);
        const unsigned keepBits = unsigned(_mm256_movemask_epi8(keep));
        if (keepBits == 0xFFFFFFFFu)
            continue; // eight transparent source pixels
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + 4 * i));
        __m256i out;
        if constexpr (Mode == dtAlpha) {
            if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(sv, alphaMask), alphaMask)) == -1) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), sv); // eight opaque pixels
                continue;
            }
        }
        const __m256i lo = blendHalfx<Mode>(_mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi8(dv, zero));
        const __m256i hi = blendHalfx<Mode>(_mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi8(dv, zero));
        const __m256i blended = _mm256_or_si256(_mm256_packus_epi16(lo, hi), alphaMask);
        out = keepBits == 0 ? blended : _mm256_blendv_epi8(blended, dv, keep);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * i), out);
    }
    return i;
}

} // namespace

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

int BlendRowAvx2(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n)
{
    switch (mode) {
    case dtAlpha:
    case dtNone: return blendRowAvx2<dtAlpha>(dst, src, n);
    case dtMulti: return blendRowAvx2<dtMulti>(dst, src, n);
    case dtAdd: return blendRowAvx2<dtAdd>(dst, src, n);
    case dtSub: return blendRowAvx2<dtSub>(dst, src, n);
    case dtScreen: return blendRowAvx2<dtScreen>(dst, src, n);
    case dtWhite: return blendRowAvx2<dtWhite>(dst, src, n);
    case dtBlack: return blendRowAvx2<dtBlack>(dst, src, n);
    default: return 0;
    }
}

} // namespace PixelKernels

#else

namespace PixelKernels {

bool HasAvx2()
{
    return false;
}

int BlendRowAvx2(TDrawType, std::uint8_t*, const std::uint8_t*, int)
{
    return 0;
}

} // namespace PixelKernels

#endif
