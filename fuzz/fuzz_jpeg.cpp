// The JPEG and ".jpx" loaders on arbitrary bytes. The first byte chooses the
// loader (even: JPEG, odd: JPX); the rest is the stream.
#include "FuncGraphicWorkLoad.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <exception>

namespace {

// True when a frame header (SOF0..SOF2) in plain JPEG bytes declares
// more than 4 M pixels. Such inputs are legal up to the picture limits but
// take a second each to decode and would starve the search; the limit check
// itself runs on the header before any pixel is decoded, so it stays covered
// by the unit tests.
bool declaresHugeFrame(const std::uint8_t* p, std::size_t n)
{
    for (std::size_t i = 0; i + 8 < n; ++i)
        if (p[i] == 0xFF && p[i + 1] >= 0xC0 && p[i + 1] <= 0xC2) {
            const unsigned h = unsigned(p[i + 5]) << 8 | p[i + 6];
            const unsigned w = unsigned(p[i + 7]) << 8 | p[i + 8];
            if (std::uint64_t(w) * h > (1u << 22))
                return true;
        }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QByteArray plain = bytes;
    if (data[0] & 1)
        UnmaskJpx(reinterpret_cast<std::uint8_t*>(plain.data()), std::size_t(plain.size()));
    if (declaresHugeFrame(reinterpret_cast<const std::uint8_t*>(plain.constData()), std::size_t(plain.size())))
        return 0;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TBitmap picture;
    try {
        if (data[0] & 1)
            LoadJpxFromStream(picture, buffer);
        else
            LoadJpegFromStream(picture, buffer);
    } catch (const std::exception&) {
        // Refusals are the expected outcome for most inputs.
    }
    return 0;
}
