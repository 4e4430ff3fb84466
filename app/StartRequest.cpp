#include "StartRequest.h"

#include <QWindow>

#include <cstdio>

#include "UnitFmTimerMain.h"
#include "vlmButton.h"

namespace {

void BringToFront(TFmTimerMain& window)
{
    if (window.isMinimized())
        window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
    if (QWindow* handle = window.windowHandle())
        handle->requestActivate();
}

// "mm:ss"
QString ClockText(int seconds)
{
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

bool ApplyStartRequest(TFmTimerMain& window, const TStartRequest& request)
{
    if (!request.Seconds && !request.Start)
        return true;
    if (window.Running())
        return false;
    if (request.Seconds) {
        window.BTresetClick(window.BTreset);
        window.SetSeconds(*request.Seconds);
    }
    if (request.Start)
        window.BTstartClick(window.BTstart);
    return true;
}

TInstanceAnswer AnswerStartRequest(TFmTimerMain& window, const TStartRequest& request)
{
    TInstanceAnswer answer;
    if (!request.Status) {
        answer.Applied = ApplyStartRequest(window, request);
        BringToFront(window);
    }
    answer.State = TimerStateText(window);
    return answer;
}

QString TimerStateText(const TFmTimerMain& window)
{
    const int v = window.Seconds();
    QString state;
    if (!window.Running())
        state = window.CountUp() ? QStringLiteral("stopped (count up)") : QStringLiteral("stopped");
    else if (window.CountUp())
        state = QStringLiteral("counting up");
    else
        state = v == 0 ? QStringLiteral("alarm") : QStringLiteral("counting down");
    return ClockText(v) + QLatin1Char(' ') + state;
}

QString NotDoneText(const TStartRequest& request, const QString& state)
{
    QString notDone;
    if (request.Seconds && request.Start)
        notDone = QStringLiteral("neither set to %1 nor started again").arg(ClockText(*request.Seconds));
    else if (request.Seconds)
        notDone = QStringLiteral("not set to %1").arg(ClockText(*request.Seconds));
    else
        notDone = QStringLiteral("not started again");
    return QStringLiteral("the timer is running (%1), so it was %2").arg(state, notDone);
}

std::optional<int> HandOverToRunningWindow(TSingleInstance& instance, const TStartRequest& request, int timeoutMs)
{
    const std::optional<TInstanceAnswer> answer = instance.HandOver(request, timeoutMs, true, true);
    if (!answer) {
        if (instance.Holding())
            return std::nullopt;
        std::fputs("pocosa: Pocosa is already running but did not answer\n", stderr);
        return 1;
    }
    if (!answer->Applied) {
        std::fprintf(stderr, "pocosa: %s\n", NotDoneText(request, answer->State).toUtf8().constData());
        return 1;
    }
    return 0;
}

int PrintRunningStatus(TSingleInstance& instance, int timeoutMs)
{
    TStartRequest query;
    query.Status = true;
    bool reached = false;
    const std::optional<TInstanceAnswer> answer = instance.HandOver(query, timeoutMs, false, false, &reached);
    if (!answer) {
        // A window that takes the connection but never answers is there but stuck.
        std::fputs(reached ? "pocosa: Pocosa is already running but did not answer\n"
                           : "pocosa: Pocosa is not running\n",
                   stderr);
        return 1;
    }
    std::printf("%s\n", answer->State.toUtf8().constData());
    return 0;
}
