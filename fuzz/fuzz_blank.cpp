// Blank-picture names ("\width,height,colour[,32]") from arbitrary text.
#include "vlmGraphicSource.h"

#include <QString>

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const auto picture = TGraphicSource::MakeBlankGraphic(name);
        if (picture->Width() > 0 && picture->Height() > 0)
            (void)picture->ScanLine(picture->Height() - 1)[0];
    } catch (const std::exception&) {
        // Pictures beyond the size limits are refused.
    }
    return 0;
}
