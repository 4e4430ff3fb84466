#include "ProgramStart.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMutex>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

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

// Qt's texts for --help, --help-all and -v, given by the program's catalogs
// too: Qt's Japanese lacks the first two and words the third otherwise than
// the program's own options.
[[maybe_unused]] const char* const kQtOptionTexts[] = {
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help on commandline options."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays help including Qt specific options."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Displays version information."),
};

} // namespace

void SetupCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QCoreApplication::translate(
        "ProgramStart", "Kitchen timer\n\n"
                        "A time sets the timer when it is stopped: 5m (minutes), 90s (seconds),\n"
                        "1m30s, 3:30 (minutes:seconds) or a plain 5 (minutes); at most 99:59.\n"
                        "When Pocosa is already running for this user, the request goes to its\n"
                        "window (without a time it just comes to the front) and this call ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({{QStringLiteral("s"), QStringLiteral("start")},
                      QCoreApplication::translate("ProgramStart", "Start the timer as well.")});
    parser.addOption({QStringLiteral("status"),
                      QCoreApplication::translate(
                          "ProgramStart", "Print the running timer's time and state, e.g. \"04:59 counting down\".")});
    // The argument's name is only shown: the time is read by its position.
    parser.addPositionalArgument(QCoreApplication::translate("ProgramStart", "time"),
                                 QCoreApplication::translate("ProgramStart", "The time to set, e.g. 5m, 90s or 3:30."),
                                 QCoreApplication::translate("ProgramStart", "[time]"));
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
    // showHelp() and showVersion() print and end the process.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    SetupCommandLine(parser);
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
    if (argc > 0)
        line.Arguments << QString::fromLocal8Bit(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (const QRegularExpressionMatch m = withValue.match(argument); m.hasMatch()) {
            const QString value = i + 1 < argc ? QString::fromLocal8Bit(argv[++i]) : QString();
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
