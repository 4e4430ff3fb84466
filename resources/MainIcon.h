#pragma once

#include <QIcon>

// The program's icon MAINICON: a kitchen timer at every size of the hicolor
// theme (16 to 256 pixels), compiled in under ":/icons/hicolor/".
QIcon MainIcon();
