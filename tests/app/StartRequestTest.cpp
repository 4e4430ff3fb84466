// A later start's request as the running window takes it, and what the
// later start is told when the window leaves it undone.
#include <gtest/gtest.h>

#include <functional>

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
        EXPECT_EQ(rig.w().isVisible(), !row.Request.Status) << row.Name << ": comes to the front";
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
