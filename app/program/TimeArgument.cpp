#include "TimeArgument.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cstdlib>
#include <utility>

#include <unistd.h>

#include "FileName.h"
#include "ProgramStart.h"
#include "TimeOfDay.h"
#include "TimerLimits.h"
#include "TimerModel.h"
#include "TimerServices.h"
#include "vlmGlobalIniText.h"

namespace {

[[noreturn]] void Refuse(const QString& message)
{
    throw ETimeArgument(message.toStdString());
}

// Digits as a number, saturated far above any accepted value so that a
// long run of digits cannot overflow.
int Number(const QString& digits)
{
    int value = 0;
    for (const QChar c : digits)
        value = std::min(value * 10 + (c.unicode() - '0'), 1'000'000);
    return value;
}

int Checked(const QString& text, int minutes, int seconds)
{
    // Number() saturates, so the total cannot overflow.
    const long total = long(minutes) * 60 + seconds;
    if (total > kTimerMaxSeconds)
        Refuse(QCoreApplication::translate("TimeArgument", "\"%1\" is longer than 99:59").arg(text));
    return int(total);
}

// The name made absolute without a round trip through Qt's file names,
// which would turn bytes that are not UTF-8 into U+FFFD.
QString AbsoluteFileName(const QString& file)
{
    if (file.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(file);
    char* cwd = ::getcwd(nullptr, 0);
    const QString folder = cwd ? FileName::Decode(cwd) : QDir::currentPath();
    std::free(cwd);
    return QDir::cleanPath(folder + QLatin1Char('/') + file);
}

// A name in a message of one line: its line breaks shown as \n.
QString OneLine(const QString& name)
{
    return FileName::Shown(name).replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

constexpr std::pair<TTimerAct, const char*> kActNames[] = {
    {TTimerAct::Show, "show"},          {TTimerAct::Stop, "stop"},           {TTimerAct::Reset, "reset"},
    {TTimerAct::Close, "close"},        {TTimerAct::PauseAll, "pause-all"}, {TTimerAct::ResumeAll, "resume-all"},
    {TTimerAct::ShowAll, "show-all"},
};

} // namespace

QString ActName(TTimerAct act)
{
    for (const auto& [each, name] : kActNames)
        if (each == act)
            return QString::fromLatin1(name);
    return QString();
}

std::optional<TTimerAct> ActNamed(const QString& name)
{
    for (const auto& [act, each] : kActNames)
        if (name == QLatin1String(each))
            return act;
    return std::nullopt;
}

int ParseTimeArgument(const QString& text)
{
    static const QRegularExpression minutesOnly(QStringLiteral("^([0-9]+)m?$"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression secondsOnly(QStringLiteral("^([0-9]+)s$"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression minutesSeconds(QStringLiteral("^([0-9]+)m([0-9]{1,2})s$"),
                                                   QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression clock(QStringLiteral("^([0-9]+):([0-9][0-9])$"));
    static const QRegularExpression withHours(QStringLiteral("^[0-9]+:[0-9]+:[0-9]+$"));

    if (text.isEmpty())
        Refuse(QCoreApplication::translate("TimeArgument", "an empty time was given"));
    if (auto m = minutesOnly.match(text); m.hasMatch())
        return Checked(text, Number(m.captured(1)), 0);
    if (auto m = secondsOnly.match(text); m.hasMatch())
        return Checked(text, 0, Number(m.captured(1)));
    if (auto m = withHours.match(text); m.hasMatch())
        Refuse(QCoreApplication::translate("TimeArgument", "\"%1\": hours are not accepted; the longest time is 99:59")
                   .arg(text));
    QRegularExpressionMatch m = minutesSeconds.match(text);
    if (!m.hasMatch())
        m = clock.match(text);
    if (!m.hasMatch()) {
        Refuse(QCoreApplication::translate("TimeArgument",
                                           "\"%1\" is not a time; write it as 5m, 90s, 1m30s, 3:30 or 5 (minutes)")
                   .arg(text));
    }
    const int seconds = Number(m.captured(2));
    if (seconds > 59)
        Refuse(QCoreApplication::translate("TimeArgument", "\"%1\": the seconds must be 00 to 59").arg(text));
    return Checked(text, Number(m.captured(1)), seconds);
}

int ParseUntilArgument(const QString& text, const QDateTime& now)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,2})(?::([0-9]{2})(?::([0-9]{2}))?)? ?([ap]m)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    const bool twelve = m.hasMatch() && m.hasCaptured(4);
    int hour = m.hasMatch() ? m.captured(1).toInt() : -1;
    if (twelve)
        hour = hour >= 1 && hour <= 12 ? hour % 12 + (m.captured(4).toLower() == QLatin1String("pm") ? 12 : 0) : -1;
    const int minute = m.captured(2).toInt();
    const int second = m.captured(3).toInt();
    // Without am or pm the minutes are needed: "5" alone is a length.
    if (hour < 0 || hour > 23 || minute > 59 || second > 59 || (!twelve && !m.hasCaptured(2)))
        Refuse(QCoreApplication::translate("TimeArgument",
                                           "\"%1\" is not a time of day; write it as 17:30, 5:30pm or 5pm")
                   .arg(text));
    const int seconds = SecondsUntil(QTime(hour, minute, second), now, m.hasCaptured(3) ? 1 : 60);
    const QString refusal = UntilRefusal(text, seconds);
    if (!refusal.isEmpty())
        Refuse(refusal);
    return seconds;
}

TStartRequest ParseStartArguments(const QStringList& arguments, const QDateTime& now)
{
    // "-5m" would otherwise be read as the options -5 and -m. The value of an
    // option ("--volume -5") is the option's to judge.
    static const QRegularExpression negative(QStringLiteral("^-[0-9]"));
    static const QRegularExpression withValue(QStringLiteral("^--(until|sound|volume|timer|warn|repeat)$"));
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (withValue.match(arguments[i]).hasMatch())
            ++i;
        else if (negative.match(arguments[i]).hasMatch())
            Refuse(QCoreApplication::translate("TimeArgument", "\"%1\": a time cannot be negative").arg(arguments[i]));
    }
    QCommandLineParser parser;
    SetupCommandLine(parser);
    if (!parser.parse(arguments))
        Refuse(parser.errorText());
    TStartRequest request;
    request.Start = parser.isSet(QStringLiteral("start"));
    request.Status = parser.isSet(QStringLiteral("status"));
    QStringList times = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("until"))) {
        QString until = parser.value(QStringLiteral("until")).trimmed();
        // "--until 5:30 pm" unquoted: the am or pm comes as a time of its own.
        static const QRegularExpression amPm(QStringLiteral("^[ap]m$"), QRegularExpression::CaseInsensitiveOption);
        if (times.size() == 1 && amPm.match(times.first()).hasMatch())
            until += QLatin1Char(' ') + times.takeFirst();
        if (!times.isEmpty())
            Refuse(QCoreApplication::translate("TimeArgument", "--until takes no other time, not \"%1\"")
                       .arg(times.join(QLatin1Char(' '))));
        request.Seconds = ParseUntilArgument(until, now);
        request.Start = request.Until = true;
    }
    if (times.size() > 1)
        Refuse(QCoreApplication::translate("TimeArgument", "only one time may be given, not \"%1\"")
                   .arg(times.join(QLatin1Char(' '))));
    if (!times.isEmpty())
        request.Seconds = ParseTimeArgument(times.first().trimmed());
    request.New = parser.isSet(QStringLiteral("new"));
    if (parser.isSet(QStringLiteral("timer"))) {
        // Bytes that are not UTF-8 read as U+FFFD in a name, as Qt reads them.
        bool cut = false;
        const QString name = TTimerModel::CleanName(FileName::Shown(parser.value(QStringLiteral("timer"))), &cut);
        // Cut, the name would find or make another timer than the one meant.
        if (cut)
            Refuse(QCoreApplication::translate("TimeArgument", "the name \"%1\" is longer than %2 characters")
                       .arg(FileName::Shown(parser.value(QStringLiteral("timer"))).trimmed())
                       .arg(TTimerModel::kMaxNameLength));
        if (name.isEmpty() && !request.New)
            Refuse(QCoreApplication::translate("TimeArgument", "--timer needs a name"));
        request.Timer = name;
    }
    if (parser.isSet(QStringLiteral("sound"))) {
        const QString file = parser.value(QStringLiteral("sound"));
        if (file.isEmpty())
            Refuse(QCoreApplication::translate("TimeArgument", "--sound needs a file, or \"default\""));
        // The running program has another working folder.
        request.Sound = file == QLatin1String("default") ? QString() : AbsoluteFileName(file);
        // Refused now rather than forgotten at the next start.
        if (!IniText::StorableValue(*request.Sound))
            Refuse(QCoreApplication::translate("TimeArgument",
                                               "\"%1\": a file name with a line break cannot be kept in the settings")
                       .arg(OneLine(*request.Sound)));
    }
    if (parser.isSet(QStringLiteral("volume"))) {
        bool ok = false;
        const int volume = parser.value(QStringLiteral("volume")).trimmed().remove(QLatin1Char('%')).toInt(&ok);
        if (!ok || volume < 0 || volume > TTimerModel::kFullVolume)
            Refuse(QCoreApplication::translate("TimeArgument", "\"%1\": the volume is a whole number from 0 to 100")
                       .arg(parser.value(QStringLiteral("volume"))));
        request.Volume = volume;
    }
    if (parser.isSet(QStringLiteral("warn"))) {
        const QString warn = parser.value(QStringLiteral("warn")).trimmed();
        request.Warn = warn.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0 ? 0 : ParseTimeArgument(warn);
    }
    if (parser.isSet(QStringLiteral("repeat"))) {
        const QString repeat = parser.value(QStringLiteral("repeat")).trimmed();
        bool ok = false;
        const int rounds = repeat.toInt(&ok);
        if (repeat.compare(QLatin1String("forever"), Qt::CaseInsensitive) == 0)
            request.Repeat = TTimerModel::kRepeatForever;
        else if (repeat.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0 || (ok && rounds == 1))
            request.Repeat = 0;
        else if (ok && rounds >= 2 && rounds <= TTimerModel::kMaxRepeat)
            request.Repeat = rounds;
        else
            Refuse(QCoreApplication::translate("TimeArgument",
                                               "\"%1\": --repeat takes a count from 1 to 99, \"forever\" or \"off\"")
                       .arg(parser.value(QStringLiteral("repeat"))));
    }
    for (const auto& [act, name] : kActNames) {
        if (!parser.isSet(QString::fromLatin1(name)))
            continue;
        if (request.Act != TTimerAct::None)
            Refuse(QCoreApplication::translate("TimeArgument", "--%1 and --%2 cannot be asked at once")
                       .arg(ActName(request.Act), QLatin1String(name)));
        request.Act = act;
    }
    // An act is all a start asks: a time or a sound beside it would be lost.
    if (request.Act != TTimerAct::None &&
        (request.Start || request.Seconds || request.New || request.Status || request.Sound || request.Volume ||
         request.Warn || request.Repeat ||
         (request.Timer && IsActOnAll(request.Act))))
        Refuse((IsActOnAll(request.Act)
                    ? QCoreApplication::translate("TimeArgument", "--%1 takes no time and no other option")
                    : QCoreApplication::translate("TimeArgument", "--%1 takes no time and no other option than --timer"))
                   .arg(ActName(request.Act)));
    request.Json = parser.isSet(QStringLiteral("json"));
    if (request.Json && !request.Status)
        Refuse(QCoreApplication::translate("TimeArgument", "--json goes with --status"));
    if (request.Status && (request.Start || request.Seconds || request.New || request.Timer || request.Sound ||
                           request.Volume || request.Warn || request.Repeat))
        Refuse(QCoreApplication::translate("TimeArgument", "--status takes no time and no --start"));
    if (request.Timer && !request.New && !request.Seconds && !request.Start && !request.Sound && !request.Volume &&
        !request.Warn && !request.Repeat && request.Act == TTimerAct::None)
        Refuse(QCoreApplication::translate("TimeArgument", "--timer NAME needs a time or --start"));
    return request;
}

void CheckSoundArgument(const TStartRequest& request, TSoundService& sound)
{
    if (!request.Sound || request.Sound->isEmpty())
        return;
    // As the alarm sound dialog tells at once: a silent try on a channel of its own.
    constexpr int kCheckChannel = -1;
    QString why;
    const bool playable = sound.Play(*request.Sound, 0, kCheckChannel, &why);
    sound.Stop(kCheckChannel);
    if (!playable)
        Refuse(QCoreApplication::translate("TimeArgument", "the sound \"%1\" cannot be played: %2")
                   .arg(OneLine(*request.Sound), why));
}
