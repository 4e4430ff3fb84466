#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ClassArchiveStream.h"
#include "ProcessRun.h"

#include <sys/stat.h>

namespace {

using pocosa::test::ProcessRun;

ProcessRun Tool(const QStringList& args)
{
    return pocosa::test::runProcess(QStringLiteral(POCOSA_ARCHIVE_TOOL), args);
}

class ArchiveTool : public ::testing::Test {
protected:
    QString File(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    static QByteArray Contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList Listing() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir_;
};

TEST_F(ArchiveTool, CreateListExtract)
{
    const QString a = File("in/a.png", QByteArray(1000, 'A'));
    const QString b = File("in/b.jpg", "");
    const QString c = File("in/Ünï.bmp", "ccc");
    const QString archive = dir_.filePath("graphic");
    const ProcessRun created = Tool({"create", archive, a, b, c});
    ASSERT_EQ(created.status, 0) << created.err.toStdString();

    TArchiveStream stream(archive);
    const TfilesList& list = stream.Entries();
    ASSERT_EQ(list.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.EntryId(i), i + 1);
        EXPECT_EQ(list.EntryFlag(i), 1);
        // Data directly after the name.
        const std::uint64_t after =
            i == 0 ? 48 + 37 + 5 : list.EntryOffset(i - 1) + list.EntrySize(i - 1) + 37 + list.NameLength(i);
        EXPECT_EQ(list.EntryOffset(i), after) << i;
    }

    const ProcessRun listed = Tool({"list", archive});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "a.png\t1000\nb.jpg\t0\nÜnï.bmp\t3\n");

    const QString out = dir_.filePath("out.bin");
    EXPECT_EQ(Tool({"extract", archive, "A.PNG", out}).status, 0);
    EXPECT_EQ(Contents(out), QByteArray(1000, 'A'));
    EXPECT_EQ(Tool({"extract", archive, "ünï.bmp", out}).status, 0);
    EXPECT_EQ(Contents(out), "ccc");
    EXPECT_EQ(Tool({"extract", archive, "b.jpg", out}).status, 0);
    EXPECT_EQ(Contents(out), "");
}

TEST_F(ArchiveTool, ErrorsExitOneAndWriteNothing)
{
    const QString bad = File("bad", "FARXxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    const ProcessRun listed = Tool({"list", bad});
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.err, "TArchiveStream:\r\n[Reload]ファイルが不正[FARX]です\n");

    const QString archive = dir_.filePath("graphic");
    const ProcessRun missingInput = Tool({"create", archive, dir_.filePath("none.png")});
    EXPECT_EQ(missingInput.status, 1);
    EXPECT_TRUE(missingInput.err.contains("は開けません"));

    const QString a = File("a.png", "aaaa");
    ASSERT_EQ(Tool({"create", archive, a}).status, 0);
    const QString out = dir_.filePath("out.bin");
    EXPECT_EQ(Tool({"extract", archive, "zzz.png", out}).status, 1);
    EXPECT_EQ(Tool({"extract", archive, "a.png", archive}).status, 1);
    // What is no regular file is refused at once, never waited on or written.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.filePath("fifo")).constData(), 0600), 0);
    const ProcessRun fifo = Tool({"list", dir_.filePath("fifo")});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_TRUE(fifo.err.contains("not a regular file")) << fifo.err.toStdString();
    EXPECT_EQ(Tool({"frobnicate"}).status, 1);
    EXPECT_EQ(Tool({"list"}).status, 1);
    // Reading commands leave an empty file as it is.
    const QString empty = File("empty", "");
    EXPECT_EQ(Tool({"list", empty}).status, 0);
    EXPECT_EQ(Tool({"extract", empty, "a.png", out}).status, 1);
    EXPECT_EQ(QFileInfo(empty).size(), 0);
    EXPECT_EQ(Listing(), QStringList({"a.png", "bad", "empty", "graphic"}));
    TArchiveStream stream(archive);
    EXPECT_EQ(stream.Entries().Count(), 1);
}

TEST_F(ArchiveTool, ExtractWritesOnlyTheNamedFile)
{
    // An entry named like a path must not steer where the data goes.
    const QString archive = File("evil", "");
    {
        TArchiveStream init(archive); // lays down an empty archive
    }
    const QString inner = File("sub/x.png", "data");
    ASSERT_EQ(Tool({"create", archive, inner}).status, 0);
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    // Rename the entry to "../x.pn" (same length keeps the layout).
    bytes.replace(48 + 37, 5, "../x.");
    File("evil", bytes);
    const QString out = dir_.filePath("sub/out");
    EXPECT_EQ(Tool({"extract", archive, "../x.", out}).status, 0);
    EXPECT_EQ(Contents(out), "data");
    EXPECT_FALSE(QFile::exists(dir_.filePath("x.")));
    EXPECT_EQ(QDir(dir_.filePath("sub")).entryList(QDir::Files), QStringList({"out", "x.png"}));
}

} // namespace
