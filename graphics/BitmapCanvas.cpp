// TCanvas: the drawing surface of a TBitmap, a QPainter on a QImage that
// views the bitmap's own memory. A 32-bit bitmap is viewed as RGB32, so that
// drawing mixes colours only (as the program's masks expect) and makes the
// painted pixels opaque.

#include "Bitmap.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

struct SystemColour {
    QPalette::ColorRole role;
    QRgb fallback; // used without a GUI application
};

// Index = the low byte of a system colour constant (the Windows COLOR_ numbers).
constexpr SystemColour kSystemColours[] = {
    {QPalette::Window, 0xC8C8C8},          // scroll bar
    {QPalette::Window, 0x000000},          // desktop
    {QPalette::Highlight, 0x99B4D1},       // active caption
    {QPalette::Window, 0xBFCDDB},          // inactive caption
    {QPalette::Window, 0xF0F0F0},          // menu
    {QPalette::Base, 0xFFFFFF},            // window
    {QPalette::Shadow, 0x646464},          // window frame
    {QPalette::WindowText, 0x000000},      // menu text
    {QPalette::Text, 0x000000},            // window text
    {QPalette::HighlightedText, 0x000000}, // caption text
    {QPalette::Mid, 0xB4B4B4},             // active border
    {QPalette::Mid, 0xF4F7FC},             // inactive border
    {QPalette::Dark, 0xABABAB},            // application workspace
    {QPalette::Highlight, 0x0078D7},       // highlight
    {QPalette::HighlightedText, 0xFFFFFF}, // highlight text
    {QPalette::Button, 0xF0F0F0},          // button face
    {QPalette::Dark, 0xA0A0A0},            // button shadow
    {QPalette::PlaceholderText, 0x6D6D6D}, // grey text
    {QPalette::ButtonText, 0x000000},      // button text
    {QPalette::Text, 0x000000},            // inactive caption text
    {QPalette::Light, 0xFFFFFF},           // button highlight
    {QPalette::Shadow, 0x696969},          // 3-D dark shadow
    {QPalette::Midlight, 0xE3E3E3},        // 3-D light
    {QPalette::ToolTipText, 0x000000},     // tool-tip text
    {QPalette::ToolTipBase, 0xFFFFE1},     // tool-tip background
};

QColor resolveColour(TColor c)
{
    const auto bits = std::uint32_t(c);
    if ((bits >> 24) == 0xFF) {
        const std::uint32_t index = bits & 0xFF;
        const SystemColour& sc = kSystemColours[index < std::size(kSystemColours) ? index : 15];
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return QGuiApplication::palette().color(QPalette::Active, sc.role);
        return QColor::fromRgb(sc.fallback);
    }
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

// A box as given, with its corners put in order.
QRect normalBox(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
}

// The box shrunk by one on the right and bottom: Qt outlines a QRect one
// pixel wider and higher than it is.
QRect outlineBox(const QRect& box)
{
    return QRect(box.left(), box.top(), box.width() - 1, box.height() - 1);
}

int textFlags(unsigned format)
{
    int flags = 0;
    if (format & tfCenter)
        flags |= Qt::AlignHCenter;
    else if (format & tfRight)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    // Vertical placement applies to single lines only, as in the flags' origin.
    if ((format & tfSingleLine) && (format & tfVerticalCenter))
        flags |= Qt::AlignVCenter;
    else if ((format & tfSingleLine) && (format & tfBottom))
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    if (format & tfSingleLine)
        flags |= Qt::TextSingleLine;
    if (format & tfWordBreak)
        flags |= Qt::TextWordWrap;
    if (!(format & tfNoPrefix))
        flags |= Qt::TextShowMnemonic;
    if (format & tfNoClip)
        flags |= Qt::TextDontClip;
    return flags;
}

} // namespace

TCanvas::TCanvas(TBitmap& owner) : owner_(owner) {}

TCanvas::~TCanvas()
{
    Release();
}

void TCanvas::Release()
{
    if (painter_) {
        painter_->end();
        delete painter_;
        painter_ = nullptr;
    }
    view_ = QImage();
}

