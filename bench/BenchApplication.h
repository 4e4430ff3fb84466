#pragma once

// Makes the one QGuiApplication the benchmarks need (fonts, QBitmap, QPainter
// text), on the offscreen platform unless one is chosen; it lives until the
// process ends. Does nothing when an application object exists.
void EnsureBenchApplication();
