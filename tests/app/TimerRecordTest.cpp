// The kept timer: what a record becomes at the next start, a running timer
// back on its second, only the user's changes written.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include "FakeDesktopBus.h"
#include "PocosaApplication.h"
#include "TimerAttention.h"
#include "OpenTimers.h"
#include "TimerRecord.h"
#include "TestEnv.h"
#include "TimerRig.h"
#include "Translations.h"
#include "vlmGlobal.h"

namespace {

constexpr std::int64_t kNow = 1'765'000'000'000;

TEST(TimerRecord, WhatARecordBecomesAtTheNextStart)
{
    using R = TTimerResume;
    const std::int64_t hour = TimerRecord::kAlarmWithinMs, slack = TimerRecord::kClockSlackMs;
    const struct {
        TTimerRecord Record;
        int Kind; // -1: refused
        int Seconds, NextSecondMs;
    } rows[] = {
        {{300, false, true, 0}, R::rkStopped, 300, 0},    {{5999, false, false, 0}, R::rkStopped, 5999, 0},
        {{6000, false, false, 0}, -1, 0, 0},              {{-1, false, false, 0}, -1, 0, 0},
        {{9, true, false, kNow + 2500}, R::rkRunning, 3, 500}, {{9, true, false, kNow + 2000}, R::rkRunning, 2, 1000},
        {{9, true, false, kNow + 9000 + slack}, R::rkRunning, 9, 1000},
        {{9, true, false, kNow + 9000 + slack + 1}, R::rkKept, 9, 0},
        {{9, true, false, kNow}, R::rkAlarm, 0, 0},        {{9, true, false, kNow - hour + 1}, R::rkAlarm, 0, 0},
        {{9, true, false, kNow - hour}, R::rkEnded, 0, 0}, {{9, true, false, 0}, -1, 0, 0},
        {{1, true, true, kNow - 65300}, R::rkRunning, 65, 700}, {{0, true, true, kNow + slack}, R::rkRunning, 0, 1000},
        {{0, true, true, kNow + slack + 1}, R::rkKept, 0, 0},    {{65, true, true, kNow - 4999}, R::rkKept, 65, 0},
        {{1, true, true, kNow - 7000000}, R::rkRunning, 5999, 1000},
    };
    const TTranslations japanese(TLanguage::Japanese, {pocosa::test::buildDir() + "/bin/translations"});
    japanese.Install(); // every reason told in the user's language
    for (const auto& row : rows) {
        const std::string name = std::to_string(row.Record.Seconds) + " " + std::to_string(row.Record.ClockMs - kNow);
        QString why;
        const std::optional<TTimerResume> r = TimerRecord::Resume(row.Record, {kNow}, &why);
        ASSERT_EQ(!r, row.Kind < 0) << name;
        EXPECT_EQ(why.isEmpty(), row.Kind >= 0 && row.Kind != R::rkKept) << name;
        EXPECT_EQ(std::any_of(why.begin(), why.end(), [](QChar c) { return c >= u'\u3040'; }), !why.isEmpty()) << name;
        if (!r)
            continue;
        EXPECT_EQ(r->Kind, row.Kind) << name;
        EXPECT_EQ(r->Seconds, row.Seconds) << name;
        const bool ended = row.Kind == R::rkAlarm || row.Kind == R::rkEnded;
        EXPECT_EQ(r->CountUp, row.Record.CountUp && !ended) << name;
        EXPECT_EQ(r->NextSecondMs, row.NextSecondMs) << name;
        EXPECT_EQ(r->EndedMs, ended ? row.Record.ClockMs : 0) << name;
    }
}

TEST(TimerRecord, AClockSetBetweenTwoRunsNeitherStretchesNorLosesTheTimer)
{
    using R = TTimerResume;
    constexpr std::int64_t kBoot = 50'000'000, hour = 3'600'000;
    // Made at kNow, boot clock kBoot of boot "a": 10:00 to go, or 05:00 counted.
    const TTimerRecord down{600, true, false, kNow + 600000, kBoot + 600000, "a"};
    const TTimerRecord up{300, true, true, kNow - 300000, kBoot - 300000, "a"};
    const struct {
        bool CountUp;
        const char* Boot; // now; "": a record of an earlier version
        std::int64_t WallSet;
        int Kind, Seconds;
        std::int64_t EndedAgo = 0, Later = 5000;
    } rows[] = {{false, "a", -hour, R::rkRunning, 595},    {false, "a", 2 * hour, R::rkRunning, 595},
                {false, "a", 0, R::rkRunning, 595},        {false, "a", -hour, R::rkAlarm, 0, 100000, 700000},
                {false, "b", -hour, R::rkKept, 600},       {false, "b", -2 * hour, R::rkKept, 600},
                {false, "b", 0, R::rkRunning, 595},        {false, "b", 2 * hour, R::rkEnded, 0, 2 * hour - 595000},
                {false, "", -hour, R::rkKept, 600},        {false, "", 0, R::rkRunning, 595},
                {true, "a", -2 * hour, R::rkRunning, 305}, {true, "a", hour, R::rkRunning, 305},
                {true, "b", 0, R::rkRunning, 305},         {true, "b", -2 * hour, R::rkKept, 300},
                {true, "", -2 * hour, R::rkKept, 300}};
    for (const auto& row : rows) {
        const std::string name = "row " + std::to_string(&row - rows);
        TTimerRecord record = row.CountUp ? up : down;
        record.BootId = *row.Boot ? record.BootId : QString();
        const QString boot = *row.Boot ? row.Boot : "a";
        const TTimerClocks now{kNow + row.Later + row.WallSet, (boot == "a" ? kBoot : 0) + row.Later, boot};
        const std::optional<TTimerResume> r = TimerRecord::Resume(record, now, nullptr);
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->Kind, row.Kind) << name;
        EXPECT_EQ(r->Seconds, row.Seconds) << name;
        EXPECT_EQ(r->CountUp, row.CountUp) << name;
        EXPECT_EQ(r->EndedMs, row.EndedAgo ? now.WallMs - row.EndedAgo : 0) << name;
    }
}

