#include "UnitFmTimerMain.h"

#include <QContextMenuEvent>
#include <QAccessible>
#include <QKeyEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <algorithm>

#include "ProgramFolder.h"
#include "TimerAccessible.h"
#include "TimerKeys.h"
#include "TimerReadout.h"
#include "UnitFormVersionInfo.h"
#include "vlmButton.h"
#include "vlmButtonAccessible.h"
#include "vlmFormFunc.h"

TFmTimerMain::TFmTimerMain(TTimerMainHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), hooks_(std::move(hooks))
{
    if (!hooks_.Clock) {
        ownClock_ = std::make_unique<TBootClock>();
        hooks_.Clock = ownClock_.get();
    }
    if (!hooks_.Sound) {
        ownSound_ = std::make_unique<TEffectSoundService>();
        hooks_.Sound = ownSound_.get();
    }
    // Before any control exists: an accessibility event sent while building
    // would otherwise give a control Qt's plain interface for good.
    InstallButtonAccessibility();
    InstallTimerAccessibility();
    BuildControls();
    BuildMenu();
    BuildFormFunc();
    keys_ = new TTimerKeys(*this);
    Speaker = new TTimerSpeaker(this, false);
    AlarmSpeaker = new TTimerSpeaker(this, true);
    // The window holds the focus while no button has it, so that the window's
    // keys and the keyboard's menu key reach it, also after a menu closed.
    setFocusPolicy(Qt::ClickFocus);
    setFocus();
    FormCreate(this);
}

TFmTimerMain::~TFmTimerMain()
{
    FormDestroy(this);
}

void TFmTimerMain::FormCreate(QObject*)
{
    SetRunning(false);
    vlmFormFunc1->RestorePlacement();
    ApplyStartBackground();
    // The picture gave the window its size: all of it on a screen.
    vlmFormFunc1->KeepWholeOnScreen();
}

void TFmTimerMain::FormDestroy(QObject*) {}

void TFmTimerMain::SetSeconds(int value)
{
    DropNotice();
    seconds_ = std::min(value, kMaxSeconds);
    if (seconds_ <= 0 && running_) {
        seconds_ = 0;
        BTreset->setEnabled(true);
        DoAlarm();
    } else if (seconds_ < 0) {
        // Never shown as a negative time, and no alarm while stopped.
        seconds_ = 0;
    }
    ShowTime();
    if (OnStateChanged)
        OnStateChanged();
}

bool TFmTimerMain::DigitsVisible() const
{
    if (!running_ || seconds_ != 0)
        return true;
    // Blink phase from a 32-bit millisecond counter: shown in even seconds.
    const auto ticks = static_cast<std::uint32_t>(hooks_.Clock->Milliseconds());
    return (ticks / 1000) % 2 == 0;
}

void TFmTimerMain::ShowTime()
{
    const auto twoDigits = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    const QString m = twoDigits(seconds_ / 60);
    const QString s = twoDigits(seconds_ % 60);
    LBmin0->setText(m.mid(0, 1));
    LBmin1->setText(m.mid(1, 1));
    LBsec0->setText(s.mid(0, 1));
    LBsec1->setText(s.mid(1, 1));
    // The digits blink by their ink, not by hiding: a hidden label would tell
    // screen readers about every blink.
    const QColor ink = DigitsVisible() ? palette().color(QPalette::WindowText) : QColor(Qt::transparent);
    for (QLabel* digit : {LBmin0, LBmin1, LBsec0, LBsec1}) {
        if (digit->palette().color(QPalette::WindowText) != ink) {
            QPalette pal = digit->palette();
            pal.setColor(QPalette::WindowText, ink);
            digit->setPalette(pal);
        }
    }
    ShowTimeOutside();
}

