// Sound files as the sound module reads them (TSoundFile over libsndfile):
// the first input byte picks the device's channels, the rest is the file. A
// refusal carries a one-line reason; a decoded sound never exceeds the limit
// it was decoded with and always holds whole frames.
#include "SoundDecoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const TLayout layouts[] = {DefaultLayout(2), DefaultLayout(1), DefaultLayout(6), {TSpeaker::Other, TSpeaker::Other}};
    const TLayout& layout = layouts[data[0] % 4];
    const int seconds = 1 + data[0] / 4 % 2; // short enough to keep the search fast
    QString why;
    auto sound = TSoundFile::OpenBytes(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)), &why, seconds);
    if (!sound) {
        if (why.isEmpty() || why.contains(QLatin1Char('\n')))
            std::abort();
        return 0;
    }
    const std::vector<float> pcm = sound->Decode(layout, VolumeGain(data[0] % 101), seconds);
    if (pcm.size() % layout.size() != 0 ||
        pcm.size() > std::size_t(seconds) * std::size_t(sound->Rate()) * layout.size())
        std::abort();
    return 0;
}
