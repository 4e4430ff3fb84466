// The sound player, kept in a module of its own: libpulse, libsndfile and the
// codec libraries they pull in are loaded only when a sound first plays, not
// while the window comes up.
//
// It talks to the sound server (PulseAudio, or PipeWire's server for it)
// with libpulse itself rather than through Qt Multimedia: Qt 6.4 connects its
// one process-wide PulseAudio context once, never again after a connection
// that failed at once (no server yet, a stale socket), so a server restarted
// later would leave every alarm of the run silent. Here a context that
// failed is made anew at the next play.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <pulse/pulseaudio.h>

#include <functional>
#include <list>
#include <map>

#include "SoundDecoder.h"
#include "SoundModule.h"

namespace {

TSpeaker Speaker(pa_channel_position_t position)
{
    switch (position) {
    case PA_CHANNEL_POSITION_MONO:
        return TSpeaker::Mono;
    case PA_CHANNEL_POSITION_FRONT_LEFT:
        return TSpeaker::FrontLeft;
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
        return TSpeaker::FrontRight;
    case PA_CHANNEL_POSITION_FRONT_CENTER:
        return TSpeaker::FrontCentre;
    case PA_CHANNEL_POSITION_LFE:
        return TSpeaker::Lfe;
    case PA_CHANNEL_POSITION_REAR_LEFT:
        return TSpeaker::RearLeft;
    case PA_CHANNEL_POSITION_REAR_RIGHT:
        return TSpeaker::RearRight;
    case PA_CHANNEL_POSITION_REAR_CENTER:
        return TSpeaker::RearCentre;
    case PA_CHANNEL_POSITION_SIDE_LEFT:
        return TSpeaker::SideLeft;
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
        return TSpeaker::SideRight;
    default:
        return TSpeaker::Other;
    }
}

// One sound on its way to the server. Its fields are touched under the main
// loop's lock only: the loop's thread feeds the stream, the sound thread
// starts, cuts and releases it.
struct TStream {
    pa_stream* Stream = nullptr;
    std::vector<float> Pcm;
    std::int64_t Channels = 1;
    std::int64_t Frames = 0;  // to hand over; a cut ends it after its fade
    std::int64_t Written = 0; // handed over so far
    std::int64_t Rate = 0;
    std::int64_t FadeStart = -1, FadeFrames = 0;
    bool Draining = false;
    bool Done = false; // drained or failed: the sound thread releases it
    std::function<void()> Ended; // posts the release to the sound thread
};

// A stream's buffer at the server: short, so that a stop is heard soon.
constexpr int kBufferMs = 80;
// A connection that has not become ready in this time is given up.
constexpr int kConnectMs = 5000;
// A play of the sound a channel still plays, with more than this to go,
// leaves it playing (the alarm steps come every 5 s, a sound lasts up to 10).
constexpr int kPlaysOnMs = 1000;

void Feed(TStream& s);

void Drained(pa_stream*, int, void* data)
{
    auto& s = *static_cast<TStream*>(data);
    s.Done = true;
    s.Ended();
}

void Writable(pa_stream*, std::size_t, void* data)
{
    Feed(*static_cast<TStream*>(data));
}

void StreamState(pa_stream* stream, void* data)
{
    auto& s = *static_cast<TStream*>(data);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY)
        Feed(s);
    else if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        s.Done = true;
        s.Ended();
    }
}

