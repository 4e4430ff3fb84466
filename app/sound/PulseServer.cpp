#include "PulseServer.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// A stream's buffer at the server: short, so that a stop is heard soon;
// long enough to ride out a busy machine.
constexpr int kBufferMs = 150;
// A connection that has not become ready in this time is given up.
constexpr int kConnectMs = 5000;

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

} // namespace

TLayout SpeakerLayout(const pa_channel_map& map)
{
    TLayout layout;
    for (int c = 0; c < map.channels; ++c)
        layout.push_back(Speaker(map.map[c]));
    return layout;
}

void FadeAway(TStream& s)
{
    if (s.Done || s.FadeStart >= 0 || s.Written >= s.Frames)
        return; // gone, fading or draining already
    // Nothing heard yet: nothing to fade.
    s.FadeStart = s.Written;
    s.FadeFrames = s.Written == 0 ? 0 : std::min<std::int64_t>(s.Frames - s.Written, s.Rate * TSoundFile::kFadeMs / 1000);
    s.Frames = s.Written + s.FadeFrames;
    Feed(s);
}

struct TPulseServer::TAsk {
    TPulseServer* Server;
    std::function<void(const pa_channel_map&)> Done;
    pa_channel_map Map;
};

TPulseServer::~TPulseServer()
{
    if (!loop_)
        return;
    Lock();
    Drop();
    Unlock();
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void TPulseServer::Lock()
{
    if (loop_)
        pa_threaded_mainloop_lock(loop_);
}

void TPulseServer::Unlock()
{
    if (loop_)
        pa_threaded_mainloop_unlock(loop_);
}

bool TPulseServer::Connect(const std::function<void()>& ready)
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
        // No autospawn: a server is the desktop's to start. Failing here
        // prints nothing; the next play tries again.
        if (context_) {
            pa_context_set_state_callback(context_, ContextState, this);
            pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        }
        since_.start();
    }
    Unlock();
    return usable;
}

bool TPulseServer::Ready()
{
    Lock();
    const bool ready = ReadyLocked();
    Unlock();
    return ready;
}

bool TPulseServer::ReadyLocked() const
{
    return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

void TPulseServer::AskLayout(std::function<void(const pa_channel_map&)> done)
{
    auto* ask = new TAsk{this, std::move(done), {}};
    pa_channel_map_init_stereo(&ask->Map);
    Lock();
    pa_operation* op = ReadyLocked() ? pa_context_get_sink_info_by_name(context_, "@DEFAULT_SINK@", SinkInfo, ask) : nullptr;
    if (op)
        pa_operation_unref(op);
    Unlock();
    if (!op)
        post_([ask] { ask->Done(ask->Map), delete ask; });
}

bool TPulseServer::Start(TStream& s, const pa_channel_map& map)
{
    if (!ReadyLocked())
        return false;
    // Floats at the file's own rate: the volume loses nothing, and the
    // server converts the rate with its filtered resampler.
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, std::uint32_t(s.Rate), std::uint8_t(s.Channels)};
    s.Stream = pa_stream_new(context_, "alarm", &spec, &map);
    if (!s.Stream)
        return false;
    pa_stream_set_state_callback(s.Stream, StreamState, &s);
    pa_stream_set_write_callback(s.Stream, Writable, &s);
    const pa_buffer_attr attr{std::uint32_t(-1), std::uint32_t(pa_usec_to_bytes(kBufferMs * PA_USEC_PER_MSEC, &spec)),
                              std::uint32_t(-1), std::uint32_t(-1), std::uint32_t(-1)};
    if (pa_stream_connect_playback(s.Stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
        Release(s);
        return false;
    }
    return true;
}

void TPulseServer::Release(TStream& s)
{
    s.Done = true;
    if (!s.Stream)
        return;
    pa_stream_set_state_callback(s.Stream, nullptr, nullptr);
    pa_stream_set_write_callback(s.Stream, nullptr, nullptr);
    pa_stream_disconnect(s.Stream);
    pa_stream_unref(s.Stream);
    s.Stream = nullptr;
}

void TPulseServer::SinkInfo(pa_context*, const pa_sink_info* info, int last, void* data)
{
    auto* ask = static_cast<TAsk*>(data);
    if (last == 0 && info && pa_channel_map_valid(&info->channel_map))
        ask->Map = info->channel_map;
    if (last != 0)
        ask->Server->post_([ask] { ask->Done(ask->Map), delete ask; });
}

void TPulseServer::ContextState(pa_context* context, void* data)
{
    auto* server = static_cast<TPulseServer*>(data);
    if (pa_context_get_state(context) == PA_CONTEXT_READY && server->ready_)
        server->post_(server->ready_);
}

// Under the lock.
void TPulseServer::Drop()
{
    if (!context_)
        return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}