TEST(TimerRecord, ARunningTimerComesBackOnItsSecond)
{
    for (const bool countUp : {false, true}) {
        TTimerRig first; // 00:10 down or 00:00 up, 3.4 s on
        first.w().SetSeconds(countUp ? 0 : 10);
        first.w().BTstartClick(first.w().BTstart);
        for (int i = 0; i < 3; ++i)
            first.Tick();
        first.clock.Now += 400;
        const auto r = TimerRecord::Resume(TimerRecord::Capture(first.w().Model(), {kNow}), {kNow + 5000}, nullptr);
        ASSERT_TRUE(r);
        TTimerRig second, third; // five seconds later
        second.w().ResumeRunning(r->Seconds, r->CountUp, r->NextSecondMs);
        EXPECT_EQ(second.Display(), countUp ? "00:08" : "00:02");
        EXPECT_LE(second.w().Timer1->remainingTime(), 600) << "the tick comes when the second is over";
        second.Tick(600);
        EXPECT_EQ(second.Display(), countUp ? "00:09" : "00:01");
        EXPECT_EQ(second.w().Timer1->interval(), TFmTimerMain::kTickMs);
        third.w().ResumeRunning(r->Seconds, r->CountUp, r->NextSecondMs);
        third.w().BTstartClick(third.w().BTstart);
        third.w().BTstartClick(third.w().BTstart);
        EXPECT_EQ(third.w().Timer1->interval(), TFmTimerMain::kTickMs) << "STOP, START: a whole second";
    }
}

class TimerRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, tmp_.filePath("user"));
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, tmp_.filePath("machine"));
        QDir().mkpath(tmp_.filePath("prog"));
        TvlmGlobalSetup setup;
        setup.ProgramFile = tmp_.filePath("prog/pocosa");
        global_ = std::make_unique<TvlmGlobal>(setup);
    }
    QString Key(const char* key) { return global_->ReadIniString("TIMER", key, "-"); }

    QTemporaryDir tmp_;
    std::unique_ptr<TvlmGlobal> global_;
};

