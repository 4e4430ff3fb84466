#include "UnitFmTimerMain.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QAccessible>
#include <QKeyEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "FileName.h"
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
    model_ = hooks_.Model ? hooks_.Model : new TTimerModel(*hooks_.Clock, this);
    // Before any control exists: an accessibility event sent while building
    // would otherwise give a control Qt's plain interface for good.
    InstallButtonAccessibility();
    InstallTimerAccessibility();
    BuildControls();
    BuildMenu();
    BuildTimersMenu();
    BuildFormFunc();
    keys_ = new TTimerKeys(*this);
    keyboardMove_ = new TKeyboardMove(*this);
    moved_ = new QTimer(this);
    moved_->setSingleShot(true);
    moved_->setInterval(kMoveRestMs);
    connect(moved_, &QTimer::timeout, this, [this] {
        if (hooks_.Changed)
            hooks_.Changed(*this);
    });
    connect(model_, &TTimerModel::Changed, this, &TFmTimerMain::ModelChanged);
    connect(model_, &TTimerModel::AlarmStep, this, &TFmTimerMain::AlarmStep);
    connect(model_, &TTimerModel::CountDownStarted, this, [this](int seconds) {
        if (hooks_.CountDownStarted)
            hooks_.CountDownStarted(seconds);
    });
    connect(model_, &TTimerModel::Warned, this, &TFmTimerMain::Warned);
    connect(model_, &TTimerModel::RoundBegun, this, &TFmTimerMain::RoundBegun);
    connect(model_, &TTimerModel::NameChanged, this, [this] {
        shownOutside_.reset();
        ShowTimeOutside();
    });
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
    ModelChanged();
    vlmFormFunc1->RestorePlacement();
    ApplyStartBackground();
    // The picture gave the window its size: all of it on a screen.
    vlmFormFunc1->KeepWholeOnScreen();
}

void TFmTimerMain::FormDestroy(QObject*) {}

// Every change of the timer: the buttons, the digits, the title and what
// screen readers are told.
void TFmTimerMain::ModelChanged()
{
    DropNotice();
    const bool running = model_->Running();
    BTstart->SetCaption(running ? QStringLiteral("STOP") : QStringLiteral("START"));
    // Set only when it changes: Qt tells screen readers of every setting.
    const QString startName = running ? QCoreApplication::translate("TFmTimerMain", "ストップ")
                                      : QCoreApplication::translate("TFmTimerMain", "スタート");
    if (BTstart->accessibleName() != startName)
        BTstart->setAccessibleName(startName);
    for (TvlmGctButton* button : {BTmin, BTsec})
        button->setEnabled(!running);
    BTreset->setEnabled(!running || model_->AlarmReached());
    LbCountUp->setVisible(model_->CountUp());
    ShowRound();
    // A long sound ends with the alarm.
    if (ringing_ && !model_->Ringing())
        hooks_.Sound->Stop(hooks_.SoundChannel);
    ringing_ = model_->Ringing();
    ShowTime();
}

bool TFmTimerMain::DigitsVisible() const
{
    if (!model_->Running() || model_->Seconds() != 0)
        return true;
    // Blink phase from a 32-bit millisecond counter: shown in even seconds.
    const auto ticks = static_cast<std::uint32_t>(model_->Clock().Milliseconds());
    return (ticks / 1000) % 2 == 0;
}

