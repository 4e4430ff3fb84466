// The program as a process: command-line options, what start-up loads and a
// clean end on signals.
#include <gtest/gtest.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <set>

#include "ProcessRun.h"
#include "ProgramStart.h"
#include "SignalQuit.h"

namespace {

// The test executables live in <build>/tests, the program in <build>/bin.
QString ProgramFile()
{
    return QCoreApplication::applicationDirPath() + "/../bin/pocosa";
}

int Columns(const QString& text) // on a terminal: kana and kanji take two
{
    return int(std::count_if(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x1100; }) + text.size());
}

TEST(ProgramOptions, VersionAndHelpNeedNoDisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    const struct {
        const char* Option;
        const char* Expected;
        const char* Language = "en";
        const char* Absent = nullptr; // in --help
    } rows[] = {{"--version", "Pocosa 0.9.0.0\n"},
                {"-v", "Pocosa 0.9.0.0\n"},
                {"--help", "--version"},
                {"--help", "Kitchen timer\n"},
                {"--help", "キッチンタイマー\n", "ja"},
                {"--help", "あわせてタイマーをスタートします", "ja_JP.UTF-8"},
                {"--help", "バージョン情報を表示します。", "ja", "Displays"}};
    for (const auto& row : rows) {
        QProcess p;
        env.insert("LANGUAGE", row.Language);
        p.setProcessEnvironment(env);
        p.start(ProgramFile(), {row.Option});
        ASSERT_TRUE(p.waitForFinished(20000)) << row.Option << p.errorString().toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << row.Option;
        EXPECT_EQ(p.exitCode(), 0) << row.Option;
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (QString(row.Option) != "--help")
            EXPECT_EQ(out, row.Expected) << row.Option;
        else
            EXPECT_TRUE(out.contains(row.Expected) && !(row.Absent && out.contains(row.Absent)))
                << row.Option << ": " << out.toStdString();
        std::set<int> columns; // on a terminal: within 80 columns, each description in one column
        for (const QString& line : out.split('\n')) {
            EXPECT_LE(Columns(line), 80) << line.toStdString();
            const qsizetype text = line.indexOf(QRegularExpression("[^ ]")), gap = line.indexOf("  ", 2);
            if (text > 1) // "  -s, --start    Start..." or a description's next line
                columns.insert(text > 2 ? int(text) : Columns(line.left(line.indexOf(QRegularExpression("\\S"), gap))));
        }
        EXPECT_EQ(columns.size(), QString(row.Option) == "--help" ? 1U : 0U) << out.toStdString();
    }
}

// A sound that cannot be played or a volume out of range ends the start
// with status 2 before anything is handed over or opened.
TEST(ProgramOptions, ABadSoundOrVolumeIsRefusedWithStatus2)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("LANGUAGE", "en");
    const std::pair<QStringList, const char*> rows[] = {
        {{"--sound", "/no/such/bell.ogg"}, "\"/no/such/bell.ogg\" cannot be played: "},
        {{"--sound", QCoreApplication::applicationFilePath()}, "cannot be played: "},
        {{"--volume", "-5"}, "a whole number from 0 to 100"}};
    for (const auto& [args, says] : rows) {
        const pocosa::test::ProcessRun run = pocosa::test::runProcess(ProgramFile(), args, {env});
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(says)) << run.err.toStdString();
    }
}

TEST(ProgramOptions, HelpLinesBreakWhereATerminalWouldShowThem)
{
    const std::tuple<const char*, int, QStringList> rows[] = {
        {"one two three", 7, {"one two", "three"}}, {"あいうえお", 6, {"あいう", "えお"}},
        {"セットする時間 (例: 5m、90s)。", 15, {"セットする時間", "(例: 5m、90s)。"}}, {"", 10, {""}},
        {"表示します。終わり", 12, {"表示します。", "終わり"}}, {"表示します。", 10, {"表示しま", "す。"}},
        {"「かぎ」", 4, {"「か", "ぎ」"}}, {"unbreakable", 4, {"unbreakable"}}, {"x a\xcc\x81", 3, {"x a\xcc\x81"}}};
    for (const auto& [text, width, lines] : rows)
        EXPECT_EQ(WrapToWidth(QString::fromUtf8(text), width), lines) << text;
    QCommandLineParser parser; // narrow characters only: laid out as Qt does
    SetupCommandLine(parser);
    EXPECT_EQ(HelpText(QCoreApplication::arguments().first()), parser.helpText());
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

    // Once the program is closing, the signals stay ignored.
    {
        TSignalQuit quit([](int) { ADD_FAILURE() << "no signal is delivered while closing"; });
        quit.IgnoreFromNowOn();
        ::raise(SIGHUP);
        QCoreApplication::processEvents();
    }
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    sigaction(SIGHUP, &before, nullptr);
}

