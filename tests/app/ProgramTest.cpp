// The program as a process: command-line options and a clean end on signals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include "SignalQuit.h"

namespace {

// The test executables live in <build>/tests, the program in <build>/bin.
QString ProgramFile()
{
    return QCoreApplication::applicationDirPath() + "/../bin/pocosa";
}

TEST(ProgramOptions, VersionAndHelpNeedNoDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    const struct {
        const char* Option;
        const char* Expected;
    } rows[] = {{"--version", "Pocosa 0.9.0.0\n"}, {"-v", "Pocosa 0.9.0.0\n"}, {"--help", "--version"}};
    for (const auto& row : rows) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(ProgramFile(), {row.Option});
        ASSERT_TRUE(p.waitForFinished(20000)) << row.Option << p.errorString().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << row.Option;
        EXPECT_EQ(p.exitCode(), 0) << row.Option;
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (QString(row.Option) != "--help")
            EXPECT_EQ(out, row.Expected) << row.Option;
        else
            EXPECT_TRUE(out.contains(row.Expected)) << row.Option << ": " << out.toStdString();
    }
}

TEST(ProgramSignals, TermIntAndHupEndTheProgramNormally)
{
    // A copy in a folder of its own, so the program folder is not the build tree.
    QTemporaryDir folder;
    const QString program = folder.filePath("pocosa");
    ASSERT_TRUE(QFile::copy(ProgramFile(), program));
    for (const int signo : {SIGTERM, SIGINT, SIGHUP}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(program, {});
        ASSERT_TRUE(p.waitForStarted(20000)) << p.errorString().toStdString();
        ASSERT_FALSE(p.waitForFinished(2000)) << "still running before the signal";
        ::kill(pid_t(p.processId()), signo);
        ASSERT_TRUE(p.waitForFinished(20000)) << signo;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "signal " << signo;
        EXPECT_EQ(p.exitCode(), 0) << "signal " << signo;
    }
}

TEST(ProgramSignals, SignalArrivesOnTheEventLoopAndHandlersAreRestored)
{
    struct sigaction before {};
    sigaction(SIGHUP, nullptr, &before);
    {
        int received = 0;
        TSignalQuit quit([&received](int signo) { received = signo; });
        ASSERT_TRUE(quit.Installed());
        TSignalQuit second([](int) {});
        EXPECT_FALSE(second.Installed()) << "one at a time";
        ::raise(SIGHUP);
        const QDeadlineTimer deadline(5000);
        while (received == 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(received, SIGHUP);
    }
    struct sigaction after {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
