#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "LauncherEntry.h"

class QThread;
class TAttentionBus;
class TFmTimerMain;

// The alarm notification's body: what ended ("5:00 count-down", when its
// length is known) and when.
QString AlarmBody(int lengthSeconds, std::int64_t endedMs);

// Makes a finished count-down hard to miss beyond the window itself: at the
// first alarm step a desktop notification (withdrawn when the timer is
// stopped or reset, its "停止" action stops the timer as STOP does) and the
// window's urgency hint (QApplication::alert); while a count-down runs, no
// idle suspend or screen saver, and its progress on the task bar's launcher.
// Everything on D-Bus happens in the thread of a TAttentionBus, where the
// buses are opened only when first needed: the window never waits for a bus.
class TTimerAttention : public QObject {
public:
    using TBus = std::function<QDBusConnection()>;

    // The bus factories are called in the bus thread.
    explicit TTimerAttention(TFmTimerMain& window, TBus sessionBus = &QDBusConnection::sessionBus,
                             TBus systemBus = &QDBusConnection::systemBus);
    // Gives the bus thread a moment to end; one held up by a bus that does
    // not answer is left to run (see BusThreadLeftBehind).
    ~TTimerAttention() override;

    // The body of the next alarm's notification (when a count-down ended
    // while the program was not running); used once.
    void SetNextAlarmBody(const QString& body) { nextAlarmBody_ = body; }
    // A notification alone, for a count-down that ended long ago.
    void ShowEndedNotice(const QString& body);
    // The window's state was taken up from an earlier run: a count-down
    // under way is not named by its length, which is not known.
    void TakenUp() { launcher_.TakenUp(); }

    const TLauncherEntry& Launcher() const { return launcher_; }
    // Runs f in the bus thread and waits for it, for a look at what is held
    // there (tests); the program itself never waits on that thread.
    void InBusThread(const std::function<void(TAttentionBus&)>& f) const;

    // True once a bus thread was left running at the end: the process then
    // ends without waiting for it (main).
    static bool BusThreadLeftBehind();
    // How long the end waits for the bus thread.
    static constexpr int kEndWaitMs = 500;

private:
    void StateChanged();
    void Post(std::function<void(TAttentionBus&)> call);

    TFmTimerMain& window_;
    std::unique_ptr<QThread> thread_;
    TAttentionBus* bus_; // lives in thread_, deleted there
    TLauncherEntry launcher_;
    QString nextAlarmBody_;
    bool alarm_ = false;
    bool countingDown_ = false;
};
