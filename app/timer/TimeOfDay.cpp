#include "TimeOfDay.h"

#include <QCoreApplication>

#include "TimerLimits.h"

int SecondsUntil(QTime time, const QDateTime& now, int precision)
{
    // A copy of now keeps its time zone (the local one, or a test's).
    QDateTime at = now;
    at.setTime(time);
    const qint64 since = at.msecsTo(now);
    if (since >= 0 && since < qint64(precision) * 1000)
        return 0;
    if (since > 0)
        at.setDate(now.date().addDays(1));
    return int((now.msecsTo(at) + 999) / 1000);
}

QString UntilRefusal(const QString& text, int seconds)
{
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
