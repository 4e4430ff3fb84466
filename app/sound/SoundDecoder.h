#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// Sound files read with libsndfile (WAV, FLAC, Ogg Vorbis, Opus, MP3 and the
// other formats it knows), decoded to interleaved float samples at the file's
// own rate, mixed to the channels a sound device has. Free of any device: the
// module plays what comes out of here, and the sound server converts the rate
// (with its own filtered resampler).

// Where a channel is heard. Other is a position the mix does not know (an
// auxiliary channel).
enum class TSpeaker : std::uint8_t {
    Mono,
    FrontLeft,
    FrontRight,
    FrontCentre,
    Lfe,
    RearLeft,
    RearRight,
    RearCentre,
    SideLeft,
    SideRight,
    Other
};
using TLayout = std::vector<TSpeaker>;

// The layout a file of `channels` channels has when it names none: WAV's
// order (front left, right, centre, LFE, rear left, right, side left, right).
TLayout DefaultLayout(int channels);

// The gains that mix channels laid out as `from` into `to`, row by row:
// gains[out * from.size() + in]. Each channel goes to the device's channel of
// its position; one the device lacks is folded into the nearest ones at the
// usual downmix level (-3 dB: centre into left and right, surrounds into their
// side's front); LFE is left out where the device has none; one channel (mono)
// goes to the front left and right only. A one-channel device gets the mean
// of every channel but LFE.
std::vector<float> MixMatrix(const TLayout& from, const TLayout& to);

// Below this level (-60 dBFS) a sample is not heard.
inline constexpr float kAudibleLevel = 0.001f;

class TSoundFile {
public:
    // Reads the header of a regular file and decodes until a sample is
    // audible (for a sound, the first block). Null, with the reason in *why
    // (translated, one line), when the path is not a regular readable file
    // (a FIFO or a device is never opened), is empty, holds nothing libsndfile
    // can decode, or nothing audible in its first maxSeconds seconds.
    static std::unique_ptr<TSoundFile> Open(const QString& path, QString* why = nullptr, int maxSeconds = 10);
    // The same for a file's bytes in memory.
    static std::unique_ptr<TSoundFile> OpenBytes(QByteArray bytes, QString* why = nullptr, int maxSeconds = 10);

    ~TSoundFile();
    TSoundFile(const TSoundFile&) = delete;
    TSoundFile& operator=(const TSoundFile&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return int(layout_.size()); }
    const TLayout& Layout() const { return layout_; }

    // Decodes at most the first maxSeconds seconds (once: the file is read
    // forward) at the file's rate, mixed to `to` and multiplied by gain.
    // Interleaved; never more than maxSeconds * Rate() frames. A sound cut at
    // the limit fades out over its last kFadeMs; a damaged file ends where
    // its damage begins.
    std::vector<float> Decode(const TLayout& to, float gain, int maxSeconds);

    static constexpr int kFadeMs = 5;

    struct TSource; // where the bytes come from

private:
    TSoundFile() = default;
    static std::unique_ptr<TSoundFile> OpenSource(std::unique_ptr<TSource> source, QString* why, int maxSeconds);

    std::unique_ptr<TSource> source_;
    void* file_ = nullptr; // SNDFILE*
    int rate_ = 0;
    TLayout layout_;
    std::vector<float> head_; // decoded at Open, up to the first audible block
};

// The linear gain of a volume in percent (0..100, clamped), cubic like the
// desktop's volume sliders, so that 50 % sounds about half as loud.
float VolumeGain(int percent);

// Multiplies frames [from, end) of interleaved samples by a line falling from
// 1 towards 0 over `length` frames starting at `start` (a fade-out).
void FadeOut(float* samples, int channels, std::int64_t start, std::int64_t length, std::int64_t from,
             std::int64_t end);
