// The PNG reader on arbitrary bytes: it may refuse, never crash, and a
// picture it returns is consistent with its size.
#include "FuncGraphicWorkPng.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TBitmap picture;
    try {
        LoadPngFromStream(picture, buffer);
    } catch (const EPngError&) {
        return 0;
    } catch (const EPictureSize&) {
        return 0;
    }
    // Touch every byte of the decoded rows so a short buffer shows up.
    unsigned sum = 0;
    const int rowBytes = picture.Width() * picture.BytesPerPixel();
    for (int y = 0; y < picture.Height() && rowBytes > 0; ++y)
        for (int i = 0; i < rowBytes; ++i)
            sum += picture.ScanLine(y)[i];
    if (picture.Width() < 0 || picture.Height() < 0 || sum == 0xFFFFFFFFu)
        std::abort();
    return 0;
}
