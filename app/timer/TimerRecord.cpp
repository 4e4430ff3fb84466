#include "TimerRecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

#include "TimerModel.h"
#include "TimerServices.h"
#include "vlmGlobal.h"
#include "vlmGlobalIniText.h"

namespace {

const QString kSeconds = QStringLiteral("SECONDS");
const QString kRunning = QStringLiteral("RUNNING");
const QString kCountUp = QStringLiteral("COUNTUP");
const QString kStart = QStringLiteral("START");
const QString kEnd = QStringLiteral("END");
const QString kBootId = QStringLiteral("BOOTID");
const QString kBootMs = QStringLiteral("BOOTMS");
const QString kName = QStringLiteral("NAME");
const QString kSound = QStringLiteral("SOUND");
const QString kVolume = QStringLiteral("VOLUME");
const QString kLength = QStringLiteral("LENGTH");
const QString kNotice = QStringLiteral("NOTICE");
const QString kWarn = QStringLiteral("WARN");
const QString kRepeat = QStringLiteral("REPEAT");
const QString kRound = QStringLiteral("ROUND");
// A default no stored value can equal: values never hold a line break.
const QString kMissing = QStringLiteral("\n");

constexpr std::int64_t kMaxMs = std::int64_t(TTimerModel::kMaxSeconds) * TTimerModel::kTickMs;

std::optional<bool> ParseFlag(const QString& text)
{
    if (text == QLatin1String("0"))
        return false;
    if (text == QLatin1String("1"))
        return true;
    return std::nullopt;
}

int ReadWarning(const QString& text)
{
    bool ok = false;
    const int seconds = text.toInt(&ok);
    return ok && seconds > 0 && seconds <= TTimerModel::kMaxSeconds ? seconds : 0;
}

int ReadRepeat(const QString& text)
{
    bool ok = false;
    const int rounds = text.toInt(&ok);
    return ok && (rounds == TTimerModel::kRepeatForever || (rounds >= 2 && rounds <= TTimerModel::kMaxRepeat))
               ? rounds
               : 0;
}

void Report(const QString& line)
{
    std::fprintf(stderr, "pocosa: %s\n", line.toLocal8Bit().constData());
}

QString ReadBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

} // namespace

bool TTimerRecord::SameState(const TTimerRecord& other) const
{
    return Name == other.Name && Sound == other.Sound && Volume == other.Volume && Warning == other.Warning &&
           Repeat == other.Repeat && Round == other.Round &&
           Running == other.Running && CountUp == other.CountUp &&
           (Running || Seconds == other.Seconds) && Length == other.Length && Notice == other.Notice;
}

