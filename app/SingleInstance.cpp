#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kMaxSeconds = 5999;

QByteArray Line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> Object(const QByteArray& line)
{
    if (line.size() > TSingleInstance::kMaxLine || !line.endsWith('\n'))
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

} // namespace

QByteArray EncodeRequest(const TStartRequest& request)
{
    QJsonObject o{{"start", request.Start}, {"status", request.Status}};
    if (request.Seconds)
        o.insert("seconds", *request.Seconds);
    return Line(o);
}

std::optional<TStartRequest> DecodeRequest(const QByteArray& line)
{
    const std::optional<QJsonObject> o = Object(line);
    if (!o || !(*o)["start"].isBool() || !(*o)["status"].isBool())
        return std::nullopt;
    TStartRequest request;
    request.Start = (*o)["start"].toBool();
    request.Status = (*o)["status"].toBool();
    if (o->contains("seconds")) {
        const QJsonValue seconds = (*o)["seconds"];
        const double value = seconds.toDouble(-1);
        if (!seconds.isDouble() || value != double(int(value)) || value < 0 || value > kMaxSeconds)
            return std::nullopt;
        request.Seconds = int(value);
    }
    return request;
}

QByteArray EncodeAnswer(const TInstanceAnswer& answer)
{
    return Line({{"applied", answer.Applied}, {"state", answer.State}});
}

std::optional<TInstanceAnswer> DecodeAnswer(const QByteArray& line)
{
    const std::optional<QJsonObject> o = Object(line);
    if (!o || !(*o)["applied"].isBool() || !(*o)["state"].isString())
        return std::nullopt;
    return TInstanceAnswer{(*o)["applied"].toBool(), (*o)["state"].toString()};
}

QString TSingleInstance::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

TSingleInstance::TSingleInstance(QString folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {}

TSingleInstance::~TSingleInstance()
{
    delete server_; // removes the socket file while the lock is still held
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

QString TSingleInstance::LockPath() const
{
    return QDir(folder_).filePath(QStringLiteral("pocosa.lock"));
}

QString TSingleInstance::SocketPath() const
{
    return QDir(folder_).filePath(QStringLiteral("pocosa.socket"));
}

bool TSingleInstance::Listening() const
{
    return server_ && server_->isListening();
}

bool TSingleInstance::Claim()
{
    if (lockFd_ >= 0)
        return true;
    if (folder_.isEmpty())
        return true;
    // Close-on-exec: a browser opened from the program must not keep the lock.
    const int fd = ::open(QFile::encodeName(LockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        return !taken;
    }
    lockFd_ = fd;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock holder listens, so a socket file found now is stale.
    QLocalServer::removeServer(SocketPath());
    if (!server_->listen(SocketPath())) {
        delete server_;
        server_ = nullptr;
        return true;
    }
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
    return true;
}

void TSingleInstance::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        QTimer::singleShot(kClientTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

void TSingleInstance::Serve(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLine)
            socket->abort();
        return;
    }
    const std::optional<TStartRequest> request = DecodeRequest(socket->readLine(kMaxLine + 1));
    if (!request) {
        socket->abort();
        return;
    }
    const TInstanceAnswer answer = OnRequest ? OnRequest(*request) : TInstanceAnswer{false, QString()};
    socket->write(EncodeAnswer(answer));
    socket->disconnectFromServer(); // after the answer has been written
}

std::optional<TInstanceAnswer> TSingleInstance::HandOver(const TStartRequest& request, int timeoutMs,
                                                         bool waitForListener) const
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first start takes the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (!waitForListener || deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(50);
    }
    socket.write(EncodeRequest(request));
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return std::nullopt;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (answer.size() > kMaxLine || deadline.hasExpired())
            return std::nullopt;
        const bool more = socket.bytesAvailable() > 0 || socket.waitForReadyRead(int(deadline.remainingTime()));
        answer += socket.readAll();
        if (!more && !answer.contains('\n'))
            return std::nullopt; // closed or timed out without a whole answer
    }
    return DecodeAnswer(answer.left(answer.indexOf('\n') + 1));
}
