#include "TimerRecord.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cstdio>

#include "TimerAttention.h"
#include "UnitFmTimerMain.h"
#include "vlmGlobal.h"

namespace {

const QString kSection = QStringLiteral("TIMER");
const QString kSeconds = QStringLiteral("SECONDS");
const QString kRunning = QStringLiteral("RUNNING");
const QString kCountUp = QStringLiteral("COUNTUP");
const QString kStart = QStringLiteral("START");
const QString kEnd = QStringLiteral("END");
// A default no stored value can equal: values never hold a line break.
const QString kMissing = QStringLiteral("\n");

constexpr std::int64_t kMaxMs = std::int64_t(TFmTimerMain::kMaxSeconds) * TFmTimerMain::kTickMs;

std::optional<bool> ParseFlag(const QString& text)
{
    if (text == QLatin1String("0"))
        return false;
    if (text == QLatin1String("1"))
        return true;
    return std::nullopt;
}

void ReportIgnored(TvlmGlobal& global, const QString& why)
{
    const QString line = QCoreApplication::translate("TimerRecord", "the timer kept in %1 is ignored: %2")
                             .arg(global.IniFileName(), why);
    std::fprintf(stderr, "pocosa: %s\n", line.toLocal8Bit().constData());
}

} // namespace

bool TTimerRecord::SameState(const TTimerRecord& other) const
{
    return Running == other.Running && CountUp == other.CountUp && (Running || Seconds == other.Seconds);
}

namespace TimerRecord {

std::int64_t WallClockMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

TTimerRecord Capture(const TFmTimerMain& window, std::int64_t nowMs)
{
    TTimerRecord record;
    record.Seconds = window.Seconds();
    record.Running = window.Running();
    record.CountUp = window.CountUp();
    if (record.Running) {
        const std::int64_t shownMs = std::int64_t(record.Seconds) * TFmTimerMain::kTickMs;
        const int into = window.MillisecondsIntoSecond();
        record.ClockMs = record.CountUp ? nowMs - shownMs - into : nowMs + shownMs - into;
    }
    return record;
}

std::optional<TTimerResume> Resume(const TTimerRecord& record, std::int64_t nowMs, QString* why)
{
    const auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (record.Seconds < 0 || record.Seconds > TFmTimerMain::kMaxSeconds)
        return refuse(QStringLiteral("SECONDS=%1 is not a time from 00:00 to 99:59").arg(record.Seconds));
    TTimerResume resume;
    resume.CountUp = record.CountUp;
    if (!record.Running) {
        resume.Seconds = record.Seconds;
        return resume;
    }
    if (record.ClockMs <= 0)
        return refuse(QCoreApplication::translate("TimerRecord", "a running timer without its moment"));
    if (record.CountUp) {
        std::int64_t elapsed = nowMs - record.ClockMs;
        if (elapsed < -kClockSlackMs)
            return refuse(QCoreApplication::translate("TimerRecord", "the count-up starts in the future"));
        elapsed = std::max<std::int64_t>(elapsed, 0);
        resume.Kind = TTimerResume::rkRunning;
        resume.Seconds = int(std::min<std::int64_t>(elapsed / TFmTimerMain::kTickMs, TFmTimerMain::kMaxSeconds));
        resume.NextSecondMs = int(TFmTimerMain::kTickMs - elapsed % TFmTimerMain::kTickMs);
        return resume;
    }
    const std::int64_t left = record.ClockMs - nowMs;
    if (left > kMaxMs + kClockSlackMs)
        return refuse(QCoreApplication::translate("TimerRecord", "the count-down ends more than 99:59 from now"));
    if (left > 0) {
        const std::int64_t shown = std::min(left, kMaxMs);
        resume.Kind = TTimerResume::rkRunning;
        // A second is shown until it has passed entirely: 2.5 s left show 00:03.
        resume.Seconds = int((shown + TFmTimerMain::kTickMs - 1) / TFmTimerMain::kTickMs);
        resume.NextSecondMs = int(shown - std::int64_t(resume.Seconds - 1) * TFmTimerMain::kTickMs);
        return resume;
    }
    resume.Kind = -left < kAlarmWithinMs ? TTimerResume::rkAlarm : TTimerResume::rkEnded;
    resume.CountUp = false;
    resume.EndedMs = record.ClockMs;
    return resume;
}

std::optional<TTimerRecord> Read(TvlmGlobal& global, QString* why)
{
    const auto value = [&global](const QString& key) { return global.ReadIniString(kSection, key, kMissing); };
    const QString seconds = value(kSeconds);
    if (seconds == kMissing)
        return std::nullopt;
    const auto refuse = [why](const QString& key, const QString& text) {
        if (why)
            *why = QCoreApplication::translate("TimerRecord", "%1=%2 cannot be read")
                       .arg(key, text == kMissing ? QString() : text);
        return std::nullopt;
    };
    TTimerRecord record;
    bool ok = false;
    record.Seconds = seconds.toInt(&ok);
    if (!ok)
        return refuse(kSeconds, seconds);
    const QString running = value(kRunning);
    const QString countUp = value(kCountUp);
    const std::optional<bool> runningFlag = ParseFlag(running);
    const std::optional<bool> countUpFlag = ParseFlag(countUp);
    if (!runningFlag)
        return refuse(kRunning, running);
    if (!countUpFlag)
        return refuse(kCountUp, countUp);
    record.Running = *runningFlag;
    record.CountUp = *countUpFlag;
    if (record.Running) {
        const QString& key = record.CountUp ? kStart : kEnd;
        const QString moment = value(key);
        record.ClockMs = moment.toLongLong(&ok);
        if (!ok)
            return refuse(key, moment);
    }
    return record;
}

void Write(TvlmGlobal& global, const TTimerRecord& record)
{
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    // ClockMs is 0 for a stopped timer.
    const QString start = QString::number(record.CountUp ? record.ClockMs : 0);
    const QString end = QString::number(record.CountUp ? 0 : record.ClockMs);
    global.WriteIniStrings(kSection, {{kSeconds, QString::number(record.Seconds)},
                                      {kRunning, flag(record.Running)},
                                      {kCountUp, flag(record.CountUp)},
                                      {kStart, start},
                                      {kEnd, end}});
}

bool ResumeKeptTimer(TFmTimerMain& window, TTimerAttention& attention, TvlmGlobal& global, bool resume,
                     std::int64_t nowMs)
{
    QString why;
    const std::optional<TTimerRecord> record = Read(global, &why);
    std::optional<TTimerResume> resumed;
    if (record && resume)
        resumed = Resume(*record, nowMs, &why);
    if (!why.isEmpty()) {
        ReportIgnored(global, why);
        return true;
    }
    if (!record)
        return false;
    if (resumed) {
        switch (resumed->Kind) {
        case TTimerResume::rkStopped:
            window.SetCountUp(resumed->CountUp);
            window.SetSeconds(resumed->Seconds);
            break;
        case TTimerResume::rkRunning:
            window.ResumeRunning(resumed->Seconds, resumed->CountUp, resumed->NextSecondMs);
            break;
        case TTimerResume::rkAlarm:
            attention.SetNextAlarmBody(EndedText(resumed->EndedMs, nowMs));
            window.SetRunning(true);
            window.SetSeconds(0); // the first alarm step: sound and raise
            break;
        case TTimerResume::rkEnded:
            attention.ShowEndedNotice(EndedText(resumed->EndedMs, nowMs));
            break;
        }
    }
    return !record->SameState(Capture(window, nowMs));
}

QString EndedText(std::int64_t endedMs, std::int64_t nowMs)
{
    const QDateTime ended = QDateTime::fromMSecsSinceEpoch(endedMs).toLocalTime();
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(nowMs).toLocalTime();
    const QString format = ended.date() == now.date() ? QStringLiteral("HH:mm") : QStringLiteral("M/d HH:mm");
    return QCoreApplication::translate("TimerRecord", "%1 に終了しました").arg(ended.toString(format));
}

} // namespace TimerRecord

