#include "TimerServices.h"

#include <QCoreApplication>
#include <QLibrary>

#include <atomic>
#include <cstdio>
#include <ctime>

#include "SoundModule.h"

namespace {

std::atomic<bool> gThreadLeftBehind = false;

} // namespace

void LeaveThreadBehind()
{
    gThreadLeftBehind = true;
}

bool ThreadLeftBehind()
{
    return gThreadLeftBehind;
}

std::int64_t TBootClock::Milliseconds() const
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

QString TEffectSoundService::DefaultModulePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/pocosa-sound.so");
}

TEffectSoundService::TEffectSoundService(QString modulePath) : modulePath_(std::move(modulePath)) {}

// The module stays loaded for the rest of the run: the player made from it is
// destroyed here, while its code is still there (and runs on in a thread left
// behind).
TEffectSoundService::~TEffectSoundService()
{
    if (player_ && !player_->End(kEndWaitMs))
        LeaveThreadBehind();
}

void TEffectSoundService::Load()
{
    tried_ = true;
    QLibrary module(modulePath_);
    auto make = reinterpret_cast<TMakeSoundService>(module.resolve(kSoundModuleEntry));
    TSoundService* player = make ? make() : nullptr;
    if (!player) {
        loadError_ = module.errorString();
        const QString line = QCoreApplication::translate("TEffectSoundService", "no sound: %1").arg(loadError_);
        std::fprintf(stderr, "pocosa: %s\n", line.toLocal8Bit().constData());
        return;
    }
    player_.reset(player);
}

void TEffectSoundService::play(const QString& path)
{
    Play(path, 100, 0);
}

bool TEffectSoundService::Play(const QString& path, int volume, int channel, QString* why)
{
    if (!tried_)
        Load();
    if (player_)
        return player_->Play(path, volume, channel, why);
    if (why)
        *why = QCoreApplication::translate("TEffectSoundService", "no sound: %1").arg(loadError_);
    return false;
}

void TEffectSoundService::Stop(int channel)
{
    if (player_)
        player_->Stop(channel);
}
