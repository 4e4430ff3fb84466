#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "LauncherEntry.h"

class TAlarmNotifier;
class TSleepInhibitor;

// The D-Bus side of TTimerAttention. It lives in a thread of its own, so that
// no connection, registration, subscription or call ever waits on the
// window's thread: a bus that stops answering holds up this thread alone.
// The buses are opened here when first needed; the window's side posts
// each call and hears back only through queued signals.
class TAttentionBus : public QObject {
    Q_OBJECT

public:
    using TBus = std::function<QDBusConnection()>;

    TAttentionBus(TBus sessionBus, TBus systemBus);
    ~TAttentionBus() override;

    // Timer `key`'s alarm notification, with the stop action; withdrawn
    // again. Each timer has a notification of its own, named by its name;
    // `kept` is the one an earlier run left (TAlarmNotifier::Show).
    void ShowAlarm(int key, const QString& name, const QString& body, const QString& kept = QString());
    void WithdrawAlarm(int key);
    // Timer `key`'s warning before its end ("1 minute left") or a repeat's
    // next round ("round 2 of 5 begins"), in the same
    // notification as its alarm: the alarm replaces it, WithdrawAlarm withdraws it.
    void ShowWarning(int key, const QString& name, const QString& left);
    // A notification alone, for a count-down that ended while away.
    void ShowEnded(int key, const QString& name, const QString& body, const QString& kept = QString());
    // The notification an earlier run left for a timer that does not ring now goes.
    void CloseKept(int key, const QString& kept);
    // The timer is gone: its notification is withdrawn (its notifier stays,
    // to close one whose id is still on its way).
    void Forget(int key);
    void SetInhibited(bool on);
    void SendLauncher(const TLauncherState& state);
    // Asks the status icon host's watcher on the session bus (what Qt's
    // status icon asks on the window's thread) and says whether the bus
    // answered within `timeoutMs`.
    void AskStatusWatcher(int timeoutMs);

    // Made when first needed; to be looked at in this object's thread only.
    // Notifier() is the one of the timer with the lowest key.
    TAlarmNotifier* Notifier(std::optional<int> key = std::nullopt) const;
    TSleepInhibitor* Inhibitor() const { return inhibitor_.get(); }

signals:
    // The user chose "停止" on timer `key`'s alarm notification.
    void StopChosen(int key);
    // The user chose "+1 分" on it.
    void MoreChosen(int key);
    // The user clicked timer `key`'s notification itself.
    void FrontChosen(int key);
    // Timer `key`'s notification shown now, for a later run; empty once gone.
    void NotificationKept(int key, const QString& kept);
    // Timer `key`'s alarm notification could not be shown.
    void AlarmUntold(int key);
    // The answer to AskStatusWatcher.
    void StatusWatcherAnswered(bool answered);

private:
    TAlarmNotifier& MakeNotifier(int key);
    TSleepInhibitor& MakeInhibitor();

    TBus sessionBus_;
    TBus systemBus_;
    std::map<int, std::unique_ptr<TAlarmNotifier>> notifiers_;
    std::unique_ptr<TSleepInhibitor> inhibitor_;
    std::optional<QDBusConnection> launcherBus_;
};
