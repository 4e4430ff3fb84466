// The timer's states, transitions, caps, alarm rhythm, blink rule and the
// catching up of late ticks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QSpinBox>

#include <functional>
#include <vector>

#include "TimerAccessible.h"
#include "TimerReadout.h"
#include "TimerRig.h"

namespace {

// What the window shows and allows in one state.
struct TExpect {
    QString Display;
    bool Running;
    bool CountUp;
    QString StartCaption;
    bool MinSecEnabled;
    bool ResetEnabled;
    bool TimeInTitle; // else the title is the plain program name
    const char* Spoken;
};

void ExpectState(TTimerRig& rig, const TExpect& e, const std::string& row)
{
    TFmTimerMain& w = rig.w();
    EXPECT_EQ(rig.Display(), e.Display) << row;
    EXPECT_EQ(w.Running(), e.Running) << row;
    EXPECT_EQ(w.CountUp(), e.CountUp) << row;
    EXPECT_EQ(w.LbCountUp->isHidden(), !e.CountUp) << row;
    EXPECT_EQ(w.BTstart->Caption(), e.StartCaption) << row;
    EXPECT_EQ(w.BTmin->isEnabled(), e.MinSecEnabled) << row;
    EXPECT_EQ(w.BTsec->isEnabled(), e.MinSecEnabled) << row;
    EXPECT_EQ(w.BTreset->isEnabled(), e.ResetEnabled) << row;
    EXPECT_TRUE(w.BTstart->isEnabled()) << row;
    EXPECT_TRUE(w.BTclose->isEnabled()) << row;
    EXPECT_EQ(w.windowTitle(), e.TimeInTitle ? e.Display + QStringLiteral(" \u2013 Pocosa") : "Pocosa") << row;
    EXPECT_EQ(w.TimeText->accessibleName(), e.Display) << row;
    EXPECT_EQ(w.TimeText->accessibleDescription(), e.Spoken) << row;
}

const TExpect kStopped0{"00:00", false, false, "START", true, true, false, "0 seconds, stopped"};

TEST(TimerState, FreshStartIsStoppedAtZero)
{
    TTimerRig rig;
    ExpectState(rig, kStopped0, "fresh");
    EXPECT_EQ(rig.w().Seconds(), 0);
    EXPECT_EQ(rig.w().AlarmCountdown(), 0);
    EXPECT_EQ(rig.DigitsShown(), 4);
    rig.Tick();
    ExpectState(rig, kStopped0, "tick while stopped changes nothing");
}

struct TTransition {
    const char* Name;
    std::function<void(TTimerRig&)> Setup;
    std::function<void(TTimerRig&)> Event;
    TExpect After;
};

void Start(TTimerRig& rig) { rig.w().BTstartClick(rig.w().BTstart); }
void Reset(TTimerRig& rig) { rig.w().BTresetClick(rig.w().BTreset); }
void Seconds(TTimerRig& rig, int n)
{
    for (int i = 0; i < n; ++i)
        rig.w().BTsecClick(rig.w().BTsec);
}
void IntoAlarm(TTimerRig& rig)
{
    Seconds(rig, 1);
    Start(rig);
    rig.Tick();
}
void CountingUp(TTimerRig& rig)
{
    Start(rig);
    rig.Tick();
}

TEST(TimerState, EveryTransitionOfTheStateTable)
{
    const auto none = [](TTimerRig&) {};
    const TTransition rows[] = {
        {"stopped v>0, START: counting down", [](TTimerRig& r) { Seconds(r, 5); }, Start,
         {"00:05", true, false, "STOP", false, false, true, "5 seconds, counting down"}},
        {"stopped v=0, START: counting up from 0", none, Start,
         {"00:00", true, true, "STOP", false, false, true, "0 seconds, counting up"}},
        {"stopped count-up at v, START: counting up from v",
         [](TTimerRig& r) {
             CountingUp(r);
             Start(r);
             r.w().BTminClick(r.w().BTmin);
         },
         Start, {"01:01", true, true, "STOP", false, false, true, "1 minute 1 second, counting up"}},
        {"counting down, tick: v-1", [](TTimerRig& r) { Seconds(r, 3), Start(r); }, [](TTimerRig& r) { r.Tick(); },
         {"00:02", true, false, "STOP", false, false, true, "2 seconds, counting down"}},
        {"counting down to 0, tick: alarm", [](TTimerRig& r) { Seconds(r, 1), Start(r); },
         [](TTimerRig& r) { r.Tick(); }, {"00:00", true, false, "STOP", false, true, true, "Time is up"}},
        {"alarm, tick: alarm", IntoAlarm, [](TTimerRig& r) { r.Tick(); },
         {"00:00", true, false, "STOP", false, true, true, "Time is up"}},
        {"alarm, STOP: stopped at 0 with count-up", IntoAlarm, Start,
         {"00:00", false, true, "START", true, true, false, "0 seconds, stopped, counts up"}},
        {"alarm, Reset: stopped at 0", IntoAlarm, Reset, kStopped0},
        {"counting down, STOP: v kept", [](TTimerRig& r) { Seconds(r, 9), Start(r), r.Tick(); }, Start,
         {"00:08", false, false, "START", true, true, true, "8 seconds, stopped"}},
        {"counting up, STOP: v and count-up kept", CountingUp, Start,
         {"00:01", false, true, "START", true, true, true, "1 second, stopped, counts up"}},
        {"counting up, tick: v+1", CountingUp, [](TTimerRig& r) { r.Tick(); },
         {"00:02", true, true, "STOP", false, false, true, "2 seconds, counting up"}},
        {"stopped, BTmin: +60", [](TTimerRig& r) { Seconds(r, 2); },
         [](TTimerRig& r) { r.w().BTminClick(nullptr); }, {"01:02", false, false, "START", true, true, true, "1 minute 2 seconds, stopped"}},
        {"stopped count-up, BTsec: +1, count-up kept", [](TTimerRig& r) { CountingUp(r), Start(r); },
         [](TTimerRig& r) { Seconds(r, 1); }, {"00:02", false, true, "START", true, true, true, "2 seconds, stopped, counts up"}},
        {"stopped count-up, Reset: count-up cleared", [](TTimerRig& r) { CountingUp(r), Start(r); }, Reset,
         kStopped0},
        {"stopped v>0, Reset", [](TTimerRig& r) { Seconds(r, 42); }, Reset, kStopped0},
    };
    for (const TTransition& row : rows) {
        TTimerRig rig;
        row.Setup(rig);
        row.Event(rig);
        ExpectState(rig, row.After, row.Name);
    }
}

// The timer alone, without a window (a later start, the status icon, a notification): which STARTs begin a
// count-down of a new length, and what "+1 min" and a count-down to a time of day do.
TEST(TimerState, TheModelTellsWhichStartBeginsANewLength)
{
    TFakeClock clock;
    TTimerModel timer(clock);
    QList<int> started;
    QObject::connect(&timer, &TTimerModel::CountDownStarted, [&started](int seconds) { started << seconds; });
    timer.SetSeconds(90), timer.StartStop(), timer.StartStop(), timer.StartStop(); // started, stopped, taken up
    timer.StartStop(), timer.AddSecond(), timer.StartStop();                      // stopped, changed: 01:31
    timer.StartStop(), timer.Reset(), timer.SetSeconds(91), timer.StartStop();     // reset, the same again
    timer.StartLength(45), timer.StartLength(2833, false);
    EXPECT_EQ(started, QList<int>({90, 91, 91, 45}));
    timer.Reset(), timer.SetSeconds(1), timer.StartStop(), clock.Now += 1000, timer.Tick();
    ASSERT_TRUE(timer.Ringing());
    timer.OneMinuteMore();
    EXPECT_TRUE(timer.Running() && !timer.CountUp() && timer.Seconds() == 60 && started.last() == 1);
}

TEST(TimerState, ValueIsCappedAt9959InEveryMode)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.SetSeconds(5999);
    w.BTsecClick(nullptr);
    EXPECT_EQ(rig.Display(), "99:59") << "99:59 + second";
    w.SetSeconds(99 * 60 + 30);
    w.BTminClick(nullptr);
    EXPECT_EQ(rig.Display(), "99:59") << "99:30 + minute";

