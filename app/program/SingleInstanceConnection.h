#pragma once

// The running window's side of one connection of a later start, and the
// socket steps both sides share; within the single-instance unit only.

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <optional>

#include "SingleInstance.h"

class QDeadlineTimer;

namespace instance_io {

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline);
// Sends all of data on a non-blocking socket before the deadline.
bool SendAll(int fd, const QByteArray& data, const QDeadlineTimer& deadline);

} // namespace instance_io

// Reads one request line when it is ready, answers it and closes. Anything
// malformed, too long or too slow, and a request its asker has given up on,
// is dropped without an answer. Every connection keeps its own state and
// time, so one that says nothing holds up no other.
class TInstanceConnection : public QObject {
public:
    TInstanceConnection(int fd, TSingleInstance& instance, QObject* parent);
    ~TInstanceConnection() override;

    // True while no whole request has come: such a connection may be closed
    // to make room for another.
    bool Idle() const { return !closed_ && !request_; }
    // Takes what has come; a whole request is answered unless requests are
    // held.
    void Read();
    // Answers the request that has come, if requests are not held.
    void Serve();
    void Close();

private:
    int fd_;
    TSingleInstance& instance_;
    QSocketNotifier readable_;
    QTimer expiry_; // for the first line; then until the asker gives up
    QByteArray buffer_;
    std::optional<TStartRequest> request_;
    std::optional<qint64> askerDeadline_; // BootClockMs
    bool closed_ = false;
};
