// Sound files written with libsndfile at test time, decoded for a device.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <functional>

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SoundDecoder.h"

namespace {

// Writes sample(frame, channel), by default 0.5 x 440 Hz, the second channel in opposite phase.
QString Write(const QTemporaryDir& dir, const QString& name, int format, int rate, int channels, sf_count_t frames,
              std::function<float(sf_count_t, int)> sample = {})
{
    if (!sample)
        sample = [rate](sf_count_t f, int c) { return float((c ? -0.5 : 0.5) * std::sin(2 * M_PI * 440 * f / rate)); };
    const QString path = dir.filePath(name);
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << name.toStdString() << ": " << sf_strerror(nullptr);
    std::vector<float> data;
    for (sf_count_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            data.push_back(sample(f, c));
    sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return path;
}

double Rms(const std::vector<float>& pcm, int channels, int channel) // 0.35 for the tone
{
    double sum = 0;
    for (std::size_t i = std::size_t(channel); i < pcm.size(); i += std::size_t(channels))
        sum += double(pcm[i]) * pcm[i];
    return std::sqrt(sum / double(std::max<std::size_t>(pcm.size() / std::size_t(channels), 1)));
}

TEST(SoundDecoder, EveryFormatDecodesToTheDeviceShapeAndVolume)
{
    QTemporaryDir dir;
    const struct { const char* Name; int Format, Rate, Channels; } rows[] = {{"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1}, {"b.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2},
                {"c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 2}, {"d.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2},
                {"e.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1}, {"f.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString path = Write(dir, row.Name, row.Format, row.Rate, row.Channels, row.Rate); // 1 s
        for (const TLayout& layout : {DefaultLayout(2), DefaultLayout(1), DefaultLayout(4)}) {
            const int channels = int(layout.size());
            QString why;
            auto sound = TSoundFile::Open(path, &why);
            ASSERT_TRUE(sound) << why.toStdString();
            const std::vector<float> pcm = sound->Decode(layout, 1.0f, 10);
            EXPECT_NEAR(double(pcm.size()) / channels, row.Rate, row.Rate * 0.02 + 1200); // at the file's rate
            // One channel goes to the front two; two become one by their mean (opposite phases cancel).
            for (int c = 0; c < channels; ++c)
                EXPECT_NEAR(Rms(pcm, channels, c), (row.Channels == 2 && channels == 1) || c >= 2 ? 0.0 : 0.5 / std::sqrt(2.0), 0.04)
                    << c << " of " << channels;
            EXPECT_EQ(Rms(TSoundFile::Open(path)->Decode(layout, VolumeGain(0), 10), channels, 0), 0.0);
        }
        // The same bytes from memory, as the fuzz target reads them.
        QFile file(path);
        EXPECT_EQ(TSoundFile::OpenBytes(file.open(QIODevice::ReadOnly) ? file.readAll() : "")->Decode(DefaultLayout(1), 1.0f, 10),
                  TSoundFile::Open(path)->Decode(DefaultLayout(1), 1.0f, 10));
    }
}

TEST(SoundDecoder, SoundsKeepTheirRateAndFadeOutWhenCutAtTheLimit)
{
    QTemporaryDir dir;
    const struct { int Rate, Seconds, Limit; } rows[] = {{8000, 1, 10}, {44100, 1, 10}, {384000, 1, 10}, {1000, 1, 10}, {8000, 12, 10}, {48000, 3, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.Rate << " Hz, " << row.Seconds << " s, limit " << row.Limit);
        const sf_count_t frames = sf_count_t(row.Rate) * row.Seconds, kept = std::min<sf_count_t>(frames, sf_count_t(row.Rate) * row.Limit);
        const auto ramp = [frames](sf_count_t f) { return double(f) / double(frames); };
        const QString path = Write(dir, "ramp.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, row.Rate, 1, frames, [&](sf_count_t f, int) { return float(ramp(f)); });
        const std::vector<float> pcm = TSoundFile::Open(path)->Decode(DefaultLayout(1), 1.0f, row.Limit);
        ASSERT_EQ(sf_count_t(pcm.size()), kept);
        const sf_count_t fade = kept < frames ? sf_count_t(row.Rate) * TSoundFile::kFadeMs / 1000 : 0;
        for (sf_count_t j = 0; j < kept; j += j + 97 < kept - fade ? 97 : 1)
            ASSERT_NEAR(pcm[std::size_t(j)], ramp(j) * (j < kept - fade ? 1.0 : double(kept - j) / double(fade)), 1e-5) << "frame " << j;
    }
}

TEST(SoundDecoder, ChannelsTheDeviceLacksAreFoldedIntoItsOwnAndMonoGoesToTheFront)
{
    using S = TSpeaker;
    const float g = 0.70710678f, f = 0.2f;
    const struct { const char* Name; TLayout From, To; std::vector<float> Gains; } rows[] = {
        {"5.1 on stereo", DefaultLayout(6), DefaultLayout(2), {1, 0, g, 0, g, 0, /**/ 0, 1, g, 0, 0, g}},
        {"mono on 5.1", DefaultLayout(1), DefaultLayout(6), {1, 1, 0, 0, 0, 0}},
        {"7.1 on 5.1", DefaultLayout(8), DefaultLayout(6), {1, 0, 0, 0, 0, 0, 0, 0, /**/ 0, 1, 0, 0, 0, 0, 0, 0, /**/ 0, 0, 1, 0, 0, 0, 0, 0,
                                                            0, 0, 0, 1, 0, 0, 0, 0, /**/ 0, 0, 0, 0, 1, 0, 1, 0, /**/ 0, 0, 0, 0, 0, 1, 0, 1}},
        {"5.1 on mono", DefaultLayout(6), DefaultLayout(1), {f, f, f, 0, f, f}},
        {"rear centre on quadro", {S::RearCentre}, DefaultLayout(4), {0, 0, g, g}},
        {"stereo on a centre speaker", DefaultLayout(2), {S::FrontCentre, S::Lfe}, {g, g, 0, 0}},
        {"unnamed channels in order", {S::Other, S::Other}, {S::Other, S::Other, S::Other}, {1, 0, 0, 1, 0, 0}}};
    for (const auto& row : rows) {
        const std::vector<float> gains = MixMatrix(row.From, row.To);
        ASSERT_EQ(gains.size(), row.Gains.size()) << row.Name;
        for (std::size_t i = 0; i < gains.size(); ++i)
            EXPECT_NEAR(gains[i], row.Gains[i], 1e-6) << row.Name << ": to " << i / row.From.size() << " from " << i % row.From.size();
    }
    EXPECT_EQ(std::vector<float>({VolumeGain(-5), VolumeGain(50), VolumeGain(100), VolumeGain(250)}), std::vector<float>({0.0f, 0.125f, 1.0f, 1.0f}));
}

TEST(SoundDecoder, WhatIsNoSoundIsRefusedWithoutBlockingOrReadingItAll)
{
    QTemporaryDir dir;
    const QString wav = Write(dir, "w.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 48000);
    const QString ogg = Write(dir, "o.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2, 48000);
    const QString fast = Write(dir, "f.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 400000, 1, 1000); // above the highest rate
    const auto copy = [&](const QString& from, const char* to, qint64 size, const QByteArray& tail) {
        QFile in(from), out(dir.filePath(to));
        in.open(QIODevice::ReadOnly), out.open(QIODevice::WriteOnly);
        out.write(in.read(size) + tail);
        return out.fileName();
    };
    const auto bytesRead = [] { // by this process, so far
        QFile io(QStringLiteral("/proc/self/io"));
        return io.open(QIODevice::ReadOnly) ? io.readLine().split(' ').value(1).trimmed().toLongLong() : 0;
    };
    // A WAV header that claims 2 GB before a sparse file of that size.
    QFile huge(copy(wav, "huge.wav", 40, QByteArray("\0\0\xf0\x7f", 4) + QByteArray(1 << 20, 1)));
    huge.resize(qint64(0x7ff00000) + 44);
    QFile sparse(copy(wav, "sparse", 0, {}));
    sparse.resize(qint64(2) << 30);
    const auto tone = [](double amp, double from) { return [=](sf_count_t f, int) { return float(f >= from * 48000 ? amp * std::sin(f * 0.1) : 0.0); }; };
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    const struct { QString Path; qint64 Frames; /* 0: refused */ } rows[] = {{wav, 48000}, {copy(wav, "half.wav", 44 + 96000, {}), 24000},
                {copy(wav, "garbage.wav", 44, QByteArray(4000, 'x')), 1000}, {huge.fileName(), 480000},
                {copy(ogg, "half.ogg", QFileInfo(ogg).size() / 2, {}), 0}, // libsndfile wants the last page
                {copy(ogg, "garbage.ogg", 200, QByteArray(4000, 'x')), 0}, {copy(wav, "header.wav", 44, {}), 0},
                {copy(fast, "fast.wav", 4000, {}), 0}, {sparse.fileName(), 0}, {copy(wav, "empty", 0, {}), 0},
                {copy(wav, "text.wav", 0, "RIFF is a word.\n"), 0}, {dir.path(), 0}, {dir.filePath("fifo"), 0},
                {QStringLiteral("/dev/zero"), 0}, {dir.filePath("missing.wav"), 0}, {QString(), 0},
                {Write(dir, "silent.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 480000, tone(0.0, 0)), 0},
                {Write(dir, "quiet.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 2, 480000, tone(0.0008, 0)), 0}, // -62 dBFS
                {Write(dir, "late.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 490000, tone(0.5, 9.9)), 480000},
                {Write(dir, "too-late.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2, 490000, tone(0.5, 10.05)), 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Path.toStdString());
        const long long before = bytesRead();
        QString why;
        alarm(10); // a FIFO opened for reading would wait here for a writer
        auto sound = TSoundFile::Open(row.Path, &why);
        alarm(0);
        EXPECT_EQ(sound == nullptr, row.Frames == 0);
        EXPECT_EQ(why.isEmpty(), row.Frames != 0) << why.toStdString();
        EXPECT_FALSE(why.contains('\n'));
        if (sound)
            EXPECT_NEAR(double(sound->Decode(DefaultLayout(2), 1.0f, 10).size()) / 2, double(row.Frames), 2.0);
        EXPECT_LT(bytesRead() - before, 8 << 20);
    }
}

} // namespace