// Hands the server what it asks for; after the last frame, drains the stream
// so that it is released only once the server has played all of it.
void Feed(TStream& s)
{
    if (s.Done || pa_stream_get_state(s.Stream) != PA_STREAM_READY)
        return;
    const std::size_t frameBytes = std::size_t(s.Channels) * sizeof(float);
    std::size_t bytes = pa_stream_writable_size(s.Stream);
    if (bytes != std::size_t(-1) && s.Written < s.Frames) {
        bytes = std::min(bytes, std::size_t(s.Frames - s.Written) * frameBytes) / frameBytes * frameBytes;
        void* to = nullptr;
        if (bytes > 0 && pa_stream_begin_write(s.Stream, &to, &bytes) == 0 && to && bytes >= frameBytes) {
            const std::int64_t n = std::int64_t(bytes / frameBytes);
            auto* out = static_cast<float*>(to);
            std::copy_n(s.Pcm.data() + s.Written * s.Channels, n * s.Channels, out);
            if (s.FadeStart >= 0)
                FadeOut(out, int(s.Channels), s.FadeStart, s.FadeFrames, s.Written, s.Written + n);
            pa_stream_write(s.Stream, to, std::size_t(n) * frameBytes, nullptr, 0, PA_SEEK_RELATIVE);
            s.Written += n;
        } else if (to) {
            pa_stream_cancel_write(s.Stream);
        }
    }
    if (s.Written >= s.Frames && !s.Draining) {
        s.Draining = true;
        if (pa_operation* op = pa_stream_drain(s.Stream, Drained, &s))
            pa_operation_unref(op);
        else
            Drained(s.Stream, 0, &s);
    }
}

// The connection to the sound server and its main loop thread. Every call
// but the callbacks comes from the sound thread.
class TServer {
public:
    using TPost = std::function<void(std::function<void()>)>;

    explicit TServer(TPost post) : post_(std::move(post)) {}
    ~TServer()
    {
        if (!loop_)
            return;
        Lock();
        Drop();
        Unlock();
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }

    // Before the first play there is no loop and nothing to guard.
    void Lock()
    {
        if (loop_)
            pa_threaded_mainloop_lock(loop_);
    }
    void Unlock()
    {
        if (loop_)
            pa_threaded_mainloop_unlock(loop_);
    }

    // A usable connection, or one under way; a failed or stuck one is made
    // anew (false: what was connected before is gone).
    bool Connect(const std::function<void()>& ready)
    {
        if (!loop_) {
            loop_ = pa_threaded_mainloop_new();
            if (loop_ && pa_threaded_mainloop_start(loop_) != 0)
                pa_threaded_mainloop_free(loop_), loop_ = nullptr;
            if (!loop_)
                return false;
        }
        Lock();
        const pa_context_state_t state = context_ ? pa_context_get_state(context_) : PA_CONTEXT_FAILED;
        const bool usable = state == PA_CONTEXT_READY || (PA_CONTEXT_IS_GOOD(state) && since_.elapsed() < kConnectMs);
        if (!usable) {
            Drop();
            ready_ = ready;
            pa_proplist* props = pa_proplist_new();
            pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, QCoreApplication::applicationName().toUtf8().constData());
            pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "pocosa");
            context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), nullptr, props);
            pa_proplist_free(props);
            if (context_) {
                pa_context_set_state_callback(context_, ContextState, this);
                pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
            }
            since_.start();
        }
        Unlock();
        return usable;
    }

    bool Ready() const { return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY; }

    // The default sink's channel map, given to `done` on the sound thread
    // (front left and right when the server names none).
    void AskLayout(std::function<void(const pa_channel_map&)> done)
    {
        auto* ask = new TAsk{this, std::move(done), {}};
        pa_channel_map_init_stereo(&ask->Map);
        Lock();
        pa_operation* op = Ready() ? pa_context_get_sink_info_by_name(context_, "@DEFAULT_SINK@", SinkInfo, ask) : nullptr;
        Unlock();
        if (op)
            pa_operation_unref(op);
        else
            post_([ask] { ask->Done(ask->Map), delete ask; });
    }

    // Starts a stream; null when the server is not there. Under the lock.
    pa_stream* NewStream(TStream& s, const pa_channel_map& map)
    {
        if (!Ready())
            return nullptr;
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, std::uint32_t(s.Rate), std::uint8_t(s.Channels)};
        pa_stream* stream = pa_stream_new(context_, "alarm", &spec, &map);
        if (!stream)
            return nullptr;
        s.Stream = stream;
        pa_stream_set_state_callback(stream, StreamState, &s);
        pa_stream_set_write_callback(stream, Writable, &s);
        pa_buffer_attr attr{std::uint32_t(-1), std::uint32_t(pa_usec_to_bytes(kBufferMs * PA_USEC_PER_MSEC, &spec)),
                            std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1)};
        if (pa_stream_connect_playback(stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
            Release(s);
            return nullptr;
        }
        return stream;
    }

    // Ends a stream at once. Under the lock.
    static void Release(TStream& s)
    {
        if (!s.Stream)
            return;
        pa_stream_set_state_callback(s.Stream, nullptr, nullptr);
        pa_stream_set_write_callback(s.Stream, nullptr, nullptr);
        pa_stream_disconnect(s.Stream);
        pa_stream_unref(s.Stream);
        s.Stream = nullptr;
        s.Done = true;
    }

