// The built program on a private X server: its shape, dragging with and
// without a window manager, position memory across a restart, the menu.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "TestEnv.h"
#include "XSession.h"

namespace {

// The built-in picture's size and the layout offset it gives the controls.
constexpr QSize kPictureSize(130, 124);
constexpr QPoint kRelocation(5, 2);
// A spot of the window's body: between the digits, clear of every button.
constexpr QPoint kBody = QPoint(60, 20) + kRelocation;
// The middle of the start button (64 x 52 at 28, 56 in the layout).
constexpr QPoint kStartButton = QPoint(28 + 32, 56 + 26) + kRelocation;
// A window the program drags itself keeps the point pressed (1 px left of where the drag moves from) under the pointer.
constexpr QPoint kPressedBeside(1, 0);

// The region the built-in picture should give the window: every pixel whose
// colour differs from the top-left pixel's, decoded by Qt independently of
// the program's own reader.
QRegion ExpectedShape()
{
    QImage picture(pocosa::test::sourceDir() + QStringLiteral("/resources/RC_DATA/BGPICTURE"), "PNG");
    QRegion region;
    if (picture.isNull())
        return region;
    picture = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb key = picture.pixel(0, 0);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width();) {
            if (picture.pixel(x, y) == key) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < picture.width() && picture.pixel(x, y) != key)
                ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

// A started program on its own server, its main window found and shaped.
class ProgramWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(x.Error().isEmpty()) << x.Error().toStdString();
    }

    void Launch()
    {
        ASSERT_TRUE(x.StartProgram());
        window = x.WaitForMainWindow();
        ASSERT_NE(window, 0UL) << "no program window appeared";
        // The background is applied during creation: the window is shown at the picture's size.
        ASSERT_TRUE(x.WaitFor([&] { return x.WindowRect(window).size() == kPictureSize; }))
            << "window size " << x.WindowRect(window).width() << " x " << x.WindowRect(window).height();
    }

    QPoint ScreenPoint(QPoint client) { return x.WindowRect(window).topLeft() + client; }

    TXSession x;
    unsigned long window = 0;
};

TEST_F(ProgramWindow, ShapeIsTheRegionOfTheBuiltInPicture)
{
    Launch();
    const QRegion expected = ExpectedShape();
    ASSERT_FALSE(expected.isEmpty()) << "built-in picture not readable";
    const QRegion shape = x.WindowShape(window);
    EXPECT_EQ(shape, expected);
    // One run of pixels on every one of its 124 rows, the corners cut off.
    for (int y = 0; y < kPictureSize.height(); ++y) {
        const QRegion row = shape & QRect(0, y, kPictureSize.width(), 1);
        EXPECT_EQ(row.rectCount(), 1) << "row " << y;
    }
    for (const QPoint corner : {QPoint(0, 0), QPoint(129, 0), QPoint(0, 123), QPoint(129, 123)})
        EXPECT_FALSE(shape.contains(corner)) << corner.x() << ", " << corner.y();
}

TEST_F(ProgramWindow, FirstStartCentresTheDesignSizeOnTheScreen)
{
    Launch();
    // 120 x 120 centred on 1024 x 768; the picture then grows the window from that corner.
    EXPECT_EQ(x.WindowRect(window).topLeft(), QPoint((1024 - 120) / 2, (768 - 120) / 2));
}

TEST_F(ProgramWindow, DraggingTheBodyMovesTheWindowWithoutWindowManager)
{
    Launch();
    const QRect before = x.WindowRect(window);
    ASSERT_TRUE(x.Drag(ScreenPoint(kBody), ScreenPoint(kBody) + QPoint(-150, 90)));
    const QPoint target = before.topLeft() + QPoint(-150, 90) + kPressedBeside;
    EXPECT_TRUE(x.WaitFor([&] { return x.WindowRect(window).topLeft() == target; }))
        << "window at " << x.WindowRect(window).x() << ", " << x.WindowRect(window).y();
}

TEST_F(ProgramWindow, DraggingTheBodyMovesTheWindowUnderOpenbox)
{
    ASSERT_TRUE(x.StartWindowManager()) << "openbox did not come up";
    Launch();
    const QRect before = x.WindowRect(window);
    ASSERT_TRUE(x.Drag(ScreenPoint(kBody), ScreenPoint(kBody) + QPoint(120, -80)));
    EXPECT_TRUE(x.WaitFor([&] { return x.WindowRect(window).topLeft() == before.topLeft() + QPoint(120, -80); }))
        << "window at " << x.WindowRect(window).x() << ", " << x.WindowRect(window).y();
    // The window manager took the release; the next drag works all the same.
    ASSERT_TRUE(x.Drag(ScreenPoint(kBody), ScreenPoint(kBody) + QPoint(-40, 30)));
    EXPECT_TRUE(x.WaitFor([&] { return x.WindowRect(window).topLeft() == before.topLeft() + QPoint(80, -50); }))
        << "window at " << x.WindowRect(window).x() << ", " << x.WindowRect(window).y();
}

TEST_F(ProgramWindow, DragStartedOnAButtonLeavesTheWindowInPlace)
{
    Launch();
    const QRect before = x.WindowRect(window);
    ASSERT_TRUE(x.Drag(ScreenPoint(kStartButton), ScreenPoint(kStartButton) + QPoint(100, 60)));
    // Give a wrongly started move time to show.
    x.WaitFor([&] { return x.WindowRect(window).topLeft() != before.topLeft(); }, 700);
    EXPECT_EQ(x.WindowRect(window).topLeft(), before.topLeft());
}

