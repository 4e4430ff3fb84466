// Screen-reader view of the timer window's buttons.
#include <gtest/gtest.h>

#include <QAccessible>

#include "TimerRig.h"
#include "vlmButtonAccessible.h"

namespace {

TEST(ButtonAccessibility, EveryButtonIsANamedPressableButton)
{
    TTimerRig rig;
    const struct {
        TvlmGctButton* Button;
        const char* Name;
    } rows[] = {{rig.w().BTmin, "1分追加"}, {rig.w().BTsec, "1秒追加"}, {rig.w().BTstart, "スタート"},
                {rig.w().BTreset, "クリア"}, {rig.w().BTclose, "タイマーを閉じる"}};
    for (const auto& row : rows) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(row.Button);
        ASSERT_NE(a, nullptr) << row.Name;
        EXPECT_EQ(a->role(), QAccessible::Button) << row.Name;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(row.Name)) << row.Name;
        ASSERT_NE(a->actionInterface(), nullptr) << row.Name;
        EXPECT_EQ(a->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()})
            << row.Name;
    }
}

TEST(ButtonAccessibility, PressActsAsAClickAndOnlyWhenEnabled)
{
    TTimerRig rig;
    QAccessibleActionInterface* start = QAccessible::queryAccessibleInterface(rig.w().BTstart)->actionInterface();
    QAccessibleActionInterface* sec = QAccessible::queryAccessibleInterface(rig.w().BTsec)->actionInterface();
    rig.w().show();
    sec->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(rig.w().Seconds(), 1);
    start->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(rig.w().Running());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(rig.w().BTstart)->text(QAccessible::Name), "ストップ")
        << "the name follows the caption";
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(rig.w().BTsec)->state().disabled);
    EXPECT_TRUE(sec->actionNames().isEmpty());
    sec->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(rig.w().Seconds(), 1) << "a disabled button is not pressed";
}

TEST(ButtonAccessibility, CaptionAsReadOut)
{
    EXPECT_EQ(AccessibleCaption("&Start"), "Start");
    EXPECT_EQ(AccessibleCaption("A&&B"), "A&B");
    EXPECT_EQ(AccessibleCaption("Two\\lines"), "Two lines");
    EXPECT_EQ(AccessibleCaption("end&"), "end");
    EXPECT_EQ(AccessibleCaption("リセット(&R)"), "リセット");
    EXPECT_EQ(AccessibleCaption("選ぶ(&C)..."), "選ぶ...");
}

} // namespace
