// The JPEG and ".jpx" loaders on arbitrary bytes. The first byte chooses the
// loader (even: JPEG, odd: JPX); the rest is the stream.
#include "FuncGraphicWorkLoad.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
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
