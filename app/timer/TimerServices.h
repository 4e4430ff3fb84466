#pragma once

#include <QString>

#include <cstdint>
#include <memory>

// Milliseconds on a monotonic clock that keeps running while the machine is
// suspended. The timer window measures elapsed time on it and takes its blink
// phase from it; tests substitute a clock they set by hand.
class TTickClock {
public:
    virtual ~TTickClock() = default;
    virtual std::int64_t Milliseconds() const = 0;
};

// A thread held up at the end by another process that does not answer (a
// session bus, a sound server) is left running; once one was, the process
// ends without waiting for it (main).
void LeaveThreadBehind();
bool ThreadLeftBehind();

// CLOCK_BOOTTIME: monotonic, counts suspend time, starts near 0 at boot.
class TBootClock final : public TTickClock {
public:
    std::int64_t Milliseconds() const override;
};

// Plays sound files asynchronously, once each, on channels (one per timer).
class TSoundService {
public:
    static constexpr int kMaxSoundSeconds = 10;

    virtual ~TSoundService() = default;
    // Play(path, 100, 0); failures are silent.
    virtual void play(const QString& path) = 0;

    // Plays `path` once at `volume` (0..100 %) on `channel` (one channel per timer: a new play on a channel
    // replaces what it plays, fading it out, unless it is the same file at the same volume with more than a
    // second still to play: that plays on; other channels go on, mixed). At most the first kMaxSoundSeconds
    // seconds of a long file are played, the last moments fading out. False at once, with the reason in *why
    // (translated, one line), when the file cannot be played: not a regular readable file (a FIFO, a device,
    // a folder: never opened for reading), not audio, cannot be decoded, nothing in it louder than -60 dBFS,
    // or no sound module; the caller then plays the default sound instead. Without a sound device or sound
    // server it returns true and plays nothing (silent, nothing printed); a server that comes later is used.
    // This default plays through play(path), for services that know no channels or volume.
    virtual bool Play(const QString& path, int volume, int channel, QString* why = nullptr)
    {
        (void)volume, (void)channel, (void)why;
        play(path);
        return true;
    }
    // Stops what the channel plays (a timer stopped or gone), fading it out.
    virtual void Stop(int channel) { (void)channel; }
    // Ends playing within waitMs before the service goes. False when a thread of it is held up by a sound
    // server that does not answer and was left running: the process should then end without waiting for it.
    virtual bool End(int waitMs)
    {
        (void)waitMs;
        return true;
    }
};

// Plays through the sound module beside the program (libsndfile and
// libpulse), loaded at the first play: they and the audio libraries stay
// out of the start-up. Without the module the program runs silent; why is
// printed once on standard error, and Play returns false with it.
class TEffectSoundService final : public TSoundService {
public:
    static QString DefaultModulePath(); // <program folder>/pocosa-sound.so

    explicit TEffectSoundService(QString modulePath = DefaultModulePath());
    ~TEffectSoundService() override;
    void play(const QString& path) override;
    bool Play(const QString& path, int volume, int channel, QString* why = nullptr) override;
    void Stop(int channel) override;

    // After a play: whether the module was loaded, and if not, why.
    bool Loaded() const { return player_ != nullptr; }
    QString LoadError() const { return loadError_; }

private:
    static constexpr int kEndWaitMs = 1000;

    void Load();

    QString modulePath_;
    bool tried_ = false;
    QString loadError_;
    std::unique_ptr<TSoundService> player_;
};
