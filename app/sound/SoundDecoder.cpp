#include "SoundDecoder.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileName.h"

namespace {

// Frames read from libsndfile at a time.
constexpr sf_count_t kBlockFrames = 4096;
// What a sound file or device may declare and still be decoded.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;
constexpr int kMaxChannels = 32;

void Fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
}

SNDFILE* File(void* file)
{
    return static_cast<SNDFILE*>(file);
}

// Maps frames of `from` channels to `to` channels: one channel becomes every
// channel, many become one by their mean, otherwise channels beyond the
// source's are silent.
void MapChannels(const float* in, sf_count_t frames, int from, int to, float gain, std::vector<float>& out)
{
    out.resize(std::size_t(frames) * std::size_t(to));
    float* o = out.data();
    for (sf_count_t f = 0; f < frames; ++f, in += from) {
        if (to == 1) {
            float sum = 0;
            for (int c = 0; c < from; ++c)
                sum += in[c];
            *o++ = sum / float(from) * gain;
            continue;
        }
        for (int c = 0; c < to; ++c)
            *o++ = from == 1 ? in[0] * gain : c < from ? in[c] * gain : 0.0f;
    }
}

// Linear resampling of a stream of frames given block by block. Output frame
// j lies at source position j * from / to, kept as an exact fraction.
class TLinearResampler {
public:
    TLinearResampler(int from, int to, int channels) : from_(from), to_(to), channels_(channels) {}

    void Push(const float* frames, std::int64_t n, std::vector<float>& out)
    {
        for (;; ++next_) {
            const std::int64_t t = next_ * from_;
            const std::int64_t i = t / to_;
            if (i + 1 >= base_ + n)
                break;
            const float f = float(t % to_) / float(to_);
            const float* a = i < base_ ? prev_.data() : frames + (i - base_) * channels_;
            const float* b = frames + (i + 1 - base_) * channels_;
            for (int c = 0; c < channels_; ++c)
                out.push_back(a[c] + (b[c] - a[c]) * f);
        }
        if (n > 0) {
            prev_.assign(frames + (n - 1) * channels_, frames + n * channels_);
            base_ += n;
        }
    }

    // The output frame that falls exactly on the last source frame.
    void Finish(std::vector<float>& out)
    {
        if (base_ > 0 && next_ * from_ == (base_ - 1) * to_)
            out.insert(out.end(), prev_.begin(), prev_.end());
    }

private:
    std::int64_t from_, to_;
    int channels_;
    std::int64_t next_ = 0; // the next output frame
    std::int64_t base_ = 0; // the source index of the block's first frame
    std::vector<float> prev_; // source frame base_ - 1
};

} // namespace

// libsndfile reads through these callbacks, from memory or from a file
// descriptor.
struct TSoundFile::TSource {
    virtual ~TSource() = default;
    virtual sf_count_t Length() = 0;
    virtual sf_count_t Seek(sf_count_t offset, int whence) = 0;
    virtual sf_count_t Read(void* to, sf_count_t count) = 0;
    virtual sf_count_t Tell() = 0;

    static SF_VIRTUAL_IO Io()
    {
        SF_VIRTUAL_IO io{};
        io.get_filelen = [](void* s) { return static_cast<TSource*>(s)->Length(); };
        io.seek = [](sf_count_t offset, int whence, void* s) { return static_cast<TSource*>(s)->Seek(offset, whence); };
        io.read = [](void* to, sf_count_t count, void* s) { return static_cast<TSource*>(s)->Read(to, count); };
        io.write = [](const void*, sf_count_t, void*) { return sf_count_t(0); };
        io.tell = [](void* s) { return static_cast<TSource*>(s)->Tell(); };
        return io;
    }
};

namespace {

class TMemorySource final : public TSoundFile::TSource {
public:
    explicit TMemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    sf_count_t Length() override { return bytes_.size(); }
    sf_count_t Seek(sf_count_t offset, int whence) override
    {
        const sf_count_t from = whence == SEEK_CUR ? pos_ : whence == SEEK_END ? Length() : 0;
        if (offset < -from || offset > Length() - from)
            return -1;
        pos_ = from + offset;
        return pos_;
    }
    sf_count_t Read(void* to, sf_count_t count) override
    {
        const sf_count_t n = std::clamp<sf_count_t>(count, 0, Length() - pos_);
        std::memcpy(to, bytes_.constData() + pos_, std::size_t(n));
        pos_ += n;
        return n;
    }
    sf_count_t Tell() override { return pos_; }

private:
    QByteArray bytes_;
    sf_count_t pos_ = 0;
};

class TDescriptorSource final : public TSoundFile::TSource {
public:
    TDescriptorSource(int fd, sf_count_t length) : fd_(fd), length_(length) {}
    ~TDescriptorSource() override { ::close(fd_); }
    sf_count_t Length() override { return length_; }
    sf_count_t Seek(sf_count_t offset, int whence) override { return ::lseek(fd_, offset, whence); }
    sf_count_t Read(void* to, sf_count_t count) override
    {
        ssize_t n;
        do
            n = ::read(fd_, to, std::size_t(std::max<sf_count_t>(count, 0)));
        while (n < 0 && errno == EINTR);
        return n < 0 ? 0 : n;
    }
    sf_count_t Tell() override { return ::lseek(fd_, 0, SEEK_CUR); }

private:
    int fd_;
    sf_count_t length_;
};

} // namespace

