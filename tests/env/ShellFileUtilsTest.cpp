#include "EnvFixture.h"

#include <QDesktopServices>
#include <QPointer>
#include <QUrl>

#include "ShellFileUtils.h"
#include "vlmColors.h"

#include <sys/stat.h>

namespace {

TEST(ShellFileUtils, StripTrailingBackslashes)
{
    EXPECT_EQ(StripTrailingBackslashes("/pictures//"), "/pictures");
    EXPECT_EQ(StripTrailingBackslashes("/pictures"), "/pictures");
    EXPECT_EQ(StripTrailingBackslashes("///"), "");
    EXPECT_EQ(StripTrailingBackslashes(""), "");
}

TEST(ShellFileUtils, OpenResourceDataNeverThrows)
{
    const auto data = OpenResourceData("testdata");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->readAll(), "resource bytes\n");
    EXPECT_FALSE(OpenResourceData("NOSUCHDATA"));
    EXPECT_FALSE(OpenResourceData(""));
}

using Files = EnvTest;

TEST_F(Files, ListFilesWithAndWithoutTrailingDelimiters)
{
    const QString folder = Path("pics");
    QDir().mkpath(folder + "/sub.png");
    for (const char* name : {"b.png", "A.PNG", ".hidden.png", "c.txt", "noext"})
        WriteAll(folder + "/" + name, "x");
    QStringList plain, slashed, all;
    ListFiles(folder, "*.png", plain);
    ListFiles(folder + "//", "*.png", slashed);
    EXPECT_EQ(plain, QStringList({folder + "/.hidden.png", folder + "/A.PNG", folder + "/b.png"}));
    EXPECT_EQ(slashed, plain);
    ListFiles(folder, "*.*", all);
    EXPECT_EQ(all.size(), 5) << all.join(',').toStdString();
    QStringList stale{"x"};
    ListFiles(Path("missing"), "*.*", stale);
    EXPECT_TRUE(stale.isEmpty());
}

TEST_F(Files, ListFilesLeavesOutPipes)
{
    const QString folder = Path("fifo");
    QDir().mkpath(folder);
    ASSERT_EQ(mkfifo(QFile::encodeName(folder + "/pipe.png").constData(), 0600), 0);
    QStringList list;
    ListFiles(folder, "*.*", list);
    EXPECT_TRUE(list.isEmpty());
}

TEST(ShellFileUtils, FilterPictureFiles)
{
    QStringList list{"/p/photo.JPG", "/p/scan.Jpeg", "/p/readme.txt", "/p/noext", "/p.d/noext",
                     "/p/a.jpx",     "/p/b.bmp",     "/p/c.png",      "/p/d.png.txt"};
    FilterPictureFiles(list);
    EXPECT_EQ(list, QStringList({"/p/photo.JPG", "/p/scan.Jpeg", "/p/a.jpx", "/p/b.bmp", "/p/c.png"}));
}

TEST_F(Files, CreateFolderPathMakesParentsAndReportsNothing)
{
    CreateFolderPath(Path("a/b/c"));
    EXPECT_TRUE(QFileInfo(Path("a/b/c")).isDir());
    WriteAll(Path("file"), "");
    CreateFolderPath(Path("file/sub"));
    EXPECT_FALSE(QFileInfo(Path("file/sub")).exists());
    CreateFolderPath("/proc/pocosa/x");
    CreateFolderPath("");
}

TEST_F(Files, SpecialFolders)
{
    EXPECT_EQ(SpecialFolderPath(kFolderAppData), Path("config"));
    const QString desktop = SpecialFolderPath(kFolderDesktop);
    EXPECT_FALSE(desktop.isEmpty());
    EXPECT_EQ(SpecialFolderPath(12345), desktop);
}

