#include "SoundServer.h"

#include <QDeadlineTimer>
#include <QThread>

#include <csignal>
#include <cstring>

#include "ProcessRun.h"

namespace pocosa::test {

namespace {

QProcessEnvironment ServerEnv(const QString& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir), env.insert("XDG_RUNTIME_DIR", dir);
    return env;
}

} // namespace

SoundServer::SoundServer()
{
    qputenv("PULSE_SERVER", ("unix:" + dir_.filePath("pulse/native")).toUtf8());
    server_.setProcessEnvironment(ServerEnv(dir_.path()));
}

SoundServer::~SoundServer()
{
    stop();
}

bool SoundServer::start()
{
    stop();
    server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                 "--load=module-null-sink norewinds=1 rate=48000 channels=2 format=s24le",
                                 "--load=module-native-protocol-unix"});
    return server_.waitForStarted() && streamsOnceThere(0) == 0;
}

void SoundServer::stop()
{
    if (server_.state() != QProcess::NotRunning)
        server_.kill(), server_.waitForFinished();
}

int SoundServer::streamsOnceThere(int count)
{
    ProcessOptions options;
    options.env = ServerEnv(dir_.path());
    int streams = -1;
    for (QDeadlineTimer deadline(5000); streams != count && !deadline.hasExpired(); QThread::msleep(50)) {
        const auto run = runProcess("pactl", {"list", "short", "sink-inputs"}, options);
        streams = run.status == 0 ? int(run.out.count('\n')) : -1;
    }
    return streams;
}

std::vector<float> SoundServer::record(const std::function<void()>& play, int ms)
{
    QProcess parec;
    parec.setProcessEnvironment(ServerEnv(dir_.path()));
    parec.start("parec", {"-d", "null.monitor", "--format=float32le", "--rate=48000", "--channels=2",
                          "--latency-msec=10"});
    parec.waitForStarted();
    QThread::msleep(300); // connected and recording
    QDeadlineTimer end(ms);
    play();
    QByteArray bytes;
    while (!end.hasExpired())
        parec.waitForReadyRead(int(std::max<qint64>(end.remainingTime(), 1))), bytes += parec.readAllStandardOutput();
    ::kill(pid_t(parec.processId()), SIGINT);
    parec.waitForFinished();
    bytes += parec.readAllStandardOutput();
    std::vector<float> samples(std::size_t(bytes.size()) / sizeof(float) / 2 * 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

} // namespace pocosa::test
