#pragma once

#include <optional>

#include <QString>

#include "SingleInstance.h"
#include "TimeArgument.h"

class TFmTimerMain;
class TTimerModel;

// Shows the window in front of the others and gives it the keyboard.
void BringToFront(TFmTimerMain& window);

// Applies a start's request to the window. Only a stopped timer takes it: a
// time acts as Reset followed by setting that time with the buttons (so it
// counts down even after a stopped count-up), then --start presses START.
// A running timer is left alone; the result is false when something was
// asked but not done.
bool ApplyStartRequest(TFmTimerMain& window, const TStartRequest& request);

// The running window's side of a later start: applies the request and
// comes to the front, or for --status only reports.
TInstanceAnswer AnswerStartRequest(TFmTimerMain& window, const TStartRequest& request);

// "mm:ss state": stopped, stopped (count up), counting down, alarm, counting up.
// The window's answer to a later start, in these words whatever the languages.
QString TimerStateText(const TFmTimerMain& window);
QString TimerStateText(const TTimerModel& timer);
// A timer's line of --status: its TimerStateText, and for a named timer a
// tab and the name.
QString StatusLine(const TTimerModel& timer);

// A window's answer as the user of this process reads it in a message: the
// state in the user's language ("04:59 カウントダウン中"); a state not known
// is kept.
QString StateForUser(const QString& state);

// What a running window left undone of a request, for the later start's
// error line: "the timer is running (04:59 counting down), so it was not
// set to 05:00". state is the window's answer.
QString NotDoneText(const TStartRequest& request, const QString& state);

// How long a later start waits for the running window's answer. Generous:
// the first start may still be loading its pictures.
inline constexpr int kHandOverTimeoutMs = 15000;

// A later start (not --status): hands the request to the running window,
// prints what the user should know, and returns the exit status (0 carried
// out, 1 no answer or not carried out). A request for another timer than
// the first (--new, --timer) first asks whether the running program knows
// it: an older one would take it for a plain request and reset the first.
// Empty when the running window ended meanwhile and this process took the
// lock: it then opens the window itself.
std::optional<int> HandOverToRunningWindow(TSingleInstance& instance, const TStartRequest& request,
                                           int timeoutMs = kHandOverTimeoutMs);

// --status: prints each timer's StatusLine, first timer first (an older
// program gives only its one timer's state), in English whatever the
// language, for scripts; status 1 when none answers. With json, one line:
// a JSON array of each timer's facts (JsonStatusLine); a program too old
// to send them is refused, status 1.
int PrintRunningStatus(TSingleInstance& instance, int timeoutMs = kHandOverTimeoutMs, bool json = false);
// The line --status --json prints: each timer an object of the keys name,
// label, seconds, state, ends (null when no count-down runs), section, in
// that order, UTF-8.
QByteArray JsonStatusLine(const std::vector<TTimerFacts>& facts);

// A request's act (--stop, --pause-all, ...) for the running program alone:
// never opens a window. The program is asked first whether it knows the
// act (an older one would take it for a plain request). Returns the exit
// status: 0 done, 1 not running, no answer, too old or refused.
int ActOnRunningProgram(TSingleInstance& instance, const TStartRequest& request,
                        int timeoutMs = kHandOverTimeoutMs);
