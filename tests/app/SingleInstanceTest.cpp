// One timer window per user: the lock, the request line, and the hand-over
// from a later start to the running program between real processes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <csignal>
#include <functional>
#include <cstring>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "FakeDesktopBus.h"
#include "ProcessRun.h"
#include "SingleInstance.h"
#include "TimerModel.h"

namespace {

using pocosa::test::ProcessRun;

TEST(InstanceProtocol, RequestsAndAnswersSurviveTheLine)
{
    TStartRequest named{60, true, false, true, QString("Tea")}, ask{std::nullopt, false, true};
    ask.Ask = true;
    named.Sound = "/music/bell.ogg", named.Volume = 0, named.Until = true, named.Warn = 600;
    TStartRequest stop{std::nullopt, false, false, false, QString("Tea")}, pause;
    stop.Act = TTimerAct::Stop, pause.Act = TTimerAct::PauseAll;
    named.Repeat = TTimerModel::kRepeatForever;
    for (const TStartRequest& r : {TStartRequest{}, TStartRequest{0, true, false}, TStartRequest{5999, false, false},
                                   TStartRequest{std::nullopt, false, true}, named, ask, stop, pause}) {
        const QByteArray line = EncodeRequest(r);
        EXPECT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1);
        EXPECT_EQ(DecodeRequest(line), r) << line.constData();
    }
    // The moment the asker gives up goes along; one of an older Pocosa has none.
    for (const std::optional<qint64> deadline : {std::optional<qint64>(), std::optional<qint64>(0),
                                                 std::optional<qint64>(TSingleInstance::BootClockMs() + 15000)}) {
        std::optional<qint64> decoded = 42;
        EXPECT_EQ(DecodeRequest(EncodeRequest(named, deadline), &decoded), named);
        EXPECT_EQ(decoded, deadline);
    }
    const TInstanceAnswer a{false, QStringLiteral("04:59 counting down")};
    EXPECT_EQ(DecodeAnswer(EncodeAnswer(a)), a);
    // Sixteen timers with long names: longer than the line of an older program.
    const TInstanceAnswer all{true, "00:00 stopped", {"new", "timer"}, QStringList(16, QString(40, QChar(0x6642))),
                              "no Eggs"};
    EXPECT_GT(EncodeAnswer(all).size(), 1024);
    EXPECT_EQ(DecodeAnswer(EncodeAnswer(all)), all);
    TInstanceAnswer facts = all;
    facts.Facts = {{"", "Timer 1", 299, "counting down", "2026-12-08T12:00:00+09:00", "TIMER"},
                   {"Tea", "Tea", 0, "stopped", "", "TIMER-3"}};
    EXPECT_EQ(DecodeAnswer(EncodeAnswer(facts)), facts);
    EXPECT_FALSE(DecodeAnswer("{\"applied\":true,\"state\":\"\",\"facts\":[{\"name\":\"\",\"label\":\"\","
                              "\"seconds\":6000,\"state\":\"\",\"ends\":null,\"section\":\"\"}]}\n"));
    EXPECT_FALSE(DecodeAnswer("{\"applied\":true,\"state\":\"\",\"timers\":[1]}\n"));
    EXPECT_FALSE(DecodeAnswer("{\"applied\":true,\"state\":\"\",\"knows\":\"new\"}\n"));
}

