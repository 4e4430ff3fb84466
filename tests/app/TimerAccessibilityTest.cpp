// The timer window for a screen reader and for the keyboard alone.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include "TimerAccessible.h"
#include "TimerRig.h"

namespace {

// The lines said since the speakers had said so many ("!": the alarm's); the
// offscreen platform sends no accessibility events, so the speakers are read.
std::string Said(const TFmTimerMain& w, int polite, int alert)
{
    QStringList said;
    for (; polite < w.Speaker->Lines(); ++polite)
        said << w.Speaker->Line();
    for (; alert < w.AlarmSpeaker->Lines(); ++alert)
        said << "!" + w.AlarmSpeaker->Line();
    return said.join('|').toStdString();
}

TEST(TimerAnnouncements, UserChangesAtOnceTicksOnlyAtTheirMarksTheAlarmOnceAsAnAlert)
{
    const auto key = [](Qt::Key k) { return [k](TTimerRig& rig) { QTest::keyClick(&rig.w(), k); }; };
    const auto tick = [](int ms) { return [ms](TTimerRig& rig) { rig.Tick(ms); }; };
    const auto blink = [](TTimerRig& r) {
        for (int i = 0; i < 8; ++i) {
            r.Tick(500);
            r.w().ShowTime();
            EXPECT_FALSE(r.w().LBsec1->isHidden() || r.w().LBsec1->accessibleName().isEmpty()) << "blinks by its ink";
        }
    };

    const struct {
        int Seconds, Running; // Running: 0 stopped, 1 counting down, 2 counting up
        std::function<void(TTimerRig&)> Action;
        const char* Said;
    } rows[] = {
        {0, 0, key(Qt::Key_M), "1 minute, stopped"},
        {65, 0, key(Qt::Key_Space), "1 minute 5 seconds, counting down"},
        {64, 1, key(Qt::Key_Space), "1 minute 4 seconds, stopped"},
        {0, 0, [](TTimerRig& r) { r.w().SetSeconds(90); }, "1 minute 30 seconds, stopped"},
        {60, 1, tick(1000), ""}, // from a mark
        {61, 1, tick(1000), "1 minute, counting down"},
        {31, 1, tick(1000), "30 seconds, counting down"},
        {11, 1, tick(1000), "10 seconds, counting down"},
        {6, 1, tick(1000), "5 seconds, counting down"},
        {62, 1, tick(4000), "58 seconds, counting down"}, // a late tick over a mark
        {1, 1, blink, "!Time is up"},                     // not per blink or alarm step
        {0, 1, key(Qt::Key_Escape), "0 seconds, stopped"},
        {119, 2, tick(1000), "2 minutes, counting up"},
        {60, 2, tick(1000), ""},
    };
    for (const auto& row : rows) {
        TTimerRig rig;
        rig.w().SetSeconds(row.Seconds);
        rig.w().SetCountUp(row.Running == 2);
        rig.w().SetRunning(row.Running != 0);
        const int polite = rig.w().Speaker->Lines(), alert = rig.w().AlarmSpeaker->Lines();
        row.Action(rig);
        EXPECT_EQ(Said(rig.w(), polite, alert), row.Said) << row.Seconds << " " << row.Running;
    }
}

TEST(TimerAccessibility, AFrameWithOneTimeTextAndNoDigits)
{
    TTimerRig rig;
    rig.w().SetSeconds(299);
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&rig.w());
    EXPECT_TRUE(frame->role() == QAccessible::Window && frame->text(QAccessible::Name) == rig.w().windowTitle());
    QList<QObject*> children;
    for (int i = 0; i < frame->childCount(); ++i)
        children << frame->child(i)->object();
    EXPECT_EQ(children.size(), 9) << "time, count-up label, five buttons, two speakers: no digits";
    EXPECT_TRUE(frame->child(-1) == nullptr && frame->child(9) == nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(rig.w().Speaker)->text(QAccessible::Name),
              "4 minutes 59 seconds, stopped");
    QAccessibleInterface* background = QAccessible::queryAccessibleInterface(rig.w().N3->menuAction());
    EXPECT_TRUE(background->state().hasPopup && background->state().focusable && !background->state().focused &&
                background->text(QAccessible::Description) == "submenu" &&
                background->text(QAccessible::Name) == rig.w().N3->title() &&
                background->parent()->indexOfChild(background) == 0);
    QAccessibleInterface* time = QAccessible::queryAccessibleInterface(rig.w().TimeText);
    EXPECT_EQ(time->role(), QAccessible::StaticText);
    EXPECT_EQ(time->text(QAccessible::Name) + " " + time->text(QAccessible::Description),
              "04:59 4 minutes 59 seconds, stopped");
}

TEST(TimerKeyboard, TabGoesRoundTheButtonsWhichShowTheFocusAndTakeSpaceAndReturn)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), &w) << "no button has the focus at first: Space is START/STOP";
    const std::pair<TvlmGctButton*, const char*> order[] = {
        {w.BTmin, "M"}, {w.BTsec, "S"}, {w.BTstart, "Space"}, {w.BTreset, "R"}, {w.BTclose, "Ctrl+Q"}};
    for (const auto& [button, key] : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(QApplication::focusWidget() == button && button->DrawState() == bdFocus) << key;
        QAccessibleActionInterface* a = QAccessible::queryAccessibleInterface(button)->actionInterface();
        EXPECT_EQ(a->keyBindingsForAction(a->pressAction()), QStringList{key});
        EXPECT_TRUE(button->toolTip().endsWith(QKeySequence(key).toString(QKeySequence::NativeText)));
    }
    w.BTsec->setFocus();
    for (Qt::Key k : {Qt::Key_Space, Qt::Key_Return, Qt::Key_M})
        QTest::keyClick(w.BTsec, k);
    EXPECT_EQ(w.Seconds(), 62) << "Space and Return press the button, M is the window's";
}

TEST(TimerKeyboard, MenuKeyShiftF10AndTheDesktopsMenuRequestOpenTheMenuEveryTime)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    for (int round = 0; round < 4; ++round) {
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        if (round == 2)
            QApplication::sendEvent(QApplication::focusWidget(), &request);
        else
            QTest::keyClick(QApplication::focusWidget(), round % 2 ? Qt::Key_F10 : Qt::Key_Menu,
                            round % 2 ? Qt::ShiftModifier : Qt::NoModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.PopupMenu1->isVisible(); }, 2000)) << round;
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Escape, Qt::Key_Escape})
            QTest::keyClick(QApplication::activePopupWidget(), k);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.PopupMenu1->isVisible(); }, 2000)) << round;
    }
}

} // namespace
