// The BMP loader on arbitrary bytes.
#include "FuncGraphicWorkLoad.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TBitmap picture;
    try {
        LoadBmpFromStream(picture, buffer);
    } catch (const std::exception&) {
        // Refusals are the expected outcome for most inputs.
    }
    return 0;
}
