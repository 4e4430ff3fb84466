#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class TOpenTimers;
class TTimerModel;

// Every open timer at a glance and in reach, for the status icon and the
// windows' "Timers" menu: each timer's label and line, the count-down
// nearest its end, Pause all and Resume all, and which windows are hidden.
// It knows no status icon: the icon (TStatusIcon) shows what it says.
//
// A hidden window goes on counting; when its timer rings the window is
// shown again. Whether a window is hidden is kept in its timer's section
// (key HIDDEN=1), written only once a window was hidden, so a settings file
// from before reads as every window shown.
class TTimerPanel : public QObject {
public:
    static constexpr const char* kHiddenKey = "HIDDEN";

    explicit TTimerPanel(TOpenTimers& timers, QObject* parent = nullptr);
    ~TTimerPanel() override;

    // A timer as the user knows it: its name, else "Timer n" (n the number
    // of its settings section; the first timer is 1).
    QString Label(int index) const;
    // "Label  mm:ss state", the state in the user's words.
    QString Line(int index) const;

    // The count-down nearest its end (see NearestCountDown); -1 when none
    // counts down.
    int Nearest() const;
    // How much of timer `index`'s count-down is left, 0..1: its seconds
    // over the length it started with; a length not known is taken as an
    // hour.
    double LeftFraction(int index) const;
    bool AnyRinging() const;
    bool AnyCounting() const;

    // Stops every running timer that does not ring and remembers each with
    // its time; Resume all starts again only those, as long as nobody
    // started or changed them meanwhile.
    void PauseAll();
    void ResumeAll();
    bool CanResume() const;
    void StopAllAlarms();

    // Timer `index`: its window to the front with the keyboard; START or
    // STOP; Reset; while it rings, the alarm stopped and 01:00 counted down.
    void Show(int index);
    void StartStop(int index);
    void Reset(int index);
    void AddMinute(int index);

    bool Hidden(int index) const;
    bool AllShown() const;
    void HideAll();
    void ShowAll();
    // A click on the icon: every window shown, or hidden when all are shown
    // and none rings.
    void Activate();
    // The windows hidden when the program last ended: hidden again, or
    // (without a status icon to bring them back) kept no longer.
    void HideKept(bool hide);

    // A timer opened, closed, changed or renamed.
    std::function<void()> OnChanged;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow();
    void SetHidden(int index, bool hidden);
    int IndexOf(const TTimerModel* timer) const;

    TOpenTimers& timers_;
    struct TPaused {
        TTimerModel* Timer;
        int Seconds;
    };
    std::vector<TPaused> paused_;
    std::vector<TTimerModel*> followed_;
    std::vector<TTimerModel*> keptHidden_; // until HideKept
};
