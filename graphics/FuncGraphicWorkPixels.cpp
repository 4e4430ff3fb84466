// Fills, keying, alpha ramps, halving, masks and colour helpers.

#include "FuncGraphicWorkPixels.h"
#include "FuncGraphicWorkPixelsKernels.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace {

bool usable32(const TBitmap& picture)
{
    return picture.PixelFormat() == pf32bit && !picture.Empty();
}

// A colour's channels as they stand in its bits; system colours are not resolved.
int redOf(TColor c) { return int(std::uint32_t(c) & 0xFF); }
int greenOf(TColor c) { return int((std::uint32_t(c) >> 8) & 0xFF); }
int blueOf(TColor c) { return int((std::uint32_t(c) >> 16) & 0xFF); }
TColor makeColour(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }

// trunc(numerator * 256 / denominator) for denominator in 1..2^26 without
// forming the product, which may not fit in 64 bits for extreme weights.
std::int64_t scaledQuotient(std::int64_t numerator, std::int64_t denominator)
{
    const bool negative = numerator < 0;
    // |numerator| stays far below 2^63: four weights of at most 2^31 times at most 2^26.
    const std::int64_t n = negative ? -numerator : numerator;
    const std::int64_t q = (n / denominator) * 256 + (n % denominator) * 256 / denominator;
    return negative ? -q : q;
}

} // namespace

void FillPixels32(TBitmap& picture, std::uint32_t value)
{
    if (picture.PixelFormat() != pf32bit)
        throw EBitmapFormat(
            QCoreApplication::translate("TBitmap", "32bitBmp以外を塗りつぶそうとしました").toStdString());
    const std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                   std::uint8_t(value >> 24)};
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x)
            std::memcpy(row + 4 * x, bytes, 4);
    }
}

void SetColor32(TBitmap& picture, TColor colour)
{
    if (!usable32(picture))
        return;
    const auto b = std::uint8_t(blueOf(colour)), g = std::uint8_t(greenOf(colour)), r = std::uint8_t(redOf(colour));
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x, p += 4) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

void MakeAlphaByColorKey(TBitmap& picture, std::uint8_t alpha)
{
    if (!usable32(picture))
        return;
    const std::uint8_t* first = picture.ScanLine(0);
    const std::uint8_t key[3] = {first[0], first[1], first[2]};
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x, p += 4)
            p[3] = (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) ? 0 : alpha;
    }
}

void SetAlpha32(TBitmap& picture, std::uint8_t alpha)
{
    if (!usable32(picture))
        return;
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x, p += 4)
            p[3] = alpha;
    }
}

void ScaleAlphaByCorners(TBitmap& picture, int topLeft, int topRight, int bottomLeft, int bottomRight)
{
    if (!usable32(picture))
        return;
    const std::int64_t w = picture.Width(), h = picture.Height();
    const std::int64_t area = w * h;
    for (std::int64_t y = 0; y < h; ++y) {
        std::uint8_t* p = picture.ScanLine(int(y));
        for (std::int64_t x = 0; x < w; ++x, p += 4) {
            const std::int64_t g = topLeft * (w - x) * (h - y) + topRight * x * (h - y) +
                                   bottomLeft * (w - x) * y + bottomRight * x * y;
            const std::int64_t f = scaledQuotient(g, area);
            // Weights above 256 or below 0 would wrap the byte; clamp instead.
            p[3] = std::uint8_t(std::clamp<std::int64_t>(p[3] * f / 65536, 0, 255));
        }
    }
}

void HalveBitmap32(TBitmap& picture)
{
    if (picture.Height() == 0 || picture.PixelFormat() != pf32bit)
        return;
    const int outWidth = picture.Width() / 2;
    const int outHeight = picture.Height() / 2;
    // Row y is written after rows 2y and 2y + 1 are read; rows above 2y are
    // already consumed, so the work can run in place from the top down.
    for (int y = 0; y < outHeight; ++y)
        PixelKernels::HalveRow(picture.ScanLine(y), picture.ScanLine(2 * y), picture.ScanLine(2 * y + 1), outWidth);
}

void PaintColorByMask(TBitmap& destination, const TBitmap& mask, TColor colour)
{
    if (destination.Height() == 0 || mask.Height() == 0)
        return;
    if (destination.PixelFormat() != pf32bit || mask.PixelFormat() != pf32bit)
        return;
    const int w = std::min(destination.Width(), mask.Width());
    const int h = std::min(destination.Height(), mask.Height());
    const int channel[3] = {blueOf(colour), greenOf(colour), redOf(colour)};
    for (int y = 0; y < h; ++y) {
        std::uint8_t* d = destination.ScanLine(y);
        const std::uint8_t* m = mask.ScanLine(y);
        for (int x = 0; x < w; ++x, d += 4, m += 4) {
            const int weight = m[0];
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(((255 - weight) * d[c] + channel[c] * weight) / 255);
            d[3] = 255;
        }
    }
}

