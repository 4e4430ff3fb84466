// The status icon of the real program (its tooltip and its menu's timer
// entries), through a stand-in for the desktop's StatusNotifierWatcher on a
// private session bus.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <map>

#include "XSession.h"

namespace {

// Says a host shows status icons and keeps the items that register.
class TFakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ Host)

  public:
    bool Host() const { return true; }
    QStringList items;

  public slots:
    void RegisterStatusNotifierItem(const QString& item, const QDBusMessage& message)
    {
        items << (item.startsWith('/') ? message.service() : item);
    }
    void RegisterStatusNotifierHost(const QString&) {}

  signals:
    void StatusNotifierItemRegistered(const QString& item);
};

// The labels of a dbusmenu layout, by item id.
void ReadLayout(const QDBusArgument& arg, std::map<QString, int>& ids)
{
    int id = 0;
    QVariantMap properties;
    arg.beginStructure();
    arg >> id >> properties;
    ids[properties.value("label").toString()] = id;
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        ReadLayout(child.variant().value<QDBusArgument>(), ids);
    }
    arg.endArray();
    arg.endStructure();
}

TEST(StatusIcon, TheItemListsTheTimersAndItsMenuActsOnThem)
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        GTEST_SKIP() << "Xvfb or dbus-daemon is not installed";
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(daemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    QDBusConnection bus = QDBusConnection::connectToBus(address, "status-icon-test");
    TFakeWatcher watcher;
    ASSERT_TRUE(bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents) &&
                bus.registerService("org.kde.StatusNotifierWatcher"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    qputenv("LANGUAGE", "en");
    TXSession x;
    ASSERT_TRUE(x.Error().isEmpty() && x.StartProgram({"5:00", "--start"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.items.isEmpty(); }, 15000)) << "an item registers";
    const QString item = watcher.items.value(0);

    const auto property = [&](const char* name) {
        QDBusMessage get =
            QDBusMessage::createMethodCall(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
        get << "org.kde.StatusNotifierItem" << name;
        return bus.call(get, QDBus::Block, 5000).arguments().value(0).value<QDBusVariant>().variant();
    };
    // The tooltip (icon name, pictures, title, text) lists the timer.
    const QDBusArgument tip = property("ToolTip").value<QDBusArgument>();
    QString iconName, title, text;
    tip.beginStructure();
    tip >> iconName;
    tip.beginArray();
    while (!tip.atEnd()) {
        int w = 0, h = 0;
        QByteArray pixels;
        tip.beginStructure(), tip >> w >> h >> pixels, tip.endStructure();
    }
    tip.endArray();
    tip >> title >> text;
    tip.endStructure();
    EXPECT_TRUE((title + text).contains("Timer 1  0")) << (title + "|" + text).toStdString();

    QDBusMessage layout = QDBusMessage::createMethodCall(item, property("Menu").value<QDBusObjectPath>().path(),
                                                         "com.canonical.dbusmenu", "GetLayout");
    layout << 0 << -1 << QStringList();
    std::map<QString, int> ids;
    const auto click = [&](const QString& label) {
        const QDBusMessage laidOut = bus.call(layout, QDBus::Block, 5000);
        ids.clear();
        ReadLayout(laidOut.arguments().value(1).value<QDBusArgument>(), ids);
        ASSERT_TRUE(ids.count(label)) << label.toStdString() << laidOut.errorMessage().toStdString();
        QDBusMessage event = QDBusMessage::createMethodCall(item, layout.path(), "com.canonical.dbusmenu", "Event");
        event << ids[label] << QString("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u;
        bus.call(event, QDBus::Block, 5000);
    };
    click("Pause all");
    EXPECT_TRUE(std::any_of(ids.begin(), ids.end(), [](const auto& e) { return e.first.startsWith("Timer 1  0"); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.RunProgram({"--status"}).contains("stopped"); }, 5000));
    click("Start"); // the timer's own entry
    EXPECT_TRUE(QTest::qWaitFor([&] { return x.RunProgram({"--status"}).contains("counting down"); }, 5000));
    x.StopProgram();
    daemon.kill();
    daemon.waitForFinished();
}

} // namespace

#include "StatusIconTest.moc"
