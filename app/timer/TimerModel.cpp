#include "TimerModel.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <tuple>

#include "TimerServices.h"

TTimerModel::TTimerModel(TTickClock& clock, QObject* parent)
    : QObject(parent), clock_(clock), tick_(new QTimer(this))
{
    tick_->setObjectName(QStringLiteral("Timer1"));
    tick_->setTimerType(Qt::PreciseTimer);
    tick_->setInterval(kTickMs);
    connect(tick_, &QTimer::timeout, this, [this] { Tick(); });
    tick_->start();
}

TTimerModel::~TTimerModel() = default;

QString TTimerModel::CleanName(const QString& name, bool* cut)
{
    QString clean = name;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        QChar& c = clean[i];
        // Half of a pair alone is no character (and no settings file holds it).
        const bool paired = c.isHighSurrogate() ? i + 1 < clean.size() && clean.at(i + 1).isLowSurrogate()
                            : c.isLowSurrogate() ? i > 0 && clean.at(i - 1).isHighSurrogate()
                                                 : true;
        // Embeddings, overrides and isolates would turn the text around the
        // name (a title, a --status line) the other way.
        const bool bidi = (c.unicode() >= 0x202A && c.unicode() <= 0x202E) ||
                          (c.unicode() >= 0x2066 && c.unicode() <= 0x2069);
        if (!paired || bidi || c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    clean = clean.trimmed();
    // Cut after the last whole character that fits: never half a surrogate
    // pair, never an accent without its letter.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, clean);
    qsizetype end = 0;
    for (int n = 0; n < kMaxNameLength && end < clean.size(); ++n)
        end = graphemes.toNextBoundary();
    const bool longer = end > 0 && end < clean.size();
    if (cut)
        *cut = longer;
    if (longer)
        clean = clean.left(end).trimmed();
    return clean;
}

int TTimerModel::NameLength(const QString& name)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    int n = 0;
    while (graphemes.toNextBoundary() > 0)
        ++n;
    return n;
}

void TTimerModel::SetNumber(int number)
{
    if (number == number_)
        return;
    number_ = number;
    if (name_.isEmpty())
        emit NameChanged();
}

QString TTimerModel::Label() const
{
    if (!name_.isEmpty() || number_ <= 0)
        return name_;
    return QCoreApplication::translate("TTimerModel", "Timer %1").arg(number_);
}

void TTimerModel::SetName(const QString& name)
{
    const QString clean = CleanName(name);
    if (clean == name_)
        return;
    name_ = clean;
    emit NameChanged();
}

void TTimerModel::SetSound(const QString& file, int volume)
{
    volume = std::clamp(volume, 0, kFullVolume);
    if (file == soundFile_ && volume == volume_)
        return;
    soundFile_ = file;
    volume_ = volume;
    soundProblem_.clear();
    emit SoundChanged();
}

void TTimerModel::SetSoundProblem(const QString& why)
{
    if (why == soundProblem_)
        return;
    soundProblem_ = why;
    emit SoundProblemChanged();
}

void TTimerModel::SetNotification(const QString& kept)
{
    if (kept == notification_)
        return;
    notification_ = kept;
    emit NotificationChanged();
}

void TTimerModel::SetWarning(int seconds)
{
    seconds = std::clamp(seconds, 0, kMaxSeconds);
    if (seconds == warning_)
        return;
    warning_ = seconds;
    emit WarningChanged();
}

bool TTimerModel::WarnIfMissed(int keptSeconds)
{
    if (warning_ <= 0 || !running_ || countUp_ || keptSeconds <= warning_ || seconds_ <= 0 || seconds_ > warning_)
        return false;
    emit Warned();
    return true;
}

void TTimerModel::SetRepeat(int rounds)
{
    rounds = rounds == kRepeatForever ? rounds : rounds < 2 ? 0 : std::min(rounds, kMaxRepeat);
    if (rounds == repeat_)
        return;
    repeat_ = rounds;
    // Fewer rounds than the one under way: it is the last.
    if (repeat_ != kRepeatForever)
        round_ = std::clamp(round_, 1, std::max(repeat_, 1));
    emit RepeatChanged();
    emit Changed();
}

