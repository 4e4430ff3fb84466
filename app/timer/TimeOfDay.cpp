#include "TimeOfDay.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

#include "TimerLimits.h"

namespace {

// The moments (seconds since the epoch) at which the clock of now's time
// zone shows `time` on `date`: one on most days, none where the clocks go
// forward over it, two where they go back over it. Found by trying each UTC
// offset in force a day either side: no offset changes twice within a day.
std::vector<qint64> Showings(QDate date, QTime time, const QDateTime& now)
{
    const qint64 naive = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    std::vector<qint64> found;
    for (const qint64 probe : {naive - 86400, naive + 86400}) {
        QDateTime at = now; // keeps now's zone
        at.setSecsSinceEpoch(probe);
        const qint64 moment = naive - at.offsetFromUtc();
        at.setSecsSinceEpoch(moment);
        if (at.date() == date && at.time() == time && std::find(found.begin(), found.end(), moment) == found.end())
            found.push_back(moment);
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

int SecondsUntil(QTime time, const QDateTime& now, int precision)
{
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const QDate today = now.date();
    for (const QDate date : {today, today.addDays(1)}) {
        const std::vector<qint64> showings = Showings(date, time, now);
        // Skipped on the day it is next due: today's only while still ahead.
        if (showings.empty() && (date != today || time > now.time()))
            return kTimeSkipped;
        for (const qint64 moment : showings) {
            const qint64 since = nowMs - moment * 1000;
            if (since >= 0 && since < qint64(precision) * 1000)
                return 0;
            if (since < 0)
                return int((-since + 999) / 1000);
        }
    }
    return kTimeSkipped; // unreachable: tomorrow shows it, or skips it
}

QString UntilRefusal(const QString& text, int seconds)
{
    if (seconds == kTimeSkipped)
        return QCoreApplication::translate("TimeArgument", "\"%1\" does not exist tonight: the clocks go forward over it")
            .arg(text);
    if (seconds <= 0)
        return QCoreApplication::translate("TimeArgument", "\"%1\" is now").arg(text);
    if (seconds <= kTimerMaxSeconds)
        return QString();
    const QString away = QStringLiteral("%1:%2:%3")
                             .arg(seconds / 3600)
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QCoreApplication::translate("TimeArgument", "\"%1\" is %2 from now, longer than 99:59").arg(text, away);
}

QTime SuggestedUntil(const QDateTime& now)
{
    const QTime later = now.addSecs(30 * 60).time();
    return QTime(later.hour(), later.minute());
}
