#include "SoundDecoder.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
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

// Positions libsndfile names, as the mix knows them.
TSpeaker Speaker(int position)
{
    switch (position) {
    case SF_CHANNEL_MAP_MONO:
        return TSpeaker::Mono;
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
        return TSpeaker::FrontLeft;
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
        return TSpeaker::FrontRight;
    case SF_CHANNEL_MAP_CENTER:
    case SF_CHANNEL_MAP_FRONT_CENTER:
        return TSpeaker::FrontCentre;
    case SF_CHANNEL_MAP_LFE:
        return TSpeaker::Lfe;
    case SF_CHANNEL_MAP_REAR_LEFT:
        return TSpeaker::RearLeft;
    case SF_CHANNEL_MAP_REAR_RIGHT:
        return TSpeaker::RearRight;
    case SF_CHANNEL_MAP_REAR_CENTER:
        return TSpeaker::RearCentre;
    case SF_CHANNEL_MAP_SIDE_LEFT:
        return TSpeaker::SideLeft;
    case SF_CHANNEL_MAP_SIDE_RIGHT:
        return TSpeaker::SideRight;
    default:
        return TSpeaker::Other;
    }
}

// The layout the file names, or the usual one for its channel count.
TLayout FileLayout(SNDFILE* file, int channels)
{
    std::vector<int> map(std::size_t(channels), 0);
    if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int))) != SF_TRUE)
        return DefaultLayout(channels);
    TLayout layout;
    for (const int position : map)
        layout.push_back(Speaker(position));
    return layout;
}

bool Audible(const float* samples, std::size_t count)
{
    // NaN (a float file may hold it) compares false: not heard.
    return std::any_of(samples, samples + count, [](float s) { return s >= kAudibleLevel || s <= -kAudibleLevel; });
}

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

std::unique_ptr<TSoundFile> TSoundFile::Open(const QString& path, QString* why, int maxSeconds)
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
    return OpenSource(std::make_unique<TDescriptorSource>(fd, opened.st_size), why, maxSeconds);
}

std::unique_ptr<TSoundFile> TSoundFile::OpenBytes(QByteArray bytes, QString* why, int maxSeconds)
{
    return OpenSource(std::make_unique<TMemorySource>(std::move(bytes)), why, maxSeconds);
}

std::unique_ptr<TSoundFile> TSoundFile::OpenSource(std::unique_ptr<TSource> source, QString* why, int maxSeconds)
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
    sound->layout_ = FileLayout(File(sound->file_), info.channels);
    // Integer samples as floats in -1..1, whatever their width.
    sf_command(File(sound->file_), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    // A sound is heard in its first block; a silent file is read to the limit
    // of what would play (a 10 s WAV in about a millisecond, see the README).
    const std::int64_t limit = std::int64_t(std::max(maxSeconds, 0)) * info.samplerate;
    std::int64_t frames = 0;
    bool audible = false;
    while (!audible && frames < std::max<std::int64_t>(limit, 1)) {
        const std::size_t at = sound->head_.size();
        sound->head_.resize(at + std::size_t(kBlockFrames) * std::size_t(info.channels));
        const sf_count_t got = sf_readf_float(File(sound->file_), sound->head_.data() + at, kBlockFrames);
        sound->head_.resize(at + std::size_t(std::max<sf_count_t>(got, 0)) * std::size_t(info.channels));
        if (got <= 0)
            break;
        // Only what would play counts.
        const std::int64_t heard = std::min<std::int64_t>(got, std::max<std::int64_t>(limit, 1) - frames);
        audible = Audible(sound->head_.data() + at, std::size_t(heard) * std::size_t(info.channels));
        frames += got;
    }
    if (frames == 0) {
        Fail(why, sf_error(File(sound->file_)) != SF_ERR_NO_ERROR ? QCoreApplication::translate("TSoundFile", "the sound cannot be decoded")
                                                                   : QCoreApplication::translate("TSoundFile", "the sound file holds no sound"));
        return nullptr;
    }
    if (!audible) {
        Fail(why, QCoreApplication::translate("TSoundFile", "the sound is too quiet to be heard (below -60 dBFS)"));
        return nullptr;
    }
    return sound;
}

TSoundFile::~TSoundFile()
{
    if (file_)
        sf_close(File(file_));
}

std::vector<float> TSoundFile::Decode(const TLayout& to, float gain, int maxSeconds)
{
    const std::size_t from = layout_.size();
    const std::size_t outs = std::clamp<std::size_t>(to.size(), 1, kMaxChannels);
    const TLayout device = to.empty() ? TLayout{TSpeaker::Mono} : TLayout(to.begin(), to.begin() + std::ptrdiff_t(outs));
    std::vector<float> matrix = MixMatrix(layout_, device);
    for (float& g : matrix)
        g *= gain;
    // One frame more than is played tells whether the sound was cut.
    const std::int64_t limit = std::int64_t(std::max(maxSeconds, 0)) * rate_;

    std::vector<float> out;
    out.reserve(std::size_t(std::min<std::int64_t>(limit, 1 << 20)) * outs);
    std::int64_t taken = 0;
    const auto feed = [&](const float* frames, std::int64_t n) {
        n = std::min(n, limit + 1 - taken);
        for (std::int64_t f = 0; f < n; ++f, frames += from)
            for (std::size_t o = 0; o < outs; ++o) {
                float sum = 0;
                for (std::size_t i = 0; i < from; ++i)
                    sum += matrix[o * from + i] * (std::isnan(frames[i]) ? 0.0f : frames[i]);
                out.push_back(sum);
            }
        taken += n;
    };

    std::vector<float> block = std::move(head_);
    feed(block.data(), std::int64_t(block.size() / from));
    block.resize(std::size_t(kBlockFrames) * from);
    while (file_ && taken <= limit) {
        const sf_count_t got = sf_readf_float(File(file_), block.data(), kBlockFrames);
        if (got <= 0)
            break;
        feed(block.data(), got);
    }
    if (taken > limit) {
        // Cut at the limit: the last moments fade out instead of clicking.
        out.resize(std::size_t(limit) * outs);
        const std::int64_t fade = std::min<std::int64_t>(limit, std::int64_t(rate_) * kFadeMs / 1000);
        FadeOut(out.data() + (limit - fade) * std::int64_t(outs), int(outs), limit - fade, fade, limit - fade, limit);
    }
    // Read once: the file is done with.
    if (file_)
        sf_close(File(file_));
    file_ = nullptr;
    return out;
}

