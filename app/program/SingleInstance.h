#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include <sys/types.h>

#include "TimeArgument.h"

class QDeadlineTimer;
class QSocketNotifier;

// A timer as --status --json tells it: its name ("" unnamed), its label as
// the program shows it, the seconds shown, the state words of --status, the
// end of a count-down (ISO 8601 local time with its offset; empty: none) and
// its settings section.
struct TTimerFacts {
    QString Name;
    QString Label;
    int Seconds = 0;
    QString State;
    QString Ends;
    QString Section;

    bool operator==(const TTimerFacts&) const = default;
};

// What the running window answers a later start.
struct TInstanceAnswer {
    bool Applied = true; // false: the timer was running, the time was left alone
    QString State;       // e.g. "04:59 counting down"; the first timer's
    // What a program that knows several timers adds when asked (an older
    // one sends neither, and takes a request it does not know for a plain
    // one): the requests it knows beyond the plain ones, and each timer's
    // "--status" line, first timer first.
    QStringList Knows;
    QStringList Timers;
    // Why the request was refused, for the caller's error line (e.g. no
    // timer of that name); empty when it was not.
    QString Refused;
    // When asked, each timer's facts, first timer first (an older program
    // sends none).
    std::vector<TTimerFacts> Facts;

    bool operator==(const TInstanceAnswer&) const = default;
};

// One line each way between a later start and the running window. Decoding
// takes untrusted bytes: anything malformed or out of range gives nothing.
// A request may carry the moment its asker gives up waiting (milliseconds
// of TSingleInstance::BootClockMs); one without (an older Pocosa) has none.
QByteArray EncodeRequest(const TStartRequest& request, std::optional<qint64> deadline = std::nullopt);
std::optional<TStartRequest> DecodeRequest(const QByteArray& line, std::optional<qint64>* deadline = nullptr);
QByteArray EncodeAnswer(const TInstanceAnswer& answer);
std::optional<TInstanceAnswer> DecodeAnswer(const QByteArray& line);

// One timer window per settings file. The first start holds an advisory lock
// on <lock folder>/pocosa.lock (the lock folder is the one of the settings)
// for its whole life and listens on the local socket <folder>/pocosa.socket
// (folder: the runtime folder), else, where that cannot be, on
// <lock folder>/pocosa.socket; it writes the socket's path into the lock
// file. A later start finds the lock taken and hands its request over the
// socket named there instead of opening a window, so starts that see
// different runtime folders (cron, su -) still find the window. The kernel
// drops the lock when the holder ends in any way, so a killed program leaves
// nothing that blocks the next start (its stale socket file is replaced).
// Where the lock folder takes no lock file (read-only), the lock goes into
// the folder instead, under a name of its own for each lock folder.
// Plain Unix sockets: nothing beyond Qt Core is loaded for this at start-up.
class TSingleInstance : public QObject {
public:
    // The user's runtime folder: XDG_RUNTIME_DIR; where that is not set,
    // /run/user/<uid> when it is the user's alone; else none (empty).
    static QString DefaultFolder();

    // An empty lockFolder is folder.
    explicit TSingleInstance(QString folder = DefaultFolder(), QString lockFolder = QString(),
                             QObject* parent = nullptr);
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
    // A listener whose queue is full is busy, not absent: it is tried again.
    // A lock holder that said it has no socket is not waited for.
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
    // While held (the program still opens its timers), requests wait, in
    // the order they came; released, each is answered unless its asker has
    // given up meanwhile.
    void HoldRequests(bool hold);
    bool HoldingRequests() const { return holdRequests_; }
    // Whose program a later start talks to: a listener of any other user
    // (a socket planted in a shared runtime folder) is taken for none.
    uid_t User;

    // The clock of request deadlines, the same for every process of the
    // machine and running on through a suspend: CLOCK_BOOTTIME in ms.
    static qint64 BootClockMs();

    // The lock beside the settings (where the lock folder takes none, the
    // lock is another file of the runtime folder).
    QString LockPath() const;
    // The socket in the runtime folder, where this process listens if it can.
    QString SocketPath() const;
    // Where the lock holder listens, as it wrote in the lock file: empty when
    // it has no socket; nullopt while it has not said (or nobody holds it).
    std::optional<QString> ListenerPath() const;
    // True when another process holds the lock (looked at without taking it
    // for longer than a moment).
    bool HeldElsewhere() const;
    // True when another process holds the lock and has no socket to reach it.
    bool Unreachable() const;

    // A line longer than this is not a request (a sound's file name with
    // its folders fits).
    static constexpr int kMaxLine = 16384;
    // Nor an answer longer than this (sixteen timers with long names).
    static constexpr int kMaxAnswerLine = 16384;
    // A connection that sends no whole line within this time is dropped.
    static constexpr int kClientTimeoutMs = 5000;
    // Connections served at once. Beyond, the one silent for longest makes
    // room; while every one holds a request, more wait in the socket's queue.
    static constexpr int kMaxConnections = 64;
    // A request asks for its answer this long before its asker gives up, so
    // that one carried out at the last moment is still told in time.
    static constexpr int kAnswerMarginMs = 1000;

    // A connection has ended (the connections call it).
    void ConnectionClosed();

private:
    enum class TAttempt { NoListener, Busy, NoAnswer, Answered };
    TAttempt Attempt(const QString& socketPath, const TStartRequest& request, const QDeadlineTimer& deadline,
                     std::optional<TInstanceAnswer>& answer) const;
    bool ListenOn(const QString& path);
    void SayListener(const QByteArray& content);
    void Accept();
    bool MakeRoom();
    QString FallbackLockPath() const;
    QString UsedLockPath() const;

    QString folder_;
    QString lockFolder_;
    QString lockedPath_; // the lock file this process holds
    QString listenPath_;
    int lockFd_ = -1;
    int serverFd_ = -1;
    QSocketNotifier* acceptNotifier_ = nullptr;
    QObject* connectionsParent_ = nullptr; // the connections being served
    int connections_ = 0;
    bool holdRequests_ = false;
};
