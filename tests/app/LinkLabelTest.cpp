#include <gtest/gtest.h>

#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "LinkLabel.h"
#include "UrlRecorder.h"
#include "ShellFileUtils.h"

namespace {

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.isValid());
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QDir().mkpath(FolderPath()));
        label_.setGeometry(0, 0, 88, 12);
    }

    QString FilePath() const { return tmp_.filePath(QStringLiteral("notes.txt")); }
    QString FolderPath() const { return tmp_.filePath(QStringLiteral("pictures")); }

    void ClickLabel() { QTest::mouseClick(&label_, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); }

    QTemporaryDir tmp_;
    TLinkLabel label_;
    UrlRecorder urls_;
};

TEST_F(LinkLabelTest, ShowsAHandCursor)
{
    EXPECT_EQ(label_.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(LinkLabelTest, LinkURLChangesTheCaptionOnlyForFilesAndFolders)
{
    label_.setText(QStringLiteral("design"));
    label_.SetLinkURL(QStringLiteral("https://www.velmora.example/contents/"));
    EXPECT_EQ(label_.text(), QStringLiteral("design")) << "web address";
    label_.SetLinkURL(QStringLiteral("info@velmora.example"));
    EXPECT_EQ(label_.text(), QStringLiteral("design")) << "mail address";

    label_.SetLinkURL(FilePath());
    EXPECT_EQ(label_.text(), QStringLiteral("notes.txt")) << "file: its name without folder";
    EXPECT_EQ(label_.LinkURL(), FilePath());

    // A folder shows everything before its last delimiter.
    label_.SetLinkURL(FolderPath());
    EXPECT_EQ(label_.text(), tmp_.path()) << "folder";
    label_.SetLinkURL(FolderPath() + QLatin1Char('/'));
    EXPECT_EQ(label_.text(), FolderPath()) << "folder with trailing delimiter";
    label_.SetLinkURL(QStringLiteral("/"));
    EXPECT_EQ(label_.text(), QStringLiteral("/")) << "root folder";
}

TEST_F(LinkLabelTest, ClickOpensTheTargetByItsKind)
{
    struct Row {
        const char* name;
        QString caption;
        QString linkURL;
        QUrl expected;
    };
    const QString web = QStringLiteral("https://www.velmora.example/contents/software/information.php?name=pocosa");
    const Row rows[] = {
        {"empty LinkURL, web caption", QStringLiteral("http://www.velmora.example/"), QString(),
         QUrl(QStringLiteral("http://www.velmora.example/"))},
        {"https link is a web link", QStringLiteral("caption"), web, QUrl(web)},
        {"http link", QStringLiteral("caption"), QStringLiteral("http://www.velmora.example/a"),
         QUrl(QStringLiteral("http://www.velmora.example/a"))},
        {"mail address", QStringLiteral("caption"), QStringLiteral("info@velmora.example"),
         QUrl(QStringLiteral("mailto:info@velmora.example"))},
        {"mail address as caption", QStringLiteral("info@velmora.example"), QString(),
         QUrl(QStringLiteral("mailto:info@velmora.example"))},
        {"existing file", QStringLiteral("caption"), FilePath(), QUrl::fromLocalFile(FilePath())},
        {"existing folder", QStringLiteral("caption"), FolderPath(), QUrl::fromLocalFile(FolderPath())},
        {"file named by the caption", FilePath(), QString(), QUrl::fromLocalFile(FilePath())},
    };
    for (const Row& row : rows) {
        urls_.opened.clear();
        label_.setText(row.caption);
        label_.SetLinkURL(row.linkURL);
        ClickLabel();
        ASSERT_EQ(urls_.opened.size(), 1) << row.name;
        EXPECT_EQ(urls_.opened.front(), row.expected) << row.name << ": " << qPrintable(urls_.opened.front().toString());
    }
}

// Web links keep their scheme, https included; only text without a scheme
// is taken for a mail address.
TEST(OpenLink, OnlyTextWithoutASchemeBecomesAMailLink)
{
    struct Row {
        const char* name;
        const char* text;
        const char* target;
    };
    const Row rows[] = {
        {"http", "http://www.velmora.example/", "http://www.velmora.example/"},
        {"https", "https://www.velmora.example/", "https://www.velmora.example/"},
        {"upper-case scheme", "HTTPS://www.velmora.example/", "HTTPS://www.velmora.example/"},
        {"mail address", "info@velmora.example", "mailto:info@velmora.example"},
        {"mailto already", "mailto:info@velmora.example", "mailto:info@velmora.example"},
        {"host without scheme", "www.velmora.example", "mailto:www.velmora.example"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LinkTarget(QString::fromLatin1(row.text)), QString::fromLatin1(row.target)) << row.name;

    UrlRecorder urls;
    OpenLink(QStringLiteral("https://www.velmora.example/"));
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened.front().scheme(), QStringLiteral("https"));
}

TEST_F(LinkLabelTest, OnClickRunsBeforeTheLinkOpens)
{
    QStringList order;
    QObject::connect(&label_, &TLinkLabel::clicked, &label_, [&] { order << QStringLiteral("clicked"); });
    urls_.onOpen = [&] { order << QStringLiteral("opened"); };
    label_.SetLinkURL(QStringLiteral("https://www.velmora.example/"));
    ClickLabel();
    EXPECT_EQ(order, QStringList({QStringLiteral("clicked"), QStringLiteral("opened")}));
}

TEST_F(LinkLabelTest, OnlyALeftPressAndReleaseOnTheLabelIsAClick)
{
    label_.SetLinkURL(QStringLiteral("https://www.velmora.example/"));
    QSignalSpy clicks(&label_, &TLinkLabel::clicked);

    QTest::mouseClick(&label_, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0) << "right button";

    QTest::mousePress(&label_, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(&label_, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    EXPECT_EQ(clicks.count(), 0) << "released outside";

    QTest::mouseRelease(&label_, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0) << "release without a press";
    EXPECT_TRUE(urls_.opened.isEmpty());
}

TEST_F(LinkLabelTest, HoverUnderlinesAndLeavingClearsEveryStyle)
{
    QFont bold = label_.font();
    bold.setBold(true);
    bold.setItalic(true);
    label_.setFont(bold);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&label_, &enter);
    EXPECT_TRUE(label_.font().underline()) << "over the label";
    EXPECT_FALSE(label_.font().bold()) << "over the label";
    EXPECT_FALSE(label_.font().italic()) << "over the label";

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label_, &leave);
    EXPECT_FALSE(label_.font().underline()) << "after leaving";
    EXPECT_FALSE(label_.font().bold()) << "after leaving: the design-time bold is gone too";
    EXPECT_FALSE(label_.font().italic()) << "after leaving";
}

} // namespace
