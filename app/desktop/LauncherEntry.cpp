#include "LauncherEntry.h"

#include <algorithm>
#include <utility>

TLauncherState TCountDownProgress::Follow(int seconds, bool running, bool countUp)
{
    const bool countingDown = running && !countUp;
    if (countingDown) {
        if (length_ == 0)
            lengthKnown_ = true; // a new count-down starts here
        length_ = std::max(length_, seconds);
    } else if (seconds == 0 || seconds != seconds_) {
        length_ = 0; // the next START is a new count-down unless paused with the time untouched
    }
    seconds_ = seconds;

    TLauncherState state;
    state.Urgent = countingDown && seconds == 0;
    state.ProgressVisible = countingDown || seconds < length_; // paused mid-way
    if (state.ProgressVisible)
        state.Progress = length_ > 0 ? double(length_ - seconds) / length_ : 1.0;
    return state;
}

TLauncherEntry::TLauncherEntry(TSend send) : send_(std::move(send)) {}

void TLauncherEntry::Send(const TLauncherState& state)
{
    if (state == sent_)
        return;
    sent_ = state;
    send_(state);
}
