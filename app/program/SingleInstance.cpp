#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "SingleInstanceConnection.h"
#include "TimerLimits.h"
#include "TimerModel.h"

namespace {

QByteArray Line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> Object(const QByteArray& line, int maxLine = TSingleInstance::kMaxLine)
{
    if (line.size() > maxLine || !line.endsWith('\n'))
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

QByteArray EncodeRequest(const TStartRequest& request, std::optional<qint64> deadline)
{
    QJsonObject o{{"start", request.Start}, {"status", request.Status}};
    if (deadline)
        o.insert("deadline", *deadline);
    if (request.Seconds)
        o.insert("seconds", *request.Seconds);
    // Only where asked for, so that a plain request stays as it always was.
    if (request.New)
        o.insert("new", true);
    if (request.Timer)
        o.insert("timer", *request.Timer);
    if (request.Ask)
        o.insert("ask", true);
    if (request.Sound)
        o.insert("sound", *request.Sound);
    if (request.Volume)
        o.insert("volume", *request.Volume);
    if (request.Until)
        o.insert("until", true);
    if (request.Warn)
        o.insert("warn", *request.Warn);
    if (request.Act != TTimerAct::None)
        o.insert("act", ActName(request.Act));
    if (request.Repeat)
        o.insert("repeat", *request.Repeat);
    return Line(o);
}

namespace {

// A key that may be missing: false only when it is there and not a whole
// number from low to high (as a double holds it exactly).
bool ReadWhole(const QJsonObject& o, const char* key, double low, double high, std::optional<qint64>& out)
{
    if (!o.contains(QLatin1String(key)))
        return true;
    const QJsonValue value = o[QLatin1String(key)];
    const double number = value.toDouble();
    if (!value.isDouble() || !(number >= low && number <= high) || number != std::floor(number))
        return false;
    out = qint64(number);
    return true;
}

// A key that may be missing: false only when it is there and not a boolean.
bool ReadFlag(const QJsonObject& o, const char* key, bool& out)
{
    if (!o.contains(QLatin1String(key)))
        return true;
    if (!o[QLatin1String(key)].isBool())
        return false;
    out = o[QLatin1String(key)].toBool();
    return true;
}

} // namespace

std::optional<TStartRequest> DecodeRequest(const QByteArray& line, std::optional<qint64>* deadline)
{
    const std::optional<QJsonObject> o = Object(line);
    if (!o || !(*o)["start"].isBool() || !(*o)["status"].isBool())
        return std::nullopt;
    TStartRequest request;
    request.Start = (*o)["start"].toBool();
    request.Status = (*o)["status"].toBool();
    // The deadline in whole milliseconds that a double holds exactly.
    std::optional<qint64> until, seconds, volume, warn, repeat;
    if (!ReadWhole(*o, "deadline", 0, 9007199254740992.0, until) ||
        !ReadWhole(*o, "seconds", 0, kTimerMaxSeconds, seconds) ||
        !ReadWhole(*o, "volume", 0, TTimerModel::kFullVolume, volume) ||
        !ReadWhole(*o, "warn", 0, kTimerMaxSeconds, warn) ||
        !ReadWhole(*o, "repeat", TTimerModel::kRepeatForever, TTimerModel::kMaxRepeat, repeat) ||
        !ReadFlag(*o, "new", request.New) || !ReadFlag(*o, "ask", request.Ask) || !ReadFlag(*o, "until", request.Until))
        return std::nullopt;
    if (seconds)
        request.Seconds = int(*seconds);
    if (volume)
        request.Volume = int(*volume);
    if (warn)
        request.Warn = int(*warn);
    if (repeat)
        request.Repeat = *repeat == 1 ? 0 : int(*repeat);
    if (o->contains("sound")) {
        if (!(*o)["sound"].isString())
            return std::nullopt;
        request.Sound = (*o)["sound"].toString();
    }
    if (o->contains("timer")) {
        if (!(*o)["timer"].isString())
            return std::nullopt;
        request.Timer = TTimerModel::CleanName((*o)["timer"].toString());
    }
    if (o->contains("act")) {
        const std::optional<TTimerAct> act = ActNamed((*o)["act"].toString());
        if (!(*o)["act"].isString() || !act || *act == TTimerAct::None)
            return std::nullopt;
        request.Act = *act;
    }
    // A query asks nothing else: the command line never sends both.
    if (request.Status && (request.Act != TTimerAct::None || request.Start || request.Seconds || request.New ||
                           request.Timer || request.Sound || request.Volume || request.Warn || request.Repeat))
        return std::nullopt;
    if (deadline)
        *deadline = until;
    return request;
}

QByteArray EncodeAnswer(const TInstanceAnswer& answer)
{
    QJsonObject o{{"applied", answer.Applied}, {"state", answer.State}};
    if (!answer.Knows.isEmpty())
        o.insert("knows", QJsonArray::fromStringList(answer.Knows));
    if (!answer.Timers.isEmpty())
        o.insert("timers", QJsonArray::fromStringList(answer.Timers));
    if (!answer.Refused.isEmpty())
        o.insert("refused", answer.Refused);
    if (!answer.Facts.empty()) {
        QJsonArray facts;
        for (const TTimerFacts& f : answer.Facts)
            facts.append(QJsonObject{{"name", f.Name},
                                     {"label", f.Label},
                                     {"seconds", f.Seconds},
                                     {"state", f.State},
                                     {"ends", f.Ends.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(f.Ends)},
                                     {"section", f.Section}});
        o.insert("facts", facts);
    }
    return Line(o);
}

namespace {

// A list of strings; nullopt when the value is anything else.
std::optional<QStringList> Strings(const QJsonValue& value)
{
    if (value.isUndefined())
        return QStringList();
    if (!value.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& item : value.toArray()) {
        if (!item.isString())
            return std::nullopt;
        list << item.toString();
    }
    return list;
}

// Each timer's facts; nullopt when anything in them is not as sent.
std::optional<std::vector<TTimerFacts>> Facts(const QJsonValue& value)
{
    std::vector<TTimerFacts> facts;
    if (value.isUndefined())
        return facts;
    if (!value.isArray())
        return std::nullopt;
    for (const QJsonValue& item : value.toArray()) {
        const QJsonObject f = item.toObject();
        const double seconds = f["seconds"].toDouble(-1);
        if (!item.isObject() || !f["name"].isString() || !f["label"].isString() || !f["state"].isString() ||
            !f["section"].isString() || !(f["ends"].isNull() || f["ends"].isString()) || !f["seconds"].isDouble() ||
            !(seconds >= 0 && seconds <= kTimerMaxSeconds) || seconds != std::floor(seconds))
            return std::nullopt;
        facts.push_back({f["name"].toString(), f["label"].toString(), int(seconds), f["state"].toString(),
                         f["ends"].toString(), f["section"].toString()});
    }
    return facts;
}

} // namespace

std::optional<TInstanceAnswer> DecodeAnswer(const QByteArray& line)
{
    const std::optional<QJsonObject> o = Object(line, TSingleInstance::kMaxAnswerLine);
    if (!o || !(*o)["applied"].isBool() || !(*o)["state"].isString())
        return std::nullopt;
    TInstanceAnswer answer{(*o)["applied"].toBool(), (*o)["state"].toString()};
    const std::optional<QStringList> knows = Strings((*o)["knows"]);
    const std::optional<QStringList> timers = Strings((*o)["timers"]);
    const QJsonValue refused = (*o)["refused"];
    std::optional<std::vector<TTimerFacts>> facts = Facts((*o)["facts"]);
    if (!knows || !timers || !facts || !(refused.isUndefined() || refused.isString()))
        return std::nullopt;
    answer.Facts = std::move(*facts);
    answer.Knows = *knows;
    answer.Timers = *timers;
    answer.Refused = refused.toString();
    return answer;
}

QString TSingleInstance::DefaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    // Without it (cron, su -) the folder the session has, if it is the user's alone.
    const QByteArray session = "/run/user/" + QByteArray::number(::getuid());
    struct stat info{};
    if (::lstat(session.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 07777) == 0700)
        return QString::fromLatin1(session);
    return QString();
}

TSingleInstance::TSingleInstance(QString folder, QString lockFolder, QObject* parent)
    : QObject(parent), User(::getuid()), folder_(std::move(folder)),
      lockFolder_(lockFolder.isEmpty() ? folder_ : std::move(lockFolder))
{
}

qint64 TSingleInstance::BootClockMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

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
    ::unlink(QFile::encodeName(listenPath_).constData());
    listenPath_.clear();
    SayListener(QByteArray()); // not said: a later start waits for the lock
}

