#pragma once

#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "TimerLimits.h"
#include "TimerModel.h"
#include "TimerServices.h"

class QAction;
class QDialog;
class QFileDialog;
class QLabel;
class QMenu;
class QMessageBox;
class QTimer;
class TBackImages;
class TFmTimerMain;
class TKeyboardMove;
class TTimerKeys;
class TTimerSpeaker;
class TvlmFormFunc;
class TvlmGctButton;

// What the timer window asks of the rest of the program. Every member may be
// left empty; the window then uses the program's own service.
struct TTimerMainHooks {
    TTickClock* Clock = nullptr;   // not owned; empty: the boot clock
    TSoundService* Sound = nullptr; // not owned; empty: a sound module of its own
    std::function<QString()> ProgramDir;
    // Background history entry n (0..4); empty text for an empty place.
    std::function<QString(int n)> HistoryEntry;
    // The background to show at start: empty for the built-in picture.
    std::function<QString()> CurrentBackground;
    // Applies a background picture; an empty name means the built-in one.
    std::function<void(const QString& name)> SetBackground;
    // The file-open dialog; an empty result means cancelled.
    std::function<QString(QWidget* parent)> ChooseFile;
    std::function<void(QWidget* parent)> ShowVersionInfo;
    // The timer the window shows (not owned); empty: one of its own.
    TTimerModel* Model = nullptr;
    // The background history of this window (not owned); empty: the program's.
    TBackImages* Backgrounds = nullptr;
    // The settings section of the window's place; empty: the class's own.
    QString PlacementSection;
    // "New timer": another timer beside this one; empty: not offered.
    std::function<void(TFmTimerMain& from)> NewTimer;
    // Ctrl+Q: every timer window closes; empty: this one.
    std::function<void()> QuitAll;
    // The window's place (once it rests) or picture changed.
    std::function<void(TFmTimerMain& window)> Changed;
    // The channel of the sound service the window's alarm plays on (one per timer).
    int SoundChannel = 0;
    // The alarm sound dialog: the file and volume chosen; false when cancelled.
    std::function<bool(TFmTimerMain& window, QString* file, int* volume)> AskSound;
    // The user closed the window (its Quit button, the menu, Alt+F4).
    std::function<void(TFmTimerMain& window)> Closed;
    // The name dialog; empty result with ok false means cancelled.
    std::function<QString(QWidget* parent, const QString& current, bool* ok)> AskName;
    // Why the window's timer may not take `name` (another open timer has
    // it); empty when it may.
    std::function<QString(const TFmTimerMain& window, const QString& name)> NameRefusal;
    // Ctrl+Q: the timers of every window that count, as "Tea 04:12"; empty:
    // this one's.
    std::function<QStringList()> CountingTimers;
    // A ringing timer comes to the front (at every alarm step); empty: it is
    // raised.
    std::function<void(TFmTimerMain& window)> RaiseForAlarm;
    // The "count down to" dialog: the seconds until the time of day chosen
    // (1..99:59); empty when cancelled.
    std::function<std::optional<int>(QWidget* parent)> AskUntil;
    // The count-down lengths last started over all timers, newest first;
    // empty: none are kept.
    std::function<QList<int>()> RecentTimes;
    // START began a count-down of `seconds` (not a count-up, not one
    // resumed after STOP): the model's CountDownStarted, for tests.
    std::function<void(int seconds)> CountDownStarted;
    // Whether one of the program's windows has the keyboard; empty: the
    // application's state says.
    std::function<bool()> KeyboardHere;
    // The alarm is told by a notification, and TellAlarm is called where
    // none could be shown; false or empty: the window tells it at once.
    bool NotificationTellsAlarm = false;
    // The other open timers, for the "Timers" menu: each one's line and
    // what brings it to the front; empty: the menu is not offered.
    std::function<std::vector<std::pair<QString, std::function<void()>>>(TFmTimerMain& from)> OtherTimers;
};

// The kitchen timer's main window: minutes and seconds in four digit labels,
// five buttons, a one-second tick and the context menu. The seconds value is
// kept in 0..5999 (99:59).
class TFmTimerMain : public QWidget {
public:
    static constexpr int kMaxSeconds = TTimerModel::kMaxSeconds;
    static constexpr int kTickMs = TTimerModel::kTickMs;
    static constexpr int kAlarmSoundSteps = TTimerModel::kAlarmSoundSteps;
    // A window that has not moved for this long has come to rest.
    static constexpr int kMoveRestMs = 1000;

    explicit TFmTimerMain(TTimerMainHooks hooks = {}, QWidget* parent = nullptr);
    ~TFmTimerMain() override;

    // The timer shown: its state, tick and alarm live there.
    TTimerModel& Model() const { return *model_; }
    int Seconds() const { return model_->Seconds(); }
    bool Running() const { return model_->Running(); }
    bool CountUp() const { return model_->CountUp(); }
    int AlarmCountdown() const { return model_->AlarmCountdown(); }

