// The sound player, kept in a module of its own: Qt Multimedia, libsndfile
// and the codec libraries they pull in are loaded only when a sound first
// plays, not while the window comes up.
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFileInfo>
#include <QMediaDevices>
#include <QThreadPool>

#include <algorithm>
#include <map>
#include <optional>

#include "SoundDecoder.h"
#include "SoundModule.h"

namespace {

std::optional<TSampleType> SampleType(QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8:
        return TSampleType::UInt8;
    case QAudioFormat::Int16:
        return TSampleType::Int16;
    case QAudioFormat::Int32:
        return TSampleType::Int32;
    case QAudioFormat::Float:
        return TSampleType::Float;
    default:
        return std::nullopt;
    }
}

// The format the device plays: its own preferred one when the samples are of
// a type decoded here, else 16-bit at its preferred rate and channels.
QAudioFormat DeviceFormat(const QAudioDevice& device)
{
    QAudioFormat format = device.preferredFormat();
    if (!format.isValid() || !SampleType(format.sampleFormat())) {
        format.setSampleRate(format.sampleRate() > 0 ? format.sampleRate() : 48000);
        format.setChannelCount(format.channelCount() > 0 ? format.channelCount() : 2);
        format.setSampleFormat(QAudioFormat::Int16);
    }
    return format;
}

// Qt Multimedia plays through PulseAudio (or PipeWire's server for it) and
// warns on standard error when there is none; a timer on a machine without
// sound is silent instead. The places libpulse looks for its server.
bool SoundServerReachable()
{
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    QStringList sockets{QStringLiteral("/run/pulse/native"), QStringLiteral("/var/run/pulse/native")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        sockets.prepend(runtime + QStringLiteral("/pulse/native"));
    return std::any_of(sockets.begin(), sockets.end(), [](const QString& s) { return QFileInfo::exists(s); });
}

// One QAudioSink per channel, each fed from the decoded sound in memory; the
// sound server mixes the channels. The file is checked at the play, decoded
// on a worker thread and handed to the sink back on this thread.
class TSinkPlayer final : public QObject, public TSoundService {
public:
    TSinkPlayer() { workers_.setMaxThreadCount(2); }
    ~TSinkPlayer() override
    {
        workers_.waitForDone();
        for (auto& [channel, ch] : channels_)
            Release(ch);
    }

    void play(const QString& path) override { Play(path, 100, 0, nullptr); }

    bool Play(const QString& path, int volume, int channel, QString* why) override
    {
        std::shared_ptr<TSoundFile> sound = TSoundFile::Open(path, why);
        if (!sound)
            return false;
        TChannel& ch = channels_[channel];
        Release(ch);
        if (!SoundServerReachable())
            return true; // no sound server: silent
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return true; // no device, no sound server: silent
        const QAudioFormat format = DeviceFormat(device);
        const std::uint64_t generation = ++ch.Generation;
        workers_.start([this, sound, volume, channel, generation, device, format] {
            const std::vector<float> pcm =
                sound->Decode({format.sampleRate(), format.channelCount()}, VolumeGain(volume), kMaxSoundSeconds);
            QByteArray bytes = SampleBytes(pcm, *SampleType(format.sampleFormat()));
            QMetaObject::invokeMethod(
                this, [=, this] { Start(channel, generation, device, format, bytes); }, Qt::QueuedConnection);
        });
        return true;
    }

    void Stop(int channel) override
    {
        const auto it = channels_.find(channel);
        if (it == channels_.end())
            return;
        ++it->second.Generation; // a sound still decoding is dropped
        Release(it->second);
    }

private:
    struct TChannel {
        std::uint64_t Generation = 0;
        std::unique_ptr<QAudioSink> Sink;
        std::unique_ptr<QBuffer> Source;
    };

    static void Release(TChannel& ch)
    {
        if (ch.Sink) {
            QObject::disconnect(ch.Sink.get(), nullptr, nullptr, nullptr);
            ch.Sink->stop();
        }
        ch.Sink.reset();
        ch.Source.reset();
    }

    void Start(int channel, std::uint64_t generation, const QAudioDevice& device, const QAudioFormat& format,
               const QByteArray& bytes)
    {
        TChannel& ch = channels_[channel];
        if (ch.Generation != generation || bytes.isEmpty())
            return; // replaced or stopped meanwhile
        Release(ch);
        ch.Source = std::make_unique<QBuffer>();
        ch.Source->setData(bytes);
        ch.Source->open(QIODevice::ReadOnly);
        ch.Sink = std::make_unique<QAudioSink>(device, format);
        QAudioSink* sink = ch.Sink.get();
        // Played out (or failed): the memory goes at once.
        connect(sink, &QAudioSink::stateChanged, this, [this, channel, generation](QAudio::State state) {
            if (state != QAudio::IdleState && state != QAudio::StoppedState)
                return;
            QMetaObject::invokeMethod(
                this,
                [this, channel, generation] {
                    TChannel& later = channels_[channel];
                    if (later.Generation == generation)
                        Release(later);
                },
                Qt::QueuedConnection);
        });
        sink->start(ch.Source.get());
    }

    std::map<int, TChannel> channels_;
    QThreadPool workers_; // last: waited for before the channels go
};

} // namespace

extern "C" Q_DECL_EXPORT TSoundService* pocosa_make_sound_service()
{
    return new TSinkPlayer;
}
