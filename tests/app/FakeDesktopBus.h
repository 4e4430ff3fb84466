#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A private dbus-daemon for one test: no service activation, every name may
// be owned. Stands in for both the session and the system bus.
class TPrivateBus {
public:
    TPrivateBus();
    ~TPrivateBus();

    bool Running() const { return !address_.isEmpty(); }
    QString Address() const { return address_; }
    // A new connection of this process to the bus.
    QDBusConnection Connect();
    // Stops the daemon (SIGSTOP): it keeps its connections but answers
    // nothing until thawed (SIGCONT).
    void Freeze(bool frozen);

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

// org.freedesktop.Notifications, recording what it is asked.
class TFakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct TNotify {
        QString App;
        uint Replaces = 0;
        QString Summary;
        QStringList Actions;
        QVariantMap Hints;
        int Timeout = -1;
        uint Id = 0;
        QString Body;
    };
    QList<TNotify> Notified;
    QList<uint> Closed;
    uint NextId = 41;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);
};

// org.freedesktop.login1.Manager: Inhibit hands out the write end of a pipe,
// so the test sees the inhibition end when every copy of it is closed.
class TFakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~TFakeLogind() override;
    QStringList Calls; // "what who mode" per call
    QList<int> ReadEnds;
    // True when the inhibition n has ended (its pipe reached end of file).
    bool Released(int n) const;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode);
};

// org.freedesktop.ScreenSaver.
class TFakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QList<uint> Inhibited;
    QList<uint> UnInhibited;
    uint NextCookie = 7;

public slots:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);
};

// A dock listening to the launcher entry signal of /org/velmora/Pocosa/LauncherEntry.
class TFakeDock : public QObject {
    Q_OBJECT

public:
    struct TUpdate {
        QString AppUri;
        QVariantMap Properties;
    };
    QList<TUpdate> Updates;
    bool Listen(QDBusConnection& connection);

public slots:
    void Update(const QString& appUri, const QVariantMap& properties);
};

// Registers an object as a service on a connection of its own.
bool Serve(QDBusConnection& connection, const QString& service, const QString& path, QObject* object);

// Runs the event loop until the condition holds or the time is up.
bool Eventually(const std::function<bool()>& condition, int timeoutMs = 10000);
