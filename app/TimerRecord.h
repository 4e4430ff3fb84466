#pragma once

#include <QString>

#include "Translations.h"

#include <cstdint>
#include <functional>
#include <optional>

class TFmTimerMain;
class TTimerAttention;
class TvlmGlobal;

// The clocks a record is made and read by: the wall clock (UTC
// milliseconds), which the user and NTP may set at any time, and the boot
// clock (CLOCK_BOOTTIME milliseconds), which nothing sets but which starts
// anew at every boot, named by the kernel's boot id.
struct TTimerClocks {
    std::int64_t WallMs = 0;
    std::int64_t BootMs = 0;
    QString BootId = {}; // empty when unknown: never the same boot
    // The machine's clocks now.
    static TTimerClocks Now();
};

// The timer as application.ini keeps it between runs (section TIMER), so
// that a count-down outlives a logout, a reboot or a killed program. A
// running timer is kept as a moment: the end of a count-down (END), or the
// moment a count-up stood at 00:00 (START), on the wall clock, and the same
// moment on the boot clock (BOOTMS) of the boot it was made in (BOOTID).
// Records of earlier versions lack the last two.
struct TTimerRecord {
    int Seconds = 0; // the value when the record was made
    bool Running = false;
    bool CountUp = false;
    std::int64_t ClockMs = 0; // running only: END or START
    std::int64_t BootMs = 0;  // running only: END or START on the boot clock
    QString BootId = {};      // the boot of BootMs; empty: unknown

    // Running and count-up alike, and for a stopped timer the same value:
    // the moments of two records of one running timer may differ a little.
    bool SameState(const TTimerRecord& other) const;
};

// What a record becomes when the program starts again.
// rkKept: a running timer that cannot be right under the wall clock (set
// back since the record was made, and no boot clock to tell): shown stopped
// at the time it had, and the record is left as it is.
struct TTimerResume {
    enum TKind { rkStopped, rkRunning, rkAlarm, rkEnded, rkKept };
    TKind Kind = rkStopped;
    int Seconds = 0;
    bool CountUp = false;
    int NextSecondMs = 0; // rkRunning: time until the next second falls due, 1..1000
    std::int64_t EndedMs = 0; // rkAlarm, rkEnded: the end of the count-down
};

namespace TimerRecord {

// A count-down whose end passed less than this long ago opens in the alarm;
// one that ended earlier only tells the user.
inline constexpr std::int64_t kAlarmWithinMs = 3600 * 1000;
// How far the wall clock may have been set back since the record was made.
inline constexpr std::int64_t kClockSlackMs = 60 * 1000;

std::int64_t WallClockMs();

// The record of the window's state at the time `now`.
TTimerRecord Capture(const TFmTimerMain& window, const TTimerClocks& now);

// What the record becomes at the time `now`. Within the boot it was made in
// the boot clock tells the time passed; after a reboot only the wall clock
// can. Empty, with the reason in `why`, when the record makes no sense
// (values out of range, a running timer without its moment); rkKept, with
// the reason in `why`, when the clock stands before the record's making.
std::optional<TTimerResume> Resume(const TTimerRecord& record, const TTimerClocks& now, QString* why);

// The kept record: empty when there is none, or when it cannot be read
// (then `why` says why).
std::optional<TTimerRecord> Read(TvlmGlobal& global, QString* why);
// One replacement of the file. A refused write raises EvlmGlobalError.
void Write(TvlmGlobal& global, const TTimerRecord& record);

// At start-up, on the window just created (stopped at 00:00) and before it
// is shown: takes up the kept record (unless
// `resume` is false: a time on the command line wins). A record that cannot
// be used, or is shown stopped, is reported in one line on standard error.
// True when the kept record no longer matches the window and must be
// written again.
bool ResumeKeptTimer(TFmTimerMain& window, TTimerAttention& attention, TvlmGlobal& global, bool resume,
                     const TTimerClocks& now);

// "14:05 に終了しました"; the date goes in front when it is not today's, with
// the year when it is not this year's. Dates and times are written in the
// short forms of `locale`.
QString EndedText(std::int64_t endedMs, std::int64_t nowMs, const QLocale& locale = UserLanguageLocale());

} // namespace TimerRecord

// Keeps the record in step with the window: it is written whenever running,
// count-up or the value of a stopped timer change, which only the user and
// the command line do; plain ticks write nothing. A refused write is shown
// to the user once and otherwise reported on standard error.
class TTimerRecorder {
public:
    TTimerRecorder(TFmTimerMain& window, TvlmGlobal& global,
                   std::function<TTimerClocks()> clocks = &TTimerClocks::Now);
    ~TTimerRecorder();
    TTimerRecorder(const TTimerRecorder&) = delete;
    TTimerRecorder& operator=(const TTimerRecorder&) = delete;

    // Writes the window's state now.
    void Write();
    // The user closed the program: the next start is stopped at 00:00.
    void Clear();

private:
    void StateChanged();
    void Store(const TTimerRecord& record);

    TFmTimerMain& window_;
    TvlmGlobal& global_;
    std::function<TTimerClocks()> clocks_;
    std::function<void()> before_; // the window's follower before this one
    TTimerRecord written_;
    bool reported_ = false;
};
