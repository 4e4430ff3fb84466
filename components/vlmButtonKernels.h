#pragma once

// Pixel loops of the face renderer. Each one fuses the steps that a layer
// would otherwise run as separate passes over the 2W x 2H work bitmap
// (keying, alpha ramp, 2:1 halving, blending), so a layer reads the work
// bitmap once and writes the W x H face once. All pictures are 32-bit,
// bytes blue, green, red, alpha; masks are one weight byte per face pixel.

#include "Bitmap.h"
#include "vlmButton.h"

#include <cstdint>
#include <vector>

namespace vlmbtn {

// x div 255, exact for 0 <= x <= 255 * 255.
inline std::uint32_t Div255(std::uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// ramp[i] = alpha 255 scaled by the bilinear corner ramp (64, 192, 192, 255
// of 256) at work pixel i; depends only on the work bitmap's size.
void BuildOverlayRamp(std::vector<std::uint8_t>& ramp, int width, int height);

// The overlay: every work pixel in the colour of pixel (0, 0) becomes
// transparent, the others take the ramp's alpha; each 2 x 2 block is
// averaged and the result drawn onto the face with the blend mode.
void BlendOverlay(const TBitmap& work, const std::vector<std::uint8_t>& ramp, TBitmap& face, TDrawType mode);

// The base face: keyed by the colour of pixel (0, 0) (alpha 0 or 255),
// halved, and copied over the whole of the destination, all four bytes.
void CopyKeyedHalf(const TBitmap& work, TBitmap& dest);

// mask := the 2 x 2 average of the work bitmap's blue bytes (W x H).
void HalveMask(const TBitmap& work, std::vector<std::uint8_t>& mask, int width, int height);
// mask := the blue bytes of the work bitmap's top-left W x H.
void QuarterMask(const TBitmap& work, std::vector<std::uint8_t>& mask, int width, int height);

// Relief from the mask's neighbours on every face pixel but the outermost
// rows and columns: + m(x-1,y)/5 + m(x,y-1)/4 - m(x+1,y)/5 - m(x,y+1)/4, clamped.
void EmbossByMask(TBitmap& face, const std::vector<std::uint8_t>& mask);
// Each colour byte := ((255 - m) * byte + m * colour byte) div 255; alpha := 255.
void PaintColorByMask(TBitmap& face, const std::vector<std::uint8_t>& mask, TColor colour);
// Halves the work bitmap's blue bytes and paints the colour through them in one pass.
void PaintColorByHalvedMask(TBitmap& face, const TBitmap& work, TColor colour);

// Copies the rectangle (left, top, dest's size) of a 32-bit surface into
// dest; what lies outside the surface takes the fill value.
void CopyOut(const QImage& surface, int left, int top, TBitmap& dest, std::uint32_t fill);
// Copies the face onto a 32-bit surface at (left, top), cut to the surface.
void CopyIn(const TBitmap& face, QImage& surface, int left, int top);

// The colour as pixel bytes (blue, green, red) with the given alpha.
inline std::uint32_t PixelOf(TColor c, std::uint8_t alpha)
{
    const auto u = std::uint32_t(c);
    return ((u >> 16) & 0xFF) | (u & 0xFF00) | ((u & 0xFF) << 16) | (std::uint32_t(alpha) << 24);
}

} // namespace vlmbtn
