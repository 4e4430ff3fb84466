// Keyboard control of the timer window through simulated key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>

#include "TimerKeys.h"
#include "TimerRig.h"

namespace {

void Press(QWidget& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyPress(&w, key, mods);
}

void Release(QWidget& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyRelease(&w, key, mods);
}

void Click(QWidget& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    Press(w, key, mods);
    Release(w, key, mods);
}

// What the system sends while a key is held: release and press pairs marked
// as auto-repeat.
void AutoRepeat(QWidget& w, Qt::Key key, const QString& text)
{
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text, true);
    QApplication::sendEvent(&w, &release);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, true);
    QApplication::sendEvent(&w, &press);
}

template <class Condition>
bool WaitFor(Condition condition, int timeoutMs = 10000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QTest::qWait(10);
    return condition();
}

struct TKeyRow {
    const char* Name;
    int StartSeconds;
    bool Running;
    Qt::Key Key;
    Qt::KeyboardModifiers Mods;
    int Seconds;
    bool RunningAfter;
};

// The menu's Move: arrows (Shift: ten times as far), Return ends, Escape goes back, a click ends; the timer's
// own keys rest meanwhile, and the place is kept once the window rests, as after a drag.
TEST(TimerKeys, MoveFollowsTheArrowsUntilReturnEscapeOrAClick)
{
    int kept = 0;
    TTimerRig rig(true, [&kept](TTimerMainHooks& hooks, TTimerRig&) { hooks.Changed = [&kept](TFmTimerMain&) { ++kept; }; });
    TFmTimerMain& w = rig.w();
    w.show();
    for (auto [end, at] : {std::pair{Qt::Key_Return, QPoint(112, 99)}, {Qt::Key_Escape, QPoint(100, 100)},
                           {Qt::Key_unknown, QPoint(112, 99)}}) { // unknown: a click
        w.move(100, 100);
        w.MnMove->trigger();
        for (Qt::Key k : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Up, Qt::Key_M, Qt::Key_Space})
            Click(w, k);
        Click(w, Qt::Key_Right, Qt::ShiftModifier);
        end == Qt::Key_unknown ? QTest::mouseClick(&w, Qt::LeftButton) : Click(w, end);
        Click(w, Qt::Key_Left);
        EXPECT_EQ(w.pos(), at);
        EXPECT_TRUE(w.Seconds() == 0 && !w.Running()) << "M and Space rest while moving";
    }
    EXPECT_TRUE(WaitFor([&] { return kept > 0; }, 3000)) << "the place is kept once the window rests";
}

TEST(TimerKeys, EachKeyDoesWhatItsEnabledButtonDoes)
{
    const TKeyRow rows[] = {
        {"M adds a minute", 5, false, Qt::Key_M, Qt::NoModifier, 65, false},
        {"S adds a second", 5, false, Qt::Key_S, Qt::NoModifier, 6, false},
        {"M stops at 99:59", 5970, false, Qt::Key_M, Qt::NoModifier, 5999, false},
        {"Space starts", 5, false, Qt::Key_Space, Qt::NoModifier, 5, true},
        {"Space stops", 5, true, Qt::Key_Space, Qt::NoModifier, 5, false},
        {"R resets", 5, false, Qt::Key_R, Qt::NoModifier, 0, false},
        {"Backspace resets", 5, false, Qt::Key_Backspace, Qt::NoModifier, 0, false},
        {"M disabled while running", 5, true, Qt::Key_M, Qt::NoModifier, 5, true},
        {"S disabled while running", 5, true, Qt::Key_S, Qt::NoModifier, 5, true},
        {"R disabled while counting down", 5, true, Qt::Key_R, Qt::NoModifier, 5, true},
        {"Backspace disabled while counting down", 5, true, Qt::Key_Backspace, Qt::NoModifier, 5, true},
        {"Escape does not stop a count-down", 5, true, Qt::Key_Escape, Qt::NoModifier, 5, true},
        {"Ctrl+M is not M", 5, false, Qt::Key_M, Qt::ControlModifier, 5, false},
        {"Shift+Space is not Space", 5, false, Qt::Key_Space, Qt::ShiftModifier, 5, false},
    };
    for (const TKeyRow& row : rows) {
        TTimerRig rig;
        rig.w().SetSeconds(row.StartSeconds);
        if (row.Running)
            rig.w().BTstartClick(rig.w().BTstart);
        Click(rig.w(), row.Key, row.Mods);
        EXPECT_EQ(rig.w().Seconds(), row.Seconds) << row.Name;
        EXPECT_EQ(rig.w().Running(), row.RunningAfter) << row.Name;
    }
}

