#include "ProgramFolderFixture.h"

#include "FuncGraphicWorkLoad.h"
#include "vlmGraphicSource.h"

#include <QFile>

namespace {

class BackImagesTest : public ProgramFolderTest {
protected:
    void store(const QStringList& entries)
    {
        for (int i = 0; i < entries.size(); ++i)
            AppGlobal->WriteIniString("BACK", QStringLiteral("list%1").arg(i), entries[i]);
    }
    QStringList stored()
    {
        QStringList values;
        for (int i = 0; i < 6; ++i)
            values << AppGlobal->ReadIniString("BACK", QStringLiteral("list%1").arg(i), "<missing>");
        return values;
    }
    static bool isFallback(TBitmap& p)
    {
        if (p.Width() != 120 || p.Height() != 120 || p.PixelFormat() != pf32bit)
            return false;
        const std::uint8_t* corner = p.ScanLine(0);
        const std::uint8_t* inside = p.ScanLine(60) + 4 * 60;
        return corner[0] == 0 && corner[3] == 255 && inside[0] == 255 && inside[2] == 255 && inside[3] == 255;
    }
};

const QStringList kFive = {"p1", "p2", "p3", "p4", "p5"};

} // namespace

TEST_F(BackImagesTest, FirstRunWithoutSettingsOrFolder)
{
    {
        TBackImages history;
        EXPECT_EQ(history.Items(), QStringList(5, QString()));
        EXPECT_EQ(history.Picture().Width(), 130);
        EXPECT_EQ(history.Picture().Height(), 124);
        EXPECT_EQ(history.Picture().PixelFormat(), pf24bit);
        history.SelectBackground(QString()); // as the window does at start
    }
    EXPECT_EQ(stored(), (QStringList{"", "", "", "", "", "<missing>"}));
    EXPECT_EQ(AppGlobal->ReadIniInteger("BACK", "builtin", 7), 0) << "nothing was chosen";
    QFile ini(AppGlobal->IniFileName());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("list4="));
}

TEST_F(BackImagesTest, FirstRunFillsFromTheBackgroundFolder)
{
    writeFile(programPath("backimage/c.png"), picture(9, 9, "PNG"));
    writeFile(programPath("backimage/a.png"), picture(7, 7, "PNG"));
    writeFile(programPath("backimage/b.PNG"), picture(8, 8, "PNG"));
    writeFile(programPath("backimage/readme.txt"), "not a picture");
    TBackImages history;
    EXPECT_EQ(history.Items(), (QStringList{"a.png", "b.PNG", "c.png", "", ""}));
    EXPECT_EQ(history.Picture().Width(), 7);
}

TEST_F(BackImagesTest, FolderPicturesOnlyFillFreePlacesAndSkipKnownNames)
{
    store({"A.PNG", "", "elsewhere.png"});
    for (const char* name : {"a.png", "b.png", "c.png", "d.png", "e.png"})
        writeFile(programPath("backimage/") + name, picture(3, 3, "PNG"));
    TBackImages history;
    EXPECT_EQ(history.Items(), (QStringList{"A.PNG", "elsewhere.png", "b.png", "c.png", "d.png"}));
}

