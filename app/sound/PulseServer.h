#pragma once

// The connection to the sound server (PulseAudio, or PipeWire's server for
// it) through libpulse itself rather than Qt Multimedia: Qt 6.4 connects its
// one process-wide PulseAudio context once and never again after a
// connection that failed at once (no server yet, a stale socket), so a
// server restarted later would leave every alarm of the run silent. Here a
// context that failed is made anew at the next play.

#include <QElapsedTimer>

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "SoundDecoder.h"

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
    bool Done = false;           // drained or failed: the sound thread releases it
    std::function<void()> Ended; // posts the release to the sound thread
};

// Ends a stream that was heard with a fade of TSoundFile::kFadeMs from what
// the server has not been given yet; one not heard yet ends at once. Under
// the lock.
void FadeAway(TStream& s);

// The speakers of a device's channels, as the decoder names them.
TLayout SpeakerLayout(const pa_channel_map& map);

// The connection and its main loop thread. Every call but the callbacks
// comes from the sound thread; `post` runs a call there.
class TPulseServer {
public:
    using TPost = std::function<void(std::function<void()>)>;

    explicit TPulseServer(TPost post) : post_(std::move(post)) {}
    ~TPulseServer();
    TPulseServer(const TPulseServer&) = delete;
    TPulseServer& operator=(const TPulseServer&) = delete;

    // The main loop's lock; before the first play there is no loop and
    // nothing to guard.
    void Lock();
    void Unlock();

    // A usable connection, or one under way; a failed or stuck one is made
    // anew, and `ready` posted once it is ready (false: what was connected
    // before is gone).
    bool Connect(const std::function<void()>& ready);
    bool Ready();

    // The default sink's channel map, given to `done` on the sound thread
    // (front left and right when the server names none).
    void AskLayout(std::function<void(const pa_channel_map&)> done);

    // Starts a stream of s.Pcm; false when the server is not there. Under
    // the lock.
    bool Start(TStream& s, const pa_channel_map& map);
    // Ends a stream at once. Under the lock.
    static void Release(TStream& s);

private:
    struct TAsk;
    static void SinkInfo(pa_context*, const pa_sink_info* info, int last, void* data);
    static void ContextState(pa_context* context, void* data);
    bool ReadyLocked() const;
    void Drop();

    TPost post_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr; // under the lock
    std::function<void()> ready_;
    QElapsedTimer since_;
};
