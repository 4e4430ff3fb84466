// Region data from outside: LoadFromStream must either fail with ERgnError
// or give exactly the union of the non-empty rectangles it read.

#include "RegionUtils.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

std::int32_t intAt(const std::uint8_t* p)
{
    return std::int32_t(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                        (std::uint32_t(p[3]) << 24));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TRegion region;
    try {
        region.LoadFromStream(buffer);
    } catch (const ERgnError&) {
        return 0;
    }
    // Read without error: every counted rectangle was present and in range.
    const std::int32_t count = intAt(data + 8);
    QRegion expected;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t* r = data + 32 + 16 * std::size_t(i);
        const int left = intAt(r), top = intAt(r + 4), right = intAt(r + 8), bottom = intAt(r + 12);
        if (right > left && bottom > top)
            expected += QRect(left, top, right - left, bottom - top);
    }
    if (!region.Handle().xored(expected).isEmpty())
        std::abort();
    // The region must stay usable for everything callers do with it.
    try {
        region.Move(7, -3);
        region.AddEllipse(-5, -5, 40, 30, rcXor);
        region.Add(expected, rcDiff);
        region.AddRect(0, 0, 16, 16, rcAnd);
    } catch (const ERgnError&) {
    }
    (void)region.Handle().boundingRect();
    (void)region.Handle().contains(QPoint(3, 3));
    return 0;
}
