#include "SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

QStringList SessionBusSockets()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    QStringList sockets;
    if (address.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty())
            sockets << runtime + QStringLiteral("/bus");
        return sockets;
    }
    // "unix:path=/run/user/1000/bus,guid=…;unix:abstract=…", values %-escaped.
    for (const QString& entry : address.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!entry.startsWith(QLatin1String("unix:")))
            continue;
        for (const QString& pair : entry.mid(5).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString key = pair.section(QLatin1Char('='), 0, 0);
            const QString value = QUrl::fromPercentEncoding(pair.section(QLatin1Char('='), 1).toUtf8());
            if (key == QLatin1String("path"))
                sockets << value;
            else if (key == QLatin1String("abstract"))
                sockets << QLatin1Char('@') + value;
            else if (key == QLatin1String("runtime") && value == QLatin1String("yes"))
                sockets << qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
        }
    }
    return sockets;
}

namespace {

enum class TBusAnswer { Answered, Silent, Absent };

void AppendLittleEndian(QByteArray& bytes, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes += char((value >> shift) & 0xff);
}

// The call every client makes first, org.freedesktop.DBus.Hello: serial 1,
// little-endian, no body.
QByteArray HelloMessage()
{
    QByteArray fields;
    const auto field = [&fields](char code, char type, const QByteArray& text) {
        while (fields.size() % 8 != 0)
            fields += '\0';
        fields += code;
        fields += '\1'; // a signature of one type
        fields += type;
        fields += '\0';
        AppendLittleEndian(fields, quint32(text.size()));
        fields += text + '\0';
    };
    field(1, 'o', "/org/freedesktop/DBus");
    field(6, 's', "org.freedesktop.DBus");
    field(2, 's', "org.freedesktop.DBus");
    field(3, 's', "Hello");
    QByteArray message("l\1\0\1", 4); // endianness, method call, no flags, version 1
    AppendLittleEndian(message, 0);   // body length
    AppendLittleEndian(message, 1);   // serial
    AppendLittleEndian(message, quint32(fields.size()));
    message += fields;
    while (message.size() % 8 != 0)
        message += '\0';
    return message;
}

enum class TRead { Enough, Silent, Closed };

// Reads until `got` holds at least `size` bytes after `from`, or its line
// ends when size is 0.
TRead ReadUntil(int fd, QByteArray& got, qsizetype from, qsizetype size, const QDeadlineTimer& deadline)
{
    const auto enough = [&] { return size > 0 ? got.size() - from >= size : got.indexOf("\r\n", from) >= 0; };
    while (!enough()) {
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return TRead::Silent;
        char reply[256];
        const ssize_t count = ::recv(fd, reply, sizeof reply, 0);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count <= 0 || got.size() > 4096)
            return TRead::Closed;
        got.append(reply, count);
    }
    return TRead::Enough;
}

bool SendAll(int fd, const QByteArray& bytes)
{
    return ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

// One socket of the bus: goes through a client's greeting as far as the
// answer to its Hello call, the last step before a connection is usable.
TBusAnswer AskBus(const QString& socketPath, const QDeadlineTimer& deadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QByteArray name = QFile::encodeName(socketPath);
    socklen_t length = sizeof address;
    if (name.startsWith('@')) { // abstract: a leading NUL, no terminator
        name[0] = '\0';
        length = socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(name.size()));
    }
    if (name.isEmpty() || std::size_t(name.size()) >= sizeof address.sun_path)
        return TBusAnswer::Absent;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return TBusAnswer::Absent;
    const auto done = [fd](TBusAnswer answer) {
        ::close(fd);
        return answer;
    };
    while (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (errno != EAGAIN)
            return done(TBusAnswer::Absent); // nobody there: a client fails at once as well
        if (deadline.hasExpired())
            return done(TBusAnswer::Silent); // its queue stays full
        QThread::msleep(20);
    }
    // A closed connection fails a client at once, as nobody there does.
    const auto outcome = [&](TRead read) {
        return done(read == TRead::Silent ? TBusAnswer::Silent : TBusAnswer::Absent);
    };
    const QByteArray greeting = QByteArray(1, '\0') + "AUTH EXTERNAL " +
                                QByteArray::number(qulonglong(::getuid())).toHex() + "\r\n";
    if (!SendAll(fd, greeting))
        return done(TBusAnswer::Absent);
    QByteArray got;
    if (const TRead read = ReadUntil(fd, got, 0, 0, deadline); read != TRead::Enough)
        return outcome(read);
    // "REJECTED …" or an error fails a client at once as well.
    if (!got.startsWith("OK"))
        return done(TBusAnswer::Answered);
    const qsizetype replyStart = got.indexOf("\r\n") + 2;
    if (!SendAll(fd, "BEGIN\r\n" + HelloMessage()))
        return done(TBusAnswer::Absent);
    // The fixed part of the first message's header: the bus speaks.
    if (const TRead read = ReadUntil(fd, got, replyStart, 16, deadline); read != TRead::Enough)
        return outcome(read);
    return done(TBusAnswer::Answered);
}

} // namespace

bool SessionBusAnswers(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A client takes the first address it can connect to.
    for (const QString& socket : SessionBusSockets()) {
        const TBusAnswer answer = AskBus(socket, deadline);
        if (answer != TBusAnswer::Absent)
            return answer == TBusAnswer::Answered;
    }
    return true;
}

TSessionBusChoice::TSessionBusChoice(int timeoutMs)
{
    uses_ = SessionBusAnswers(timeoutMs);
    if (uses_)
        return;
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        address_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QStringList sockets = SessionBusSockets();
    std::fprintf(stderr, "pocosa: %s\n",
                 WithoutBusText(address_ ? QString::fromLocal8Bit(*address_) : sockets.value(0))
                     .toLocal8Bit()
                     .constData());
    // Refused at once by the D-Bus library; read by it at the first connection.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null");
}

void TSessionBusChoice::Settle()
{
    if (uses_ || std::exchange(settled_, true))
        return;
    // The first connection is kept for the whole run, unconnected: every
    // later use in the process (the accessibility bridge's included) finds
    // it so at once.
    (void)QDBusConnection::sessionBus();
    if (address_)
        qputenv("DBUS_SESSION_BUS_ADDRESS", *address_);
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

QString TSessionBusChoice::WithoutBusText(const QString& address)
{
    return QCoreApplication::translate("ProgramStart",
                                       "the session bus (%1) does not answer: Pocosa runs without it (no desktop "
                                       "notifications, task bar progress or accessibility)")
        .arg(address);
}
