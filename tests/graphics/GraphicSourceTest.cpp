#include "ProgramFolderFixture.h"

#include "FuncGraphicWorkLoad.h"
#include "vlmGraphicSource.h"

#include <QFile>

namespace {

class GraphicSourceTest : public ProgramFolderTest {
protected:
    // The picture "face.bmp" in three places, told apart by their widths:
    // loose file 3, archive "graphic" 4, a second archive 5.
    std::unique_ptr<TGraphicSource> sourceWithFaceEverywhere()
    {
        writeFile(programPath("graphic"), archive({{"face.bmp", picture(4, 1)}, {"only0.bmp", picture(7, 1)}}));
        writeFile(programPath("second.farc"), archive({{"FACE.BMP", picture(5, 1)}}));
        writeFile(programPath("resource/face.bmp"), picture(3, 1));
        auto source = std::make_unique<TGraphicSource>();
        source->Archives().AddArchive(programPath("second.farc"));
        return source;
    }
};

} // namespace

TEST_F(GraphicSourceTest, SharedLookupsReturnOneObjectAndCountUses)
{
    auto source = sourceWithFaceEverywhere();
    const auto first = source->GetGraphic("face.bmp", gcShared, 0);
    const auto second = source->GetGraphic("FACE.bmp", gcShared, 0);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(first->UseCount, 2);
    EXPECT_EQ(first->CacheMode, 0);
    EXPECT_EQ(source->Count(), 1);

    source->GetGraphic("face.bmp", gcKeep, 0);
    EXPECT_EQ(first->CacheMode, 1);
    EXPECT_EQ(first->UseCount, 3);
    source->GetGraphic("face.bmp", gcShared, 0);
    EXPECT_EQ(first->CacheMode, 1); // never goes back
}

TEST_F(GraphicSourceTest, KeepAndUncachedModes)
{
    auto source = sourceWithFaceEverywhere();
    const auto kept = source->GetGraphic("only0.bmp", gcKeep, 0);
    EXPECT_EQ(kept->CacheMode, 1);
    EXPECT_EQ(kept->UseCount, 1);

    // Uncached: not cached yet gives a new picture of the caller's own...
    const auto own = source->GetGraphic("face.bmp", gcUncached, 0);
    EXPECT_EQ(source->IndexOf("face.bmp"), -1);
    EXPECT_EQ(own.use_count(), 1);
    // ...cached already gives the cached one.
    EXPECT_EQ(source->GetGraphic("only0.bmp", gcUncached, 0).get(), kept.get());
    EXPECT_EQ(kept->UseCount, 2);
}

TEST_F(GraphicSourceTest, ReloadAddsASecondItemAndLookupsFindTheFirst)
{
    auto source = sourceWithFaceEverywhere();
    const auto first = source->GetGraphic("face.bmp", gcKeep, 0);
    const auto reloaded = source->GetGraphic("face.bmp", gcReload, 0);
    EXPECT_NE(first.get(), reloaded.get());
    EXPECT_EQ(source->Count(), 2);
    EXPECT_EQ(reloaded->CacheMode, 0);
    EXPECT_EQ(reloaded->UseCount, 1);
    EXPECT_EQ(source->GetGraphic("face.bmp", gcShared, 0).get(), first.get());
    EXPECT_EQ(reloaded->UseCount, 1);
}

TEST_F(GraphicSourceTest, SearchOrderLooseFileArchivesResource)
{
    auto source = sourceWithFaceEverywhere();
    source->ResourcePath = programPath("resource/");
    struct Row {
        const char* name;
        const char* remove; // file taken away before the lookup
        int firstArchive;
        int width;
    } rows[] = {
        {"loose file first", nullptr, 0, 3},
        {"archive 0 next", "resource/face.bmp", 0, 4},
        {"FirstArchive 1 skips archive 0", nullptr, 1, 5},
        {"negative FirstArchive searches all", nullptr, -3, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.remove)
            QFile::remove(programPath(row.remove));
        EXPECT_EQ(source->LoadGraphic("face.bmp", row.firstArchive)->Width(), row.width);
    }
    EXPECT_THROW(source->LoadGraphic("only0.bmp", 1), EResourceNotFound);
    EXPECT_EQ(source->Count(), 0); // LoadGraphic never caches
}

TEST_F(GraphicSourceTest, ResourceIsTheLastPlaceAndNamesKeepTheirExtension)
{
    writeFile(programPath("resource/bgpicture.png"), picture(3, 2, "PNG"));
    TGraphicSource source;
    EXPECT_EQ(source.LoadGraphic("bgpicture.png")->Width(), 130); // ResourcePath empty: no folder
    source.ResourcePath = programPath("resource/");
    EXPECT_EQ(source.LoadGraphic("BGPICTURE.png")->Width(), 130); // the file's name differs in case
    EXPECT_EQ(source.LoadGraphic("bgpicture.png")->Width(), 3);
    EXPECT_THROW(source.LoadGraphic("nothing.png"), EResourceNotFound);
    // No decoder: an empty 24-bit picture.
    writeFile(programPath("resource/notes.txt"), "text");
    const auto none = source.LoadGraphic("notes.txt");
    EXPECT_TRUE(none->Empty());
    EXPECT_EQ(none->PixelFormat(), pf24bit);
}

