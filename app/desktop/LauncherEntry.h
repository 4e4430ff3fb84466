#pragma once

#include <functional>

// What the task bar or dock shows on the program's launcher.
struct TLauncherState {
    double Progress = 0;          // elapsed share of the count-down, 0..1
    bool ProgressVisible = false; // a count-down is under way
    bool Urgent = false;          // the alarm rings
    bool operator==(const TLauncherState&) const = default;
};

// Works out the launcher state from the timer's state as it changes. The
// count-down's length is its time when it was started: STOP and START again
// keep it; a time set while stopped (minutes, seconds, reset, command line)
// makes the next START a new count-down. A count-down stopped at its start
// time, a count-up and a timer stopped at 00:00 show no progress.
class TCountDownProgress {
public:
    TLauncherState Follow(int seconds, bool running, bool countUp);
    // The count-down's length; 0 when none is under way or it was taken up.
    int Length() const { return lengthKnown_ ? length_ : 0; }
    // The count-down under way was taken up from an earlier run: its length
    // is not known (what is left of it is not).
    void TakenUp() { lengthKnown_ = false; }

private:
    int length_ = 0; // 0: no count-down under way
    int seconds_ = 0;
    bool lengthKnown_ = false;
};

// The launcher's progress and urgency through the com.canonical.Unity
// LauncherEntry signal, which KDE Plasma's task manager, Dash to Dock and
// Plank read. A state goes to the bus only when it differs from the one sent
// last (the program's TSend posts it to the bus thread of TAttentionBus).
class TLauncherEntry {
public:
    using TSend = std::function<void(const TLauncherState&)>;
    static constexpr const char* kPath = "/org/velmora/Pocosa/LauncherEntry";
    static constexpr const char* kInterface = "com.canonical.Unity.LauncherEntry";
    // The desktop entry's file name.
    static constexpr const char* kAppUri = "application://org.velmora.Pocosa.desktop";

    explicit TLauncherEntry(TSend send);

    // Sends the state unless it is the one sent last.
    void Send(const TLauncherState& state);
    // The state sent last.
    TLauncherState Sent() const { return sent_; }

private:
    TSend send_;
    TLauncherState sent_; // docks take an entry they have not heard of as this
};
