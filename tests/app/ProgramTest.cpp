// The program as a process: command-line options, what start-up loads and a
// clean end on signals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
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

// What the program has mapped once it has shown its first frame.
struct TStartedProgram {
    bool FirstFrame = false;
    QString Maps;
};

TStartedProgram StartAndReadMaps(const QStringList& args, int settleMs)
{
    // A copy of the program folder (with its sound module and pictures) and
    // private runtime and settings folders.
    QTemporaryDir folder;
    const QString bin = QCoreApplication::applicationDirPath() + "/../bin/";
    for (const char* name : {"pocosa", "pocosa-sound.so", "timer.wav"})
        EXPECT_TRUE(QFile::copy(bin + name, folder.filePath(name))) << name;
    QDir().mkpath(folder.filePath("backimage"));
    for (const QString& name : QDir(bin + "backimage").entryList(QDir::Files))
        QFile::copy(bin + "backimage/" + name, folder.filePath("backimage/" + name));
    QDir().mkpath(folder.filePath("run"));
    QFile::setPermissions(folder.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("POCOSA_FIRST_FRAME", "1");
    env.insert("XDG_RUNTIME_DIR", folder.filePath("run"));
    env.insert("HOME", folder.filePath("home"));
    env.insert("XDG_CONFIG_HOME", folder.filePath("home/.config"));
    env.remove("DBUS_SESSION_BUS_ADDRESS");

    QProcess p;
    p.setProcessEnvironment(env);
    p.start(folder.filePath("pocosa"), args);
    TStartedProgram started;
    const QDeadlineTimer deadline(30000);
    while (!started.FirstFrame && !deadline.hasExpired()) {
        p.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        started.FirstFrame = p.readAllStandardOutput().contains("first-frame ");
        if (p.state() == QProcess::NotRunning)
            break;
    }
    if (started.FirstFrame) {
        QThread::msleep(settleMs);
        QFile maps(QStringLiteral("/proc/%1/maps").arg(p.processId()));
        if (maps.open(QIODevice::ReadOnly))
            started.Maps = QString::fromUtf8(maps.readAll());
    }
    p.kill();
    p.waitForFinished(10000);
    return started;
}

TEST(ProgramStartUp, TheFirstFrameLoadsNeitherSoundNorNetworkNorImagePlugins)
{
    const TStartedProgram started = StartAndReadMaps({}, 300);
    ASSERT_TRUE(started.FirstFrame);
    for (const char* library : {"pocosa-sound.so", "libQt6Multimedia", "libpulse", "libQt6Network",
                                "/imageformats/", "libQt6Svg"})
        EXPECT_FALSE(started.Maps.contains(library)) << library << " is loaded before it is needed";
}

TEST(ProgramStartUp, TheAlarmLoadsTheSoundModule)
{
    // Counting down one second: the alarm's first step plays the sound.
    const TStartedProgram started = StartAndReadMaps({"00:01", "--start"}, 3000);
    ASSERT_TRUE(started.FirstFrame);
    EXPECT_TRUE(started.Maps.contains("pocosa-sound.so"));
}

} // namespace
