#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

class TSoundService;

// A refused command line. The message is written to standard error as it
// stands and the program ends with status 2.
class ETimeArgument : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a start asks of the running program's timers beyond a time: of one
// timer (--timer NAME, else the first): its window to the front, STOP of its
// count or alarm, Reset, its window closed without asking; or of all of them.
enum class TTimerAct { None, Show, Stop, Reset, Close, PauseAll, ResumeAll, ShowAll };

// The act's option and its word in a request and in what a program knows
// ("pause-all"); empty for None.
QString ActName(TTimerAct act);
// The act of that word; nullopt when there is none.
std::optional<TTimerAct> ActNamed(const QString& name);
// An act on every timer at once: it takes no --timer.
inline bool IsActOnAll(TTimerAct act)
{
    return act == TTimerAct::PauseAll || act == TTimerAct::ResumeAll || act == TTimerAct::ShowAll;
}

// What a start of the program asks of the timer window.
struct TStartRequest {
    std::optional<int> Seconds; // 0..5999; empty: the time is left as it is
    bool Start = false;         // start the timer as well
    bool Status = false;        // only report the running window's state
    bool New = false;           // open another timer window for it
    std::optional<QString> Timer; // the timer of that name (with New: the new one's name)
    bool Ask = false;           // the answer says what the running program knows, and every timer
    std::optional<QString> Sound; // the timer's alarm sound: an absolute file name; "" the program's
    std::optional<int> Volume;  // of the alarm's sound, 0..100 %
    bool Until = false;         // the time is until a time of day: no recent length
    std::optional<int> Warn;    // how long before a count-down's end it warns, seconds; 0: it does not
    TTimerAct Act = TTimerAct::None; // acts on the running program's timers alone
    bool Json = false;          // --status: one JSON array, printed by this start
    std::optional<int> Repeat;  // rounds of a count-down: 0 once, 2..99, TTimerModel::kRepeatForever

    bool operator==(const TStartRequest&) const = default;
};

// Seconds of a time given on the command line. Accepted, letters in either
// case: "5m" (minutes), "90s" (seconds), "1m30s", "3:30" (minutes:seconds,
// seconds 00..59) and a plain "5" (minutes). The longest time is 99:59;
// a form with hours ("1:05:00") is refused. Throws ETimeArgument.
int ParseTimeArgument(const QString& text);

// Seconds from `now` until the time of day `text` (see SecondsUntil: today,
// or tomorrow once passed). Accepted, letters in either case: 24-hour "17:30"
// or "7:05" (seconds may follow, "17:30:15"), 12-hour "5:30pm", "5:30 PM",
// "5pm", "12am" (midnight), "12pm" (noon). A time that is now, or further
// than 99:59 away, is refused. Throws ETimeArgument.
int ParseUntilArgument(const QString& text, const QDateTime& now);

// The program's arguments (first the program name; Qt's own options already
// taken out by ReadCommandLine): at most one time, --start (-s),
// --status, --new, --timer NAME (a name of at most 40 characters; with
// --timer and without --new a time is needed), --sound FILE (made absolute;
// "default" is the program's sound), --volume N (0..100), --until TIME (instead of a
// time: the seconds until then from `now`, started), --warn TIME (a time as
// above, or "off"), --repeat N|forever|off (N 1..99; 1 is once, as off),
// one act (--show, --stop, --reset, --close, with --timer NAME or alone;
// --pause-all, --resume-all, --show-all alone), --json with --status.
// --help and --version are answered before this. Throws
// ETimeArgument for anything else.
TStartRequest ParseStartArguments(const QStringList& arguments,
                                  const QDateTime& now = QDateTime::currentDateTime());

// A --sound file that cannot be played is refused with the reason `sound`
// gives, as the alarm sound dialog tells it (the timer keeps its sound).
// Throws ETimeArgument.
void CheckSoundArgument(const TStartRequest& request, TSoundService& sound);
