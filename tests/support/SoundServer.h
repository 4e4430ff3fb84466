#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace pocosa::test {

// A PulseAudio server of the test's own with one null sink (48 kHz, two
// channels, 24-bit like most sound cards, no rewinds so that its monitor hears
// exactly what the sink plays), named to this process by PULSE_SERVER.
class SoundServer {
public:
    static constexpr int kRate = 48000;

    SoundServer();
    ~SoundServer();
    // (Re)starts the server and waits until it answers; false when it did not.
    bool start();
    void stop();
    // Sink inputs once there are `count`, or what there is after 5 s (-1: no server).
    int streamsOnceThere(int count);
    // Interleaved stereo samples of what the sink played while `play` ran and
    // until `ms` milliseconds after it began.
    std::vector<float> record(const std::function<void()>& play, int ms);
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QProcess server_;
};

} // namespace pocosa::test
