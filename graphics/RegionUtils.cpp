#include "RegionUtils.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char kReadError[] = "Stream read error";

// A rectangle of region data: right and bottom exclusive.
struct Box {
    int left, top, right, bottom;
};

bool inRange(std::int64_t v)
{
    return v >= -TRegion::kCoordinateLimit && v <= TRegion::kCoordinateLimit;
}

std::int32_t readInt(const unsigned char* p)
{
    return qFromLittleEndian<std::int32_t>(p);
}

void appendInt(QByteArray& out, std::int32_t v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    out.append(bytes, 4);
}

QRect toQRect(const Box& b)
{
    return QRect(QPoint(b.left, b.top), QPoint(b.right - 1, b.bottom - 1));
}

// Bitmask of the pixels (bit i = pixel i) among 16 whose alpha is at least t (1..255).
#if defined(__SSE2__)
unsigned opaqueMask16(const std::uint8_t* p, __m128i threshold)
{
    const auto load = [p](int i) {
        return _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), 24);
    };
    const __m128i a = _mm_packus_epi16(_mm_packs_epi32(load(0), load(1)), _mm_packs_epi32(load(2), load(3)));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(a, threshold), a)));
}
#endif

// Calls onRun(left, y, right) for every run of pixels with alpha >= threshold,
// in row order and left to right within a row.
template <class Emit>
void scanRuns(const TBitmap& picture, int threshold, Emit onRun)
{
    const int w = picture.Width();
    const int t = std::clamp(threshold, 0, 256);
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        int start = -1;
        int x = 0;
#if defined(__SSE2__)
        if (t > 0 && t < 256) {
            const __m128i tv = _mm_set1_epi8(char(t));
            for (; x + 16 <= w; x += 16) {
                const unsigned mask = opaqueMask16(row + 4 * x, tv);
                // Sixteen pixels that continue the current state change nothing.
                if (mask == (start >= 0 ? 0xFFFFu : 0u))
                    continue;
                for (int i = 0; i < 16; ++i) {
                    const bool opaque = (mask >> i) & 1u;
                    if (opaque && start < 0) {
                        start = x + i;
                    } else if (!opaque && start >= 0) {
                        onRun(start, y, x + i);
                        start = -1;
                    }
                }
            }
        }
#endif
        for (; x < w; ++x) {
            const bool opaque = row[4 * x + 3] >= t;
            if (opaque && start < 0) {
                start = x;
            } else if (!opaque && start >= 0) {
                onRun(start, y, x);
                start = -1;
            }
        }
        if (start >= 0)
            onRun(start, y, w);
    }
}

bool sameSpans(const std::vector<Box>& v, std::size_t a, std::size_t b, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (v[a + i].left != v[b + i].left || v[a + i].right != v[b + i].right)
            return false;
    return true;
}

// The toolkit's region form, built directly when the rectangles are already
// y-x banded (each band one height, sorted, bands not overlapping): spans
// that touch within a band are joined and bands with equal spans that touch
// vertically are merged, so the result equals the same region built by unions.
// Returns false when the rectangles are not banded.
bool bandedRegion(const std::vector<Box>& in, QRegion& out)
{
    std::vector<Box> bands;
    bands.reserve(in.size());
    std::size_t prevStart = 0, prevCount = 0, curStart = 0;
    const auto closeBand = [&]() {
        const std::size_t curCount = bands.size() - curStart;
        if (prevCount == curCount && curCount > 0 && bands[prevStart].bottom == bands[curStart].top &&
            sameSpans(bands, prevStart, curStart, curCount)) {
            for (std::size_t i = 0; i < prevCount; ++i)
                bands[prevStart + i].bottom = bands[curStart].bottom;
            bands.resize(curStart);
        } else {
            prevStart = curStart;
            prevCount = curCount;
        }
        curStart = bands.size();
    };
    for (const Box& b : in) {
        if (bands.size() > curStart) {
            Box& last = bands.back();
            if (b.top == last.top) {
                if (b.bottom != last.bottom || b.left < last.right)
                    return false;
                if (b.left == last.right) {
                    last.right = b.right;
                    continue;
                }
                bands.push_back(b);
                continue;
            }
            if (b.top < last.bottom)
                return false;
            closeBand();
        }
        bands.push_back(b);
    }
    closeBand();
    std::vector<QRect> rects;
    rects.reserve(bands.size());
    for (const Box& b : bands)
        rects.push_back(toQRect(b));
    out = QRegion();
    if (!rects.empty())
        out.setRects(rects.data(), int(rects.size()));
    return true;
}

// One piece of region data made into a region. Empty rectangles add nothing;
// reversed or out-of-range ones are refused.
QRegion pieceRegion(const std::vector<Box>& raw)
{
    std::vector<Box> boxes;
    boxes.reserve(raw.size());
    for (const Box& b : raw) {
        if (!inRange(b.left) || !inRange(b.top) || !inRange(b.right) || !inRange(b.bottom) || b.right < b.left ||
            b.bottom < b.top)
            throw ERgnError("TRegion.LoadFromStream: Cannot Create Region");
        if (b.right > b.left && b.bottom > b.top)
            boxes.push_back(b);
    }
    QRegion region;
    if (bandedRegion(boxes, region))
        return region;
    // Rectangles in any order: the toolkit sorts them out one union at a time.
    region = QRegion();
    for (const Box& b : boxes)
        region += toQRect(b);
    return region;
}

