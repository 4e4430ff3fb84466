#include "TimerServices.h"

#include <QSoundEffect>
#include <QUrl>

#include <ctime>

std::int64_t TBootClock::Milliseconds() const
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

TEffectSoundService::TEffectSoundService() = default;

TEffectSoundService::~TEffectSoundService() = default;

void TEffectSoundService::play(const QString& path)
{
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    effect_->stop();
    const QUrl url = QUrl::fromLocalFile(path);
    if (effect_->source() != url)
        effect_->setSource(url);
    effect_->setLoopCount(1);
    // Plays as soon as the file is loaded when it is not loaded yet.
    effect_->play();
}
