#include <gtest/gtest.h>

#include <QImage>

#include "MainIcon.h"

// Every hicolor size is compiled in, square, with a transparent surround
// and an opaque timer body in the middle.
TEST(MainIcon, EverySizeIsCompiledInWithTransparentCorners)
{
    const QIcon icon = MainIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QImage image(QStringLiteral(":/icons/hicolor/%1x%1/apps/pocosa.png").arg(size));
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size)) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, size - 1)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255) << size;
        EXPECT_EQ(icon.pixmap(QSize(size, size)).size(), QSize(size, size)) << size;
    }
}

// The about window keys the maker's logo by its bottom-left pixel, so that
// corner must be the white of the window and the logo must not be.
TEST(MainIcon, MakerLogoIsA56PixelPictureOnWhite)
{
    const QImage logo(QStringLiteral(":/layouts/FormVersionInfo.Image1.bmp"));
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(56, 56));
    EXPECT_FALSE(logo.hasAlphaChannel());
    EXPECT_EQ(logo.pixel(0, 55), qRgb(255, 255, 255));
    EXPECT_NE(logo.pixel(28, 30), qRgb(255, 255, 255));
}
