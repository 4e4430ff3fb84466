#pragma once

#include <QString>

#include "Translations.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <QObject>

class TTimerModel;
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

// The timer as application.ini keeps it between runs (section TIMER for the
// first timer, a section of its own for each other one), so
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
    QString Name = {};        // empty: unnamed
    QString Sound = {};       // the alarm's sound file; empty: the program's
    int Volume = 100;         // of the alarm's sound, 0..100 %
    int Length = 0;           // a running count-down's length; 0: not known
    QString Notice = {};      // the desktop's notification of the alarm (TTimerModel::Notification)
    int Warning = 0;          // seconds before a count-down's end it warns; 0: it does not
    int Repeat = 0;           // rounds of a count-down (TTimerModel::Repeat); 0: none
    int Round = 1;            // with a repeat, the round under way; the moment is that round's end

    // Name, sound, warning, repeat, round, notification, running, count-up and length alike, and for a stopped timer the
    // same value: the moments of two records of one running timer may differ a little.
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
    int Round = 1;            // a repeat's round, where the clock says it is
    int RoundsEnded = 0;      // rounds of a repeat that ended since the record was made
};

namespace TimerRecord {

// A count-down whose end passed less than this long ago opens in the alarm;
// one that ended earlier only tells the user.
inline constexpr std::int64_t kAlarmWithinMs = 3600 * 1000;
// How far the wall clock may have been set back since the record was made.
inline constexpr std::int64_t kClockSlackMs = 60 * 1000;

std::int64_t WallClockMs();

// The section of the first timer.
inline const QString kFirstSection = QStringLiteral("TIMER");

// The record of the timer's state at the time `now`.
TTimerRecord Capture(const TTimerModel& timer, const TTimerClocks& now);

// What the record becomes at the time `now`. Within the boot it was made in
// the boot clock tells the time passed; after a reboot only the wall clock
// can. Empty, with the reason in `why`, when the record makes no sense
// (values out of range, a running timer without its moment); rkKept, with
// the reason in `why`, when the clock stands before the record's making.
std::optional<TTimerResume> Resume(const TTimerRecord& record, const TTimerClocks& now, QString* why);

// The kept record: empty when there is none, or when it cannot be read
// (then `why` says why).
std::optional<TTimerRecord> Read(TvlmGlobal& global, QString* why, const QString& section = kFirstSection);
// The record's keys, for one write of the section with everything else of the timer.
std::vector<std::pair<QString, QString>> Keys(const TTimerRecord& record);
// One replacement of the file. A refused write raises EvlmGlobalError.
void Write(TvlmGlobal& global, const TTimerRecord& record, const QString& section = kFirstSection);

// What taking up a kept timer leaves to its window and the desktop.
struct TTakenUp {
    bool Rewrite = false;  // the kept record no longer matches: write it again
    QString EndedNotice;   // a count-down that ended long ago: tell the user so
};

// At start-up, on the timer just created (stopped at 00:00) with its window
// following it, before the window is shown: takes up the kept record (unless
// `resume` is false: a time on the command line wins; the name is taken up
// anyway). A count-down that ended while the program was not running rings
// again, after `beforeAlarm` got the body for its notification. A record
// that cannot be used, or is shown stopped, is reported in one line on
// standard error.
TTakenUp ResumeKeptTimer(TTimerModel& timer, TvlmGlobal& global, bool resume, const TTimerClocks& now,
                         const QString& section = kFirstSection,
                         const std::function<void(const QString& body)>& beforeAlarm = {});

// "14:05 に終了しました"; the date goes in front when it is not today's, with
// the year when it is not this year's. Dates and times are written in the
// short forms of `locale`.
QString EndedText(std::int64_t endedMs, std::int64_t nowMs, const QLocale& locale = UserLanguageLocale());

} // namespace TimerRecord

// Keeps the record in step with the timer: it is written whenever the name,
// running, count-up or the value of a stopped timer change, which only the
// user and the command line do, and when its alarm's notification comes or
// goes; plain ticks write nothing. A refused write
// is shown to the user once and otherwise reported on standard error.
// `write` stores a record; by default TimerRecord::Write into the first
// timer's section.
class TTimerRecorder : public QObject {
public:
    using TWrite = std::function<void(const TTimerRecord&)>;

    TTimerRecorder(TTimerModel& timer, TvlmGlobal& global,
                   std::function<TTimerClocks()> clocks = &TTimerClocks::Now, TWrite write = {});
    ~TTimerRecorder() override;
    TTimerRecorder(const TTimerRecorder&) = delete;
    TTimerRecorder& operator=(const TTimerRecorder&) = delete;

    // Writes the timer's state now.
    void Write();
    // The user closed the timer: the next start is stopped at 00:00,
    // unnamed, with the same alarm sound.
    void Clear();
    // The record of the timer now.
    TTimerRecord Now() const;

private:
    void StateChanged();
    void Store(const TTimerRecord& record);

    TTimerModel& timer_;
    std::function<TTimerClocks()> clocks_;
    TWrite write_;
    TTimerRecord written_;
    bool reported_ = false;
};
