#pragma once

#include "FuncGraphicWorkPixels.h"

#include <cstdint>

// Row kernels behind OverDraw and HalveBitmap32. The vector versions give
// exactly the bytes of the scalar ones; both are exposed so that tests can
// hold one against the other.
namespace PixelKernels {

// One row of n pixels of source blended onto destination. The rows must not overlap.
void BlendRowScalar(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n);
void BlendRow(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n);
// The vector kernels on their own, so that each can be checked on any machine
// that runs it: the SSE2 one (scalar where SSE2 is missing), and the AVX2 one,
// which does a multiple of eight pixels (0 for modes it lacks) and returns how
// many. Call BlendRowAvx2 only when HasAvx2().
void BlendRowSse2(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n);
bool HasAvx2();
int BlendRowAvx2(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n);

// outPixels output pixels from rows r0 and r1 (2 * outPixels pixels each).
// out may be r0 itself: every output pixel lies at or before the pixels it
// still has to read.
void HalveRowScalar(std::uint8_t* out, const std::uint8_t* r0, const std::uint8_t* r1, int outPixels);
void HalveRow(std::uint8_t* out, const std::uint8_t* r0, const std::uint8_t* r1, int outPixels);

// x div 255 for 0 <= x <= 65535, without a division.
constexpr std::uint32_t Div255(std::uint32_t x)
{
    return (x * 0x8081u) >> 23;
}

} // namespace PixelKernels