TEST_F(ProgramWindow, PositionIsRestoredAfterARestart)
{
    Launch();
    const QPoint target = x.WindowRect(window).topLeft() + QPoint(-200, -150) + kPressedBeside;
    ASSERT_TRUE(x.Drag(ScreenPoint(kBody), ScreenPoint(kBody) + QPoint(-200, -150)));
    ASSERT_TRUE(x.WaitFor([&] { return x.WindowRect(window).topLeft() == target; }));
    ASSERT_TRUE(x.StopProgram()) << "the program did not end cleanly on SIGTERM";
    QSettings ini(x.ProgramFolder() + QStringLiteral("/Data/application.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("TFMTIMERMAIN/LEFT")).toInt(), target.x());
    EXPECT_EQ(ini.value(QStringLiteral("TFMTIMERMAIN/TOP")).toInt(), target.y());

    Launch();
    EXPECT_EQ(x.WindowRect(window).topLeft(), target);
}

TEST_F(ProgramWindow, ADamagedPictureFirstInTheHistoryStillStartsTheProgram)
{
    const QString data = x.ProgramFolder() + QStringLiteral("/Data");
    ASSERT_TRUE(QDir().mkpath(data));
    const QString broken = x.ProgramFolder() + QStringLiteral("/broken.png");
    QFile picture(broken);
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, 'x'));
    picture.close();
    QFile ini(data + QStringLiteral("/application.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[BACK]\nlist0=" + broken.toUtf8() + "\n");
    ini.close();

    // Started with the built-in picture instead.
    Launch();
    EXPECT_EQ(x.WindowShape(window), ExpectedShape());
    ASSERT_TRUE(x.StopProgram());
    QSettings settings(data + QStringLiteral("/application.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("BACK/list0")).toString(), broken) << "the history is kept";
}

// The alarm raises the window and marks it urgent; the keyboard stays where the user typed.
TEST_F(ProgramWindow, TheAlarmRaisesTheWindowButLeavesTheKeyboardWhereItIs)
{
    ASSERT_TRUE(x.StartWindowManager() && x.StartProgram({QStringLiteral("--start"), QStringLiteral("4s")}));
    window = x.WaitForMainWindow();
    const unsigned long other = x.OpenOtherWindow();
    const auto active = [&] { return x.Property(0, "_NET_ACTIVE_WINDOW").value(0); };
    const auto raised = [&] {
        const QList<unsigned long> stacking = x.Property(0, "_NET_CLIENT_LIST_STACKING");
        return stacking.indexOf(window) > stacking.indexOf(other);
    };
    ASSERT_TRUE(window != 0 && active() == other && !raised());
    EXPECT_TRUE(x.WaitFor(raised, 8000));
    const unsigned long urgent = x.InternAtom("_NET_WM_STATE_DEMANDS_ATTENTION");
    EXPECT_TRUE(x.WaitFor([&] { return x.Property(window, "_NET_WM_STATE").contains(urgent); }));
    EXPECT_FALSE(x.WaitFor([&] { return active() != other; }, 2500)) << "the keyboard taken";
}

TEST_F(ProgramWindow, RightClickOpensTheMenu)
{
    Launch();
    ASSERT_EQ(x.CountPopups(), 0);
    ASSERT_TRUE(x.Click(ScreenPoint(kBody), 3));
    EXPECT_TRUE(x.WaitFor([&] { return x.CountPopups() > 0; }));
}

// A bus that never answers (Qt's accessibility bridge would wait on it) delays neither window nor count.
TEST_F(ProgramWindow, ASessionBusThatNeverAnswersHoldsNothingUp)
{
    QTemporaryDir folder;
    const QString bus = folder.filePath("bus");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strcpy(address.sun_path, QFile::encodeName(bus).constData());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 16), 0); // takes connections, never answers
    x.SetEnvironment("DBUS_SESSION_BUS_ADDRESS=unix:path=" + bus);
    ASSERT_TRUE(x.StartProgram({"3s", "--start"}));
    EXPECT_NE(x.WaitForMainWindow(), 0UL) << "no program window appeared";
    EXPECT_TRUE(x.WaitFor([&] { return x.RunProgram({"--status"}) == "00:00 alarm\n"; }, 4000)) << "on time";
    EXPECT_TRUE(x.ProgramLog().contains(bus)) << x.ProgramLog().toStdString();
    EXPECT_TRUE(x.StopProgram()) << "ends on SIGTERM";
    ::close(listener);
}

// A later start's request that comes while the kept timers are still being
// opened waits for them. The first frame comes late: the window manager is
// stopped, and so is the program as soon as it listens, until the request is
// there.
TEST_F(ProgramWindow, AnEarlyRequestFindsTheKeptTimers)
{
    ASSERT_TRUE(x.StartWindowManager());
    const QString data = x.ProgramFolder() + "/Data";
    QDir().mkpath(data);
    QFile settings(data + "/application.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[TIMER]\nSECONDS=0\n[TIMER-2]\nNAME=a\nSECONDS=30\nRUNNING=0\nCOUNTUP=0\n");
    settings.close();
    x.SignalWindowManager(SIGSTOP);
    ASSERT_TRUE(x.StartProgram());
    QFile lock(data + "/pocosa.lock"); // names the socket once the program listens
    for (const QDeadlineTimer up(10000); !up.hasExpired(); QThread::usleep(200)) {
        if (lock.open(QIODevice::ReadOnly) && lock.readAll().endsWith('\n'))
            break;
        lock.close();
    }
    x.SignalProgram(SIGSTOP);
    std::thread later([this] { x.RunProgram({"--timer", "a", "1m"}); });
    QThread::msleep(500);
    x.SignalProgram(SIGCONT);
    later.join();
    x.SignalWindowManager(SIGCONT);
    EXPECT_EQ(x.RunProgram({"--status"}), "00:00 stopped\n01:00 stopped\ta\n");
}

} // namespace
