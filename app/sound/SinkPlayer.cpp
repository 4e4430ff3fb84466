// The sound player, kept in a module of its own: Qt Multimedia, libsndfile
// and the codec libraries they pull in are loaded only when a sound first
// plays, not while the window comes up.
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFileInfo>
#include <QMediaDevices>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <functional>
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
// sound server mixes the channels. Lives on a thread of its own: the first
// use of Qt Multimedia connects to the sound server and waits for its answer,
// and a server that takes the connection and never answers holds up this
// thread only, never the window's. Sounds are decoded on worker threads and
// handed back here.
class TSinkOutput final : public QObject {
public:
    TSinkOutput() { workers_.setMaxThreadCount(2); }
    ~TSinkOutput() override
    {
        workers_.waitForDone();
        for (auto& [channel, ch] : channels_)
            Release(ch);
    }

    void Play(const std::shared_ptr<TSoundFile>& sound, int volume, int channel)
    {
        TChannel& ch = channels_[channel];
        const std::uint64_t generation = ++ch.Generation;
        Release(ch);
        if (!SoundServerReachable())
            return; // no sound server: silent
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return; // no device, no sound server: silent
        const QAudioFormat format = DeviceFormat(device);
        workers_.start([this, sound, volume, channel, generation, device, format] {
            const std::vector<float> pcm =
                sound->Decode({format.sampleRate(), format.channelCount()}, VolumeGain(volume), kMaxSoundSeconds);
            QByteArray bytes = SampleBytes(pcm, *SampleType(format.sampleFormat()));
            QMetaObject::invokeMethod(
                this, [=, this] { Start(channel, generation, device, format, bytes); }, Qt::QueuedConnection);
        });
    }

    void Stop(int channel)
    {
        const auto it = channels_.find(channel);
        if (it == channels_.end())
            return;
        ++it->second.Generation; // a sound still decoding is dropped
        Release(it->second);
    }

private:
    static constexpr int kMaxSoundSeconds = TSoundService::kMaxSoundSeconds;

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

// The player the program holds: the file is checked on the caller's thread
// (so that a file that cannot be played is told at once), the rest is posted
// to the output's thread in order.
class TSinkPlayer final : public TSoundService {
public:
    TSinkPlayer() : thread_(std::make_unique<QThread>()), output_(new TSinkOutput)
    {
        thread_->setObjectName(QStringLiteral("pocosa-sound"));
        output_->moveToThread(thread_.get());
        thread_->start();
    }
    ~TSinkPlayer() override { End(kEndWaitMs); }

    void play(const QString& path) override { Play(path, 100, 0, nullptr); }

    bool Play(const QString& path, int volume, int channel, QString* why) override
    {
        std::shared_ptr<TSoundFile> sound = TSoundFile::Open(path, why);
        if (!sound)
            return false;
        Post([sound, volume, channel](TSinkOutput& output) { output.Play(sound, volume, channel); });
        return true;
    }

    void Stop(int channel) override
    {
        Post([channel](TSinkOutput& output) { output.Stop(channel); });
    }

    bool End(int waitMs) override
    {
        if (!thread_)
            return true;
        // The output ends on its own thread, once what was posted before has run.
        output_->deleteLater();
        thread_->quit();
        if (thread_->wait(waitMs)) {
            thread_.reset();
            return true;
        }
        (void)thread_.release(); // held up by the sound server: left to itself
        return false;
    }

private:
    static constexpr int kEndWaitMs = 1000;

    void Post(std::function<void(TSinkOutput&)> call)
    {
        if (thread_)
            QMetaObject::invokeMethod(
                output_, [output = output_, call = std::move(call)] { call(*output); }, Qt::QueuedConnection);
    }

    std::unique_ptr<QThread> thread_;
    TSinkOutput* output_; // lives on thread_, deleted there
};

} // namespace

extern "C" Q_DECL_EXPORT TSoundService* pocosa_make_sound_service()
{
    return new TSinkPlayer;
}