void TFmTimerMain::ShowTime()
{
    const auto twoDigits = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    const QString m = twoDigits(model_->Seconds() / 60);
    const QString s = twoDigits(model_->Seconds() % 60);
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
    const int seconds = model_->Seconds();
    const bool running = model_->Running();
    const bool countUp = model_->CountUp();
    const TShownOutside shown{seconds, running, countUp, model_->RoundText()};
    if (shownOutside_ == shown)
        return;
    shownOutside_ = shown;
    const std::optional<TShownOutside> before = told_;
    told_ = shown;
    const QString title = TTimerReadout::Title(seconds, running, notice_, model_->Label(), model_->RoundText());
    if (title != windowTitle())
        setWindowTitle(title);
    // The title ticks; screen readers get a name that changes once a minute.
    const QString frame = FrameName(seconds, running, countUp, model_->Label());
    if (frame != accessibleName())
        setAccessibleName(frame);
    const TTimerPhase phase = TTimerReadout::Phase(seconds, running, countUp);
    const QString spoken = TTimerReadout::Named(model_->Label(), TTimerReadout::Spoken(seconds, phase, countUp));
    const QString time = TTimerReadout::Clock(seconds);
    if (time != TimeText->accessibleName())
        TimeText->setAccessibleName(time);
    if (spoken != TimeText->accessibleDescription())
        TimeText->setAccessibleDescription(spoken);
    if (!before || *before == shown)
        return; // the window's first showing, or only the notice changed
    if (phase == TTimerPhase::Alarm) {
        // Told once: by the notification where one shows, else here.
        if (TTimerReadout::Phase(before->Seconds, before->Running, before->CountUp) != TTimerPhase::Alarm &&
            !hooks_.NotificationTellsAlarm)
            AlarmSpeaker->Say(spoken);
    } else if (!model_->Ticking() || (before->Running && TickTold(before->Seconds, seconds, countUp) && KeyboardHere())) {
        // A running timer's marks are not spoken over another program.
        Speaker->Say(spoken);
    }
}

