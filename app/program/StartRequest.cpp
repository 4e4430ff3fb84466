#include "StartRequest.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QWindow>

#include <cstdio>

#include "TimerModel.h"
#include "TimerReadout.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"

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

namespace {

void PrintError(const QString& message)
{
    std::fprintf(stderr, "pocosa: %s\n", message.toLocal8Bit().constData());
}

// The lock of the settings is held, but no window could be reached.
QString AlreadyRunsText(const TSingleInstance& instance)
{
    return QCoreApplication::translate("StartRequest",
                                       "Pocosa already runs for the settings in %1, but its window cannot be reached")
        .arg(QFileInfo(instance.LockPath()).path());
}

// The running program gave no answer: why, in the user's words; status 1.
int NoAnswer(const TSingleInstance& instance, bool reached)
{
    // A window that takes the connection but never answers is there but stuck.
    if (reached)
        PrintError(QCoreApplication::translate("StartRequest", "Pocosa is already running but did not answer"));
    else if (instance.Unreachable())
        PrintError(AlreadyRunsText(instance));
    else
        PrintError(QCoreApplication::translate("StartRequest", "Pocosa is not running"));
    return 1;
}

int TooOld(const QString& what)
{
    PrintError(QCoreApplication::translate("StartRequest",
                                           "the running Pocosa is too old for %1; close it and start Pocosa again")
                   .arg(what));
    return 1;
}

// A JSON string, quoted, as QJsonDocument writes it.
QByteArray JsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

bool ApplyStartRequest(TFmTimerMain& window, const TStartRequest& request)
{
    // The sound changes nothing of the time: a running timer takes it too.
    if (request.Sound || request.Volume) {
        TTimerModel& timer = window.Model();
        timer.SetSound(request.Sound.value_or(timer.SoundFile()), request.Volume.value_or(timer.Volume()));
    }
    // Nor does the warning.
    if (request.Warn)
        window.Model().SetWarning(*request.Warn);
    if (request.Repeat)
        window.Model().SetRepeat(*request.Repeat);
    if (!request.Seconds && !request.Start)
        return true;
    TTimerModel& timer = window.Model();
    if (timer.Running())
        return false;
    // A count-down to a time of day is no length the user would start again.
    if (request.Seconds && request.Start) {
        timer.StartLength(*request.Seconds, !request.Until);
        return true;
    }
    if (request.Seconds) {
        timer.Reset();
        timer.SetSeconds(*request.Seconds);
    }
    if (request.Start)
        timer.StartStop();
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
    return TimerStateText(window.Model());
}

QString StatusLine(const TTimerModel& timer)
{
    const QString state = TimerStateText(timer);
    // In English whatever the language, as the state is.
    const QString label = timer.Name().isEmpty() && timer.Number() > 0
                              ? QStringLiteral("Timer %1").arg(timer.Number())
                              : timer.Name();
    return label.isEmpty() ? state : state + QLatin1Char('\t') + label;
}

QString TimerStateText(const TTimerModel& window)
{
    const int v = window.Seconds();
    const char* state = nullptr;
    if (!window.Running())
        state = window.CountUp() ? QT_TRANSLATE_NOOP("StartRequest", "stopped (count up)")
                                 : QT_TRANSLATE_NOOP("StartRequest", "stopped");
    else if (window.CountUp())
        state = QT_TRANSLATE_NOOP("StartRequest", "counting up");
    else
        state =
            v == 0 ? QT_TRANSLATE_NOOP("StartRequest", "alarm") : QT_TRANSLATE_NOOP("StartRequest", "counting down");
    // A repeat's round after the state: "04:59 counting down (2/5)".
    const QString round = window.RoundText();
    return TTimerReadout::Clock(v) + QLatin1Char(' ') + QLatin1String(state) +
           (round.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(round));
}

QString StateForUser(const QString& state)
{
    // The window answers in one language for every caller: "mm:ss" and a
    // state word of TimerStateText, which the caller puts in its own.
    const QString time = state.section(QLatin1Char(' '), 0, 0);
    QString word = state.section(QLatin1Char(' '), 1);
    if (word.isEmpty())
        return state;
    // A round, "(2/5)", is the same in every language.
    static const QRegularExpression round(QStringLiteral(" \\([0-9]+/[^)]+\\)$"));
    const QRegularExpressionMatch found = round.match(word);
    const QString suffix = found.hasMatch() ? found.captured() : QString();
    word.chop(suffix.size());
    return time + QLatin1Char(' ') + QCoreApplication::translate("StartRequest", word.toUtf8().constData()) + suffix;
}

QString NotDoneText(const TStartRequest& request, const QString& state)
{
    QString notDone;
    if (request.Seconds && request.Start)
        notDone = QCoreApplication::translate("StartRequest", "neither set to %1 nor started again")
                      .arg(TTimerReadout::Clock(*request.Seconds));
    else if (request.Seconds)
        notDone = QCoreApplication::translate("StartRequest", "not set to %1").arg(TTimerReadout::Clock(*request.Seconds));
    else
        notDone = QCoreApplication::translate("StartRequest", "not started again");
    return QCoreApplication::translate("StartRequest", "the timer is running (%1), so it was %2")
        .arg(StateForUser(state), notDone);
}

std::optional<int> HandOverToRunningWindow(TSingleInstance& instance, const TStartRequest& request, int timeoutMs)
{
    bool reached = false;
    if (request.New || request.Timer || request.Sound || request.Volume || request.Warn || request.Repeat) {
        TStartRequest ask;
        ask.Status = true;
        ask.Ask = true;
        const std::optional<TInstanceAnswer> knows = instance.HandOver(ask, timeoutMs, true, true, &reached);
        if (!knows && instance.Holding())
            return std::nullopt;
        // Never sent unasked: an older program would take it for a plain request.
        if (!knows) {
            PrintError(reached ? QCoreApplication::translate("StartRequest", "Pocosa is already running but did not answer")
                               : AlreadyRunsText(instance));
            return 1;
        }
        const bool sound = request.Sound || request.Volume;
        if (knows && !(knows->Knows.contains(QStringLiteral("new")) && knows->Knows.contains(QStringLiteral("timer")) &&
                       (!sound || knows->Knows.contains(QStringLiteral("sound"))))) {
            PrintError(QCoreApplication::translate(
                "StartRequest",
                "the running Pocosa is too old for --new, --timer and --sound; close it and start Pocosa again"));
            return 1;
        }
        if (request.Warn && !knows->Knows.contains(QStringLiteral("warn"))) {
            PrintError(QCoreApplication::translate(
                "StartRequest", "the running Pocosa is too old for --warn; close it and start Pocosa again"));
            return 1;
        }
        if (request.Repeat && !knows->Knows.contains(QStringLiteral("repeat"))) {
            PrintError(QCoreApplication::translate(
                "StartRequest", "the running Pocosa is too old for --repeat; close it and start Pocosa again"));
            return 1;
        }
    }
    const std::optional<TInstanceAnswer> answer = instance.HandOver(request, timeoutMs, true, true, &reached);
    if (!answer) {
        if (instance.Holding())
            return std::nullopt;
        PrintError(reached ? QCoreApplication::translate("StartRequest", "Pocosa is already running but did not answer")
                           : AlreadyRunsText(instance));
        return 1;
    }
    if (!answer->Refused.isEmpty()) {
        PrintError(answer->Refused);
        return 1;
    }
    if (!answer->Applied) {
        PrintError(NotDoneText(request, answer->State));
        return 1;
    }
    return 0;
}

int PrintRunningStatus(TSingleInstance& instance, int timeoutMs, bool json)
{
    TStartRequest query;
    query.Status = true;
    query.Ask = true;
    bool reached = false;
    const std::optional<TInstanceAnswer> answer = instance.HandOver(query, timeoutMs, false, false, &reached);
    if (!answer)
        return NoAnswer(instance, reached);
    // A program that has timers and sends none of their facts is older:
    // nothing is printed rather than facts made up from its lines.
    if (json && answer->Facts.empty())
        return TooOld(QStringLiteral("--status --json"));
    if (json) {
        const QByteArray line = JsonStatusLine(answer->Facts) + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
        return 0;
    }
    // Scripts read these lines: the state words stay English in every
    // language. An older program answers with its one timer's state.
    const QStringList lines = answer->Timers.isEmpty() ? QStringList{answer->State} : answer->Timers;
    for (const QString& line : lines)
        std::printf("%s\n", line.toLocal8Bit().constData());
    return 0;
}

QByteArray JsonStatusLine(const std::vector<TTimerFacts>& facts)
{
    // Written by hand: a JSON object of Qt's puts its keys in alphabetical
    // order, and scripts are promised these.
    QByteArrayList objects;
    for (const TTimerFacts& f : facts)
        objects << "{\"name\":" + JsonString(f.Name) + ",\"label\":" + JsonString(f.Label) +
                       ",\"seconds\":" + QByteArray::number(f.Seconds) + ",\"state\":" + JsonString(f.State) +
                       ",\"ends\":" + (f.Ends.isEmpty() ? QByteArray("null") : JsonString(f.Ends)) +
                       ",\"section\":" + JsonString(f.Section) + "}";
    return "[" + objects.join(',') + "]";
}

int ActOnRunningProgram(TSingleInstance& instance, const TStartRequest& request, int timeoutMs)
{
    TStartRequest ask;
    ask.Status = true;
    ask.Ask = true;
    bool reached = false;
    // A program that holds the lock is about to listen: it is waited for.
    const bool starting = instance.HeldElsewhere();
    const std::optional<TInstanceAnswer> knows = instance.HandOver(ask, timeoutMs, starting, false, &reached);
    if (!knows)
        return NoAnswer(instance, reached);
    const QString act = ActName(request.Act);
    if (!knows->Knows.contains(act))
        return TooOld(QStringLiteral("--") + act);
    const std::optional<TInstanceAnswer> answer = instance.HandOver(request, timeoutMs, false, false, &reached);
    if (!answer)
        return NoAnswer(instance, reached);
    if (!answer->Refused.isEmpty()) {
        PrintError(answer->Refused);
        return 1;
    }
    return answer->Applied ? 0 : 1;
}
