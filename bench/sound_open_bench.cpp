// The check a play makes on the window's thread (TSoundFile::Open): a sound is
// heard in its first block; a file with nothing audible is decoded to the
// 10 s that would play before it is refused. 10 s files, 48 kHz stereo.

#include "SoundDecoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 48000;

QString Write(const QTemporaryDir& dir, const char* name, int format, float amp)
{
    const QString path = dir.filePath(name);
    SF_INFO info{0, kRate, 2, format, 0, 0};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    std::vector<float> frames(std::size_t(kRate) * 2 * 10);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = amp * float(std::sin(double(i / 2) * 2 * M_PI * 440 / kRate));
    sf_writef_float(file, frames.data(), sf_count_t(frames.size() / 2));
    sf_close(file);
    return path;
}

void BM_OpenSound(benchmark::State& state)
{
    static const QTemporaryDir dir;
    static const struct { const char* Name; int Format; } formats[] = {
        {"s.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16}, {"s.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {"s.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}, {"s.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS},
        {"s.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}};
    const auto& format = formats[state.range(0)];
    const bool silent = state.range(1) != 0;
    const QString path = Write(dir, format.Name, format.Format, silent ? 0.0f : 0.5f);
    state.SetLabel(std::string(format.Name + 2) + (silent ? ", silent: refused" : ", a sound"));
    for (auto _ : state) {
        QString why;
        benchmark::DoNotOptimize(TSoundFile::Open(path, &why));
    }
}
BENCHMARK(BM_OpenSound)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);

} // namespace