TEST(ShellFileUtils, EnsureOnScreenRect)
{
    const QList<QRect> areas{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    const QSize primary(1920, 1080);
    struct Row {
        const char* name;
        QRect window;
        QRect expected;
    } rows[] = {
        {"inside", QRect(100, 100, 120, 120), QRect(100, 100, 120, 120)},
        {"left edge 4 px outside", QRect(-4, 100, 120, 120), QRect(-4, 100, 120, 120)},
        {"top 8 px above", QRect(10, -8, 120, 120), QRect(10, -8, 120, 120)},
        {"on the second monitor", QRect(3000, 500, 120, 120), QRect(3000, 500, 120, 120)},
        {"right of all monitors", QRect(4000, 100, 120, 120), QRect(900, 480, 120, 120)},
        {"right edge inside counts too", QRect(-5, 100, 120, 120), QRect(-5, 100, 120, 120)},
        {"entirely left", QRect(-200, 100, 120, 120), QRect(900, 480, 120, 120)},
        {"top too low", QRect(100, 1032, 120, 120), QRect(900, 480, 120, 120)},
        {"larger than the screen", QRect(5000, 0, 2000, 1200), QRect(0, 0, 1920, 1080)},
        {"odd remainder truncates", QRect(-900, 0, 121, 121), QRect(899, 479, 121, 121)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(EnsureOnScreenRect(row.window, areas, primary), row.expected) << row.name;
}

TEST(ShellFileUtils, LinkTargets)
{
    EXPECT_EQ(LinkTarget("info@velmora.example"), "mailto:info@velmora.example");
    EXPECT_EQ(LinkTarget("http://www.velmora.example/"), "http://www.velmora.example/");
    EXPECT_EQ(LinkTarget("https://www.velmora.example/"), "https://www.velmora.example/");
    EXPECT_EQ(LinkTarget("mailto:a@b.example"), "mailto:a@b.example");
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

TEST(ShellFileUtils, LinksAndDocumentsGoToTheDesktop)
{
    UrlRecorder recorder;
    for (const char* scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    OpenLink("https://www.velmora.example/pocosa");
    OpenLink("user@velmora.example");
    OpenDocument("/tmp/a b.png");
    for (const char* scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::unsetUrlHandler(scheme);
    ASSERT_EQ(recorder.urls.size(), 3);
    EXPECT_EQ(recorder.urls[0], QUrl("https://www.velmora.example/pocosa"));
    EXPECT_EQ(recorder.urls[1], QUrl("mailto:user@velmora.example"));
    EXPECT_EQ(recorder.urls[2], QUrl::fromLocalFile("/tmp/a b.png"));
}

using Colors = EnvTest;

TEST_F(Colors, ListFileLivesInTheDataFolder)
{
    vlmGlobalUnit global(Setup());
    {
        vlmColorsUnit colors;
        ASSERT_NE(ColorsList, nullptr);
        EXPECT_EQ(ColorsList->FileName(), ProgDir() + "/Data/colors.clr");
        EXPECT_EQ(ColorsList->Name(), "data");
        EXPECT_EQ(ColorsList->Depth(), 0);
    }
    EXPECT_EQ(ColorsList, nullptr);
    EXPECT_FALSE(QFile::exists(ProgDir() + "/Data/colors.clr"));
}

TEST(XmlList, ChildrenInheritAndOptionsSpread)
{
    TxmlList root;
    root.SetLowerCaseNames(false);
    TxmlList* child = root.AddChild();
    TxmlList* grandchild = child->AddChild();
    EXPECT_EQ(child->Depth(), 1);
    EXPECT_EQ(grandchild->Depth(), 2);
    grandchild->SetName("MixedCase");
    EXPECT_EQ(grandchild->Name(), "MixedCase");
    EXPECT_FALSE(grandchild->ThirdOption());

    root.SetThirdOption(true);
    root.SetLowerCaseNames(true);
    EXPECT_TRUE(grandchild->ThirdOption());
    grandchild->SetName("MixedCase");
    EXPECT_EQ(grandchild->Name(), "mixedcase");

    root.SetFourthOption(false);
    EXPECT_FALSE(child->FourthOption());
    EXPECT_TRUE(grandchild->FourthOption()) << "the fourth option reaches direct children only";
}

TEST(XmlList, ClearFreesChildrenAndAttachments)
{
    TxmlList root;
    root.AddChild()->AddChild();
    root.SetName("Root");
    root.Text = "text";
    QPointer<QObject> first = new QObject, second = new QObject;
    root.Data.reset(first);
    root.Data2.reset(second);
    root.Clear();
    EXPECT_EQ(root.Count(), 0);
    EXPECT_EQ(root.Name(), "");
    EXPECT_EQ(root.Text, "");
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());

    QPointer<QObject> lone = new QObject;
    root.Data2.reset(lone);
    root.Clear();
    EXPECT_FALSE(lone.isNull()) << "the second object goes only with the first";
}

} // namespace

#include "ShellFileUtilsTest.moc"
