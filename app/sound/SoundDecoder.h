#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// Sound files read with libsndfile (WAV, FLAC, Ogg Vorbis, Opus, MP3 and the
// other formats it knows), decoded to interleaved float samples in the rate
// and channel count a sound device takes. Free of any device: the module
// plays what comes out of here.

// What the device takes: frames per second and samples per frame.
struct TPcmShape {
    int Rate = 48000;
    int Channels = 2;
};

// How one sample is laid out in the bytes a device reads.
enum class TSampleType { UInt8, Int16, Int32, Float };

class TSoundFile {
public:
    // Reads the header of a regular file and decodes its first block. Null,
    // with the reason in *why (translated, one line), when the path is not a
    // regular readable file (a FIFO or a device is never opened), is empty,
    // or holds nothing libsndfile can decode.
    static std::unique_ptr<TSoundFile> Open(const QString& path, QString* why = nullptr);
    // The same for a file's bytes in memory.
    static std::unique_ptr<TSoundFile> OpenBytes(QByteArray bytes, QString* why = nullptr);

    ~TSoundFile();
    TSoundFile(const TSoundFile&) = delete;
    TSoundFile& operator=(const TSoundFile&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

    // Decodes at most the first maxSeconds seconds (once: the file is read
    // forward), mapped to shape's channels, resampled linearly to its rate
    // and multiplied by gain. Interleaved; never more than maxSeconds *
    // shape.Rate frames. A damaged file ends where its damage begins.
    std::vector<float> Decode(TPcmShape shape, float gain, int maxSeconds);

    struct TSource; // where the bytes come from

private:
    TSoundFile() = default;
    static std::unique_ptr<TSoundFile> OpenSource(std::unique_ptr<TSource> source, QString* why);

    std::unique_ptr<TSource> source_;
    void* file_ = nullptr; // SNDFILE*
    int rate_ = 0;
    int channels_ = 0;
    std::vector<float> first_; // the first block, decoded at Open
};

// The linear gain of a volume in percent (0..100, clamped), cubic like the
// desktop's volume sliders, so that 50 % sounds about half as loud.
float VolumeGain(int percent);

// Samples (-1..1, clamped) as a device of the given sample type reads them.
QByteArray SampleBytes(const std::vector<float>& samples, TSampleType type);
