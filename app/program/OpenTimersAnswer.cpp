#include "OpenTimers.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdint>

#include "StartRequest.h"
#include "TimerModel.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"
#include "vlmGlobal.h"

TInstanceAnswer TOpenTimers::Answer(const TStartRequest& request)
{
    const std::uint64_t failuresBefore = global_.SaveFailures();
    TInstanceAnswer answer = AnswerNow(request);
    // Done, but gone at the next start unless the disk takes it later: the
    // caller hears so (the window shows what was asked all the same).
    if (global_.SaveFailures() != failuresBefore && answer.Refused.isEmpty())
        answer.Refused = QCoreApplication::translate("TOpenTimers", "done, but not kept: %1: %2")
                             .arg(global_.IniFileName(), global_.UnsavedReason());
    return answer;
}

TInstanceAnswer TOpenTimers::AnswerNow(const TStartRequest& request)
{
    TInstanceAnswer answer;
    TFmTimerMain* target = Count() == 0 ? nullptr : &Window(0);
    if (request.New) {
        const QString name = request.Timer.value_or(QString());
        target = name.isEmpty() || !Find(name) ? New(nullptr, name, false) : nullptr;
        if (!target) {
            answer.Applied = false;
            answer.Refused = name.isEmpty() || !Find(name) ? TooManyText() : NameTakenText(name);
        }
    } else if (request.Timer) {
        target = Find(*request.Timer);
        if (!target) {
            QStringList names;
            for (int i = 0; i < Count(); ++i)
                if (!Timer(i).Name().isEmpty())
                    names << Timer(i).Name();
            answer.Applied = false;
            answer.Refused =
                names.isEmpty()
                    ? QCoreApplication::translate("TOpenTimers", "there is no timer named \"%1\"; no timer has a name")
                          .arg(*request.Timer)
                    : QCoreApplication::translate("TOpenTimers", "there is no timer named \"%1\"; the names are: %2")
                          .arg(*request.Timer, names.join(QStringLiteral(", ")));
        }
    }
    if (target)
        answer.State = TimerStateText(target->Model());
    if (target && request.Act != TTimerAct::None) {
        answer.Applied = Act(*target, request.Act);
    } else if (target && !request.Status) {
        answer.Applied = ApplyStartRequest(*target, request);
        BringToFront(*target);
        answer.State = TimerStateText(target->Model());
    }
    if (request.Ask) {
        answer.Knows = {QStringLiteral("new"), QStringLiteral("timer"), QStringLiteral("sound"), QStringLiteral("warn"),
                        QStringLiteral("repeat")};
        for (TTimerAct act = TTimerAct::Show; act <= TTimerAct::ShowAll; act = TTimerAct(int(act) + 1))
            answer.Knows << ActName(act);
        for (int i = 0; i < Count(); ++i) {
            answer.Timers << StatusLine(Timer(i));
            answer.Facts.push_back(Facts(i));
        }
    }
    return answer;
}

// A script's act: none of them takes the keyboard but Show's.
bool TOpenTimers::Act(TFmTimerMain& target, TTimerAct act)
{
    if (IsActOnAll(act)) {
        if (ActOnAll)
            ActOnAll(act);
        return bool(ActOnAll);
    }
    switch (act) {
    case TTimerAct::Show:
        BringToFront(target);
        break;
    case TTimerAct::Stop:
        if (target.Running())
            target.Model().StartStop(); // a ringing alarm stops as well
        break;
    case TTimerAct::Reset:
        target.Model().Reset();
        break;
    case TTimerAct::Close:
        target.CloseWithoutAsking();
        break;
    default:
        break;
    }
    return true;
}

QString TOpenTimers::Label(int index) const
{
    // As the timer's title and notification call it; the first one, which
    // they leave unlabelled, is timer 1 in a list of them all.
    const QString label = Timer(index).Label();
    return label.isEmpty() ? QCoreApplication::translate("TTimerModel", "Timer %1").arg(1) : label;
}

TTimerFacts TOpenTimers::Facts(int index) const
{
    const TTimerModel& timer = Timer(index);
    QString ends;
    if (timer.Running() && !timer.CountUp() && timer.Seconds() > 0) {
        // The second under way is partly gone.
        const QDateTime end =
            QDateTime::currentDateTime().addMSecs(qint64(timer.Seconds()) * 1000 - timer.MillisecondsIntoSecond());
        ends = end.toOffsetFromUtc(end.offsetFromUtc()).toString(Qt::ISODate);
        // A local time that is UTC keeps the form of the others: Qt writes Z.
        if (ends.endsWith(QLatin1Char('Z')))
            ends = ends.chopped(1) + QStringLiteral("+00:00");
    }
    return {timer.Name(), Label(index), timer.Seconds(), TimerStateText(timer).section(QLatin1Char(' '), 1), ends,
            Section(index)};
}
