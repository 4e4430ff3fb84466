#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include "ClassArchiveStream.h"

#include <sys/stat.h>

namespace {

template <typename T>
QByteArray Le(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian<T>(value, bytes.data());
    return bytes;
}

struct Entry {
    QByteArray name;
    QByteArray data;
    std::int32_t id = 1;
};

// Archive bytes as a writer lays them down, with knobs for the damage tests.
struct ArchiveBytes {
    QList<Entry> entries;
    std::int32_t headerLength = 24;
    std::optional<std::int64_t> count; // default: entries.size()

    QByteArray Build() const
    {
        QByteArray a = "FARC" + Le<std::uint64_t>(4) + "AHDR" + Le<std::int32_t>(headerLength) +
                       Le<std::int64_t>(count.value_or(entries.size())) + "2026120708000012";
        a += QByteArray(std::max(0, headerLength - 24), 'h');
        a += "ADAT";
        for (const Entry& e : entries) {
            const qint64 dataAt = a.size() + 37 + e.name.size();
            a += Le<std::int32_t>(e.id) + Le<std::int32_t>(std::int32_t(e.name.size())) +
                 Le<std::uint64_t>(std::uint64_t(dataAt)) + QByteArray(1, '\1') +
                 Le<std::uint64_t>(std::uint64_t(e.data.size())) + QByteArray(12, '\0');
            a += e.name + e.data;
        }
        return a;
    }
};

class ArchiveTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes, const QString& name = "graphic")
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }

    // The text after "TArchiveStream:\r\n" of the error opening these bytes.
    QString OpenError(const QByteArray& bytes)
    {
        try {
            TArchiveStream stream(Write(bytes));
        } catch (const EarcSTreamError& e) {
            const QString text = QString::fromUtf8(e.what());
            EXPECT_TRUE(text.startsWith("TArchiveStream:\r\n")) << e.what();
            return text.mid(17);
        }
        return "opened";
    }

    static ArchiveBytes Two()
    {
        ArchiveBytes a;
        a.entries = {{"back.png", QByteArray(100, 'a'), 1}, {"Back.PNG", QByteArray(7, 'b'), 2}};
        return a;
    }

    QTemporaryDir dir_;
};

TEST_F(ArchiveTest, EmptyFileBecomesAnEmptyArchive)
{
    const QString path = Write("");
    TArchiveStream stream(path);
    EXPECT_EQ(stream.Entries().Count(), 0);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 48);
    EXPECT_EQ(bytes.left(4), "FARC");
    EXPECT_EQ(qFromLittleEndian<std::uint64_t>(bytes.constData() + 4), 4u);
    EXPECT_EQ(bytes.mid(12, 4), "AHDR");
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(bytes.constData() + 16), 24);
    EXPECT_EQ(qFromLittleEndian<std::int64_t>(bytes.constData() + 20), 0);
    EXPECT_EQ(bytes.mid(44, 4), "ADAT");
    EXPECT_EQ(stream.TimeStamp(), QString::fromLatin1(bytes.mid(28, 16)));
}

TEST_F(ArchiveTest, ReadOnlyArchiveOpens)
{
    const QString path = Write(Two().Build());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    // Root ignores permissions; what matters is that only a read is asked for.
    TArchiveStream stream(path);
    EXPECT_EQ(stream.Entries().Count(), 2);
    EXPECT_FALSE(stream.openMode() & QIODevice::WriteOnly);
}

TEST_F(ArchiveTest, WhatIsNoRegularFileFailsToOpen)
{
    // A FIFO would hold the open up until a writer came, and an empty archive
    // laid down into a device would never read back.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.filePath("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
    const struct {
        const char* name;
        const char* reason;
    } rows[] = {{"none", "No such file or directory"}, {"fifo", "not a regular file"}, {"folder", "not a regular file"}};
    for (const auto& row : rows) {
        const QString path = dir_.filePath(row.name);
        try {
            TArchiveStream stream(path);
            ADD_FAILURE() << row.name;
        } catch (const EarcSTreamError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), "ファイル \"" + path + "\". " + row.reason + " は開けません");
        }
    }
    EXPECT_FALSE(QFile::exists(dir_.filePath("none")));
    EXPECT_FALSE(QFileInfo(dir_.filePath("fifo")).isFile());
}

