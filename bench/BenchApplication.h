#pragma once

// Makes the one application object the benchmarks need (fonts, QBitmap,
// QPainter text, windows), on the offscreen platform unless one is chosen; it
// lives until the process ends. Does nothing when an application object exists.
void EnsureBenchApplication();