TTimerRecorder::TTimerRecorder(TFmTimerMain& window, TvlmGlobal& global, std::function<std::int64_t()> wallClock)
    : window_(window), global_(global), wallClock_(std::move(wallClock)), before_(std::move(window.OnStateChanged))
{
    written_ = TimerRecord::Capture(window_, wallClock_());
    window_.OnStateChanged = [this] {
        if (before_)
            before_();
        StateChanged();
    };
}

TTimerRecorder::~TTimerRecorder()
{
    window_.OnStateChanged = std::move(before_);
}

void TTimerRecorder::Write()
{
    Store(TimerRecord::Capture(window_, wallClock_()));
}

void TTimerRecorder::Clear()
{
    Store(TTimerRecord{});
}

void TTimerRecorder::StateChanged()
{
    const TTimerRecord now = TimerRecord::Capture(window_, wallClock_());
    if (!now.SameState(written_))
        Store(now);
}

void TTimerRecorder::Store(const TTimerRecord& record)
{
    try {
        TimerRecord::Write(global_, record);
        written_ = record;
    } catch (const EvlmGlobalError& e) {
        // The timer goes on; the user hears of it once, through the
        // program's message box for failures, and not on every click. (Once
        // the program is closing, the store reports by itself and raises
        // nothing.)
        if (reported_ || !QCoreApplication::instance()) {
            std::fprintf(stderr, "pocosa: %s\n", e.what());
            return;
        }
        reported_ = true;
        const std::string message = e.what();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [message] { throw EvlmGlobalError(message); }, Qt::QueuedConnection);
    }
}