TEST_F(ArchiveTest, HeaderFaults)
{
    QByteArray farx = Two().Build();
    farx[3] = 'X';
    EXPECT_EQ(OpenError(farx), "[Reload]ファイルが不正[FARX]です");
    QByteArray ahdr = Two().Build();
    ahdr[12] = 'a';
    EXPECT_EQ(OpenError(ahdr), "[Reload]ファイルヘッダが不正[aHDR]です");
    QByteArray adat = Two().Build();
    adat[44] = 'X';
    EXPECT_EQ(OpenError(adat), "[Reload]ファイルデータが不正[XDAT]です");
    EXPECT_EQ(OpenError("FA"), "[Reload]ファイルが不正[FA]です");
    EXPECT_EQ(OpenError(Two().Build().left(30)), "[Reload]ファイルデータが不正[]です");
    ArchiveBytes shortHeader = Two();
    shortHeader.headerLength = -8;
    EXPECT_EQ(OpenError(shortHeader.Build()), "[Reload]ヘッダ長が不正[-8]です");
}

TEST_F(ArchiveTest, LongerHeaderIsSkipped)
{
    ArchiveBytes a = Two();
    a.headerLength = 30;
    TArchiveStream stream(Write(a.Build()));
    ASSERT_EQ(stream.Entries().Count(), 2);
    EXPECT_EQ(stream.Entries().Name(1), "Back.PNG");
    ASSERT_TRUE(stream.SelectEntry(1));
    EXPECT_EQ(stream.readAll(), QByteArray(7, 'b'));
}

TEST_F(ArchiveTest, CountZeroOrNegativeGivesAnEmptyList)
{
    for (std::int64_t count : {std::int64_t(0), std::int64_t(-1), std::int64_t(0x100000000)}) {
        ArchiveBytes a = Two();
        a.count = count;
        TArchiveStream stream(Write(a.Build()));
        EXPECT_EQ(stream.Entries().Count(), 0) << count;
        EXPECT_EQ(stream.EntryCount(), count);
    }
}

