#include "TimerAttention.h"

#include <QApplication>

#include <utility>

#include "AlarmNotifier.h"
#include "SleepInhibitor.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"

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
            MakeNotifier().Show(std::exchange(nextAlarmBody_, QString()));
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
