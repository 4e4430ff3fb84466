#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

// Seconds from `now` until the clock next shows `time`: today, or tomorrow
// once it has passed; a part of a second counts as a whole one. 0 while
// `now` lies within `precision` seconds from `time` (the minute "17:30"
// names, or the second "17:30:15" names): that time is now.
int SecondsUntil(QTime time, const QDateTime& now, int precision = 60);

// Why a count-down to the time `text` names, `seconds` away, cannot be set:
// it is now, or further than 99:59. Empty when it can.
QString UntilRefusal(const QString& text, int seconds);
