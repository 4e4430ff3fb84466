#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "TimerLimits.h"

namespace {

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

// The socket file's address; false when the path does not fit in one.
bool SocketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray name = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || std::size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    return true;
}

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

// Sends all of data on a non-blocking socket before the deadline.
bool SendAll(int fd, const QByteArray& data, const QDeadlineTimer& deadline)
{
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + sent, std::size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// One accepted connection of the running window: reads one request line,
// writes the answer and closes. Anything malformed, too long or too slow is
// dropped without an answer.
class TInstanceConnection : public QObject {
public:
    TInstanceConnection(int fd, TSingleInstance& instance, QObject* parent)
        : QObject(parent), fd_(fd), instance_(instance), readable_(fd, QSocketNotifier::Read, this)
    {
        connect(&readable_, &QSocketNotifier::activated, this, [this] { Read(); });
        QTimer::singleShot(TSingleInstance::kClientTimeoutMs, this, [this] { Close(); });
    }

    ~TInstanceConnection() override
    {
        ::close(fd_);
        instance_.ConnectionClosed();
    }

private:
    void Close()
    {
        readable_.setEnabled(false);
        deleteLater();
    }

    void Read()
    {
        char chunk[512];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n <= 0) {
            Close(); // gone, or an error
            return;
        }
        buffer_.append(chunk, n);
        const qsizetype end = buffer_.indexOf('\n');
        if (end < 0) {
            if (buffer_.size() > TSingleInstance::kMaxLine)
                Close();
            return;
        }
        readable_.setEnabled(false); // one request a connection
        const std::optional<TStartRequest> request = DecodeRequest(buffer_.left(end + 1));
        if (request) {
            const TInstanceAnswer answer =
                instance_.OnRequest ? instance_.OnRequest(*request) : TInstanceAnswer{false, QString()};
            // An answer is far smaller than a socket buffer; a client that
            // does not read it within the time is left.
            SendAll(fd_, EncodeAnswer(answer), QDeadlineTimer(TSingleInstance::kClientTimeoutMs));
        }
        Close();
    }

    int fd_;
    TSingleInstance& instance_;
    QSocketNotifier readable_;
    QByteArray buffer_;
};

// Closes a descriptor when it goes out of scope.
struct TFdGuard {
    int Fd = -1;
    ~TFdGuard()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
};

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
        if (!seconds.isDouble() || value != double(int(value)) || value < 0 || value > kTimerMaxSeconds)
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
    // The socket file goes while the lock is still held.
    StopListening();
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

void TSingleInstance::StopListening()
{
    if (serverFd_ < 0)
        return;
    // Connections not yet answered are closed: their clients try again.
    delete connectionsParent_;
    connectionsParent_ = nullptr;
    delete acceptNotifier_;
    acceptNotifier_ = nullptr;
    ::close(serverFd_);
    serverFd_ = -1;
    ::unlink(QFile::encodeName(SocketPath()).constData());
}

void TSingleInstance::ConnectionClosed()
{
    --connections_;
    if (acceptNotifier_ && connections_ < kMaxConnections)
        acceptNotifier_->setEnabled(true);
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
    return serverFd_ >= 0;
}

bool TSingleInstance::Claim()
{
    if (!Lock())
        return false;
    Listen(); // nothing where no lock could be made
    return true;
}

bool TSingleInstance::Lock()
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
    return true;
}

bool TSingleInstance::Listen()
{
    // Only the lock holder listens, so a socket file found now is stale.
    if (lockFd_ < 0 || serverFd_ >= 0)
        return serverFd_ >= 0;
    sockaddr_un address;
    if (!SocketAddress(SocketPath(), address))
        return false;
    TFdGuard fd{::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
    if (fd.Fd < 0)
        return false;
    ::unlink(address.sun_path);
    if (::bind(fd.Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    // The user's alone (the runtime folder is the user's alone as well).
    if (::chmod(address.sun_path, 0600) != 0 || ::listen(fd.Fd, 8) != 0) {
        ::unlink(address.sun_path);
        return false;
    }
    serverFd_ = std::exchange(fd.Fd, -1);
    connectionsParent_ = new QObject(this);
    acceptNotifier_ = new QSocketNotifier(serverFd_, QSocketNotifier::Read, this);
    connect(acceptNotifier_, &QSocketNotifier::activated, this, &TSingleInstance::Accept);
    return true;
}

void TSingleInstance::Accept()
{
    for (;;) {
        if (connections_ >= kMaxConnections) {
            // The rest wait in the socket's queue until a connection ends.
            acceptNotifier_->setEnabled(false);
            return;
        }
        const int fd = ::accept4(serverFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors or memory: the waiting connection would
                // wake us at once again; try again in a second instead.
                acceptNotifier_->setEnabled(false);
                QTimer::singleShot(1000, acceptNotifier_, [n = acceptNotifier_] { n->setEnabled(true); });
            }
            return;
        }
        ++connections_;
        new TInstanceConnection(fd, *this, connectionsParent_);
    }
}

TSingleInstance::TAttempt TSingleInstance::Attempt(const TStartRequest& request, const QDeadlineTimer& deadline,
                                                   std::optional<TInstanceAnswer>& answer) const
{
    sockaddr_un address;
    if (!SocketAddress(SocketPath(), address))
        return TAttempt::NoListener;
    TFdGuard fd{::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
    if (fd.Fd < 0 || ::connect(fd.Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return TAttempt::NoListener;
    if (!SendAll(fd.Fd, EncodeRequest(request), deadline))
        return TAttempt::NoAnswer;
    QByteArray line;
    while (!line.contains('\n')) {
        if (line.size() > kMaxLine || !WaitFor(fd.Fd, POLLIN, deadline))
            return TAttempt::NoAnswer;
        char chunk[512];
        const ssize_t n = ::recv(fd.Fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (n <= 0)
            return TAttempt::NoAnswer; // closed or failed without a whole answer
        line.append(chunk, n);
    }
    answer = DecodeAnswer(line.left(line.indexOf('\n') + 1));
    return answer ? TAttempt::Answered : TAttempt::NoAnswer;
}

std::optional<TInstanceAnswer> TSingleInstance::HandOver(const TStartRequest& request, int timeoutMs,
                                                         bool waitForListener, bool takeOver, bool* reached)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (reached)
        *reached = false;
    for (;;) {
        std::optional<TInstanceAnswer> answer;
        const TAttempt attempt = Attempt(request, deadline, answer);
        if (reached && attempt != TAttempt::NoListener)
            *reached = true;
        if (attempt == TAttempt::Answered)
            return answer;
        // The first start takes the lock a moment before it listens; a
        // closing window stops listening a moment before it lets the lock go.
        const bool again = takeOver || (attempt == TAttempt::NoListener && waitForListener);
        if (!again || deadline.hasExpired())
            return std::nullopt;
        if (takeOver && Lock() && Holding())
            return std::nullopt;
        QThread::msleep(50);
    }
}