TEST_F(ArchiveTest, MalformedDirectoriesAreRefused)
{
    const QByteArray good = Two().Build();
    const qsizetype first = 48;
    struct Row {
        const char* name;
        QByteArray bytes;
        const char* message;
    };
    QByteArray negativeName = good;
    negativeName.replace(first + 4, 4, Le<std::int32_t>(-1));
    QByteArray hugeName = good;
    hugeName.replace(first + 4, 4, Le<std::int32_t>(INT32_MAX));
    QByteArray dataPastEnd = good;
    dataPastEnd.replace(first + 37 + 8 + 100 + 17, 8, Le<std::uint64_t>(8));
    QByteArray offsetPastEnd = good;
    offsetPastEnd.replace(first + 8, 8, Le<std::uint64_t>(~std::uint64_t(0) - 10));
    QByteArray endPastEnd = good; // the offset alone is inside the file
    endPastEnd.replace(first + 37 + 8 + 100 + 8, 8, Le<std::uint64_t>(std::uint64_t(good.size() - 3)));
    QByteArray hugeSize = good;
    hugeSize.replace(first + 17, 8, Le<std::uint64_t>(0x100000064));
    ArchiveBytes moreThanThere = Two();
    moreThanThere.count = 3;
    ArchiveBytes third = Two();
    third.entries.append({"", "", 3});
    // The third entry's name and data are empty and its offset is inside the
    // file: only the record itself is short.
    QByteArray lastRecordCut = third.Build();
    lastRecordCut.replace(lastRecordCut.size() - 37 + 8, 8, Le<std::uint64_t>(48));
    lastRecordCut.chop(5);
    const Row rows[] = {
        {"file ends inside a record", good.left(first + 20), "[Reload]ファイル一覧が不正[0]です"},
        {"file ends inside a name", good.left(first + 40), "[Reload]ファイル一覧が不正[0]です"},
        {"count larger than the directory", moreThanThere.Build(), "[Reload]ファイル一覧が不正[2]です"},
        {"file ends in a record's last bytes", lastRecordCut, "[Reload]ファイル一覧が不正[2]です"},
        {"negative name length", negativeName, "[Reload]ファイル一覧が不正[0]です"},
        {"name longer than the file", hugeName, "[Reload]ファイル一覧が不正[0]です"},
        {"data past the end", dataPastEnd, "[Reload]ファイル一覧が不正[1]です"},
        {"offset past the end", offsetPastEnd, "[Reload]ファイル一覧が不正[0]です"},
        {"entry's end past the end", endPastEnd, "[Reload]ファイル一覧が不正[1]です"},
        {"size beyond 32 bits", hugeSize, "[Reload]ファイル一覧が不正[0]です"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(OpenError(row.bytes), QString::fromUtf8(row.message)) << row.name;
}

TEST_F(ArchiveTest, SelectionByIndexAndName)
{
    TArchiveStream stream(Write(Two().Build()));
    EXPECT_EQ(stream.SelectedEntry(), -1);
    EXPECT_TRUE(stream.SelectEntryByName("BACK.png"));
    EXPECT_EQ(stream.SelectedEntry(), 0) << "first of two equal names";
    EXPECT_FALSE(stream.SelectEntry(-1));
    EXPECT_FALSE(stream.SelectEntry(2));
    EXPECT_FALSE(stream.SelectEntryByName("front.png"));
    EXPECT_EQ(stream.SelectedEntry(), 0);
    EXPECT_EQ(stream.size(), 100);
    stream.Seek(30, 0);
    stream.Reload();
    EXPECT_EQ(stream.SelectedEntry(), -1);
    EXPECT_EQ(stream.pos(), 0);
}

TEST_F(ArchiveTest, NothingWorksWithoutASelection)
{
    TArchiveStream stream(Write(Two().Build()));
    char buffer[4];
    const auto error = [&](auto call) -> QString {
        try {
            call();
        } catch (const EarcSTreamError& e) {
            return QString::fromUtf8(e.what()).mid(17);
        }
        return "no error";
    };
    EXPECT_EQ(error([&] { stream.Read(buffer, 4); }), "[Read]読み込みINDEXが指定されていません");
    EXPECT_EQ(error([&] { stream.Seek(0, 0); }), "[Seek]読み込みINDEXが指定されていません");
    EXPECT_EQ(error([&] { stream.Seek64(0, TArchiveStream::soBeginning); }),
              "[Seek]読み込みINDEXが指定されていません");
    EXPECT_EQ(error([&] { stream.Write(buffer, 4); }), "[Write]対応していません");
    EXPECT_EQ(stream.read(buffer, 4), -1);
    EXPECT_EQ(stream.size(), 0);
}

TEST_F(ArchiveTest, SeekingStaysInsideTheEntry)
{
    TArchiveStream stream(Write(Two().Build()));
    ASSERT_TRUE(stream.SelectEntry(0));
    EXPECT_EQ(stream.Seek(150, 0), 100);
    EXPECT_EQ(stream.Seek(-5, 0), 0);
    EXPECT_EQ(stream.Seek(10, 1), 10);
    EXPECT_EQ(stream.Seek(-3, 2), 97);
    EXPECT_EQ(stream.Seek(5, 9), 0) << "unknown origin";
    EXPECT_EQ(stream.Seek64(100, TArchiveStream::soBeginning), 100);
    EXPECT_EQ(stream.Seek64(0, TArchiveStream::soEnd), 100);
    EXPECT_EQ(stream.Seek64(30, TArchiveStream::soEnd), 70) << "from the end the offset counts backwards";
    EXPECT_EQ(stream.Seek64(-20, TArchiveStream::soCurrent), 50);
    EXPECT_THROW(stream.Seek64(101, TArchiveStream::soBeginning), EarcSTreamError);
    EXPECT_THROW(stream.Seek64(-1, TArchiveStream::soBeginning), EarcSTreamError);
    EXPECT_THROW(stream.Seek64(INT64_MAX, TArchiveStream::soCurrent), EarcSTreamError);
    EXPECT_THROW(stream.Seek64(INT64_MIN, TArchiveStream::soEnd), EarcSTreamError);
    EXPECT_EQ(stream.pos(), 50);
    EXPECT_FALSE(stream.seek(101));
    EXPECT_TRUE(stream.seek(100));
}

TEST_F(ArchiveTest, ReadingStopsAtTheEntryEnd)
{
    TArchiveStream stream(Write(Two().Build()));
    ASSERT_TRUE(stream.SelectEntry(0));
    char buffer[200];
    EXPECT_EQ(stream.Read(buffer, 0), 0);
    try {
        stream.Read(buffer, -1);
        FAIL();
    } catch (const EarcSTreamError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "TArchiveStream:\r\n[Read]Countが負です(-1)");
    }
    stream.Seek(90, 0);
    EXPECT_EQ(stream.Read(buffer, 200), 10);
    EXPECT_EQ(QByteArray(buffer, 10), QByteArray(10, 'a'));
    EXPECT_EQ(stream.Read(buffer, 200), 0);
    ASSERT_TRUE(stream.SelectEntryByName("back.png"));
    EXPECT_EQ(stream.readAll(), QByteArray(100, 'a'));
    ASSERT_TRUE(stream.SelectEntry(1));
    EXPECT_EQ(stream.pos(), 0);
    EXPECT_EQ(stream.readAll(), QByteArray(7, 'b'));
}

// The archive file changed under an open stream: a reload that fails keeps
// the directory it had, selects nothing, and a later good reload recovers.
TEST_F(ArchiveTest, FailedReloadKeepsTheDirectoryAndSelectsNothing)
{
    const QByteArray good = Two().Build();
    const qint64 secondRecord = 48 + 37 + 8 + 100;
    const struct {
        const char* name;
        qint64 at;
        QByteArray bytes;
    } damages[] = {
        {"magic", 0, "FARX"},
        {"header tag after a new header-size value", 4, Le<std::uint64_t>(999) + "AHDX"},
        {"data tag after a new count and time stamp", 20, Le<std::int64_t>(2) + "2099010100000000" + "ADAX"},
        {"second entry's name length", secondRecord + 4, Le<std::int32_t>(0x7FFFFFFF)},
        {"count beyond the entries", 20, Le<std::int64_t>(3)},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.name);
        const QString path = Write(good);
        TArchiveStream stream(path);
        const QString stamp = stream.TimeStamp();
        ASSERT_TRUE(stream.SelectEntry(1));
        char buffer[8];
        ASSERT_EQ(stream.Read(buffer, 3), 3);
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.seek(damage.at);
            f.write(damage.bytes);
        }
        EXPECT_THROW(stream.Reload(), EarcSTreamError);
        ASSERT_EQ(stream.SelectedEntry(), -1);
        EXPECT_EQ(stream.size(), 0);
        EXPECT_EQ(stream.pos(), 0);
        EXPECT_EQ(stream.read(buffer, 4), -1);
        EXPECT_THROW(stream.Read(buffer, 4), EarcSTreamError);
        EXPECT_THROW(stream.Seek(0, 0), EarcSTreamError);
        EXPECT_EQ(stream.HeaderSizeValue(), 4u);
        EXPECT_EQ(stream.EntryCount(), 2);
        EXPECT_EQ(stream.TimeStamp(), stamp);
        ASSERT_EQ(stream.Entries().Count(), 2);
        EXPECT_EQ(stream.Entries().Name(1), "Back.PNG");

        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(good);
        }
        stream.Reload();
        ASSERT_TRUE(stream.SelectEntry(1));
        EXPECT_EQ(stream.readAll(), QByteArray(7, 'b'));
    }
}

