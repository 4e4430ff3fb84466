#include "EnvFixture.h"

#include <QFileInfo>

namespace {

using GlobalFolders = EnvTest;

TEST_F(GlobalFolders, ProgramValuesComeFromTheProgramFile)
{
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.ProgramDir(), ProgDir());
    EXPECT_EQ(global.ProgramPath(), ProgDir() + "/");
    EXPECT_EQ(global.ExeFileName(), "pocosa");
}

TEST_F(GlobalFolders, RunningProgramIsTheDefault)
{
    TvlmGlobal global;
    EXPECT_TRUE(QFileInfo(global.ProgramPath() + global.ExeFileName()).isExecutable());
    EXPECT_FALSE(global.ProgramDir().endsWith('/'));
}

TEST_F(GlobalFolders, WithoutKeysAWritableProgramFolderHoldsTheData)
{
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.DataDir(), ProgDir() + "/Data");
    EXPECT_TRUE(QFileInfo(ProgDir() + "/Data").isDir());
    EXPECT_FALSE(QFile::exists(ProgDir() + "/Data/application.ini"));
    global.WriteIniInteger("TFMTIMERMAIN", "TOP", 5);
    EXPECT_TRUE(QFile::exists(ProgDir() + "/Data/application.ini"));
    EXPECT_EQ(global.DataPath(), ProgDir() + "/Data/");
    // A default choice is never recorded in the per-user store.
    EXPECT_FALSE(QFile::exists(Path("user/Velmora/pocosa.ini")));
    EXPECT_EQ(QDir(ProgDir()).entryList({"WriteTest*"}), QStringList());
}

TEST_F(GlobalFolders, RecordedInstallFolderInAnyCaseMeansApplicationData)
{
    TvlmGlobalSetup found = Setup();
    found.FoundDataDir = TvlmGlobal::FindDataDir(Setup()); // the program folder's, before the record
    RecordInstallFolder(ProgDir().toUpper() + "/");
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.DataDir(), AppDataDir());
    EXPECT_TRUE(QFileInfo(AppDataDir()).isDir());
    EXPECT_EQ(TvlmGlobal(found).DataDir(), ProgDir() + "/Data") << "a start keeps the folder found beside its lock";
}

TEST_F(GlobalFolders, OtherInstallFolderKeepsTheProgramFolder)
{
    RecordInstallFolder("/usr/lib/pocosa");
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.InstalledAppDir(), "/usr/lib/pocosa");
    EXPECT_EQ(global.DataDir(), ProgDir() + "/Data");
}

TEST_F(GlobalFolders, ReadOnlyProgramFolderMeansApplicationData)
{
    // /proc refuses new files even to root, which chmod cannot promise.
    TvlmGlobalSetup setup = Setup();
    setup.ProgramFile = "/proc/pocosa";
    TvlmGlobal global(setup);
    EXPECT_FALSE(global.IsProgramDirWritable());
    EXPECT_EQ(global.DataDir(), AppDataDir());
}

TEST_F(GlobalFolders, PerUserPathIsUsedCreatedAndWrittenBack)
{
    const QString chosen = Path("elsewhere/data");
    QDir().mkpath(Path("user/Velmora"));
    WriteAll(Path("user/Velmora/pocosa.ini"), "; by hand\n[DATA]\nPATH=" + chosen.toUtf8() + "\n");
    {
        TvlmGlobal global(Setup());
        EXPECT_EQ(global.DataDir(), chosen);
        EXPECT_TRUE(QFileInfo(chosen).isDir());
    }
    // Written back at start: the store was rewritten (the comment is gone).
    EXPECT_FALSE(ReadAll(Path("user/Velmora/pocosa.ini")).contains("by hand"));
    QSettings user(Path("user/Velmora/pocosa.ini"), QSettings::IniFormat);
    EXPECT_EQ(user.value("DATA/PATH").toString(), chosen);
}

TEST_F(GlobalFolders, UserKeyWithoutPathFallsBackToTheDefault)
{
    MakeUserKey();
    TvlmGlobal global(Setup());
    EXPECT_TRUE(global.HasUserRegistryKey());
    EXPECT_EQ(global.DataDir(), ProgDir() + "/Data");
}

TEST_F(GlobalFolders, NonStringPathIsReportedNotFatal)
{
    QDir().mkpath(Path("user/Velmora"));
    WriteAll(Path("user/Velmora/pocosa.ini"), "[DATA]\nPATH=a, b\n");
    TvlmGlobal global(Setup());
    EXPECT_THROW(global.ReadRegString("DATA", "PATH", ""), EvlmGlobalError);
    EXPECT_EQ(global.DataDir(), ProgDir() + "/Data");
}

TEST_F(GlobalFolders, WriteTestSkipsExistingProbeNames)
{
    WriteAll(ProgDir() + "/WriteTest0.tmp", "keep");
    EXPECT_TRUE(TvlmGlobal::IsWritableDir(ProgDir() + "/"));
    EXPECT_EQ(ReadAll(ProgDir() + "/WriteTest0.tmp"), "keep");
    EXPECT_FALSE(QFile::exists(ProgDir() + "/WriteTest1.tmp"));
}

