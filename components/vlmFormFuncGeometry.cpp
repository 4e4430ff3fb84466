#include "vlmFormFuncGeometry.h"

TResizeZone ResizeHitTest(QPoint cursor, const QRect& window)
{
    enum { middle, low, high } vertical = middle, horizontal = middle;
    const int x = cursor.x();
    const int y = cursor.y();
    if (y > window.top() + window.height() - kResizeBand)
        vertical = high;
    else if (y < window.top() + kResizeBand)
        vertical = low;
    if (x > window.left() + window.width() - kResizeBand)
        horizontal = high;
    else if (x < window.left() + kResizeBand)
        horizontal = low;

    switch (vertical) {
    case low:
        return horizontal == low ? TResizeZone::TopLeft
             : horizontal == high ? TResizeZone::TopRight
                                  : TResizeZone::Top;
    case high:
        return horizontal == low ? TResizeZone::BottomLeft
             : horizontal == high ? TResizeZone::BottomRight
                                  : TResizeZone::Bottom;
    case middle:
        break;
    }
    return horizontal == low ? TResizeZone::Left : horizontal == high ? TResizeZone::Right : TResizeZone::None;
}

Qt::Edges ResizeEdges(TResizeZone zone)
{
    switch (zone) {
    case TResizeZone::Left: return Qt::LeftEdge;
    case TResizeZone::Right: return Qt::RightEdge;
    case TResizeZone::Top: return Qt::TopEdge;
    case TResizeZone::Bottom: return Qt::BottomEdge;
    case TResizeZone::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case TResizeZone::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case TResizeZone::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case TResizeZone::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    case TResizeZone::None: break;
    }
    return {};
}

namespace {

// True when `value` lies strictly within `distance` of `edge`.
bool near(int value, int edge, int distance)
{
    return edge - distance < value && value < edge + distance;
}

} // namespace

QPoint SnapToWorkArea(const QRect& window, const QRect& workArea, int distance)
{
    QPoint result = window.topLeft();
    if (distance <= 0)
        return result;
    const int workRight = workArea.left() + workArea.width();
    const int workBottom = workArea.top() + workArea.height();
    if (near(window.top(), workArea.top(), distance))
        result.setY(workArea.top());
    else if (near(window.top() + window.height(), workBottom, distance))
        result.setY(workBottom - window.height());
    if (near(window.left(), workArea.left(), distance))
        result.setX(workArea.left());
    else if (near(window.left() + window.width(), workRight, distance))
        result.setX(workRight - window.width());
    return result;
}

QPoint RelocationOffset(QSize source, const QRect& visible, QSize reference)
{
    // C++ integer division truncates toward zero, as the layout rule wants.
    return {(source.width() - reference.width()) / 2 - visible.left(),
            (source.height() - reference.height()) / 2 - visible.top()};
}

QRegion WindowRoundRegion(int width, int height, bool round)
{
    // QRect(x, y, w, h): the boxes below are written as (left, top)-(right, bottom)
    // with right and bottom exclusive.
    const auto box = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
    if (!round)
        return QRegion(box(0, 0, width, height + 1));
    QRegion region(box(0, 4, width, height - 4));
    region += box(4, 0, width - 4, height);
    region += box(2, 1, width - 2, height - 1);
    region += box(1, 2, width - 1, height - 2);
    return region;
}
