#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

// SecondsUntil's answer when the clock skips `time` on the night it is next
// due (the clocks go forward over it): there is no such moment.
inline constexpr int kTimeSkipped = -1;

// Real seconds from `now` until the clock (in now's time zone) next shows
// `time`: today, or tomorrow once it has passed; a part of a second counts
// as a whole one. Where the clocks go back and a time is shown twice, the
// next showing counts. 0 while `now` lies within `precision` seconds from
// `time` (the minute "17:30" names, or the second "17:30:15" names): that
// time is now. kTimeSkipped when the next day that shows it has no such time.
int SecondsUntil(QTime time, const QDateTime& now, int precision = 60);

// Why a count-down to the time `text` names, `seconds` away, cannot be set:
// it is now, further than 99:59, or skipped tonight. Empty when it can.
QString UntilRefusal(const QString& text, int seconds);

// The time of day a count-down dialog suggests: half an hour on from `now`
// in real time, on the minute, so it is never a time the clock skips.
QTime SuggestedUntil(const QDateTime& now);
