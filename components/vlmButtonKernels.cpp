#include "vlmButtonKernels.h"

#include <algorithm>
#include <cstring>

namespace vlmbtn {

namespace {

inline std::uint32_t* Row(TBitmap& b, int y) { return reinterpret_cast<std::uint32_t*>(b.ScanLine(y)); }
inline const std::uint32_t* Row(const TBitmap& b, int y)
{
    return reinterpret_cast<const std::uint32_t*>(b.ScanLine(y));
}

// Sum of the 2 x 2 block at a pair of rows, kept as four byte lanes spread
// into 16-bit fields of a 64-bit word: blue, green, red, alpha at bits 0, 16, 32, 48.
inline std::uint64_t Spread(std::uint32_t p)
{
    std::uint64_t v = p;
    v = (v | (v << 16)) & 0x0000FFFF0000FFFFull;
    v = (v | (v << 8)) & 0x00FF00FF00FF00FFull;
    return v;
}

inline std::uint32_t Pack(std::uint64_t v)
{
    v &= 0x00FF00FF00FF00FFull;
    v = (v | (v >> 8)) & 0x0000FFFF0000FFFFull;
    v = (v | (v >> 16)) & 0x00000000FFFFFFFFull;
    return std::uint32_t(v);
}

inline std::uint8_t Clamp255(int v) { return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Mode colour of one channel for the modes that mix by the source alpha.
inline int ModeChannel(TDrawType mode, int s, int d)
{
    switch (mode) {
    case dtAdd: return std::min(s + d, 255);
    case dtSub: return std::max(d - s, 0);
    case dtMulti: return d * s / 255;
    case dtDiv: return std::min(d * 255 / (s + 1), 255);
    case dtScreen: return (255 * d + 255 * s - d * s) / 255;
    case dtOverlay: return d > 128 ? d + ((255 - d) * (s - 128)) / 128 : d + (d * (s - 128)) / 128;
    case dtWhite: return s / 2 + 128;
    case dtBlack: return s / 2;
    default: return s;
    }
}

inline std::uint32_t BlendPixel(std::uint32_t s, std::uint32_t d, TDrawType mode)
{
    const int k = int(s >> 24);
    if (mode == dtLayered) {
        if (k == 0)
            return 0;
        if (k == 255)
            return s;
        std::uint32_t out = std::uint32_t(k) << 24;
        for (int sh = 0; sh < 24; sh += 8)
            out |= (((s >> sh) & 0xFF) * std::uint32_t(k) / 255) << sh;
        return out;
    }
    if (mode == dtCopy)
        return s;
    if (k == 0)
        return d;
    if (mode == dtAlphaOver) {
        const int f = (255 - k) * int(d >> 24) / 255;
        std::uint32_t out = std::uint32_t(k + f) << 24;
        for (int sh = 0; sh < 24; sh += 8) {
            const int sc = int((s >> sh) & 0xFF), dc = int((d >> sh) & 0xFF);
            out |= std::uint32_t((dc * f + sc * k) / (k + f)) << sh;
        }
        return out;
    }
    std::uint32_t out = 0xFF000000u;
    for (int sh = 0; sh < 24; sh += 8) {
        const int sc = int((s >> sh) & 0xFF), dc = int((d >> sh) & 0xFF);
        const int m = ModeChannel(mode, sc, dc);
        const int v = k == 255 ? m : ((255 - k) * dc + k * m) / 255;
        out |= std::uint32_t(v) << sh;
    }
    return out;
}

inline std::uint32_t Mix(std::uint32_t d, std::uint32_t m, std::uint32_t c0, std::uint32_t c1, std::uint32_t c2)
{
    // m is the weight of the colour, 0..255.
    const std::uint32_t n = 255 - m;
    const std::uint32_t b = Div255(n * (d & 0xFF) + m * c0);
    const std::uint32_t g = Div255(n * ((d >> 8) & 0xFF) + m * c1);
    const std::uint32_t r = Div255(n * ((d >> 16) & 0xFF) + m * c2);
    return b | (g << 8) | (r << 16) | 0xFF000000u;
}

} // namespace

void BuildOverlayRamp(std::vector<std::uint8_t>& ramp, int width, int height)
{
    const std::int64_t w = width, h = height;
    ramp.assign(std::size_t(w * h), 0);
    if (w == 0 || h == 0)
        return;
    constexpr std::int64_t tl = 64, tr = 192, bl = 192, br = 255;
    for (std::int64_t y = 0; y < h; ++y) {
        for (std::int64_t x = 0; x < w; ++x) {
            const std::int64_t g = tl * (w - x) * (h - y) + tr * x * (h - y) + bl * (w - x) * y + br * x * y;
            const std::int64_t f = g * 256 / (w * h);
            ramp[std::size_t(y * w + x)] = std::uint8_t(255 * f / 65536);
        }
    }
}

void BlendOverlay(const TBitmap& work, const std::vector<std::uint8_t>& ramp, TBitmap& face, TDrawType mode)
{
    const int ww = work.Width();
    const int w = std::min(face.Width(), ww / 2), h = std::min(face.Height(), work.Height() / 2);
    if (w <= 0 || h <= 0)
        return;
    const std::uint32_t key = Row(work, 0)[0] & 0x00FFFFFFu;
    // Only these two modes write where the source is fully transparent.
    const bool skipClear = mode != dtCopy && mode != dtLayered;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* r0 = Row(work, 2 * y);
        const std::uint32_t* r1 = Row(work, 2 * y + 1);
        const std::uint8_t* a0 = ramp.data() + std::size_t(2 * y) * std::size_t(ww);
        const std::uint8_t* a1 = a0 + ww;
        std::uint32_t* d = Row(face, y);
        for (int x = 0; x < w; ++x) {
            const int i = 2 * x;
            const std::uint32_t p[4] = {r0[i] & 0x00FFFFFFu, r0[i + 1] & 0x00FFFFFFu, r1[i] & 0x00FFFFFFu,
                                        r1[i + 1] & 0x00FFFFFFu};
            if (skipClear && p[0] == key && p[1] == key && p[2] == key && p[3] == key)
                continue;
            const std::uint32_t alpha = (p[0] == key ? 0u : a0[i]) + (p[1] == key ? 0u : a0[i + 1]) +
                                        (p[2] == key ? 0u : a1[i]) + (p[3] == key ? 0u : a1[i + 1]);
            const std::uint64_t sum = Spread(p[0]) + Spread(p[1]) + Spread(p[2]) + Spread(p[3]);
            const std::uint32_t s = Pack(sum >> 2) | ((alpha / 4) << 24);
            d[x] = BlendPixel(s, d[x], mode);
        }
    }
}

void CopyKeyedHalf(const TBitmap& work, TBitmap& dest)
{
    const int w = std::min(dest.Width(), work.Width() / 2), h = std::min(dest.Height(), work.Height() / 2);
    if (w <= 0 || h <= 0)
        return;
    const std::uint32_t key = Row(work, 0)[0] & 0x00FFFFFFu;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* r0 = Row(work, 2 * y);
        const std::uint32_t* r1 = Row(work, 2 * y + 1);
        std::uint32_t* d = Row(dest, y);
        for (int x = 0; x < w; ++x) {
            const int i = 2 * x;
            std::uint64_t sum = 0;
            for (std::uint32_t q : {r0[i], r0[i + 1], r1[i], r1[i + 1]}) {
                q &= 0x00FFFFFFu;
                sum += Spread(q == key ? q : (q | 0xFF000000u));
            }
            d[x] = Pack(sum >> 2);
        }
    }
}