void TTimerModel::SetRound(int round)
{
    round = repeat_ == 0 ? 1 : std::max(round, 1);
    if (repeat_ > 0)
        round = std::min(round, repeat_);
    if (round == round_)
        return;
    round_ = round;
    emit Changed();
}

void TTimerModel::TakeUpRound(int round, int ended)
{
    SetRound(round);
    if (!running_ && !countUp_ && seconds_ > 0 && round_ > 1)
        paused_ = seconds_;
    if (ended > 0 && repeat_ != 0)
        emit RoundBegun(ended);
}

QString TTimerModel::RoundText() const
{
    if (repeat_ == 0 || countUp_)
        return QString();
    return QStringLiteral("%1/%2").arg(round_).arg(repeat_ == kRepeatForever ? QStringLiteral("∞")
                                                                            : QString::number(repeat_));
}

// A running count-down of a repeat that reached its end (`value` <= 0, the
// seconds past it as -value): the rounds that ended are counted once each
// and it lands in the round the clock says, however late the tick came.
// False when the last round ends, which rings.
bool TTimerModel::NextRound(int value)
{
    const int length = CountDownLength();
    if (repeat_ == 0 || !running_ || countUp_ || length <= 0 || value > 0)
        return false;
    const std::int64_t past = -std::int64_t(value);
    const std::int64_t ended = 1 + past / length;
    if (repeat_ != kRepeatForever) {
        const int left = repeat_ - round_; // rounds still to begin
        if (ended > left) {
            // The last round ended as well (or now): it rings, as without a repeat.
            round_ = std::max(repeat_, 1);
            return false;
        }
    }
    round_ = int(std::min<std::int64_t>(round_ + ended, std::int64_t(1) << 30));
    seconds_ = int(length - past % length);
    emit RoundBegun(int(std::min<std::int64_t>(ended, std::int64_t(1) << 30)));
    return true;
}

// As TCountDownProgress on the desktop: a time set while stopped (or a
// count-up) makes the next START a new count-down.
void TTimerModel::FollowLength(int before)
{
    if (running_ && !countUp_) {
        if (length_ >= 0)
            length_ = std::max(length_, seconds_);
    } else if (seconds_ == 0 || seconds_ != before) {
        length_ = 0;
    }
}

void TTimerModel::SetSeconds(int value)
{
    const int before = seconds_;
    const int roundBefore = round_;
    seconds_ = std::min(value, kMaxSeconds);
    // Once the time changes, START no longer takes up the stopped count-down.
    if (paused_ && seconds_ != *paused_)
        paused_.reset();
    if (ticking_ && NextRound(value)) {
        // The next round runs; the warning may come again within it.
    } else if (seconds_ <= 0 && running_) {
        seconds_ = 0;
        alarmReached_ = true;
        DoAlarm();
    } else if (seconds_ < 0) {
        // Never a negative time, and no alarm while stopped.
        seconds_ = 0;
    }
    FollowLength(before);
    emit Changed();
    // Only the tick takes a count-down across its warning time; a late tick
    // that went past the end as well leaves it to the alarm.
    if (ticking_ && warning_ > 0 && !countUp_ && (before > warning_ || (round_ != roundBefore && CountDownLength() > warning_)) && seconds_ > 0 &&
        seconds_ <= warning_)
        emit Warned();
}

void TTimerModel::SetRunning(bool running)
{
    running_ = running;
    alarmReached_ = false;
    alarmCountdown_ = 0;
    if (running) {
        // The tick starts its phase anew, so the first second after START
        // is a whole one like every later second.
        tick_->start(kTickMs);
        appliedUntilMs_ = clock_.Milliseconds();
    }
    FollowLength(seconds_);
    emit Changed();
}

void TTimerModel::SetCountUp(bool up)
{
    countUp_ = up;
}