TEST_F(BackImagesTest, SelectingMovesOrInserts)
{
    struct Row {
        const char* name;
        const char* select;
        QStringList expected;
    } rows[] = {
        {"known name moves to the head", "p3", {"p3", "p1", "p2", "p4", "p5"}},
        {"letter case ignored", "P4", {"P4", "p1", "p2", "p3", "p5"}},
        {"new name pushes, nothing dropped", "p6", {"p6", "p1", "p2", "p3", "p4", "p5"}},
        {"head stays head", "p1", {"p1", "p2", "p3", "p4", "p5"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        store(kFive);
        TBackImages history;
        history.SelectBackground(QString::fromLatin1(row.select));
        EXPECT_EQ(history.Items(), row.expected);
    }
}

TEST_F(BackImagesTest, OnlyTheFirstFiveAreStored)
{
    store(kFive);
    {
        TBackImages history;
        history.SelectBackground("p6");
        EXPECT_EQ(history.Count(), 6);
    }
    EXPECT_EQ(stored(), (QStringList{"p6", "p1", "p2", "p3", "p4", "<missing>"}));
}

TEST_F(BackImagesTest, EveryFileNameLeavesTheStoredHistoryConsistent)
{
    // A line break is legal in a file name but not in the settings file: the
    // name is listed for this run and its place is stored free, while every
    // other entry moves to its new key.
    store(kFive);
    {
        TBackImages history;
        history.SelectBackground("two\nlines.png");
        history.SelectBackground("p2");
        EXPECT_EQ(history.Items(), (QStringList{"p2", "two\nlines.png", "p1", "p3", "p4", "p5"}));
    }
    EXPECT_EQ(stored(), (QStringList{"p2", "", "p1", "p3", "p4", "<missing>"}));

    // A name in another encoding than UTF-8 goes back byte for byte, also to another key.
    writeFile(AppGlobal->IniFileName(), "[BACK]\nlist0=/pics/caf\xE9.png\n");
    {
        TBackImages history;
        history.SelectBackground("new.png");
    }
    QFile ini(AppGlobal->IniFileName());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("\nlist1=/pics/caf\xE9.png\n"));
}

TEST_F(BackImagesTest, EmptyNameShowsTheBuiltInPictureAndKeepsTheOrder)
{
    store({"p1"});
    TBackImages history;
    EXPECT_TRUE(isFallback(history.Picture())); // p1 exists nowhere
    history.SelectBackground(QString());
    EXPECT_EQ(history.Items(), (QStringList{"p1", "", "", "", ""}));
    EXPECT_EQ(history.Picture().Width(), 130);
    EXPECT_EQ(history.Picture().Height(), 124);
}

TEST_F(BackImagesTest, TheBuiltInPictureChosenLastIsShownAtTheNextStart)
{
    store({"p1"});
    TBackImages().SelectBackground(QString());
    auto next = std::make_unique<TBackImages>();
    EXPECT_TRUE(next->Current().isEmpty() && next->Picture().Width() == 130 && next->Items()[0] == "p1");
    next->SelectBackground("p1");
    next.reset();
    EXPECT_EQ(TBackImages().Current(), "p1");
}

TEST_F(BackImagesTest, DeletedFileStaysListedAndGivesTheOpaqueFallback)
{
    writeFile(programPath("gone.bmp"), picture(5, 5));
    store({programPath("gone.bmp")});
    TBackImages history;
    EXPECT_EQ(history.Picture().Width(), 5);
    QFile::remove(programPath("gone.bmp"));
    history.SelectBackground(programPath("gone.bmp"));
    EXPECT_EQ(history[0], programPath("gone.bmp"));
    EXPECT_TRUE(isFallback(history.Picture()));
}

TEST_F(BackImagesTest, BareNamesAreLookedUpInTheBackgroundFolder)
{
    writeFile(programPath("backimage/wood.bmp"), picture(6, 4));
    TBackImages history;
    history.SelectBackground("wood.bmp");
    EXPECT_EQ(history.Picture().Width(), 6);
    history.SelectBackground("WOOD.bmp"); // the folder's names are case-sensitive
    EXPECT_TRUE(isFallback(history.Picture()));
    EXPECT_EQ(history.Items(), (QStringList{"WOOD.bmp", "", "", "", ""}));
}

TEST_F(BackImagesTest, NoDecoderLeavesAnEmptyPicture)
{
    writeFile(programPath("notes.txt"), "text");
    TBackImages history;
    history.SelectBackground(programPath("notes.txt"));
    EXPECT_EQ(history.Picture().Width(), 0);
}

TEST_F(BackImagesTest, DamagedPictureRaisesAndLeavesTheHistoryAsItWas)
{
    writeFile(programPath("broken.jpg"), "not a jpeg at all");
    TBackImages history;
    EXPECT_THROW(history.SelectBackground(programPath("broken.jpg")), EJpegError);
    EXPECT_EQ(history.Items(), QStringList(5, QString()));
}

TEST_F(BackImagesTest, DamagedEntryZeroAtStartShowsTheBuiltInPicture)
{
    writeFile(programPath("broken.bmp"), "BM garbage");
    store({programPath("broken.bmp"), "p2"});
    std::unique_ptr<TBackImages> history;
    ASSERT_NO_THROW(history = std::make_unique<TBackImages>());
    EXPECT_EQ(history->Items(), (QStringList{programPath("broken.bmp"), "p2", "", "", ""}));
    EXPECT_EQ(history->Picture().Width(), 130);
}

TEST_F(BackImagesTest, ThePictureOnShowIsDecodedOnceAtStart)
{
    const QString file = programPath("p.bmp"), broken = programPath("broken.bmp");
    writeFile(file, picture(5, 5));
    writeFile(broken, "BM garbage");
    store({file});
    TBackImages history;
    writeFile(file, picture(9, 9)); // only a new decode sees this one; width 0: the load fails
    const std::tuple<QString, bool, int> steps[] = {{file, false, 5}, {file, false, 5}, {file, true, 9},
        {broken, false, 0}, {file, false, 9}, {QString(), false, 130}, {file, false, 9}};
    for (const auto& [name, takeFirst, width] : steps) {
        if (takeFirst)
            TBitmap taken = std::move(history.Picture());
        if (width == 0)
            EXPECT_THROW(history.LoadBackground(name), EBmpError);
        else
            history.LoadBackground(name);
        EXPECT_EQ(std::as_const(history).Picture().Width(), width) << qPrintable(name);
    }
}

TEST_F(BackImagesTest, ModuleGuardCreatesAndFreesTheSingletons)
{
    writeFile(programPath("resource/face.bmp"), picture(3, 3));
    {
        vlmGraphicSourceUnit unit;
        ASSERT_NE(GraphicSource, nullptr);
        ASSERT_NE(BackImages, nullptr);
        EXPECT_EQ(GraphicSource->ResourcePath, programPath("resource/"));
        EXPECT_EQ(GraphicSource->GetGraphic("face.bmp")->Width(), 3);
        EXPECT_EQ(BackImages->Picture().Width(), 130);
        BackImages->SelectBackground("chosen.png");
    }
    EXPECT_EQ(GraphicSource, nullptr);
    EXPECT_EQ(BackImages, nullptr);
    EXPECT_EQ(stored()[0], "chosen.png");
}
