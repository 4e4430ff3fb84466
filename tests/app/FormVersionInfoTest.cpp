#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include "LinkLabel.h"
#include "TestEnv.h"
#include "UrlRecorder.h"
#include "UnitFormVersionInfo.h"
#include "vlmGlobal.h"

namespace {

// AppGlobal for a program file <tmp>/prog/pocosa whose version information
// differs from the real program's, so that the labels prove where they read.
class FormVersionInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.isValid());
        QDir().mkpath(tmp_.filePath(QStringLiteral("prog")));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, tmp_.filePath(QStringLiteral("user")));
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, tmp_.filePath(QStringLiteral("machine")));
        TvlmGlobalSetup setup;
        setup.ProgramFile = tmp_.filePath(QStringLiteral("prog/pocosa"));
        TVersionBlock block = ProgramVersionBlock();
        auto& strings = block.StringTables[QStringLiteral("041103A4")];
        strings[QStringLiteral("FileVersion")] = QStringLiteral("1.2.3.45");
        strings[QStringLiteral("InternalName")] = QStringLiteral("PoCoSa");
        strings[QStringLiteral("ProductName")] = QStringLiteral("Pocosa");
        setup.VersionBlock = block;
        global_ = std::make_unique<vlmGlobalUnit>(setup);
    }

    void TearDown() override { global_.reset(); }

    static QPoint ScreenCentreFor(const QSize& size)
    {
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        return QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2);
    }

    QTemporaryDir tmp_;
    std::unique_ptr<vlmGlobalUnit> global_;
};

TEST_F(FormVersionInfoTest, LabelsShowFileNameAndVersion)
{
    TFormVersionInfo form(nullptr);
    EXPECT_EQ(form.LBexe->text(), QStringLiteral("ExeName pocosa"));
    EXPECT_EQ(form.LBversion->text(), QStringLiteral("Version 1.2.3.45"));
    for (QLabel* label : {form.LBexe, form.LBversion}) {
        const QString read = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        EXPECT_TRUE(read.endsWith(label->text().section(' ', 1)) && !read.contains("ExeName")) << read.toStdString();
    }
}

TEST_F(FormVersionInfoTest, LinkTargetIsTheInformationPageOfTheLowerCaseInternalName)
{
    TFormVersionInfo form(nullptr);
    EXPECT_EQ(form.LinkLabel1->LinkURL(),
              QStringLiteral("https://vlm.example/contents/software/information.php?name=pocosa"));
    EXPECT_EQ(form.LinkLabel1->text(), QStringLiteral("vlm.example")) << "the design caption stays";
    // One address: the package's home page is the site the window links to.
    QFile metainfo(pocosa::test::sourceDir() + "/resources/linux/org.velmora.Pocosa.metainfo.xml");
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    EXPECT_TRUE(metainfo.readAll().contains("<url type=\"homepage\">" + QByteArray(kMakerSite) + "/</url>"));

    UrlRecorder urls;
    QTest::mouseClick(form.LinkLabel1, Qt::LeftButton, Qt::NoModifier, QPoint(80, 6));
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened.front().scheme(), QStringLiteral("https"));
}

TEST_F(FormVersionInfoTest, ScreenReadersGetItsNamePicturesAndALinkTheKeyboardOpens)
{
    TFormVersionInfo form(nullptr);
    for (QObject* named : std::initializer_list<QObject*>{&form, form.ImgAppTitle, form.Image1, form.ImgIcon})
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(named)->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.LinkLabel1)->role(), QAccessible::Link);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(form.BtClose, Qt::Key_Tab);
    UrlRecorder urls;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(urls.opened.size() == 1 && form.isVisible()) << "Tab reaches the link, Return opens it, not Close";
}

