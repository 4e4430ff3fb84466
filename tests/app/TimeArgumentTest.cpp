// The command line: every accepted time form and every refusal, Qt's own
// options left to Qt, and when there is no display to open a window on.
#include <gtest/gtest.h>

#include <QDir>

#include <QDeadlineTimer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "FakeDesktopBus.h"
#include "FileName.h"
#include "ProgramStart.h"
#include "SessionBus.h"
#include "TimeArgument.h"
#include "TimeOfDay.h"
#include "TimerServices.h"
#include "vlmGlobalIniText.h"

namespace {

// The command line as main() gets it, "pocosa" first.
TCommandLine Read(const QStringList& args)
{
    std::vector<QByteArray> bytes{"pocosa"};
    for (const QString& a : args)
        bytes.push_back(FileName::Encode(a)); // as FileName::Decode reads it back
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    return ReadCommandLine(int(argv.size()), argv.data());
}

TEST(TimeArgument, AcceptedForms)
{
    const struct {
        const char* Text;
        int Seconds;
    } rows[] = {
        {"5m", 300},      {"5M", 300},      {"90s", 90},     {"90S", 90},       {"1m30s", 90},
        {"0m05s", 5},     {"3:30", 210},    {"03:30", 210},  {"0:59", 59},      {"99:59", 5999},
        {"5", 300},       {"99", 5940},     {"99m", 5940},   {"5999s", 5999},   {"99m59s", 5999},
        {"0", 0},         {"0s", 0},        {"0:00", 0},     {"0005m", 300},    {"000000000000090s", 90},
    };
    for (const auto& row : rows) {
        try {
            EXPECT_EQ(ParseTimeArgument(QString::fromLatin1(row.Text)), row.Seconds) << row.Text;
        } catch (const ETimeArgument& e) {
            ADD_FAILURE() << row.Text << ": " << e.what();
        }
    }
}

TEST(TimeArgument, RefusalsSayWhy)
{
    const struct {
        const char* Text;
        const char* Says;
    } rows[] = {
        {"1:05:00", "hours"},
        {"0:05:00", "hours"},
        {"100m", "99:59"},
        {"100", "99:59"},
        {"6000s", "99:59"},
        {"100:00", "99:59"},
        {"99m60s", "00 to 59"},
        {"3:60", "00 to 59"},
        {"99999999999999999999m", "99:59"},
        {"3:5", "not a time"},
        {"1.5m", "not a time"},
        {"5 m", "not a time"},
        {"5min", "not a time"},
        {"m", "not a time"},
        {"1h", "not a time"},
        {"+5m", "not a time"},
        {"５m", "not a time"}, // full-width digit
        {"", "empty"},
    };
    for (const auto& row : rows) {
        try {
            const int seconds = ParseTimeArgument(QString::fromUtf8(row.Text));
            ADD_FAILURE() << row.Text << " accepted as " << seconds;
        } catch (const ETimeArgument& e) {
            EXPECT_NE(std::string(e.what()).find(row.Says), std::string::npos) << row.Text << ": " << e.what();
        }
    }
}

// --until against a fixed clock: seconds left, or (-1) refused with the words.
TEST(TimeArgument, UntilATimeOfDay)
{
    const char* bad = "not a time of day";
    const struct { QTime Now; const char* Text; int Seconds; const char* Says = ""; } rows[] = {
        {{17, 29, 30}, "17:30", 30}, {{17, 29, 30, 1}, "17:30", 30}, {{16, 0}, "5:30 PM", 5400}, {{16, 0}, "5pm", 3600},
        {{16, 0}, "16:00:59", 59}, {{16, 0}, "16:59", 3540}, {{23, 0}, "12am", 3600}, {{23, 0}, "00:00", 3600},
        {{11, 0}, "12pm", 3600}, {{12, 0}, "1pm", 3600}, {{0, 30}, "1am", 1800}, {{23, 0, 1}, "0:40", 5999},
        {{15, 20, 1}, "17:00", 5999}, {{17, 30, 14}, "17:30:15", 1}, {{0, 0}, "7:5", -1, bad},
        {{15, 20}, "17:00", -1, "1:40:00"}, {{11, 0}, "12:30am", -1, "13:30:00"}, {{17, 31}, "17:30", -1, "23:59:00"},
        {{17, 30}, "17:30", -1, "now"}, {{17, 30, 59, 999}, "17:30", -1, "now"}, {{17, 30, 15}, "17:30:15", -1, "now"},
        {{17, 30, 16}, "17:30:15", -1, "23:59:59"}, {{0, 0}, "17", -1, bad}, {{0, 0}, "24:00", -1, bad},
        {{0, 0}, "0am", -1, bad}, {{0, 0}, "13pm", -1, bad}, {{0, 0}, "7:60", -1, bad}, {{0, 0}, "7:05:60", -1, bad},
        {{0, 0}, "", -1, bad}, {{0, 0}, "１７:３０", -1, bad}, {{0, 0}, "5  pm", -1, bad},
    };
    for (const auto& row : rows) {
        const QDateTime now(QDate(2026, 3, 10), row.Now, Qt::UTC);
        const std::string name = now.toString(Qt::ISODateWithMs).toStdString() + " " + row.Text;
        try {
            EXPECT_EQ(ParseUntilArgument(QString::fromUtf8(row.Text), now), row.Seconds) << name;
        } catch (const ETimeArgument& e) {
            EXPECT_TRUE(row.Seconds == -1 && std::string(e.what()).find(row.Says) != std::string::npos) << e.what();
        }
    }
}

// --until on the nights the clocks change: the real time to the next moment the clock shows the time.
TEST(TimeArgument, UntilAcrossTheClockChanges)
{
    const QTimeZone berlin("Europe/Berlin"), newYork("America/New_York");
    const struct { QTimeZone Zone; QDate Date; QTime Now; const char* Text; int Seconds; const char* Says = ""; } rows[] = {
        // Back: 01:00-01:59 shows twice in New York, 02:00-02:59 in Berlin.
        {newYork, {2026, 11, 1}, {1, 30}, "01:45", 900},
        {newYork, {2026, 11, 1}, {0, 50}, "1:10am", 1200},
        {berlin, {2026, 10, 25}, {1, 0}, "02:30", 5400},
        {berlin, {2026, 10, 25}, {2, 40}, "02:50", 600},
        // Forward: 02:00-02:59 never shows in Berlin that night.
        {berlin, {2026, 3, 29}, {1, 0}, "02:30", -1, "does not exist"},
        {berlin, {2026, 3, 28}, {23, 0}, "2:30am", -1, "does not exist"},
        {berlin, {2026, 3, 29}, {1, 0}, "03:00", 3600},
        {berlin, {2026, 3, 29}, {3, 30}, "02:30", -1, "23:00:00"}, // passed today; tomorrow's is too far
    };
    for (const auto& row : rows) {
        const QDateTime now(row.Date, row.Now, row.Zone);
        const std::string name = now.toString(Qt::ISODate).toStdString() + " " + row.Text;
        try {
            EXPECT_EQ(ParseUntilArgument(QString::fromUtf8(row.Text), now), row.Seconds) << name;
        } catch (const ETimeArgument& e) {
            EXPECT_TRUE(row.Seconds == -1 && std::string(e.what()).find(row.Says) != std::string::npos)
                << name << ": " << e.what();
        }
    }
    // The dialog's suggestion, half an hour on, is never a time the clock skips.
    EXPECT_EQ(SuggestedUntil(QDateTime({2026, 3, 29}, {1, 45, 20}, berlin)), QTime(3, 15));
}

TEST(StartArguments, OptionsAndTime)
{
    const auto parse = [](QStringList args) { return ParseStartArguments(Read(args).Arguments); };
    EXPECT_EQ(parse({}), TStartRequest{});
    EXPECT_EQ(parse({"5m"}), (TStartRequest{300, false, false}));
    EXPECT_EQ(parse({"5m", "--start"}), (TStartRequest{300, true, false}));
    EXPECT_EQ(parse({"--start", "3:30"}), (TStartRequest{210, true, false}));
    EXPECT_EQ(parse({"-s", "90s"}), (TStartRequest{90, true, false}));
    EXPECT_EQ(parse({"--start"}), (TStartRequest{std::nullopt, true, false}));
    EXPECT_EQ(parse({"--status"}), (TStartRequest{std::nullopt, false, true}));
    EXPECT_EQ(parse({"--", "5m"}), (TStartRequest{300, false, false}));
    // Qt's options are Qt's: a restart by the session manager brings -session.
    EXPECT_EQ(parse({"-session", "10a3f", "5m"}), (TStartRequest{300, false, false}));
    EXPECT_EQ(parse({"-style", "fusion", "--platform", "xcb", "-reverse", "-s"}),
              (TStartRequest{std::nullopt, true, false}));
    EXPECT_EQ(parse({"-stylesheet=a.qss", "90s", "-display"}), (TStartRequest{90, false, false}));
    EXPECT_EQ(parse({"--new"}), (TStartRequest{std::nullopt, false, false, true}));
    EXPECT_EQ(parse({"--new", "--timer", " Tea\n", "7m", "-s"}), (TStartRequest{420, true, false, true, "Tea"}));
    EXPECT_EQ(parse({"--timer=Eggs", "5"}), (TStartRequest{300, false, false, false, "Eggs"}));
    TStartRequest sound{std::nullopt, false, false, false, "Eggs"};
    sound.Sound = QDir::current().absoluteFilePath("bell.ogg"), sound.Volume = 30;
    EXPECT_EQ(parse({"--timer", "Eggs", "--sound", "bell.ogg", "--volume", "30%"}), sound) << "made absolute";
    sound.Sound = "", sound.Volume.reset();
    EXPECT_EQ(parse({"--timer", "Eggs", "--sound", "default"}), sound);
    EXPECT_EQ(parse({"--warn", "1m"}).Warn.value_or(-1) * 10 + parse({"--warn", "Off"}).Warn.value_or(-1), 600);
    for (const auto& [text, rounds] : {std::pair{"5", 5}, {"99", 99}, {"1", 0}, {"OFF", 0}, {"Forever", -1}})
        EXPECT_EQ(parse({"--repeat", text}).Repeat, rounds) << text;
    const QDateTime at(QDate(2026, 3, 10), QTime(17, 0), Qt::UTC); // --until: seconds from then, started
    TStartRequest until{1800, true};
    until.Until = true;
    EXPECT_EQ(ParseStartArguments(Read({"--until=5:30", "pm", "-s"}).Arguments, at), until);
    // Acts on the running program's timers: of one, or of all.
    TStartRequest act{std::nullopt, false, false, false, "Tea"}, json{std::nullopt, false, true};
    act.Act = TTimerAct::Close, json.Json = true;
    EXPECT_EQ(parse({"--timer", "Tea", "--close"}), act);
    act.Timer.reset(), act.Act = TTimerAct::Stop;
    EXPECT_EQ(parse({"--stop"}), act) << "the first timer";
    act.Act = TTimerAct::ResumeAll;
    EXPECT_EQ(parse({"--resume-all"}), act);
    EXPECT_EQ(parse({"--status", "--json"}), json);
}

TEST(StartArguments, Refusals)
{
    const struct {
        QStringList Args;
        const char* Says;
    } rows[] = {
        {{"5m", "3m"}, "only one time"},
        {{"--frobnicate"}, "frobnicate"},
        {{"-x"}, "x"},
        {{"-5m"}, "negative"},
        {{"1:05:00"}, "hours"},
        {{"--status", "5m"}, "--status"},
        {{"--status", "--start"}, "--status"},
        {{"--status", "--new"}, "--status"},
        {{"--timer", " ", "5m"}, "needs a name"},
        {{"--timer", "Tea"}, "needs a time"},
        {{"--timer"}, "timer"},
        {{"--new", "--timer", QString(41, 'x')}, "longer than 40"},
        {{"--volume", "101"}, "0 to 100"},
        {{"--volume", "loud"}, "0 to 100"},
        {{"--volume", "-5"}, "a whole number from 0 to 100"},
        {{"--timer", "Tea", "--volume=-1"}, "a whole number from 0 to 100"},
        {{"--sound", "/tmp/bell\nring.wav"}, "\"/tmp/bell\\nring.wav\": a file name with a line break"},
        {{"--sound", ""}, "--sound needs"},
        {{"--warn", "soon"}, "\"soon\" is not a time"}, {{"--status", "--warn", "1m"}, "--status"},
        {{"--repeat", "100"}, "\"100\": --repeat takes a count"}, {{"--repeat", "0"}, "--repeat takes"},
        {{"--repeat", "-2"}, "--repeat takes"}, {{"--status", "--repeat", "2"}, "--status"},
        {{"--until", "23:59", "5m"}, "--until takes no other time"}, {{"5m", "--until=1am"}, "--until takes no other"},
        {{"--stop", "--reset"}, "--stop and --reset cannot"},
        {{"--show", "5m"}, "--show takes no time and no other option than --timer"},
        {{"--timer", "Tea", "--pause-all"}, "--pause-all takes no time and no other option"},
        {{"--status", "--show-all"}, "--show-all takes"},
        {{"--json"}, "--json goes with --status"},
        {{"-platform=offscreen"}, "Unknown options: p"}, // not a form Qt takes
    };
    for (const auto& row : rows) {
        const std::string name = row.Args.join(' ').toStdString();
        try {
            ParseStartArguments(Read(row.Args).Arguments);
            ADD_FAILURE() << name << " accepted";
        } catch (const ETimeArgument& e) {
            EXPECT_NE(std::string(e.what()).find(row.Says), std::string::npos) << name << ": " << e.what();
        }
    }
}

// A sound named on the command line in bytes that are not UTF-8 reaches the
// settings and the sound file's opening as those bytes; one that cannot be
// played is refused with the reason.
TEST(StartArguments, TheSoundIsTheFileNamedAndPlayable)
{
    QTemporaryDir folder;
    const QByteArray bell = QFile::encodeName(folder.path()) + "/b\xe9ll\xff.wav";
    QFile wav(QCoreApplication::applicationDirPath() + "/../bin/timer.wav");
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    std::ofstream(bell.constData(), std::ios::binary) << wav.readAll().toStdString(); // Qt's names cannot reach it
    const TStartRequest request = ParseStartArguments(Read({"--sound", FileName::Decode(bell)}).Arguments);
    const std::optional<QByteArray> kept = IniText::WriteValue({}, "TIMER", "SOUND", request.Sound.value_or(""));
    EXPECT_EQ(FileName::Encode(IniText::ReadValue(kept.value_or(""), "TIMER", "SOUND").value_or("")), bell);
    TEffectSoundService sound(QCoreApplication::applicationDirPath() + "/../bin/pocosa-sound.so");
    EXPECT_NO_THROW(CheckSoundArgument(request, sound));
}

TEST(CommandLine, NoDisplayMeansNoneOfItsVariablesAndAPlatformThatNeedsOne)
{
    const struct {
        const char* Display;
        const char* WaylandDisplay;
        const char* Platform; // QT_QPA_PLATFORM
        QStringList Args;
        bool Reachable;
        const char* Named = nullptr; // the display a failure to open the window names
    } rows[] = {
        {"", "", "", {}, false},
        {":0", "", "", {}, true, ":0"},
        {"", "wayland-1", "", {}, true, "wayland-1"},
        {":0", "wayland-1", "wayland", {}, true, "wayland-1"},
        {":0", "wayland-1", " wayland-egl;xcb", {}, true, "wayland-1"},
        {":0", "", "wayland", {}, true, "wayland-0"},
        {":0", "wayland-1", "xcb", {"-platform", "wayland"}, true, "wayland-1"},
        {":0", "wayland-1", "wayland", {"-platform", "xcb", "-display", ":1"}, true, ":1"},
        {"", "", "offscreen", {}, true},
        {"", "", "xcb", {}, false},
        {"", "", "wayland;xcb", {}, false},
        {"", "", "wayland;offscreen", {}, true},
        {"", "", "wayland-egl", {}, false},
        {"", "", "offscreen", {"-platform", "xcb"}, false},
        {"", "", "", {"--platform", "minimal:enable_fonts"}, true},
        {"", "", "", {"-platform=offscreen"}, false},
        {"", "", "", {"-display", ":1"}, true, ":1"},
        {"", "", "", {"-display"}, false},
    };
    const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    std::vector<QByteArray> saved;
    for (const char* name : names)
        saved.push_back(qgetenv(name));
    const auto set = [](const char* name, const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    for (const auto& row : rows) {
        set("DISPLAY", row.Display);
        set("WAYLAND_DISPLAY", row.WaylandDisplay);
        set("QT_QPA_PLATFORM", row.Platform);
        const std::string name = std::string(row.Display) + "|" + row.WaylandDisplay + "|" + row.Platform + "|" +
                                 row.Args.join(' ').toStdString();
        EXPECT_EQ(DisplayReachable(Read(row.Args)), row.Reachable) << name;
        if (row.Named) {
            EXPECT_EQ(WindowDisplayName(Read(row.Args)), row.Named) << name;
        }
    }
    // With an X server at hand the window asks for X11 (XWayland as well),
    // unless the user chose a platform.
    set("DISPLAY", ":0");
    set("QT_QPA_PLATFORM", "wayland");
    EXPECT_FALSE(SelectX11Platform());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "wayland");
    set("QT_QPA_PLATFORM", "");
    EXPECT_TRUE(SelectX11Platform());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");
    for (std::size_t i = 0; i < saved.size(); ++i)
        set(names[i], saved[i]);
}

// What Qt says while the window's platform starts waits, in its order, until
// the application object is up; after that it goes out at once.
TEST(PlatformStart, QtMessagesWaitUntilTheApplicationObjectIsUp)
{
    static QStringList seen;
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { seen << text; });
    TPlatformStartGuard guard("pocosa: never printed\n");
    qWarning("first");
    qWarning("second");
    EXPECT_TRUE(seen.isEmpty());
    guard.End();
    EXPECT_EQ(seen, QStringList({"first", "second"}));
    qWarning("later");
    EXPECT_EQ(seen, QStringList({"first", "second", "later"}));
    qInstallMessageHandler(before);
}

