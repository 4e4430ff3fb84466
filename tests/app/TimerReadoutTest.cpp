// The timer in words for a screen reader. The window's state table checks
// which phase each state is told as; here the numbers and their forms.
#include <gtest/gtest.h>

#include "TimerModel.h"
#include "TimerReadout.h"
#include "TimerRig.h"

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

// A name as the user typed it, as the timer keeps it, and the title it gives.
TEST(TimerReadout, NamesAreCleanedAndLeadTheTitle)
{
    const QString forty(40, 'x');
    const QString emoji = QString(39, 'y') + QString::fromUtf8("\xF0\x9F\x8D\xB5"); // ends in a pair at 40
    const struct {
        QString Typed, Kept;
        int Seconds;
        bool Running;
        const char* Title;
    } rows[] = {
        {"", "", 0, false, "Pocosa"},
        {"  Tea ", "Tea", 299, true, "Tea 04:59 \u2013 Pocosa"},
        {"Tea", "Tea", 0, false, "Tea \u2013 Pocosa"},
        {"Te\na\tx", "Te a x", 60, false, "Te a x 01:00 \u2013 Pocosa"},
        {forty + "z", forty, 0, false, nullptr},
        {emoji, emoji, 0, false, nullptr},
        {QString("e\u0301").repeated(41), QString("e\u0301").repeated(40), 0, false, nullptr},
        {" \n ", "", 5, false, "00:05 \u2013 Pocosa"},
        {QString(QChar(0xD800)) + "Tea", "Tea", 0, false, nullptr},
        {QString::fromUtf8("Tea\u2028Pot"), "Tea Pot", 0, false, nullptr},
        {QString::fromUtf8("\u202ETea\u2066Pot\u2069\u202A"), "Tea Pot", 0, false, nullptr},
    };
    for (const auto& row : rows) {
        const std::string name = row.Typed.toStdString();
        EXPECT_EQ(TTimerModel::CleanName(row.Typed), row.Kept) << name;
        if (row.Title)
            EXPECT_EQ(TTimerReadout::Title(row.Seconds, row.Running, {}, row.Kept), QString::fromUtf8(row.Title)) << name;
    }
    // Named from the menu: the title and what screen readers hear say the name.
    TTimerRig rig;
    rig.askedName = "Tea";
    rig.w().MnName->trigger();
    EXPECT_EQ(rig.w().windowTitle(), QString::fromUtf8("Tea \u2013 Pocosa"));
    EXPECT_TRUE(rig.w().TimeText->accessibleDescription().startsWith("Tea: ")) << "the spoken words";
    rig.askedName.reset();
    rig.w().MnName->trigger();
    EXPECT_EQ(rig.w().Model().Name(), "Tea") << "cancelled: the name stays";
}

} // namespace
