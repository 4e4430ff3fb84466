#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

class QDBusPendingCallWatcher;

// Keeps the machine from idling into suspend or the screen saver while a
// count-down runs. First choice is logind (system bus,
// org.freedesktop.login1.Manager.Inhibit "idle"): the inhibition lasts while
// we keep the file descriptor it returns open. Where logind is absent or
// refuses, the screen saver's own interface on the session bus
// (org.freedesktop.ScreenSaver Inhibit/UnInhibit) is used. Every call is
// asynchronous; without either service nothing happens.
class TSleepInhibitor : public QObject {
public:
    TSleepInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent = nullptr);
    ~TSleepInhibitor() override;

    void SetInhibited(bool on);
    bool Inhibited() const { return wanted_; }

    // What is held right now: logind's descriptor or the screen saver's cookie.
    bool HoldsLogindLock() const { return fd_.isValid(); }
    uint ScreenSaverCookie() const { return cookie_; }

private:
    void AskLogind(quint64 generation);
    void AskScreenSaver(quint64 generation);
    void LogindReplied(QDBusPendingCallWatcher* call, quint64 generation);
    void ScreenSaverReplied(QDBusPendingCallWatcher* call, quint64 generation);
    void Release();
    bool Current(quint64 generation) const { return wanted_ && generation == generation_; }

    QDBusConnection system_;
    QDBusConnection session_;
    bool wanted_ = false;
    quint64 generation_ = 0; // counts requests; a late reply of an older one is let go
    QDBusUnixFileDescriptor fd_;
    uint cookie_ = 0;
    bool haveCookie_ = false;
};
