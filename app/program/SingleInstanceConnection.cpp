#include "SingleInstanceConnection.h"

#include <QDeadlineTimer>
#include <QList>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace instance_io {

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

} // namespace instance_io

TInstanceConnection::TInstanceConnection(int fd, TSingleInstance& instance, QObject* parent)
    : QObject(parent), fd_(fd), instance_(instance), readable_(fd, QSocketNotifier::Read, this)
{
    connect(&readable_, &QSocketNotifier::activated, this, &TInstanceConnection::Read);
    expiry_.setSingleShot(true);
    connect(&expiry_, &QTimer::timeout, this, &TInstanceConnection::Close);
    expiry_.start(TSingleInstance::kClientTimeoutMs);
}

TInstanceConnection::~TInstanceConnection()
{
    if (!closed_) {
        ::close(fd_);
        instance_.ConnectionClosed();
    }
}

void TInstanceConnection::Close()
{
    if (std::exchange(closed_, true))
        return;
    // Closed at once: the client learns it is done with, whenever this
    // object goes.
    readable_.setEnabled(false);
    ::close(fd_);
    expiry_.stop();
    instance_.ConnectionClosed();
    deleteLater();
}

void TInstanceConnection::Read()
{
    if (!Idle())
        return;
    for (;;) {
        char chunk[512];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            Close(); // gone, or an error
            return;
        }
        buffer_.append(chunk, n);
        const qsizetype end = buffer_.indexOf('\n');
        if (end >= 0)
            break;
        if (buffer_.size() > TSingleInstance::kMaxLine) {
            Close();
            return;
        }
    }
    readable_.setEnabled(false); // one request a connection
    request_ = DecodeRequest(buffer_.left(buffer_.indexOf('\n') + 1), &askerDeadline_);
    buffer_.clear();
    if (!request_) {
        Close();
        return;
    }
    // A whole request waits while requests are held: until its asker gives
    // up, or, from an older Pocosa that does not say when, until served.
    expiry_.stop();
    if (askerDeadline_) {
        const qint64 left = *askerDeadline_ - TSingleInstance::BootClockMs();
        if (left <= 0) {
            Close();
            return;
        }
        expiry_.start(int(std::min<qint64>(left, INT_MAX)));
    }
    Serve();
}

void TInstanceConnection::Serve()
{
    if (closed_ || !request_ || instance_.HoldingRequests())
        return;
    // The asker has told its user that the program did not answer: what it
    // asked is never done behind its back.
    if (askerDeadline_ && TSingleInstance::BootClockMs() >= *askerDeadline_) {
        Close();
        return;
    }
    const QPointer<TInstanceConnection> self(this); // a dialog's event loop may end the listening
    const TInstanceAnswer answer =
        instance_.OnRequest ? instance_.OnRequest(*request_) : TInstanceAnswer{false, QString()};
    if (!self)
        return;
    // An answer is far smaller than a socket buffer; a client that does not
    // read it within the time is left.
    instance_io::SendAll(fd_, EncodeAnswer(answer), QDeadlineTimer(TSingleInstance::kClientTimeoutMs));
    Close();
}

void TSingleInstance::HoldRequests(bool hold)
{
    holdRequests_ = hold;
    if (hold || !connectionsParent_)
        return;
    // Answering one may run a dialog's event loop, in which others end.
    QList<QPointer<QObject>> waiting;
    for (QObject* connection : connectionsParent_->children())
        waiting << connection;
    for (const QPointer<QObject>& connection : waiting) {
        if (connection && !holdRequests_)
            static_cast<TInstanceConnection*>(connection.data())->Serve();
    }
}

void TSingleInstance::ConnectionClosed()
{
    --connections_;
    if (acceptNotifier_ && connections_ < kMaxConnections)
        acceptNotifier_->setEnabled(true);
}

void TSingleInstance::Accept()
{
    for (;;) {
        if (connections_ >= kMaxConnections && !MakeRoom()) {
            // The rest wait in the socket's queue until a connection ends.
            acceptNotifier_->setEnabled(false);
            return;
        }
        if (serverFd_ < 0)
            return; // a request answered meanwhile ended the listening
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

bool TSingleInstance::MakeRoom()
{
    // What has come is taken first, so that a request already on its way is
    // not taken for silence; then the connection silent for longest goes.
    QList<QPointer<QObject>> open;
    for (QObject* connection : connectionsParent_->children())
        open << connection;
    for (const QPointer<QObject>& connection : open) {
        if (connection)
            static_cast<TInstanceConnection*>(connection.data())->Read();
    }
    if (serverFd_ < 0 || connections_ < kMaxConnections)
        return true;
    for (const QPointer<QObject>& connection : open) {
        auto* c = static_cast<TInstanceConnection*>(connection.data());
        if (c && c->Idle()) {
            c->Close();
            return true;
        }
    }
    return false;
}
