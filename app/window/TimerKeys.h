#pragma once

#include <QObject>
#include <QPoint>

class QKeyEvent;
class QTimer;
class TFmTimerMain;

// Keyboard control of the timer window. Each key does what a click on its
// button does, and nothing while that button is disabled:
//   Space            START/STOP        M, S       a minute / a second more
//   R, Backspace     reset             Escape     STOP while the alarm rings
//   Alt+F4           exit (this timer)  Ctrl+Q    exit (every timer)
// M and S act on the press and repeat while held at the buttons' own rhythm:
// the first repeat 500 ms after the press, then 80 ms after each step
// returned. The repeat runs on our own timer; the system's auto-repeat
// presses and releases are ignored, so the rate does not follow the
// keyboard settings and a held Space does not toggle on and off.
class TTimerKeys : public QObject {
    Q_OBJECT

public:
    explicit TTimerKeys(TFmTimerMain& window);

    // True when the key is one of ours (taken even if its button is disabled).
    bool KeyPress(const QKeyEvent* event);
    bool KeyRelease(const QKeyEvent* event);

    int HeldKey() const { return heldKey_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RepeatTick();
    void StopRepeat();
    bool RepeatStep();

    TFmTimerMain& window_;
    QTimer* repeat_ = nullptr;
    int heldKey_ = 0; // Qt::Key_M or Qt::Key_S while repeating, else 0
};

// Moving the window without a mouse (the menu's "Move"): the arrow keys move
// it by 1 pixel, with Shift by 10; Return, Enter or a click anywhere ends the
// move where it is, Escape puts the window back. Other keys do nothing
// meanwhile. The place is kept as after a drag, once the window rests.
class TKeyboardMove : public QObject {
public:
    static constexpr int kStepPx = 1;
    static constexpr int kShiftStepPx = 10;

    explicit TKeyboardMove(QWidget& window);

    void Start();
    bool Moving() const { return moving_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Finish(bool back);

    QWidget& window_;
    bool moving_ = false;
    QPoint from_;
};