namespace TimerRecord {

std::int64_t WallClockMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

TTimerRecord Capture(const TTimerModel& window, const TTimerClocks& now)
{
    TTimerRecord record;
    record.Name = window.Name();
    record.Sound = window.SoundFile();
    record.Volume = window.Volume();
    record.Seconds = window.Seconds();
    record.Running = window.Running();
    record.CountUp = window.CountUp();
    record.Notice = window.Notification();
    record.Warning = window.Warning();
    record.Repeat = window.Repeat();
    record.Round = window.Round();
    // A repeat stopped within a round goes on with rounds of its length.
    if (!record.CountUp && (record.Running || record.Repeat != 0))
        record.Length = window.CountDownLength();
    if (record.Running) {
        const std::int64_t shownMs = std::int64_t(record.Seconds) * TTimerModel::kTickMs;
        const int into = window.MillisecondsIntoSecond();
        // From now to the moment: to START back, to END ahead.
        const std::int64_t toMoment = record.CountUp ? -shownMs - into : shownMs - into;
        record.ClockMs = now.WallMs + toMoment;
        record.BootMs = now.BootMs + toMoment;
        record.BootId = now.BootId;
    }
    return record;
}

std::optional<TTimerResume> Resume(const TTimerRecord& record, const TTimerClocks& now, QString* why)
{
    const auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (record.Seconds < 0 || record.Seconds > TTimerModel::kMaxSeconds)
        return refuse(QCoreApplication::translate("TimerRecord", "SECONDS=%1 is not a time from 00:00 to 99:59")
                          .arg(record.Seconds));
    TTimerResume resume;
    resume.CountUp = record.CountUp;
    resume.Seconds = record.Seconds;
    resume.Round = record.Round;
    if (!record.Running)
        return resume;
    if (record.ClockMs <= 0)
        return refuse(QCoreApplication::translate("TimerRecord", "a running timer without its moment"));
    // The moment and now on one clock: the boot clock while the boot lasts,
    // whatever was done to the wall clock meanwhile.
    const bool sameBoot = !record.BootId.isEmpty() && record.BootId == now.BootId;
    const std::int64_t nowMs = sameBoot ? now.BootMs : now.WallMs;
    std::int64_t sinceMoment = nowMs - (sameBoot ? record.BootMs : record.ClockMs);
    // The record was made showing Seconds: since then a count-up can only
    // have counted on and a count-down gone down. Anything else is a clock
    // set back since (beyond a little slack): the time it had is shown,
    // stopped, and the record kept for a clock put right.
    const std::int64_t shownMs = std::int64_t(record.Seconds) * TTimerModel::kTickMs;
    const std::int64_t passed = record.CountUp ? sinceMoment - shownMs : sinceMoment + shownMs;
    if (passed < -kClockSlackMs) {
        if (why)
            *why = QCoreApplication::translate("TimerRecord", "the clock stands before the time it was kept at");
        resume.Kind = TTimerResume::rkKept;
        return resume;
    }
    resume.Kind = TTimerResume::rkRunning;
    if (record.CountUp) {
        const std::int64_t counted = std::max(sinceMoment, shownMs);
        resume.Seconds = int(std::min<std::int64_t>(counted / TTimerModel::kTickMs, TTimerModel::kMaxSeconds));
        resume.NextSecondMs = int(TTimerModel::kTickMs - counted % TTimerModel::kTickMs);
        return resume;
    }
    std::int64_t left = std::min(-sinceMoment, shownMs);
    std::int64_t sinceEnd = sinceMoment;
    if (left <= 0 && record.Repeat != 0 && record.Length > 0) {
        // A repeat whose round ended meanwhile: each round that ended is
        // counted once, and it runs in the round the clock says, or rings
        // from the last round's end.
        const std::int64_t lengthMs = std::int64_t(record.Length) * TTimerModel::kTickMs;
        const std::int64_t ended = 1 + sinceMoment / lengthMs;
        const bool untilStopped = record.Repeat == TTimerModel::kRepeatForever;
        const std::int64_t toBegin = untilStopped ? ended : std::max(record.Repeat - record.Round, 0);
        resume.RoundsEnded = int(std::min(ended, toBegin));
        resume.Round = int(std::min<std::int64_t>(record.Round + resume.RoundsEnded, std::int64_t(1) << 30));
        if (ended <= toBegin)
            left = lengthMs - sinceMoment % lengthMs;
        else
            sinceEnd = sinceMoment - toBegin * lengthMs;
    }
    if (left > 0) {
        // A second is shown until it has passed entirely: 2.5 s left show 00:03.
        resume.Seconds = int((left + TTimerModel::kTickMs - 1) / TTimerModel::kTickMs);
        resume.NextSecondMs = int(left - std::int64_t(resume.Seconds - 1) * TTimerModel::kTickMs);
        return resume;
    }
    sinceMoment = sinceEnd;
    resume.Kind = sinceMoment < kAlarmWithinMs ? TTimerResume::rkAlarm : TTimerResume::rkEnded;
    resume.Seconds = 0;
    resume.CountUp = false;
    // The end as the wall clock now tells it.
    resume.EndedMs = now.WallMs - sinceMoment;
    return resume;
}

std::optional<TTimerRecord> Read(TvlmGlobal& global, QString* why, const QString& section)
{
    const auto value = [&global, &section](const QString& key) {
        return global.ReadIniString(section, key, kMissing);
    };
    const QString seconds = value(kSeconds);
    const QString name = value(kName);
    if (seconds == kMissing && name == kMissing && value(kSound) == kMissing && value(kVolume) == kMissing &&
        value(kWarn) == kMissing && value(kRepeat) == kMissing)
        return std::nullopt;
    const auto refuse = [why](const QString& key, const QString& text) {
        if (why)
            *why = QCoreApplication::translate("TimerRecord", "%1=%2 cannot be read")
                       .arg(key, text == kMissing ? QString() : text);
        return std::nullopt;
    };
    TTimerRecord record;
    if (name != kMissing)
        record.Name = TTimerModel::CleanName(name);
    // A sound or volume that cannot be read is the program's sound at full volume.
    if (const QString sound = value(kSound); sound != kMissing)
        record.Sound = sound;
    bool volumeOk = false;
    const int volume = value(kVolume).toInt(&volumeOk);
    if (volumeOk && volume >= 0 && volume <= TTimerModel::kFullVolume)
        record.Volume = volume;
    if (const QString notice = value(kNotice); notice != kMissing)
        record.Notice = notice;
    // A warning that cannot be read is none.
    record.Warning = ReadWarning(value(kWarn));
    // Nor is a repeat; a round that cannot be read is the first.
    record.Repeat = ReadRepeat(value(kRepeat));
    bool roundOk = false;
    const int round = value(kRound).toInt(&roundOk);
    if (roundOk && record.Repeat != 0 && round >= 1 &&
        (record.Repeat == TTimerModel::kRepeatForever || round <= record.Repeat))
        record.Round = round;
    if (seconds == kMissing)
        return record; // a name alone: stopped at 00:00
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
        // Without a readable boot-clock moment the wall clock decides.
        record.BootMs = value(kBootMs).toLongLong(&ok);
        if (ok)
            record.BootId = value(kBootId);
        if (record.BootId == kMissing)
            record.BootId.clear();
    }
    // Named by the alarm, and the length of a repeat's rounds: a length that
    // cannot be read is not known.
    if ((record.Running || record.Repeat != 0) && !record.CountUp) {
        const int length = value(kLength).toInt(&ok);
        if (ok && length > 0 && length <= TTimerModel::kMaxSeconds)
            record.Length = length;
    }
    return record;
}