void TTimerModel::DoAlarm()
{
    --alarmCountdown_;
    if (alarmCountdown_ > 0) {
        emit AlarmStep(false);
        return;
    }
    alarmCountdown_ = kAlarmSoundSteps;
    emit AlarmStep(true);
}

void TTimerModel::ResumeRunning(int seconds, bool countUp, int nextSecondMs)
{
    nextSecondMs = std::clamp(nextSecondMs, 1, kTickMs);
    SetCountUp(countUp);
    SetSeconds(seconds);
    SetRunning(true);
    // The second under way began before now; the tick comes when it is over.
    appliedUntilMs_ -= kTickMs - nextSecondMs;
    tick_->start(nextSecondMs);
}

int TTimerModel::MillisecondsIntoSecond() const
{
    if (!running_)
        return 0;
    return int(std::clamp<std::int64_t>(clock_.Milliseconds() - appliedUntilMs_, 0, kTickMs - 1));
}

void TTimerModel::Tick()
{
    // A resumed timer's first tick came early, at its own phase; from here on
    // a whole second apart again.
    if (tick_->interval() != kTickMs)
        tick_->setInterval(kTickMs);
    if (!running_)
        return;
    // Whole seconds passed since the last applied one. A punctual tick finds
    // one (or none, when it comes a little early) and applies one second; a
    // late tick applies every second it missed.
    const std::int64_t now = clock_.Milliseconds();
    const std::int64_t whole = (now - appliedUntilMs_) / kTickMs;
    int steps = 1;
    if (whole >= 1) {
        // A repeat may have run many rounds meanwhile; else past the end is enough.
        const std::int64_t most = repeat_ != 0 && !countUp_ ? std::int64_t(1) << 30 : kMaxSeconds + 1;
        steps = int(std::min<std::int64_t>(whole, most));
        appliedUntilMs_ += whole * kTickMs;
    } else {
        appliedUntilMs_ = now;
    }
    ticking_ = true;
    SetSeconds(countUp_ ? seconds_ + steps : seconds_ - steps);
    ticking_ = false;
}

void TTimerModel::StartStop()
{
    const bool countingDown = running_ && !countUp_ && seconds_ > 0;
    const bool resumed = paused_ == seconds_;
    // A new count-down begins at round 1 before anything hears it started.
    const bool fresh = !running_ && seconds_ > 0 && !countUp_ && !resumed;
    if (fresh)
        round_ = 1;
    SetCountUp(seconds_ == 0 || countUp_);
    SetRunning(!running_);
    if (countingDown && !running_) {
        paused_ = seconds_;
    } else if (running_) {
        paused_.reset();
        if (fresh)
            emit CountDownStarted(seconds_);
    }
}

void TTimerModel::StartLength(int seconds, bool recent)
{
    Reset();
    SetSeconds(seconds);
    if (recent) {
        StartStop();
        return;
    }
    SetCountUp(seconds_ == 0);
    SetRunning(true);
}

void TTimerModel::OneMinuteMore()
{
    StartLength(60, false);
}

void TTimerModel::Reset()
{
    round_ = 1;
    SetRunning(false);
    SetCountUp(false);
    SetSeconds(0);
}

const TTimerModel* NearestCountDown(const std::vector<const TTimerModel*>& timers)
{
    // Lower ranks are nearer; a timer that counts nothing down has none.
    const auto rank = [](const TTimerModel& timer) -> std::optional<std::tuple<bool, int, int>> {
        if (timer.CountUp())
            return std::nullopt;
        const bool paused = !timer.Running();
        if (paused && !(timer.Seconds() > 0 && timer.Seconds() < timer.CountDownLength()))
            return std::nullopt;
        return std::tuple(paused, timer.Seconds(), timer.Number());
    };
    const TTimerModel* nearest = nullptr;
    std::optional<std::tuple<bool, int, int>> best;
    for (const TTimerModel* timer : timers) {
        const auto r = rank(*timer);
        if (r && (!best || *r < *best)) {
            best = r;
            nearest = timer;
        }
    }
    return nearest;
}
