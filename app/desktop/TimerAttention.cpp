#include "TimerAttention.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <utility>

#include "AttentionBus.h"
#include "TimerModel.h"
#include "TimerRecord.h"
#include "TimerServices.h"

QString AlarmBody(int lengthSeconds, std::int64_t endedMs)
{
    const QString ended = TimerRecord::EndedText(endedMs, endedMs);
    if (lengthSeconds <= 0)
        return ended;
    const QString length =
        QStringLiteral("%1:%2").arg(lengthSeconds / 60).arg(lengthSeconds % 60, 2, 10, QLatin1Char('0'));
    return QCoreApplication::translate("TTimerAttention", "%1 count-down").arg(length) + QLatin1Char('\n') + ended;
}

// One timer as the desktop services follow it.
struct TTimerAttention::TFollowed {
    TTimerModel* Timer = nullptr;
    int Key = 0;
    TCountDownProgress Progress;
    TLauncherState State; // of this timer alone
    QString NextAlarmBody;
    bool Alarm = false;
    std::vector<QMetaObject::Connection> Connections;
};

TTimerAttention::TTimerAttention(TBus sessionBus, TBus systemBus)
    : thread_(std::make_unique<QThread>()), bus_(new TAttentionBus(std::move(sessionBus), std::move(systemBus))),
      launcher_([this](const TLauncherState& state) { Post([state](TAttentionBus& bus) { bus.SendLauncher(state); }); })
{
    thread_->setObjectName(QStringLiteral("pocosa-bus"));
    bus_->moveToThread(thread_.get());
    // Queued: it comes from the bus thread, and goes with this object.
    connect(bus_, &TAttentionBus::StopChosen, this, [this](int key) {
        TFollowed* followed = FindKey(key);
        if (followed && followed->Timer->Ringing())
            followed->Timer->StartStop();
    });
    // A minute more: the alarm stops and the same timer counts down 01:00.
    connect(bus_, &TAttentionBus::MoreChosen, this, [this](int key) {
        TFollowed* followed = FindKey(key);
        if (!followed || !followed->Timer->Ringing())
            return;
        followed->Timer->Reset();
        followed->Timer->SetSeconds(60);
        followed->Timer->StartStop();
    });
    thread_->start();
}

TTimerAttention::~TTimerAttention()
{
    for (const auto& followed : timers_)
        for (const auto& connection : followed->Connections)
            disconnect(connection);
    // The bus side ends in its own thread: withdrawals and releases go out.
    bus_->deleteLater();
    thread_->quit();
    if (!thread_->wait(kEndWaitMs)) {
        // Held up in a call on a bus that does not answer: left to itself.
        (void)thread_.release();
        LeaveThreadBehind();
    }
}

void TTimerAttention::Post(std::function<void(TAttentionBus&)> call)
{
    QMetaObject::invokeMethod(bus_, [bus = bus_, call = std::move(call)] { call(*bus); }, Qt::QueuedConnection);
}

void TTimerAttention::InBusThread(const std::function<void(TAttentionBus&)>& f) const
{
    QMetaObject::invokeMethod(bus_, [this, &f] { f(*bus_); }, Qt::BlockingQueuedConnection);
}

TTimerAttention::TFollowed* TTimerAttention::Find(const TTimerModel* timer) const
{
    for (const auto& followed : timers_)
        if (followed->Timer == timer)
            return followed.get();
    return nullptr;
}

TTimerAttention::TFollowed* TTimerAttention::FindKey(int key) const
{
    for (const auto& followed : timers_)
        if (followed->Key == key)
            return followed.get();
    return nullptr;
}

void TTimerAttention::Add(TTimerModel& timer)
{
    if (Find(&timer))
        return;
    auto followed = std::make_unique<TFollowed>();
    TFollowed& f = *followed;
    f.Timer = &timer;
    f.Key = nextKey_++;
    f.Connections.push_back(connect(&timer, &TTimerModel::Changed, this, [this, &f] { StateChanged(f); }));
    f.Connections.push_back(connect(&timer, &QObject::destroyed, this, [this, &timer] { Remove(timer); }));
    timers_.push_back(std::move(followed));
    // The state it has now, as if it had just changed to it.
    StateChanged(f);
}

void TTimerAttention::SetNextAlarmBody(TTimerModel& timer, const QString& body)
{
    if (TFollowed* followed = Find(&timer))
        followed->NextAlarmBody = body;
}

void TTimerAttention::TakenUp(TTimerModel& timer)
{
    if (TFollowed* followed = Find(&timer))
        followed->Progress.TakenUp();
}

void TTimerAttention::Remove(TTimerModel& timer)
{
    const auto found = std::find_if(timers_.begin(), timers_.end(),
                                    [&timer](const auto& followed) { return followed->Timer == &timer; });
    if (found == timers_.end())
        return;
    for (const auto& connection : (*found)->Connections)
        disconnect(connection);
    const int key = (*found)->Key;
    timers_.erase(found);
    Post([key](TAttentionBus& bus) { bus.Forget(key); });
    Summarise();
}

void TTimerAttention::ShowEndedNotice(TTimerModel& timer, const QString& body)
{
    const TFollowed* followed = Find(&timer);
    const int key = followed ? followed->Key : -1;
    Post([key, name = timer.Label(), body](TAttentionBus& bus) { bus.ShowEnded(key, name, body); });
}

void TTimerAttention::StateChanged(TFollowed& f)
{
    TTimerModel& timer = *f.Timer;
    const bool alarm = timer.Ringing();
    if (alarm != f.Alarm) {
        f.Alarm = alarm;
        const int key = f.Key;
        if (alarm) {
            const QString kept = std::exchange(f.NextAlarmBody, QString());
            QString body = kept.isEmpty() ? AlarmBody(f.Progress.Length(), TimerRecord::WallClockMs()) : kept;
            // A sound of the timer's own that could not be played is told here once.
            if (!timer.SoundProblem().isEmpty()) {
                body += QLatin1Char('\n') + timer.SoundProblem();
                timer.SetSoundProblem(QString());
            }
            Post([key, name = timer.Label(), body](TAttentionBus& bus) { bus.ShowAlarm(key, name, body); });
            if (OnAlert)
                OnAlert(timer);
        } else {
            Post([key](TAttentionBus& bus) { bus.WithdrawAlarm(key); });
        }
    }
    f.State = f.Progress.Follow(timer.Seconds(), timer.Running(), timer.CountUp());
    Summarise();
}

// What all timers together ask of the desktop: no suspend while any
// count-down runs; the launcher shows the count-down nearest its end, and
// is urgent while any alarm rings.
void TTimerAttention::Summarise()
{
    bool countingDown = false;
    bool urgent = false;
    const TFollowed* nearest = nullptr;
    for (const auto& followed : timers_) {
        const TTimerModel& timer = *followed->Timer;
        countingDown = countingDown || (timer.Running() && !timer.CountUp());
        urgent = urgent || followed->State.Urgent;
        if (followed->State.ProgressVisible && (!nearest || timer.Seconds() < nearest->Timer->Seconds()))
            nearest = followed.get();
    }
    if (countingDown != inhibited_) {
        inhibited_ = countingDown;
        Post([countingDown](TAttentionBus& bus) { bus.SetInhibited(countingDown); });
    }
    TLauncherState state = nearest ? nearest->State : TLauncherState{};
    state.Urgent = urgent;
    launcher_.Send(state);
}
