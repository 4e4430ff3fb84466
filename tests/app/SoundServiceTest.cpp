// The sound service loads its player module at the first play, and only then.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <sndfile.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "ProcessRun.h"
#include "TimerServices.h"

namespace {

// The module lives beside the program in <build>/bin; the tests in <build>/tests.
QString BinFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/../bin/" + name;
}

bool MapsContain(const std::string& what)
{
    std::ifstream maps("/proc/self/maps");
    const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    return text.find(what) != std::string::npos;
}

TEST(SoundService, ModuleLoadsAtFirstPlayAndPlaysAnyFileWithoutFailing)
{
    ASSERT_TRUE(QFile::exists(BinFile("pocosa-sound.so")));
    TEffectSoundService sound(BinFile("pocosa-sound.so"));
    EXPECT_FALSE(sound.Loaded());
    // No audio device here, a missing file, a file that is no sound: all silent.
    sound.play(BinFile("timer.wav"));
    ASSERT_TRUE(sound.Loaded()) << sound.LoadError().toStdString();
    EXPECT_TRUE(MapsContain("pocosa-sound.so"));
    sound.play(BinFile("timer.wav")); // a new play replaces the running one
    sound.play(BinFile("no-such.wav"));
    sound.play(BinFile("pocosa-sound.so"));
    QCoreApplication::processEvents();
}

// The program's own sound plays (silent here, without a sound server, and
// without a word on standard error); what is no sound is refused at once.
TEST(SoundService, PlayRefusesWhatIsNoSoundAndRingsTheRestQuietlyOnItsChannel)
{
    QTemporaryFile errors;
    errors.open();
    const int savedStderr = dup(2);
    dup2(errors.handle(), 2);
    TEffectSoundService sound(BinFile("pocosa-sound.so")), none(BinFile("no-such-module.so"));
    const struct {
        TEffectSoundService& Service;
        QString Path;
        int Volume, Channel;
        bool Plays;
    } rows[] = {{sound, BinFile("timer.wav"), 100, 0, true}, {sound, BinFile("timer.wav"), 0, 1, true},
                {sound, BinFile("pocosa-sound.so"), 100, 2, false}, {sound, BinFile(""), 100, 2, false},
                {none, BinFile("timer.wav"), 100, 0, false}};
    for (const auto& row : rows) {
        QString why;
        EXPECT_EQ(row.Service.Play(row.Path, row.Volume, row.Channel, &why), row.Plays) << row.Path.toStdString();
        EXPECT_EQ(why.isEmpty(), row.Plays) << why.toStdString();
        if (&row.Service == &none)
            EXPECT_EQ(ftruncate(2, 0), 0); // the missing module is told once
    }
    sound.Stop(1), sound.Stop(7), QCoreApplication::processEvents();
    dup2(savedStderr, 2), close(savedStderr);
    errors.seek(0);
    EXPECT_EQ(errors.readAll(), QByteArray());
}

TEST(SoundService, MissingOrWrongModuleLeavesTheProgramSilent)
{
    const struct {
        const char* Why;
        QString Module;
    } rows[] = {{"missing", BinFile("no-such-module.so")},
                {"not a library", BinFile("timer.wav")},
                {"no entry point", QStringLiteral("libz.so.1")}};
    for (const auto& row : rows) {
        TEffectSoundService sound(row.Module);
        sound.play(BinFile("timer.wav"));
        EXPECT_FALSE(sound.Loaded()) << row.Why;
        EXPECT_FALSE(sound.LoadError().isEmpty()) << row.Why;
    }
}

// On a sound server of the test's own, each channel plays its own stream until stopped, replaced or played out.
TEST(SoundService, EachChannelPlaysAStreamOfItsOwnUntilStoppedOrPlayedOut)
{
    QTemporaryDir dir;
    qputenv("PULSE_SERVER", ("unix:" + dir.filePath("pulse/native")).toUtf8());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.path()), env.insert("XDG_RUNTIME_DIR", dir.path());
    QProcess server;
    server.setProcessEnvironment(env);
    server.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                "--load=module-null-sink", "--load=module-native-protocol-unix"});
    pocosa::test::ProcessOptions options;
    options.env = env;
    const auto streamsOnceThere = [&](int count) { // what the server plays once it is `count`, or after 5 s
        int streams = -1;
        for (QDeadlineTimer deadline(5000); streams != count && !deadline.hasExpired(); QThread::msleep(50)) {
            const auto run = pocosa::test::runProcess("pactl", {"list", "short", "sink-inputs"}, options);
            streams = run.status == 0 ? int(run.out.count('\n')) : -1;
        }
        return streams;
    };
    ASSERT_EQ(streamsOnceThere(0), 0) << "no sound server";
    const auto silence = [&](const char* name, int seconds) {
        SF_INFO info{0, 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* file = sf_open(dir.filePath(name).toLocal8Bit().constData(), SFM_WRITE, &info);
        sf_write_short(file, std::vector<short>(std::size_t(8000 * seconds)).data(), 8000 * seconds), sf_close(file);
        return dir.filePath(name);
    };
    const QString long10s = silence("long.wav", 10), short2s = silence("short.wav", 2);
    auto sound = std::make_unique<TEffectSoundService>(BinFile("pocosa-sound.so"));
    const std::pair<std::function<void()>, int> rows[] = {
        {[&] { sound->Play(long10s, 50, 1); }, 1}, {[&] { sound->Play(long10s, 50, 2); }, 2},
        {[&] { sound->Play(long10s, 50, 1); }, 2}, {[&] { sound->Stop(1); }, 1}, {[&] { sound->Stop(2); }, 0},
        {[&] { sound->Play(long10s, 50, 4), sound->Stop(4); }, 0}, // stopped while it decodes
        {[&] { sound->Play(short2s, 100, 3); }, 1}, {[] {}, 0}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        rows[i].first();
        EXPECT_EQ(streamsOnceThere(rows[i].second), rows[i].second) << "row " << i;
        QThread::msleep(300);
        EXPECT_EQ(streamsOnceThere(rows[i].second), rows[i].second) << "row " << i << ", a moment later";
    }
    sound->Play(long10s, 50, 1), sound.reset();
    EXPECT_FALSE(ThreadLeftBehind());
}

TEST(SoundService, AModuleThatFailedIsNotTriedAgainOnEveryAlarmStep)
{
    QTemporaryDir folder;
    const QString module = folder.filePath("pocosa-sound.so");
    TEffectSoundService sound(module);
    sound.play(BinFile("timer.wav"));
    ASSERT_FALSE(sound.Loaded());
    ASSERT_TRUE(QFile::copy(BinFile("pocosa-sound.so"), module));
    sound.play(BinFile("timer.wav"));
    EXPECT_FALSE(sound.Loaded()) << "loaded on a later play";
}

} // namespace
