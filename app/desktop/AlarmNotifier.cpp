#include "AlarmNotifier.h"

#include "ProgramFolder.h"
#include "TimerReadout.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QVariantMap>

namespace {

QDBusMessage Call(const char* method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(TAlarmNotifier::kService),
                                          QString::fromLatin1(TAlarmNotifier::kPath),
                                          QString::fromLatin1(TAlarmNotifier::kInterface), QString::fromLatin1(method));
}

} // namespace

TAlarmNotifier::TAlarmNotifier(QDBusConnection bus, QObject* parent, QString iconPath)
    : QObject(parent), bus_(std::move(bus)), iconPath_(std::move(iconPath))
{
}

QString TAlarmNotifier::InstalledIconPath(const QString& programDir)
{
    const QString folder = programDir.isEmpty() ? TimerProgramDir() : programDir;
    const QString icon = QDir::cleanPath(folder + QStringLiteral("/" POCOSA_INSTALLED_ICON));
    return QFileInfo(icon).isFile() ? icon : QString();
}

void TAlarmNotifier::Show(const QString& body, bool stopAction, const QString& name, const QString& kept,
                          const QString& summary)
{
    if (!bus_.isConnected())
        return;
    if (!subscribed_) {
        const QString service = QString::fromLatin1(kService);
        const QString path = QString::fromLatin1(kPath);
        const QString iface = QString::fromLatin1(kInterface);
        bus_.connect(service, path, iface, QStringLiteral("ActionInvoked"), this,
                     SLOT(ActionInvoked(uint, QString)));
        bus_.connect(service, path, iface, QStringLiteral("NotificationClosed"), this,
                     SLOT(NotificationClosed(uint, uint)));
        subscribed_ = true;
    }
    wanted_ = true;
    alarm_ = stopAction;
    const quint64 generation = ++generation_;
    // Ours from this run, else the one a killed run left, if still shown.
    const uint replaces = id_ != 0 ? id_ : kept.isEmpty() ? 0 : StillShown(kept);
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(summary.isEmpty() ? 2 : 1))); // critical, normal
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.velmora.Pocosa"));
    if (!iconPath_.isEmpty())
        hints.insert(QStringLiteral("image-path"), iconPath_);
    QDBusMessage message = Call("Notify");
    // A click on the notification itself ("default") brings its timer's window.
    QStringList actions{QString::fromLatin1(kDefaultAction),
                        QCoreApplication::translate("TAlarmNotifier", "タイマーを表示")};
    if (stopAction)
        actions << QString::fromLatin1(kStopAction) << QCoreApplication::translate("TAlarmNotifier", "停止")
                << QString::fromLatin1(kMoreAction) << QCoreApplication::translate("TAlarmNotifier", "+1 分");
    message << QStringLiteral("Pocosa") << replaces << QStringLiteral("pocosa")
            << TTimerReadout::Named(
                   name, summary.isEmpty() ? QCoreApplication::translate("TAlarmNotifier", "タイマー終了") : summary)
            << body << actions << hints
            << int(summary.isEmpty() ? 0 : -1); // the alarm stays until withdrawn
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) { Shown(call, generation); });
}

void TAlarmNotifier::Shown(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        if (alarm_ && wanted_ && generation == generation_ && OnUntold)
            OnUntold();
        return;
    }
    const uint id = reply.value();
    if (wanted_ && generation == generation_) {
        id_ = id;
        // Only an alarm's notification is kept: a notice stays until the user closes it.
        Kept(alarm_ ? reply.reply().service() : QString());
    } else if (id != id_) {
        Close(id); // withdrawn (or shown again) before the id arrived
    }
}

void TAlarmNotifier::Withdraw()
{
    wanted_ = false;
    if (id_ == 0)
        return;
    Close(id_);
    id_ = 0;
    Kept(QString());
}

QString TAlarmNotifier::BusId()
{
    if (busId_.isEmpty()) {
        // Called in the bus thread only: a bus that does not answer holds up that thread alone.
        const QDBusMessage reply = bus_.call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            busId_ = reply.arguments().constFirst().toString();
    }
    return busId_;
}

// "<bus id> <service's connection> <id>": ids count anew in every run of the
// notification service, and its connection's name is never used again on
// that bus, so a kept id names our notification and never another program's.
void TAlarmNotifier::Kept(const QString& owner)
{
    if (!OnKept)
        return;
    const QString bus = owner.isEmpty() ? QString() : BusId();
    OnKept(bus.isEmpty() || id_ == 0 ? QString() : QStringLiteral("%1 %2 %3").arg(bus, owner).arg(id_));
}

uint TAlarmNotifier::StillShown(const QString& kept)
{
    const QStringList parts = kept.split(QLatin1Char(' '));
    bool ok = false;
    const uint id = parts.size() == 3 ? parts[2].toUInt(&ok) : 0;
    if (!ok || id == 0 || parts[0] != BusId())
        return 0;
    const QDBusReply<QString> owner = bus_.interface()->serviceOwner(QString::fromLatin1(kService));
    return owner.isValid() && owner.value() == parts[1] ? id : 0;
}

void TAlarmNotifier::CloseKept(const QString& kept)
{
    if (bus_.isConnected() && !kept.isEmpty())
        Close(StillShown(kept));
}

void TAlarmNotifier::Close(uint id)
{
    if (!bus_.isConnected() || id == 0)
        return;
    QDBusMessage message = Call("CloseNotification");
    message << id;
    bus_.asyncCall(message); // the answer is of no interest
}

void TAlarmNotifier::ActionInvoked(uint id, const QString& actionKey)
{
    if (id == 0 || id != id_)
        return;
    if (actionKey == QLatin1String(kStopAction) && OnStop)
        OnStop();
    else if (actionKey == QLatin1String(kMoreAction) && OnMore)
        OnMore();
    else if (actionKey == QLatin1String(kDefaultAction) && OnFront)
        OnFront();
}

void TAlarmNotifier::NotificationClosed(uint id, uint)
{
    if (id != 0 && id == id_) {
        id_ = 0;
        Kept(QString());
    }
}
