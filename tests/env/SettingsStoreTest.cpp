#include "EnvFixture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include "vlmGlobalIniText.h"

#include <cerrno>
#include <cstdio>

namespace {

using SettingsStore = EnvTest;

TEST_F(SettingsStore, MissingFileSectionOrKeyGiveTheDefault)
{
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.ReadIniString("BACK", "list0", "def"), "def");
    EXPECT_EQ(global.ReadIniInteger("BACK", "n", -3), -3);
    global.WriteIniString("BACK", "list0", "a.png");
    EXPECT_EQ(global.ReadIniString("OTHER", "list0", "def"), "def");
    EXPECT_EQ(global.ReadIniString("BACK", "list1", "def"), "def");
}

TEST_F(SettingsStore, RoundTripsAndIntegerRules)
{
    TvlmGlobal global(Setup());
    global.WriteIniString("BACK", "list0", "/pictures/a b.png");
    global.WriteIniInteger("TFMTIMERMAIN", "LEFT", -40);
    global.WriteIniString("TFMTIMERMAIN", "HEX", "0x1F");
    global.WriteIniString("TFMTIMERMAIN", "BAD", "abc");
    EXPECT_EQ(global.ReadIniString("back", "LIST0", ""), "/pictures/a b.png");
    EXPECT_EQ(global.ReadIniInteger("tfmtimermain", "left", 0), -40);
    EXPECT_EQ(global.ReadIniInteger("TFMTIMERMAIN", "HEX", 0), 31);
    EXPECT_EQ(global.ReadIniInteger("TFMTIMERMAIN", "BAD", 77), 77);
    EXPECT_EQ(ReadAll(global.IniFileName()),
              "[BACK]\nlist0=/pictures/a b.png\n[TFMTIMERMAIN]\nLEFT=-40\nHEX=0x1F\nBAD=abc\n");
}

TEST_F(SettingsStore, LongValuesAreNotCut)
{
    TvlmGlobal global(Setup());
    const QString longName = "/" + QString(5000, 'p') + ".png";
    global.WriteIniString("BACK", "list0", longName);
    EXPECT_EQ(global.ReadIniString("BACK", "list0", ""), longName);
}

TEST_F(SettingsStore, CommentsBlankLinesAndForeignSectionsSurvive)
{
    QDir().mkpath(ProgDir() + "/Data");
    const QByteArray before = "; kept\n\n[OTHER]\nx = 1\n\n[BACK]\nlist0=a\n";
    WriteAll(ProgDir() + "/Data/application.ini", before);
    TvlmGlobal global(Setup());
    global.WriteIniString("BACK", "list0", "b");
    EXPECT_EQ(ReadAll(global.IniFileName()), "; kept\n\n[OTHER]\nx = 1\n\n[BACK]\nlist0=b\n");
}

TEST_F(SettingsStore, RefusedWriteRaisesWithTheFileName)
{
    TvlmGlobalSetup setup = Setup();
    setup.ProgramFile = "/proc/pocosa";
    MakeUserKey("/proc/pocosa-data");
    TvlmGlobal global(setup);
    EXPECT_EQ(global.ReadIniString("BACK", "list0", "d"), "d");
    try {
        global.WriteIniString("BACK", "list0", "x");
        FAIL() << "no error";
    } catch (const EvlmGlobalError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "/proc/pocosa-data/application.ini に書き込めません");
    }
    EXPECT_THROW(global.WriteIniString("BACK", "list0", "two\nlines"), EvlmGlobalError);
}

// The disk fills up between two writes: the second raises, the first stays
// whole, no temporary file left; what the second meant is read, and written
// whole with the first write after the disk clears.
TEST_F(SettingsStore, FullDiskKeepsTheFileAndRaisesAndLosesNothing)
{
    const FullDisk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a tmpfs";
    MakeUserKey(disk.dir.path());
    TvlmGlobal global(Setup());
    global.WriteIniStrings("BACK", {{"list0", "/a.png"}, {"list1", "/b.png"}});
    const QByteArray before = ReadAll(global.IniFileName());
    disk.Fill();
    EXPECT_THROW(global.WriteIniStrings("TIMER-2", {{"NAME", "Tea"}, {"SECONDS", "600"}}), EvlmGlobalError);
    EXPECT_THROW(global.RemoveIniSection("BACK"), EvlmGlobalError);
    EXPECT_EQ(ReadAll(global.IniFileName()), before);
    EXPECT_EQ(disk.Files(), QStringList{"application.ini"});
    EXPECT_EQ(global.UnsavedReason(), qt_error_string(ENOSPC));
    EXPECT_EQ(global.IniSections(), QStringList{"TIMER-2"});
    disk.Clear();
    global.WriteIniString("TIMER-2", "LEFT", "30");
    EXPECT_EQ(ReadAll(global.IniFileName()), "[TIMER-2]\nNAME=Tea\nSECONDS=600\nLEFT=30\n");
    EXPECT_TRUE(global.UnsavedReason().isEmpty());
}