private:
    struct TAsk {
        TServer* Server;
        std::function<void(const pa_channel_map&)> Done;
        pa_channel_map Map;
    };

    static void SinkInfo(pa_context*, const pa_sink_info* info, int last, void* data)
    {
        auto* ask = static_cast<TAsk*>(data);
        if (last == 0 && info && pa_channel_map_valid(&info->channel_map))
            ask->Map = info->channel_map;
        if (last != 0)
            ask->Server->post_([ask] { ask->Done(ask->Map), delete ask; });
    }

    static void ContextState(pa_context* context, void* data)
    {
        auto* server = static_cast<TServer*>(data);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY && server->ready_)
            server->post_(server->ready_);
        else if (!PA_CONTEXT_IS_GOOD(state))
            pa_threaded_mainloop_signal(server->loop_, 0);
    }

    // Under the lock.
    void Drop()
    {
        if (!context_)
            return;
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }

    TPost post_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr; // under the lock
    std::function<void()> ready_;
    QElapsedTimer since_;
};

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
        TStream& s = *ch.Current;
        if (!s.Done && s.FadeStart < 0 && s.Written < s.Frames) {
            // Nothing heard yet: nothing to fade.
            s.FadeStart = s.Written;
            s.FadeFrames = s.Written == 0 ? 0 : std::min<std::int64_t>(s.Frames - s.Written, s.Rate * TSoundFile::kFadeMs / 1000);
            s.Frames = s.Written + s.FadeFrames;
            Feed(s);
        }
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
            TLayout layout;
            for (int c = 0; c < map.channels; ++c)
                layout.push_back(Speaker(map.map[c]));
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
        TStream* raw = s.get();
        s->Ended = [this, raw] { Post([this, raw] { Ended(raw); }); };
        server_.Lock();
        const bool started = server_.NewStream(*s, map) != nullptr;
        server_.Unlock();
        if (started)
            ch.Current = s;
    }

    // A stream played out or failed: released at once, with its memory.
    void Ended(TStream* stream)
    {
        (void)stream;
        Reap(false);
    }

    void Reap(bool all)
    {
        const auto done = [all](const std::shared_ptr<TStream>& s) { return s && (all || s->Done); };
        server_.Lock();
        for (auto& [channel, ch] : channels_)
            if (done(ch.Current))
                TServer::Release(*ch.Current), ch.Current.reset();
        for (auto it = leaving_.begin(); it != leaving_.end();)
            if (done(*it))
                TServer::Release(**it), it = leaving_.erase(it);
            else
                ++it;
        server_.Unlock();
    }

    // The server went away, and its streams with it; sounds still waiting go
    // to the new connection.
    void DropStreams() { Reap(true); }

    TServer server_;
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
        std::shared_ptr<TSoundFile> sound = TSoundFile::Open(path, why, kMaxSoundSeconds);
        if (!sound)
            return false;
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

    std::unique_ptr<QThread> thread_;
    TSinkOutput* output_; // lives on thread_, deleted there
};

} // namespace

extern "C" Q_DECL_EXPORT TSoundService* pocosa_make_sound_service()
{
    return new TSinkPlayer;
}
