// The sound player, kept in a module of its own: libpulse, libsndfile and the
// codec libraries they pull in are loaded only when a sound first plays, not
// while the window comes up.
#include <QThread>
#include <QThreadPool>

#include <sys/stat.h>

#include <functional>
#include <list>
#include <map>

#include "FileName.h"
#include "PulseServer.h"
#include "SoundDecoder.h"
#include "SoundModule.h"

namespace {

// A play of the sound a channel still plays, with more than this to go,
// leaves it playing (the alarm steps come every 5 s, a sound lasts up to 10).
constexpr int kPlaysOnMs = 1000;

// The channels and their streams. Lives on a thread of its own: connecting
// may wait on name lookups and the server, and that holds up this thread
// only, never the window's. Sounds are decoded on worker threads and handed
// back here.
class TSinkOutput final : public QObject {
public:
    TSinkOutput() : server_([this](std::function<void()> call) { Post(std::move(call)); })
    {
        workers_.setMaxThreadCount(2);
    }
    ~TSinkOutput() override
    {
        workers_.waitForDone();
        Reap(true);
    }

    void Play(const std::shared_ptr<TSoundFile>& sound, const QString& path, int volume, int channel)
    {
        TChannel& ch = channels_[channel];
        const bool connected = server_.Connect([this] { Connected(); });
        if (!connected)
            DropStreams();
        else if (ch.Path == path && ch.Volume == volume && PlaysOn(ch))
            return; // the alarm's own sound still plays: let it
        Cut(ch);
        ch.Path = path, ch.Volume = volume, ch.Waiting = sound;
        if (server_.Ready())
            AskLayout(channel);
    }

    void Stop(int channel)
    {
        const auto it = channels_.find(channel);
        if (it != channels_.end())
            Cut(it->second);
    }

private:
    static constexpr int kMaxSoundSeconds = TSoundService::kMaxSoundSeconds;

    struct TChannel {
        std::uint64_t Generation = 0;
        QString Path;
        int Volume = 0;
        std::shared_ptr<TSoundFile> Waiting; // for the server or the decoder
        std::shared_ptr<TStream> Current;
    };

    void Post(std::function<void()> call)
    {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }

    // Whether the channel's sound is still to come or has a while to play.
    bool PlaysOn(const TChannel& ch)
    {
        if (ch.Waiting)
            return true;
        if (!ch.Current)
            return false;
        server_.Lock();
        const bool on = !ch.Current->Done && ch.Current->FadeStart < 0 &&
                        (ch.Current->Frames - ch.Current->Written) * 1000 > ch.Current->Rate * kPlaysOnMs;
        server_.Unlock();
        return on;
    }

    // The channel's sound fades out over a few milliseconds and is released
    // once played; one still on its way is dropped.
    void Cut(TChannel& ch)
    {
        ++ch.Generation;
        ch.Waiting.reset();
        ch.Path.clear();
        if (!ch.Current)
            return;
        server_.Lock();
        FadeAway(*ch.Current);
        server_.Unlock();
        leaving_.push_back(std::move(ch.Current));
    }

    void Connected()
    {
        for (auto& [channel, ch] : channels_)
            if (ch.Waiting)
                AskLayout(channel);
    }

    void AskLayout(int channel)
    {
        const std::uint64_t generation = channels_[channel].Generation;
        server_.AskLayout([this, channel, generation](const pa_channel_map& map) {
            TChannel& ch = channels_[channel];
            if (ch.Generation != generation || !ch.Waiting)
                return;
            std::shared_ptr<TSoundFile> sound = ch.Waiting;
            const TLayout layout = SpeakerLayout(map);
            const float gain = VolumeGain(ch.Volume);
            workers_.start([this, sound, layout, gain, channel, generation, map] {
                auto s = std::make_shared<TStream>();
                s->Pcm = sound->Decode(layout, gain, kMaxSoundSeconds);
                s->Channels = std::int64_t(layout.size());
                s->Frames = std::int64_t(s->Pcm.size()) / s->Channels;
                s->Rate = sound->Rate();
                Post([this, s, channel, generation, map] { Start(s, channel, generation, map); });
            });
        });
    }

    void Start(const std::shared_ptr<TStream>& s, int channel, std::uint64_t generation, const pa_channel_map& map)
    {
        TChannel& ch = channels_[channel];
        if (ch.Generation != generation || !ch.Waiting)
            return; // replaced or stopped meanwhile
        ch.Waiting.reset();
        if (s->Frames == 0)
            return;
        // Played out or failed: released at once, with its memory.
        s->Ended = [this] { Post([this] { Reap(false); }); };
        server_.Lock();
        const bool started = server_.Start(*s, map);
        server_.Unlock();
        if (started)
            ch.Current = s;
    }

    void Reap(bool all)
    {
        const auto done = [all](const std::shared_ptr<TStream>& s) { return s && (all || s->Done); };
        server_.Lock();
        for (auto& [channel, ch] : channels_)
            if (done(ch.Current))
                TPulseServer::Release(*ch.Current), ch.Current.reset();
        for (auto it = leaving_.begin(); it != leaving_.end();)
            if (done(*it))
                TPulseServer::Release(**it), it = leaving_.erase(it);
            else
                ++it;
        server_.Unlock();
    }

    // The server went away, and its streams with it; sounds still waiting go
    // to the new connection.
    void DropStreams() { Reap(true); }

    TPulseServer server_;
    std::map<int, TChannel> channels_;
    std::list<std::shared_ptr<TStream>> leaving_; // cut, fading out
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
        // A silent file is decoded to its limit before it is refused (up to
        // some 25 ms of CPU for Opus): the alarm's later steps get the same
        // answer at once, unless the file has changed.
        const QByteArray key = FileKey(path);
        QString reason = key.isEmpty() || key != refused_ ? QString() : refusedWhy_;
        std::shared_ptr<TSoundFile> sound = reason.isEmpty() ? TSoundFile::Open(path, &reason, kMaxSoundSeconds) : nullptr;
        if (!sound) {
            refused_ = key, refusedWhy_ = reason;
            if (why)
                *why = reason;
            return false;
        }
        Post([sound, path, volume, channel](TSinkOutput& output) { output.Play(sound, path, volume, channel); });
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
    static constexpr int kMaxSoundSeconds = TSoundService::kMaxSoundSeconds;

    void Post(std::function<void(TSinkOutput&)> call)
    {
        if (thread_)
            QMetaObject::invokeMethod(
                output_, [output = output_, call = std::move(call)] { call(*output); }, Qt::QueuedConnection);
    }

    // The file as it is now: where it lies, its size and its last change.
    static QByteArray FileKey(const QString& path)
    {
        struct stat st {};
        if (::stat(FileName::Encode(path).constData(), &st) != 0)
            return {};
        return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':' +
               QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
               QByteArray::number(qint64(st.st_mtim.tv_nsec));
    }

    std::unique_ptr<QThread> thread_;
    TSinkOutput* output_; // lives on thread_, deleted there
    QByteArray refused_; // the file last refused, and why
    QString refusedWhy_;
};

} // namespace

extern "C" Q_DECL_EXPORT TSoundService* pocosa_make_sound_service()
{
    return new TSinkPlayer;
}
