#include <gtest/gtest.h>

#include "NotifiedChild.h"
#include "vlmFormFunc.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

// A 32-bit picture, fully transparent except the opaque box `visible`, filled with `colour` (0x00BBGGRR).
TBitmap Picture32(int w, int h, const QRect& visible, std::uint32_t colour)
{
    TBitmap picture(w, h, pf32bit);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(picture.ScanLine(y));
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = row + 4 * x;
            p[0] = std::uint8_t(colour >> 16);
            p[1] = std::uint8_t(colour >> 8);
            p[2] = std::uint8_t(colour);
            p[3] = visible.contains(x, y) ? 255 : 0;
        }
    }
    return picture;
}

class FormFuncBackground : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        owner->setGeometry(100, 100, 120, 120);
        first = new TNotifiedChild(owner.get());
        first->move(0, 48);
        second = new TNotifiedChild(owner.get());
        second->move(86, 89);
        func = new TvlmFormFunc(owner.get());
        func->SetLayered(false);
        func->SetBGrelocation(true);
    }

    std::unique_ptr<QWidget> owner;
    TNotifiedChild* first = nullptr;
    TNotifiedChild* second = nullptr;
    TvlmFormFunc* func = nullptr;
};

TEST_F(FormFuncBackground, RelocationCentresTheLayoutOnTheVisiblePart)
{
    // 140 x 130 with its visible part from (6, 4): the controls sit 4 right and 1 lower.
    TBitmap picture = Picture32(140, 130, QRect(6, 4, 128, 122), 0x0000FF00);
    func->ApplyBackground(picture, 50, 60);
    EXPECT_EQ(first->pos(), QPoint(4, 49));
    EXPECT_EQ(second->pos(), QPoint(90, 90));
    EXPECT_EQ(QRect(owner->pos(), owner->size()), QRect(50, 60, 128, 122));
    ASSERT_NE(func->Background(), nullptr);
    EXPECT_EQ(func->Background()->Width(), 128);
    EXPECT_EQ(owner->mask(), QRegion(0, 0, 128, 122));

    // A second picture relocates from the layout again, not from the last place.
    TBitmap same = Picture32(140, 130, QRect(6, 4, 128, 122), 0x000000FF);
    func->ApplyBackground(same, 50, 60);
    EXPECT_EQ(first->pos(), QPoint(4, 49));
    TBitmap plain = Picture32(120, 120, QRect(0, 0, 120, 120), 0x000000FF);
    func->ApplyBackground(plain, 50, 60);
    EXPECT_EQ(first->pos(), QPoint(0, 48));
    EXPECT_EQ(second->pos(), QPoint(86, 89));
}

TEST_F(FormFuncBackground, WithoutRelocationTheWindowTakesTheWholePicture)
{
    func->SetBGrelocation(false);
    TBitmap picture = Picture32(140, 130, QRect(6, 4, 128, 122), 0x0000FF00);
    func->ApplyBackground(picture, 10, 20);
    EXPECT_EQ(QRect(owner->pos(), owner->size()), QRect(10, 20, 140, 130));
    EXPECT_EQ(first->pos(), QPoint(0, 48));
    EXPECT_EQ(owner->mask(), QRegion(6, 4, 128, 122));
}

TEST_F(FormFuncBackground, ATwentyFourBitPictureIsKeyedByItsCornerColour)
{
    // Magenta surround, a grey 20 x 10 box at (5, 3).
    TBitmap picture(30, 16, pf24bit);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 30; ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            const bool inside = QRect(5, 3, 20, 10).contains(x, y);
            p[0] = inside ? 0x80 : 0xFF;
            p[1] = inside ? 0x80 : 0x00;
            p[2] = inside ? 0x80 : 0xFF;
        }
    }
    func->SetBGrelocation(false);
    func->ApplyBackground(picture, 0, 0);
    EXPECT_EQ(owner->mask(), QRegion(5, 3, 20, 10));
    // The caller's picture carries the key afterwards.
    ASSERT_EQ(picture.PixelFormat(), pf32bit);
    EXPECT_EQ(picture.ScanLine(0)[3], 0);
    EXPECT_EQ(picture.ScanLine(3)[4 * 5 + 3], 255);
}

TEST_F(FormFuncBackground, EveryChildIsToldAboutTheNewBackground)
{
    TBitmap picture = Picture32(120, 120, QRect(0, 0, 120, 120), 0x00808080);
    func->ApplyBackground(picture, 0, 0);
    func->ApplyBackground(picture, 0, 0);
    ASSERT_EQ(first->backgrounds.size(), 2u);
    EXPECT_EQ(first->backgrounds[0], func->Background());
    EXPECT_EQ(second->backgrounds.size(), 2u);
}

TEST_F(FormFuncBackground, PaintShowsThePictureOrErasesWithTheWindowColour)
{
    int erased = 0;
    func->OnEraseBackGround = [&](QObject*) { ++erased; };
    QPalette palette = owner->palette();
    palette.setColor(QPalette::Window, QColor(10, 20, 30));
    owner->setPalette(palette);

    func->SetEraseBackGround(true);
    QImage shot = owner->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(60, 10)), QColor(10, 20, 30)) << "no picture: the window's colour";
    EXPECT_EQ(erased, 1);

    // Blue 0x40, green 0x80, red 0xC0; the picture's alpha is not applied to its colour.
    TBitmap picture = Picture32(120, 120, QRect(0, 0, 120, 120), 0x004080C0);
    picture.ScanLine(10)[4 * 60 + 3] = 200;
    func->ApplyBackground(picture, 0, 0);
    shot = owner->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(60, 10)), QColor(0xC0, 0x80, 0x40));
    EXPECT_EQ(erased, 2);
}

TEST_F(FormFuncBackground, LayeredPresentationEmptiesThePictureAndLeavesTheChildren)
{
    func->SetLayered(true);
    ASSERT_TRUE(func->Layered());
    TBitmap picture = Picture32(140, 130, QRect(6, 4, 128, 122), 0x0000FF00);
    func->ApplyBackground(picture, 30, 40);
    EXPECT_EQ(QRect(owner->pos(), owner->size()), QRect(30, 40, 128, 122));
    EXPECT_TRUE(func->Background()->Empty());
    EXPECT_EQ(first->pos(), QPoint(0, 48));
    EXPECT_TRUE(first->backgrounds.empty());
    EXPECT_TRUE(owner->testAttribute(Qt::WA_TranslucentBackground));
}

} // namespace
