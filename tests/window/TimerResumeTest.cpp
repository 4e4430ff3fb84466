// The timer across a restart of the real program: kept through a kill or a
// logout, forgotten when the user closes the program.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <csignal>

#include "XSession.h"

namespace {

struct TResumeRow {
    const char* Name;
    const char* Ini; // kept before the first start; empty: a count-down ending EndInS from now
    qint64 EndInS;
    QStringList First; // the first run, ended by the signal Ending (0: the close button)
    int Ending;
    QStringList Second;
    QString Status; // "counting down" is compared with the kept end, to the second
    const char* Log; // what standard error must tell; empty: nothing is ignored
    const char* Language = "en"; // LANGUAGE of the program
};

TEST(TimerResume, WhatTheNextStartFinds)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    const QStringList tenMinutes{"10:00", "--start"};
    const TResumeRow rows[] = {
        {"kill -9 keeps the count-down", "", 0, tenMinutes, SIGKILL, {}, "counting down", ""},
        {"SIGTERM keeps the count-down", "", 0, tenMinutes, SIGTERM, {}, "counting down", ""},
        {"the close button clears", "", 0, {"10:00"}, 0, {}, "00:00 stopped", ""}, // stopped: closed unasked
        {"Ctrl+C clears", "", 0, tenMinutes, SIGINT, {}, "00:00 stopped", ""},
        {"a stopped count-up", "[TIMER]\nSECONDS=90\nRUNNING=0\nCOUNTUP=1\n", 0, {}, 0, {}, "01:30 stopped (count up)",
         ""},
        {"an end passed while closed rings", "", -600, {}, 0, {}, "00:00 alarm", ""},
        {"an end long past only tells", "", -7200, {}, 0, {}, "00:00 stopped", ""},
        {"a time on the command line wins", "", 60, {}, 0, {"5m"}, "05:00 stopped", ""},
        {"unreadable", "[TIMER]\nSECONDS=12\nRUNNING=yes\nCOUNTUP=0\n", 0, {}, 0, {}, "00:00 stopped",
         "RUNNING=yes cannot be read"},
        {"told in the window's language", "[TIMER]\nSECONDS=12\nRUNNING=yes\nCOUNTUP=0\n", 0, {}, 0, {},
         "00:00 stopped", "タイマーは使いません: RUNNING=yes が読めません", "ja"},
        {"an end the clock cannot place is shown stopped", "", 200 * 86400, {}, 0, {}, "10:00 stopped", ""},
    };
    for (const TResumeRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TXSession x;
        ASSERT_TRUE(x.Error().isEmpty()) << x.Error().toStdString();
        x.SetEnvironment(QStringLiteral("LANGUAGE=") + row.Language);
        const QString iniFile = x.ProgramFolder() + QStringLiteral("/Data/application.ini");
        QByteArray ini(row.Ini);
        if (row.EndInS != 0)
            ini = "[TIMER]\nSECONDS=600\nRUNNING=1\nCOUNTUP=0\nEND=" +
                  QByteArray::number(QDateTime::currentMSecsSinceEpoch() + row.EndInS * 1000) + "\n";
        QDir().mkpath(x.ProgramFolder() + QStringLiteral("/Data"));
        QFile file(iniFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        if (!row.First.isEmpty()) {
            ASSERT_TRUE(x.StartProgram(row.First));
            const unsigned long window = x.WaitForMainWindow();
            ASSERT_NE(window, 0UL);
            ASSERT_FALSE(x.RunProgram({"--status"}).isEmpty()); // recorded by the time it answers
            if (row.Ending)
                x.SignalProgram(row.Ending);
            else // the close button, 34 x 28 at 86, 89, moved by the picture's offset 5, 2
                ASSERT_TRUE(x.Click(x.WindowRect(window).topLeft() + QPoint(86 + 17 + 5, 89 + 14 + 2), 1));
            ASSERT_TRUE(x.WaitForProgramEnd());
            QThread::msleep(2500); // time passes while the program is gone
        }
        ASSERT_TRUE(x.StartProgram(row.Second));
        ASSERT_NE(x.WaitForMainWindow(), 0UL);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const QString status = x.RunProgram({"--status"}).trimmed();
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        const QSettings kept(iniFile, QSettings::IniFormat);
        if (row.Status == QLatin1String("counting down")) {
            ASSERT_TRUE(status.endsWith(row.Status)) << status.toStdString();
            // The whole seconds left, rounded up, while --status asked.
            const qint64 end = kept.value("TIMER/END").toLongLong();
            const int shown = status.left(2).toInt() * 60 + status.mid(3, 2).toInt();
            EXPECT_GE(shown, int((end - after + 999) / 1000) - 1) << status.toStdString();
            EXPECT_LE(shown, int((end - before + 999) / 1000) + 1) << status.toStdString();
            EXPECT_LE(shown, 598) << "the time went on while the program was gone";
        } else {
            EXPECT_EQ(status, row.Status);
        }
        const QString log = x.ProgramLog();
        EXPECT_EQ(log.contains(QString::fromUtf8(row.Log)), true) << log.toStdString();
        EXPECT_EQ(log.contains("ignored") || log.contains("使いません"), *row.Log != 0) << log.toStdString();
        if (*row.Log) { // replaced, so it is reported once
            EXPECT_EQ(kept.value("TIMER/RUNNING").toString(), "0");
        }
    }
}

} // namespace