TEST_F(FormVersionInfoTest, TheLinkShowsItsUnderlineWhileThePointerIsOverIt)
{
    TFormVersionInfo form(nullptr);
    TLinkLabel* link = form.LinkLabel1;
    const QImage plain = link->grab().toImage();
    QEnterEvent enter(QPointF(40, 6), QPointF(40, 6), QPointF(40, 6));
    QCoreApplication::sendEvent(link, &enter);
    const QImage hovered = link->grab().toImage();
    EXPECT_NE(plain, hovered) << "the underline fits in the label";
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_EQ(link->grab().toImage(), plain);
}

TEST_F(FormVersionInfoTest, WindowIsABorderlessWhiteTopmostBoxWithItsLayout)
{
    TFormVersionInfo form(nullptr);
    EXPECT_EQ(form.size(), QSize(247, 222));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
    // The largest font whose character cell fits the 12-pixel labels, so
    // that descenders are not cut off.
    QFont larger = form.font();
    larger.setPixelSize(larger.pixelSize() + 1);
    EXPECT_GT(QFontMetrics(larger).height(), 12);
    for (QLabel* label : {form.LBexe, form.LBversion, form.Label1, static_cast<QLabel*>(form.LinkLabel1)})
        EXPECT_LE(QFontMetrics(label->font()).height(), label->height()) << label->objectName().toStdString();

    struct Row {
        const char* name;
        QWidget* control;
        QRect geometry;
    };
    const Row rows[] = {
        {"ImgAppTitle", form.ImgAppTitle, QRect(4, 0, 173, 32)},
        {"Image1", form.Image1, QRect(180, 4, 56, 56)},
        {"ImgIcon", form.ImgIcon, QRect(12, 40, 32, 32)},
        {"LBexe", form.LBexe, QRect(52, 40, 176, 12)},
        {"LBversion", form.LBversion, QRect(52, 52, 176, 12)},
        {"Label1", form.Label1, QRect(52, 68, 176, 12)},
        {"LinkLabel1", form.LinkLabel1, QRect(148, 80, 88, 12)},
        {"BtClose", form.BtClose, QRect(162, 190, 75, 20)},
    };
    for (const Row& row : rows) {
        ASSERT_NE(row.control, nullptr) << row.name;
        EXPECT_EQ(row.control->geometry(), row.geometry) << row.name;
    }
    EXPECT_EQ(form.LBexe->palette().color(QPalette::WindowText), QColor(0x40, 0x40, 0x60));
    EXPECT_EQ(form.LinkLabel1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(form.LinkLabel1->alignment() & Qt::AlignRight);
    EXPECT_EQ(form.BtClose->text(), QStringLiteral("閉じる"));
    EXPECT_FALSE(form.Label1->text().isEmpty());
    EXPECT_EQ(form.ImgIcon->pixmap().size(), QSize(32, 32));

    // The close button keeps its distance to the bottom edge.
    form.show();
    form.resize(247, 200);
    EXPECT_EQ(form.BtClose->geometry(), QRect(162, 168, 75, 20));
}

TEST_F(FormVersionInfoTest, DrawnTitleIsTheProductNameAtHalfSize)
{
    TFormVersionInfo form(nullptr);
    const TBitmap& title = form.AppTitlePicture();
    EXPECT_EQ(title.Width(), 160);
    EXPECT_EQ(title.Height(), 32);
    EXPECT_EQ(form.ImgAppTitle->pixmap().size(), QSize(160, 32));

    // Ink in the left part, smoothed edges (neither black nor white), and
    // white beyond the end of the name.
    const QImage image = title.ToImage().convertToFormat(QImage::Format_RGB32);
    int dark = 0, grey = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 40; ++x) {
            const int g = qGray(image.pixel(x, y));
            dark += g < 64;
            grey += g >= 64 && g < 224;
        }
    EXPECT_GT(dark, 50);
    EXPECT_GT(grey, 10);
    EXPECT_EQ(image.pixel(159, 31), qRgb(255, 255, 255));
}