TEST(InstanceProtocol, MalformedRequestsAreRefused)
{
    const char* lines[] = {
        "",
        "{}\n",
        "not json\n",
        "[1,2]\n",
        "{\"start\":true,\"status\":false}",                 // no line end
        "{\"start\":1,\"status\":false}\n",                  // not a boolean
        "{\"start\":true,\"status\":false,\"seconds\":6000}\n", // over 99:59
        "{\"start\":true,\"status\":false,\"seconds\":-1}\n",
        "{\"start\":true,\"status\":false,\"seconds\":1.5}\n",
        "{\"start\":true,\"status\":false,\"seconds\":\"60\"}\n",
        "{\"start\":true,\"status\":false,\"seconds\":1e300}\n",
        "{\"start\":true,\"status\":false,\"new\":1}\n",
        "{\"start\":true,\"status\":false,\"timer\":7}\n",
        "{\"start\":true,\"status\":false,\"ask\":\"yes\"}\n",
        "{\"start\":true,\"status\":false,\"volume\":101}\n",
        "{\"start\":false,\"status\":true,\"new\":true}\n", // a query asks nothing else
        "{\"start\":true,\"status\":false,\"sound\":1}\n",
        "{\"start\":true,\"status\":false,\"deadline\":-1}\n",
        "{\"start\":true,\"status\":false,\"deadline\":\"soon\"}\n",
        "{\"start\":true,\"status\":false,\"deadline\":1e300}\n",
        "{\"start\":false,\"status\":false,\"act\":\"frobnicate\"}\n",
        "{\"start\":false,\"status\":true,\"act\":\"stop\"}\n",
        "{\"start\":true,\"status\":false,\"warn\":6000}\n",
        "{\"start\":true,\"status\":false,\"repeat\":100}\n",
        "{\"start\":true,\"status\":false,\"repeat\":2.5}\n",
    };
    for (const char* line : lines)
        EXPECT_FALSE(DecodeRequest(QByteArray(line)).has_value()) << line;
    EXPECT_FALSE(DecodeRequest(QByteArray(TSingleInstance::kMaxLine + 10, ' ') + "{}\n").has_value());
}

TEST(SingleInstance, OnlyOneHolderAndTheLockEndsWithIt)
{
    QTemporaryDir folder;
    auto first = std::make_unique<TSingleInstance>(folder.path());
    ASSERT_TRUE(first->Claim());
    EXPECT_TRUE(first->Listening());
    TSingleInstance second(folder.path());
    EXPECT_FALSE(second.Claim());
    EXPECT_FALSE(second.Listen()) << "only the holder listens";
    first.reset();
    EXPECT_FALSE(QFile::exists(folder.filePath("pocosa.socket")));
    EXPECT_TRUE(second.Claim()) << "free again once the holder is gone";

    // A socket file left behind (a killed holder) does not stop listening.
    TSingleInstance third(folder.path() + "/other");
    QDir().mkpath(folder.path() + "/other");
    QFile stale(third.SocketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    ASSERT_TRUE(third.Claim());
    EXPECT_TRUE(third.Listening());

    // Two settings, one runtime folder: the second listens beside its lock,
    // and says so there, leaving the first's socket alone.
    QTemporaryDir run;
    QDir().mkpath(run.path() + "/a"), QDir().mkpath(run.path() + "/b");
    TSingleInstance a(run.path(), run.path() + "/a"), b(run.path(), run.path() + "/b");
    ASSERT_TRUE(a.Claim() && b.Claim());
    EXPECT_EQ(a.ListenerPath(), a.SocketPath());
    EXPECT_EQ(b.ListenerPath(), run.path() + "/b/pocosa.socket");

    // A runtime folder's name with a line break is kept whole.
    const QString broken = run.path() + "/line\nbreak";
    QDir().mkpath(broken), QDir().mkpath(run.path() + "/c");
    TSingleInstance c(broken, run.path() + "/c"), laterC(run.path(), run.path() + "/c");
    ASSERT_TRUE(c.Claim());
    EXPECT_EQ(laterC.ListenerPath(), c.SocketPath());

    // Settings where no lock file can be made, for root too: the lock is
    // in the runtime folder, one for each such folder.
    QFile(run.path() + "/file").open(QIODevice::WriteOnly);
    TSingleInstance d(run.path(), run.path() + "/file"), laterD(run.path(), run.path() + "/file"),
        e(run.path(), run.path() + "/file/e");
    ASSERT_TRUE(d.Claim());
    EXPECT_FALSE(laterD.Claim()) << "a second start finds the first";
    EXPECT_EQ(laterD.ListenerPath(), d.ListenerPath());
    EXPECT_TRUE(d.Listening() && e.Claim() && e.Listening());

    // Where no lock can be made, the program runs on its own.
    TSingleInstance nowhere(folder.path() + "/missing/folder");
    EXPECT_TRUE(nowhere.Claim());
    EXPECT_FALSE(nowhere.Listening());
}

// A raw client of the running window's socket: sends bytes, then returns
// what came back by the time the window closed the connection (the event loop
// runs meanwhile), or "open" when it was still open at the deadline.
int Connect(const TSingleInstance& instance)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(instance.SocketPath());
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string Exchange(int fd, const QByteArray& bytes, int waitMs = 3000)
{
    if (fd < 0)
        return "no connection";
    if (!bytes.isEmpty()) { // sent already, and perhaps answered
        EXPECT_EQ(::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL), bytes.size());
    }
    std::string received;
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        char chunk[256];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n == 0) {
            ::close(fd);
            return received;
        }
        if (n > 0)
            received.append(chunk, std::size_t(n));
        else
            QThread::msleep(5);
    }
    ::close(fd);
    return "open";
}

