// The timer window for a screen reader and for the keyboard alone.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <cmath>

#include "TimerAccessible.h"
#include "TimerRig.h"
#include "vlmFormFunc.h"

namespace {

// Lines said since the speakers had said so many ("!": the alarm's); offscreen has no events to read.
std::string Said(const TFmTimerMain& w, int polite, int alert)
{
    QStringList said(w.Speaker->Lines() - polite, w.Speaker->Line());
    said += QStringList(w.AlarmSpeaker->Lines() - alert, "!" + w.AlarmSpeaker->Line());
    return said.join('|').toStdString();
}

TEST(TimerAnnouncements, UserChangesAtOnceTicksOnlyAtTheirMarksTheAlarmOnceAsAnAlert)
{
    const auto key = [](Qt::Key k) { return [k](TTimerRig& rig) { QTest::keyClick(&rig.w(), k); }; };
    const auto tick = [](int ms) { return [ms](TTimerRig& rig) { rig.Tick(ms); }; };
    const auto blink = [](TTimerRig& r) { // by the digits' ink: they stay shown and named
        for (int step = 0; step < 8; ++step, r.Tick(500), r.w().ShowTime())
            EXPECT_FALSE(r.w().LBsec1->isHidden() || r.w().LBsec1->accessibleName().isEmpty()) << step;
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
        {61, 1, [](TTimerRig& r) { r.keyboardHere = false, r.Tick(1000); }, ""}, // over another program
        {31, 1, tick(1000), "30 seconds, counting down"},
        {11, 1, tick(1000), "10 seconds, counting down"},
        {6, 1, tick(1000), "5 seconds, counting down"},
        {62, 1, tick(4000), "58 seconds, counting down"}, // a late tick over a mark
        {1, 1, blink, "!Time is up"},                     // not per blink or alarm step
        {0, 1, key(Qt::Key_Escape), "0 seconds, stopped, counts up"},
        {119, 2, tick(1000), "2 minutes, counting up"},
        {60, 2, tick(1000), ""},
        {3, 1, [](TTimerRig& r) { r.Tick(1000), r.w().BTstartClick(r.w().BTstart); }, "2 seconds, stopped"},
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

// Where a notification tells the alarm, the window tells it only when the notification could not be shown.
TEST(TimerAnnouncements, TheAlarmIsToldOnceByTheNotificationOrElseByTheWindow)
{
    TTimerRig rig(true, [](TTimerMainHooks& hooks, TTimerRig&) { hooks.NotificationTellsAlarm = true; });
    TFmTimerMain& w = rig.w();
    w.SetSeconds(1), w.SetRunning(true);
    const int polite = w.Speaker->Lines(), alert = w.AlarmSpeaker->Lines();
    rig.Tick();
    EXPECT_EQ(Said(w, polite, alert), "");
    w.TellAlarm(); // no notification showed
    EXPECT_EQ(Said(w, polite, alert), "!Time is up");
    w.BTstartClick(w.BTstart), w.TellAlarm(); // stopped meanwhile: nothing to tell
    EXPECT_EQ(Said(w, polite, alert + 1), "0 seconds, stopped, counts up");
}

TEST(TimerAccessibility, AFrameWithOneTimeTextAndNoDigits)
{
    TTimerRig rig;
    rig.w().SetSeconds(299);
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&rig.w());
    EXPECT_TRUE(frame->role() == QAccessible::Window && frame->childCount() == 10) << "no digit labels";
    for (int i = -1; i <= 10; ++i)
        EXPECT_EQ(frame->indexOfChild(frame->child(i)), i < 10 ? i : -1) << "each child once, none past the ends";
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(rig.w().N3->menuAction());
    EXPECT_TRUE(item->state().hasPopup && item->state().focusable && !item->state().focused &&
                item->parent()->indexOfChild(item) == 0 && item->text(QAccessible::Description) == "submenu");
    item->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(item->state().focused && item->text(QAccessible::Name) == rig.w().N3->title()) << "current when shown";
    for (auto [item, read] : {std::pair{rig.w().MnBackReset, "リセット|"}, {rig.w().MnNew, "新しいタイマー|;;Ctrl+N"},
                              {rig.w().N2, "終了|;;Alt+F4"}}) { // no mnemonic read, the shortcut as its key; pressed, it acts
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(item);
        const QStringList keys = i->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(i->text(QAccessible::Name) + "|" + keys.join(";"), QString::fromUtf8(read));
        i->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    EXPECT_TRUE(rig.backgrounds.last().isEmpty() && !rig.w().isVisible()) << "リセット and 終了 pressed";
    QAccessibleInterface* time = QAccessible::queryAccessibleInterface(rig.w().TimeText);
    EXPECT_EQ(time->role(), QAccessible::StaticText);
    EXPECT_EQ(time->text(QAccessible::Name) + " " + time->text(QAccessible::Description) + " | " +
                  QAccessible::queryAccessibleInterface(rig.w().Speaker)->text(QAccessible::Name),
              "04:59 4 minutes 59 seconds, stopped | 4 minutes 59 seconds, stopped");
}

// Qt tells screen readers of each new accessible name (offscreen has no events to read).
TEST(TimerAccessibility, TheFrameIsRenamedAtWholeMinutesWithTheStateWhileTheTitleTicks)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.Model().SetName("Tea");
    w.SetSeconds(65);
    QStringList names, titles;
    w.BTstartClick(w.BTstart);
    for (int s = 0; s < 70; ++s, rig.Tick())
        for (auto [list, text] : {std::pair{&names, w.accessibleName()}, std::pair{&titles, w.windowTitle()}})
            *list << (list->isEmpty() || list->back() != text ? QStringList{text} : QStringList{});
    EXPECT_GT(titles.size(), 60) << "the title still ticks";
    EXPECT_EQ(names.join(" | ").toStdString(),
              "Tea: 1 minute, counting down \u2013 Pocosa | Tea: Time is up \u2013 Pocosa")
        << "never more minutes than there are";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&w)->text(QAccessible::Name), names.back());
}