TEST_F(FormVersionInfoTest, DrawAppTitleFitsTheHalvedSizeWhateverTheName)
{
    for (const char* name : {"", "P", "A product name far too long for the title"}) {
        TBitmap title;
        DrawAppTitle(title, QString::fromUtf8(name));
        EXPECT_EQ(title.Width(), 160) << name;
        EXPECT_EQ(title.Height(), 32) << name;
        EXPECT_EQ(title.PixelFormat(), pf32bit) << name;
    }
}

TEST_F(FormVersionInfoTest, PicturesAreKeyedByTheirBottomLeftPixel)
{
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(qRgba(255, 255, 255, 0));
    picture.setPixel(1, 0, qRgba(10, 20, 30, 0));
    const QImage keyed = TransparentByBottomLeft(picture);
    EXPECT_EQ(qAlpha(keyed.pixel(0, 1)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(2, 0)), 0);
    EXPECT_EQ(keyed.pixel(1, 0), qRgba(10, 20, 30, 255)) << "alpha 0 of a non-key pixel is ignored";
    EXPECT_TRUE(TransparentByBottomLeft(QImage()).isNull());
}

TEST_F(FormVersionInfoTest, FramesFollowTheCutCorners)
{
    TFormVersionInfo form(nullptr);
    const QImage shot = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int w = shot.width(), h = shot.height();
    ASSERT_EQ(QSize(w, h), QSize(247, 222));
    const QRgb black = qRgb(0, 0, 0), grey = qRgb(0x80, 0x80, 0x80), white = qRgb(255, 255, 255);
    struct Row {
        const char* name;
        QPoint at;
        QRgb colour;
    };
    const Row rows[] = {
        {"outline top", {100, 0}, black},
        {"outline left", {0, 100}, black},
        {"outline right", {w - 1, 100}, black},
        {"outline bottom", {100, h - 1}, black},
        {"outline corner step", {2, 1}, black},
        {"outline corner step, vertical", {1, 2}, black},
        {"corner cut off", {0, 0}, white},
        {"corner cut off, bottom right", {w - 1, h - 1}, white},
        {"inner ring row", {100, 1}, black},
        {"inner ring's cut corner", {2, 2}, black},
        {"grey ring inside the cut corner", {2, 3}, grey},
        {"grey ring inside the cut corner, right", {w - 3, 3}, grey},
        {"inner box top", {100, 32}, grey},
        {"inner box left", {5, 100}, grey},
        {"inner box right", {w - 6, 100}, grey},
        {"inner box bottom", {100, h - 6}, grey},
        {"inner box cut corner", {5, 33}, white},
    };
    for (const Row& row : rows)
        EXPECT_EQ(shot.pixel(row.at), row.colour) << row.name << " at " << row.at.x() << "," << row.at.y();
}

// Each opening makes a new window, centred on the screen, not modal, that
// is gone once the event loop has run after it closed; opened again while
// open, the same window comes to the front.
TEST_F(FormVersionInfoTest, EachOpeningShowsAFreshCentredWindowOneAtATime)
{
    QWidget owner;
    owner.move(10, 10);
    std::vector<QPointer<TFormVersionInfo>> shown;
    for (int i = 0; i < 2; ++i) {
        ShowVersionInfo(&owner);
        ASSERT_TRUE(FormVersionInfo);
        shown.emplace_back(FormVersionInfo.data());
        EXPECT_EQ(FormVersionInfo->pos(), ScreenCentreFor(QSize(247, 222))) << "opening " << i;
        EXPECT_FALSE(FormVersionInfo->isModal() || QApplication::activeModalWidget()) << "opening " << i;
        EXPECT_EQ(FormVersionInfo->parentWidget(), nullptr) << "outlives the window it came from";
        ShowVersionInfo(&owner);
        EXPECT_EQ(FormVersionInfo.data(), shown.back().data()) << "one at a time";
        // Moved away, it still opens centred the next time.
        FormVersionInfo->move(0, 0);
        FormVersionInfo->BtClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(shown.back().isNull()) << "released after closing";
    }
    EXPECT_TRUE(FormVersionInfo.isNull());
}