std::string Exchange(const TSingleInstance& instance, const QByteArray& bytes, int waitMs = 3000)
{
    return Exchange(Connect(instance), bytes, waitMs);
}

TEST(SingleInstance, TheWindowAnswersOneGoodLineAndDropsEverythingElse)
{
    QTemporaryDir folder;
    TSingleInstance window(folder.path());
    ASSERT_TRUE(window.Claim());
    struct stat info{};
    ASSERT_EQ(::stat(QFile::encodeName(window.SocketPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the user's alone";

    std::vector<TStartRequest> seen;
    window.OnRequest = [&seen](const TStartRequest& r) {
        seen.push_back(r);
        return TInstanceAnswer{true, QStringLiteral("04:59 counting down")};
    };
    const TStartRequest request{299, true, false};
    EXPECT_EQ(Exchange(window, EncodeRequest(request)), EncodeAnswer({true, "04:59 counting down"}).toStdString());
    // Two lines in one go get one answer: one request a connection.
    const QByteArray line = EncodeRequest(request);
    EXPECT_EQ(Exchange(window, line + line), EncodeAnswer({true, "04:59 counting down"}).toStdString());
    EXPECT_EQ(seen.size(), 2u);

    EXPECT_EQ(Exchange(window, "not json\n"), "") << "closed without an answer";
    EXPECT_EQ(Exchange(window, QByteArray(TSingleInstance::kMaxLine + 100, '{')), "") << "an endless line";
    EXPECT_EQ(Exchange(window, "{\"start\":true", 300), "open") << "a slow client is waited for a while";
    EXPECT_EQ(Exchange(window, "{\"start\":true", TSingleInstance::kClientTimeoutMs + 3000), "")
        << "but not for ever";
    EXPECT_EQ(seen.size(), 2u);

    // A later start in another thread, the way a second process hands over.
    std::optional<TInstanceAnswer> answer;
    std::atomic<bool> done = false;
    TSingleInstance later(folder.path());
    std::thread client([&] {
        answer = later.HandOver(TStartRequest{60, false, false}, 10000);
        done = true;
    });
    const QDeadlineTimer deadline(10000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    client.join();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->State, "04:59 counting down");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen.back().Seconds, 60);
}

TEST(SingleInstance, ConnectionsThatSayNothingHoldUpNobody)
{
    QTemporaryDir folder;
    TSingleInstance window(folder.path());
    ASSERT_TRUE(window.Claim());
    window.OnRequest = [](const TStartRequest&) { return TInstanceAnswer{true, QStringLiteral("00:00 stopped")}; };
    const std::string answer = EncodeAnswer({true, "00:00 stopped"}).toStdString();
    const QByteArray request = EncodeRequest({});
    std::vector<int> idle;
    for (int i = 0; i < TSingleInstance::kMaxConnections + 9; ++i) {
        idle.push_back(Connect(window));
        QCoreApplication::processEvents(); // accepted
    }
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(Exchange(window, request), answer);
    EXPECT_LT(elapsed.elapsed(), 1000);
    for (int fd : idle)
        ::close(fd);

    // Requests held while the program opens its timers are no silence: they
    // are answered once released, and beyond the limit more wait in the
    // socket's queue, the listening socket not watched meanwhile.
    window.HoldRequests(true);
    std::vector<int> asking;
    for (int i = 0; i <= TSingleInstance::kMaxConnections; ++i) {
        asking.push_back(Connect(window));
        ASSERT_EQ(::send(asking.back(), request.constData(), std::size_t(request.size()), MSG_NOSIGNAL),
                  request.size());
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(Exchange(asking.front(), QByteArray(), 300), "open");
    asking.erase(asking.begin());
    const auto listening = window.findChildren<QSocketNotifier*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(listening.size(), 1);
    EXPECT_FALSE(listening.front()->isEnabled());
    window.HoldRequests(false);
    for (int fd : asking)
        EXPECT_EQ(Exchange(fd, QByteArray()), answer);
}

// A start that would open a window, in another thread (as another process
// would), against a window that is closing. Returns whether it took over.
bool LaterStartTakesOver(TSingleInstance& later, const std::function<void()>& closeWindow)
{
    std::optional<TInstanceAnswer> answer = TInstanceAnswer{};
    std::thread client([&] { answer = later.HandOver(TStartRequest{60, true, false}, 10000, true, true); });
    QThread::msleep(200); // the request is under way
    closeWindow();
    client.join();
    return !answer && later.Holding() && later.Listen();
}

TEST(SingleInstance, AStartWhileTheWindowClosesTakesItsPlace)
{
    QTemporaryDir folder;
    {
        // The window has stopped listening and is writing its settings.
        auto window = std::make_unique<TSingleInstance>(folder.path());
        ASSERT_TRUE(window->Claim());
        window->StopListening();
        EXPECT_FALSE(window->Listening());
        EXPECT_TRUE(window->Holding());
        EXPECT_FALSE(QFile::exists(window->SocketPath()));
        TSingleInstance later(folder.path());
        ASSERT_FALSE(later.Claim());
        EXPECT_TRUE(LaterStartTakesOver(later, [&] { window.reset(); }));
    }
    {
        // The request was queued, but the window's event loop had ended.
        auto window = std::make_unique<TSingleInstance>(folder.path());
        ASSERT_TRUE(window->Claim());
        TSingleInstance later(folder.path());
        ASSERT_FALSE(later.Claim());
        EXPECT_TRUE(LaterStartTakesOver(later, [&] {
            window->StopListening();
            QThread::msleep(200);
            window.reset();
        }));
    }
}

TEST(SingleInstance, AStuckWindowIsToldApartFromNone)
{
    QTemporaryDir folder;
    TSingleInstance window(folder.path());
    ASSERT_TRUE(window.Claim());
    TSingleInstance query(folder.path());
    TStartRequest status;
    status.Status = true;
    bool reached = false;
    // The window's event loop does not run here: it takes the connection
    // (the kernel queues it) but never answers.
    EXPECT_FALSE(query.HandOver(status, 300, false, false, &reached).has_value());
    EXPECT_TRUE(reached);
    // Its queue full: busy, not absent, and served once the event loop runs.
    std::vector<int> queued;
    for (int fd = Connect(window); fd >= 0; fd = Connect(window))
        queued.push_back(fd);
    std::thread client([&] { EXPECT_TRUE(query.HandOver(status, 10000, false, false).has_value()); });
    QThread::msleep(300);
    for (const QDeadlineTimer served(2000); !served.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    client.join();
    for (int fd : queued)
        ::close(fd);
    window.StopListening();
    EXPECT_FALSE(query.HandOver(status, 300, false, false, &reached).has_value());
    EXPECT_FALSE(reached);
}

TEST(SingleInstance, ASocketPathTooLongStillRunsTheProgramAlone)
{
    QTemporaryDir root;
    const QString deep = root.path() + "/" + QString(120, 'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    TSingleInstance alone(deep);
    EXPECT_TRUE(alone.Claim());
    EXPECT_FALSE(alone.Listening());
    TSingleInstance later(deep);
    EXPECT_FALSE(later.Claim()) << "the lock still keeps a second window out";
    EXPECT_TRUE(later.Unreachable()) << "nothing to wait for";
    EXPECT_FALSE(later.HandOver(TStartRequest{}, 200).has_value());
}

// The program in a folder of its own with a private runtime folder, so that
// it meets no other copy of itself.
class ProgramHandOver : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/../bin/pocosa", Program()));
        ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/../bin/timer.wav",
                                folder.filePath("timer.wav")));
        ASSERT_TRUE(QDir().mkpath(folder.filePath("translations")));
        for (const char* catalog : {"pocosa_en.qm", "pocosa_ja.qm"})
            ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/../bin/translations/" + catalog,
                                    folder.filePath("translations/") + catalog));
        ASSERT_TRUE(QDir().mkpath(folder.filePath("run")));
        QFile::setPermissions(folder.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", folder.filePath("run"));
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + folder.filePath("no-bus"));
        // Later starts come without a display (ssh, cron, a text console).
        laterEnv = env;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            laterEnv.remove(name);
    }

    void TearDown() override
    {
        if (first.state() != QProcess::NotRunning) {
            first.kill();
            first.waitForFinished(10000);
        }
    }

    QString Program() const { return folder.filePath("pocosa"); }

    void StartFirst(const QStringList& args)
    {
        first.setProcessEnvironment(env);
        first.start(Program(), args);
        ASSERT_TRUE(first.waitForStarted(20000));
    }

    // A later start; out without its line end.
    ProcessRun Run(const QStringList& args)
    {
        pocosa::test::ProcessOptions options;
        options.env = laterEnv;
        ProcessRun run = pocosa::test::runProcess(Program(), args, options);
        run.out = run.out.trimmed();
        return run;
    }

    // The running program's state, once it answers.
    std::string StatusWhenUp()
    {
        const QDeadlineTimer deadline(30000);
        ProcessRun run;
        do {
            run = Run({"--status"});
            if (run.status == 0)
                return run.out.toStdString();
            QThread::msleep(100);
        } while (!deadline.hasExpired());
        return "no answer: " + run.err.toStdString();
    }

    QTemporaryDir folder;
    QProcessEnvironment env;
    QProcessEnvironment laterEnv;
    QProcess first;
};

