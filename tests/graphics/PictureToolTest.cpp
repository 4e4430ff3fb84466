#include <gtest/gtest.h>

#include "PngTestSupport.h"
#include "ProcessRun.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

using pngtest::PngBuilder;
using pocosa::test::ProcessRun;

ProcessRun runTool(const QStringList& args, const char* language = "en", const char* output = nullptr)
{
    return pocosa::test::runToolIn(language, QStringLiteral(POCOSA_PICTURE_TOOL), args, output);
}

QString sample(const char* name)
{
    return pocosa::test::sourceDir() + QStringLiteral("/resources/backimage/") + QLatin1String(name);
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << name;
    return f.fileName();
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
    const QString broken = writeFile(dir, "broken.jpg", "this is no JPEG");
    const ProcessRun run = runTool({"info", broken, sample("walnut.jpg")}, "ja");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("JPEG エラー #"))) << run.err.toStdString();
    EXPECT_EQ(run.out, "130x124 24-bit\n"); // the others are still reported
    EXPECT_TRUE(runTool({"info", broken}).err.startsWith(broken + ": JPEG error #"));

    const QString noDecoder = dir.filePath("picture.gif");
    QFile::copy(sample("mint.png"), noDecoder);
    const QString noPixels = writeFile(dir, "wide0.png", PngBuilder().signature().header(0, 7, 8, 6).end().bytes());
    const QString noHeader = writeFile(dir, "noheader.png", PngBuilder().signature().end().bytes());
    const QString out = dir.filePath("out.png");
    const struct {
        QStringList args;
        int status;
        const char* message;
        const char* language = "en";
        const char* output = nullptr; // standard output's file
    } rows[] = {
        {{"convert", dir.filePath("missing.png"), out}, 1, "は開けません", "ja"},
        {{"convert", dir.filePath("missing.png"), out}, 1, "Cannot open file \""},
        {{"info", noDecoder}, 1, "no picture (no decoder for this extension)"},
        {{"convert", noDecoder, out}, 1, "no picture (no decoder for this extension)"},
        {{"convert", noPixels, out}, 1, "no picture (0 pixels)"},
        {{"info", noHeader}, 1, "no picture (0 pixels)"},
        {{"convert", noPixels, out}, 1, "画像がありません (0 ピクセル)", "ja"},
        {{"bogus"}, 2, "usage:"},
        {{"bogus", sample("mint.png"), out}, 2, "usage:"},
        {{"convert", sample("mint.png"), "/dev/full"}, 1, "/dev/full: cannot write"},
        {{"info", sample("mint.png")}, 1, "standard output: cannot write", "en", "/dev/full"},
        {{"info", sample("mint.png")}, 1, "標準出力: 書き込めません", "ja", "/dev/full"},
    };
    for (const auto& row : rows) {
        const ProcessRun refused = runTool(row.args, row.language, row.output);
        EXPECT_EQ(refused.status, row.status) << row.message;
        EXPECT_TRUE(refused.err.contains(QString::fromUtf8(row.message))) << refused.err.toStdString();
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST(PictureTool, ConvertWritesRgbOrStraightRgba)
{
    QTemporaryDir dir;
    struct Row {
        QString file;
        bool alpha;
    } rows[] = {{sample("lemon.bmp"), false},
                {sample("mint.png"), true}, // and a palette's surround keyed out:
                {pocosa::test::sharedTestDataDir() + "/pngsuite/tbbn3p08.png", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        const QString out = dir.filePath(QStringLiteral("out.png"));
        const ProcessRun run = runTool({"convert", row.file, out});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QImage written(out);
        const QImage original(row.file);
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

// "-" is standard output, as for pocosa-archive: the same PNG, no file "-".
TEST(PictureTool, ConvertToDashWritesStandardOutput)
{
    QTemporaryDir dir;
    const QString piped = dir.filePath("piped.png");
    EXPECT_EQ(runTool({"convert", sample("mint.png"), "-"}, "en", qPrintable(piped)).status, 0);
    EXPECT_EQ(QImage(piped), QImage(sample("mint.png")).convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(QFile::exists("-"));
}
