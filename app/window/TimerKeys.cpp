#include "TimerKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "UnitFmTimerMain.h"
#include "vlmButton.h"

namespace {

using THandler = void (TFmTimerMain::*)(QObject*);

// The handler runs only while the button would take a click.
bool ClickIfEnabled(TFmTimerMain& window, TvlmGctButton* button, THandler handler)
{
    if (!button->isEnabled())
        return false;
    (window.*handler)(button);
    return true;
}

Qt::KeyboardModifiers Modifiers(const QKeyEvent* event)
{
    return event->modifiers() & ~Qt::KeypadModifier;
}

} // namespace

TTimerKeys::TTimerKeys(TFmTimerMain& window) : QObject(&window), window_(window)
{
    repeat_ = new QTimer(this);
    repeat_->setSingleShot(true);
    repeat_->setTimerType(Qt::PreciseTimer);
    connect(repeat_, &QTimer::timeout, this, &TTimerKeys::RepeatTick);
    // A key released while another window has the focus never reaches us.
    window.installEventFilter(this);
}

bool TTimerKeys::KeyPress(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = Modifiers(event);
    const int key = event->key();
    const bool quitAll = mods == Qt::ControlModifier && key == Qt::Key_Q;
    const bool exit = quitAll || (mods == Qt::AltModifier && key == Qt::Key_F4);
    if (exit) {
        if (!event->isAutoRepeat())
            ClickIfEnabled(window_, window_.BTclose, quitAll ? &TFmTimerMain::QuitAllClick : &TFmTimerMain::BTcloseClick);
        return true;
    }
    if (mods != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_M:
    case Qt::Key_S:
    case Qt::Key_R:
    case Qt::Key_Backspace:
    case Qt::Key_Escape:
        break;
    default:
        return false;
    }
    if (event->isAutoRepeat())
        return true;
    switch (key) {
    case Qt::Key_Space:
        ClickIfEnabled(window_, window_.BTstart, &TFmTimerMain::BTstartClick);
        break;
    case Qt::Key_Escape:
        if (window_.Running() && !window_.CountUp() && window_.Seconds() == 0)
            ClickIfEnabled(window_, window_.BTstart, &TFmTimerMain::BTstartClick);
        break;
    case Qt::Key_R:
    case Qt::Key_Backspace:
        ClickIfEnabled(window_, window_.BTreset, &TFmTimerMain::BTresetClick);
        break;
    default: // M or S: the latest held key owns the repeat
        heldKey_ = key;
        if (RepeatStep())
            repeat_->start(TvlmGctButton::kFirstRepeatMs);
        else
            StopRepeat();
        break;
    }
    return true;
}

bool TTimerKeys::KeyRelease(const QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return event->key() == heldKey_;
    if (event->key() != heldKey_ || heldKey_ == 0)
        return false;
    StopRepeat();
    return true;
}

bool TTimerKeys::RepeatStep()
{
    if (heldKey_ == Qt::Key_M)
        return ClickIfEnabled(window_, window_.BTmin, &TFmTimerMain::BTminClick);
    if (heldKey_ == Qt::Key_S)
        return ClickIfEnabled(window_, window_.BTsec, &TFmTimerMain::BTsecClick);
    return false;
}

void TTimerKeys::RepeatTick()
{
    // The next step comes 80 ms after this one returned, as with a held button.
    if (heldKey_ != 0 && RepeatStep())
        repeat_->start(TvlmGctButton::kRepeatMs);
    else
        StopRepeat();
}

void TTimerKeys::StopRepeat()
{
    heldKey_ = 0;
    repeat_->stop();
}

bool TTimerKeys::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::FocusOut:
        StopRepeat();
        break;
    default:
        break;
    }
    return false;
}

TKeyboardMove::TKeyboardMove(QWidget& window) : QObject(&window), window_(window) {}

void TKeyboardMove::Start()
{
    if (moving_)
        return;
    moving_ = true;
    from_ = window_.pos();
    // Seen before any widget: the window's keys and the drag by mouse rest meanwhile.
    qApp->installEventFilter(this);
    window_.activateWindow();
    window_.setFocus();
}

void TKeyboardMove::Finish(bool back)
{
    moving_ = false;
    qApp->removeEventFilter(this);
    if (back)
        window_.move(from_);
}

bool TKeyboardMove::eventFilter(QObject* watched, QEvent* event)
{
    if (!moving_)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        Finish(false);
        return true;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    // Keys for another window (a dialog of another timer) are left alone.
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != &window_)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // no shortcut fires while moving
        return true;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const int step = key->modifiers() & Qt::ShiftModifier ? kShiftStepPx : kStepPx;
    switch (key->key()) {
    case Qt::Key_Left:
        window_.move(window_.pos() + QPoint(-step, 0));
        break;
    case Qt::Key_Right:
        window_.move(window_.pos() + QPoint(step, 0));
        break;
    case Qt::Key_Up:
        window_.move(window_.pos() + QPoint(0, -step));
        break;
    case Qt::Key_Down:
        window_.move(window_.pos() + QPoint(0, step));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Finish(false);
        break;
    case Qt::Key_Escape:
        Finish(true);
        break;
    default:
        break;
    }
    return true;
}