    Reset(rig);
    Start(rig); // counting up
    w.SetSeconds(5997);
    for (int i = 0; i < 4; ++i)
        rig.Tick();
    EXPECT_EQ(rig.Display(), "99:59") << "counting up stops changing";
    EXPECT_TRUE(w.Running());
    EXPECT_EQ(w.BTstart->Caption(), "STOP");
}

TEST(TimerState, NegativeValueWhileStoppedShowsZeroWithoutAlarm)
{
    TTimerRig rig;
    rig.w().SetSeconds(-5);
    EXPECT_EQ(rig.Display(), "00:00");
    EXPECT_TRUE(rig.sound.Played.isEmpty());
}

TEST(TimerAlarm, SoundOnSteps1And6And11AndTheKeyboardLeftWhereItIs)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    QWidget other;
    other.show();
    w.show();
    Seconds(rig, 2);
    Start(rig);
    rig.Tick();
    EXPECT_EQ(rig.Display(), "00:01");
    EXPECT_TRUE(rig.sound.Played.isEmpty());

    const QString wav = QDir(rig.programDir.path()).filePath("timer.wav");
    for (int step = 1; step <= 12; ++step) {
        other.activateWindow();
        QCoreApplication::processEvents();
        ASSERT_NE(QApplication::activeWindow(), &w) << "step " << step;
        rig.Tick();
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow(), &other) << "the keyboard taken on step " << step;
        const int expectedPlays = step >= 11 ? 3 : step >= 6 ? 2 : 1;
        EXPECT_EQ(rig.sound.Played.size(), expectedPlays) << "step " << step;
    }
    EXPECT_EQ(rig.sound.Played, QStringList({wav, wav, wav}));
}

