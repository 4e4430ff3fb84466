#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "FontSubstitutions.h"

namespace {

// Each family the layouts name comes out as the Debian font that stands for
// it (fontconfig alone would pick another), and a font fitted to a cell is
// the largest whose character cell fits it.
TEST(LayoutFonts, FamiliesResolveToTheirStandInsAndFitTheirCell)
{
    const struct {
        const char* Family;
        const char* Face;
        int Cell;
    } rows[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic", 12},
        {"Arial Black", "Roboto", 20},
        {"Impact", "Roboto Condensed", 30},
        {"Small Fonts", "DejaVu Sans", 9},
    };
    for (const auto& row : rows) {
        const QString family = QString::fromUtf8(row.Family);
        const QFont font = LayoutFontInCell(family, row.Cell, false);
        EXPECT_EQ(QFontInfo(font).family(), QString::fromUtf8(row.Face)) << row.Family;
        EXPECT_LE(QFontMetrics(font).height(), row.Cell) << row.Family;
        if (font.pixelSize() < row.Cell)
            EXPECT_GT(QFontMetrics(LayoutFont(family, font.pixelSize() + 1, false)).height(), row.Cell) << row.Family;
    }
}

} // namespace
