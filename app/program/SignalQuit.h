#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a call on the GUI thread, so that a
// kill or the end of the session closes the program through its ordinary
// shut-down. The handlers only write the signal number into a pipe.
// One instance at a time; the previous handlers are restored on destruction
// unless the signals are ignored by then.
class TSignalQuit : public QObject {
public:
    explicit TSignalQuit(std::function<void(int signo)> onSignal, QObject* parent = nullptr);
    ~TSignalQuit() override;

    bool Installed() const { return notifier_ != nullptr; }

    // The program is closing: the three signals are ignored from now on, and
    // stay ignored after this object goes, so nothing cuts the last writes.
    void IgnoreFromNowOn();

private:
    void ReadSignal();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool ignoring_ = false;
};