// A sound of the timer's own plays at its volume; one that cannot be played
// gives way to timer.wav, and the user is told once. The sound ends with the alarm.
TEST(TimerAlarm, TheTimersOwnSoundOrTimerWavToldOnce)
{
    for (const bool playable : {true, false}) {
        TTimerRig rig;
        const QString wav = QDir(rig.programDir.path()).filePath("timer.wav");
        if (!playable)
            rig.sound.Refused << "/music/bell.ogg";
        rig.w().Model().SetSound("/music/bell.ogg", 90);
        rig.w().Model().SetSound("/music/bell.ogg", 40); // the volume alone changed
        testing::internal::CaptureStderr();
        Seconds(rig, 1), Start(rig);
        for (int i = 0; i < 7; ++i)
            rig.Tick();
        const std::string told = testing::internal::GetCapturedStderr();
        const QString played = playable ? "/music/bell.ogg" : wav;
        EXPECT_EQ(rig.sound.Played, QStringList({played, played})) << playable;
        EXPECT_EQ(rig.sound.Volumes, QList<int>({40, 40})) << playable;
        EXPECT_EQ(QString::fromStdString(told).count("bell.ogg"), playable ? 0 : 1) << "told once";
        EXPECT_EQ(rig.w().Model().SoundProblem().contains("not audio"), !playable) << "for the notification";
        Start(rig); // STOP
        EXPECT_EQ(rig.sound.Stopped, 1) << "the sound ends with the alarm";
    }
}

TEST(TimerAlarm, MissingWavIsSilentButStillBlinksAndKeepsRhythm)
{
    TTimerRig rig(false);
    Seconds(rig, 1);
    Start(rig);
    rig.Tick();
    EXPECT_EQ(rig.w().AlarmCountdown(), 5);
    rig.clock.Now += 500; // odd second
    rig.w().ShowTime();
    EXPECT_EQ(rig.DigitsShown(), 0);
    for (int i = 0; i < 6; ++i)
        rig.Tick();
    EXPECT_TRUE(rig.sound.Played.isEmpty());
    EXPECT_EQ(rig.w().AlarmCountdown(), 4);
}