void HalveMask(const TBitmap& work, std::vector<std::uint8_t>& mask, int width, int height)
{
    mask.assign(std::size_t(width) * std::size_t(height), 0);
    const int w = std::min(width, work.Width() / 2), h = std::min(height, work.Height() / 2);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* r0 = work.ScanLine(2 * y);
        const std::uint8_t* r1 = work.ScanLine(2 * y + 1);
        std::uint8_t* m = mask.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < w; ++x)
            m[x] = std::uint8_t((r0[8 * x] + r0[8 * x + 4] + r1[8 * x] + r1[8 * x + 4]) >> 2);
    }
}

void QuarterMask(const TBitmap& work, std::vector<std::uint8_t>& mask, int width, int height)
{
    mask.assign(std::size_t(width) * std::size_t(height), 0);
    const int w = std::min(width, work.Width()), h = std::min(height, work.Height());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* r = work.ScanLine(y);
        std::uint8_t* m = mask.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < w; ++x)
            m[x] = r[4 * x];
    }
}

void EmbossByMask(TBitmap& face, const std::vector<std::uint8_t>& mask)
{
    const int w = face.Width(), h = face.Height();
    if (std::size_t(w) * std::size_t(h) > mask.size())
        return;
    for (int y = 1; y < h - 1; ++y) {
        const std::uint8_t* up = mask.data() + std::size_t(y - 1) * std::size_t(w);
        const std::uint8_t* mid = up + w;
        const std::uint8_t* down = mid + w;
        std::uint8_t* d = face.ScanLine(y);
        for (int x = 1; x < w - 1; ++x) {
            const int delta = mid[x - 1] / 5 + up[x] / 4 - mid[x + 1] / 5 - down[x] / 4;
            if (delta == 0)
                continue;
            std::uint8_t* p = d + 4 * x;
            p[0] = Clamp255(p[0] + delta);
            p[1] = Clamp255(p[1] + delta);
            p[2] = Clamp255(p[2] + delta);
        }
    }
}

