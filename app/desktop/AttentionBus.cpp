#include "AttentionBus.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <utility>

#include "AlarmNotifier.h"
#include "SleepInhibitor.h"

TAttentionBus::TAttentionBus(TBus sessionBus, TBus systemBus)
    : sessionBus_(std::move(sessionBus)), systemBus_(std::move(systemBus))
{
}

TAttentionBus::~TAttentionBus() = default;

TAlarmNotifier& TAttentionBus::MakeNotifier(int key)
{
    std::unique_ptr<TAlarmNotifier>& notifier = notifiers_[key];
    if (!notifier) {
        notifier = std::make_unique<TAlarmNotifier>(sessionBus_());
        notifier->OnStop = [this, key] { emit StopChosen(key); };
        notifier->OnMore = [this, key] { emit MoreChosen(key); };
        notifier->OnFront = [this, key] { emit FrontChosen(key); };
        notifier->OnKept = [this, key](const QString& kept) { emit NotificationKept(key, kept); };
        notifier->OnUntold = [this, key] { emit AlarmUntold(key); };
    }
    return *notifier;
}

TAlarmNotifier* TAttentionBus::Notifier(std::optional<int> key) const
{
    if (!key)
        return notifiers_.empty() ? nullptr : notifiers_.begin()->second.get();
    const auto found = notifiers_.find(*key);
    return found == notifiers_.end() ? nullptr : found->second.get();
}

TSleepInhibitor& TAttentionBus::MakeInhibitor()
{
    if (!inhibitor_)
        inhibitor_ = std::make_unique<TSleepInhibitor>(systemBus_(), sessionBus_());
    return *inhibitor_;
}

void TAttentionBus::ShowAlarm(int key, const QString& name, const QString& body, const QString& kept)
{
    MakeNotifier(key).Show(body, true, name, kept);
}

void TAttentionBus::WithdrawAlarm(int key)
{
    if (TAlarmNotifier* notifier = Notifier(key))
        notifier->Withdraw();
}

void TAttentionBus::ShowWarning(int key, const QString& name, const QString& left)
{
    MakeNotifier(key).Show(QString(), false, name, QString(), left);
}

void TAttentionBus::ShowEnded(int key, const QString& name, const QString& body, const QString& kept)
{
    MakeNotifier(key).Show(body, false, name, kept);
}

void TAttentionBus::CloseKept(int key, const QString& kept)
{
    MakeNotifier(key).CloseKept(kept);
}

void TAttentionBus::Forget(int key)
{
    const auto found = notifiers_.find(key);
    if (found == notifiers_.end())
        return;
    // Kept: a notification whose id is still on its way is closed when it comes.
    found->second->Withdraw();
}

void TAttentionBus::SetInhibited(bool on)
{
    MakeInhibitor().SetInhibited(on);
}

void TAttentionBus::SendLauncher(const TLauncherState& state)
{
    if (!launcherBus_)
        launcherBus_ = sessionBus_();
    if (!launcherBus_->isConnected())
        return;
    QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(TLauncherEntry::kPath),
                                                      QString::fromLatin1(TLauncherEntry::kInterface),
                                                      QStringLiteral("Update"));
    const QVariantMap properties{{QStringLiteral("progress"), state.Progress},
                                 {QStringLiteral("progress-visible"), state.ProgressVisible},
                                 {QStringLiteral("urgent"), state.Urgent}};
    message << QString::fromLatin1(TLauncherEntry::kAppUri) << properties;
    launcherBus_->send(message); // queued; never waits for the bus
}

void TAttentionBus::AskStatusWatcher(int timeoutMs)
{
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = sessionBus_().call(ask, QDBus::Block, timeoutMs);
    // No watcher at all is an answer too (Qt then looks for an X11 tray).
    const QString error = reply.errorName();
    emit StatusWatcherAnswered(reply.type() == QDBusMessage::ReplyMessage ||
                               (reply.type() == QDBusMessage::ErrorMessage &&
                                error != QLatin1String("org.freedesktop.DBus.Error.NoReply") &&
                                error != QLatin1String("org.freedesktop.DBus.Error.Timeout") &&
                                error != QLatin1String("org.freedesktop.DBus.Error.Disconnected")));
}
