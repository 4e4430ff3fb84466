#include "TimerAttention.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <utility>

#include "AttentionBus.h"
#include "TimerRecord.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"

namespace {

std::atomic<bool> gBusThreadLeftBehind = false;

} // namespace

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
    : window_(window), thread_(std::make_unique<QThread>()),
      bus_(new TAttentionBus(std::move(sessionBus), std::move(systemBus))),
      launcher_([this](const TLauncherState& state) { Post([state](TAttentionBus& bus) { bus.SendLauncher(state); }); })
{
    thread_->setObjectName(QStringLiteral("pocosa-bus"));
    bus_->moveToThread(thread_.get());
    // Queued: it comes from the bus thread, and goes with this object.
    connect(bus_, &TAttentionBus::StopChosen, this, [this] {
        if (window_.Running() && window_.BTstart->isEnabled())
            window_.BTstartClick(window_.BTstart);
    });
    thread_->start();
    window_.OnStateChanged = [this] { StateChanged(); };
}

TTimerAttention::~TTimerAttention()
{
    window_.OnStateChanged = nullptr;
    // The bus side ends in its own thread: withdrawals and releases go out.
    bus_->deleteLater();
    thread_->quit();
    if (!thread_->wait(kEndWaitMs)) {
        // Held up in a call on a bus that does not answer: left to itself.
        (void)thread_.release();
        gBusThreadLeftBehind = true;
    }
}

bool TTimerAttention::BusThreadLeftBehind()
{
    return gBusThreadLeftBehind;
}

void TTimerAttention::Post(std::function<void(TAttentionBus&)> call)
{
    QMetaObject::invokeMethod(bus_, [bus = bus_, call = std::move(call)] { call(*bus); }, Qt::QueuedConnection);
}

void TTimerAttention::InBusThread(const std::function<void(TAttentionBus&)>& f) const
{
    QMetaObject::invokeMethod(bus_, [this, &f] { f(*bus_); }, Qt::BlockingQueuedConnection);
}

void TTimerAttention::ShowEndedNotice(const QString& body)
{
    Post([body](TAttentionBus& bus) { bus.ShowEnded(body); });
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
            const QString body =
                kept.isEmpty() ? AlarmBody(launcher_.CountDownLength(), TimerRecord::WallClockMs()) : kept;
            Post([body](TAttentionBus& bus) { bus.ShowAlarm(body); });
            QApplication::alert(&window_);
        } else {
            Post([](TAttentionBus& bus) { bus.WithdrawAlarm(); });
        }
    }
    if (countingDown != countingDown_) {
        countingDown_ = countingDown;
        Post([countingDown](TAttentionBus& bus) { bus.SetInhibited(countingDown); });
    }
    launcher_.Follow(window_.Seconds(), window_.Running(), window_.CountUp());
}