void TFmTimerMain::TellAlarm()
{
    if (model_->Ringing())
        AlarmSpeaker->Say(TTimerReadout::Named(
            model_->Name(), TTimerReadout::Spoken(model_->Seconds(), TTimerPhase::Alarm, model_->CountUp())));
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

void TFmTimerMain::SetCountUp(bool up)
{
    model_->SetCountUp(up);
    LbCountUp->setVisible(up);
}

void TFmTimerMain::AlarmStep(bool sound)
{
    // Above the other windows, but the keyboard stays where the user put it:
    // keys typed into another program while the alarm rings must not stop
    // or restart the timer. The window is marked urgent once the alarm
    // begins (TTimerAttention).
    if (hooks_.RaiseForAlarm)
        hooks_.RaiseForAlarm(*this);
    else
        raise();
    if (!sound)
        return;
    const int channel = hooks_.SoundChannel;
    const QString own = model_->SoundFile();
    QString why;
    const bool played = !own.isEmpty() && hooks_.Sound->Play(own, model_->Volume(), channel, &why);
    // At every sound step, for the alarm's notification: the file may go while it rings.
    model_->SetSoundProblem(
        own.isEmpty() || played
            ? QString()
            : QCoreApplication::translate("TFmTimerMain", "音 \"%1\" を鳴らせません (%2)。代わりに timer.wav を鳴らします。")
                  .arg(FileName::Shown(own), why));
    if (played)
        return;
    if (!own.isEmpty() && soundTold_ != own) {
        // Told once for each sound chosen; the alarm goes on with the program's.
        soundTold_ = own;
        const QString line = QCoreApplication::translate("TFmTimerMain", "音 \"%1\" を鳴らせません (%2)。timer.wav を鳴らします")
                                 .arg(FileName::Shown(own), why);
        std::fprintf(stderr, "pocosa: %s\n", line.toLocal8Bit().constData());
    }
    const QString path = DefaultSoundFile();
    if (QFileInfo(path).isFile())
        hooks_.Sound->Play(path, model_->Volume(), channel);
}

QString TFmTimerMain::DefaultSoundFile() const
{
    return ProgramDir() + QStringLiteral("/timer.wav");
}

QString TFmTimerMain::AlarmSoundFile() const
{
    return model_->SoundFile().isEmpty() ? DefaultSoundFile() : model_->SoundFile();
}

void TFmTimerMain::ResumeRunning(int seconds, bool countUp, int nextSecondMs)
{
    model_->ResumeRunning(seconds, countUp, nextSecondMs);
    LbCountUp->setVisible(countUp);
}

void TFmTimerMain::BTminClick(QObject*)
{
    model_->AddMinute();
}

void TFmTimerMain::BTsecClick(QObject*)
{
    model_->AddSecond();
}

void TFmTimerMain::BTstartClick(QObject*)
{
    model_->StartStop();
}

void TFmTimerMain::StartCountDown(int seconds, bool recent)
{
    model_->StartLength(seconds, recent);
}

void TFmTimerMain::BTresetClick(QObject*)
{
    model_->Reset();
}

void TFmTimerMain::BTcloseClick(QObject*)
{
    close();
}

void TFmTimerMain::CloseWithoutAsking()
{
    closeAgreed_ = true;
    close();
    closeAgreed_ = false;
}

void TFmTimerMain::QuitAllClick(QObject*)
{
    const QStringList counting = hooks_.CountingTimers ? hooks_.CountingTimers()
                                 : Counting()           ? QStringList{CountingText()}
                                                        : QStringList();
    const auto quit = [this] {
        closeAgreed_ = true;
        if (hooks_.QuitAll)
            hooks_.QuitAll();
        else
            close();
        closeAgreed_ = false;
    };
    if (counting.isEmpty())
        quit();
    else
        AskClose(QCoreApplication::translate("TFmTimerMain", "まだ動いているタイマーがあります: %1。すべて閉じますか?")
                     .arg(counting.join(QStringLiteral(", "))),
                 quit);
}

void TFmTimerMain::MnNewClick(QObject*)
{
    if (hooks_.NewTimer)
        hooks_.NewTimer(*this);
}

void TFmTimerMain::MnMoveClick(QObject*)
{
    keyboardMove_->Start();
    Speaker->Say(QCoreApplication::translate("TFmTimerMain",
                                             "移動: 矢印キーで動かし (Shift で 10 ピクセル)、Enter で決定、Esc で元の場所へ"));
}

void TFmTimerMain::MnRecentShow(QObject*)
{
    const QList<int> times = hooks_.RecentTimes ? hooks_.RecentTimes() : QList<int>();
    for (int n = 0; n < 5; ++n) {
        MnRecentItem(n)->setVisible(n < times.size());
        if (n < times.size())
            MnRecentItem(n)->setText(TTimerReadout::Clock(times[n]));
    }
    MnRecent->menuAction()->setEnabled(!times.isEmpty());
}

void TFmTimerMain::MnRecentClick(QObject* Sender)
{
    const QList<int> times = hooks_.RecentTimes ? hooks_.RecentTimes() : QList<int>();
    for (int n = 0; n < times.size() && n < 5; ++n) {
        if (MnRecentItem(n) == Sender) {
            StartCountDown(times[n]);
            return;
        }
    }
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
    // An empty place has nothing to show: it cannot be chosen.
    for (int n = 0; n < 5; ++n) {
        const QString entry = HistoryEntry(n);
        MnBackItem(n)->setText(QStringLiteral("&%1: ").arg(n) +
                               QString(entry).replace(QLatin1Char('&'), QStringLiteral("&&")));
        MnBackItem(n)->setEnabled(!entry.isEmpty());
    }
}

void TFmTimerMain::MnBackResetClick(QObject*)
{
    SetBackground(QString());
}

void TFmTimerMain::MnBackOpenClick(QObject*)
{
    if (!hooks_.ChooseFile) {
        QFileDialog* dialog = ChoosePicture(this, CurrentBackgroundFile());
        OpenDialog(dialog, [this, dialog](int result) {
            const QString name = result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
            if (!name.isEmpty())
                SetBackground(name);
        });
        return;
    }
    ++dialogs_;
    const QString name = hooks_.ChooseFile(this);
    --dialogs_;
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

QAction* TFmTimerMain::MnRecentItem(int n) const
{
    QAction* const items[] = {MnRecent0, MnRecent1, MnRecent2, MnRecent3, MnRecent4};
    return items[n];
}

bool TFmTimerMain::KeyboardHere() const
{
    return hooks_.KeyboardHere ? hooks_.KeyboardHere()
                               : QGuiApplication::applicationState() == Qt::ApplicationActive;
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
    // Its first item is current, as in a menu bar, so that screen readers
    // read it; chosen as the Down key would, without opening its submenu.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(PopupMenu1, &down);
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

void TFmTimerMain::closeEvent(QCloseEvent* event)
{
    // Closed, a counting timer is forgotten with its time: asked first, by
    // the Quit button, the menu and Alt+F4 alike. The session's end and
    // signals end the program without closing its windows.
    if (Counting() && !closeAgreed_) {
        event->ignore();
        AskClose(CloseQuestion(), [this] { CloseWithoutAsking(); });
        return;
    }
    QWidget::closeEvent(event);
    if (event->isAccepted() && hooks_.Closed)
        hooks_.Closed(*this);
}

void TFmTimerMain::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Written once the window rests, not at every step of a drag.
    if (isVisible())
        moved_->start();
}
