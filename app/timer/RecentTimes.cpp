#include "RecentTimes.h"

#include "TimerLimits.h"

namespace {

bool IsLength(int seconds)
{
    return seconds > 0 && seconds <= kTimerMaxSeconds;
}

} // namespace

TRecentTimes TRecentTimes::FromTexts(const QStringList& texts)
{
    TRecentTimes recent;
    for (const QString& text : texts) {
        bool ok = false;
        const int seconds = text.trimmed().toInt(&ok);
        if (ok && IsLength(seconds) && !recent.times_.contains(seconds) && recent.times_.size() < kMax)
            recent.times_.append(seconds);
    }
    return recent;
}

QStringList TRecentTimes::Texts() const
{
    QStringList texts;
    for (int n = 0; n < kMax; ++n)
        texts << (n < times_.size() ? QString::number(times_[n]) : QString());
    return texts;
}

bool TRecentTimes::Push(int seconds)
{
    if (!IsLength(seconds) || (!times_.isEmpty() && times_.first() == seconds))
        return false;
    times_.removeAll(seconds);
    times_.prepend(seconds);
    if (times_.size() > kMax)
        times_.removeLast();
    return true;
}
