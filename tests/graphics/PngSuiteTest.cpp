// Every image of PngSuite is its own case: decoded exactly like libpng under
// the reader's rules, or refused with the reader's message.
#include <gtest/gtest.h>

#include "FuncGraphicWorkPng.h"
#include "PngTestSupport.h"
#include "TestEnv.h"

#include <QDir>
#include <QFile>

#include <map>

namespace {

QString suiteDir()
{
    return pocosa::test::sharedTestDataDir() + QStringLiteral("/pngsuite");
}

std::vector<std::string> suiteFiles()
{
    std::vector<std::string> names;
    const QStringList files = QDir(suiteDir()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& f : files)
        names.push_back(f.chopped(4).toStdString());
    return names;
}

// The damaged files, by what their damage must produce. The two whose only
// damage is a checksum are absent: they decode.
const std::map<std::string, std::string>& corruptFiles()
{
    static const std::map<std::string, std::string> table = {
        {"xc1n0g08", "このPNGには対応していません"},  // colour type 1
        {"xc9n2c08", "このPNGには対応していません"},  // colour type 9
        {"xcrn0g04", "PNGファイルではありません"},    // line ends turned into CR LF
        {"xlfn0g04", "PNGファイルではありません"},    // CR LF turned into LF
        {"xs1n0g01", "PNGファイルではありません"},    // signature bytes damaged
        {"xs2n0g01", "PNGファイルではありません"},
        {"xs4n0g01", "PNGファイルではありません"},
        {"xs7n0g01", "PNGファイルではありません"},
        {"xd0n2c08", "このPNGには対応していません"},  // colour image of depth 0
        {"xd3n2c08", "このPNGには対応していません"},  // ... of depth 3
        {"xd9n2c08", "このPNGには対応していません"},  // ... of depth 99
        {"xdtn0g01", "エラー"},                        // no image data
    };
    return table;
}

// What the file's name says it holds decides the expected refusal; empty
// means it must decode like libpng.
std::string expectedRefusal(const std::string& name)
{
    if (name[0] == 'x') {
        const auto it = corruptFiles().find(name);
        return it == corruptFiles().end() ? std::string() : it->second;
    }
    if (name[3] == 'i')
        return "PNGインターレースには対応していません";
    return {};
}

class PngSuite : public testing::TestWithParam<std::string> {};

TEST_P(PngSuite, DecodesLikeLibpngOrIsRefused)
{
    const std::string name = GetParam();
    QFile file(suiteDir() + "/" + QString::fromStdString(name) + ".png");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QByteArray bytes = file.readAll();

    TBitmap picture(3, 2, pf24bit);
    const std::string refusal = expectedRefusal(name);
    if (!refusal.empty()) {
        try {
            pngtest::loadPng(picture, bytes);
            FAIL() << name << ": decoded, expected \"" << refusal << "\"";
        } catch (const EPngError& e) {
            EXPECT_EQ(e.what(), refusal) << name;
        }
        return;
    }
    const pngtest::ReferenceImage ref = pngtest::decodeWithLibpng(bytes);
    ASSERT_TRUE(ref.ok) << name << ": libpng refused it: " << ref.error;
    ASSERT_NO_THROW(pngtest::loadPng(picture, bytes)) << name;
    EXPECT_EQ(pngtest::comparePicture(picture, ref), "") << name;
}

INSTANTIATE_TEST_SUITE_P(Files, PngSuite, testing::ValuesIn(suiteFiles()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(PngSuiteFolder, HoldsTheWholeSuite)
{
    EXPECT_EQ(suiteFiles().size(), 175u) << suiteDir().toStdString();
    for (const auto& entry : corruptFiles())
        EXPECT_TRUE(QFile::exists(suiteDir() + "/" + QString::fromStdString(entry.first) + ".png")) << entry.first;
}

} // namespace
