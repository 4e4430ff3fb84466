#pragma once

#include <optional>

#include <QObject>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "TimerLimits.h"

class QTimer;
class TTickClock;

// One kitchen timer without any window: its name, its seconds value
// (0..5999, 99:59), whether it runs and in which direction, the once-a-
// second tick and the alarm. Its window, its kept record, the command line
// and the desktop services all read it and follow its signals.
class TTimerModel : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxSeconds = kTimerMaxSeconds;
    static constexpr int kTickMs = 1000;
    // Alarm steps from one start of the sound to the next.
    static constexpr int kAlarmSoundSteps = 5;
    // The longest name in characters as a person counts them (grapheme
    // clusters: "é" written as e and an accent is one); a longer one is cut.
    static constexpr int kMaxNameLength = 40;

    // The clock is not owned and must outlive the timer.
    explicit TTimerModel(TTickClock& clock, QObject* parent = nullptr);
    ~TTimerModel() override;

    int Seconds() const { return seconds_; }
    bool Running() const { return running_; }
    bool CountUp() const { return countUp_; }
    int AlarmCountdown() const { return alarmCountdown_; }
    // A count-down at 00:00 that still runs: the alarm rings.
    bool Ringing() const { return running_ && !countUp_ && seconds_ == 0; }
    // The alarm was reached since the timer was last started or stopped
    // (Reset may be pressed while it runs).
    bool AlarmReached() const { return alarmReached_; }
    // True while a change under way comes from the tick, not from the user.
    bool Ticking() const { return ticking_; }

    QString Name() const { return name_; }
    // Line breaks and outer white space go, and what is longer than
    // kMaxNameLength characters is cut; empty: unnamed.
    void SetName(const QString& name);
    // `cut` tells whether the name was longer than kMaxNameLength.
    static QString CleanName(const QString& name, bool* cut = nullptr);
    // Characters as a person counts them (see kMaxNameLength).
    static int NameLength(const QString& name);
    // The number of the timer's settings section ("TIMER-<n>") while it is
    // not the first of several; 0 for the first or only timer.
    int Number() const { return number_; }
    void SetNumber(int number);
    // What the user knows the timer by: its name; unnamed, "Timer <n>" while
    // it has a Number; else empty, as a single timer always read.
    QString Label() const;

    // The alarm's sound: a file (empty: the program's timer.wav) and its
    // volume, 0..100 %.
    static constexpr int kFullVolume = 100;
    QString SoundFile() const { return soundFile_; }
    int Volume() const { return volume_; }
    void SetSound(const QString& file, int volume);
    // Why the chosen sound could not be played at the last alarm step (the
    // default one played instead), for those who tell the user; empty when
    // it could.
    QString SoundProblem() const { return soundProblem_; }
    void SetSoundProblem(const QString& why);

    // The length of the count-down under way (its time at START, more when
    // time is added; kept over STOP and START again with the time untouched),
    // which the alarm names; 0 when none runs or it is not known.
    int CountDownLength() const { return std::max(length_, 0); }
    // A count-down taken up from an earlier run: its length as kept (0: not known).
    void SetCountDownLength(int seconds) { length_ = seconds > 0 ? seconds : -1; }

    // The desktop's notification of this timer's alarm, as the desktop
    // services name it; kept with the timer, so that a later run replaces
    // the one a killed run left. Empty: none shown.
    QString Notification() const { return notification_; }
    void SetNotification(const QString& kept);

    // How long before a count-down's end it warns (seconds; 0: it does not).
    // A count-down no longer than that gives no warning.
    int Warning() const { return warning_; }
    void SetWarning(int seconds);
    // A count-down taken up from an earlier run: warns now when its warning
    // fell due while away (the record was made before it, `keptSeconds`
    // showing) and the end has not come yet. True when it warned.
    bool WarnIfMissed(int keptSeconds);

    // How many rounds a count-down runs (0: once, as without a repeat;
    // 2..kMaxRepeat; kRepeatForever: until stopped). At the end of a round
    // that is not the last, the next begins at once from the same length.
    static constexpr int kMaxRepeat = 99;
    static constexpr int kRepeatForever = -1;
    int Repeat() const { return repeat_; }
    void SetRepeat(int rounds);
    // The round under way, from 1; kept over STOP and START again, back to 1
    // when a count-down of a new length starts.
    int Round() const { return round_; }
    void SetRound(int round);
    // A repeat taken up from an earlier run: in round `round`, `ended`
    // rounds having ended while away (told once, by RoundBegun); a stopped
    // count-down's next START goes on with the round.
    void TakeUpRound(int round, int ended);
    // "2/5", "2/∞"; empty without a repeat or while counting up.
    QString RoundText() const;

    void SetSeconds(int value);
    void SetRunning(bool running);
    void SetCountUp(bool up);
    // Takes up a running timer kept from an earlier run: the seconds value
    // shown now and the time until its next second falls due (1..1000 ms).
    void ResumeRunning(int seconds, bool countUp, int nextSecondMs);
    // Milliseconds of the current second already passed (0..999); 0 when stopped.
    int MillisecondsIntoSecond() const;
    // The tick: applies every whole second passed since the last one.
    void Tick();

    // What the buttons do, whoever asks (the window, a later start, the
    // notification, the status icon): a minute more, a second more,
    // START/STOP (from 00:00, or after a count-up, it counts up), Reset.
    // A START that begins a count-down of a new length, not one taken up
    // again after STOP with nothing changed since, says CountDownStarted.
    void AddMinute() { SetSeconds(seconds_ + 60); }
    void AddSecond() { SetSeconds(seconds_ + 1); }
    void StartStop();
    void Reset();
    // Reset, set to `seconds` and started; with `recent` false (a count-down
    // to a time of day) it is no length the user would start again.
    void StartLength(int seconds, bool recent = true);
    // The alarm's "+1 min": the alarm stops and it counts down one minute.
    void OneMinuteMore();

    QTimer* TickTimer() const { return tick_; }
    TTickClock& Clock() const { return clock_; }

