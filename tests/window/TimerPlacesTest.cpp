// Two timer windows of the real program come back where they were after a restart.
#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>

#include "XSession.h"

namespace {

struct TPlacesRow {
    const char* Name;
    const char* Dragged; // the section of the window dragged; empty: none
    int Ending; // SIGKILL once the place is written
    bool WindowManager;
};

TEST(TimerWindows, TwoWindowsComeBackWhereTheyWere)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    const TPlacesRow rows[] = {
        {"kill -9 keeps the new window beside the first", "", SIGKILL, true},
        {"kill -9 keeps a dragged first window", "TFMTIMERMAIN", SIGKILL, false},
        {"kill -9 keeps a dragged new window", "TIMER-2", SIGKILL, false},
        {"SIGTERM right after a drag keeps it", "TFMTIMERMAIN", SIGTERM, false},
    };
    for (const TPlacesRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TXSession x;
        ASSERT_TRUE(x.Error().isEmpty() && (!row.WindowManager || x.StartWindowManager()) && x.StartProgram());
        const unsigned long first = x.WaitForMainWindow();
        if (row.WindowManager)
            x.OpenOtherWindow();
        x.RunProgram({"--new"});
        ASSERT_TRUE(first && x.WaitFor([&] { return x.MainWindows().size() == 2; }));
        const unsigned long added = x.MainWindows().at(x.MainWindows().indexOf(first) == 0 ? 1 : 0);
        if (row.WindowManager) { // opened from the command line, it takes the keyboard
            EXPECT_TRUE(x.WaitFor([&] { return x.Property(0, "_NET_ACTIVE_WINDOW").value(0) == added; }));
        }
        if (*row.Dragged) {
            // From the body, clear of the buttons; the pressed point (1 px left) stays under the pointer.
            const QString section = QString::fromLatin1(row.Dragged);
            const unsigned long window = section == "TIMER-2" ? added : first;
            const QPoint from = x.WindowRect(window).topLeft() + QPoint(65, 22);
            const QPoint target = x.WindowRect(window).topLeft() + QPoint(-150 + 1, 100);
            ASSERT_TRUE(x.Drag(from, from + QPoint(-150, 100)));
            ASSERT_TRUE(x.WaitFor([&] { return x.WindowRect(window).topLeft() == target; }));
            ASSERT_TRUE(row.Ending != SIGKILL || x.WaitFor([&] {
                const QSettings kept(x.ProgramFolder() + "/Data/application.ini", QSettings::IniFormat);
                return QPoint(kept.value(section + "/LEFT").toInt(), kept.value(section + "/TOP").toInt()) == target;
            }));
        }
        const auto places = [&x] {
            QList<std::pair<int, int>> at;
            for (const unsigned long window : x.MainWindows())
                at.append({x.WindowRect(window).x(), x.WindowRect(window).y()});
            std::sort(at.begin(), at.end());
            return at;
        };
        const auto before = places();
        ASSERT_NE(before.first(), before.last());
        x.SignalProgram(row.Ending);
        ASSERT_TRUE(x.WaitForProgramEnd() && x.StartProgram());
        EXPECT_TRUE(x.WaitFor([&] { return places() == before; })) << places().size() << " windows";
        EXPECT_EQ(x.RunProgram({"--status"}).count(QLatin1Char('\n')), 2);
    }
}

} // namespace