QRegion regionFromBoxes(const std::vector<Box>& boxes)
{
    QRegion result;
    std::vector<Box> piece;
    for (std::size_t at = 0; at < boxes.size(); at += TRegion::kRectsPerPiece) {
        const std::size_t end = std::min(boxes.size(), at + TRegion::kRectsPerPiece);
        piece.assign(boxes.begin() + std::ptrdiff_t(at), boxes.begin() + std::ptrdiff_t(end));
        result = result.united(pieceRegion(piece));
    }
    return result;
}

void readExactly(QIODevice& stream, unsigned char* to, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const qint64 n = stream.read(reinterpret_cast<char*>(to) + got, size - got);
        if (n <= 0)
            throw ERgnError(kReadError);
        got += n;
    }
}

void checkCorners(int x1, int y1, int x2, int y2, const char* message)
{
    if (!inRange(x1) || !inRange(y1) || !inRange(x2) || !inRange(y2))
        throw ERgnError(message);
}

QRect boxOf(int x1, int y1, int x2, int y2)
{
    return QRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1));
}

} // namespace

void TRegion::Add(const QRegion& region, TRegionCombine op)
{
    switch (op) {
    case rcAnd: handle_ = handle_.intersected(region); break;
    case rcCopy: handle_ = region; break;
    case rcDiff: handle_ = handle_.subtracted(region); break;
    case rcOr: handle_ = handle_.united(region); break;
    case rcXor: handle_ = handle_.xored(region); break;
    default: throw ERgnError("TRegion.Add: Add Failed");
    }
}

void TRegion::AddEllipse(int x1, int y1, int x2, int y2, TRegionCombine op)
{
    checkCorners(x1, y1, x2, y2, "TRegion.AddEllipse: Cannot Create Region");
    Add(QRegion(boxOf(x1, y1, x2, y2), QRegion::Ellipse), op);
}

void TRegion::AddRect(int x1, int y1, int x2, int y2, TRegionCombine op)
{
    checkCorners(x1, y1, x2, y2, "TRegion.AddRect: Cannot Create Region");
    Add(QRegion(boxOf(x1, y1, x2, y2)), op);
}

void TRegion::LoadFromStream(QIODevice& stream)
{
    unsigned char header[kHeaderSize];
    readExactly(stream, header, kHeaderSize);
    std::int64_t remaining = readInt(header + 8);
    // A fixed buffer: one piece at a time, never sized by the stream's count.
    std::vector<unsigned char> buffer(std::size_t(kRectsPerPiece) * 16);
    std::vector<Box> piece;
    piece.reserve(kRectsPerPiece);
    QRegion result;
    while (remaining > 0) {
        const int count = int(std::min<std::int64_t>(remaining, kRectsPerPiece));
        readExactly(stream, buffer.data(), qint64(count) * 16);
        piece.clear();
        for (int i = 0; i < count; ++i) {
            const unsigned char* p = buffer.data() + 16 * i;
            piece.push_back({readInt(p), readInt(p + 4), readInt(p + 8), readInt(p + 12)});
        }
        result = result.united(pieceRegion(piece));
        remaining -= kRectsPerPiece;
    }
    handle_ = result;
}

QByteArray TRegion::RegionData(const TBitmap& picture, int threshold)
{
    if (picture.PixelFormat() != pf32bit)
        throw ERgnError("TRegion.makeRgnFromBitmap Failed");
    QByteArray data;
    for (std::int32_t v : {kHeaderSize, 1, 0, 0, 0, 0, picture.Width(), picture.Height()})
        appendInt(data, v);
    std::int32_t count = 0;
    scanRuns(picture, threshold, [&](int left, int y, int right) {
        for (std::int32_t v : {left, y, right, y + 1})
            appendInt(data, v);
        ++count;
    });
    const QByteArray countBytes = [count] {
        QByteArray b;
        appendInt(b, count);
        return b;
    }();
    data.replace(8, 4, countBytes);
    return data;
}

void TRegion::makeRgnFromBitmap(const TBitmap& picture, int threshold)
{
    if (picture.PixelFormat() != pf32bit)
        throw ERgnError("TRegion.makeRgnFromBitmap Failed");
    // The same rectangles as RegionData, handed over without the byte round trip.
    std::vector<Box> boxes;
    scanRuns(picture, threshold, [&](int left, int y, int right) { boxes.push_back({left, y, right, y + 1}); });
    handle_ = regionFromBoxes(boxes);
}

void TRegion::Move(int dx, int dy)
{
    const QRect bounds = handle_.boundingRect();
    if (!handle_.isEmpty() &&
        (!inRange(std::int64_t(bounds.left()) + dx) || !inRange(std::int64_t(bounds.right()) + 1 + dx) ||
         !inRange(std::int64_t(bounds.top()) + dy) || !inRange(std::int64_t(bounds.bottom()) + 1 + dy)))
        throw ERgnError("TRegion.Move Failed");
    handle_.translate(dx, dy);
}