void PaintColorByMask(TBitmap& face, const std::vector<std::uint8_t>& mask, TColor colour)
{
    const int w = face.Width(), h = face.Height();
    if (std::size_t(w) * std::size_t(h) > mask.size())
        return;
    const auto c = std::uint32_t(colour);
    const std::uint32_t c0 = (c >> 16) & 0xFF, c1 = (c >> 8) & 0xFF, c2 = c & 0xFF;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* m = mask.data() + std::size_t(y) * std::size_t(w);
        std::uint32_t* d = Row(face, y);
        for (int x = 0; x < w; ++x)
            d[x] = m[x] == 0 ? (d[x] | 0xFF000000u) : Mix(d[x], m[x], c0, c1, c2);
    }
}

void PaintColorByHalvedMask(TBitmap& face, const TBitmap& work, TColor colour)
{
    const int w = std::min(face.Width(), work.Width() / 2), h = std::min(face.Height(), work.Height() / 2);
    const auto c = std::uint32_t(colour);
    const std::uint32_t c0 = (c >> 16) & 0xFF, c1 = (c >> 8) & 0xFF, c2 = c & 0xFF;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* r0 = Row(work, 2 * y);
        const std::uint32_t* r1 = Row(work, 2 * y + 1);
        std::uint32_t* d = Row(face, y);
        for (int x = 0; x < w; ++x) {
            const int i = 2 * x;
            // Blue bytes only; most of a rim mask is black, so test that first.
            const std::uint32_t m = ((r0[i] & 0xFF) + (r0[i + 1] & 0xFF) + (r1[i] & 0xFF) + (r1[i + 1] & 0xFF)) >> 2;
            d[x] = m == 0 ? (d[x] | 0xFF000000u) : Mix(d[x], m, c0, c1, c2);
        }
    }
}

void CopyOut(const QImage& surface, int left, int top, TBitmap& dest, std::uint32_t fill)
{
    const int w = dest.Width(), h = dest.Height();
    const int x0 = std::max(0, -left), x1 = std::min(w, surface.width() - left);
    for (int y = 0; y < h; ++y) {
        std::uint32_t* d = Row(dest, y);
        const int sy = top + y;
        if (sy < 0 || sy >= surface.height() || x0 >= x1) {
            std::fill(d, d + w, fill);
            continue;
        }
        const auto* s = reinterpret_cast<const std::uint32_t*>(surface.constScanLine(sy));
        std::fill(d, d + x0, fill);
        std::memcpy(d + x0, s + left + x0, std::size_t(x1 - x0) * 4);
        std::fill(d + std::max(x0, x1), d + w, fill);
    }
}

void CopyIn(const TBitmap& face, QImage& surface, int left, int top)
{
    const int w = face.Width(), h = face.Height();
    const int x0 = std::max(0, -left), x1 = std::min(w, surface.width() - left);
    if (x0 >= x1)
        return;
    for (int y = std::max(0, -top); y < h && top + y < surface.height(); ++y) {
        auto* d = reinterpret_cast<std::uint32_t*>(surface.scanLine(top + y));
        std::memcpy(d + left + x0, Row(face, y) + x0, std::size_t(x1 - x0) * 4);
    }
}

} // namespace vlmbtn