TEST(TimerAlarm, StartStopAndResetClearTheAlarmCountdown)
{
    TTimerRig rig;
    IntoAlarm(rig);
    rig.Tick();
    EXPECT_EQ(rig.w().AlarmCountdown(), 4);
    Start(rig); // STOP
    EXPECT_EQ(rig.w().AlarmCountdown(), 0);

    // Reset on the fifth step, one before the next sound, stays silent.
    TTimerRig fifth;
    IntoAlarm(fifth);
    for (int step = 2; step <= 5; ++step)
        fifth.Tick();
    ASSERT_EQ(fifth.w().AlarmCountdown(), 1);
    Reset(fifth);
    EXPECT_EQ(fifth.sound.Played.size(), 1);
}

TEST(TimerBlink, DigitsFollowTheMillisecondCounterOnlyWhileRunningAtZero)
{
    struct Row {
        const char* Name;
        std::int64_t Ms;
        int Shown;
    };
    const Row rows[] = {
        {"even second", 4'000, 4},
        {"end of even second", 4'999, 4},
        {"odd second", 5'000, 0},
        {"end of odd second", 5'999, 0},
        {"counter wraps at 32 bits", (std::int64_t(1) << 32) + 1'000, 0},
    };
    for (const Row& row : rows) {
        TTimerRig rig;
        rig.clock.Now = row.Ms;
        Start(rig); // counting up, still 0 until the first tick
        EXPECT_EQ(rig.DigitsShown(), row.Shown) << row.Name;
        EXPECT_FALSE(rig.w().LBcnt->isHidden()) << row.Name;
        EXPECT_FALSE(rig.w().LbCountUp->isHidden()) << row.Name;
    }

    TTimerRig rig;
    rig.clock.Now = 5'000;
    rig.w().ShowTime();
    EXPECT_EQ(rig.DigitsShown(), 4) << "stopped at 0 never blinks";
    rig.w().SetSeconds(3);
    Start(rig);
    EXPECT_EQ(rig.DigitsShown(), 4) << "running above 0 never blinks";
}

TEST(TimerBlink, ResetDuringAlarmShowsTheDigitsAgain)
{
    TTimerRig rig;
    IntoAlarm(rig);
    rig.clock.Now += 500;
    rig.w().ShowTime();
    ASSERT_EQ(rig.DigitsShown(), 0);
    Reset(rig);
    EXPECT_EQ(rig.DigitsShown(), 4);
    ExpectState(rig, kStopped0, "reset during alarm");
}

TEST(TimerLateTick, SleepOfEightMinutesIsCaughtUpOnTheNextTick)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.SetSeconds(10 * 60);
    Start(rig);
    rig.Tick();
    EXPECT_EQ(rig.Display(), "09:59");
    rig.Tick(8 * 60 * 1000 + 300); // suspended, the tick comes late
    EXPECT_EQ(rig.Display(), "01:59");
    rig.Tick(700); // back on the one-second rhythm; the 300 ms were kept
    EXPECT_EQ(rig.Display(), "01:58");
    rig.Tick(1000);
    EXPECT_EQ(rig.Display(), "01:57");
}

TEST(TimerLateTick, CatchingUpPastZeroStopsAtZeroWithOneAlarmStep)
{
    TTimerRig rig;
    rig.w().SetSeconds(5);
    Start(rig);
    rig.Tick(30'000);
    EXPECT_EQ(rig.Display(), "00:00");
    EXPECT_EQ(rig.sound.Played.size(), 1);
    EXPECT_EQ(rig.w().AlarmCountdown(), 5) << "exactly one alarm step";
    rig.Tick(3'000);
    EXPECT_EQ(rig.w().AlarmCountdown(), 4) << "a late tick during the alarm is one step too";
}

TEST(TimerLateTick, CountUpCatchesUpAndStopsAt9959)
{
    TTimerRig rig;
    Start(rig);
    rig.Tick(4'000);
    EXPECT_EQ(rig.Display(), "00:04");
    rig.w().SetSeconds(5990);
    rig.Tick(60'000);
    EXPECT_EQ(rig.Display(), "99:59");
    rig.Tick(std::int64_t(400) * 24 * 3600 * 1000); // a very long sleep
    EXPECT_EQ(rig.Display(), "99:59");
}

TEST(TimerLateTick, EachTickCountsTheWholeSecondsSinceTheLastCountedOne)
{
    struct Row {
        const char* Name;
        int Start;
        std::vector<std::int64_t> Gaps;
        std::vector<int> Counted; // per tick
    };
    // The tick's own jitter: 999, 1001, 1000 ms, three minutes long.
    std::vector<std::int64_t> threeMinutes;
    for (int i = 0; i < 180; ++i)
        threeMinutes.push_back(1000 + (i % 3 == 0 ? -1 : i % 3 == 1 ? 1 : 0));
    const Row rows[] = {
        {"punctual and early ticks apply one second each", 60, {10, 1000, 999, 1001, 1000, 0, 1500, 500},
         {1, 1, 1, 1, 1, 1, 1, 1}},
        {"ticks 1.5 s apart keep the half seconds left over", 60, {1500, 1500, 1500, 1500, 1500, 1500},
         {1, 2, 1, 2, 1, 2}},
        {"an early tick ends its second where it came", 60, {600, 900, 1000, 1900}, {1, 1, 1, 1}},
        {"3:00 reaches 00:00 on the tick 180 s after START", 180, threeMinutes, std::vector<int>(180, 1)},
    };
    for (const Row& row : rows) {
        TTimerRig rig;
        rig.w().SetSeconds(row.Start);
        rig.clock.Now += 123;
        Start(rig);
        int expected = row.Start;
        for (std::size_t i = 0; i < row.Gaps.size(); ++i) {
            rig.Tick(row.Gaps[i]);
            expected -= row.Counted[i];
            EXPECT_EQ(rig.w().Seconds(), expected) << row.Name << ", tick " << i + 1;
            if (rig.w().Seconds() != expected)
                break; // one report per row
        }
    }

    TTimerRig rig;
    rig.w().SetSeconds(60);
    Start(rig);
    rig.Tick(1'000'000'000'000LL); // decades: no overflow, stops at zero
    EXPECT_EQ(rig.w().Seconds(), 0);
}

// The warning, chosen in the menu: once where a count-down crosses its time before the end, also on a late tick.
TEST(TimerWarning, OnceWhereTheCountDownCrossesItsTimeBeforeTheEnd)
{
    const struct {
        const char* Name;
        int Length, Choice, WarnedAt; // the menu's third choice is a minute; the seconds left at it, 0: none
        std::vector<std::pair<int, std::int64_t>> Ticks; // how many, how far apart
    } rows[] = {
        {"at its time, once up to the alarm", 90, 2, 60, {{95, 1000}}},
        {"a count-down as long as the warning", 60, 2, 0, {{65, 1000}}},
        {"a sleep across it, before the end: at once", 90, 2, 30, {{10, 1000}, {1, 50'000}}},
        {"a sleep across the end: not late", 90, 2, 0, {{10, 1000}, {1, 100'000}, {3, 1000}}},
    };
    for (const auto& row : rows) {
        TTimerRig rig;
        rig.w().MnWarn->actions()[row.Choice]->trigger(), emit rig.w().MnWarn->aboutToShow();
        EXPECT_TRUE(rig.w().MnWarn->actions()[row.Choice]->isChecked()) << row.Name;
        QStringList said; // by the window, which hears of it first
        QObject::connect(&rig.w().Model(), &TTimerModel::Warned, &rig.w(), [&] { said << rig.w().Speaker->Line(); });
        rig.w().Model().SetSound(QString(), 80), rig.w().SetSeconds(row.Length), Start(rig);
        for (const auto& [count, ms] : row.Ticks)
            for (int i = 0; i < count; ++i)
                rig.Tick(ms);
        EXPECT_EQ(said, row.WarnedAt ? QStringList{TTimerReadout::Left(row.WarnedAt)} : QStringList{}) << row.Name;
        EXPECT_EQ(rig.sound.Volumes.count(40), said.size()) << row.Name << ": once, at half the volume";
    }
}

// A repeat, chosen in the menu: each round's end counted once, however late the tick; STOP keeps the round.
TEST(TimerRepeat, EachRoundEndCountedOnceAndTheLastRings)
{
    constexpr std::int64_t kPress = -1; // START/STOP instead of a tick
    const struct {
        const char* Name;
        int Length, Choice; // the menu's choices: off, 2, 3, 4, ... times, the last until stopped
        std::vector<std::pair<int, std::int64_t>> Ticks; // how many, how far apart
        int Seconds, Round;
        QList<int> Begun; // the rounds ended at each new round's start
        bool Ringing;
    } rows[] = {
        {"a round's end: the next at once", 3, 2, {{3, 1000}}, 3, 2, {1}, false},
        {"the last round rings", 3, 1, {{6, 1000}}, 0, 2, {1}, true},
        {"a sleep across two ends: both at once", 10, 3, {{1, 1000}, {1, 25'000}}, 4, 3, {2}, false},
        {"a sleep past the last end: it rings", 10, 2, {{1, 100'000}}, 0, 3, {}, true},
        {"STOP, START: the round goes on", 5, 2, {{6, 1000}, {1, kPress}, {9, 1000}, {1, kPress}}, 4, 2, {1}, false},
        {"... and ends as before", 5, 2, {{6, 1000}, {1, kPress}, {1, kPress}, {5, 1000}}, 4, 3, {1, 1}, false},
        {"until stopped", 2, 8, {{7, 1000}}, 1, 4, {1, 1, 1}, false},
        {"until stopped, decades", 10, 8, {{1, 1'000'000'000'000LL}}, 10, 100'000'001, {100'000'000}, false},
        {"off: rings as ever", 3, 0, {{4, 1000}}, 0, 1, {}, true},
    };
    for (const auto& row : rows) {
        TTimerRig rig;
        rig.w().MnRepeat->actions()[row.Choice]->trigger();
        QList<int> begun;
        QObject::connect(&rig.w().Model(), &TTimerModel::RoundBegun, &rig.w(), [&](int ended) { begun << ended; });
        rig.w().SetSeconds(row.Length), Start(rig);
        for (const auto& [count, ms] : row.Ticks)
            for (int i = 0; i < count; ++i)
                ms == kPress ? Start(rig) : rig.Tick(ms);
        const TTimerModel& m = rig.w().Model();
        EXPECT_EQ(std::tuple(m.Seconds(), m.Round(), begun, m.Ringing()),
                  std::tuple(row.Seconds, row.Round, row.Begun, row.Ringing)) << row.Name;
        EXPECT_EQ(rig.sound.Played.size(), begun.size() + (row.Ringing ? 1 : 0)) << row.Name << ": once a round";
        const QString round = m.RoundText(), title = rig.w().windowTitle(); // "2/5" beside the digits, in the title
        EXPECT_EQ(rig.w().LbRound->isVisibleTo(&rig.w()) && rig.w().LbRound->text() == round &&
                      round.startsWith(QString::number(row.Round) + '/') && title.contains(" (" + round + ")"),
                  row.Choice != 0) << row.Name << ": " << title.toStdString();
    }
    TTimerRig rig; // the item after the choices asks for any other count
    rig.w().MnRepeat->actions().last()->trigger();
    rig.w().findChild<QDialog*>()->findChild<QSpinBox*>()->setValue(12);
    emit rig.w().findChild<QDialog*>()->findChild<QDialogButtonBox*>()->accepted();
    emit rig.w().MnRepeat->aboutToShow(); // a count none of the choices is: Count... checked
    EXPECT_TRUE(rig.w().Model().Repeat() == 12 && rig.w().MnRepeat->actions().last()->isChecked());
}

} // namespace
