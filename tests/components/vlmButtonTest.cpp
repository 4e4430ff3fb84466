#include <gtest/gtest.h>

#include "vlmButton.h"
#include "vlmMessages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace {

// A shown window with one repeating button, and a recorder of its clicks.
struct Fixture {
    QWidget window;
    TvlmGctButton* button;
    QElapsedTimer clock;
    std::vector<qint64> clicks;
    int paints = 0;

    Fixture()
    {
        window.resize(120, 120);
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, Qt::white);
        window.setPalette(pal);
        button = new TvlmGctButton(&window);
        button->SetBounds(10, 10, 34, 28);
        button->SetClickRepeat(true);
        button->OnClick = [this](QObject* sender) {
            EXPECT_EQ(sender, button);
            clicks.push_back(clock.elapsed());
        };
        window.show();
        QApplication::processEvents();
        clock.start();
    }

    void Mouse(QEvent::Type type, Qt::MouseButton b, QPoint pos, Qt::MouseButtons held)
    {
        QMouseEvent e(type, QPointF(pos), button->mapToGlobal(QPointF(pos)), b, held, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    }
    void Press(Qt::MouseButton b = Qt::LeftButton, QPoint pos = {5, 5}) { Mouse(QEvent::MouseButtonPress, b, pos, b); }
    void Release(Qt::MouseButton b = Qt::LeftButton, QPoint pos = {5, 5})
    {
        Mouse(QEvent::MouseButtonRelease, b, pos, Qt::NoButton);
    }
    void DragTo(QPoint pos) { Mouse(QEvent::MouseMove, Qt::NoButton, pos, Qt::LeftButton); }
};

// Counts the paints that reach a widget.
struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

TEST(GctButton, NewButtonIsFortyByFortyWithItsRendererSized)
{
    TvlmGctButton button;
    EXPECT_EQ(button.size(), QSize(40, 40));
    EXPECT_EQ(button.BtnDraw()->FaceBitmap().Width(), 40);
    EXPECT_EQ(button.BtnDraw()->FaceBitmap().Height(), 40);
    EXPECT_EQ(button.BtnDraw()->WorkBitmap().Width(), 80);
    EXPECT_FALSE(button.ClickRepeat());
    EXPECT_EQ(button.RepeatTimer(), nullptr);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button.BtnDraw()->OwnerControl(), &button);
}

TEST(GctButton, RepeatTimerExistsOnlyWhileClickRepeatIsOn)
{
    TvlmGctButton button;
    button.SetClickRepeat(true);
    QTimer* timer = button.RepeatTimer();
    ASSERT_NE(timer, nullptr);
    button.SetClickRepeat(true);
    EXPECT_EQ(button.RepeatTimer(), timer);
    EXPECT_FALSE(timer->isActive());
    button.SetClickRepeat(false);
    EXPECT_EQ(button.RepeatTimer(), nullptr);
}

TEST(GctButton, DrawStatePrecedence)
{
    Fixture f;
    EXPECT_EQ(f.button->DrawState(), bdNormal);
    f.Press();
    EXPECT_EQ(f.button->DrawState(), bdDown);
    EXPECT_EQ(f.button->BtnDraw()->State(), bdDown); // the paint handed it over
    f.button->setEnabled(false);
    EXPECT_EQ(f.button->DrawState(), bdDisabled);
    EXPECT_TRUE(f.button->Pressed()); // the flags keep their values
    f.button->setEnabled(true);
    EXPECT_EQ(f.button->DrawState(), bdDown);
    f.Release();
    EXPECT_EQ(f.button->DrawState(), bdOver);
}

TEST(GctButton, HeldRepeatsAtFiveHundredThenEightyAndOnceMoreOnRelease)
{
    Fixture f;
    f.Press();
    ASSERT_TRUE(f.button->RepeatTimer()->isActive());
    EXPECT_EQ(f.button->RepeatTimer()->interval(), 500);
    QTest::qWait(720);
    const std::size_t repeats = f.clicks.size();
    f.Release();
    ASSERT_GE(repeats, 1u);
    EXPECT_LE(repeats, 3u);
    EXPECT_GE(f.clicks[0], 490);
    EXPECT_LT(f.clicks[0], 700);
    for (std::size_t i = 1; i < repeats; ++i)
        EXPECT_GE(f.clicks[i] - f.clicks[i - 1], 78) << "repeat " << i;
    EXPECT_EQ(f.button->RepeatTimer()->interval(), 80);
    EXPECT_EQ(f.clicks.size(), repeats + 1); // the standard click on release
    EXPECT_FALSE(f.button->RepeatTimer()->isActive());
    EXPECT_FALSE(f.button->Pressed());
}

