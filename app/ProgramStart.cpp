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
    parser.setApplicationDescription(QStringLiteral("Kitchen timer"));
    parser.addHelpOption();
    parser.addVersionOption();
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
