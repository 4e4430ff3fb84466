#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ClassArchiveStream.h"
#include "EnvFixture.h"
#include "ProcessRun.h"
#include "TestEnv.h"

#include <sys/stat.h>

namespace {

using pocosa::test::ProcessRun;

ProcessRun Tool(const QStringList& args, const char* language = "en", const char* output = nullptr)
{
    return pocosa::test::runToolIn(language, QStringLiteral(POCOSA_ARCHIVE_TOOL), args, output);
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

    for (const char* option : {"--help", "-h", "--version", "-v"}) { // as pocosa: standard output, status 0
        const ProcessRun run = Tool({option});
        EXPECT_TRUE(run.status == 0 && !run.out.isEmpty() && run.err.isEmpty()) << option;
    }
    const ProcessRun listed = Tool({"list", archive});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "a.png\t1000\nb.jpg\t0\nÜnï.bmp\t3\n");

    const QString out = dir_.filePath("out.bin");
    EXPECT_EQ(Tool({"extract", archive, "A.PNG", out}).status, 0);
    EXPECT_EQ(Contents(out), QByteArray(1000, 'A'));
    EXPECT_EQ(Tool({"extract", archive, "A.PNG", "-"}).out, QString(1000, 'A'));
    // An archive of small numbers and ASCII names is ASCII: the text keeps it.
    const ProcessRun toOutput = Tool({"create", "-", b});
    ASSERT_EQ(toOutput.status, 0);
    TArchiveStream written(File("written", toOutput.out.toLatin1()));
    ASSERT_EQ(written.Entries().Count(), 1);
    EXPECT_EQ(written.Entries().Name(0), "b.jpg");
    EXPECT_EQ(written.Entries().EntryOffset(0), 90u);
    EXPECT_EQ(Tool({"extract", archive, "ünï.bmp", out}).status, 0);
    EXPECT_EQ(Contents(out), "ccc");
    EXPECT_EQ(Tool({"extract", archive, "b.jpg", out}).status, 0);
    EXPECT_EQ(Contents(out), "");
}

TEST_F(ArchiveTool, ErrorsExitOneAndWriteNothing)
{
    const QString bad = File("bad", "FARXxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    const ProcessRun listed = Tool({"list", bad}, "ja");
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.err, "TArchiveStream:\r\n[Reload]ファイルが不正[FARX]です\n");
    EXPECT_EQ(Tool({"list", bad}, "en").err, "TArchiveStream:\r\n[Reload]Invalid file [FARX]\n");

    const QString archive = dir_.filePath("graphic");
    const QString a = File("a.png", "aaaa");
    ASSERT_EQ(Tool({"create", archive, a}).status, 0);
    const QString other = File("in/A.PNG", "AAAA");
    const QString out = dir_.filePath("out.bin");
    const QString empty = File("empty", "");
    // What is no regular file is refused at once, never waited on or replaced.
    const QString fifo = dir_.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir_.filePath("in");
    const struct {
        const char* name;
        QStringList args;
        const char* message;
        const char* language = "en";
        const char* output = nullptr; // standard output's file
    } rows[] = {
        {"missing input", {"create", out, dir_.filePath("none.png")}, "は開けません", "ja"},
        {"missing input in English", {"create", out, dir_.filePath("none.png")}, "Cannot open file \""},
        {"folder as input", {"create", out, a, folder}, "not a regular file"},
        {"FIFO as input", {"create", out, a, fifo}, "not a regular file"},
        {"two inputs of one name", {"create", out, a, other}, "two entries of one name"},
        {"in Japanese", {"create", out, a, other}, "同じ名前の項目が二つ", "ja"},
        {"FIFO as the archive made", {"create", fifo, a}, "not a regular file"},
        {"FIFO as the archive read", {"list", fifo}, "not a regular file"},
        {"no such entry", {"extract", archive, "zzz.png", out}, "no entry named"},
        {"empty file has no entries", {"extract", empty, "a.png", out}, "no entry named"},
        {"output is the archive", {"extract", archive, "a.png", archive}, "archive itself"},
        {"FIFO as output", {"extract", archive, "a.png", fifo}, "not a regular file"},
        {"folder as output", {"extract", archive, "a.png", folder}, "not a regular file"},
        {"unknown command", {"frobnicate"}, "usage:"},
        {"list without archive", {"list"}, "usage:"},
        {"usage in Japanese", {"list"}, "使い方:", "ja"},
        {"list to a full disk", {"list", archive}, "Cannot write to standard output. No space", "en", "/dev/full"},
        {"extract to a full disk", {"extract", archive, "a.png", "-"}, "標準出力に書き込めません", "ja", "/dev/full"},
        {"create to a full disk", {"create", "-", a}, "Cannot write to standard output.", "en", "/dev/full"},
    };
    for (const auto& row : rows) {
        const ProcessRun run = Tool(row.args, row.language, row.output);
        EXPECT_EQ(run.status, 1) << row.name;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(row.message))) << row.name << ": " << run.err.toStdString();
    }
    // Reading commands leave an empty file as it is.
    EXPECT_EQ(Tool({"list", empty}).status, 0);
    EXPECT_EQ(QFileInfo(empty).size(), 0);
    EXPECT_EQ(Listing(), QStringList({"a.png", "bad", "empty", "graphic"}));
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    TArchiveStream stream(archive);
    EXPECT_EQ(stream.Entries().Count(), 1);
}

