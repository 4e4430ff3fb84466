#include <gtest/gtest.h>

#include "ProcessRun.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

using pocosa::test::ProcessRun;

ProcessRun runTool(const QStringList& args)
{
    return pocosa::test::runProcess(QStringLiteral(POCOSA_PICTURE_TOOL), args);
}

QString sample(const char* name)
{
    return pocosa::test::sourceDir() + QStringLiteral("/resources/backimage/") + QLatin1String(name);
}

} // namespace

TEST(PictureTool, InfoPrintsOneLinePerFile)
{
    const ProcessRun run = runTool({"info", sample("mint.png"), sample("walnut.jpg"), sample("lemon.bmp")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "132x126 32-bit\n130x124 24-bit\n130x126 24-bit\n");
}

TEST(PictureTool, RefusedFileGivesTheMessageAndStatusOne)
{
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.jpg");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is no JPEG");
    f.close();
    const ProcessRun run = runTool({"info", broken, sample("walnut.jpg")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("JPEG エラー #"))) << run.err.toStdString();
    EXPECT_EQ(run.out, "130x124 24-bit\n"); // the others are still reported

    EXPECT_EQ(runTool({"convert", dir.filePath("missing.png"), dir.filePath("out.png")}).status, 1);
    EXPECT_EQ(runTool({"bogus"}).status, 2);
}

TEST(PictureTool, ConvertWritesRgbOrStraightRgba)
{
    QTemporaryDir dir;
    struct Row {
        const char* file;
        bool alpha;
    } rows[] = {{"lemon.bmp", false}, {"mint.png", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const QString out = dir.filePath(QStringLiteral("out.png"));
        const ProcessRun run = runTool({"convert", sample(row.file), out});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QImage written(out);
        const QImage original(sample(row.file));
        EXPECT_EQ(written.size(), original.size());
        EXPECT_EQ(written.hasAlphaChannel(), row.alpha);
        // A half-transparent edge pixel keeps its colour and alpha unscaled.
        for (int x = 0; x < original.width(); ++x) {
            const QRgb a = original.pixel(x, original.height() / 2);
            const QRgb b = written.pixel(x, original.height() / 2);
            ASSERT_EQ(a, b) << "x " << x;
        }
    }
}