TEST_F(TimerRecorderTest, WritesWhatTheUserChangesAndReportsARefusedWriteOnce)
{
    TTimerRig rig;
    std::int64_t wall = kNow;
    TTimerRecorder recorder(rig.w().Model(), *global_, [&wall] { return TTimerClocks{wall, wall - 9000, "a"}; });
    rig.w().BTsecClick(rig.w().BTsec);
    EXPECT_EQ(Key("SECONDS"), "1");
    wall += 1000;
    rig.w().BTstartClick(rig.w().BTstart);
    EXPECT_EQ(Key("END"), QString::number(kNow + 2000));
    EXPECT_EQ(Key("BOOTMS") + Key("BOOTID"), QString::number(kNow + 2000 - 9000) + "a");
    global_->WriteIniString("TIMER", "END", "x");
    for (int i = 0; i < 3; ++i)
        rig.Tick(); // into the alarm
    EXPECT_EQ(Key("END"), "x") << "ticks write nothing";
    rig.w().BTstartClick(rig.w().BTstart);
    EXPECT_EQ(Key("RUNNING") + Key("COUNTUP"), "01");
    rig.w().Model().SetSound("/m/bell.ogg", 30);
    EXPECT_EQ(Key("SOUND") + Key("VOLUME"), "/m/bell.ogg30");
    EXPECT_EQ(TimerRecord::Read(*global_, nullptr)->Volume, 30);
    rig.w().Model().SetSound("/m/line\nbreak.ogg", 30);
    EXPECT_EQ(Key("SOUND"), "") << "a name the settings cannot hold is not kept, and nothing fails";

    QFile::remove(global_->IniFileName());
    ASSERT_TRUE(QDir().mkpath(global_->IniFileName())); // a folder where the file belongs
    auto* app = static_cast<TPocosaApplication*>(qApp);
    const auto saved = app->ShowError;
    QStringList shown;
    app->ShowError = [&shown](const QString& message) { shown << message; };
    rig.w().BTsecClick(rig.w().BTsec);
    rig.w().BTsecClick(rig.w().BTsec);
    QCoreApplication::processEvents();
    app->ShowError = saved;
    EXPECT_EQ(shown, QStringList{global_->IniFileName() + " に書き込めません"});
    EXPECT_EQ(rig.Display(), "00:02");
}

TEST_F(TimerRecorderTest, ACountDownThatEndedWhileClosedRingsOrOnlyTells)
{
    {
        TTimerRig rig;
        TTimerAttention attention;
        EXPECT_FALSE(TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow})) << "none kept";
    }
    for (const bool alarm : {true, false}) {
        TPrivateBus bus;
        QDBusConnection serviceSide = bus.Connect();
        TFakeNotifications notifications;
        ASSERT_TRUE(Serve(serviceSide, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                          &notifications));
        TTimerRig rig;
        TTimerAttention attention([&] { return bus.Connect(); }, [&] { return bus.Connect(); });
        const std::int64_t end = kNow - (alarm ? 600000 : 7200000);
        global_->WriteIniString("TIMER", "SECONDS", "x");
        EXPECT_TRUE(TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow})) << "unreadable: replaced";
        TimerRecord::Write(*global_, {600, true, false, end});
        EXPECT_EQ(TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow}), !alarm);
        EXPECT_EQ(rig.w().Running(), alarm);
        EXPECT_EQ(rig.sound.Played.size(), alarm ? 1 : 0) << "the alarm's first step sounds";
        ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == 1; })) << alarm;
        EXPECT_EQ(notifications.Notified.first().Body, TimerRecord::EndedText(end, kNow));
        EXPECT_EQ(notifications.Notified.first().Actions.contains("stop"), alarm);
        EXPECT_EQ(Eventually([&] { return !rig.w().Model().Notification().isEmpty(); }, 300), alarm)
            << "only the alarm's is kept: a notice stays until the user closes it";
        EXPECT_EQ(rig.w().windowTitle().contains(TimerRecord::EndedText(end, kNow)), !alarm);
        rig.w().BTresetClick(rig.w().BTreset);
        EXPECT_FALSE(rig.w().windowTitle().contains(TimerRecord::EndedText(end, kNow)));
    }
    // Still under way, or ringing, when taken up: its alarm names the length
    // kept with it, or none when a record of an older version kept none.
    TPrivateBus bus;
    QDBusConnection serviceSide = bus.Connect();
    TFakeNotifications notifications;
    ASSERT_TRUE(Serve(serviceSide, "org.freedesktop.Notifications", "/org/freedesktop/Notifications", &notifications));
    qsizetype shown = 0;
    for (const int length : {0, 655})
        for (const std::int64_t end : {kNow + 1000, kNow - 1000}) {
            TTimerRig rig;
            TTimerAttention attention([&] { return bus.Connect(); }, [&] { return bus.Connect(); });
            TimerRecord::Write(*global_, {600, true, false, end, 0, {}, {}, {}, 100, length});
            TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow});
            rig.Tick();
            ASSERT_TRUE(Eventually([&, n = ++shown] { return notifications.Notified.size() == n; }));
            const QString body = notifications.Notified.last().Body;
            EXPECT_EQ(body.count(QLatin1Char(10)), length ? 1 : 0) << body.toStdString() << end;
            EXPECT_EQ(body.startsWith("10:55"), length != 0) << body.toStdString();
        }
}