signals:
    // The seconds value, running or counting up changed (or was set again).
    void Changed();
    // START began a count-down of a new length (see StartStop).
    void CountDownStarted(int seconds);
    // An alarm step (once a second at 00:00): bring the timer to the front,
    // and with `sound`, start its sound.
    void AlarmStep(bool sound);
    // The name or the Label changed.
    void NameChanged();
    void SoundChanged();
    void SoundProblemChanged();
    void NotificationChanged();
    void WarningChanged();
    // A running count-down came to its warning time (or past it, after a
    // sleep) before its end; once for each time it crosses it.
    void Warned();
    // A repeating count-down began round Round() at once; `ended` rounds
    // ended since the last time it said so (more than 1 after a sleep).
    void RoundBegun(int ended);
    void RepeatChanged();

private:
    void DoAlarm();
    void FollowLength(int before);
    bool NextRound(int value);

    TTickClock& clock_;
    QTimer* tick_;
    QString name_;
    int number_ = 0;
    QString soundFile_;
    int volume_ = kFullVolume;
    QString soundProblem_;
    QString notification_;
    int warning_ = 0;
    int repeat_ = 0;
    int round_ = 1;
    int length_ = 0; // -1: a count-down of a length not known
    std::optional<int> paused_; // a count-down STOP stopped here; START takes it up again
    int seconds_ = 0;
    bool running_ = false;
    bool countUp_ = false;
    bool ticking_ = false;
    bool alarmReached_ = false;
    int alarmCountdown_ = 0;
    // Clock time up to which seconds have been applied while running; the
    // tick applies every whole second passed since, so a late tick (suspend,
    // stall) does not make the timer fall behind.
    std::int64_t appliedUntilMs_ = 0;
};

// Of `timers`, the count-down nearest its end, which the status icon and the
// task bar's launcher both show: one that runs (a ringing one is at 0) before
// one stopped mid-way with its time untouched; then the fewest seconds; then
// the lowest Number (the first timer's is 0), so that the choice does not hang
// on the order of the list. Null when none counts down.
const TTimerModel* NearestCountDown(const std::vector<const TTimerModel*>& timers);
