// Sound files as the sound module reads them (TSoundFile over libsndfile):
// the first input byte picks the device's rate and channels, the rest is the
// file. A refusal carries a one-line reason; a decoded sound never exceeds
// the limit it was decoded with and always holds whole frames.
#include "SoundDecoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const TPcmShape shapes[] = {{48000, 2}, {44100, 1}, {8000, 6}, {96000, 2}};
    const TPcmShape shape = shapes[data[0] % 4];
    const int seconds = 1 + data[0] / 4 % 2; // short enough to keep the search fast
    QString why;
    auto sound = TSoundFile::OpenBytes(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)), &why);
    if (!sound) {
        if (why.isEmpty() || why.contains(QLatin1Char('\n')))
            std::abort();
        return 0;
    }
    const std::vector<float> pcm = sound->Decode(shape, VolumeGain(data[0] % 101), seconds);
    if (pcm.size() % std::size_t(shape.Channels) != 0 ||
        pcm.size() > std::size_t(seconds) * std::size_t(shape.Rate) * std::size_t(shape.Channels))
        std::abort();
    (void)SampleBytes(pcm, TSampleType(data[0] % 4));
    return 0;
}