QPainter* TCanvas::painter()
{
    if (painter_)
        return painter_;
    if (owner_.Empty())
        return nullptr;
    view_ = QImage(owner_.ScanLine(0), owner_.Width(), owner_.Height(), owner_.BytesPerLine(),
                   owner_.PixelFormat() == pf32bit ? QImage::Format_RGB32 : QImage::Format_BGR888);
    painter_ = new QPainter(&view_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    return painter_;
}

void TCanvas::applyPen(QPainter& p, bool outline) const
{
    if (!outline || PenStyle == psClear) {
        p.setPen(Qt::NoPen);
        return;
    }
    p.setPen(QPen(resolveColour(PenColor), std::max(PenWidth, 1), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
}

void TCanvas::applyBrush(QPainter& p) const
{
    if (BrushStyle == bsClear)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(resolveColour(BrushColor));
}

void TCanvas::MoveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint from(penX_, penY_), to(x, y);
    penX_ = x;
    penY_ = y;
    QPainter* p = painter();
    if (!p || PenStyle == psClear || from == to)
        return;
    if (PenWidth <= 1) {
        plotThinLine(from, to);
        return;
    }
    // A flat cap ends the stroke at the end point instead of covering it.
    applyPen(*p, true);
    p->drawLine(from, to);
}

// A one-pixel line stepped from its start, leaving out the end point. The
// toolkit's thin lines are drawn in a fixed direction and so drop whichever end
// lies further right or down; this keeps the start and drops the end, always.
void TCanvas::plotThinLine(QPoint from, QPoint to)
{
    const QColor c = resolveColour(PenColor);
    const std::uint8_t bytes[4] = {std::uint8_t(c.blue()), std::uint8_t(c.green()), std::uint8_t(c.red()), 255};
    const int bpp = owner_.BytesPerPixel();
    const std::int64_t dx = std::abs(std::int64_t(to.x()) - from.x()), dy = -std::abs(std::int64_t(to.y()) - from.y());
    const int sx = from.x() < to.x() ? 1 : -1, sy = from.y() < to.y() ? 1 : -1;
    std::int64_t err = dx + dy;
    std::int64_t px = from.x(), py = from.y();
    // Steps beyond the bitmap in the line's direction can never come back in.
    for (std::int64_t steps = std::max(dx, -dy); steps > 0; --steps) {
        if (px >= 0 && py >= 0 && px < owner_.Width() && py < owner_.Height())
            std::memcpy(owner_.ScanLine(int(py)) + px * bpp, bytes, std::size_t(bpp));
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    QPainter* p = painter();
    const QRect box = normalBox(x1, y1, x2, y2);
    if (!p || box.isEmpty())
        return;
    if (PenStyle == psClear) {
        // Without a pen the filled area is one pixel smaller on the right and bottom.
        if (BrushStyle == bsSolid)
            p->fillRect(outlineBox(box), resolveColour(BrushColor));
        return;
    }
    applyPen(*p, true);
    applyBrush(*p);
    p->drawRect(outlineBox(box));
}

void TCanvas::FillRect(const TRect& r)
{
    QPainter* p = painter();
    if (!p || BrushStyle == bsClear || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), resolveColour(BrushColor));
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    QPainter* p = painter();
    const QRect box = normalBox(x1, y1, x2, y2);
    if (!p || box.isEmpty())
        return;
    applyPen(*p, true);
    applyBrush(*p);
    p->drawEllipse(outlineBox(box));
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    QPainter* p = painter();
    const QRect box = normalBox(x1, y1, x2, y2);
    if (!p || box.isEmpty() || PenStyle == psClear)
        return;
    // Rays through the two points become parametric angles on the ellipse
    // (counter-clockwise from three o'clock, screen y pointing down).
    const double a = box.width() / 2.0, b = box.height() / 2.0;
    const QPointF centre(box.left() + a, box.top() + b);
    const auto angle = [&](int px, int py) {
        const double deg = std::atan2(-(py - centre.y()) * a, (px - centre.x()) * b) * 180.0 / std::numbers::pi;
        return deg < 0 ? deg + 360.0 : deg;
    };
    const double start = angle(x3, y3);
    double span = angle(x4, y4) - start;
    if (span <= 0)
        span += 360.0;
    applyPen(*p, true);
    p->setBrush(Qt::NoBrush);
    if (span >= 360.0) {
        p->drawEllipse(outlineBox(box));
        return;
    }
    // The arc is the ellipse's own outline cut by the sector between the two
    // rays, so arcs and ellipses in one box meet pixel for pixel. The sector is
    // an arc of the same ellipse scaled up: its edges are the rays themselves.
    QPainterPath sector(centre);
    sector.arcTo(QRectF(centre.x() - 4 * a, centre.y() - 4 * b, 8 * a, 8 * b), start, span);
    sector.closeSubpath();
    p->save();
    p->setClipPath(sector);
    p->drawEllipse(outlineBox(box));
    p->restore();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    QPainter* p = painter();
    const QRect box = normalBox(x1, y1, x2, y2);
    if (!p || box.isEmpty())
        return;
    applyPen(*p, true);
    applyBrush(*p);
    p->drawRoundedRect(outlineBox(box), std::abs(cornerWidth) / 2.0, std::abs(cornerHeight) / 2.0, Qt::AbsoluteSize);
}

QSize TCanvas::TextExtent(const QString& text) const
{
    const QFontMetrics fm(Font);
    return QSize(fm.horizontalAdvance(text), fm.height());
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    const QSize extent = TextExtent(text);
    penX_ = x + extent.width();
    penY_ = y;
    QPainter* p = painter();
    if (!p || text.isEmpty())
        return;
    if (BrushStyle == bsSolid)
        p->fillRect(QRect(QPoint(x, y), extent), resolveColour(BrushColor));
    p->setFont(Font);
    p->setPen(resolveColour(FontColor));
    p->drawText(QPoint(x, y + QFontMetrics(Font).ascent()), text);
}

int TCanvas::DrawText(const QString& text, TRect& r, unsigned format)
{
    const int flags = textFlags(format);
    const QRect box(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
    if (format & tfCalcRect) {
        // Measuring needs no pixels: an unbounded box leaves single lines unwrapped.
        const QFontMetrics fm(Font);
        const int width = (format & tfWordBreak) ? box.width() : 1 << 20;
        const QRect bounds = fm.boundingRect(QRect(r.Left, r.Top, width, 1 << 20), flags & ~Qt::AlignVertical_Mask,
                                             text);
        r.Right = r.Left + bounds.width();
        r.Bottom = r.Top + bounds.height();
        return bounds.height();
    }
    QPainter* p = painter();
    if (!p)
        return 0;
    p->setFont(Font);
    const QRect bounds = p->boundingRect(box, flags, text);
    if (BrushStyle == bsSolid)
        p->fillRect((flags & Qt::TextDontClip) ? bounds : bounds.intersected(box), resolveColour(BrushColor));
    p->setPen(resolveColour(FontColor));
    p->drawText(box, flags, text);
    return bounds.height();
}

TColor TCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= owner_.Width() || y >= owner_.Height())
        return -1;
    const std::uint8_t* px = owner_.ScanLine(y) + std::size_t(x) * std::size_t(owner_.BytesPerPixel());
    return TColor(px[2] | (px[1] << 8) | (px[0] << 16));
}