TEST_F(GraphicSourceTest, ArchiveFileStates)
{
    {
        TGraphicSource none;
        EXPECT_EQ(none.Archives().Count(), 0);
    }
    writeFile(programPath("graphic"), archive({{"a.bmp", picture(2, 2)}}));
    QFile::setPermissions(programPath("graphic"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    {
        TGraphicSource readOnly;
        ASSERT_EQ(readOnly.Archives().Count(), 1);
        EXPECT_EQ(readOnly.Archives().NameAt(0), "graphic");
        EXPECT_EQ(readOnly.GetGraphic("A.BMP")->Width(), 2);
    }
    QFile::setPermissions(programPath("graphic"), QFile::ReadOwner | QFile::WriteOwner);
    writeFile(programPath("graphic"), "FARX not an archive");
    TGraphicSource damaged; // starts without it
    EXPECT_EQ(damaged.Archives().Count(), 0);
    TArchiverList list;
    EXPECT_ANY_THROW(list.AddArchive(programPath("graphic")));
}

TEST_F(GraphicSourceTest, BlankPictureSpecifications)
{
    struct Row {
        const char* name;
        int width, height;
        TPixelFormat format;
        std::uint8_t b, g, r;
    } rows[] = {
        {"\\10,20,255,32", 10, 20, pf32bit, 0, 0, 255},
        {"\\40,40,$FFFFFF,32", 40, 40, pf32bit, 255, 255, 255},
        {"\\4,3,$ff0000", 4, 3, pf24bit, 255, 0, 0},
        {"\\\"5\",\"6\",\"$00FF00\",\"32\"", 5, 6, pf32bit, 0, 255, 0},
        {"\\7 8 65280", 7, 8, pf24bit, 0, 255, 0},
        {"\\2,2,red,32", 2, 2, pf32bit, 0, 0, 0},
        {"\\3,3,255,24", 3, 3, pf24bit, 0, 0, 255},
        {"\\3,3,255,32,extra", 3, 3, pf32bit, 0, 0, 255},
        {"\\\\1,\\2,255", 1, 2, pf24bit, 0, 0, 255},
        {"\\x,1,255,32", 0, 1, pf32bit, 0, 0, 0},
        {"\\-5,4,255", 0, 4, pf24bit, 0, 0, 0},
        {"\\", 0, 0, pf24bit, 0, 0, 0},
    };
    // Found by fuzzing: a NUL character stopped the item scan from advancing.
    const auto nul = TGraphicSource::MakeBlankGraphic(QString::fromLatin1("\\\"5\"\x01\0,6,255", 12));
    EXPECT_EQ(nul->Width(), 5);
    EXPECT_EQ(nul->Height(), 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto p = TGraphicSource::MakeBlankGraphic(QString::fromLatin1(row.name));
        EXPECT_EQ(p->Width(), row.width);
        EXPECT_EQ(p->Height(), row.height);
        EXPECT_EQ(p->PixelFormat(), row.format);
        if (p->Empty())
            continue;
        const std::uint8_t* last = p->ScanLine(p->Height() - 1) + (p->Width() - 1) * p->BytesPerPixel();
        EXPECT_EQ(last[0], row.b);
        EXPECT_EQ(last[1], row.g);
        EXPECT_EQ(last[2], row.r);
        if (row.format == pf32bit) {
            EXPECT_EQ(last[3], 255);
        }
    }
}

TEST_F(GraphicSourceTest, BlankPictureThroughTheCacheAndTheLimits)
{
    TGraphicSource source;
    const auto red = source.GetGraphic("\\10,20,255,32", gcShared, 0);
    EXPECT_EQ(red->Width(), 10);
    EXPECT_EQ(red->Height(), 20);
    EXPECT_EQ(red->PixelFormat(), pf32bit);
    EXPECT_EQ(source.GetGraphic("\\10,20,255,32").get(), red.get());
    EXPECT_THROW(TGraphicSource::MakeBlankGraphic("\\16385,1,0"), EPictureSize);
    EXPECT_THROW(TGraphicSource::MakeBlankGraphic("\\16384,16384,0"), EPictureSize);
    EXPECT_THROW(TGraphicSource::MakeBlankGraphic("\\$7FFFFFFF,$7FFFFFFF,0"), EPictureSize);
}