// A batch reads its own writes and reaches the file once, at its outermost
// end; a write that changes nothing does not replace the file.
TEST_F(SettingsStore, ABatchWritesTheFileOnceAtItsEnd)
{
    TvlmGlobal global(Setup());
    global.WriteIniStrings("TIMER-2", {{"SECONDS", "5"}});
    global.WriteIniStrings("BACK", {{"list0", "/a.png"}});
    const QByteArray before = ReadAll(global.IniFileName());
    global.BeginIniBatch();
    global.BeginIniBatch();
    global.WriteIniInteger("TIMER-3", "SECONDS", 7);
    global.RemoveIniSection("timer-2");
    global.EndIniBatch();
    EXPECT_EQ(global.ReadIniInteger("TIMER-3", "SECONDS", 0), 7) << "read back in the batch";
    EXPECT_EQ(global.IniSections(), QStringList({"BACK", "TIMER-3"}));
    EXPECT_EQ(ReadAll(global.IniFileName()), before) << "nothing on disk before the end";
    global.EndIniBatch();
    EXPECT_EQ(ReadAll(global.IniFileName()), QByteArray("[BACK]\nlist0=/a.png\n[TIMER-3]\nSECONDS=7\n"));
    const QDateTime old = QDateTime::currentDateTimeUtc().addYears(-1);
    QFile file(global.IniFileName());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(old, QFileDevice::FileModificationTime));
    file.close();
    global.WriteIniString("BACK", "list0", "/a.png");
    EXPECT_EQ(QFileInfo(global.IniFileName()).lastModified(), old) << "the same value: not written";
    global.RemoveIniSection("none");
    EXPECT_EQ(QFileInfo(global.IniFileName()).lastModified(), old) << "nothing to remove: not written";
    global.RemoveIniSection("back");
    EXPECT_EQ(ReadAll(global.IniFileName()), QByteArray("[TIMER-3]\nSECONDS=7\n"));
    QFile::remove(global.IniFileName());
    global.RemoveIniSection("TIMER-3");
    EXPECT_FALSE(QFileInfo::exists(global.IniFileName())) << "no file: none made";
}

// Reads serve the last text only while the file is the same: each change made
// behind the object's back after a first read is seen by the next one.
TEST_F(SettingsStore, ChangesBehindTheObjectsBackAreSeen)
{
    const QDateTime now = QDateTime::currentDateTimeUtc(), old = now.addYears(-1).addMSecs(123);
    // The whole second now begun: well within the two seconds a file without sub-second times may keep.
    const QDateTime ahead = now.addSecs(60), wholeSecondGone = now.addMSecs(-now.time().msec());
    enum How { Replace, InPlace, Remove, Folder };
    const struct {
        const char* name;
        QDateTime first, then; // the file's time at the first read and after the change
        How how;
        QByteArray value;
    } cases[] = {
        {"replaced by a file of the same size and time", old, old, Replace, "new"},
        {"rewritten in place with the same size, another time", old, old.addSecs(1), InPlace, "new"},
        {"grown in place keeping its time", old, old, InPlace, "newer"},
        {"ahead of the clock, rewritten keeping size and time", ahead, ahead, InPlace, "new"},
        {"whole seconds just gone, rewritten keeping size and time", wholeSecondGone, wholeSecondGone, InPlace,
         "new"},
        {"removed", old, old, Remove, "default"},
        {"turned into a folder", old, old, Folder, "default"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TvlmGlobal global(Setup());
        global.SetDataDir(Path(c.name));
        const QString name = global.IniFileName(), other = c.how == Replace ? name + ".new" : name;
        QFile file(name);
        WriteAll(name, "[A]\nK=old\n");
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(c.first, QFileDevice::FileModificationTime));
        file.close();
        EXPECT_EQ(global.ReadIniString("A", "K", "default"), "old");
        QFile changed(other);
        if (c.how == Replace || c.how == InPlace) {
            ASSERT_TRUE(changed.open(QIODevice::ReadWrite) && changed.write("[A]\nK=" + c.value + "\n") > 0);
            ASSERT_TRUE(changed.flush() && changed.setFileTime(c.then, QFileDevice::FileModificationTime));
            ASSERT_TRUE(c.how == InPlace || std::rename(QFile::encodeName(other), QFile::encodeName(name)) == 0);
        } else {
            ASSERT_TRUE(file.remove() && (c.how == Remove || QDir().mkpath(name)));
        }
        EXPECT_EQ(global.ReadIniString("A", "K", "default"), c.value);
    }
}