// A disk that fills up while an output is written leaves the old file whole and no temporary file.
TEST_F(ArchiveTool, FullDiskKeepsTheOutputAndFails)
{
    const FullDisk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a tmpfs";
    const QString a = File("a.png", "aaaa"); // small: held in a buffer until the end
    const QString archive = dir_.filePath("graphic");
    ASSERT_EQ(Tool({"create", archive, a}).status, 0);
    const QString out = disk.dir.filePath("out");
    ASSERT_TRUE(QFile::copy(File("old", "old"), out));
    disk.Fill();
    const QString picture = pocosa::test::sourceDir() + "/resources/backimage/mint.png";
    const QStringList rows[] = {{POCOSA_ARCHIVE_TOOL, "create", out, a},
                                {POCOSA_ARCHIVE_TOOL, "extract", archive, "a.png", out},
                                {POCOSA_PICTURE_TOOL, "convert", picture, out}};
    for (const QStringList& row : rows) {
        const ProcessRun run = pocosa::test::runToolIn("en", row[0], row.mid(1));
        EXPECT_TRUE(run.status == 1 && run.err.contains("No space left on device")) << run.err.toStdString();
        EXPECT_EQ(Contents(out) + disk.Files().join(" ").toUtf8(), "oldout") << row[1].toStdString();
    }
}

// Names come from whoever made the archive: nothing in them reaches the
// terminal raw, and each stays on its line.
TEST_F(ArchiveTool, ListEscapesControlCharacters)
{
    const struct {
        QByteArray stored;
        const char* listed;
    } rows[] = {
        {"a\nb\x1b[2J.png", "a\\x0ab\\x1b[2J.png"},
        {"c\\d\x7f\t.png", "c\\x5cd\\x7f\\x09.png"},
        {"\xc2\x9b\xc3\xa9.png", "\\xc2\\x9bé.png"}, // U+009B escaped, é kept
        {"\xff\xc3\xa9.png", "\\xff\\xc3\\xa9.png"}, // not UTF-8: every high byte escaped
    };
    for (const auto& row : rows) {
        // An entry under a stand-in name of the same length, renamed in place.
        const QString archive = dir_.filePath("graphic");
        ASSERT_EQ(Tool({"create", archive, File(QString(row.stored.size(), 'x'), "data")}).status, 0);
        QByteArray bytes = Contents(archive);
        bytes.replace(48 + 37, row.stored.size(), row.stored);
        File("graphic", bytes);
        const ProcessRun run = Tool({"list", archive});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.toStdString(), std::string(row.listed) + "\t4\n");
    }
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