// Killed while its alarm rang (nothing withdrawn), then started again: the
// alarm's notification the killed run left is replaced, not doubled.
TEST_F(TimerRecorderTest, TheNextRunReplacesTheNotificationAKilledRunLeft)
{
    TPrivateBus bus;
    QDBusConnection serviceSide = bus.Connect();
    TFakeNotifications notifications;
    ASSERT_TRUE(Serve(serviceSide, "org.freedesktop.Notifications", "/org/freedesktop/Notifications", &notifications));
    TimerRecord::Write(*global_, {600, true, false, kNow - 1000});
    for (int run = 0; run < 2; ++run) {
        TTimerRig rig;
        TTimerAttention attention([&] { return bus.Connect(); }, [&] { return bus.Connect(); });
        TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow});
        rig.w().Model().TickTimer()->stop(); // nothing written but for the notification
        TTimerRecorder recorder(rig.w().Model(), *global_, [] { return TTimerClocks{kNow}; });
        ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == run + 1 && Key("NOTICE") != "-"; }));
    }
    EXPECT_EQ(notifications.Notified[1].Replaces, notifications.Notified[0].Id);
    EXPECT_TRUE(notifications.Closed.isEmpty());
}

TEST(TimerRecord, AnEndIsDatedAsTheLanguageWritesDatesWithTheYearWhenNotThisYears)
{
    for (const QLocale& locale : {QLocale(QLocale::Japanese), QLocale(QLocale::English), QLocale(QLocale::German)}) {
        QStringList texts; // ended today, 30 and 400 days ago
        for (const std::int64_t ago : {0, 30, 400}) {
            const QDateTime ended = QDateTime::fromMSecsSinceEpoch(kNow - ago * 86'400'000);
            texts << TimerRecord::EndedText(ended.toMSecsSinceEpoch(), kNow, locale);
            const std::string name = texts.last().toStdString();
            EXPECT_TRUE(texts.last().contains(locale.toString(ended.time(), QLocale::ShortFormat))) << name;
            EXPECT_EQ(texts.last().contains(locale.toString(ended.date(), QLocale::ShortFormat)), ago == 400) << name;
            EXPECT_EQ(texts.last().contains(QString::number(ended.date().year() % 100)), ago == 400) << name;
        }
        EXPECT_LT(texts[0].size(), texts[1].size()) << "the date only when not today's";
    }
}

TEST_F(TimerRecorderTest, ARecordTheClockCannotPlaceIsShownStoppedAndKept)
{
    for (const bool sameBoot : {true, false}) {
        TimerRecord::Write(*global_, sameBoot ? TTimerRecord{600, true, false, kNow + 600000, 600000, "a"}
                                              : TTimerRecord{300, true, true, kNow - 300000, -300000, "a"});
        TTimerRig rig;
        TTimerAttention attention;
        const TTimerClocks now{kNow - 7200000, 5000, sameBoot ? "a" : "b"};
        EXPECT_FALSE(TakeUpKeptTimer(rig.w(), attention, *global_, true, now)) << sameBoot;
        EXPECT_EQ(rig.Display() + "+-"[!rig.w().Running()] + "du"[rig.w().CountUp()], sameBoot ? "09:55+d" : "05:00-u");
        EXPECT_EQ(Key("RUNNING") + Key("BOOTMS"), sameBoot ? "1600000" : "1-300000") << "kept as it was";
    }
}