TLayout DefaultLayout(int channels)
{
    using S = TSpeaker;
    switch (channels) {
    case 1:
        return {S::Mono};
    case 2:
        return {S::FrontLeft, S::FrontRight};
    case 3:
        return {S::FrontLeft, S::FrontRight, S::FrontCentre};
    case 4:
        return {S::FrontLeft, S::FrontRight, S::RearLeft, S::RearRight};
    case 5:
        return {S::FrontLeft, S::FrontRight, S::FrontCentre, S::RearLeft, S::RearRight};
    default:
        break;
    }
    TLayout layout{S::FrontLeft, S::FrontRight, S::FrontCentre, S::Lfe, S::RearLeft, S::RearRight, S::SideLeft, S::SideRight};
    layout.resize(std::size_t(std::max(channels, 0)), S::Other);
    return layout;
}

std::vector<float> MixMatrix(const TLayout& from, const TLayout& to)
{
    using S = TSpeaker;
    static constexpr float kDown = 0.70710678f; // -3 dB
    std::vector<float> gains(from.size() * to.size(), 0.0f);
    const auto at = [&](S speaker) {
        const auto it = std::find(to.begin(), to.end(), speaker);
        return it == to.end() ? -1 : int(it - to.begin());
    };
    if (to.size() == 1) {
        const auto heard = std::count_if(from.begin(), from.end(), [](S s) { return s != S::Lfe; });
        for (std::size_t i = 0; i < from.size(); ++i)
            gains[i] = heard == 0 ? 1.0f / float(from.size()) : from[i] == S::Lfe ? 0.0f : 1.0f / float(heard);
        return gains;
    }
    // A device that names no position known here takes the channels in order.
    const bool named = std::any_of(to.begin(), to.end(), [](S s) { return s != S::Other; });
    // Where a channel the device lacks goes, the first choice the device has.
    const auto routes = [](S s) -> std::vector<std::vector<std::pair<S, float>>> {
        switch (s) {
        case S::Mono:
            return {{{S::FrontLeft, 1.0f}, {S::FrontRight, 1.0f}}, {{S::FrontCentre, 1.0f}}};
        case S::FrontLeft:
            return {{{S::FrontCentre, kDown}}};
        case S::FrontRight:
            return {{{S::FrontCentre, kDown}}};
        case S::FrontCentre:
            return {{{S::FrontLeft, kDown}, {S::FrontRight, kDown}}, {{S::Mono, 1.0f}}};
        case S::RearLeft:
            return {{{S::SideLeft, 1.0f}}, {{S::FrontLeft, kDown}}};
        case S::RearRight:
            return {{{S::SideRight, 1.0f}}, {{S::FrontRight, kDown}}};
        case S::SideLeft:
            return {{{S::RearLeft, 1.0f}}, {{S::FrontLeft, kDown}}};
        case S::SideRight:
            return {{{S::RearRight, 1.0f}}, {{S::FrontRight, kDown}}};
        case S::RearCentre:
            return {{{S::RearLeft, kDown}, {S::RearRight, kDown}},
                    {{S::SideLeft, kDown}, {S::SideRight, kDown}},
                    {{S::FrontLeft, kDown}, {S::FrontRight, kDown}}};
        case S::Lfe:
        case S::Other:
            break;
        }
        return {};
    };
    for (std::size_t i = 0; i < from.size(); ++i) {
        const S s = from[i];
        if (!named || s == S::Other) {
            if (i < to.size() && to[i] == S::Other)
                gains[i * from.size() + i] = 1.0f; // output i, input i
            continue;
        }
        if (const int o = at(s); o >= 0) {
            gains[std::size_t(o) * from.size() + i] = 1.0f;
            continue;
        }
        for (const auto& choice : routes(s)) {
            if (!std::all_of(choice.begin(), choice.end(), [&](const auto& r) { return at(r.first) >= 0; }))
                continue;
            for (const auto& [speaker, gain] : choice)
                gains[std::size_t(at(speaker)) * from.size() + i] = gain;
            break;
        }
    }
    return gains;
}

float VolumeGain(int percent)
{
    const float v = float(std::clamp(percent, 0, 100)) / 100.0f;
    return v * v * v;
}

void FadeOut(float* samples, int channels, std::int64_t start, std::int64_t length, std::int64_t from,
             std::int64_t end)
{
    for (std::int64_t f = from; f < end; ++f, samples += channels) {
        const float gain = f < start ? 1.0f : f >= start + length ? 0.0f : float(start + length - f) / float(length);
        for (int c = 0; c < channels; ++c)
            samples[c] *= gain;
    }
}