// What a kill during a write left beside the file goes at the next start; the
// user's own files of a like name (the old shape too), links and folders stay.
TEST_F(SettingsStore, StaleTemporaryFilesAreRemoved)
{
    TvlmGlobal global(Setup());
    global.WriteIniString("BACK", "list0", "a");
    const QDir data(global.DataDir());
    const QStringList leftovers{".application.ini.pocosa-new-Ab3xYz", ".application.ini.pocosa-new-09azAZ"};
    const QStringList users{"application.ini.backup", "application.ini.notes1", "application.ini.Before",
                            ".application.ini.pocosa-new-Ab3xY", ".application.ini.pocosa-new-Ab-xYz",
                            ".application.ini.pocosa-new-Ab3xYz1", ".other.ini.pocosa-new-Ab3xYz"};
    for (const QString& name : leftovers + users)
        WriteAll(data.filePath(name), "x");
    QFile::link(data.filePath("application.ini.backup"), data.filePath(".application.ini.pocosa-new-Linked"));
    QDir().mkpath(data.filePath(".application.ini.pocosa-new-Folder"));
    global.RemoveStaleIniFiles();
    QStringList left = data.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : leftovers)
        EXPECT_FALSE(left.contains(name)) << qPrintable(name);
    EXPECT_EQ(left.size(), users.size() + 3) << qPrintable(left.join(' '));
}

TEST_F(SettingsStore, SeveralKeysAreWrittenAllOrNone)
{
    TvlmGlobal global(Setup());
    global.WriteIniStrings("TIMER", {{"A", "1"}, {"B", "2"}});
    EXPECT_EQ(ReadAll(global.IniFileName()), "[TIMER]\nA=1\nB=2\n");
    EXPECT_THROW(global.WriteIniStrings("TIMER", {{"A", "3"}, {"B", "two\nlines"}}), EvlmGlobalError);
    EXPECT_EQ(global.ReadIniString("TIMER", "A", ""), "1") << "the first key is not written alone";
}

TEST_F(SettingsStore, UnreadableFileIsNotReplaced)
{
    QDir().mkpath(ProgDir() + "/Data/application.ini"); // a folder where the file should be
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.ReadIniString("BACK", "list0", "d"), "d");
    EXPECT_THROW(global.WriteIniInteger("BACK", "n", 1), EvlmGlobalError);
    EXPECT_TRUE(QFileInfo(global.IniFileName()).isDir());
}

TEST_F(SettingsStore, ShutDownWritesReportAndGoOn)
{
    TvlmGlobal global(Setup());
    global.WriteIniString("BACK", "list0", "a");
    global.BeginShutDown();
    EXPECT_NO_THROW(global.WriteIniString("BACK", "bad", "two\nlines"));
    EXPECT_NO_THROW(global.WriteIniString("BACK", "list1", "b"));
    EXPECT_EQ(global.ReadIniString("BACK", "list1", ""), "b");
    EXPECT_EQ(global.ReadIniString("BACK", "bad", "none"), "none");
}

// The helper rewrites application.ini as fast as it can; it is killed at
// random moments and the file must always be whole: every key of the last
// complete write present, every value of the exact shape written.
TEST_F(SettingsStore, KillDuringAWriteBurstLeavesAWholeFile)
{
    const QString ini = ProgDir() + "/Data/application.ini";
    const QRegularExpression valueShape("^v\\d+-x{300}$");
    for (int round = 0; round < 12; ++round) {
        QProcess writer;
        writer.start(POCOSA_SETTINGS_WRITER, {ProgDir() + "/pocosa", Path("machine")});
        ASSERT_TRUE(writer.waitForStarted());
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "helper never wrote";
        QThread::msleep(static_cast<unsigned long>(5 + round * 7));
        writer.kill();
        writer.waitForFinished();

        const QByteArray text = ReadAll(ini);
        ASSERT_FALSE(text.isEmpty()) << "round " << round;
        ASSERT_TRUE(text.endsWith('\n')) << "round " << round;
        for (int k = 0; k < 20; ++k) {
            const auto v = IniText::ReadValue(text, "BURST", QString("key%1").arg(k));
            ASSERT_TRUE(v) << "round " << round << " key" << k;
            EXPECT_TRUE(valueShape.match(*v).hasMatch()) << "round " << round << " key" << k;
        }
        EXPECT_EQ(IniText::ReadValue(text, "FIXED", "kept"), "yes") << "round " << round;
    }
}

} // namespace
