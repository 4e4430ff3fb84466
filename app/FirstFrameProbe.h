#pragma once

#include <QObject>

// For the start-up benchmark: with POCOSA_FIRST_FRAME set in the
// environment, prints "first-frame <CLOCK_MONOTONIC ns>" on standard output
// when the watched window paints for the first time, then removes itself.
// Without the variable nothing is installed.
void WatchFirstFrame(QObject* window);
