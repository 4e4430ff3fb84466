#include "ProgramStart.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMutex>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "FileName.h"

#ifndef POCOSA_VERSION
#define POCOSA_VERSION "0.9.0.0"
#endif

bool SelectX11Platform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

void SetupProgramInfo()
{
    QCoreApplication::setApplicationName(QStringLiteral("Pocosa"));
    QCoreApplication::setApplicationVersion(QStringLiteral(POCOSA_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    // Docks and task bars find the desktop entry by it (Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Pocosa"));
}

namespace {

QString Description()
{
    return QCoreApplication::translate("ProgramStart",
                                       "Kitchen timer\n\n"
                                       "A time sets the timer when it is stopped: 5m (minutes), 90s (seconds),\n"
                                       "1m30s, 3:30 (minutes:seconds) or a plain 5 (minutes); at most 99:59.\n"
                                       "When Pocosa is already running for this user, the request goes to its\n"
                                       "window (without a time it just comes to the front) and this call ends.");
}

QList<QCommandLineOption> OwnOptions()
{
    return {{{QStringLiteral("s"), QStringLiteral("start")},
             QCoreApplication::translate("ProgramStart", "Start the timer as well.")},
            {QStringLiteral("status"),
             QCoreApplication::translate("ProgramStart",
                                         "Print each timer's time and state, e.g. \"04:59 counting down\", and "
                                         "its name after a tab.")},
            {QStringLiteral("until"),
             QCoreApplication::translate("ProgramStart",
                                         "Count down to this time of day (17:30, 5:30pm, 5pm), today or tomorrow, "
                                         "and start."),
             QCoreApplication::translate("ProgramStart", "clock")},
            {QStringLiteral("sound"),
             QCoreApplication::translate("ProgramStart",
                                         "The alarm sound of the timer (WAV, OGG, Opus, FLAC or MP3; \"default\": "
                                         "the program's)."),
             QCoreApplication::translate("ProgramStart", "file")},
            {QStringLiteral("volume"),
             QCoreApplication::translate("ProgramStart", "The volume of the timer's alarm sound, 0 to 100."),
             QCoreApplication::translate("ProgramStart", "percent")},
            {QStringLiteral("warn"),
             QCoreApplication::translate("ProgramStart",
                                         "Warn this long before the timer's count-down ends (e.g. 1m, 30s), or "
                                         "\"off\"."),
             QCoreApplication::translate("ProgramStart", "time")},
            {QStringLiteral("repeat"),
             QCoreApplication::translate("ProgramStart",
                                         "Run the timer's count-down this many times in a row (2 to 99), "
                                         "\"forever\" until stopped, or \"off\"."),
             QCoreApplication::translate("ProgramStart", "count")},
            {QStringLiteral("new"), QCoreApplication::translate("ProgramStart", "Open another timer window.")},
            {QStringLiteral("timer"),
             QCoreApplication::translate("ProgramStart", "The timer of this name (with --new: the new timer's name)."),
             QCoreApplication::translate("ProgramStart", "name")},
            {QStringLiteral("show"),
             QCoreApplication::translate("ProgramStart", "Bring the timer's window to the front, also a hidden one.")},
            {QStringLiteral("stop"),
             QCoreApplication::translate("ProgramStart", "Stop the timer's count or its alarm, as STOP does.")},
            {QStringLiteral("reset"), QCoreApplication::translate("ProgramStart", "Reset the timer.")},
            {QStringLiteral("close"),
             QCoreApplication::translate("ProgramStart", "Close the timer's window without asking.")},
            {QStringLiteral("pause-all"),
             QCoreApplication::translate("ProgramStart", "Stop every timer that counts.")},
            {QStringLiteral("resume-all"),
             QCoreApplication::translate("ProgramStart", "Start again the timers --pause-all stopped.")},
            {QStringLiteral("show-all"),
             QCoreApplication::translate("ProgramStart", "Show every timer's window.")},
            {QStringLiteral("json"),
             QCoreApplication::translate("ProgramStart",
                                         "With --status: one line of JSON, a list of every timer's name, label, "
                                         "seconds, state, end and section.")}};
}

// The time: its name is only shown, the time is read by its position.
QString TimeName()
{
    return QCoreApplication::translate("ProgramStart", "time");
}

QString TimeDescription()
{
    return QCoreApplication::translate("ProgramStart", "The time to set, e.g. 5m, 90s or 3:30.");
}

QString TimeSyntax()
{
    return QCoreApplication::translate("ProgramStart", "[time]");
}

// "-s, --start", "--timer <name>" as the help shows an option.
QString OptionNames(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    const QString value = option.valueName().isEmpty() ? QString() : QStringLiteral(" <%1>").arg(option.valueName());
    return names.join(QStringLiteral(", ")) + value;
}

bool IsWide(char32_t c)
{
    static const std::pair<char32_t, char32_t> wide[] = {
        {0x1100, 0x115F}, {0x2E80, 0x303E},   {0x3041, 0x33FF},  {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
        {0xA000, 0xA4CF}, {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},  {0xFE30, 0xFE4F}, {0xFF00, 0xFF60},
        {0xFFE0, 0xFFE6}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
    for (const auto& [first, last] : wide) {
        if (c >= first && c <= last)
            return true;
    }
    return false;
}

int CharWidth(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing)
        return 0;
    return IsWide(c) ? 2 : 1;
}

// No line begins with the first or ends with the second.
bool Closing(char32_t c)
{
    return QStringView(u"、。，．・：；！？）」』】〕〉》ー)]},.:;!?").contains(QChar(c));
}

bool Opening(char32_t c)
{
    return QStringView(u"（「『【〔〈《([{").contains(QChar(c));
}

} // namespace

int DisplayWidth(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += CharWidth(c);
    return width;
}

QStringList WrapToWidth(const QString& text, int width)
{
    // The pieces no line break may cut: a space, or characters between two
    // break opportunities.
    struct TPiece {
        QString Text;
        int Width = 0;
        bool Space = false;
    };
    std::vector<TPiece> pieces;
    char32_t previous = U' ';
    for (const char32_t c : text.toUcs4()) {
        const bool space = QChar::isSpace(c);
        const bool breakBefore = (IsWide(previous) || IsWide(c)) && !Closing(c) && !Opening(previous);
        if (space || pieces.empty() || pieces.back().Space || breakBefore)
            pieces.push_back({QString(), 0, space});
        pieces.back().Text += QString::fromUcs4(&c, 1);
        pieces.back().Width += CharWidth(c);
        previous = c;
    }
    QStringList lines;
    QString line;
    int lineWidth = 0;
    const auto endLine = [&] {
        lines << line.trimmed();
        line.clear();
        lineWidth = 0;
    };
    for (const TPiece& piece : pieces) {
        if (piece.Space && line.isEmpty())
            continue;
        if (!piece.Space && !line.isEmpty() && lineWidth + piece.Width > width)
            endLine();
        line += piece.Text;
        lineWidth += piece.Width;
    }
    if (!line.isEmpty() || lines.isEmpty())
        endLine();
    return lines;
}

QString HelpText(const QString& program)
{
    constexpr int kWidth = 79;
    // Qt's texts for --help, --help-all and -v and the frame of the help,
    // given by the program's catalogs too: Qt's Japanese lacks the first two
    // and words the third otherwise than the program's own options.
    const auto qt = [](const char* text) { return QCoreApplication::translate("QCommandLineParser", text); };
    using TRows = QList<std::pair<QString, QString>>;
    QCommandLineParser parser; // Qt's own options, as the parser names them
    TRows options{{OptionNames(parser.addHelpOption()),
                   qt(QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help on commandline options."))},
                  {QStringLiteral("--help-all"),
                   qt(QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help including Qt specific options."))},
                  {OptionNames(parser.addVersionOption()),
                   qt(QT_TRANSLATE_NOOP("QCommandLineParser", "Displays version information."))}};
    for (const QCommandLineOption& option : OwnOptions())
        options.append({OptionNames(option), option.description()});
    const TRows arguments{{TimeName(), TimeDescription()}};
    int nameWidth = 0;
    for (const auto& row : options + arguments)
        nameWidth = std::max(nameWidth, DisplayWidth(row.first) + 1);
    const auto table = [nameWidth](const TRows& rows) {
        QString text;
        for (const auto& [name, description] : rows) {
            QString head = QStringLiteral("  ") + name + QString(nameWidth - DisplayWidth(name) + 1, QLatin1Char(' '));
            for (const QString& line : WrapToWidth(description, kWidth - 3 - nameWidth)) {
                text += head + line + QLatin1Char('\n');
                head = QString(3 + nameWidth, QLatin1Char(' '));
            }
        }
        return text;
    };
    const QString usage = program + QLatin1Char(' ') + qt(QT_TRANSLATE_NOOP("QCommandLineParser", "[options]")) +
                          QLatin1Char(' ') + TimeSyntax();
    QString text = qt(QT_TRANSLATE_NOOP("QCommandLineParser", "Usage: %1")).arg(usage) + QLatin1Char('\n');
    for (const QString& paragraph : Description().split(QLatin1Char('\n')))
        text += WrapToWidth(paragraph, kWidth).join(QLatin1Char('\n')) + QLatin1Char('\n');
    text += QLatin1Char('\n') + qt(QT_TRANSLATE_NOOP("QCommandLineParser", "Options:")) + QLatin1Char('\n') +
            table(options);
    text += QLatin1Char('\n') + qt(QT_TRANSLATE_NOOP("QCommandLineParser", "Arguments:")) + QLatin1Char('\n') +
            table(arguments);
    return text;
}

void SetupCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(Description());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(OwnOptions());
    parser.addPositionalArgument(TimeName(), TimeDescription(), TimeSyntax());
}

int HandleInfoOptions(int argc, char** argv)
{
    bool info = false;
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            info = info || std::strcmp(argv[i], option) == 0;
    }
    if (!info)
        return -1;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    SetupCommandLine(parser);
    // Qt lays out --help by characters, not by the columns they take: the
    // program writes its own. Errors, --help-all and --version are Qt's;
    // showHelp() and showVersion() print and end the process.
    if (parser.parse(arguments) && parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("help-all")) &&
        !parser.isSet(QStringLiteral("version"))) {
        std::fputs(HelpText(arguments.first()).toLocal8Bit().constData(), stdout);
        return 0;
    }
    parser.process(arguments);
    return 0;
}

namespace {

// True when every platform of the list ("wayland;xcb", each tried in turn,
// "xcb:option=value") talks to an X server or a Wayland compositor.
bool PlatformsNeedDisplay(const QString& platforms)
{
    for (const QString& entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("xcb")) && !name.startsWith(QLatin1String("wayland")))
            return false;
    }
    return true; // the default too: X11 or Wayland
}

} // namespace

TCommandLine ReadCommandLine(int argc, char** argv)
{
    // Qt's options that the application objects take out of argv (QApplication,
    // QGuiApplication, the X11 platform), written "-name" or "--name": those
    // that take the next argument as their value, those that may carry it
    // joined on with '=', and those without one.
    static const QRegularExpression withValue(QStringLiteral(
        "^--?(platform|platformpluginpath|platformtheme|plugin|qwindowgeometry|geometry|qwindowtitle|title|"
        "qwindowicon|icon|display|name|session|style|stylesheet|qmljsdebugger)$"));
    static const QRegularExpression joinedOrFlag(QStringLiteral(
        "^--?((style|stylesheet|qmljsdebugger)=.*|reverse|widgetcount|testability|nograb|dograb|sync)$"));
    TCommandLine line;
    // Every byte is kept: a file name need not be UTF-8.
    if (argc > 0)
        line.Arguments << FileName::Decode(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const QString argument = FileName::Decode(argv[i]);
        if (const QRegularExpressionMatch m = withValue.match(argument); m.hasMatch()) {
            const QString value = i + 1 < argc ? FileName::Decode(argv[++i]) : QString();
            if (m.captured(1) == QLatin1String("platform"))
                line.Platform = value;
            else if (m.captured(1) == QLatin1String("display"))
                line.Display = value;
        } else if (!joinedOrFlag.match(argument).hasMatch()) {
            line.Arguments << argument;
        }
    }
    return line;
}

QString NoDisplayText()
{
    return QCoreApplication::translate("ProgramStart",
                                       "Pocosa is not running and there is no display to open its window on");
}

bool DisplayReachable(const TCommandLine& commandLine)
{
    if (!commandLine.Display.isEmpty() || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    const QString platform =
        commandLine.Platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : commandLine.Platform;
    return !PlatformsNeedDisplay(platform);
}

QString WindowDisplayName(const TCommandLine& commandLine)
{
    const QString platform =
        commandLine.Platform.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : commandLine.Platform;
    const bool wayland = platform.trimmed().startsWith(QLatin1String("wayland"));
    if (!wayland && !commandLine.Display.isEmpty())
        return commandLine.Display;
    if (!wayland && !qEnvironmentVariableIsEmpty("DISPLAY"))
        return qEnvironmentVariable("DISPLAY");
    return qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
}

QString CannotOpenWindowText(const QString& display)
{
    return QCoreApplication::translate("ProgramStart", "Pocosa cannot open its window on display %1").arg(display);
}

namespace {

// A message of Qt's held back while the platform starts.
struct THeldMessage {
    QtMsgType Type;
    QByteArray File;
    QByteArray Function;
    QByteArray Category;
    int Line;
    QString Text;
};

struct TPlatformStart {
    QMutex Mutex; // Qt may report from its own threads
    QtMessageHandler Previous = nullptr;
    QByteArray FailureLine;
    std::vector<THeldMessage> Held;
};

TPlatformStart& PlatformStart()
{
    static TPlatformStart state;
    return state;
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    TPlatformStart& state = PlatformStart();
    const QMutexLocker lock(&state.Mutex);
    if (type == QtFatalMsg) {
        // Half a QGuiApplication: no destructor or exit handler may run.
        std::fputs(state.FailureLine.constData(), stderr);
        std::_Exit(1);
    }
    state.Held.push_back({type, context.file, context.function, context.category, context.line, text});
}

const char* OrNull(const QByteArray& text)
{
    return text.isNull() ? nullptr : text.constData();
}

} // namespace

TPlatformStartGuard::TPlatformStartGuard(const QByteArray& failureLine)
{
    TPlatformStart& state = PlatformStart();
    state.FailureLine = failureLine;
    state.Previous = qInstallMessageHandler(HoldMessage);
}

TPlatformStartGuard::~TPlatformStartGuard()
{
    End();
}

void TPlatformStartGuard::End()
{
    if (std::exchange(ended_, true))
        return;
    TPlatformStart& state = PlatformStart();
    qInstallMessageHandler(state.Previous);
    std::vector<THeldMessage> held;
    {
        const QMutexLocker lock(&state.Mutex);
        held.swap(state.Held);
    }
    for (const THeldMessage& m : held) {
        const QMessageLogContext context(OrNull(m.File), m.Line, OrNull(m.Function), OrNull(m.Category));
        state.Previous(m.Type, context, m.Text);
    }
}