    void SetSeconds(int value) { model_->SetSeconds(value); }
    void ShowTime();
    void SetRunning(bool running) { model_->SetRunning(running); }
    void SetCountUp(bool up);
    // Takes up a running timer kept from an earlier run: the seconds value
    // shown now and the time until its next second falls due (1..1000 ms).
    void ResumeRunning(int seconds, bool countUp, int nextSecondMs);
    // A line the title shows instead of the time until the timer next
    // changes or is reset (a count-down that ended while the program was
    // not running).
    void ShowNotice(const QString& text);
    // Tells a screen reader that the alarm rings (its notification could not
    // be shown); nothing when the timer does not ring.
    void TellAlarm();
    // Milliseconds of the current second already passed (0..999); 0 when stopped.
    int MillisecondsIntoSecond() const { return model_->MillisecondsIntoSecond(); }
    // The background history of this window (may be null in tests).
    TBackImages* Backgrounds() const;
    // True while one of the window's dialogs is open: it ends with a
    // handler of the window, and the window must not be deleted meanwhile.
    bool InDialog() const { return dialogs_ > 0; }
    // Counting down or up (not ringing): closing it asks first.
    bool Counting() const { return model_->Running() && !model_->Ringing(); }
    // "Tea 04:12": what a question about the counting timer names.
    QString CountingText() const;
    // A message in a box that locks this window only.
    void Tell(const QString& message);
    // A dialog's title naming the window's timer: "Name – Tea"; the title
    // alone while the timer has no Label.
    QString DialogTitle(const QString& what) const;

    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void BTminClick(QObject* Sender);
    void BTsecClick(QObject* Sender);
    void BTstartClick(QObject* Sender);
    void BTresetClick(QObject* Sender);
    void BTcloseClick(QObject* Sender);
    // As Quit, but a counting timer closes without the question (a script
    // asked for it).
    void CloseWithoutAsking();
    void Timer1Timer() { model_->Tick(); }
    // Ctrl+Q: every timer window closes.
    void QuitAllClick(QObject* Sender);
    void MnNewClick(QObject* Sender);
    void MnNameClick(QObject* Sender);
    void MnSoundClick(QObject* Sender);
    // The sound the alarm plays: the timer's own, or timer.wav.
    QString AlarmSoundFile() const;
    QString DefaultSoundFile() const;
    void MnUntilClick(QObject* Sender);
    // "Move": the window follows the arrow keys (TKeyboardMove).
    void MnMoveClick(QObject* Sender);
    TKeyboardMove* KeyboardMove() const { return keyboardMove_; }
    void MnRecentShow(QObject* Sender);
    void MnRecentClick(QObject* Sender);
    // "Warn before": the choices of the timer's warning, the one set checked.
    void MnWarnShow(QObject* Sender);
    void MnWarnClick(QObject* Sender);
    // "Repeat": how many rounds a count-down runs, the one set checked.
    void MnRepeatShow(QObject* Sender);
    void MnRepeatClick(QObject* Sender);
    void N1Click(QObject* Sender);
    void N3Click(QObject* Sender);
    void MnBackResetClick(QObject* Sender);
    void MnBackOpenClick(QObject* Sender);
    void MnBackClick(QObject* Sender);
    void vlmFormFunc1DropFile(QObject* Sender, const QString& filename);
    void vlmFormFunc1CanDragMove(QObject* Sender, int MouseX, int MouseY, bool& DragMove);
    // Strict on all four sides: the leftmost column and top row of the
    // control are outside, its rightmost column and bottom row inside.
    static bool PointInControl(int x, int y, const QWidget* control);
    // The background file dialog, not yet shown: pictures first, then all
    // files, opened in the folder of `currentFile`, else in the user's
    // Pictures folder.
    static QFileDialog* ChoosePicture(QWidget* parent, const QString& currentFile);
    // The name dialog, not yet shown: the current name to edit, at most the
    // model's longest name. OK hands the name to `take`, which answers why
    // it is refused (the dialog stays open and says so) or empty.
    static QDialog* AskName(QWidget* parent, const QString& current,
                            std::function<QString(const QString& name)> take);
    int SoundChannel() const { return hooks_.SoundChannel; }
    // The "count down to" dialog, not yet shown: a time of day in the
    // user's locale; OK hands the seconds until then to `take`, a time that
    // is now or more than 99:59 away is refused in the dialog.
    static QDialog* AskUntil(QWidget* parent, std::function<void(int seconds)> take);
    // The repeat's count dialog, not yet shown: 2..99 rounds, `current` first.
    static QDialog* AskRepeat(QWidget* parent, int current, std::function<void(int rounds)> take);