// WCAG's contrast ratio of two colours (relative luminance, sRGB).
double Contrast(QRgb a, QRgb b)
{
    const auto linear = [](int v) { return v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4); };
    const auto l = [&](QRgb c) { return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c)); };
    return (std::max(l(a), l(b)) + 0.05) / (std::min(l(a), l(b)) + 0.05);
}

// Pixels of `area` that differ between the two looks by at least 3:1.
int MarkedPixels(const QImage& on, const QImage& off, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += Contrast(on.pixel(x, y), off.pixel(x, y)) >= 3.0 ? 1 : 0;
    return n;
}

// Measured on the rendered window, the built-in picture and a dark one: the mark of the window with the
// keyboard, and that of the focused button, cover at least a 2-pixel band along their outlines at 3:1
// against the look without them.
TEST(TimerKeyboard, TheWindowAndTheFocusedButtonShowTheKeyboardAtThreeToOneOnAnyPicture)
{
    for (const bool dark : {false, true}) {
        TTimerRig rig;
        TFmTimerMain& w = rig.w();
        TBitmap picture(130, 124, pf32bit); // a dark blue-grey, opaque
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                reinterpret_cast<quint32*>(picture.ScanLine(y))[x] = 0xFF14181E;
        dark ? w.vlmFormFunc1->ApplyBackground(picture, 100, 100) : w.vlmFormFunc1->SetDefaultBackground();
        QWidget other;
        w.show(), other.show();
        const auto look = [&w](QWidget& active) {
            active.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&active));
            return w.grab().toImage();
        };
        const QImage away = look(other), here = look(w);
        EXPECT_GE(MarkedPixels(here, away, w.rect()), 4 * (w.width() + w.height()) - 16) << "dark " << dark;
        w.BTstart->setFocus();
        const QRect button = w.BTstart->geometry();
        EXPECT_GE(MarkedPixels(w.grab().toImage(), here, button), int(M_PI * (button.width() + button.height())) - 16)
            << "dark " << dark;
    }
}

TEST(TimerKeyboard, TheMenuKeysOpenTheMenuEveryTimeTabGoesRoundTheButtonsWhichShowTheFocusAndTakeSpace)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), &w) << "no button has the focus at first: Space is START/STOP";
    for (int round = 0; round < 4; ++round) { // Menu, Shift+F10, the desktop's request, Shift+F10
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        if (round == 2)
            QApplication::sendEvent(QApplication::focusWidget(), &request);
        else
            QTest::keyClick(QApplication::focusWidget(), round % 2 ? Qt::Key_F10 : Qt::Key_Menu,
                            round % 2 ? Qt::ShiftModifier : Qt::NoModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.PopupMenu1->isVisible(); }, 2000)) << round;
        EXPECT_TRUE(w.PopupMenu1->activeAction() == w.N3->menuAction() && !w.N3->isVisible())
            << round << ": the first item is current, for screen readers to read";
        for (Qt::Key k : {Qt::Key_Right, Qt::Key_Escape, Qt::Key_Escape})
            QTest::keyClick(QApplication::activePopupWidget(), k);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.PopupMenu1->isVisible(); }, 2000)) << round;
    }
    const std::pair<TvlmGctButton*, const char*> order[] = {
        {w.BTmin, "M"}, {w.BTsec, "S"}, {w.BTstart, "Space"}, {w.BTreset, "R"}, {w.BTclose, "Alt+F4"}};
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

} // namespace
