// OverDraw: clipping, and the scalar row kernels that define every mode.

#include "FuncGraphicWorkPixels.h"
#include "FuncGraphicWorkPixelsKernels.h"

#include <algorithm>
#include <cstring>

namespace PixelKernels {
namespace {

// The mode colour m of one channel, from source byte s and destination byte d.
template <TDrawType Mode>
inline int modeColour(int s, int d)
{
    if constexpr (Mode == dtAdd)
        return std::min(s + d, 255);
    else if constexpr (Mode == dtSub)
        return std::max(d - s, 0);
    else if constexpr (Mode == dtMulti)
        return d * s / 255;
    else if constexpr (Mode == dtDiv)
        return std::min(d * 255 / (s + 1), 255);
    else if constexpr (Mode == dtScreen)
        return (255 * d + 255 * s - d * s) / 255;
    else if constexpr (Mode == dtOverlay)
        // Signed division truncating toward zero, as C++ does.
        return d > 128 ? d + ((255 - d) * (s - 128)) / 128 : d + (d * (s - 128)) / 128;
    else if constexpr (Mode == dtWhite)
        return s / 2 + 128;
    else if constexpr (Mode == dtBlack)
        return s / 2;
    else // dtAlpha, dtNone
        return s;
}

template <TDrawType Mode>
void blendRow(std::uint8_t* d, const std::uint8_t* s, int n)
{
    for (int i = 0; i < n; ++i, d += 4, s += 4) {
        const int k = s[3];
        if (k == 0)
            continue; // the destination keeps its pixel, alpha included
        if (k == 255) {
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(modeColour<Mode>(s[c], d[c]));
        } else {
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(((255 - k) * d[c] + k * modeColour<Mode>(s[c], d[c])) / 255);
        }
        d[3] = 255;
    }
}

void alphaOverRow(std::uint8_t* d, const std::uint8_t* s, int n)
{
    for (int i = 0; i < n; ++i, d += 4, s += 4) {
        const int k = s[3];
        if (k == 0)
            continue;
        const int f = (255 - k) * d[3] / 255;
        const int sum = k + f; // >= 1 since k >= 1
        for (int c = 0; c < 3; ++c)
            d[c] = std::uint8_t((d[c] * f + s[c] * k) / sum);
        d[3] = std::uint8_t(sum);
    }
}

void layeredRow(std::uint8_t* d, const std::uint8_t* s, int n)
{
    for (int i = 0; i < n; ++i, d += 4, s += 4) {
        const int k = s[3];
        if (k == 0) {
            std::memset(d, 0, 4);
        } else if (k == 255) {
            std::memcpy(d, s, 4);
        } else {
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(s[c] * k / 255);
            d[3] = std::uint8_t(k);
        }
    }
}

} // namespace

void BlendRowScalar(TDrawType mode, std::uint8_t* dst, const std::uint8_t* src, int n)
{
    switch (mode) {
    case dtCopy:
        if (n > 0)
            std::memmove(dst, src, std::size_t(n) * 4);
        break;
    case dtLayered: layeredRow(dst, src, n); break;
    case dtAlphaOver: alphaOverRow(dst, src, n); break;
    case dtAdd: blendRow<dtAdd>(dst, src, n); break;
    case dtSub: blendRow<dtSub>(dst, src, n); break;
    case dtMulti: blendRow<dtMulti>(dst, src, n); break;
    case dtDiv: blendRow<dtDiv>(dst, src, n); break;
    case dtScreen: blendRow<dtScreen>(dst, src, n); break;
    case dtOverlay: blendRow<dtOverlay>(dst, src, n); break;
    case dtWhite: blendRow<dtWhite>(dst, src, n); break;
    case dtBlack: blendRow<dtBlack>(dst, src, n); break;
    case dtAlpha:
    case dtNone: blendRow<dtAlpha>(dst, src, n); break;
    }
}

void HalveRowScalar(std::uint8_t* out, const std::uint8_t* r0, const std::uint8_t* r1, int outPixels)
{
    for (int x = 0; x < outPixels; ++x) {
        const std::uint8_t* a = r0 + 8 * x;
        const std::uint8_t* b = r1 + 8 * x;
        for (int c = 0; c < 4; ++c)
            out[4 * x + c] = std::uint8_t((a[c] + a[4 + c] + b[c] + b[4 + c]) / 4);
    }
}

} // namespace PixelKernels

void OverDraw(int x, int y, TBitmap& destination, const TBitmap& source, TDrawType mode)
{
    if (source.Height() == 0 || destination.Height() == 0)
        return;
    // Only 32-bit rows can be addressed as four bytes per pixel; anything else
    // would be read or written past the row ends.
    if (source.PixelFormat() != pf32bit || destination.PixelFormat() != pf32bit)
        return;
    if (unsigned(mode) >= unsigned(kDrawTypeCount))
        return;
    int sx = 0;
    int sy = 0;
    if (x < 0) {
        sx = -std::int64_t(x) > source.Width() ? source.Width() : -x;
        x = 0;
    }
    if (y < 0) {
        sy = -std::int64_t(y) > source.Height() ? source.Height() : -y;
        y = 0;
    }
    // In 64 bits: x + cols may pass INT_MAX for a far-off position.
    std::int64_t cols = source.Width() - sx;
    std::int64_t rows = source.Height() - sy;
    cols = std::min<std::int64_t>(cols, std::int64_t(destination.Width()) - x);
    rows = std::min<std::int64_t>(rows, std::int64_t(destination.Height()) - y);
    if (cols <= 0 || rows <= 0)
        return;

    // Drawing a picture onto itself must follow the row-by-row, left-to-right
    // order exactly, which the vector kernels do not promise.
    const bool self = &destination == &source;
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* d = destination.ScanLine(y + r) + std::size_t(x) * 4;
        const std::uint8_t* s = source.ScanLine(sy + r) + std::size_t(sx) * 4;
        if (self)
            PixelKernels::BlendRowScalar(mode, d, s, int(cols));
        else
            PixelKernels::BlendRow(mode, d, s, int(cols));
    }
}
