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

    static constexpr const char* kDefaultAction = "default";

    // The program's icon as installed (<prefix>/share/icons/hicolor/...)
    // beside the program folder <prefix>/lib/pocosa; empty when it is not
    // there (a build tree).
    static QString InstalledIconPath(const QString& programDir = QString());

    // iconPath: the icon file named beside the icon's name, for notification
    // services that do not look in the icon theme (dunst); empty: none.
    explicit TAlarmNotifier(QDBusConnection bus, QObject* parent = nullptr, QString iconPath = InstalledIconPath());

    // Shows the notification (the alarm has begun), with an optional body.
    // Without the actions it only tells (a count-down that ended while
    // the program was not running).
    // A named timer's notification says its name: "Tea: タイマー終了".
    // `kept` names the notification an earlier run of the program left
    // (see OnKept): it is replaced when the same notification service
    // still shows it, so one notification per timer remains.
    // A `summary` other than "タイマー終了" (a warning before the end) shows
    // at normal urgency and goes by itself.
    void Show(const QString& body = QString(), bool stopAction = true, const QString& name = QString(),
              const QString& kept = QString(), const QString& summary = QString());
    // Withdraws it (the timer was stopped or reset). A notification whose id
    // has not come back yet is closed as soon as it does.
    void Withdraw();
    // Closes the notification an earlier run left, if it is still shown.
    void CloseKept(const QString& kept);

    // The user chose "停止" on our notification.
    std::function<void()> OnStop;
    // The user chose "+1 分": the timer counts down one minute more.
    std::function<void()> OnMore;
    // The user clicked the notification itself: its timer comes to the front.
    std::function<void()> OnFront;
    // The notification shown now, in words that name it for a later run
    // (the bus, the service's connection and the id); empty once it is gone.
    std::function<void(const QString& kept)> OnKept;
    // The alarm's notification could not be shown (no notification service,
    // an error, no answer within kAnswerMs): the alarm must be told otherwise.
    std::function<void()> OnUntold;
    static constexpr int kAnswerMs = 3000;

    // The server's id of the notification on show; 0 when none.
    uint Id() const { return id_; }

private slots:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    void Shown(QDBusPendingCallWatcher* call, quint64 generation);
    void Close(uint id);
    void Kept(const QString& owner);
    // The id of a kept notification when this bus's notification service
    // still is the connection that showed it; 0 otherwise.
    uint StillShown(const QString& kept);
    QString BusId();

    QDBusConnection bus_;
    QString iconPath_;
    QString busId_;
    bool subscribed_ = false;
    bool wanted_ = false;
    bool alarm_ = false; // the one shown has the alarm's actions
    quint64 generation_ = 0; // counts Show calls; a late reply of an older one is closed
    uint id_ = 0;
};
