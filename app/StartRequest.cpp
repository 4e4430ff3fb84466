#include "StartRequest.h"

#include <QWindow>

#include <cstdio>

#include "UnitFmTimerMain.h"
#include "vlmButton.h"

namespace {

// Generous: the first start may still be loading its pictures.
constexpr int kHandOverTimeoutMs = 15000;

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
    const QString time = QStringLiteral("%1:%2").arg(v / 60, 2, 10, QLatin1Char('0')).arg(v % 60, 2, 10, QLatin1Char('0'));
    QString state;
    if (!window.Running())
        state = window.CountUp() ? QStringLiteral("stopped (count up)") : QStringLiteral("stopped");
    else if (window.CountUp())
        state = QStringLiteral("counting up");
    else
        state = v == 0 ? QStringLiteral("alarm") : QStringLiteral("counting down");
    return time + QLatin1Char(' ') + state;
}

std::optional<int> HandOverToRunningWindow(TSingleInstance& instance, const TStartRequest& request)
{
    const std::optional<TInstanceAnswer> answer = instance.HandOver(request, kHandOverTimeoutMs, true, true);
    if (!answer) {
        if (instance.Holding())
            return std::nullopt;
        std::fputs("pocosa: Pocosa is already running but did not answer\n", stderr);
        return 1;
    }
    if (request.Status)
        std::printf("%s\n", answer->State.toUtf8().constData());
    else if (!answer->Applied)
        std::fprintf(stderr, "pocosa: the timer is running (%s); the time was not changed\n",
                     answer->State.toUtf8().constData());
    return 0;
}

int PrintRunningStatus(TSingleInstance& instance)
{
    TStartRequest query;
    query.Status = true;
    bool reached = false;
    const std::optional<TInstanceAnswer> answer = instance.HandOver(query, kHandOverTimeoutMs, false, false, &reached);
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
