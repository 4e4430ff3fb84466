// Scaling a picture down by area averaging.

#include "FuncGraphicWorkPixels.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The source pixels one output pixel covers along one axis, with the length
// each shares with it, in units of 1 / outSize source pixel: the lengths of
// an output pixel add up to inSize.
struct Span {
    int first = 0;
    std::vector<int> weights;
};

std::vector<Span> Spans(int inSize, int outSize)
{
    std::vector<Span> spans(std::size_t(outSize), Span{});
    for (int o = 0; o < outSize; ++o) {
        const std::int64_t begin = std::int64_t(o) * inSize, end = begin + inSize;
        Span& span = spans[std::size_t(o)];
        span.first = int(begin / outSize);
        for (std::int64_t i = span.first; i * outSize < end; ++i)
            span.weights.push_back(int(std::min(end, (i + 1) * outSize) - std::max(begin, i * outSize)));
    }
    return spans;
}

// Blue, green, red and alpha of pixel x of a source row: a 32-bit picture's
// own alpha, or for a 24-bit one 0 in the key colour and 255 elsewhere.
template <bool Keyed>
inline void ReadPixel(const std::uint8_t* row, int x, const std::uint8_t* key, std::uint32_t out[4])
{
    if constexpr (Keyed) {
        const std::uint8_t* p = row + 3 * x;
        out[0] = p[0], out[1] = p[1], out[2] = p[2];
        out[3] = std::memcmp(p, key, 3) == 0 ? 0 : 255;
    } else {
        const std::uint8_t* p = row + 4 * x;
        out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = p[3];
    }
}

template <bool Keyed>
void Shrink(const TBitmap& source, TBitmap& target)
{
    const int outW = target.Width(), outH = target.Height();
    const std::vector<Span> columns = Spans(source.Width(), outW), rows = Spans(source.Height(), outH);
    const std::uint8_t* key = source.ScanLine(0);
    // Per output column: colours times alpha and alpha, summed with the
    // column weights over one source row, then with the row weights.
    std::vector<std::uint32_t> line(std::size_t(outW) * 4);
    std::vector<std::uint64_t> sums(std::size_t(outW) * 4);
    const std::uint64_t area = std::uint64_t(source.Width()) * std::uint64_t(source.Height());
    for (int y = 0; y < outH; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const Span& rowSpan = rows[std::size_t(y)];
        for (std::size_t r = 0; r < rowSpan.weights.size(); ++r) {
            const std::uint8_t* in = source.ScanLine(rowSpan.first + int(r));
            for (int x = 0; x < outW; ++x) {
                const Span& span = columns[std::size_t(x)];
                std::uint32_t acc[4] = {0, 0, 0, 0}, px[4];
                for (std::size_t c = 0; c < span.weights.size(); ++c) {
                    ReadPixel<Keyed>(in, span.first + int(c), key, px);
                    const std::uint32_t w = std::uint32_t(span.weights[c]) * px[3];
                    acc[0] += w * px[0], acc[1] += w * px[1], acc[2] += w * px[2], acc[3] += w;
                }
                for (int k = 0; k < 4; ++k)
                    sums[std::size_t(x) * 4 + std::size_t(k)] += std::uint64_t(rowSpan.weights[r]) * acc[k];
            }
        }
        std::uint8_t* out = target.ScanLine(y);
        for (int x = 0; x < outW; ++x, out += 4) {
            const std::uint64_t* s = &sums[std::size_t(x) * 4];
            for (int k = 0; k < 3; ++k)
                out[k] = s[3] ? std::uint8_t((s[k] + s[3] / 2) / s[3]) : 0;
            out[3] = std::uint8_t((s[3] + area / 2) / area);
        }
    }
}

// The size of a picture scaled down to fit in limit with its aspect ratio
// kept; its own size when it fits or limit is empty.
QSize FittedSize(QSize size, QSize limit)
{
    if (limit.isEmpty() || (size.width() <= limit.width() && size.height() <= limit.height()))
        return size;
    const std::int64_t w = size.width(), h = size.height(), maxW = limit.width(), maxH = limit.height();
    // The side that overshoots more sets the scale; the other is rounded.
    if (w * maxH >= h * maxW)
        return QSize(int(maxW), int(std::clamp<std::int64_t>((h * maxW + w / 2) / w, 1, maxH)));
    return QSize(int(std::clamp<std::int64_t>((w * maxH + h / 2) / h, 1, maxW)), int(maxH));
}

} // namespace

void ShrinkToFit(TBitmap& picture, QSize limit)
{
    const QSize size(picture.Width(), picture.Height());
    const QSize fitted = FittedSize(size, limit);
    if (fitted == size || picture.Empty())
        return;
    TBitmap target(fitted.width(), fitted.height(), pf32bit);
    if (picture.PixelFormat() == pf24bit)
        Shrink<true>(picture, target);
    else
        Shrink<false>(picture, target);
    picture = std::move(target);
}
