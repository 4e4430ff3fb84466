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
#include "TimerRecord.h"
#include "TimerRig.h"
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
        {{9, true, false, kNow + 5999000 + slack}, R::rkRunning, 5999, 1000},
        {{9, true, false, kNow + 5999000 + slack + 1}, -1, 0, 0},
        {{9, true, false, kNow}, R::rkAlarm, 0, 0},        {{9, true, false, kNow - hour + 1}, R::rkAlarm, 0, 0},
        {{9, true, false, kNow - hour}, R::rkEnded, 0, 0}, {{9, true, false, 0}, -1, 0, 0},
        {{1, true, true, kNow - 65300}, R::rkRunning, 65, 700}, {{1, true, true, kNow + slack}, R::rkRunning, 0, 1000},
        {{1, true, true, kNow + slack + 1}, -1, 0, 0},    {{1, true, true, kNow - 7000000}, R::rkRunning, 5999, 1000},
    };
    for (const auto& row : rows) {
        const std::string name = std::to_string(row.Record.Seconds) + " " + std::to_string(row.Record.ClockMs - kNow);
        QString why;
        const std::optional<TTimerResume> r = TimerRecord::Resume(row.Record, kNow, &why);
        ASSERT_EQ(!r, row.Kind < 0) << name;
        EXPECT_EQ(why.isEmpty(), row.Kind >= 0) << name;
        if (!r)
            continue;
        EXPECT_EQ(r->Kind, row.Kind) << name;
        EXPECT_EQ(r->Seconds, row.Seconds) << name;
        EXPECT_EQ(r->CountUp, row.Record.CountUp && row.Kind < R::rkAlarm) << name;
        EXPECT_EQ(r->NextSecondMs, row.NextSecondMs) << name;
        EXPECT_EQ(r->EndedMs, row.Kind >= R::rkAlarm ? row.Record.ClockMs : 0) << name;
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
        const auto r = TimerRecord::Resume(TimerRecord::Capture(first.w(), kNow), kNow + 5000, nullptr);
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
    int followed = 0; // the window's earlier follower still hears of every change
    rig.w().OnStateChanged = [&followed] { ++followed; };
    std::int64_t wall = kNow;
    TTimerRecorder recorder(rig.w(), *global_, [&wall] { return wall; });
    rig.w().BTsecClick(rig.w().BTsec);
    EXPECT_EQ(Key("SECONDS"), "1");
    wall += 1000;
    rig.w().BTstartClick(rig.w().BTstart);
    EXPECT_EQ(Key("END"), QString::number(kNow + 2000));
    global_->WriteIniString("TIMER", "END", "x");
    for (int i = 0; i < 3; ++i)
        rig.Tick(); // into the alarm
    EXPECT_EQ(Key("END"), "x") << "ticks write nothing";
    rig.w().BTstartClick(rig.w().BTstart);
    EXPECT_EQ(Key("RUNNING") + Key("COUNTUP"), "01");
    EXPECT_EQ(followed, 6);

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
        TTimerAttention attention(rig.w());
        EXPECT_FALSE(TimerRecord::ResumeKeptTimer(rig.w(), attention, *global_, true, kNow)) << "none kept";
    }
    for (const bool alarm : {true, false}) {
        TPrivateBus bus;
        QDBusConnection serviceSide = bus.Connect();
        TFakeNotifications notifications;
        ASSERT_TRUE(Serve(serviceSide, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                          &notifications));
        TTimerRig rig;
        TTimerAttention attention(rig.w(), [&] { return bus.Connect(); }, [&] { return bus.Connect(); });
        const std::int64_t end = kNow - (alarm ? 600000 : 7200000);
        global_->WriteIniString("TIMER", "SECONDS", "x");
        EXPECT_TRUE(TimerRecord::ResumeKeptTimer(rig.w(), attention, *global_, true, kNow)) << "unreadable: replaced";
        TimerRecord::Write(*global_, {600, true, false, end});
        EXPECT_EQ(TimerRecord::ResumeKeptTimer(rig.w(), attention, *global_, true, kNow), !alarm);
        EXPECT_EQ(rig.w().Running(), alarm);
        EXPECT_EQ(rig.sound.Played.size(), alarm ? 1 : 0) << "the alarm's first step sounds";
        ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == 1; })) << alarm;
        EXPECT_EQ(notifications.Notified.first().Body, TimerRecord::EndedText(end, kNow));
        EXPECT_EQ(notifications.Notified.first().Actions.isEmpty(), !alarm);
    }
    const QDateTime ended = QDateTime::fromMSecsSinceEpoch(kNow);
    EXPECT_EQ(TimerRecord::EndedText(kNow - 86400000, kNow), ended.addDays(-1).toString("M/d HH:mm") + " に終了しました");
    EXPECT_EQ(TimerRecord::EndedText(kNow, kNow), ended.toString("HH:mm") + " に終了しました");
}

} // namespace