std::vector<std::pair<QString, QString>> Keys(const TTimerRecord& record)
{
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    // ClockMs is 0 for a stopped timer.
    const QString start = QString::number(record.CountUp ? record.ClockMs : 0);
    const QString end = QString::number(record.CountUp ? 0 : record.ClockMs);
    return {{kSeconds, QString::number(record.Seconds)},
            {kRunning, flag(record.Running)},
            {kCountUp, flag(record.CountUp)},
            {kStart, start},
            {kEnd, end},
            {kBootId, record.BootId},
            {kBootMs, QString::number(record.BootMs)},
            {kName, IniText::StorableValue(record.Name) ? record.Name : QString()},
            // A file name the settings cannot hold (a line break) is not kept.
            {kSound, IniText::StorableValue(record.Sound) ? record.Sound : QString()},
            {kVolume, QString::number(record.Volume)},
            {kLength, QString::number(record.Length)},
            {kNotice, IniText::StorableValue(record.Notice) ? record.Notice : QString()},
            {kWarn, QString::number(record.Warning)},
            {kRepeat, QString::number(record.Repeat)},
            {kRound, QString::number(record.Round)}};
}

void Write(TvlmGlobal& global, const TTimerRecord& record, const QString& section)
{
    std::vector<std::pair<QString, QString>> keys = Keys(record);
    // A timer never named, nor given a sound of its own, keeps the keys it
    // always had.
    const bool plain = record.Name.isEmpty() && record.Sound.isEmpty() && record.Volume == TTimerModel::kFullVolume;
    const auto absent = [&global, &section](const QString& key) {
        return global.ReadIniString(section, key, kMissing) == kMissing;
    };
    const auto drop = [&keys](const QString& key) {
        std::erase_if(keys, [&key](const auto& pair) { return pair.first == key; });
    };
    if (plain && absent(kName) && absent(kSound) && absent(kVolume))
        drop(kName), drop(kSound), drop(kVolume);
    // Nor a count-down's length or a notification.
    if (record.Length == 0 && absent(kLength))
        drop(kLength);
    if (record.Notice.isEmpty() && absent(kNotice))
        drop(kNotice);
    // Nor a timer that never warned.
    if (record.Warning == 0 && absent(kWarn))
        drop(kWarn);
    // Nor one that never repeated.
    if (record.Repeat == 0 && absent(kRepeat) && absent(kRound))
        drop(kRepeat), drop(kRound);
    global.WriteIniStrings(section, keys);
}

