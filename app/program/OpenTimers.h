#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "RecentTimes.h"
#include "SingleInstance.h"
#include "TimeArgument.h"
#include "TimerRecord.h"

class TBackImages;
class TFmTimerMain;
class TTimerAttention;
class TSoundService;
class TTimerModel;
class TvlmGlobal;
class QWidget;

// Takes up the timer kept in `section` into the window's timer, before the
// window is shown (see TimerRecord::ResumeKeptTimer), and has `attention`
// follow it. True when the record must be written again.
bool TakeUpKeptTimer(TFmTimerMain& window, TTimerAttention& attention, TvlmGlobal& global, bool resume,
                     const TTimerClocks& now, const QString& section = TimerRecord::kFirstSection);

// Every timer window of the program, first window first, and what it keeps
// in the settings. The first timer keeps the sections the program always
// had (its place in TFMTIMERMAIN, its pictures in BACK, its timer and name
// in TIMER); every other one keeps all of its keys in a section of its own,
// "TIMER-<n>" (n from 2, the lowest free one), so that the open timers are exactly the sections
// there are. Such a section is always written whole, in one replacement of
// the file.
//
// A window the user closes (its Quit button, the menu, Alt+F4) is forgotten
// with its section; when it was the first, the next one takes the first's
// sections. The program ends with the last window (OnLastClosed); Ctrl+Q
// closes them all (QuitAll). Anything else that ends the program (logout,
// a signal, a crash) keeps every timer for the next start.
//
// The count-down lengths last started, over all timers, are kept in a
// section of their own, "RECENT" (keys time0..time4, seconds, newest first),
// written whole whenever they change.
class TOpenTimers : public QObject {
public:
    static constexpr int kMaxTimers = 16;
    // How far a new window is moved from the one it came from.
    static constexpr int kCascadePx = 32;
    // How often a closed window whose dialog is still open is looked at.
    static constexpr int kDialogPollMs = 200;

    TOpenTimers(TvlmGlobal& global, TTimerAttention& attention,
                std::function<TTimerClocks()> clocks = &TTimerClocks::Now);
    // Writes every kept timer's section and the first timer's sections, in
    // one replacement of the settings file.
    ~TOpenTimers() override;
    TOpenTimers(const TOpenTimers&) = delete;
    TOpenTimers& operator=(const TOpenTimers&) = delete;

    // The first window, with the timer kept in TIMER (unless `resume` is
    // false: a time on the command line wins), not yet shown.
    TFmTimerMain& OpenFirst(bool resume);
    // The other kept timers' windows, shown (after the first one's first frame).
    void OpenKept();
    // A new timer beside `from` (or the first window) with its picture,
    // shown; null when kMaxTimers are open (the user is told when `tell`).
    TFmTimerMain* New(TFmTimerMain* from, const QString& name = QString(), bool tell = true);
    // Ctrl+Q: every window closes, every timer is forgotten.
    void QuitAll();

    int Count() const { return int(timers_.size()); }
    TFmTimerMain& Window(int index) const;
    TTimerModel& Timer(int index) const;
    // The window of the timer named `name` (letter case ignored), or of an
    // unnamed one --status calls so ("Timer 2"); null if none.
    TFmTimerMain* Find(const QString& name) const;
    // The section timer `index` keeps its own keys in ("TIMER" for the first).
    QString Section(int index) const;
    // True once the user closed every window (the last one, or Ctrl+Q).
    bool UserClosedAll() const { return userClosedAll_; }

    // The answer to a later start's request. A result the settings file
    // could not take (a full disk) is refused with the reason, though done.
    TInstanceAnswer Answer(const TStartRequest& request);

    // The last window closed: the program ends.
    std::function<void()> OnLastClosed;
    // A timer opened or was forgotten.
    std::function<void()> OnListChanged;
    // The windows' "Timers" menu: the timers other than `from` (see
    // TTimerMainHooks::OtherTimers); empty: not offered.
    std::function<std::vector<std::pair<QString, std::function<void()>>>(TFmTimerMain& from)> OtherTimers;
    // Tells the user something went wrong: by default in a message box
    // of the window `from`, without one on standard error.
    std::function<void(TFmTimerMain* from, const QString& message)> Tell;
    // The acts on every timer of a later start (--pause-all, --resume-all,
    // --show-all); unset, they are not done.
    std::function<void(TTimerAct act)> ActOnAll;
    // Timer `index` as the user knows it: its name, else "Timer n" (the
    // first timer is 1).
    QString Label(int index) const;
    // Brings a window to the front (tests record the order).
    std::function<void(QWidget& window)> RaiseWindow;

    // The sections of kept timers other than the first, in their order.
    static QStringList KeptSections(const QStringList& sections);
    // The section of the recent count-down lengths.
    static constexpr const char* kRecentSection = "RECENT";
    const TRecentTimes& Recent() const { return recent_; }

private:
    struct TOpenTimer;
    TOpenTimer& Make(const QString& section, const TBackImages* pictureFrom);
    void Closed(TFmTimerMain& window);
    void Forget(int index);
    void DeleteWhenFree(TOpenTimer* timer);
    // The timer's section (or the first timer's sections) in one write.
    void WriteRecord(TOpenTimer& timer, const TTimerRecord& record);
    void KeepPlace(TOpenTimer& timer);
    void Record(TOpenTimer& timer, bool writeNow);
    static QString TooManyText();
    static QString NameTakenText(const QString& name);
    void RaiseForAlarm(TFmTimerMain& ringing);
    bool PlaceTaken(const QPoint& at) const;
    QString NextSection() const;
    TInstanceAnswer AnswerNow(const TStartRequest& request);
    bool Act(TFmTimerMain& target, TTimerAct act);
    TTimerFacts Facts(int index) const;
    QPoint CascadeFrom(const TFmTimerMain& from, const QSize& size) const;
    int IndexOf(const TFmTimerMain& window) const;
    void RememberCountDown(int seconds);

    TvlmGlobal& global_;
    TTimerAttention& attention_;
    std::function<TTimerClocks()> clocks_;
    std::vector<TOpenTimer*> timers_; // owned; deleted later when closed
    std::unique_ptr<TSoundService> sound_; // every timer's alarm, each on a channel of its own
    int nextChannel_ = 0;
    bool userClosedAll_ = false;
    bool quitAll_ = false;
    TRecentTimes recent_;
};