TEST_F(GlobalFolders, WriteTestNeverFollowsALink)
{
    const QString target = Path("target.txt");
    ASSERT_TRUE(QFile::link(target, ProgDir() + "/WriteTest0.tmp"));
    EXPECT_TRUE(TvlmGlobal::IsWritableDir(ProgDir() + "/"));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(QFileInfo(ProgDir() + "/WriteTest0.tmp").isSymLink());
}

TEST_F(GlobalFolders, WriteTestFailsCleanly)
{
    EXPECT_FALSE(TvlmGlobal::IsWritableDir(Path("missing/")));
    EXPECT_FALSE(TvlmGlobal::IsWritableDir("/proc/"));
    for (int n = 0; n < 1000; ++n)
        WriteAll(ProgDir() + QString("/WriteTest%1.tmp").arg(n), "");
    EXPECT_FALSE(TvlmGlobal::IsWritableDir(ProgDir() + "/"));
    EXPECT_EQ(QDir(ProgDir()).entryList(QDir::Files).size(), 1000);
}

TEST_F(GlobalFolders, SetDataDirWithEmptyFolderLeavesItUndetermined)
{
    TvlmGlobal global(Setup());
    global.SetDataDir("");
    EXPECT_FALSE(QFile::exists(Path("user/Velmora/pocosa.ini")));
    EXPECT_EQ(global.DataDir(), ProgDir() + "/Data");
}

TEST_F(GlobalFolders, UnitGuardOwnsAppGlobal)
{
    ASSERT_EQ(AppGlobal, nullptr);
    {
        vlmGlobalUnit unit(Setup());
        ASSERT_NE(AppGlobal, nullptr);
        EXPECT_EQ(AppGlobal->ProgramDir(), ProgDir());
    }
    EXPECT_EQ(AppGlobal, nullptr);
}

using GlobalVersion = EnvTest;

TEST_F(GlobalVersion, ProgramBlockGivesTheProgramNames)
{
    TvlmGlobal global(Setup());
    EXPECT_EQ(global.FileVersion(), "0.9.0.0");
    EXPECT_EQ(global.CompanyName(), "Velmora");
    EXPECT_EQ(global.ProductName(), "Pocosa");
    EXPECT_EQ(global.InternalName(), "pocosa");
}

TEST_F(GlobalVersion, QueryPathsAcceptSingleAndDoubledSeparators)
{
    const TVersionBlock& block = ProgramVersionBlock();
    EXPECT_EQ(VerQueryTranslation(block, "\\\\VarFileInfo\\\\Translation"), 0x03A40411u);
    EXPECT_EQ(VerQueryString(block, "\\StringFileInfo\\041103a4\\CompanyName"), "Velmora");
    EXPECT_EQ(VerQueryString(block, "\\StringFileInfo\\04090000\\CompanyName"), std::nullopt);
    EXPECT_EQ(VerQueryString(block, "\\StringFileInfo\\041103A4\\Comments"), std::nullopt);
}

TEST_F(GlobalVersion, MissingOrEmptyNamesReadUnknown)
{
    TvlmGlobalSetup setup = Setup();
    setup.VersionBlock->StringTables["041103A4"].erase("CompanyName");
    setup.VersionBlock->StringTables["041103A4"]["ProductName"] = "";
    setup.VersionBlock->StringTables["041103A4"].erase("FileVersion");
    TvlmGlobal global(setup);
    EXPECT_EQ(global.CompanyName(), "unknown");
    EXPECT_EQ(global.ProductName(), "unknown");
    EXPECT_EQ(global.InternalName(), "pocosa");
    EXPECT_EQ(global.FileVersion(), "");
    // The settings locations follow the names.
    EXPECT_EQ(global.UserRegistryFile(), Path("user/unknown/pocosa.ini"));
    RecordInstallFolder(ProgDir());
    EXPECT_EQ(global.DefaultDataDir(), Path("config/unknown/unknown"));
}

TEST_F(GlobalVersion, BlockWithoutStringsOrWithoutTranslation)
{
    TvlmGlobalSetup setup = Setup();
    setup.VersionBlock->StringTables.clear();
    TvlmGlobal noStrings(setup);
    EXPECT_EQ(noStrings.CompanyName(), "unknown");
    EXPECT_EQ(noStrings.FileVersion(), "");

    setup = Setup();
    setup.VersionBlock->Translations.clear();
    TvlmGlobal noTranslation(setup);
    EXPECT_EQ(noTranslation.ProductName(), "unknown");

    setup = Setup();
    setup.VersionBlock.reset();
    TvlmGlobal none(setup);
    EXPECT_EQ(none.InternalName(), "unknown");
    EXPECT_EQ(none.ProgramDir(), ProgDir());
}

TEST_F(GlobalVersion, OSVersionIsAskedOnce)
{
    int calls = 0;
    TvlmGlobalSetup setup = Setup();
    setup.QueryOSMajorVersion = [&calls] {
        ++calls;
        return 6;
    };
    TvlmGlobal global(setup);
    EXPECT_EQ(global.OSMajorVersion(), 6);
    EXPECT_EQ(global.OSMajorVersion(), 6);
    EXPECT_EQ(calls, 1);
    EXPECT_GE(TvlmGlobal(Setup()).OSMajorVersion(), 3);
}

} // namespace
