#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The count-down lengths the user last started, newest first: at most
// kMax, each once, each 00:01..99:59. The program keeps one list for all
// its timers (in the settings, one key each, "time0" newest).
class TRecentTimes {
public:
    static constexpr int kMax = 5;

    // The list as kept: seconds as decimal numbers, newest first. What is
    // not a length (not a number, 0, longer than 99:59) or repeats an
    // earlier one is left out, and what lies beyond kMax.
    static TRecentTimes FromTexts(const QStringList& texts);
    // kMax texts, newest first, empty where the list has no more.
    QStringList Texts() const;

    // A count-down of `seconds` started: it comes first (from its old
    // place, if it was there), the oldest beyond kMax goes. False when the
    // list stays as it was (already first, or not a length).
    bool Push(int seconds);

    const QList<int>& Times() const { return times_; }

private:
    QList<int> times_;
};