QString TSingleInstance::LockPath() const
{
    return lockFolder_.isEmpty() ? QString() : QDir(lockFolder_).filePath(QStringLiteral("pocosa.lock"));
}

QString TSingleInstance::SocketPath() const
{
    return folder_.isEmpty() ? QString() : QDir(folder_).filePath(QStringLiteral("pocosa.socket"));
}

std::optional<QString> TSingleInstance::ListenerPath() const
{
    TFdGuard fd{::open(QFile::encodeName(UsedLockPath()).constData(), O_RDONLY | O_CLOEXEC)};
    if (fd.Fd < 0)
        return std::nullopt;
    char text[kMaxLine];
    const ssize_t n = ::pread(fd.Fd, text, sizeof text, 0);
    const QByteArray content(text, std::max<ssize_t>(n, 0));
    // Not said yet, or being written. A folder's name may hold line breaks:
    // the path is all before the last.
    if (!content.endsWith('\n'))
        return std::nullopt;
    return QFile::decodeName(content.chopped(1));
}

bool TSingleInstance::HeldElsewhere() const
{
    if (lockFd_ >= 0)
        return false;
    TFdGuard fd{::open(QFile::encodeName(UsedLockPath()).constData(), O_RDONLY | O_CLOEXEC)};
    // A shared lock is refused only while someone holds it; it goes at once.
    return fd.Fd >= 0 && ::flock(fd.Fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

QString TSingleInstance::FallbackLockPath() const
{
    if (folder_.isEmpty() || folder_ == lockFolder_)
        return QString();
    // One name for each lock folder: two read-only settings have two locks.
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(QDir(lockFolder_).absolutePath()), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QDir(folder_).filePath(QStringLiteral("pocosa-%1.lock").arg(QString::fromLatin1(key)));
}

QString TSingleInstance::UsedLockPath() const
{
    if (lockFd_ >= 0)
        return lockedPath_;
    // Where Lock() would lock: beside the settings if a lock file can be
    // there, else in the runtime folder. Looked at without opening for
    // writing: a query must leave no file behind.
    const QByteArray beside = QFile::encodeName(LockPath());
    const bool writable = ::access(beside.constData(), W_OK) == 0 ||
                          (errno == ENOENT && ::access(QFile::encodeName(lockFolder_).constData(), W_OK) == 0);
    const QString fallback = FallbackLockPath();
    return writable || fallback.isEmpty() ? LockPath() : fallback;
}

void TSingleInstance::SayListener(const QByteArray& content)
{
    if (lockFd_ < 0)
        return;
    // Readers take a text without its line end as not said yet.
    if (::ftruncate(lockFd_, 0) == 0 && !content.isEmpty())
        (void)!::pwrite(lockFd_, content.constData(), std::size_t(content.size()), 0);
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
    // Beside the settings; where no lock file can be made there (a
    // read-only folder), in the runtime folder, so that a second start
    // still finds the first.
    for (const QString& path : {LockPath(), FallbackLockPath()}) {
        if (path.isEmpty())
            continue;
        // Close-on-exec: a browser opened from the program must not keep the lock.
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool taken = errno == EWOULDBLOCK;
            ::close(fd);
            return !taken;
        }
        lockFd_ = fd;
        lockedPath_ = path;
        SayListener(QByteArray()); // what a killed holder said is void
        return true;
    }
    return true; // nowhere: the program runs on its own
}

bool TSingleInstance::Listen()
{
    if (lockFd_ < 0 || serverFd_ >= 0)
        return serverFd_ >= 0;
    // The runtime folder first; the lock's folder where that cannot be
    // (none, read-only, another settings' window there, a path too long).
    const QString besideLock = lockedPath_.chopped(int(qstrlen(".lock"))) + QStringLiteral(".socket");
    for (const QString& path : {SocketPath(), besideLock}) {
        if (!path.isEmpty() && ListenOn(path)) {
            listenPath_ = path;
            SayListener(QFile::encodeName(path) + '\n');
            return true;
        }
    }
    SayListener("\n"); // nowhere: later starts need not wait
    return false;
}

bool TSingleInstance::ListenOn(const QString& path)
{
    sockaddr_un address;
    if (!SocketAddress(path, address))
        return false;
    TFdGuard fd{::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
    if (fd.Fd < 0)
        return false;
    // A socket file that takes connections belongs to the window of other
    // settings; any other one is stale (the lock holder alone listens).
    {
        TFdGuard probe{::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
        if (probe.Fd >= 0 &&
            (::connect(probe.Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
             errno == EAGAIN))
            return false;
    }
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

TSingleInstance::TAttempt TSingleInstance::Attempt(const QString& socketPath, const TStartRequest& request,
                                                   const QDeadlineTimer& deadline,
                                                   std::optional<TInstanceAnswer>& answer) const
{
    sockaddr_un address;
    if (!SocketAddress(socketPath, address))
        return TAttempt::NoListener;
    TFdGuard fd{::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
    if (fd.Fd < 0)
        return TAttempt::NoListener;
    if (::connect(fd.Fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return errno == EAGAIN ? TAttempt::Busy : TAttempt::NoListener; // a full queue: there, but busy
    // A socket of another user (planted in a shared runtime folder) is no
    // Pocosa of this user's: it is told nothing and believed in nothing.
    ucred peer{};
    socklen_t peerSize = sizeof peer;
    if (::getsockopt(fd.Fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) != 0 || peer.uid != User)
        return TAttempt::NoListener;
    // The window drops the request once this start has given up on it, a
    // margin before: one carried out at the last moment is still told.
    std::optional<qint64> giveUp;
    if (!deadline.isForever()) {
        const qint64 left = deadline.remainingTime();
        giveUp = BootClockMs() + left - std::min<qint64>(kAnswerMarginMs, left / 2);
    }
    if (!instance_io::SendAll(fd.Fd, EncodeRequest(request, giveUp), deadline))
        return TAttempt::NoAnswer;
    QByteArray line;
    while (!line.contains('\n')) {
        if (line.size() > kMaxAnswerLine || !instance_io::WaitFor(fd.Fd, POLLIN, deadline))
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

bool TSingleInstance::Unreachable() const
{
    const std::optional<QString> path = ListenerPath();
    return path && path->isEmpty() && HeldElsewhere();
}

std::optional<TInstanceAnswer> TSingleInstance::HandOver(const TStartRequest& request, int timeoutMs,
                                                         bool waitForListener, bool takeOver, bool* reached)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (reached)
        *reached = false;
    for (;;) {
        // The holder names its socket once it listens; until then it is the
        // runtime folder's.
        const std::optional<QString> said = ListenerPath();
        const bool unreachable = said && said->isEmpty() && HeldElsewhere();
        std::optional<TInstanceAnswer> answer;
        const TAttempt attempt = unreachable ? TAttempt::NoListener
                                             : Attempt(said && !said->isEmpty() ? *said : SocketPath(), request,
                                                       deadline, answer);
        if (reached && attempt != TAttempt::NoListener)
            *reached = true;
        if (attempt == TAttempt::Answered)
            return answer;
        // The first start takes the lock a moment before it listens; a
        // closing window stops listening a moment before it lets the lock go.
        if (takeOver && Lock() && Holding())
            return std::nullopt;
        const bool again = !unreachable && (takeOver || attempt == TAttempt::Busy ||
                                            (attempt == TAttempt::NoListener && waitForListener));
        if (!again || deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(50);
    }
}
