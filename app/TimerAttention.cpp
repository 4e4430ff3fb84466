#include "TimerAttention.h"

#include <QApplication>
#include <QCoreApplication>

#include <utility>

#include "AlarmNotifier.h"
#include "SleepInhibitor.h"
#include "TimerRecord.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"

QString AlarmBody(int lengthSeconds, std::int64_t endedMs)
{
    const QString ended = TimerRecord::EndedText(endedMs, endedMs);
    if (lengthSeconds <= 0)
        return ended;
    const QString length =
        QStringLiteral("%1:%2").arg(lengthSeconds / 60).arg(lengthSeconds % 60, 2, 10, QLatin1Char('0'));
    return QCoreApplication::translate("TTimerAttention", "%1 count-down").arg(length) + QLatin1Char('\n') + ended;
}

TTimerAttention::TTimerAttention(TFmTimerMain& window, TBus sessionBus, TBus systemBus)
    : window_(window), sessionBus_(std::move(sessionBus)), systemBus_(std::move(systemBus)), launcher_(sessionBus_)
{
    window_.OnStateChanged = [this] { StateChanged(); };
}

TTimerAttention::~TTimerAttention()
{
    window_.OnStateChanged = nullptr;
}

TAlarmNotifier& TTimerAttention::MakeNotifier()
{
    if (!notifier_) {
        notifier_ = std::make_unique<TAlarmNotifier>(sessionBus_());
        notifier_->OnStop = [this] {
            if (window_.Running() && window_.BTstart->isEnabled())
                window_.BTstartClick(window_.BTstart);
        };
    }
    return *notifier_;
}

TSleepInhibitor& TTimerAttention::MakeInhibitor()
{
    if (!inhibitor_)
        inhibitor_ = std::make_unique<TSleepInhibitor>(systemBus_(), sessionBus_());
    return *inhibitor_;
}

void TTimerAttention::ShowEndedNotice(const QString& body)
{
    MakeNotifier().Show(body, false);
}

void TTimerAttention::StateChanged()
{
    // The alarm is the count-down standing at zero while running.
    const bool countingDown = window_.Running() && !window_.CountUp();
    const bool alarm = countingDown && window_.Seconds() == 0;
    if (alarm != alarm_) {
        alarm_ = alarm;
        if (alarm) {
            const QString kept = std::exchange(nextAlarmBody_, QString());
            MakeNotifier().Show(kept.isEmpty() ? AlarmBody(launcher_.CountDownLength(), TimerRecord::WallClockMs())
                                               : kept);
            QApplication::alert(&window_);
        } else if (notifier_) {
            notifier_->Withdraw();
        }
    }
    if (countingDown != countingDown_) {
        countingDown_ = countingDown;
        MakeInhibitor().SetInhibited(countingDown);
    }
    launcher_.Follow(window_.Seconds(), window_.Running(), window_.CountUp());
}
