// The plain round button: clicks, click repeat, enabled state, by simulated mouse input.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

#include "vlmButton.h"

namespace {

struct TButtonRig {
    TButtonRig()
    {
        window.resize(100, 100);
        button = new TvlmGctButton(&window);
        button->setGeometry(10, 10, 40, 40);
        button->OnClick = [this](QObject* sender) {
            senders.push_back(sender);
            clickMs.push_back(clock.elapsed());
        };
        window.show();
        clock.start();
    }
    int Clicks() const { return int(senders.size()); }

    QWidget window;
    TvlmGctButton* button = nullptr;
    std::vector<QObject*> senders;
    std::vector<qint64> clickMs;
    QElapsedTimer clock;
};

TEST(vlmButton, NewButtonIs40By40WithoutCaptionOrRepeat)
{
    TvlmGctButton button;
    EXPECT_EQ(button.size(), QSize(40, 40));
    EXPECT_TRUE(button.Caption().isEmpty());
    EXPECT_FALSE(button.ClickRepeat());
    QTest::mouseClick(&button, Qt::LeftButton); // no OnClick assigned: nothing happens
}

TEST(vlmButton, LeftClickRaisesOnClickWithTheButtonAsSender)
{
    TButtonRig rig;
    QTest::mouseClick(rig.button, Qt::LeftButton);
    ASSERT_EQ(rig.Clicks(), 1);
    EXPECT_EQ(rig.senders[0], rig.button);
    EXPECT_FALSE(rig.button->Pressed());
}

TEST(vlmButton, OtherButtonsReleaseOutsideAndDisabledRaiseNoClick)
{
    TButtonRig rig;
    QTest::mouseClick(rig.button, Qt::RightButton);
    QTest::mouseClick(rig.button, Qt::MiddleButton);
    EXPECT_EQ(rig.Clicks(), 0) << "right and middle button";
    EXPECT_FALSE(rig.button->Pressed());

    QTest::mousePress(rig.button, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(rig.button->Pressed());
    QTest::mouseRelease(rig.button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(rig.Clicks(), 0) << "released outside";

    rig.button->setEnabled(false);
    QTest::mouseClick(rig.button, Qt::LeftButton);
    EXPECT_EQ(rig.Clicks(), 0) << "disabled";
    rig.button->setEnabled(true);
    QTest::mouseClick(rig.button, Qt::LeftButton);
    EXPECT_EQ(rig.Clicks(), 1) << "enabled again";
}

TEST(vlmButton, DoubleClickIsTwoClicks)
{
    TButtonRig rig;
    QTest::mouseClick(rig.button, Qt::LeftButton);
    QTest::mouseDClick(rig.button, Qt::LeftButton);
    QTest::mouseRelease(rig.button, Qt::LeftButton);
    EXPECT_EQ(rig.Clicks(), 2);
}

TEST(vlmButton, ShortClickOnRepeatingButtonClicksOnce)
{
    TButtonRig rig;
    rig.button->SetClickRepeat(true);
    QTest::mousePress(rig.button, Qt::LeftButton);
    QTest::qWait(100);
    QTest::mouseRelease(rig.button, Qt::LeftButton);
    QTest::qWait(600);
    EXPECT_EQ(rig.Clicks(), 1);
}

TEST(vlmButton, HeldRepeatingButtonRepeatsAfterHalfASecondUntilReleased)
{
    TButtonRig rig;
    rig.button->SetClickRepeat(true);
    QTest::mousePress(rig.button, Qt::LeftButton);
    QTest::qWait(900);
    QTest::mouseRelease(rig.button, Qt::LeftButton);
    const int held = rig.Clicks() - 1; // the last one is the release click
    ASSERT_GE(held, 1);
    EXPECT_GE(rig.clickMs.front(), 450) << "first repeat not before 500 ms";
    for (int i = 1; i < held; ++i)
        EXPECT_GE(rig.clickMs[std::size_t(i)] - rig.clickMs[std::size_t(i - 1)], 70) << "repeat " << i;
    const int afterRelease = rig.Clicks();
    QTest::qWait(300);
    EXPECT_EQ(rig.Clicks(), afterRelease) << "no repeat after the release";
}

TEST(vlmButton, DraggingOffAHeldButtonStopsTheRepeatAndTheClick)
{
    TButtonRig rig;
    rig.button->SetClickRepeat(true);
    QTest::mousePress(rig.button, Qt::LeftButton);
    QTest::mouseMove(rig.button, QPoint(80, 20));
    EXPECT_FALSE(rig.button->Pressed());
    QTest::qWait(700);
    QTest::mouseRelease(rig.button, Qt::LeftButton, {}, QPoint(80, 20));
    EXPECT_EQ(rig.Clicks(), 0);
}

// A held repeating button that is disabled or hidden, by someone else or by
// its own repeat, stops repeating at once.
TEST(vlmButton, RepeatStopsTheMomentTheButtonIsDisabledOrHidden)
{
    struct Row {
        const char* Name;
        bool ByItsRepeat;
        std::function<void(TButtonRig&)> Interrupt;
    };
    const Row rows[] = {
        {"disabled", false, [](TButtonRig& r) { r.button->setEnabled(false); }},
        {"hidden", false, [](TButtonRig& r) { r.button->hide(); }},
        {"its window hidden", false, [](TButtonRig& r) { r.window.hide(); }},
        {"disabled by its own repeat", true, [](TButtonRig& r) { r.button->setEnabled(false); }},
        {"hidden by its own repeat", true, [](TButtonRig& r) { r.button->hide(); }},
    };
    for (const Row& row : rows) {
        TButtonRig rig;
        rig.button->SetClickRepeat(true);
        QTest::mousePress(rig.button, Qt::LeftButton);
        ASSERT_TRUE(rig.button->RepeatTimer()->isActive()) << row.Name;
        if (row.ByItsRepeat) {
            rig.button->OnClick = [&](QObject*) { row.Interrupt(rig); };
            QDeadlineTimer deadline(5000);
            while (rig.button->isEnabled() && rig.button->isVisible() && !deadline.hasExpired())
                QTest::qWait(20);
        } else {
            row.Interrupt(rig);
        }
        EXPECT_FALSE(rig.button->RepeatTimer()->isActive()) << row.Name;
        // Let go while the button could not see it: back in use, the next
        // press is a fresh one that repeats again.
        QTest::mouseRelease(rig.button, Qt::LeftButton);
        rig.button->OnClick = nullptr;
        rig.window.show();
        rig.button->show();
        rig.button->setEnabled(true);
        QTest::mousePress(rig.button, Qt::LeftButton);
        EXPECT_TRUE(rig.button->RepeatTimer()->isActive()) << row.Name;
    }
}

TEST(vlmButton, TurningRepeatOffRemovesTheRepeat)
{
    TButtonRig rig;
    rig.button->SetClickRepeat(true);
    rig.button->SetClickRepeat(false);
    QTest::mousePress(rig.button, Qt::LeftButton);
    QTest::qWait(700);
    QTest::mouseRelease(rig.button, Qt::LeftButton);
    EXPECT_EQ(rig.Clicks(), 1);
}

} // namespace
