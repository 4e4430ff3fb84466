// The window background chosen by name through the background history:
// the built-in picture, and pictures the window must refuse.
#include <gtest/gtest.h>

#include "vlmFormFunc.h"
#include "vlmGlobal.h"
#include "vlmGraphicSource.h"

#include <QFile>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <optional>

namespace {

class FormFuncSetBackground : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        TvlmGlobalSetup setup;
        setup.ProgramFile = folder.filePath(QStringLiteral("pocosa"));
        env.emplace(setup);
        graphics.emplace();
        owner = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        owner->setGeometry(300, 200, 120, 120);
        child = new QWidget(owner.get());
        child->setGeometry(28, 56, 64, 52);
        func = new TvlmFormFunc(owner.get());
        func->SetLayered(false);
        func->SetBGrelocation(true);
        func->SetPreserve(true);
        func->RestorePlacement(); // records the 120 x 120 design size
        owner->move(300, 200);
    }

    void TearDown() override
    {
        owner.reset();
        graphics.reset();
        env.reset();
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    struct Look {
        QRect geometry;
        QRegion mask;
        QPoint child;
        bool operator==(const Look&) const = default;
    };
    Look Current() const { return {QRect(owner->pos(), owner->size()), owner->mask(), child->pos()}; }

    QTemporaryDir folder;
    std::optional<vlmGlobalUnit> env;
    std::optional<vlmGraphicSourceUnit> graphics;
    std::unique_ptr<QWidget> owner;
    QWidget* child = nullptr;
    TvlmFormFunc* func = nullptr;
};

TEST_F(FormFuncSetBackground, TheBuiltInPictureShapesTheWindowAndMovesItsControls)
{
    func->SetBackground(QString());
    EXPECT_EQ(QRect(owner->pos(), owner->size()), QRect(300, 200, 130, 124));
    EXPECT_EQ(child->pos(), QPoint(28 + 5, 56 + 2));
    // The keyed surround cuts the corners.
    EXPECT_FALSE(owner->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(owner->mask().contains(QPoint(65, 62)));
}

TEST_F(FormFuncSetBackground, UnusablePicturesAreRefusedAndTheWindowStaysAsItWas)
{
    func->SetBackground(QString());
    const Look before = Current();
    const QStringList history = BackImages->Items();
    QImage clear(40, 30, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    ASSERT_TRUE(clear.save(folder.filePath(QStringLiteral("clear.png"))));
    struct Row {
        const char* name;
        QString file;
    };
    const Row rows[] = {
        {"damaged PNG", WriteFile(QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, 'x'))},
        {"damaged JPEG", WriteFile(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(64, 'x'))},
        {"extension without decoder", WriteFile(QStringLiteral("notes.txt"), "just text")},
        {"every pixel transparent", folder.filePath(QStringLiteral("clear.png"))},
    };
    for (const Row& row : rows) {
        try {
            func->SetBackground(row.file);
            ADD_FAILURE() << row.name << ": accepted";
        } catch (const std::exception& e) {
            EXPECT_TRUE(*e.what() && !QString(e.what()).contains("TvlmFormFunc")) << row.name << ": " << e.what();
        }
        EXPECT_TRUE(Current() == before) << row.name;
        EXPECT_EQ(BackImages->Items(), history) << row.name << ": the history as it was";
        EXPECT_TRUE(BackImages->Picture().Empty()) << row.name << ": the refused picture is let go";
    }
}

TEST_F(FormFuncSetBackground, TheLoadedPictureIsNotKeptBesideTheWindowsCopy)
{
    QImage big(2000, 1500, QImage::Format_RGB32);
    big.fill(Qt::white); // the keyed surround
    for (int y = 10; y < 1490; ++y)
        for (int x = 10; x < 1990; ++x)
            big.setPixel(x, y, qRgb(0, 100, 0));
    ASSERT_TRUE(big.save(folder.filePath(QStringLiteral("big.png"))));
    func->SetBackground(folder.filePath(QStringLiteral("big.png")));
    EXPECT_TRUE(QRect(QPoint(), owner->screen()->size()).contains(owner->rect())) << "kept at the screen's size";
    EXPECT_EQ(owner->mask(), QRegion(owner->rect()));
    EXPECT_TRUE(BackImages->Picture().Empty());
}

TEST_F(FormFuncSetBackground, TheDefaultPictureLeavesTheHistoryAlone)
{
    const QString broken = WriteFile(QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\n", 8) + "xxxx");
    EXPECT_ANY_THROW(func->SetBackground(broken));
    const QStringList history = BackImages->Items();
    func->SetDefaultBackground();
    EXPECT_EQ(BackImages->Items(), history);
    EXPECT_EQ(owner->size(), QSize(130, 124));
}

} // namespace