TTakenUp ResumeKeptTimer(TTimerModel& window, TvlmGlobal& global, bool resume, const TTimerClocks& now,
                         const QString& section, const std::function<void(const QString& body)>& beforeAlarm)
{
    TTakenUp taken;
    QString why;
    const std::optional<TTimerRecord> record = Read(global, &why, section);
    std::optional<TTimerResume> resumed;
    if (record) {
        window.SetName(record->Name);
        window.SetSound(record->Sound, record->Volume);
        window.SetNotification(record->Notice);
        window.SetWarning(record->Warning);
        window.SetRepeat(record->Repeat);
        if (resume)
            resumed = Resume(*record, now, &why);
    } else {
        // A time that cannot be read does not take the name and sound with it.
        window.SetName(global.ReadIniString(section, kName, QString()));
        window.SetSound(global.ReadIniString(section, kSound, QString()),
                        global.ReadIniInteger(section, kVolume, TTimerModel::kFullVolume));
        window.SetWarning(ReadWarning(global.ReadIniString(section, kWarn, QString())));
        window.SetRepeat(ReadRepeat(global.ReadIniString(section, kRepeat, QString())));
    }
    if (!why.isEmpty() && !(resumed && resumed->Kind == TTimerResume::rkKept)) {
        Report(QCoreApplication::translate("TimerRecord", "the timer kept in %1 is ignored: %2")
                   .arg(global.IniFileName(), why));
        taken.Rewrite = true;
        return taken;
    }
    if (!record)
        return taken;
    bool warned = false;
    if (resumed) {
        const std::int64_t nowMs = now.WallMs;
        switch (resumed->Kind) {
        case TTimerResume::rkKept:
            Report(QCoreApplication::translate("TimerRecord", "the timer kept in %1 is shown stopped: %2")
                       .arg(global.IniFileName(), why));
            window.SetCountUp(resumed->CountUp);
            window.SetSeconds(resumed->Seconds);
            return taken;
        case TTimerResume::rkStopped:
            window.SetCountUp(resumed->CountUp);
            window.SetSeconds(resumed->Seconds);
            if (record->Repeat != 0) {
                window.SetCountDownLength(record->Length);
                window.TakeUpRound(resumed->Round, 0);
            }
            break;
        case TTimerResume::rkRunning:
            window.ResumeRunning(resumed->Seconds, resumed->CountUp, resumed->NextSecondMs);
            window.SetCountDownLength(record->Length);
            // Rounds that ended while away are told once, in one word.
            window.TakeUpRound(resumed->Round, resumed->RoundsEnded);
            // The record is written again at a warning, so one given before
            // the program ended is not given twice; a round begun since is whole.
            warned = window.WarnIfMissed(resumed->RoundsEnded > 0 ? record->Length : record->Seconds);
            break;
        case TTimerResume::rkAlarm:
            if (beforeAlarm)
                beforeAlarm(EndedText(resumed->EndedMs, nowMs));
            // Named by the alarm's notification, which running at 00:00 begins.
            window.SetCountDownLength(record->Length);
            window.TakeUpRound(resumed->Round, 0);
            window.SetRunning(true);
            window.SetSeconds(0); // the first alarm step: sound and raise
            break;
        case TTimerResume::rkEnded:
            // Told in the title too: there may be no notification service.
            taken.EndedNotice = EndedText(resumed->EndedMs, nowMs);
            break;
        }
    }
    taken.Rewrite = warned || !record->SameState(Capture(window, now));
    return taken;
}

