// A later start's request as the running window takes it, and what the
// later start is told when the window leaves it undone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include <unistd.h>

#include "StartRequest.h"
#include "TimerRig.h"

namespace {

void Start(TTimerRig& rig) { rig.w().BTstartClick(rig.w().BTstart); }
void CountingDown(TTimerRig& rig)
{
    rig.w().BTminClick(rig.w().BTmin);
    Start(rig);
}
void CountingUp(TTimerRig& rig)
{
    Start(rig);
    rig.Tick();
}

TEST(StartRequest, OnlyAStoppedTimerTakesARequest)
{
    const auto none = [](TTimerRig&) {};
    const struct {
        const char* Name;
        std::function<void(TTimerRig&)> Setup;
        TStartRequest Request;
        TInstanceAnswer Answer;
    } rows[] = {
        {"time", none, {300, false, false}, {true, "05:00 stopped"}},
        {"time and start", none, {90, true, false}, {true, "01:30 counting down"}},
        {"start from 00:00 counts up", none, {std::nullopt, true, false}, {true, "00:00 counting up"}},
        {"a time after a count-up counts down",
         [](TTimerRig& r) { CountingUp(r), Start(r); }, {90, true, false}, {true, "01:30 counting down"}},
        {"stopped count-up, nothing asked", [](TTimerRig& r) { CountingUp(r), Start(r); }, {},
         {true, "00:01 stopped (count up)"}},
        {"--status changes nothing", none, {300, true, true}, {true, "00:00 stopped"}},
        {"counting down, nothing asked", CountingDown, {}, {true, "01:00 counting down"}},
        {"counting down, time", CountingDown, {300, false, false}, {false, "01:00 counting down"}},
        {"counting up, start", CountingUp, {std::nullopt, true, false}, {false, "00:01 counting up"}},
        {"alarm, time",
         [](TTimerRig& r) {
             r.w().BTsecClick(r.w().BTsec);
             Start(r);
             r.Tick();
         },
         {300, false, false}, {false, "00:00 alarm"}},
    };
    for (const auto& row : rows) {
        TTimerRig rig;
        row.Setup(rig);
        EXPECT_EQ(AnswerStartRequest(rig.w(), row.Request), row.Answer) << row.Name;
        EXPECT_EQ(TimerStateText(rig.w()), row.Answer.State) << row.Name;
        QCoreApplication::processEvents();
        EXPECT_EQ(rig.w().isVisible(), !row.Request.Status) << row.Name << ": comes to the front";
        EXPECT_EQ(QApplication::activeWindow() == &rig.w(), !row.Request.Status) << row.Name;
    }
    TTimerRig rig;
    rig.w().showMinimized();
    AnswerStartRequest(rig.w(), {});
    EXPECT_FALSE(rig.w().isMinimized()) << "a minimized window comes back";
}

// The later start's side, against a window in this process: what it prints,
// its exit status (empty: it took the place of a window that closed), and
// whether it holds the lock afterwards.
TEST(StartRequest, ALaterStartSaysWhatBecameOfItsRequest)
{
    // Knows: a program of several timers; the others answer as an older one.
    // OtherUser: a socket of another user's in the runtime folder.
    enum TWindow { Applies, LeavesAlone, Stuck, Closing, None, Knows, OtherUser };
    TStartRequest status{std::nullopt, false, true};
    status.Ask = true;
    TStartRequest tea{60}, teaNew{std::nullopt, true}, eggs{60};
    tea.Timer = "Tea", teaNew.Timer = "Tea", teaNew.New = true, eggs.Timer = "Eggs";
    TStartRequest stop, json = status;
    stop.Act = TTimerAct::Stop, json.Json = true;
    const struct {
        const char* Name;
        TWindow Window;
        TStartRequest Request;
        std::optional<int> Exit;
        const char* Out;
        const char* Err;
        bool Holds;
    } rows[] = {
        {"carried out", Applies, {60, true, false}, 0, "", "", false},
        {"left alone", LeavesAlone, {60, false, false}, 1, "",
         "pocosa: the timer is running (04:59 counting down), so it was not set to 01:00\n", false},
        {"no answer", Stuck, {60, false, false}, 1, "", "pocosa: Pocosa is already running but did not answer\n",
         false},
        {"the window closes", Closing, {60, false, false}, std::nullopt, "", "", true},
        {"--status", Applies, status, 0, "04:59 counting down\n", "", false},
        {"--status, no answer", Stuck, status, 1, "", "pocosa: Pocosa is already running but did not answer\n",
         false},
        {"--status, closing", Closing, status, 1, "", "pocosa: Pocosa is not running\n", false},
        {"--status, none", None, status, 1, "", "pocosa: Pocosa is not running\n", false},
        {"--status, another user's", OtherUser, status, 1, "", "pocosa: Pocosa is not running\n", false},
        {"--status, several timers", Knows, status, 0, "04:59 counting down\n00:10 stopped\tTea\n", "", false},
        {"--timer", Knows, tea, 0, "", "", false},
        {"--new --timer", Knows, teaNew, 0, "", "", false},
        {"--timer, no such timer", Knows, eggs, 1, "", "pocosa: no Eggs\n", false},
        {"--new, an older Pocosa is left alone", Applies, teaNew, 1, "",
         "pocosa: the running Pocosa is too old for --new, --timer and --sound; close it and start Pocosa again\n", false},
        {"--stop", Knows, stop, 0, "", "", false},
        {"--stop, an older Pocosa is left alone", Applies, stop, 1, "",
         "pocosa: the running Pocosa is too old for --stop; close it and start Pocosa again\n", false},
        {"--stop, none: no window opens", None, stop, 1, "", "pocosa: Pocosa is not running\n", false},
        {"--status --json", Knows, json, 0,
         "[{\"name\":\"\",\"label\":\"Timer 1\",\"seconds\":299,\"state\":\"counting down\","
         "\"ends\":\"2026-12-08T12:00:00+09:00\",\"section\":\"TIMER\"},{\"name\":\"Tea \\\"\u6642\\\"\","
         "\"label\":\"Tea \\\"\u6642\\\"\",\"seconds\":10,\"state\":\"stopped\",\"ends\":null,\"section\":\"TIMER-3\"}]\n",
         "", false},
        {"--status --json, an older Pocosa", Applies, json, 1, "",
         "pocosa: the running Pocosa is too old for --status --json; close it and start Pocosa again\n", false},
    };
    for (const auto& row : rows) {
        QTemporaryDir folder;
        auto window = std::make_unique<TSingleInstance>(folder.path());
        std::vector<TStartRequest> seen;
        if (row.Window != None) {
            ASSERT_TRUE(window->Claim());
        }
        if (row.Window == Closing)
            window->StopListening(); // writing its settings: the lock goes in a moment
        window->OnRequest = [&](const TStartRequest& r) {
            seen.push_back(r);
            TInstanceAnswer answer{row.Window != LeavesAlone, QStringLiteral("04:59 counting down")};
            if (row.Window == Knows) {
                answer.Knows = QStringList{"new", "timer", "stop"};
                answer.Timers = QStringList{"04:59 counting down", "00:10 stopped\tTea"};
                answer.Facts = {{"", "Timer 1", 299, "counting down", "2026-12-08T12:00:00+09:00", "TIMER"},
                                {"Tea \"\u6642\"", "Tea \"\u6642\"", 10, "stopped", "", "TIMER-3"}};
                answer.Refused = r.Timer == "Eggs" ? "no Eggs" : "";
            }
            return answer;
        };
        TSingleInstance later(folder.path());
        if (row.Window == OtherUser)
            later.User = ::getuid() + 1;
        const int timeoutMs = row.Window == Stuck ? 500 : 10000;
        std::optional<int> exit;
        std::atomic<bool> done = false;
        QElapsedTimer elapsed;
        elapsed.start();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        std::thread client([&] {
            exit = row.Request.Status                  ? PrintRunningStatus(later, timeoutMs, row.Request.Json)
                   : row.Request.Act != TTimerAct::None ? ActOnRunningProgram(later, row.Request, timeoutMs)
                                                         : HandOverToRunningWindow(later, row.Request, timeoutMs);
            std::fflush(stdout);
            done = true;
        });
        // A stuck window never runs its event loop.
        while (!done) {
            if (row.Window != Stuck)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (row.Window == Closing && elapsed.elapsed() > 100)
                window.reset();
        }
        client.join();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.Out) << row.Name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), row.Err) << row.Name;
        EXPECT_EQ(exit, row.Exit) << row.Name;
        EXPECT_EQ(later.Holding(), row.Holds) << row.Name << ": a query never takes the lock";
        // Another timer than the first: the program is asked first what it knows.
        const bool other = row.Request.New || row.Request.Timer || row.Request.Act != TTimerAct::None;
        std::vector<TStartRequest> asked;
        if (other)
            asked.push_back(status);
        if (!other || row.Window == Knows)
            asked.push_back(row.Request.Status ? status : row.Request); // --json is this start's alone
        if (row.Window == Applies || row.Window == Knows) {
            EXPECT_EQ(seen, asked) << row.Name;
        }
        // What the later start gave up on, or never meant for this window,
        // is not done when the window gets to it.
        for (const QDeadlineTimer later(300); !later.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (row.Window == Stuck || row.Window == OtherUser) {
            EXPECT_TRUE(seen.empty()) << row.Name;
        }
        // Nothing there to wait for: a query does not wait for a listener.
        if (row.Window == None) {
            EXPECT_LT(elapsed.elapsed(), timeoutMs / 2) << row.Name;
        }
    }
}

TEST(StartRequest, WhatWasNotDoneIsNamed)
{
    const struct {
        TStartRequest Request;
        const char* Text;
    } rows[] = {
        {{300, false, false}, "the timer is running (01:00 counting down), so it was not set to 05:00"},
        {{5999, true, false}, "the timer is running (01:00 counting down), so it was neither set to 99:59 nor "
                              "started again"},
        {{std::nullopt, true, false}, "the timer is running (01:00 counting down), so it was not started again"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NotDoneText(row.Request, "01:00 counting down"), row.Text);
}

} // namespace