TEST(TimerKeys, EscapeAndResetDuringTheAlarm)
{
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_R}) {
        TTimerRig rig;
        rig.w().SetSeconds(1);
        Click(rig.w(), Qt::Key_Space);
        rig.Tick();
        ASSERT_TRUE(rig.w().Running());
        ASSERT_EQ(rig.w().Seconds(), 0) << "alarm";
        Click(rig.w(), key);
        EXPECT_FALSE(rig.w().Running()) << key;
        EXPECT_EQ(rig.Display(), "00:00") << key;
        // STOP leaves "COUNT UP" set; Reset clears it.
        EXPECT_EQ(rig.w().CountUp(), key == Qt::Key_Escape) << key;
    }
    TTimerRig rig;
    Click(rig.w(), Qt::Key_Space);
    ASSERT_TRUE(rig.w().CountUp());
    Click(rig.w(), Qt::Key_Escape);
    EXPECT_TRUE(rig.w().Running()) << "Escape leaves a count-up running";
}

TEST(TimerKeys, SystemAutoRepeatIsIgnored)
{
    TTimerRig rig;
    Press(rig.w(), Qt::Key_Space);
    for (int i = 0; i < 5; ++i)
        AutoRepeat(rig.w(), Qt::Key_Space, " ");
    Release(rig.w(), Qt::Key_Space);
    EXPECT_TRUE(rig.w().Running()) << "a held Space starts once";

    TTimerRig held;
    Press(held.w(), Qt::Key_S);
    for (int i = 0; i < 5; ++i)
        AutoRepeat(held.w(), Qt::Key_S, "s");
    EXPECT_EQ(held.w().Seconds(), 1) << "auto-repeat presses add nothing";
    EXPECT_EQ(held.w().findChild<TTimerKeys*>()->HeldKey(), int(Qt::Key_S))
        << "auto-repeat releases do not end the hold";
    Release(held.w(), Qt::Key_S);
    EXPECT_EQ(held.w().findChild<TTimerKeys*>()->HeldKey(), 0);
}

TEST(TimerKeys, HeldKeyRepeatsAtTheButtonRhythmUntilReleased)
{
    TTimerRig rig;
    QElapsedTimer held;
    held.start();
    Press(rig.w(), Qt::Key_M);
    EXPECT_EQ(rig.w().Seconds(), 60) << "acts on the press";
    // Timers never fire early: within 500 ms of the press nothing more comes.
    QTest::qWait(300);
    if (held.elapsed() < 480) {
        EXPECT_EQ(rig.w().Seconds(), 60) << "first repeat after 500 ms";
    }
    ASSERT_TRUE(WaitFor([&] { return rig.w().Seconds() >= 4 * 60; })) << "repeats while held";
    Release(rig.w(), Qt::Key_M);
    const int atRelease = rig.w().Seconds();
    QTest::qWait(250);
    EXPECT_EQ(rig.w().Seconds(), atRelease) << "release ends the repeat";
}

TEST(TimerKeys, RepeatEndsWhenTheButtonIsDisabled)
{
    TTimerRig rig;
    Press(rig.w(), Qt::Key_S);
    Click(rig.w(), Qt::Key_Space); // starts: BTsec is disabled
    ASSERT_TRUE(rig.w().Running());
    QTest::qWait(700);
    EXPECT_EQ(rig.w().Seconds(), 1);
    EXPECT_EQ(rig.w().findChild<TTimerKeys*>()->HeldKey(), 0);
}

// Alt+F4 closes this timer's window, Ctrl+Q every timer window.
TEST(TimerKeys, AltF4ClosesTheWindowCtrlQAllOfThem)
{
    for (const auto& [key, mods] : {std::pair{Qt::Key_Q, Qt::ControlModifier}, std::pair{Qt::Key_F4, Qt::AltModifier}})
        for (const bool several : {false, true}) { // a window of no owner of several timers closes itself
            TTimerRig rig(true, [several](TTimerMainHooks& h, TTimerRig& r) {
                if (several)
                    h.QuitAll = [&r] { ++r.quitAll; };
            });
            rig.w().show(), rig.w().activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.w()));
            Click(rig.w(), key, mods);
            const bool all = several && key == Qt::Key_Q;
            EXPECT_TRUE(rig.w().isVisible() == all && rig.quitAll == int(all)) << key << several;
        }
}

TEST(TimerKeys, ButtonAcceleratorAndKeyAreNotBothActedOn)
{
    // Should a caption carry an accelerator on one of our keys, the key still
    // acts once: either the button takes it or the window does.
    TTimerRig rig;
    rig.w().BTsec->SetCaption(QStringLiteral("&S"));
    rig.w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.w()));
    Click(rig.w(), Qt::Key_S);
    EXPECT_EQ(rig.w().Seconds(), 1);
}

// A held Ctrl+N opens one timer, not one for each of the key's repeats.
TEST(TimerKeys, HeldCtrlNOpensOneTimer)
{
    int opened = 0;
    TTimerRig rig(true, [&](TTimerMainHooks& hooks, TTimerRig&) { hooks.NewTimer = [&](TFmTimerMain&) { ++opened; }; });
    rig.w().show(), rig.w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.w()));
    for (int n = 0; n < 10; ++n)
        QTest::simulateEvent(&rig.w(), true, Qt::Key_N, Qt::ControlModifier, QString(), n > 0);
    EXPECT_EQ(opened, 1);
}

} // namespace