// Unlike the digits, the title and the spoken words do not blink in the
// alarm; they are worked out only when the time or the state changed, and
// each is handed on only when it changes. Screen readers are told each new
// name; what they say on their own is chosen: a change the user made at
// once, a running timer only at its marks, the alarm once as an alert.
void TFmTimerMain::ShowTimeOutside()
{
    const TShownOutside shown{seconds_, running_, countUp_};
    if (shownOutside_ == shown)
        return;
    shownOutside_ = shown;
    const std::optional<TShownOutside> before = told_;
    told_ = shown;
    const QString title = TTimerReadout::Title(seconds_, running_, notice_);
    if (title != windowTitle()) {
        setWindowTitle(title);
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
    const TTimerPhase phase = TTimerReadout::Phase(seconds_, running_, countUp_);
    const QString spoken = TTimerReadout::Spoken(seconds_, phase);
    const QString time = TTimerReadout::Clock(seconds_);
    if (time != TimeText->accessibleName())
        TimeText->setAccessibleName(time);
    if (spoken != TimeText->accessibleDescription())
        TimeText->setAccessibleDescription(spoken);
    if (!before || *before == shown)
        return; // the window's first showing, or only the notice changed
    if (phase == TTimerPhase::Alarm) {
        if (TTimerReadout::Phase(before->Seconds, before->Running, before->CountUp) != TTimerPhase::Alarm)
            AlarmSpeaker->Say(spoken);
    } else if (!ticking_ || (before->Running && TickTold(before->Seconds, seconds_, countUp_))) {
        Speaker->Say(spoken);
    }
}

void TFmTimerMain::ShowNotice(const QString& text)
{
    notice_ = text;
    shownOutside_.reset();
    ShowTimeOutside();
}

void TFmTimerMain::DropNotice()
{
    if (notice_.isEmpty())
        return;
    notice_.clear();
    shownOutside_.reset();
}

void TFmTimerMain::SetRunning(bool running)
{
    DropNotice();
    running_ = running;
    BTstart->SetCaption(running ? QStringLiteral("STOP") : QStringLiteral("START"));
    for (TvlmGctButton* button : {BTmin, BTsec, BTreset})
        button->setEnabled(!running);
    alarmCountdown_ = 0;
    if (running) {
        // The tick starts its phase anew, so the first second after START
        // is a whole one like every later second.
        Timer1->start(kTickMs);
        appliedUntilMs_ = hooks_.Clock->Milliseconds();
    }
    ShowTime();
    if (OnStateChanged)
        OnStateChanged();
}

void TFmTimerMain::SetCountUp(bool up)
{
    countUp_ = up;
    LbCountUp->setVisible(up);
}

void TFmTimerMain::DoAlarm()
{
    // Above the other windows, but the keyboard stays where the user put it:
    // keys typed into another program while the alarm rings must not stop
    // or restart the timer. The window is marked urgent once the alarm
    // begins (TTimerAttention).
    raise();
    --alarmCountdown_;
    if (alarmCountdown_ > 0)
        return;
    alarmCountdown_ = kAlarmSoundSteps;
    const QString path = ProgramDir() + QStringLiteral("/timer.wav");
    if (QFileInfo(path).isFile())
        hooks_.Sound->play(path);
}

void TFmTimerMain::ResumeRunning(int seconds, bool countUp, int nextSecondMs)
{
    nextSecondMs = std::clamp(nextSecondMs, 1, kTickMs);
    SetCountUp(countUp);
    SetSeconds(seconds);
    SetRunning(true);
    // The second under way began before now; the tick comes when it is over.
    appliedUntilMs_ -= kTickMs - nextSecondMs;
    Timer1->start(nextSecondMs);
}

int TFmTimerMain::MillisecondsIntoSecond() const
{
    if (!running_)
        return 0;
    return int(std::clamp<std::int64_t>(hooks_.Clock->Milliseconds() - appliedUntilMs_, 0, kTickMs - 1));
}

void TFmTimerMain::Timer1Timer()
{
    // A resumed timer's first tick came early, at its own phase; from here on
    // a whole second apart again.
    if (Timer1->interval() != kTickMs)
        Timer1->setInterval(kTickMs);
    if (!running_)
        return;
    // Whole seconds passed since the last applied one. A punctual tick finds
    // one (or none, when it comes a little early) and applies one second; a
    // late tick applies every second it missed.
    const std::int64_t now = hooks_.Clock->Milliseconds();
    const std::int64_t whole = (now - appliedUntilMs_) / kTickMs;
    int steps = 1;
    if (whole >= 1) {
        steps = int(std::min<std::int64_t>(whole, kMaxSeconds + 1));
        appliedUntilMs_ += whole * kTickMs;
    } else {
        appliedUntilMs_ = now;
    }
    ticking_ = true;
    SetSeconds(countUp_ ? seconds_ + steps : seconds_ - steps);
    ticking_ = false;
}

void TFmTimerMain::BTminClick(QObject*)
{
    SetSeconds(seconds_ + 60);
}

void TFmTimerMain::BTsecClick(QObject*)
{
    SetSeconds(seconds_ + 1);
}

void TFmTimerMain::BTstartClick(QObject*)
{
    SetCountUp(seconds_ == 0 || countUp_);
    SetRunning(!running_);
}

void TFmTimerMain::BTresetClick(QObject*)
{
    SetRunning(false);
    SetCountUp(false);
    SetSeconds(0);
}

void TFmTimerMain::BTcloseClick(QObject*)
{
    close();
}

void TFmTimerMain::N1Click(QObject*)
{
    if (hooks_.ShowVersionInfo)
        hooks_.ShowVersionInfo(this);
    else
        ShowVersionInfo(this);
}

void TFmTimerMain::N3Click(QObject*)
{
    // An '&' in a file name is shown as it is, not taken for a mnemonic.
    for (int n = 0; n < 5; ++n)
        MnBackItem(n)->setText(QStringLiteral("&%1: ").arg(n) +
                               HistoryEntry(n).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void TFmTimerMain::MnBackResetClick(QObject*)
{
    SetBackground(QString());
}

void TFmTimerMain::MnBackOpenClick(QObject*)
{
    const QString name = hooks_.ChooseFile ? hooks_.ChooseFile(this) : ChoosePicture(this, CurrentBackgroundFile());
    if (!name.isEmpty())
        SetBackground(name);
}

void TFmTimerMain::MnBackClick(QObject* Sender)
{
    for (int n = 0; n < 5; ++n) {
        if (MnBackItem(n) == Sender) {
            SetBackground(HistoryEntry(n));
            return;
        }
    }
}

void TFmTimerMain::vlmFormFunc1DropFile(QObject*, const QString& filename)
{
    SetBackground(filename);
}

void TFmTimerMain::vlmFormFunc1CanDragMove(QObject*, int MouseX, int MouseY, bool& DragMove)
{
    DragMove = true;
    for (const TvlmGctButton* button : {BTstart, BTmin, BTsec, BTreset, BTclose}) {
        if (PointInControl(MouseX, MouseY, button))
            DragMove = false;
    }
}

bool TFmTimerMain::PointInControl(int x, int y, const QWidget* control)
{
    const QRect r = control->geometry();
    return r.left() < x && x < r.left() + r.width() && r.top() < y && y < r.top() + r.height();
}

QAction* TFmTimerMain::MnBackItem(int n) const
{
    QAction* const items[] = {MnBack0, MnBack1, MnBack2, MnBack3, MnBack4};
    return items[n];
}

QString TFmTimerMain::ProgramDir() const
{
    return hooks_.ProgramDir ? hooks_.ProgramDir() : TimerProgramDir();
}

void TFmTimerMain::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Keyboard)
        PopupFromKeyboard();
    else
        PopupMenu1->popup(event->globalPos());
}

// From the keyboard the menu opens at the focused button, else mid-window.
void TFmTimerMain::PopupFromKeyboard()
{
    if (PopupMenu1->isVisible())
        return;
    QWidget* at = focusWidget() && focusWidget() != this ? focusWidget() : this;
    PopupMenu1->popup(at->mapToGlobal(at->rect().center()));
}

// Keys reach the window itself unless a button has the focus; a focused
// button takes only Space and Return and leaves the rest to the window. A
// button's accelerator (Alt+character) is seen first by the button and never
// arrives here, so a key is never acted on twice.
void TFmTimerMain::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        PopupFromKeyboard();
        return;
    }
    if (!keys_->KeyPress(event))
        QWidget::keyPressEvent(event);
}

void TFmTimerMain::keyReleaseEvent(QKeyEvent* event)
{
    if (!keys_->KeyRelease(event))
        QWidget::keyReleaseEvent(event);
}
