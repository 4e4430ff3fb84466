#include "ProgramStart.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

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
}

void SetupCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Kitchen timer\n\n"
        "A time sets the timer when it is stopped: 5m (minutes), 90s (seconds),\n"
        "1m30s, 3:30 (minutes:seconds) or a plain 5 (minutes); at most 99:59.\n"
        "When Pocosa is already running for this user, the request goes to its\n"
        "window (without a time it just comes to the front) and this call ends."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({{QStringLiteral("s"), QStringLiteral("start")}, QStringLiteral("Start the timer as well.")});
    parser.addOption({QStringLiteral("status"),
                      QStringLiteral("Print the running timer's time and state, e.g. \"04:59 counting down\".")});
    parser.addPositionalArgument(QStringLiteral("time"), QStringLiteral("The time to set, e.g. 5m, 90s or 3:30."),
                                 QStringLiteral("[time]"));
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
    QCoreApplication core(argc, argv);
    SetupProgramInfo();
    QCommandLineParser parser;
    SetupCommandLine(parser);
    parser.process(core);
    return 0;
}