TEST(ArchiveTimeStamp, MillisecondsKeepTwoDigits)
{
    const QDate day(2026, 12, 7);
    EXPECT_EQ(ArchiveTimeStamp(QDateTime(day, QTime(9, 5, 3, 45))), "2026120709050345");
    EXPECT_EQ(ArchiveTimeStamp(QDateTime(day, QTime(9, 5, 3, 7))), "2026120709050307");
    EXPECT_EQ(ArchiveTimeStamp(QDateTime(day, QTime(23, 59, 59, 123))), "2026120723595912");
}

TEST(FilesList, EditingOperations)
{
    TfilesList list;
    list.Add("a.png");
    EXPECT_EQ(list.EntryId(0), 1);
    EXPECT_EQ(list.EntryFlag(0), 1);
    TArchiveRecord negative{};
    qToLittleEndian<std::int32_t>(-7, negative.data());
    qToLittleEndian<std::int32_t>(3, negative.data() + 4);
    list.Add("neg", negative);
    list.Add("b.png");
    EXPECT_EQ(list.EntryId(2), 2) << "negative ids count as 0";
    list.Insert(0, "日本.png");
    EXPECT_EQ(list.NameLength(0), 10);
    EXPECT_EQ(list.EntryFlag(0), 0);
    list.ReplaceName(1, "longer-name.png");
    EXPECT_EQ(list.NameLength(1), 15);
    list.SetEntryData(1, 300, 12);

    TfilesList copy;
    copy.SetText(list.Text());
    ASSERT_EQ(copy.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(copy.Name(i), list.Name(i));
        EXPECT_EQ(copy.Record(i), list.Record(i));
    }
    EXPECT_EQ(copy.EntryOffset(1), 300u);
    EXPECT_EQ(copy.EntrySize(1), 12u);
    EXPECT_THROW(copy.SetText(list.Text().chopped(1)), EarcSTreamError);
    EXPECT_EQ(copy.Count(), 0);
}

} // namespace
