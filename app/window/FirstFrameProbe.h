#pragma once

#include <QObject>

#include <functional>

// For the start-up benchmark: with POCOSA_FIRST_FRAME set in the
// environment, prints "first-frame <CLOCK_MONOTONIC ns>" on standard output
// when the watched window paints for the first time, then removes itself.
// Without the variable nothing is installed.
void WatchFirstFrame(QObject* window);

// Calls `then` once, right after the window's first paint (or after a
// second, for a window that is not painted, e.g. minimised).
void AfterFirstFrame(QObject* window, std::function<void()> then);