TEST(GctButton, ShortClickRaisesExactlyOne)
{
    Fixture f;
    f.Press();
    QTest::qWait(50);
    f.Release();
    QTest::qWait(600);
    EXPECT_EQ(f.clicks.size(), 1u);
}

// A press clicks once at most, and only an enabled button follows the pointer.
TEST(GctButton, PointerSequencesEndInTheirFaceAndClicks)
{
    Fixture entered, twice;
    entered.button->setEnabled(false);
    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), entered.button->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(entered.button, &enter);
    entered.button->setEnabled(true);
    twice.Press(), twice.Release(), twice.Release();
    EXPECT_TRUE(entered.clicks.empty() && entered.button->DrawState() == bdNormal) << "entered while disabled";
    EXPECT_TRUE(twice.clicks.size() == 1 && twice.button->DrawState() == bdOver) << "released twice";
}

TEST(GctButton, DoubleClickIsTwoClicksNeverOnDblClick)
{
    Fixture f;
    int doubles = 0;
    f.button->OnDblClick = [&](QObject*) { ++doubles; };
    // What the platform delivers for a double click: the second press
    // arrives as a double-click event.
    f.Press();
    f.Release();
    f.Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, {5, 5}, Qt::LeftButton);
    f.Release();
    EXPECT_EQ(f.clicks.size(), 2u);
    EXPECT_EQ(doubles, 0);
}

TEST(GctButton, RightAndMiddleButtonsChangeNothing)
{
    for (const Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
        Fixture f;
        int downs = 0, ups = 0;
        f.button->OnMouseDown = [&](QObject*, QMouseEvent*) { ++downs; };
        f.button->OnMouseUp = [&](QObject*, QMouseEvent*) { ++ups; };
        f.Press(b);
        EXPECT_FALSE(f.button->Pressed());
        EXPECT_FALSE(f.button->RepeatTimer()->isActive());
        f.Release(b);
        EXPECT_EQ(downs, 1);
        EXPECT_EQ(ups, 1);
        EXPECT_TRUE(f.clicks.empty());
    }
}

TEST(GctButton, DraggingOffStopsTheRepeatAndGivesNoClick)
{
    Fixture f;
    f.Press();
    f.DragTo(QPoint(100, 5));
    EXPECT_FALSE(f.button->Pressed());
    EXPECT_FALSE(f.button->RepeatTimer()->isActive());
    EXPECT_EQ(f.button->DrawState(), bdNormal);
    QTest::qWait(600);
    // Coming back while holding shows the hover face but does not repeat.
    f.DragTo(QPoint(5, 5));
    EXPECT_FALSE(f.button->Pressed());
    QTest::qWait(600);
    EXPECT_TRUE(f.clicks.empty());
    f.DragTo(QPoint(100, 5));
    f.Release(Qt::LeftButton, QPoint(100, 5));
    EXPECT_TRUE(f.clicks.empty());
}

TEST(GctButton, DisabledButtonIgnoresThePointer)
{
    Fixture f;
    f.button->setEnabled(false);
    f.Press();
    f.Release();
    EXPECT_FALSE(f.button->Pressed());
    EXPECT_TRUE(f.clicks.empty());
}

TEST(GctButton, EnabledRepaintsOnlyOnChangeCaptionRepaintsAtOnce)
{
    Fixture f;
    PaintCounter counter;
    f.button->installEventFilter(&counter);
    f.button->setEnabled(true);
    EXPECT_EQ(counter.count, 0);
    f.button->setEnabled(false);
    EXPECT_GE(counter.count, 1);
    EXPECT_EQ(f.button->BtnDraw()->State(), bdDisabled);

    counter.count = 0;
    f.button->SetCaption("New");
    EXPECT_GE(counter.count, 1);
    EXPECT_EQ(f.button->BtnDraw()->Caption(), "New");
    EXPECT_FALSE(f.button->BtnDraw()->NeedsRender()); // rendered by that paint
    counter.count = 0;
    f.button->SetCaption("New");
    EXPECT_EQ(counter.count, 0);
    f.button->BtnDraw()->SetColor(0x00123456);
    EXPECT_GE(counter.count, 1) << "a renderer property repaints at once";
}