    // The clock the window counts on (see TTimerMainHooks::Clock).
    TTickClock& Clock() const { return model_->Clock(); }
    // Where the window's sound is played (see TTimerMainHooks::Sound).
    TSoundService& Sound() const { return *hooks_.Sound; }

    TvlmGctButton* BTmin = nullptr;
    TvlmGctButton* BTsec = nullptr;
    TvlmGctButton* BTstart = nullptr;
    TvlmGctButton* BTreset = nullptr;
    TvlmGctButton* BTclose = nullptr;
    QLabel* LBmin0 = nullptr;
    QLabel* LBmin1 = nullptr;
    QLabel* LBcnt = nullptr;
    QLabel* LBsec0 = nullptr;
    QLabel* LBsec1 = nullptr;
    QLabel* LbCountUp = nullptr;
    QLabel* LbRound = nullptr; // a repeat's round, "2/5"
    // The time as screen readers get it: one text "mm:ss" over the digits,
    // with the spoken words as its description (the digits are left out).
    QWidget* TimeText = nullptr;
    // Says what the user changed, a running count-down's marks (a screen
    // reader is not told every second) and, as an alert, the alarm.
    TTimerSpeaker* Speaker = nullptr;
    TTimerSpeaker* AlarmSpeaker = nullptr;
    TvlmFormFunc* vlmFormFunc1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* N3 = nullptr;
    QAction* MnBackReset = nullptr;
    QAction* MnBackOpen = nullptr;
    QAction* N7 = nullptr;
    QAction* MnBack0 = nullptr;
    QAction* MnBack1 = nullptr;
    QAction* MnBack2 = nullptr;
    QAction* MnBack3 = nullptr;
    QAction* MnBack4 = nullptr;
    QAction* MnNew = nullptr;
    QAction* MnName = nullptr;
    QAction* MnSound = nullptr;
    QAction* MnUntil = nullptr;
    QAction* MnMove = nullptr;
    QMenu* MnRecent = nullptr;
    QMenu* MnTimers = nullptr; // the other open timers
    void MnTimersShow();
    QAction* MnRecent0 = nullptr;
    QAction* MnRecent1 = nullptr;
    QAction* MnRecent2 = nullptr;
    QAction* MnRecent3 = nullptr;
    QAction* MnRecent4 = nullptr;
    QMenu* MnWarn = nullptr;
    QMenu* MnRepeat = nullptr;
    QAction* N4 = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void BuildFormFunc();
    void BuildTimersMenu();
    void ModelChanged();
    void AlarmStep(bool sound);
    void Warned();
    void RoundBegun(int ended);
    void ShowRound();
    void ApplyStartBackground();
    QAction* MnBackItem(int n) const;
    QAction* MnRecentItem(int n) const;
    // Stops the timer, sets `seconds` and starts the count-down.
    void StartCountDown(int seconds, bool recent = true);
    void SetBackground(const QString& name);
    QString HistoryEntry(int n) const;
    QString CurrentBackground() const;
    QString CurrentBackgroundFile() const;
    QString ProgramDir() const;
    bool KeyboardHere() const;
    bool DigitsVisible() const;
    void ShowTimeOutside();
    void DropNotice();
    void PopupFromKeyboard();
    // Opens `dialog` (a child of this window) modal to this window only and
    // titled for its timer; `done` gets its result once it closes.
    void OpenDialog(QDialog* dialog, std::function<void(int result)> done = {});
    // Asks before `close` closes counting timers: Close or Cancel, Cancel
    // the default. One question at a time.
    void AskClose(const QString& question, std::function<void()> close);
    // "Tea is counting down (04:12). Close it?"
    QString CloseQuestion() const;

    TTimerMainHooks hooks_;
    std::unique_ptr<TTickClock> ownClock_;
    std::unique_ptr<TSoundService> ownSound_;
    TTimerKeys* keys_ = nullptr; // owned as a child object
    TKeyboardMove* keyboardMove_ = nullptr; // owned as a child object
    TTimerModel* model_ = nullptr; // a child object when the window's own
    int dialogs_ = 0;              // dialogs open, see InDialog
    QTimer* moved_ = nullptr;      // a move comes to rest
    bool ringing_ = false;         // the alarm rang at the last change
    QString soundTold_;            // the sound the user was told could not be played
    bool closeAgreed_ = false;     // the user agreed to close a counting timer
    QPointer<QMessageBox> closeQuestion_;

    // The time and state the title and the spoken words were last made for.
    struct TShownOutside {
        int Seconds;
        bool Running;
        bool CountUp;
        QString Round;
        bool operator==(const TShownOutside&) const = default;
    };
    std::optional<TShownOutside> shownOutside_;
    QString notice_;
    std::optional<TShownOutside> told_; // what screen readers were last told of
    // The keyboard's mark along the window's outline, made for this shape.
    QRegion ringShape_;
    QRegion ringOuter_;
    QRegion ringInner_;
};