// Kept once set; one due while away is given once on taking up if the end is ahead (made at it, 60: given then).
TEST_F(TimerRecorderTest, AWarningIsKeptOnceSetAndOneMissedWhileAwayIsGivenOnce)
{
    TimerRecord::Write(*global_, {90});
    EXPECT_EQ(Key("WARN"), "-") << "a timer that never warned keeps the keys it had";
    for (const auto& [seconds, endIn, warns] :
         {std::tuple{90, 30'000, 1}, {60, 30'000, 0}, {90, -1000, 0}, {90, 75'000, 0}})
        for (int run = 0; run < 2; ++run) {
            if (run == 0)
                TimerRecord::Write(*global_, {seconds, true, false, kNow + endIn, 0, {}, {}, {}, 100, 0, {}, 60});
            TTimerRig rig;
            TTimerAttention attention;
            int warned = 0;
            QObject::connect(&rig.w().Model(), &TTimerModel::Warned, &rig.w(), [&warned] { ++warned; });
            if (TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow}))
                TimerRecord::Write(*global_, TimerRecord::Capture(rig.w().Model(), {kNow}));
            EXPECT_EQ(std::pair(warned, rig.w().Model().Warning()), std::pair(warns * (1 - run), 60)) << endIn << run;
        }
    TTimerRig rig; // a warning given writes the time shown then
    TTimerRecorder recorder(rig.w().Model(), *global_, [] { return TTimerClocks{kNow}; });
    rig.w().Model().SetWarning(60), rig.w().SetSeconds(62), rig.w().Model().StartStop(), rig.Tick(), rig.Tick();
    EXPECT_EQ(Key("SECONDS") + Key("WARN"), "6060");
}

// A repeat taken up after a kill or sleep: in the round the clock says, rounds that ended told once, never again.
TEST_F(TimerRecorderTest, ARepeatTakenUpFindsItsRoundAndCountsEachEndedRoundOnce)
{
    TimerRecord::Write(*global_, {90, true, false, kNow});
    EXPECT_EQ(Key("REPEAT") + Key("ROUND"), "--") << "a file without a repeat keeps its keys";
    const struct {
        const char* Name;
        bool Running;
        std::int64_t EndIn; // of the kept round of 60 s; stopped: 40 s left
        int Repeat, Round, RoundNow;
        QString Display;
        QList<int> Begun;
        bool Ringing;
    } rows[] = {
        {"its round goes on", true, 20'000, 5, 2, 2, "00:20", {}, false},
        {"a round ended while away", true, -10'000, 5, 2, 3, "00:50", {1}, false},
        {"three ended: one word", true, -130'000, 5, 1, 4, "00:50", {3}, false},
        {"the last ended too: it rings", true, -70'000, 3, 2, 3, "00:00", {}, true},
        {"until stopped, hours", true, -18'000'000, -1, 7, 308, "01:00", {301}, false},
        {"stopped within a round", false, 0, 4, 3, 3, "00:40", {}, false},
    };
    for (const auto& row : rows) {
        TimerRecord::Write(*global_, {row.Running ? 60 : 40, row.Running, false, row.Running ? kNow + row.EndIn : 0, 0,
                                      {}, {}, {}, 100, 60, {}, 0, row.Repeat, row.Round});
        for (int run = 0; run < 2; ++run) {
            TTimerRig rig;
            TTimerAttention attention;
            QList<int> begun;
            QObject::connect(&rig.w().Model(), &TTimerModel::RoundBegun, &rig.w(), [&](int ended) { begun << ended; });
            if (TakeUpKeptTimer(rig.w(), attention, *global_, true, {kNow}))
                TimerRecord::Write(*global_, TimerRecord::Capture(rig.w().Model(), {kNow}));
            EXPECT_EQ(std::tuple(rig.Display(), rig.w().Model().Round(), begun, rig.w().Model().Ringing()),
                      std::tuple(row.Display, row.RoundNow, run ? QList<int>{} : row.Begun, row.Ringing))
                << row.Name << run;
            if (!row.Running) { // START goes on with the round, its rounds of the kept length
                rig.w().Model().StartStop();
                for (int i = 0; i < 41; ++i)
                    rig.Tick();
                EXPECT_EQ(rig.Display() + QString::number(rig.w().Model().Round()), "00:594") << row.Name;
                break;
            }
        }
    }
    TTimerRig rig; // a round's start is written at once: a kill then tells no round twice
    TTimerRecorder recorder(rig.w().Model(), *global_, [] { return TTimerClocks{kNow}; });
    rig.w().Model().SetRepeat(3), rig.w().SetSeconds(2), rig.w().Model().StartStop(), rig.Tick(), rig.Tick();
    EXPECT_EQ(Key("ROUND") + Key("SECONDS"), "22");
}

} // namespace
