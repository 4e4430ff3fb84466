#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// How long a start waits to learn whether the session bus answers.
inline constexpr int kSessionBusProbeMs = 1000;

// The session bus a client of this process would reach, as it would look for
// it: DBUS_SESSION_BUS_ADDRESS (its unix: addresses, in order), else
// $XDG_RUNTIME_DIR/bus. Empty when it is none of those (tcp and the like).
QStringList SessionBusSockets();

// True when the session bus goes through a client's whole greeting, to the
// answer to its first call (Hello), within timeoutMs, or when no bus is there to wait for (a connection that
// is refused fails at once). False for a bus that takes connections but does
// not answer (stopped, hung, or a mere listening socket), on which every
// connection and call would wait.
bool SessionBusAnswers(int timeoutMs = kSessionBusProbeMs);

// What of the desktop the window uses, decided in this one place before its
// application object exists. Where the session bus does not answer, the
// process does without it: no desktop notification, screen saver
// inhibition or launcher entry, and no accessibility bridge (Qt's waits on
// the bus from the first label it shows); one line on stderr says so. Qt is
// kept off that bus by an address that fails at once, from now until Settle.
class TSessionBusChoice {
public:
    explicit TSessionBusChoice(int timeoutMs = kSessionBusProbeMs);
    TSessionBusChoice(const TSessionBusChoice&) = delete;
    TSessionBusChoice& operator=(const TSessionBusChoice&) = delete;

    bool UsesSessionBus() const { return uses_; }
    // Once the application object exists: the process's connection to the
    // session bus is settled as chosen (unconnected where it is not used),
    // and programs started from here get the user's bus address back.
    void Settle();

    // The line on stderr of a start without the session bus.
    static QString WithoutBusText(const QString& address);

private:
    bool uses_ = true;
    bool settled_ = false;
    std::optional<QByteArray> address_; // the user's; nullopt: not set
};
