#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "LauncherEntry.h"

class TAlarmNotifier;
class TSleepInhibitor;

// The D-Bus side of TTimerAttention. It lives in a thread of its own, so that
// no connection, registration, subscription or call ever waits on the
// window's thread: a bus that stops answering holds up this thread alone.
// The buses are opened here when first needed; the window's side posts
// each call and hears back only through the queued signal StopChosen.
class TAttentionBus : public QObject {
    Q_OBJECT

public:
    using TBus = std::function<QDBusConnection()>;

    TAttentionBus(TBus sessionBus, TBus systemBus);
    ~TAttentionBus() override;

    // The alarm's notification, with the stop action; withdrawn again.
    void ShowAlarm(const QString& body);
    void WithdrawAlarm();
    // A notification alone, for a count-down that ended while away.
    void ShowEnded(const QString& body);
    void SetInhibited(bool on);
    void SendLauncher(const TLauncherState& state);

    // Made when first needed; to be looked at in this object's thread only.
    TAlarmNotifier* Notifier() const { return notifier_.get(); }
    TSleepInhibitor* Inhibitor() const { return inhibitor_.get(); }

signals:
    // The user chose "停止" on the alarm's notification.
    void StopChosen();

private:
    TAlarmNotifier& MakeNotifier();
    TSleepInhibitor& MakeInhibitor();

    TBus sessionBus_;
    TBus systemBus_;
    std::unique_ptr<TAlarmNotifier> notifier_;
    std::unique_ptr<TSleepInhibitor> inhibitor_;
    std::optional<QDBusConnection> launcherBus_;
};
