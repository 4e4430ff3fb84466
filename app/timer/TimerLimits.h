#pragma once

// The longest time the timer holds, counting down or up: 99:59. The window,
// the command line and the request a later start hands over all keep to it.
inline constexpr int kTimerMaxSeconds = 99 * 60 + 59;
