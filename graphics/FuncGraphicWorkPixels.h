#pragma once

#include "Bitmap.h"

#include <QSize>

#include <cstdint>
#include <stdexcept>

// Pixel operations on 32-bit pictures (bytes blue, green, red, alpha per
// pixel, straight alpha, row 0 on top). All work in place on the pictures
// passed in, use integer arithmetic only and keep no state between calls.

// Blend modes of OverDraw; the values are stored by callers, keep the order.
enum TDrawType : std::uint8_t {
    dtAlpha,     // source over destination, weighted by source alpha
    dtCopy,      // all four source bytes, whatever the alpha
    dtAdd,       // add, capped at 255
    dtSub,       // destination minus source, floored at 0
    dtMulti,     // multiply
    dtDiv,       // destination divided by source
    dtScreen,
    dtOverlay,
    dtWhite,     // source at half strength, lifted by 128
    dtBlack,     // source at half strength
    dtNone,      // same as dtAlpha
    dtLayered,   // premultiplied copy for a per-pixel-alpha window
    dtAlphaOver, // source over a destination that has its own alpha
};
inline constexpr int kDrawTypeCount = 13;

// Raised by FillPixels32 on a picture that is not 32-bit.
class EBitmapFormat : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every pixel := value (byte 0 = low byte). Throws EBitmapFormat unless 32-bit.
void FillPixels32(TBitmap& picture, std::uint32_t value);

// The next four do nothing unless the picture is 32-bit and not empty.
// Blue, green, red := the colour's bits as they stand (system colours are not
// resolved); alpha kept.
void SetColor32(TBitmap& picture, TColor colour);
// Alpha := 0 where blue, green and red equal pixel (0, 0)'s (that pixel
// included), else alpha.
void MakeAlphaByColorKey(TBitmap& picture, std::uint8_t alpha);
void SetAlpha32(TBitmap& picture, std::uint8_t alpha);
// Scales alpha by a bilinear ramp between the corner points (0, 0), (W, 0),
// (0, H), (W, H); a weight of 256 keeps the alpha. Results are clamped to 0..255.
void ScaleAlphaByCorners(TBitmap& picture, int topLeft, int topRight, int bottomLeft, int bottomRight);

// Draws source onto destination with its top-left corner at (x, y), cut to the
// destination. Both must be 32-bit; other pictures are left alone.
void OverDraw(int x, int y, TBitmap& destination, const TBitmap& source, TDrawType mode);

// 2 x 2 box average (truncating) of all four bytes into the top-left quarter,
// in place; the size is kept and an odd last column or row is ignored.
void HalveBitmap32(TBitmap& picture);

// Scales a picture larger than limit down to fit in it, its aspect ratio
// kept, each new pixel the average of the area it covers; a picture that
// fits (or an empty limit) is left alone. Colours are weighted by alpha, so
// transparent pixels do not tint the edges. A 24-bit picture becomes 32-bit,
// keyed as MakeAlphaByColorKey(picture, 255) keys it, so that its outline
// stays as sharp as the window's shape needs.
void ShrinkToFit(TBitmap& picture, QSize limit);

// Over the common area, mixes colour into the destination with the mask's
// blue byte as weight; alpha := 255.
void PaintColorByMask(TBitmap& destination, const TBitmap& mask, TColor colour);
// Lightens where the mask has ink above or left of a pixel, darkens where it
// has ink below or right; the outermost rows and columns are not touched.
void EmbossByMask(TBitmap& destination, const TBitmap& mask);

// A light grey, (red + green + blue) div 8 + 128 in every channel.
TColor GrayedColor(TColor colour);
// Per channel (a * weight + b * (255 - weight)) div 255; weight is clamped to 0..255.
TColor MixColor(TColor a, TColor b, int weight);

// Bounding box (right/bottom exclusive) of the pixels with alpha != 0 (32-bit)
// or a colour other than pixel (0, 0)'s (24-bit); (0, 0, 0, 0) if none.
TRect GetVisibleRect(const TBitmap& picture);

// Outline with the canvas's pen and a clear brush: style 0 a plain rectangle,
// 1..3 corners cut by that many pixels, 4 rounded corners of radius 4; the lines
// lie on the rectangle's last pixels.
void DrawFrameShape(TCanvas& canvas, const TRect& rect, int style);
// The segment (x1, y1)-(x2, y2), relative to the corner, mirrored into all
// four corners of rect.
void DrawCornerLines(TCanvas& canvas, const TRect& rect, int x1, int y1, int x2, int y2);