TEST(GctButton, FontWindowColourAndPlaceReachTheRenderer)
{
    Fixture f;
    // Moved or resized by Qt's own calls, the renderer follows at once.
    // One coordinate at a time.
    f.button->move(30, 10);
    EXPECT_EQ(f.button->BtnDraw()->Left(), 30);
    f.button->move(30, 40);
    EXPECT_EQ(f.button->BtnDraw()->Top(), 40);
    f.button->resize(50, 28);
    EXPECT_EQ(f.button->BtnDraw()->FaceBitmap().Width(), 50);
    f.button->resize(50, 30);
    EXPECT_EQ(f.button->BtnDraw()->FaceBitmap().Height(), 30);
    f.button->SetFontColor(0x000000FF);
    EXPECT_EQ(f.button->BtnDraw()->FontColor(), 0x000000FFu);

    QFont font;
    font.setPixelSize(17);
    f.button->setFont(font);
    EXPECT_EQ(f.button->BtnDraw()->Font().pixelSize(), 17);
    QPalette pal = f.window.palette();
    pal.setColor(QPalette::Window, QColor(0x10, 0x20, 0x30));
    f.window.setPalette(pal);
    EXPECT_EQ(f.button->BtnDraw()->BackColor(), 0x00302010);
}

TEST(GctButton, BackgroundNotificationCapturesTheNewPicture)
{
    Fixture f;
    TvlmBtnDraw* d = f.button->BtnDraw();
    d->SetTransParent(true);
    d->SetStyle(bsCircle);
    d->SetRegion(true);
    TBitmap background(120, 120, pf32bit);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            reinterpret_cast<std::uint32_t*>(background.ScanLine(y))[x] = 0xFF0000FFu; // blue
    TBackgroundNotifyEvent notice(&background);
    QApplication::sendEvent(f.button, &notice);
    EXPECT_TRUE(d->BackCaptured());
    EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(d->BackBitmap().ScanLine(14))[17] & 0xFFFFFF, 0x0000FFu);
    f.button->Paint();
    EXPECT_FALSE(d->NeedsRender());
    EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(d->FaceBitmap().ScanLine(14))[17] & 0xFFFFFF, 0x0000FFu);
}

// A transparent button without a window under it paints over its own colour.
TEST(GctButton, TransparentButtonWithoutAWindowPaintsOverItsOwnColour)
{
    TvlmGctButton alone;
    alone.BtnDraw()->SetTransParent(true);
    alone.show();
    QApplication::processEvents();
    alone.Paint();
    EXPECT_TRUE(alone.BtnDraw()->BackCaptured());
}

TEST(GctButton, AcceleratorWithAltAndAloneWithoutFocusWidget)
{
    Fixture f;
    f.button->SetCaption("&Go");
    QTest::keyClick(&f.window, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(f.clicks.size(), 1u);
    ASSERT_EQ(f.window.focusWidget(), nullptr);
    QTest::keyClick(&f.window, Qt::Key_G);
    EXPECT_EQ(f.clicks.size(), 2u);
    QTest::keyClick(&f.window, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(f.clicks.size(), 2u);
    f.button->setEnabled(false);
    QTest::keyClick(&f.window, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(f.clicks.size(), 2u);
    f.button->setEnabled(true);
    QTest::keyClick(&f.window, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(f.clicks.size(), 2u) << "Ctrl is no dialog character";
    f.button->hide();
    QTest::keyClick(&f.window, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(f.clicks.size(), 2u) << "hidden";
    f.button->show();
    f.button->SetCaption("A&&G");
    QTest::keyClick(&f.window, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(f.clicks.size(), 2u);
}

TEST(GctButton, ClickHandlerMayDeleteTheButton)
{
    Fixture f;
    f.button->SetClickRepeat(false);
    f.button->OnClick = [&](QObject*) { delete f.button; };
    QPointer<TvlmGctButton> guard(f.button);
    f.Press();
    f.Release();
    EXPECT_TRUE(guard.isNull());
}
