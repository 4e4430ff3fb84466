#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class QSoundEffect;

// Milliseconds on a monotonic clock that keeps running while the machine is
// suspended. The timer window measures elapsed time on it and takes its blink
// phase from it; tests substitute a clock they set by hand.
class TTickClock {
public:
    virtual ~TTickClock() = default;
    virtual std::int64_t Milliseconds() const = 0;
};

// CLOCK_BOOTTIME: monotonic, counts suspend time, starts near 0 at boot.
class TBootClock final : public TTickClock {
public:
    std::int64_t Milliseconds() const override;
};

// Plays a sound file asynchronously, once. A new play replaces the one that
// is running. Failures (no file, no audio device) are silent.
class TSoundService {
public:
    virtual ~TSoundService() = default;
    virtual void play(const QString& path) = 0;
};

// One QSoundEffect, created at the first play.
class TEffectSoundService final : public TSoundService {
public:
    TEffectSoundService();
    ~TEffectSoundService() override;
    void play(const QString& path) override;

private:
    std::unique_ptr<QSoundEffect> effect_;
};
