// The timer in words for a screen reader. The window's state table checks
// which phase each state is told as; here the numbers and their forms.
#include <gtest/gtest.h>

#include "TimerReadout.h"

namespace {

TEST(TimerReadout, SpokenTimeSingularPluralAndZeroParts)
{
    using P = TTimerPhase;
    const struct {
        int Seconds;
        TTimerPhase Phase;
        const char* Spoken;
    } rows[] = {
        {0, P::Stopped, "0 seconds, stopped"},
        {1, P::CountingDown, "1 second, counting down"},
        {2, P::CountingUp, "2 seconds, counting up"},
        {59, P::CountingDown, "59 seconds, counting down"},
        {60, P::Stopped, "1 minute, stopped"},
        {61, P::CountingDown, "1 minute 1 second, counting down"},
        {120, P::CountingUp, "2 minutes, counting up"},
        {122, P::Stopped, "2 minutes 2 seconds, stopped"},
        {299, P::CountingDown, "4 minutes 59 seconds, counting down"},
        {5999, P::CountingUp, "99 minutes 59 seconds, counting up"},
        {0, P::Alarm, "Time is up"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TTimerReadout::Spoken(row.Seconds, row.Phase), QString::fromUtf8(row.Spoken)) << row.Spoken;
}

} // namespace
