#include "AlarmNotifier.h"

#include "TimerReadout.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

QDBusMessage Call(const char* method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(TAlarmNotifier::kService),
                                          QString::fromLatin1(TAlarmNotifier::kPath),
                                          QString::fromLatin1(TAlarmNotifier::kInterface), QString::fromLatin1(method));
}

} // namespace

TAlarmNotifier::TAlarmNotifier(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {}

void TAlarmNotifier::Show(const QString& body, bool stopAction, const QString& name)
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
    const quint64 generation = ++generation_;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2))); // critical
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.velmora.Pocosa"));
    QDBusMessage message = Call("Notify");
    const QStringList actions = stopAction ? QStringList{QString::fromLatin1(kStopAction),
                                                         QCoreApplication::translate("TAlarmNotifier", "停止"),
                                                         QString::fromLatin1(kMoreAction),
                                                         QCoreApplication::translate("TAlarmNotifier", "+1 分")}
                                           : QStringList();
    message << QStringLiteral("Pocosa") << uint(id_) << QStringLiteral("pocosa")
            << TTimerReadout::Named(name, QCoreApplication::translate("TAlarmNotifier", "タイマー終了")) << body
            << actions << hints
            << int(0); // critical: stays until withdrawn
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) { Shown(call, generation); });
}

void TAlarmNotifier::Shown(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError())
        return;
    const uint id = reply.value();
    if (wanted_ && generation == generation_)
        id_ = id;
    else if (id != id_)
        Close(id); // withdrawn (or shown again) before the id arrived
}

void TAlarmNotifier::Withdraw()
{
    wanted_ = false;
    if (id_ == 0)
        return;
    Close(id_);
    id_ = 0;
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
}

void TAlarmNotifier::NotificationClosed(uint id, uint)
{
    if (id != 0 && id == id_)
        id_ = 0;
}