std::unique_ptr<TSoundFile> TSoundFile::Open(const QString& path, QString* why)
{
    // Bytes that are not UTF-8 come back as they were on the command line.
    const QByteArray name = FileName::Encode(path);
    struct stat before {};
    if (name.isEmpty() || ::stat(name.constData(), &before) != 0) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound file cannot be read: %1").arg(qt_error_string(name.isEmpty() ? ENOENT : errno)));
        return nullptr;
    }
    // A FIFO or a device would block or act on being opened: only a
    // regular file is, and it must still be the same one once open.
    if (!S_ISREG(before.st_mode)) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound is not a regular file"));
        return nullptr;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound file cannot be read: %1").arg(qt_error_string(errno)));
        return nullptr;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != before.st_dev ||
        opened.st_ino != before.st_ino) {
        ::close(fd);
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound is not a regular file"));
        return nullptr;
    }
    return OpenSource(std::make_unique<TDescriptorSource>(fd, opened.st_size), why);
}

std::unique_ptr<TSoundFile> TSoundFile::OpenBytes(QByteArray bytes, QString* why)
{
    return OpenSource(std::make_unique<TMemorySource>(std::move(bytes)), why);
}

std::unique_ptr<TSoundFile> TSoundFile::OpenSource(std::unique_ptr<TSource> source, QString* why)
{
    if (source->Length() <= 0) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound file is empty"));
        return nullptr;
    }
    std::unique_ptr<TSoundFile> sound(new TSoundFile);
    sound->source_ = std::move(source);
    SF_VIRTUAL_IO io = TSource::Io();
    SF_INFO info{};
    sound->file_ = sf_open_virtual(&io, SFM_READ, &info, sound->source_.get());
    if (!sound->file_) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the file is not a sound that can be played"));
        return nullptr;
    }
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate || info.channels < 1 ||
        info.channels > kMaxChannels) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound cannot be decoded: %1 channels at %2 Hz").arg(info.channels).arg(info.samplerate));
        return nullptr;
    }
    sound->rate_ = info.samplerate;
    sound->channels_ = info.channels;
    // Integer samples as floats in -1..1, whatever their width.
    sf_command(File(sound->file_), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    sound->first_.resize(std::size_t(kBlockFrames) * std::size_t(info.channels));
    const sf_count_t got = sf_readf_float(File(sound->file_), sound->first_.data(), kBlockFrames);
    if (got <= 0) {
        Fail(why, sf_error(File(sound->file_)) != SF_ERR_NO_ERROR ? QCoreApplication::translate("TSoundFile", "the sound cannot be decoded")
                                                                   : QCoreApplication::translate("TSoundFile", "the sound file holds no sound"));
        return nullptr;
    }
    sound->first_.resize(std::size_t(got) * std::size_t(info.channels));
    return sound;
}

TSoundFile::~TSoundFile()
{
    if (file_)
        sf_close(File(file_));
}

std::vector<float> TSoundFile::Decode(TPcmShape shape, float gain, int maxSeconds)
{
    shape.Rate = std::clamp(shape.Rate, kMinRate, kMaxRate);
    shape.Channels = std::clamp(shape.Channels, 1, kMaxChannels);
    maxSeconds = std::max(maxSeconds, 0);
    // One frame more than is played: the last output frame lies between two.
    const std::int64_t maxSource = std::int64_t(maxSeconds) * rate_ + 1;
    const std::size_t maxOut = std::size_t(maxSeconds) * std::size_t(shape.Rate) * std::size_t(shape.Channels);

    std::vector<float> out;
    out.reserve(maxOut);
    std::vector<float> mapped;
    TLinearResampler resampler(rate_, shape.Rate, shape.Channels);
    const auto feed = [&](const float* frames, sf_count_t n) {
        MapChannels(frames, n, channels_, shape.Channels, gain, mapped);
        resampler.Push(mapped.data(), n, out);
    };

    std::vector<float> block = std::move(first_);
    std::int64_t taken = std::min<std::int64_t>(std::int64_t(block.size()) / channels_, maxSource);
    feed(block.data(), taken);
    block.resize(std::size_t(kBlockFrames) * std::size_t(channels_));
    while (file_ && taken < maxSource) {
        const sf_count_t got =
            sf_readf_float(File(file_), block.data(), std::min<sf_count_t>(kBlockFrames, maxSource - taken));
        if (got <= 0)
            break;
        feed(block.data(), got);
        taken += got;
    }
    resampler.Finish(out);
    if (out.size() > maxOut)
        out.resize(maxOut);
    // Read once: the file is done with.
    if (file_)
        sf_close(File(file_));
    file_ = nullptr;
    return out;
}

float VolumeGain(int percent)
{
    const float v = float(std::clamp(percent, 0, 100)) / 100.0f;
    return v * v * v;
}

// -1..1; NaN (a float file may hold it) is silence.
static float Clamped(float s)
{
    return s >= -1.0f ? (s <= 1.0f ? s : 1.0f) : s < -1.0f ? -1.0f : 0.0f;
}

QByteArray SampleBytes(const std::vector<float>& samples, TSampleType type)
{
    const auto put = [&](auto convert) {
        using T = decltype(convert(0.0f));
        QByteArray bytes(qsizetype(samples.size() * sizeof(T)), Qt::Uninitialized);
        auto* to = reinterpret_cast<T*>(bytes.data());
        for (const float s : samples)
            *to++ = convert(Clamped(s));
        return bytes;
    };
    switch (type) {
    case TSampleType::UInt8:
        return put([](float s) { return std::uint8_t(128 + int(s * 127.0f)); });
    case TSampleType::Int16:
        return put([](float s) { return std::int16_t(s * 32767.0f); });
    case TSampleType::Int32:
        return put([](float s) { return std::int32_t(double(s) * 2147483647.0); });
    case TSampleType::Float:
        break;
    }
    return put([](float s) { return s; });
}