QString EndedText(std::int64_t endedMs, std::int64_t nowMs, const QLocale& locale)
{
    const QDateTime ended = QDateTime::fromMSecsSinceEpoch(endedMs).toLocalTime();
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(nowMs).toLocalTime();
    QString text = locale.toString(ended.time(), QLocale::ShortFormat);
    if (ended.date() != now.date()) {
        QString format = locale.dateFormat(QLocale::ShortFormat);
        if (ended.date().year() == now.date().year()) {
            // The year and the separator that goes with it: "M/d/yy" gives
            // "M/d", "y/MM/dd" gives "MM/dd", "dd.MM.yy" gives "dd.MM".
            static const QRegularExpression year(QStringLiteral("^y+[^dMy]*|[^dMy]*y+"));
            format.remove(year);
        }
        text = locale.toString(ended.date(), format) + QLatin1Char(' ') + text;
    }
    return QCoreApplication::translate("TimerRecord", "%1 に終了しました").arg(text);
}

} // namespace TimerRecord

TTimerClocks TTimerClocks::Now()
{
    static const QString bootId = ReadBootId();
    return {TimerRecord::WallClockMs(), TBootClock().Milliseconds(), bootId};
}

TTimerRecorder::TTimerRecorder(TTimerModel& timer, TvlmGlobal& global, std::function<TTimerClocks()> clocks,
                               TWrite write)
    : timer_(timer), clocks_(std::move(clocks)), write_(std::move(write))
{
    if (!write_)
        write_ = [&global](const TTimerRecord& record) { TimerRecord::Write(global, record); };
    written_ = Now();
    connect(&timer_, &TTimerModel::Changed, this, &TTimerRecorder::StateChanged);
    connect(&timer_, &TTimerModel::NameChanged, this, &TTimerRecorder::StateChanged);
    connect(&timer_, &TTimerModel::SoundChanged, this, &TTimerRecorder::StateChanged);
    connect(&timer_, &TTimerModel::NotificationChanged, this, &TTimerRecorder::StateChanged);
    connect(&timer_, &TTimerModel::WarningChanged, this, &TTimerRecorder::StateChanged);
    // The time shown at the warning, so that a later run does not warn again.
    connect(&timer_, &TTimerModel::Warned, this, &TTimerRecorder::Write);
}

TTimerRecorder::~TTimerRecorder() = default;

TTimerRecord TTimerRecorder::Now() const
{
    return TimerRecord::Capture(timer_, clocks_());
}

void TTimerRecorder::Write()
{
    Store(Now());
}

void TTimerRecorder::Clear()
{
    // The alarm's sound is a choice like the window's place and pictures: it stays.
    TTimerRecord cleared;
    cleared.Sound = timer_.SoundFile();
    cleared.Volume = timer_.Volume();
    cleared.Warning = timer_.Warning();
    cleared.Repeat = timer_.Repeat();
    Store(cleared);
}

void TTimerRecorder::StateChanged()
{
    const TTimerRecord now = Now();
    if (!now.SameState(written_))
        Store(now);
}

void TTimerRecorder::Store(const TTimerRecord& record)
{
    try {
        write_(record);
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
