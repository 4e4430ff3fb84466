// Where the timer windows stand: the place of a new or restored window, and
// which comes to the front while timers ring.
#include "OpenTimers.h"

#include <QApplication>
#include <QScreen>

#include "UnitFmTimerMain.h"

bool TOpenTimers::PlaceTaken(const QPoint& at) const
{
    for (int i = 0; i < Count(); ++i)
        if (Window(i).isVisible() && Window(i).pos() == at)
            return true;
    return false;
}

QPoint TOpenTimers::CascadeFrom(const TFmTimerMain& from, const QSize& size) const
{
    // Down and to the right of the window it came from, on its screen, to
    // the first place no other timer window has; up or to the left where
    // the screen ends, so that it stays beside the window it came from.
    const QScreen* screen = from.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 20, 1 << 20));
    QPoint step(kCascadePx, kCascadePx);
    QPoint at = from.pos();
    for (int n = 0; n < 4 * kMaxTimers; ++n) {
        const QPoint next = at + step;
        if (next.x() < area.left() || next.x() + size.width() - 1 > area.right())
            step.rx() = -step.x();
        if (next.y() < area.top() || next.y() + size.height() - 1 > area.bottom())
            step.ry() = -step.y();
        at += step;
        if (!PlaceTaken(at))
            break;
    }
    return at;
}

// Above other programs' windows, but never over the timer window the user
// works in (the one with the keyboard, or one with a dialog open): those go
// back on top, the one with the keyboard last, so that every STOP can be
// reached while many ring.
void TOpenTimers::RaiseForAlarm(TFmTimerMain& ringing)
{
    RaiseWindow(ringing);
    const auto raiseWithDialogs = [this](TFmTimerMain& window) {
        RaiseWindow(window);
        for (QWidget* dialog : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (dialog->isWindow() && dialog->isVisible())
                RaiseWindow(*dialog);
    };
    const QWidget* keyboard = QApplication::activeWindow();
    TFmTimerMain* active = nullptr;
    for (int i = 0; i < Count(); ++i) {
        TFmTimerMain& window = Window(i);
        if (!window.isVisible())
            continue;
        if (keyboard && (keyboard == &window || keyboard->parentWidget() == &window))
            active = &window;
        else if (window.InDialog())
            raiseWithDialogs(window);
    }
    if (active)
        raiseWithDialogs(*active);
}
