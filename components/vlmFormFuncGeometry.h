#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

// Window-free geometry of the window-behaviour component: resize zones, edge
// snapping, background relocation and the rounded-corner region. Rectangles
// are QRects (Left, Top, Width, Height); "right" and "bottom" below mean
// Left + Width and Top + Height, one past the last pixel.

// The resize zones with the numbers of the classic non-client hit-test codes.
enum class TResizeZone : int {
    None = 0,
    Left = 10,
    Right = 11,
    Top = 12,
    TopLeft = 13,
    TopRight = 14,
    Bottom = 15,
    BottomLeft = 16,
    BottomRight = 17,
};

// Width in pixels of the resize band along each edge.
inline constexpr int kResizeBand = 5;

// Zone of the screen point `cursor` in a window at `window` (screen pixels).
// Bottom wins over top and right over left when the window is narrower than
// two bands; the middle of the window is TResizeZone::None.
TResizeZone ResizeHitTest(QPoint cursor, const QRect& window);

// The window edges a system resize in `zone` moves.
Qt::Edges ResizeEdges(TResizeZone zone);

// Top-left corner of `window` after snapping to the edges of `workArea` when
// an edge lies strictly closer than `distance` pixels. Top and left edges win
// over bottom and right. A distance of 0 or less snaps nothing.
QPoint SnapToWorkArea(const QRect& window, const QRect& workArea, int distance);

// Offset that keeps a layout designed for a `reference` client size centred
// on a picture of `source` size once the picture is cut to its `visible`
// part: ((source - reference) / 2 - visible.topLeft), truncating toward zero.
QPoint RelocationOffset(QSize source, const QRect& visible, QSize reference);

// Window region of a window of `width` x `height` pixels: with `round` the
// corners are cut in steps of 4, 2 and 1 pixels; without it one rectangle that
// is one pixel taller than the window.
QRegion WindowRoundRegion(int width, int height, bool round);
