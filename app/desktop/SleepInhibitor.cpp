#include "SleepInhibitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kWho = QStringLiteral("Pocosa");

// What the desktop shows the user as the reason the computer stays awake.
QString Why()
{
    return QCoreApplication::translate("TSleepInhibitor", "タイマーのカウントダウン中");
}

QDBusMessage ScreenSaverCall(const QString& method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"), method);
}

} // namespace

TSleepInhibitor::TSleepInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent)
    : QObject(parent), system_(std::move(systemBus)), session_(std::move(sessionBus))
{
}

TSleepInhibitor::~TSleepInhibitor()
{
    Release();
}

void TSleepInhibitor::SetInhibited(bool on)
{
    if (on == wanted_)
        return;
    wanted_ = on;
    ++generation_;
    if (on)
        AskLogind(generation_);
    else
        Release();
}

void TSleepInhibitor::AskLogind(quint64 generation)
{
    if (!system_.isConnected()) {
        AskScreenSaver(generation);
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    message << QStringLiteral("idle") << kWho << Why() << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) { LogindReplied(call, generation); });
}

void TSleepInhibitor::LogindReplied(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *call;
    if (!Current(generation))
        return; // the descriptor of a late reply closes with the reply
    if (reply.isError() || !reply.value().isValid()) {
        AskScreenSaver(generation);
        return;
    }
    fd_ = reply.value();
}

void TSleepInhibitor::AskScreenSaver(quint64 generation)
{
    if (!session_.isConnected())
        return;
    QDBusMessage message = ScreenSaverCall(QStringLiteral("Inhibit"));
    message << kWho << Why();
    auto* watcher = new QDBusPendingCallWatcher(session_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) { ScreenSaverReplied(call, generation); });
}

void TSleepInhibitor::ScreenSaverReplied(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError())
        return;
    if (Current(generation) && !haveCookie_) {
        cookie_ = reply.value();
        haveCookie_ = true;
        return;
    }
    QDBusMessage message = ScreenSaverCall(QStringLiteral("UnInhibit"));
    message << reply.value();
    session_.asyncCall(message);
}

void TSleepInhibitor::Release()
{
    fd_ = QDBusUnixFileDescriptor(); // closing our copy ends logind's inhibition
    if (!haveCookie_)
        return;
    if (session_.isConnected()) {
        QDBusMessage message = ScreenSaverCall(QStringLiteral("UnInhibit"));
        message << cookie_;
        session_.asyncCall(message);
    }
    haveCookie_ = false;
    cookie_ = 0;
}
