#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

class QDBusPendingCallWatcher;

// The desktop notification of one timer's finished count-down, through
// org.freedesktop.Notifications: summary "タイマー終了", critical urgency and
// the actions "停止" and "+1 分" (a minute more). Every call is asynchronous, so a slow or absent
// notification service never holds up the window; without a bus or service
// nothing happens at all.
class TAlarmNotifier : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    static constexpr const char* kStopAction = "stop";
    static constexpr const char* kMoreAction = "plus1";

    explicit TAlarmNotifier(QDBusConnection bus, QObject* parent = nullptr);

    // Shows the notification (the alarm has begun), with an optional body.
    // Without the actions it only tells (a count-down that ended while
    // the program was not running).
    // A named timer's notification says its name: "Tea: タイマー終了".
    void Show(const QString& body = QString(), bool stopAction = true, const QString& name = QString());
    // Withdraws it (the timer was stopped or reset). A notification whose id
    // has not come back yet is closed as soon as it does.
    void Withdraw();

    // The user chose "停止" on our notification.
    std::function<void()> OnStop;
    // The user chose "+1 分": the timer counts down one minute more.
    std::function<void()> OnMore;

    // The server's id of the notification on show; 0 when none.
    uint Id() const { return id_; }

private slots:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    void Shown(QDBusPendingCallWatcher* call, quint64 generation);
    void Close(uint id);

    QDBusConnection bus_;
    bool subscribed_ = false;
    bool wanted_ = false;
    quint64 generation_ = 0; // counts Show calls; a late reply of an older one is closed
    uint id_ = 0;
};
