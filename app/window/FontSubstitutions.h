#pragma once

#include <QFont>
#include <QString>

// Maps the font families named by the window layouts onto Debian fonts that
// the set-up command installs. Safe to call more than once.
void InstallFontSubstitutions();

// A layout font: family, character height in pixels, bold. Families that
// are heavy faces by design ("Impact", "Arial Black") get at least the
// weight of that face, since their substitutes come in several weights.
QFont LayoutFont(const QString& family, int pixelHeight, bool bold);

// The layout font of the largest pixel size (at most cellHeight) whose
// character cell, ascent plus descent, is at most cellHeight pixels high:
// nothing of its text is cut off in a control that high.
QFont LayoutFontInCell(const QString& family, int cellHeight, bool bold);
