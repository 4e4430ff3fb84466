// Plays sound files through a sound module as an alarm does, each file on a
// channel of its own, all at once: prints how long each Play call took on
// this (the window's) thread, the moment it began (CLOCK_MONOTONIC, to set
// against first_write_probe's lines) and the resident memory before the
// first play and three seconds after it.
//
//   pocosa-sound-bench MODULE FILE...
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <ctime>

#include "TimerServices.h"

namespace {

long long MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

QByteArray Status(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (QByteArray line; !(line = status.readLine()).isEmpty();)
        if (line.startsWith(key))
            return line.simplified();
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MODULE FILE...\n", argv[0]);
        return 2;
    }
    std::printf("before: %s\n", Status("VmRSS").constData());
    TEffectSoundService sound(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const long long start = MonotonicNs();
        QString why;
        const bool ok = sound.Play(QString::fromLocal8Bit(argv[i]), 100, i, &why);
        std::printf("play %s at %lld ns: %s in %.3f ms %s\n", argv[i], start, ok ? "true" : "false",
                    double(MonotonicNs() - start) / 1e6, qPrintable(why));
    }
    std::fflush(stdout);
    QTimer::singleShot(3000, &app, [&app] {
        std::printf("after: %s, %s\n", Status("VmRSS").constData(), Status("VmHWM").constData());
        app.quit();
    });
    return app.exec();
}