TEST_F(ProgramHandOver, LaterStartsHandTheirRequestToTheRunningWindow)
{
    const ProcessRun none = Run({"--status"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "pocosa: Pocosa is not running\n");
    const ProcessRun alone = Run({"5m"});
    EXPECT_EQ(alone.status, 1) << "no window to take it and no display to open one";
    EXPECT_EQ(alone.err, "pocosa: Pocosa is not running and there is no display to open its window on\n");
    // A display named but not there (a stale ssh X forward): no abort, and
    // the settings with their kept timer stay as they were.
    int unused = 900;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(unused)))
        ++unused;
    const QString settings = folder.filePath("Data/application.ini");
    const QByteArray kept = "[TIMER]\nSECONDS=90\nRUNNING=1\nCOUNTUP=0\nSTART=1\nEND=2\n";
    ASSERT_TRUE(QDir().mkpath(folder.filePath("Data")));
    QFile keptFile(settings);
    ASSERT_TRUE(keptFile.open(QIODevice::WriteOnly) && keptFile.write(kept) == kept.size());
    keptFile.close();
    laterEnv.insert("DISPLAY", QStringLiteral(":%1").arg(unused));
    const ProcessRun stale = Run({"5m"});
    laterEnv.remove("DISPLAY");
    EXPECT_EQ(stale.status, 1) << stale.err.toStdString();
    EXPECT_EQ(stale.err.toStdString(),
              QStringLiteral("pocosa: Pocosa cannot open its window on display :%1\n").arg(unused).toStdString());
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), kept);
    keptFile.close();
    ASSERT_TRUE(QFile::remove(settings));
    EXPECT_EQ(Run({"--bogus"}).status, 2);
    env.insert("LANGUAGE", "ja"); // the window answers each caller in the caller's language
    // No compositor: the window opens on the second platform, and what Qt
    // said about the first still reaches stderr.
    env.insert("QT_QPA_PLATFORM", "wayland;offscreen");
    env.insert("WAYLAND_DISPLAY", folder.filePath("no-compositor"));
    StartFirst({"3:30"});
    EXPECT_EQ(StatusWhenUp(), "03:30 stopped") << "the first start takes its own time";

    ProcessRun second = Run({"5m", "--start"});
    EXPECT_EQ(second.status, 0) << second.err.toStdString();
    const QString state = Run({"--status"}).out;
    EXPECT_TRUE(QRegularExpression("^0[45]:[0-9][0-9] counting down$").match(state).hasMatch()) << state.toStdString();

    ProcessRun busy = Run({"1m"});
    EXPECT_EQ(busy.status, 1) << "not done";
    EXPECT_TRUE(busy.err.contains(", so it was not set to 01:00\n")) << busy.err.toStdString();
    EXPECT_TRUE(Run({"--status"}).out.endsWith("counting down")) << "a running timer is left alone";
    laterEnv.insert("LANGUAGE", "ja");
    busy = Run({"1m"});
    EXPECT_TRUE(busy.err.contains(" カウントダウン中)、01:00 にセットしていません\n")) << busy.err.toStdString();
    EXPECT_TRUE(Run({"--status"}).out.endsWith(" counting down")) << "scripts read English in every language";
    laterEnv.insert("LANGUAGE", "en");

    ProcessRun refused = Run({"1:05:00"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains("99:59")) << refused.err.toStdString();

    EXPECT_EQ(Run({}).status, 0) << "a plain start just raises the running window";
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(pid_t(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(first.readAllStandardError().contains("\"wayland\""));
    EXPECT_EQ(Run({"--status"}).status, 1) << "gone with the first";
}

TEST_F(ProgramHandOver, AKilledProgramDoesNotBlockTheNextStart)
{
    StartFirst({});
    EXPECT_EQ(StatusWhenUp(), "00:00 stopped");
    first.kill(); // SIGKILL: the socket file stays behind
    ASSERT_TRUE(first.waitForFinished(20000));
    StartFirst({"90s", "--start"});
    const std::string state = StatusWhenUp();
    EXPECT_TRUE(QRegularExpression("^01:[23][0-9] counting down$").match(QString::fromStdString(state)).hasMatch())
        << state;
}

// Later starts that see another runtime folder, or none, or a read-only one,
// reach the window through the lock beside the settings.
TEST_F(ProgramHandOver, TheSettingsLockFindsTheWindowFromAnyRuntimeFolder)
{
    using TEnv = QProcessEnvironment;
    const struct {
        const char* Name;
        std::function<void(TEnv& first, TEnv& later)> Setup;
    } rows[] = {
        {"no runtime folder (cron, su -)", [](TEnv&, TEnv& later) { later.remove("XDG_RUNTIME_DIR"); }},
        {"another runtime folder", [&](TEnv&, TEnv& later) { later.insert("XDG_RUNTIME_DIR", folder.path()); }},
        {"a runtime folder that takes no socket (read-only, or a file, for root too)",
         [&](TEnv& first, TEnv& later) { first.insert("XDG_RUNTIME_DIR", Program()), later = first; }},
    };
    const TEnv firstEnv = env, laterFirst = laterEnv;
    for (const auto& row : rows) {
        env = firstEnv, laterEnv = laterFirst;
        row.Setup(env, laterEnv);
        laterEnv.remove("QT_QPA_PLATFORM");
        StartFirst({"2:00"});
        EXPECT_EQ(StatusWhenUp(), "02:00 stopped") << row.Name;
        EXPECT_EQ(Run({"1m"}).status, 0) << row.Name;
        laterEnv.insert("QT_QPA_PLATFORM", "offscreen"); // could open a window of its own
        EXPECT_EQ(Run({}).status, 0) << row.Name;
        EXPECT_EQ(Run({"--status"}).out, "01:00 stopped") << row.Name;
        ::kill(pid_t(first.processId()), SIGTERM);
        ASSERT_TRUE(first.waitForFinished(20000));
    }
}

// A session bus that stops answering during a count-down (stopped), and a
// sound server that takes the connection and never answers, hold up neither
// the alarm, nor the answers to later starts, nor the end on SIGTERM.
TEST_F(ProgramHandOver, ABusOrSoundServerThatStopsAnsweringHoldsNothingUp)
{
    TPrivateBus bus;
    ASSERT_TRUE(bus.Running());
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/../bin/pocosa-sound.so",
                            folder.filePath("pocosa-sound.so")));
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0); // listens, never accepts
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, QFile::encodeName(folder.filePath("run/sound")).constData());
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 8), 0);
    env.insert("PULSE_SERVER", "unix:" + folder.filePath("run/sound"));
    StartFirst({"3s", "--start"});
    EXPECT_TRUE(StatusWhenUp().ends_with("counting down"));
    bus.Freeze(true);
    QElapsedTimer elapsed;
    elapsed.start();
    while (Run({"--status"}).out != "00:00 alarm" && elapsed.elapsed() < 8000) // each answered at once
        QThread::msleep(100);
    EXPECT_LT(elapsed.elapsed(), 8000) << "the alarm rang and every later start had its answer";
    QThread::msleep(1500); // the alarm's notification is under way on the stopped bus
    EXPECT_EQ(Run({"--status"}).out, "00:00 alarm");
    elapsed.restart();
    ::kill(pid_t(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_LT(elapsed.elapsed(), 3000);
    EXPECT_EQ(first.exitCode(), 0);
    ::close(server);
}

} // namespace
