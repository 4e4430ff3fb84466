#include "FakeDesktopBus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

TPrivateBus::TPrivateBus()
{
    const QString config = dir_.filePath("bus.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>\n"
                              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                   .arg(dir_.path())
                   .toUtf8());
    file.close();
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(10000))
        return;
    const QDeadlineTimer deadline(10000);
    while (!daemon_.canReadLine() && !deadline.hasExpired())
        daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

TPrivateBus::~TPrivateBus()
{
    Freeze(false);
    for (const QString& name : names_)
        QDBusConnection::disconnectFromBus(name);
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection TPrivateBus::Connect()
{
    static int serial = 0;
    const QString name = QStringLiteral("pocosa-test-%1").arg(++serial);
    names_ << name;
    return QDBusConnection::connectToBus(address_, name);
}

void TPrivateBus::Freeze(bool frozen)
{
    ::kill(pid_t(daemon_.processId()), frozen ? SIGSTOP : SIGCONT);
}

uint TFakeNotifications::Notify(const QString& app, uint replaces, const QString&, const QString& summary,
                                const QString& body, const QStringList& actions, const QVariantMap& hints,
                                int timeout)
{
    const uint id = NextId++;
    Notified.append({app, replaces, summary, actions, hints, timeout, id, body});
    return id;
}

void TFakeNotifications::CloseNotification(uint id)
{
    Closed << id;
    emit NotificationClosed(id, 3);
}

bool TFakeDock::Listen(QDBusConnection& connection)
{
    return connection.connect(QString(), QStringLiteral("/org/velmora/Pocosa/LauncherEntry"),
                              QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"), this,
                              SLOT(Update(QString, QVariantMap)));
}

void TFakeDock::Update(const QString& appUri, const QVariantMap& properties)
{
    Updates.append({appUri, properties});
}

TFakeLogind::~TFakeLogind()
{
    for (const int fd : ReadEnds)
        ::close(fd);
}

bool TFakeLogind::Released(int n) const
{
    pollfd p{ReadEnds.at(n), POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    char c = 0;
    return (p.revents & POLLHUP) != 0 || ::read(ReadEnds.at(n), &c, 1) == 0;
}

QDBusUnixFileDescriptor TFakeLogind::Inhibit(const QString& what, const QString& who, const QString&,
                                             const QString& mode)
{
    Calls << what + ' ' + who + ' ' + mode;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    ReadEnds << fds[0];
    QDBusUnixFileDescriptor handed(fds[1]); // a copy of its own
    ::close(fds[1]);
    return handed;
}

uint TFakeScreenSaver::Inhibit(const QString&, const QString&)
{
    Inhibited << NextCookie;
    return NextCookie++;
}

void TFakeScreenSaver::UnInhibit(uint cookie)
{
    UnInhibited << cookie;
}

bool Serve(QDBusConnection& connection, const QString& service, const QString& path, QObject* object)
{
    return connection.registerObject(path, object, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
           connection.registerService(service);
}

bool Eventually(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}