// With the window-behaviour component: a left drag on a label moves the
// window, a drag on the close button does not, whatever path the pointer
// takes off it.
TEST_F(FormVersionInfoTest, DragsByItsBodyButNotByTheCloseButton)
{
    TFormVersionInfo form(nullptr);
    form.show();
    auto drag = [](QWidget* control, const std::vector<QPoint>& path) {
        const QPoint local(3, 3);
        const QPoint global = control->mapToGlobal(local);
        auto send = [&](QEvent::Type type, QPoint offset, Qt::MouseButton button, Qt::MouseButtons buttons) {
            QMouseEvent event(type, QPointF(local + offset), QPointF(global + offset), button, buttons, Qt::NoModifier);
            QApplication::sendEvent(control, &event);
        };
        send(QEvent::MouseButtonPress, {}, Qt::LeftButton, Qt::LeftButton);
        for (const QPoint& offset : path)
            send(QEvent::MouseMove, offset, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, path.back(), Qt::LeftButton, Qt::NoButton);
    };
    struct Row {
        const char* name;
        QWidget* control;
        std::vector<QPoint> path;
        QPoint moves;
    };
    // The window ends where the pointer is released, the point pressed staying under it.
    const std::vector<QPoint> offRight{{20, 15}, {40, 30}};
    const Row rows[] = {
        {"label", form.LBversion, offRight, {40, 30}},
        {"title picture", form.ImgAppTitle, offRight, {40, 30}},
        {"link label", form.LinkLabel1, offRight, {40, 30}},
        {"close button", form.BtClose, offRight, {}},
        {"close button, off and on", form.BtClose, {{20, 15}, {40, 30}, {60, 45}, {80, 60}}, {}},
        {"close button, off to the top left", form.BtClose, {{-10, -10}, {-20, -20}, {-30, -30}}, {}},
        {"close button, off, back on and off", form.BtClose, {{-10, -10}, {5, 5}, {-10, 30}, {-30, 60}}, {}},
    };
    for (const Row& row : rows) {
        const QPoint before = form.pos();
        drag(row.control, row.path);
        EXPECT_EQ(form.pos() - before, row.moves) << row.name;
    }
    EXPECT_TRUE(form.isVisible()) << "the drags on the close button did not click it";
}

// The corners are cut in steps of 4, 2 and 1 pixels.
TEST_F(FormVersionInfoTest, WindowHasCutCorners)
{
    TFormVersionInfo form(nullptr);
    form.show();
    const QRegion mask = form.mask();
    struct Row {
        QPoint at;
        bool inside;
    };
    const int w = form.width(), h = form.height();
    const Row rows[] = {
        {{0, 0}, false}, {{3, 0}, false}, {{4, 0}, true},      {{1, 1}, false},     {{2, 1}, true},
        {{0, 3}, false}, {{0, 4}, true},  {{w - 1, 3}, false}, {{w - 1, 4}, true},  {{w - 4, h - 1}, false},
        {{w - 5, h - 1}, true}, {{w - 2, h - 2}, false}, {{w - 3, h - 2}, true}, {{w / 2, h / 2}, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(mask.contains(row.at), row.inside) << row.at.x() << "," << row.at.y();
}

// The position is not remembered; only an empty DOCKSITE is written.
TEST_F(FormVersionInfoTest, ClosingWritesOnlyAnEmptyDockSite)
{
    {
        TFormVersionInfo form(nullptr);
        form.show();
        form.move(30, 40);
    }
    const QString section = QStringLiteral("TFORMVERSIONINFO");
    EXPECT_EQ(AppGlobal->ReadIniString(section, QStringLiteral("DOCKSITE"), QStringLiteral("none")), QString());
    for (const char* key : {"TOP", "LEFT", "WIDTH", "HEIGHT"})
        EXPECT_EQ(AppGlobal->ReadIniString(section, QString::fromLatin1(key), QStringLiteral("none")),
                  QStringLiteral("none"))
            << key;
}

} // namespace
