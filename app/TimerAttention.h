#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "LauncherEntry.h"

class TAlarmNotifier;
class TFmTimerMain;
class TSleepInhibitor;

// The alarm notification's body: what ended ("5:00 count-down", when its
// length is known) and when.
QString AlarmBody(int lengthSeconds, std::int64_t endedMs);

// Makes a finished count-down hard to miss beyond the window itself: at the
// first alarm step a desktop notification (withdrawn when the timer is
// stopped or reset, its "停止" action stops the timer as STOP does) and the
// window's urgency hint (QApplication::alert); while a count-down runs, no
// idle suspend or screen saver, and its progress on the task bar's launcher.
// The buses are opened only when first needed.
class TTimerAttention : public QObject {
public:
    using TBus = std::function<QDBusConnection()>;

    explicit TTimerAttention(TFmTimerMain& window, TBus sessionBus = &QDBusConnection::sessionBus,
                             TBus systemBus = &QDBusConnection::systemBus);
    ~TTimerAttention() override;

    // The body of the next alarm's notification (when a count-down ended
    // while the program was not running); used once.
    void SetNextAlarmBody(const QString& body) { nextAlarmBody_ = body; }
    // A notification alone, for a count-down that ended long ago.
    void ShowEndedNotice(const QString& body);
    // The window's state was taken up from an earlier run: a count-down
    // under way is not named by its length, which is not known.
    void TakenUp() { launcher_.TakenUp(); }

    TAlarmNotifier* Notifier() const { return notifier_.get(); }
    TSleepInhibitor* Inhibitor() const { return inhibitor_.get(); }
    const TLauncherEntry& Launcher() const { return launcher_; }

private:
    void StateChanged();
    TAlarmNotifier& MakeNotifier();
    TSleepInhibitor& MakeInhibitor();

    TFmTimerMain& window_;
    TBus sessionBus_;
    TBus systemBus_;
    std::unique_ptr<TAlarmNotifier> notifier_;
    std::unique_ptr<TSleepInhibitor> inhibitor_;
    TLauncherEntry launcher_;
    QString nextAlarmBody_;
    bool alarm_ = false;
    bool countingDown_ = false;
};
