#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "TimeArgument.h"

class QDeadlineTimer;
class QSocketNotifier;

// What the running window answers a later start.
struct TInstanceAnswer {
    bool Applied = true; // false: the timer was running, the time was left alone
    QString State;       // e.g. "04:59 counting down"

    bool operator==(const TInstanceAnswer&) const = default;
};

// One line each way between a later start and the running window. Decoding
// takes untrusted bytes: anything malformed or out of range gives nothing.
QByteArray EncodeRequest(const TStartRequest& request);
std::optional<TStartRequest> DecodeRequest(const QByteArray& line);
QByteArray EncodeAnswer(const TInstanceAnswer& answer);
std::optional<TInstanceAnswer> DecodeAnswer(const QByteArray& line);

// One timer window per user. The first start holds an advisory lock on
// <folder>/pocosa.lock for its whole life and listens on the local socket
// <folder>/pocosa.socket; a later start finds the lock taken and hands its
// request over that socket instead of opening a window. The kernel drops the
// lock when the holder ends in any way, so a killed program leaves nothing
// that blocks the next start (its stale socket file is replaced). Plain Unix
// sockets: nothing beyond Qt Core is loaded for this at start-up.
class TSingleInstance : public QObject {
public:
    // The user's runtime folder: XDG_RUNTIME_DIR, or Qt's private fallback.
    static QString DefaultFolder();

    explicit TSingleInstance(QString folder = DefaultFolder(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this process is the first one: it holds the lock and listens.
    // False when another process holds the lock. Where no lock file can be
    // made the program runs on its own: true, and nobody can hand over.
    bool Claim();
    // Claim in two steps, for a start that looks for a running window
    // before its application object exists: Lock() answers as Claim() does
    // but only locks; Listen() listens once the application object is there
    // (its event loop serves the socket), if this process holds the lock.
    bool Lock();
    bool Listen();
    bool Listening() const;
    // True while this process holds the lock.
    bool Holding() const { return lockFd_ >= 0; }

    // The window has closed: later starts find no listener from now on, and
    // wait for the lock, which stays until this object goes.
    void StopListening();

    // A later start: sends the request and waits up to timeoutMs for the
    // answer. With waitForListener, a socket that is not there yet is tried
    // again until then (the lock holder listens a moment after it locks).
    // Empty on no answer. Needs no Claim: a query must never take the lock,
    // or a first start coming up at the same moment would find it taken.
    // With takeOver (a start that would open a window), the lock is tried
    // between attempts, and a connection closed without an answer is tried
    // again: a window that was closing when the request came leaves its
    // place to this process, which then holds the lock (HandOver is empty)
    // and listens once it calls Listen().
    // reached, when given, tells whether a listener took the connection.
    std::optional<TInstanceAnswer> HandOver(const TStartRequest& request, int timeoutMs,
                                            bool waitForListener = true, bool takeOver = false,
                                            bool* reached = nullptr);

    // Answers each request that arrives; runs on the GUI thread.
    std::function<TInstanceAnswer(const TStartRequest&)> OnRequest;

    QString LockPath() const;
    QString SocketPath() const;

    // A line longer than this is not a request.
    static constexpr int kMaxLine = 1024;
    // A connection that sends no whole line within this time is dropped.
    static constexpr int kClientTimeoutMs = 5000;
    // Connections served at once; more wait in the queue of the socket.
    static constexpr int kMaxConnections = 16;

    // A connection has ended (the connections call it).
    void ConnectionClosed();

private:
    enum class TAttempt { NoListener, NoAnswer, Answered };
    TAttempt Attempt(const TStartRequest& request, const QDeadlineTimer& deadline,
                     std::optional<TInstanceAnswer>& answer) const;
    void Accept();

    QString folder_;
    int lockFd_ = -1;
    int serverFd_ = -1;
    QSocketNotifier* acceptNotifier_ = nullptr;
    QObject* connectionsParent_ = nullptr; // the connections being served
    int connections_ = 0;
};
