#include "FontSubstitutions.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace {

struct TFontSubstitute {
    const char* Family;
    const char* Substitute;
    QFont::Weight Weight; // the weight of the named face itself
};

const TFontSubstitute kSubstitutes[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic", QFont::Normal},
    {"Impact", "Roboto Condensed", QFont::Bold},
    {"Arial Black", "Roboto", QFont::Black},
    {"Small Fonts", "DejaVu Sans", QFont::Normal},
};

const TFontSubstitute* FindSubstitute(const QString& family)
{
    for (const TFontSubstitute& s : kSubstitutes) {
        if (family.compare(QString::fromUtf8(s.Family), Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

} // namespace

void InstallFontSubstitutions()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (const TFontSubstitute& s : kSubstitutes) {
        QFont::insertSubstitutions(QString::fromUtf8(s.Family),
                                   {QString::fromUtf8(s.Substitute), QStringLiteral("DejaVu Sans")});
    }
}

QFont LayoutFont(const QString& family, int pixelHeight, bool bold)
{
    InstallFontSubstitutions();
    QFont font(family);
    font.setPixelSize(pixelHeight);
    QFont::Weight weight = bold ? QFont::Bold : QFont::Normal;
    if (const TFontSubstitute* s = FindSubstitute(family))
        weight = std::max(weight, s->Weight);
    font.setWeight(weight);
    return font;
}

QFont LayoutFontInCell(const QString& family, int cellHeight, bool bold)
{
    QFont font = LayoutFont(family, cellHeight, bold);
    for (int px = cellHeight - 1; px > 1 && QFontMetrics(font).height() > cellHeight; --px)
        font = LayoutFont(family, px, bold);
    return font;
}
