#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "LauncherEntry.h"

class QThread;
class TAttentionBus;
class TTimerModel;

// The alarm notification's body: what ended ("5:00 count-down", when its
// length is known) and when.
QString AlarmBody(int lengthSeconds, std::int64_t endedMs);

// Makes a finished count-down hard to miss beyond its window, for all timers
// of the program at once: at a timer's first alarm step a desktop
// notification of its own, named by its name (withdrawn when the timer is
// stopped or reset; its "停止" action stops that timer as STOP does) and
// OnAlert (the window's urgency hint); while any count-down runs, one hold
// on idle suspend and the screen saver; on the task bar's launcher, the
// count-down nearest its end, urgent while any alarm rings or a warned
// count-down runs. A timer's warning before its end shows in its
// notification (the alarm's replaces it) and marks the launcher urgent.
// Everything on D-Bus happens in the thread of a TAttentionBus, where the
// buses are opened only when first needed: no timer ever waits for a bus.
class TTimerAttention : public QObject {
public:
    using TBus = std::function<QDBusConnection()>;

    // The bus factories are called in the bus thread.
    explicit TTimerAttention(TBus sessionBus = &QDBusConnection::sessionBus,
                             TBus systemBus = &QDBusConnection::systemBus);
    // Gives the bus thread a moment to end; one held up by a bus that does
    // not answer is left to run (see LeaveThreadBehind).
    ~TTimerAttention() override;

    // Follows the timer from now on, until Remove or its end.
    void Add(TTimerModel& timer);
    // The body of the timer's next alarm's notification (a count-down that
    // ended while the program was not running); used once.
    void SetNextAlarmBody(TTimerModel& timer, const QString& body);
    // The timer's state was taken up from an earlier run (after
    // ShowEndedNotice, if any): the notification that run left goes unless
    // the timer rings again or a notice replaced it.
    void TakenUp(TTimerModel& timer);
    void Remove(TTimerModel& timer);
    // A notification alone, for a count-down that ended long ago.
    void ShowEndedNotice(TTimerModel& timer, const QString& body);

    // The alarm of a timer began: its window asks for the user's attention.
    std::function<void(TTimerModel& timer)> OnAlert;
    // The user clicked the timer's notification: its window comes to the front.
    std::function<void(TTimerModel& timer)> OnFront;
    // The timer rings and its notification could not be shown: the alarm is
    // told another way (screen readers speak a notification that shows).
    std::function<void(TTimerModel& timer)> OnUntold;

    // Whether Qt's status icon may be made without the window's thread
    // waiting on the bus: `answered` runs here once the session bus and
    // the status icon host's watcher answered in the bus thread within
    // kStatusWatcherMs, with false when they did not (or not in time).
    void AskStatusWatcher(std::function<void(bool answered)> answered);
    static constexpr int kStatusWatcherMs = 1000;

    const TLauncherEntry& Launcher() const { return launcher_; }
    // Runs f in the bus thread and waits for it, for a look at what is held
    // there (tests); the program itself never waits on that thread.
    void InBusThread(const std::function<void(TAttentionBus&)>& f) const;

    // How long the end waits for the bus thread.
    static constexpr int kEndWaitMs = 500;

private:
    struct TFollowed;
    TFollowed* Find(const TTimerModel* timer) const;
    TFollowed* FindKey(int key) const;
    void StateChanged(TFollowed& followed);
    void Warned(TFollowed& followed);
    void RoundBegun(TFollowed& followed, int ended);
    void SoundProblemChanged(TFollowed& followed);
    void Summarise();
    void Post(std::function<void(TAttentionBus&)> call);

    std::unique_ptr<QThread> thread_;
    TAttentionBus* bus_; // lives in thread_, deleted there
    TLauncherEntry launcher_;
    std::vector<std::unique_ptr<TFollowed>> timers_;
    int nextKey_ = 0;
    bool inhibited_ = false;
    std::function<void(bool)> statusWatcher_;
};
