// The sound service loads its player module at the first play, and only then.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <sndfile.h>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
    QTemporaryDir dir; // a second of silence: refused, and again (remembered) at the next step
    SF_INFO info{0, 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* silent = sf_open(QFile::encodeName(dir.filePath("silent.wav")).constData(), SFM_WRITE, &info);
    sf_write_short(silent, std::vector<short>(8000).data(), 8000), sf_close(silent);
    const struct {
        TEffectSoundService& Service;
        QString Path;
        int Volume, Channel;
        bool Plays;
    } rows[] = {{sound, BinFile("timer.wav"), 100, 0, true}, {sound, BinFile("timer.wav"), 0, 1, true},
                {sound, BinFile("pocosa-sound.so"), 100, 2, false}, {sound, BinFile(""), 100, 2, false},
                {sound, dir.filePath("silent.wav"), 100, 2, false}, {sound, dir.filePath("silent.wav"), 100, 2, false},
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

// A PulseAudio server of the test's own (PULSE_SERVER) with a null sink at 48 kHz, 24 bits like most sound cards,
// without rewinds, so that its monitor records exactly what the sink plays.
class SoundServer {
public:
    static constexpr int kRate = 48000;

    SoundServer()
    {
        qputenv("PULSE_SERVER", ("unix:" + dir_.filePath("pulse/native")).toUtf8());
        env_ = QProcessEnvironment::systemEnvironment(), env_.insert("HOME", dir_.path()), env_.insert("XDG_RUNTIME_DIR", dir_.path());
    }
    ~SoundServer() { server_.kill(), server_.waitForFinished(); }
    bool Start() // anew
    {
        server_.kill(), server_.waitForFinished(), server_.setProcessEnvironment(env_);
        server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--load=module-native-protocol-unix",
                                     "--load=module-null-sink norewinds=1 rate=48000 channels=2 format=s24le"});
        return StreamsOnceThere(0) == 0;
    }
    int StreamsOnceThere(int count) // or after 5 s; -1: no server
    {
        pocosa::test::ProcessOptions options;
        options.env = env_;
        int streams = -1;
        for (QDeadlineTimer deadline(5000); streams != count && !deadline.hasExpired(); QThread::msleep(50)) {
            const auto run = pocosa::test::runProcess("pactl", {"list", "short", "sink-inputs"}, options);
            streams = run.status == 0 ? int(run.out.count('\n')) : -1;
        }
        return streams;
    }
    std::vector<float> Record(const std::function<void()>& play, int ms) // stereo, from `play` on for `ms`
    {
        QProcess parec;
        parec.setProcessEnvironment(env_);
        parec.start("parec", {"-d", "null.monitor", "--format=float32le", "--rate=48000", "--channels=2", "--latency-msec=10"});
        QThread::msleep(300); // recording
        QByteArray bytes;
        play();
        for (QDeadlineTimer end(ms); !end.hasExpired(); bytes += parec.readAllStandardOutput())
            parec.waitForReadyRead(int(std::max<qint64>(end.remainingTime(), 1)));
        ::kill(pid_t(parec.processId()), SIGINT), parec.waitForFinished();
        std::vector<float> samples(std::size_t(bytes.size()) / 8 * 2);
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
        return samples;
    }
    // A tone of `hz` at `amp` in channel `only` (-1: every channel), rising and falling over 1 ms (a step is heard
    // at every frequency).
    QString Tone(const char* name, int rate, int channels, int ms, double hz, double amp = 0.5, int only = -1) const
    {
        SF_INFO info{0, rate, channels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
        SNDFILE* file = sf_open(QFile::encodeName(dir_.filePath(name)).constData(), SFM_WRITE, &info);
        const sf_count_t frames = sf_count_t(rate) * ms / 1000;
        std::vector<float> data;
        for (sf_count_t f = 0; f < frames * channels; ++f) {
            const double edge = std::min({1.0, double(f / channels) * 1000 / rate, double(frames - f / channels) * 1000 / rate});
            data.push_back(only < 0 || f % channels == only ? float(amp * edge * std::sin(2 * M_PI * hz * double(f / channels) / rate)) : 0.0f);
        }
        sf_writef_float(file, data.data(), frames), sf_close(file);
        return dir_.filePath(name);
    }

private:
    QTemporaryDir dir_;
    QProcessEnvironment env_;
    QProcess server_;
};

// What a recording of the sink holds: the frames from the first to the last above a twentieth of its peak (stereo).
struct Heard {
    std::vector<float> Left;
    double Peak = 0;
    std::size_t First = 0, Last = 0;

    explicit Heard(const std::vector<float>& stereo)
    {
        for (std::size_t i = 0; i < stereo.size(); i += 2)
            Left.push_back(stereo[i]), Peak = std::max({Peak, std::abs(double(stereo[i])), std::abs(double(stereo[i + 1]))});
        for (std::size_t i = 0; i < stereo.size(); i += 2)
            if (std::max(std::abs(stereo[i]), std::abs(stereo[i + 1])) > Peak / 20)
                Last = i / 2, First = First ? First : i / 2 + 1;
    }
    double Ms() const { return First ? double(Last - First + 2) * 1000 / SoundServer::kRate : 0; }
    double Db(double level) const { return 20 * std::log10(std::max(level, 1e-12)); }
    // The amplitude of the tone of `hz` heard in the left channel, and what is left beside it (RMS).
    std::pair<double, double> Fit(double hz, std::size_t trim = 0) const
    {
        double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0;
        const auto wave = [&](std::size_t f) { const double w = 2 * M_PI * hz * double(f) / SoundServer::kRate; return std::pair(std::cos(w), std::sin(w)); };
        for (std::size_t f = First + trim; f + trim <= Last; ++f) {
            const auto [c, s] = wave(f);
            cc += c * c, ss += s * s, cs += c * s, xc += Left[f] * c, xs += Left[f] * s;
        }
        const double det = cc * ss - cs * cs, a = (xc * ss - xs * cs) / det, b = (xs * cc - xc * cs) / det;
        double rest = 0;
        for (std::size_t f = First + trim; f + trim <= Last; ++f)
            rest += std::pow(Left[f] - a * wave(f).first - b * wave(f).second, 2);
        return {std::hypot(a, b), std::sqrt(rest / double(Last + 1 - First - 2 * trim))};
    }
};

// Recorded from the sink: the whole sound is heard, in the device's channels and rate, at its volume without
// noise; played again while it plays it goes on; stopped, it fades out.
TEST(SoundService, TheSinkPlaysTheWholeSoundFilteredAndCleanAtItsVolume)
{
    SoundServer server;
    ASSERT_TRUE(server.Start()) << "no sound server";
    TEffectSoundService sound(BinFile("pocosa-sound.so"));
    const struct {
        const char* Name;
        int Rate, Channels, Ms, Hz;
        double Amp;
        int Only, Volume, AgainMs, StopMs;
        double HeardMs, PeakDb, UnheardHz, CleanDb; // HeardMs -1: not measured; PeakDb NAN: nothing audible
    } rows[] = {{"50 ms", 48000, 1, 50, 1000, 0.5, -1, 100, 0, 0, 50, -6, 0, 0},
                {"2 s at 44.1 kHz", 44100, 2, 2000, 1000, 0.5, -1, 100, 0, 0, 2000, -6, 0, 0},
                {"centre of six channels", 48000, 6, 300, 1000, 0.5, 2, 100, 0, 0, 300, -9, 0, 0},
                {"30 kHz at 192 kHz", 192000, 1, 300, 30000, 0.5, -1, 100, 0, 0, -1, NAN, 0, 0},
                {"3 kHz at 8 kHz", 8000, 1, 300, 3000, 0.5, -1, 100, 0, 0, 300, -6, 5000, 0},
                {"at 10 %", 48000, 1, 300, 1000, 0.99, -1, 10, 0, 0, 300, -60.1, 0, 70},
                {"3 s played again after 1 s", 48000, 2, 3000, 1000, 0.5, -1, 100, 1000, 0, 3000, -6, 0, 0},
                {"2 s stopped after 0.5 s", 48000, 2, 2000, 1000, 0.5, -1, 100, 0, 500, -1, -6, 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = server.Tone("tone.wav", row.Rate, row.Channels, row.Ms, row.Hz, row.Amp, row.Only);
        const Heard heard(server.Record([&] {
            EXPECT_TRUE(sound.Play(file, row.Volume, 1));
            if (row.AgainMs)
                QThread::msleep(row.AgainMs), sound.Play(file, row.Volume, 1);
            if (row.StopMs)
                QThread::msleep(row.StopMs), sound.Stop(1);
        }, row.Ms + row.AgainMs + 700));
        if (std::isnan(row.PeakDb)) {
            EXPECT_LT(heard.Db(heard.Peak), -60);
            continue;
        }
        EXPECT_NEAR(heard.Db(heard.Peak), row.PeakDb, 1.0);
        EXPECT_TRUE(row.HeardMs < 0 || std::abs(heard.Ms() - row.HeardMs) <= 10) << heard.Ms() << " ms";
        EXPECT_TRUE(!row.UnheardHz || heard.Db(heard.Fit(row.UnheardHz).first) < -60) << heard.Db(heard.Fit(row.UnheardHz).first);
        const auto [amplitude, noise] = heard.Fit(row.Hz, 240); // the edges left out
        EXPECT_TRUE(!row.CleanDb || heard.Db(amplitude / std::sqrt(2) / noise) > row.CleanDb) << heard.Db(amplitude / std::sqrt(2) / noise);
        if (row.StopMs) {
            EXPECT_LT(heard.Ms(), row.StopMs + 250.0);
            const auto last = heard.Left.begin() + std::ptrdiff_t(heard.Last);
            EXPECT_LT(std::abs(*std::max_element(last - 48, last + 1, [](float a, float b) { return std::abs(a) < std::abs(b); })), 0.3 * heard.Peak);
        }
    }
}

// Without a server (a stale socket) the first sound is silent and says nothing; the server that comes, and one restarted, play.
TEST(SoundService, ASoundServerThatComesOrComesBackIsUsedAtTheNextSound)
{
    QTemporaryFile errors;
    errors.open();
    const int savedStderr = dup(2);
    dup2(errors.handle(), 2);
    SoundServer server;
    const QString tone = server.Tone("tone.wav", 48000, 1, 200, 1000);
    {
        // First a stale socket, as a server killed leaves it.
        sockaddr_un address{AF_UNIX, {}};
        const QByteArray socketPath = qgetenv("PULSE_SERVER").mid(5);
        QDir().mkpath(QFileInfo(QFile::decodeName(socketPath)).path());
        std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
        const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0), close(stale);
        TEffectSoundService sound(BinFile("pocosa-sound.so"));
        EXPECT_TRUE(sound.Play(tone, 100, 1));
        QThread::msleep(300);
        for (const char* round : {"the server came", "the server came back"}) {
            ASSERT_TRUE(server.Start()) << "no sound server";
            EXPECT_NEAR(Heard(server.Record([&] { sound.Play(tone, 100, 1); }, 900)).Ms(), 200.0, 10.0) << round;
        }
    }
    dup2(savedStderr, 2), close(savedStderr);
    errors.seek(0);
    EXPECT_EQ(errors.readAll().toStdString(), "");
}

// Each channel plays its own stream until stopped, replaced or played out.
TEST(SoundService, EachChannelPlaysAStreamOfItsOwnUntilStoppedOrPlayedOut)
{
    SoundServer server;
    ASSERT_TRUE(server.Start()) << "no sound server";
    const QString long10s = server.Tone("long.wav", 8000, 1, 10000, 440), other = server.Tone("other.wav", 8000, 1, 10000, 660),
                  short2s = server.Tone("short.wav", 8000, 1, 2000, 440);
    auto sound = std::make_unique<TEffectSoundService>(BinFile("pocosa-sound.so"));
    const std::pair<std::function<void()>, int> rows[] = {
        {[&] { sound->Play(long10s, 50, 1); }, 1}, {[&] { sound->Play(long10s, 50, 2); }, 2},
        {[&] { sound->Play(other, 50, 1); }, 2}, {[&] { sound->Stop(1); }, 1}, {[&] { sound->Stop(2); }, 0},
        {[&] { sound->Play(long10s, 50, 4), sound->Stop(4); }, 0}, // stopped while it decodes
        {[&] { sound->Play(short2s, 100, 3); }, 1}, {[] {}, 0}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        rows[i].first();
        EXPECT_EQ(server.StreamsOnceThere(rows[i].second), rows[i].second) << "row " << i;
        QThread::msleep(300);
        EXPECT_EQ(server.StreamsOnceThere(rows[i].second), rows[i].second) << "row " << i << ", a moment later";
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