// A copy of the program folder (with its sound module and BMP pictures) with
// private runtime and settings folders, started under the offscreen platform.
class TProgramCopy {
public:
    TProgramCopy()
    {
        const QString bin = QCoreApplication::applicationDirPath() + "/../bin/";
        for (const char* name : {"pocosa", "pocosa-sound.so", "timer.wav"})
            EXPECT_TRUE(QFile::copy(bin + name, Folder.filePath(name))) << name;
        // Only the BMP pictures: the one shown first is read by the BMP
        // reader, which must load no image plugin.
        QDir().mkpath(Folder.filePath("backimage"));
        const QStringList pictures = QDir(bin + "backimage").entryList({"*.bmp"}, QDir::Files);
        EXPECT_FALSE(pictures.isEmpty());
        for (const QString& name : pictures)
            QFile::copy(bin + "backimage/" + name, Folder.filePath("backimage/" + name));
        QDir().mkpath(Folder.filePath("run"));
        QFile::setPermissions(Folder.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("POCOSA_FIRST_FRAME", "1");
        env.insert("XDG_RUNTIME_DIR", Folder.filePath("run"));
        env.insert("HOME", Folder.filePath("home"));
        env.insert("XDG_CONFIG_HOME", Folder.filePath("home/.config"));
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        Process.setProcessEnvironment(env);
    }

    ~TProgramCopy()
    {
        Process.kill();
        Process.waitForFinished(10000);
    }

    // Starts the copy; true once it has painted its first frame.
    bool Start(const QStringList& args)
    {
        Process.start(Folder.filePath("pocosa"), args);
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && Process.state() != QProcess::NotRunning) {
            Process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
            if (Process.readAllStandardOutput().contains("first-frame "))
                return true;
        }
        return false;
    }

    QString Maps()
    {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(Process.processId()));
        return maps.open(QIODevice::ReadOnly) ? QString::fromUtf8(maps.readAll()) : QString();
    }

    QTemporaryDir Folder;
    QProcess Process;
};

TEST(ProgramStartUp, TheFirstFrameLoadsNeitherSoundNorNetworkNorImagePlugins)
{
    TProgramCopy program;
    ASSERT_TRUE(program.Start({}));
    QThread::msleep(300);
    const QString maps = program.Maps();
    for (const char* library : {"pocosa-sound.so", "libQt6Multimedia", "libsndfile", "libpulse", "libQt6Network",
                                "/imageformats/", "libQt6Svg"})
        EXPECT_FALSE(maps.contains(library)) << library << " is loaded before it is needed";
}

TEST(ProgramStartUp, TheAlarmLoadsTheSoundModule)
{
    // Counting down one second: the alarm's first step plays the sound.
    TProgramCopy program;
    ASSERT_TRUE(program.Start({"00:01", "--start"}));
    QThread::msleep(3000);
    EXPECT_TRUE(program.Maps().contains("pocosa-sound.so"));
}

TEST(ProgramSignals, SignalsDuringShutDownDoNotCutTheSettingsWrites)
{
    // A session manager and then the service manager both asking the program
    // to end: signals keep coming while it writes its settings.
    TProgramCopy program;
    ASSERT_TRUE(program.Start({}));
    const pid_t pid = pid_t(program.Process.processId());
    const QDeadlineTimer deadline(20000);
    while (!program.Process.waitForFinished(1) && !deadline.hasExpired())
        for (const int signo : {SIGTERM, SIGHUP, SIGINT})
            ::kill(pid, signo);
    ASSERT_EQ(program.Process.state(), QProcess::NotRunning);
    EXPECT_EQ(program.Process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.Process.exitCode(), 0);
    QFile settings(program.Folder.filePath("Data/application.ini"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("lemon.bmp")) << "the picture history was written";
}

} // namespace