// Where a client looks for the session bus; one that takes connections but never answers is told apart.
TEST(SessionBus, ASilentBusIsToldApartQuickly)
{
    TPrivateBus bus, stopped;
    stopped.Freeze(true); // takes connections, answers nothing
    const QString silent = stopped.Address().section('=', 1).section(',', 0, 0);
    const QByteArray path = QFile::encodeName(silent), dir = "/nonexistent/run";
    // A bus that answers the authentication and then nothing.
    QTemporaryDir mute;
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray mutePath = QFile::encodeName(mute.filePath("bus"));
    std::strcpy(address.sun_path, mutePath.constData());
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 8), 0);
    std::vector<int> held;
    std::thread authenticates([server, &held] {
        for (int fd; (fd = ::accept(server, nullptr, nullptr)) >= 0; held.push_back(fd)) {
            char greeting[256];
            (void)!::recv(fd, greeting, sizeof greeting, 0);
            const char ok[] = "OK 0123456789abcdef0123456789abcdef\r\n";
            (void)!::send(fd, ok, sizeof ok - 1, MSG_NOSIGNAL);
        }
    });
    const struct { QByteArray Address, Runtime; QStringList Sockets; bool Answers; } rows[] = {
        {"unix:path=" + path + ",guid=0123", "", {silent}, false},
        {"tcp:host=h,port=1;unix:path=" + dir + "/no%20bus;unix:path=" + path, "", {dir + "/no bus", silent}, false},
        {"", dir, {dir + "/bus"}, true}, // no address: the runtime folder's
        {"unix:runtime=yes", dir, {dir + "/bus"}, true},
        {"unix:abstract=pocosa-test-no-bus", "", {"@pocosa-test-no-bus"}, true},
        {bus.Address().toUtf8(), "", {bus.Address().section('=', 1).section(',', 0, 0)}, true},
        {"unix:path=" + mutePath, "", {mute.filePath("bus")}, false},
    };
    for (const auto& row : rows) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", row.Address);
        qputenv("XDG_RUNTIME_DIR", row.Runtime);
        EXPECT_EQ(SessionBusSockets(), row.Sockets) << row.Address.constData();
        const QDeadlineTimer quickly(1000);
        EXPECT_EQ(SessionBusAnswers(300), row.Answers) << row.Address.constData();
        EXPECT_FALSE(quickly.hasExpired()) << row.Address.constData();
    }
    ::shutdown(server, SHUT_RDWR);
    authenticates.join();
    ::close(server);
    for (int fd : held)
        ::close(fd);
}

} // namespace
