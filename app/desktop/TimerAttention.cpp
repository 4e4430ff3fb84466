#include "TimerAttention.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "AttentionBus.h"
#include "TimerModel.h"
#include "TimerReadout.h"
#include "TimerRecord.h"
#include "TimerServices.h"

namespace {

// "5:00 count-down" above the line that tells when it ended.
QString WithLength(int lengthSeconds, const QString& ended)
{
    if (lengthSeconds <= 0)
        return ended;
    const QString length =
        QStringLiteral("%1:%2").arg(lengthSeconds / 60).arg(lengthSeconds % 60, 2, 10, QLatin1Char('0'));
    return QCoreApplication::translate("TTimerAttention", "%1 count-down").arg(length) + QLatin1Char('\n') + ended;
}

QString WithProblem(const QString& body, const QString& problem)
{
    return problem.isEmpty() ? body : body + QLatin1Char('\n') + problem;
}

} // namespace

QString AlarmBody(int lengthSeconds, std::int64_t endedMs)
{
    return WithLength(lengthSeconds, TimerRecord::EndedText(endedMs, endedMs));
}

// One timer as the desktop services follow it.
struct TTimerAttention::TFollowed {
    TTimerModel* Timer = nullptr;
    int Key = 0;
    TCountDownProgress Progress;
    TLauncherState State; // of this timer alone
    QString NextAlarmBody;
    QString AlarmBody; // of the alarm ringing now, without the sound's problem
    bool KeptUsed = false; // the notification an earlier run left was replaced
    bool Alarm = false;
    bool Warned = false; // its warning came, and neither its end nor a stop yet
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
        if (followed && followed->Timer->Ringing())
            followed->Timer->OneMinuteMore();
    });
    connect(bus_, &TAttentionBus::FrontChosen, this, [this](int key) {
        if (TFollowed* followed = FindKey(key); followed && OnFront)
            OnFront(*followed->Timer);
    });
    connect(bus_, &TAttentionBus::AlarmUntold, this, [this](int key) {
        if (TFollowed* followed = FindKey(key); followed && followed->Timer->Ringing() && OnUntold)
            OnUntold(*followed->Timer);
    });
    connect(bus_, &TAttentionBus::NotificationKept, this, [this](int key, const QString& kept) {
        if (TFollowed* followed = FindKey(key))
            followed->Timer->SetNotification(kept);
    });
    connect(bus_, &TAttentionBus::StatusWatcherAnswered, this, [this](bool answered) {
        if (auto then = std::exchange(statusWatcher_, nullptr))
            then(answered);
    });
    thread_->start();
}

void TTimerAttention::AskStatusWatcher(std::function<void(bool answered)> answered)
{
    statusWatcher_ = std::move(answered);
    Post([](TAttentionBus& bus) { bus.AskStatusWatcher(kStatusWatcherMs); });
    // A bus thread held up (a bus that does not answer) says nothing in time.
    QTimer::singleShot(kStatusWatcherMs + kStatusWatcherMs / 2, this, [this] {
        if (auto then = std::exchange(statusWatcher_, nullptr))
            then(false);
    });
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
    f.Connections.push_back(
        connect(&timer, &TTimerModel::SoundProblemChanged, this, [this, &f] { SoundProblemChanged(f); }));
    f.Connections.push_back(connect(&timer, &TTimerModel::Warned, this, [this, &f] { Warned(f); }));
    f.Connections.push_back(
        connect(&timer, &TTimerModel::RoundBegun, this, [this, &f](int ended) { RoundBegun(f, ended); }));
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
    TFollowed* followed = Find(&timer);
    if (!followed)
        return;
    followed->Progress.TakenUp();
    // A notification the earlier run left for an alarm that no longer rings goes.
    const QString kept = timer.Notification();
    if (!timer.Ringing() && !followed->KeptUsed && !kept.isEmpty()) {
        Post([key = followed->Key, kept](TAttentionBus& bus) { bus.CloseKept(key, kept); });
        timer.SetNotification(QString());
    }
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
    TFollowed* followed = Find(&timer);
    const int key = followed ? followed->Key : -1;
    if (followed)
        followed->KeptUsed = true;
    Post([key, name = timer.Label(), body, kept = timer.Notification()](TAttentionBus& bus) {
        bus.ShowEnded(key, name, body, kept);
    });
}

