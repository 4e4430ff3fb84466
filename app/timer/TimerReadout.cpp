#include "TimerReadout.h"

namespace {

const QString kProgramName = QStringLiteral("Pocosa");

} // namespace

TTimerPhase TTimerReadout::Phase(int seconds, bool running, bool countUp)
{
    if (!running)
        return TTimerPhase::Stopped;
    if (countUp)
        return TTimerPhase::CountingUp;
    return seconds == 0 ? TTimerPhase::Alarm : TTimerPhase::CountingDown;
}

QString TTimerReadout::Title(int seconds, bool running, const QString& notice, const QString& name,
                             const QString& round)
{
    QString shown = notice.isEmpty() && (running || seconds != 0) ? Clock(seconds) : notice;
    if (!round.isEmpty() && notice.isEmpty() && !shown.isEmpty())
        shown += QStringLiteral(" (%1)").arg(round);
    if (!name.isEmpty())
        shown = shown.isEmpty() ? name : name + QLatin1Char(' ') + shown;
    if (shown.isEmpty())
        return kProgramName;
    return QStringLiteral("%1 \u2013 %2").arg(shown, kProgramName);
}

QString TTimerReadout::Named(const QString& name, const QString& text)
{
    return name.isEmpty() ? text : tr("%1: %2").arg(name, text);
}

QString TTimerReadout::Clock(int seconds)
{
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString TTimerReadout::Spoken(int seconds, TTimerPhase phase, bool countsUp)
{
    if (phase == TTimerPhase::Alarm)
        return tr("Time is up");
    const QString time = Duration(seconds);
    switch (phase) {
    case TTimerPhase::CountingDown:
        return tr("%1, counting down").arg(time);
    case TTimerPhase::CountingUp:
        return tr("%1, counting up").arg(time);
    default:
        return countsUp ? tr("%1, stopped, counts up").arg(time) : tr("%1, stopped").arg(time);
    }
}

QString TTimerReadout::Duration(int seconds)
{
    // English needs the singular; each form is a text of its own so that the
    // untranslated program reads right too.
    const int m = seconds / 60;
    const int s = seconds % 60;
    const QString minutes = m == 1 ? tr("%1 minute").arg(m) : tr("%1 minutes").arg(m);
    const QString secs = s == 1 ? tr("%1 second").arg(s) : tr("%1 seconds").arg(s);
    QString time;
    if (m == 0)
        time = secs;
    else if (s == 0)
        time = minutes;
    else
        time = tr("%1 %2", "minutes, then seconds").arg(minutes, secs);
    return time;
}

QString TTimerReadout::Left(int seconds)
{
    return tr("%1 left", "a count-down's warning").arg(Duration(seconds));
}

QString TTimerReadout::RoundBegins(int round, int rounds, int ended)
{
    const QString begins = rounds < 0 ? tr("round %1 begins").arg(round)
                                      : tr("round %1 of %2 begins").arg(round).arg(rounds);
    if (ended <= 1)
        return begins;
    return tr("%1 rounds ended; %2", "rounds that ended while the computer slept, then the round that begins")
        .arg(ended)
        .arg(begins);
}
