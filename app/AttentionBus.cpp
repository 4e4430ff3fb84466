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

TAlarmNotifier& TAttentionBus::MakeNotifier()
{
    if (!notifier_) {
        notifier_ = std::make_unique<TAlarmNotifier>(sessionBus_());
        notifier_->OnStop = [this] { emit StopChosen(); };
    }
    return *notifier_;
}

TSleepInhibitor& TAttentionBus::MakeInhibitor()
{
    if (!inhibitor_)
        inhibitor_ = std::make_unique<TSleepInhibitor>(systemBus_(), sessionBus_());
    return *inhibitor_;
}

void TAttentionBus::ShowAlarm(const QString& body)
{
    MakeNotifier().Show(body);
}

void TAttentionBus::WithdrawAlarm()
{
    if (notifier_)
        notifier_->Withdraw();
}

void TAttentionBus::ShowEnded(const QString& body)
{
    MakeNotifier().Show(body, false);
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
