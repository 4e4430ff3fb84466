#pragma once

#include <QCoreApplication>
#include <QString>

// What the timer is doing, as far as the user is told.
enum class TTimerPhase { Stopped, CountingDown, CountingUp, Alarm };

// The timer told where the user looks besides the digits: the window title
// (task bar, window switcher) and the words a screen reader speaks.
class TTimerReadout {
    Q_DECLARE_TR_FUNCTIONS(TTimerReadout)

public:
    static TTimerPhase Phase(int seconds, bool running, bool countUp);
    // "mm:ss"
    static QString Clock(int seconds);
    // "mm:ss – Pocosa"; plain "Pocosa" when stopped at 00:00; a notice
    // instead of the time when there is one ("… – Pocosa"). A named timer's
    // name goes in front: "Tea 04:59 – Pocosa", "Tea – Pocosa".
    // A repeat's round follows the time: "Tea 04:59 (2/5) – Pocosa".
    static QString Title(int seconds, bool running, const QString& notice = QString(),
                         const QString& name = QString(), const QString& round = QString());
    // A text about a named timer: "Tea: text"; unnamed: the text.
    static QString Named(const QString& name, const QString& text);
    // "4 minutes 59 seconds, counting down"; a zero part is left out
    // ("59 seconds", "5 minutes") unless both are zero. A stopped timer
    // whose next START counts up says so, as the window shows COUNT UP.
    static QString Spoken(int seconds, TTimerPhase phase, bool countsUp = false);
    // "4 minutes 59 seconds", as Spoken says a time.
    static QString Duration(int seconds);
    // A count-down's warning: "1 minute left".
    static QString Left(int seconds);
    // A repeat's next round: "round 2 of 5 begins" (`rounds` < 0: until
    // stopped, "round 2 begins"); after a sleep, with how many ended.
    static QString RoundBegins(int round, int rounds, int ended = 1);
};