void TTimerAttention::SoundProblemChanged(TFollowed& f)
{
    // Found at a later step (the file deleted while it rings): the
    // notification says so now. At the alarm's start StateChanged tells it.
    if (!f.Alarm || !f.Timer->Ringing())
        return;
    TTimerModel& timer = *f.Timer;
    Post([key = f.Key, name = timer.Label(), body = WithProblem(f.AlarmBody, timer.SoundProblem()),
          kept = timer.Notification()](TAttentionBus& bus) { bus.ShowAlarm(key, name, body, kept); });
}

void TTimerAttention::Warned(TFollowed& f)
{
    TTimerModel& timer = *f.Timer;
    f.Warned = true;
    Post([key = f.Key, name = timer.Label(), left = TTimerReadout::Left(timer.Seconds())](TAttentionBus& bus) {
        bus.ShowWarning(key, name, left);
    });
    Summarise();
}

void TTimerAttention::RoundBegun(TFollowed& f, int ended)
{
    // In the notification the warning and the alarm use; the warning of the
    // round that ended is over.
    TTimerModel& timer = *f.Timer;
    f.Warned = false;
    Post([key = f.Key, name = timer.Label(),
          text = TTimerReadout::RoundBegins(timer.Round(), timer.Repeat(), ended)](TAttentionBus& bus) {
        bus.ShowWarning(key, name, text);
    });
    Summarise();
}

void TTimerAttention::StateChanged(TFollowed& f)
{
    TTimerModel& timer = *f.Timer;
    const bool alarm = timer.Ringing();
    // The alarm's notification replaces the warning's; a timer stopped before
    // its end takes it back.
    if (f.Warned && (alarm || !timer.Running())) {
        f.Warned = false;
        if (!alarm)
            Post([key = f.Key](TAttentionBus& bus) { bus.WithdrawAlarm(key); });
    }
    if (alarm != f.Alarm) {
        f.Alarm = alarm;
        const int key = f.Key;
        if (alarm) {
            // A count-down taken up from an earlier run ended while away:
            // its length as kept, and when it ended.
            const QString ended = std::exchange(f.NextAlarmBody, QString());
            const int length = timer.CountDownLength();
            f.AlarmBody = ended.isEmpty() ? AlarmBody(length, TimerRecord::WallClockMs()) : WithLength(length, ended);
            // The sound of the timer's own that could not be played at this first step.
            Post([key, name = timer.Label(), body = WithProblem(f.AlarmBody, timer.SoundProblem()),
                  kept = timer.Notification()](TAttentionBus& bus) { bus.ShowAlarm(key, name, body, kept); });
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
// is urgent while any alarm rings or a warned count-down runs.
void TTimerAttention::Summarise()
{
    bool countingDown = false;
    bool urgent = false;
    std::vector<const TTimerModel*> models;
    for (const auto& followed : timers_) {
        const TTimerModel& timer = *followed->Timer;
        countingDown = countingDown || (timer.Running() && !timer.CountUp());
        urgent = urgent || followed->State.Urgent || followed->Warned;
        models.push_back(&timer);
    }
    // The one the status icon shows as well.
    const TFollowed* nearest = Find(NearestCountDown(models));
    if (countingDown != inhibited_) {
        inhibited_ = countingDown;
        Post([countingDown](TAttentionBus& bus) { bus.SetInhibited(countingDown); });
    }
    TLauncherState state = nearest ? nearest->State : TLauncherState{};
    state.Urgent = urgent;
    launcher_.Send(state);
}