void EmbossByMask(TBitmap& destination, const TBitmap& mask)
{
    if (destination.Height() == 0 || mask.Height() == 0)
        return;
    if (destination.PixelFormat() != pf32bit || mask.PixelFormat() != pf32bit)
        return;
    const int w = std::min(destination.Width(), mask.Width());
    const int h = std::min(destination.Height(), mask.Height());
    for (int y = 1; y < h - 1; ++y) {
        std::uint8_t* d = destination.ScanLine(y);
        const std::uint8_t* above = mask.ScanLine(y - 1);
        const std::uint8_t* row = mask.ScanLine(y);
        const std::uint8_t* below = mask.ScanLine(y + 1);
        for (int x = 1; x < w - 1; ++x) {
            const int shift = -row[4 * (x + 1)] / 5 - below[4 * x] / 4 + row[4 * (x - 1)] / 5 + above[4 * x] / 4;
            for (int c = 0; c < 3; ++c)
                d[4 * x + c] = std::uint8_t(std::clamp(d[4 * x + c] + shift, 0, 255));
        }
    }
}

TColor GrayedColor(TColor colour)
{
    const int v = (redOf(colour) + greenOf(colour) + blueOf(colour)) / 8 + 128;
    return makeColour(v, v, v);
}

TColor MixColor(TColor a, TColor b, int weight)
{
    const int w = std::clamp(weight, 0, 255);
    const auto mix = [w](int ca, int cb) { return (ca * w + cb * (255 - w)) / 255; };
    return makeColour(mix(redOf(a), redOf(b)), mix(greenOf(a), greenOf(b)), mix(blueOf(a), blueOf(b)));
}

TRect GetVisibleRect(const TBitmap& picture)
{
    const int w = picture.Width(), h = picture.Height();
    int left = w + 1, top = h + 1, right = -1, bottom = -1;
    if (w > 0 && h > 0) {
        const bool alpha = picture.PixelFormat() == pf32bit;
        const int bpp = picture.BytesPerPixel();
        const std::uint8_t* first = picture.ScanLine(0);
        const std::uint8_t key[3] = {first[0], first[1], first[2]};
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* p = picture.ScanLine(y);
            for (int x = 0; x < w; ++x, p += bpp) {
                const bool visible = alpha ? p[3] != 0 : (p[0] != key[0] || p[1] != key[1] || p[2] != key[2]);
                if (!visible)
                    continue;
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return TRect(0, 0, 0, 0);
    return TRect(left, top, right + 1, bottom + 1);
}

void DrawCornerLines(TCanvas& canvas, const TRect& rect, int x1, int y1, int x2, int y2)
{
    const int l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
    canvas.MoveTo(l + x1, t + y1);
    canvas.LineTo(l + x2, t + y2);
    canvas.MoveTo(r - x1, t + y1);
    canvas.LineTo(r - x2, t + y2);
    canvas.MoveTo(r - x1, b - y1);
    canvas.LineTo(r - x2, b - y2);
    canvas.MoveTo(l + x1, b - y1);
    canvas.LineTo(l + x2, b - y2);
}

void DrawFrameShape(TCanvas& canvas, const TRect& rect, int style)
{
    canvas.BrushStyle = TCanvas::bsClear;
    if (style == 0) {
        canvas.Rectangle(rect);
        return;
    }
    const int l = rect.Left, t = rect.Top, r = rect.Right - 1, b = rect.Bottom - 1;
    if (style >= 1 && style <= 3) {
        const int a = style;
        canvas.MoveTo(l + a, t);
        canvas.LineTo(r - a, t);
        canvas.LineTo(r, t + a);
        canvas.LineTo(r, b - a);
        canvas.LineTo(r - a, b);
        canvas.LineTo(l + a, b);
        canvas.LineTo(l, b - a);
        canvas.LineTo(l, t + a);
        canvas.LineTo(l + a, t);
    } else if (style == 4) {
        const TRect inner(l, t, r, b);
        DrawCornerLines(canvas, inner, 4, 0, (r - l + 2) / 2, 0);
        DrawCornerLines(canvas, inner, 0, 4, 0, (b - t + 2) / 2);
        DrawCornerLines(canvas, inner, 2, 1, 4, 1);
        DrawCornerLines(canvas, inner, 1, 2, 1, 4);
    } else {
        canvas.Rectangle(l, t, r, b);
    }
}
