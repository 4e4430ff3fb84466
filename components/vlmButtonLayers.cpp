// The overlay, caption and rim layers of the face renderer. Shapes are drawn
// with the work bitmap's painter (antialiasing off, boxes right/bottom
// exclusive) and reduced 2:1 by the fused loops of vlmButtonKernels.

#include "vlmButton.h"
#include "vlmButtonKernels.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace {

QColor ToQColor(TColor c)
{
    const auto u = std::uint32_t(c);
    return QColor(int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF));
}

QColor Grey(int weight) { return QColor(weight, weight, weight); }

// A box given by its four edges, right and bottom exclusive.
QRect Box(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)); }

// The parametric angle, in sixteenths of a degree, of the ray from the
// box's centre through p, on the ellipse inscribed in the box.
double RayAngle16(const QRect& box, QPoint p)
{
    const double a = (box.width()) / 2.0, b = (box.height()) / 2.0;
    const double cx = box.left() + a, cy = box.top() + b;
    return std::atan2(-(p.y() - cy) * a, (p.x() - cx) * b) * (180.0 / M_PI) * 16.0;
}

void ClearWork(TBitmap& work)
{
    std::memset(work.ScanLine(0), 0, std::size_t(work.BytesPerLine()) * std::size_t(work.Height()));
}

} // namespace

// The platform's Ellipse: pen centred on the outline of the inscribed ellipse, brush inside.
void TvlmBtnDraw::GdiEllipse(const QRect& box)
{
    if (box.width() < 1 || box.height() < 1)
        return;
    painter_->drawEllipse(QRect(box.topLeft(), QSize(box.width() - 1, box.height() - 1)));
}

// The platform's Arc: counter-clockwise from the ray through rim point
// `from` to the ray through rim point `to` (indexes 1..12).
void TvlmBtnDraw::GdiArc(const QRect& box, int from, int to)
{
    if (box.width() < 2 || box.height() < 2)
        return;
    const double start = RayAngle16(box, rimPoints_[std::size_t(from - 1)]);
    double span = RayAngle16(box, rimPoints_[std::size_t(to - 1)]) - start;
    while (span <= 0)
        span += 360.0 * 16;
    while (span > 360.0 * 16)
        span -= 360.0 * 16;
    painter_->drawArc(QRect(box.topLeft(), QSize(box.width() - 1, box.height() - 1)), int(std::lround(start)),
                      int(std::lround(span)));
}

void TvlmBtnDraw::LayBaseFace()
{
    if (workBitmap_.Empty())
        return;
    QPainter& p = Painter();
    const int l = faceRect_.left(), t = faceRect_.top(), r = faceRect_.right() + 1, b = faceRect_.bottom() + 1;
    p.fillRect(workRect_, ToQColor(backColor_));
    p.setPen(QPen(ToQColor(MixColor(color_, backColor_, 128)), 1));
    p.setBrush(ToQColor(color_));
    if (style_ == bsCircle)
        GdiEllipse(Box(l + 2, t + 2, r - 2, b - 2));
    else
        p.fillRect(Box(l + 4, t + 4, r - 4, b - 4), ToQColor(color_));
    vlmbtn::CopyKeyedHalf(workBitmap_, backBitmap_);
}

void TvlmBtnDraw::DrawOverlay()
{
    if (overDrawAlpha_ == 0 || workBitmap_.Empty())
        return;
    const int k = 2 * focusLineWidth_ + 3;
    TColor ring = color_, disc = color_;
    switch (state_) {
    case bdOver: ring = colorOver_; break;
    case bdFocus: ring = colorFocus_; break;
    case bdDown:
        ring = MixColor(colorOver_, colorDown_, 200);
        disc = MixColor(color_, colorDown_, 200);
        break;
    default: break;
    }
    QPainter& p = Painter();
    const int l = faceRect_.left(), t = faceRect_.top(), r = faceRect_.right() + 1, b = faceRect_.bottom() + 1;
    p.fillRect(workRect_, ToQColor(backColor_));
    if (style_ == bsCircle) {
        p.setPen(QPen(ToQColor(MixColor(ring, backColor_, 128)), 2));
        p.setBrush(ToQColor(ring));
        GdiEllipse(Box(l + 2, t + 2, r - 2, b - 2));
        p.setPen(QPen(ToQColor(ring), 2));
        p.setBrush(ToQColor(disc));
        GdiEllipse(Box(l + k, t + k, r - k, b - k));
    } else {
        p.fillRect(Box(l + 4, t + 4, r - 4, b - 4), ToQColor(ring));
        p.fillRect(Box(l + k, t + k, r - k - 2, b - k - 2), ToQColor(disc));
    }
    vlmbtn::BlendOverlay(workBitmap_, ramp_, faceBitmap_, overDrawType_);
}

void TvlmBtnDraw::DrawCaption()
{
    if (caption_.isEmpty() || workBitmap_.Empty())
        return;
    const bool disabled = state_ == bdDisabled;
    const TColor textColour = disabled ? GrayedColor(fontColor_) : fontColor_;
    BuildCaptionMask(disabled ? Grey(223) : Grey(255));
    if (textEmboss_)
        vlmbtn::EmbossByMask(faceBitmap_, mask_);
    vlmbtn::PaintColorByMask(faceBitmap_, mask_, textColour);
}

void TvlmBtnDraw::BuildCaptionMask(const QColor& ink)
{
    QString text = caption_;
    text.replace(QLatin1Char('\\'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast(); // a break at the very end adds no empty line
    const int n = int(lines.size());
    const int w = faceBitmap_.Width(), h = faceBitmap_.Height();

    ClearWork(workBitmap_);
    QFont font = font_;
    // Coverage only matters in the blue byte; subpixel smoothing would skew it.
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    if (textAntialiasing_) {
        // Outlines fitted to a pixel grid that is halved afterwards gain
        // nothing, and fitting them costs the font engine a few hundred KiB.
        font.setHintingPreference(QFont::PreferNoHinting);
        if (font.pixelSize() > 0)
            font.setPixelSize(2 * font.pixelSize());
        else
            font.setPointSizeF(2 * font.pointSizeF());
    }
    QPainter& p = Painter();
    p.setFont(font);
    p.setPen(ink);
    p.setBrush(Qt::NoBrush);
    int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    flags |= alignment_ == taLeftJustify ? Qt::AlignLeft : (alignment_ == taRightJustify ? Qt::AlignRight
                                                                                          : Qt::AlignHCenter);
    const int fontHeight = QFontMetrics(font).height();
    if (textAntialiasing_) {
        const int lh = fontHeight + 2;
        const int top = (2 * h - n * lh) / 2;
        for (int i = 0; i < n; ++i)
            p.drawText(Box(0, top + i * lh - 1, 2 * w - 2, top + (i + 1) * lh - 1), flags, lines[i]);
        vlmbtn::HalveMask(workBitmap_, mask_, w, h);
    } else {
        const int lh = fontHeight + 1;
        const int top = (h - n * lh) / 2 + 1;
        for (int i = 0; i < n; ++i)
            p.drawText(Box(1, top + i * lh, w, top + (i + 1) * lh), flags, lines[i]);
        vlmbtn::QuarterMask(workBitmap_, mask_, w, h);
    }
}

void TvlmBtnDraw::DrawRim()
{
    if (workBitmap_.Empty())
        return;
    DrawRimShadow();
    vlmbtn::PaintColorByHalvedMask(faceBitmap_, workBitmap_, state_ == bdDisabled ? 0x00606060 : 0);
    if (flat_)
        return;
    DrawRimHighlight();
    vlmbtn::PaintColorByHalvedMask(faceBitmap_, workBitmap_, state_ == bdDisabled ? 0x00C0C0C0 : 0x00FFFFFF);
}

namespace {

struct ArcRow {
    int grey;
    int inset;
    int from;
    int to;
};

// Shadow arcs: darkening along the outer edge of the upper-left half and the
// inner edge of the lower-right half.
constexpr ArcRow kShadowArcs[] = {
    {0x20, 1, 2, 7}, {0x40, 1, 1, 8}, {0x40, 0, 1, 8}, {0x20, 5, 10, 11}, {0x40, 6, 8, 1}, {0x80, 5, 8, 1},
};

// Highlight arcs: light along the outer edge of the lower-right half and the
// inner edge of the upper-left half, strongest on the diagonals.
constexpr ArcRow kHighlightArcs[] = {
    {0x40, 0, 9, 12}, {0x60, 2, 7, 2},  {0x60, 0, 6, 3},  {0x80, 0, 5, 4},
    {0x40, 6, 3, 6},  {0x60, 5, 2, 7}, {0x60, 6, 12, 9}, {0x70, 5, 11, 10},
};

// A line from (x1, y1) to (x2, y2) without its end point; the rim's lines
// are all horizontal or vertical.
void GdiLine(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    if (x1 == x2 && y2 > y1)
        p.fillRect(QRect(x1, y1, 1, y2 - y1), c);
    else if (y1 == y2 && x2 > x1)
        p.fillRect(QRect(x1, y1, x2 - x1, 1), c);
}

} // namespace

void TvlmBtnDraw::DrawRimShadow()
{
    ClearWork(workBitmap_);
    QPainter& p = Painter();
    p.setBrush(Qt::NoBrush);
    const int l = faceRect_.left(), t = faceRect_.top(), r = faceRect_.right() + 1, b = faceRect_.bottom() + 1;
    if (style_ == bsCircle) {
        if (!flat_) {
            for (const ArcRow& a : kShadowArcs) {
                p.setPen(QPen(Grey(a.grey), 1));
                GdiArc(Box(l + a.inset, t + a.inset, r - a.inset, b - a.inset), a.from, a.to);
            }
        }
        p.setPen(QPen(Qt::white, 3));
        GdiEllipse(Box(l + 3, t + 3, r - 3, b - 3));
    } else {
        if (!flat_) {
            const QColor g = Grey(0x80);
            GdiLine(p, l, t + 2, l, b - 3, g);
            GdiLine(p, l + 2, t, r - 3, t, g);
            GdiLine(p, l + 5, b - 5, r - 5, b - 5, g);
            GdiLine(p, r - 5, t + 5, r - 5, b - 5, g);
        }
        // Rounded rectangle (l + 2, t + 2, r - 3, b - 3) with 2 x 2 corners:
        // the outline without its four corner pixels.
        const int x1 = l + 2, y1 = t + 2, x2 = r - 4, y2 = b - 4;
        GdiLine(p, x1 + 1, y1, x2, y1, Qt::white);
        GdiLine(p, x1 + 1, y2, x2, y2, Qt::white);
        GdiLine(p, x1, y1 + 1, x1, y2, Qt::white);
        GdiLine(p, x2, y1 + 1, x2, y2, Qt::white);
    }
}

void TvlmBtnDraw::DrawRimHighlight()
{
    ClearWork(workBitmap_);
    QPainter& p = Painter();
    p.setBrush(Qt::NoBrush);
    const int l = faceRect_.left(), t = faceRect_.top(), r = faceRect_.right() + 1, b = faceRect_.bottom() + 1;
    if (style_ == bsCircle) {
        for (const ArcRow& a : kHighlightArcs) {
            p.setPen(QPen(Grey(a.grey), 1));
            GdiArc(Box(l + a.inset, t + a.inset, r - a.inset, b - a.inset), a.from, a.to);
        }
    } else {
        const QColor g = Grey(0x80);
        GdiLine(p, r - 1, t + 5, r - 1, b - 3, g);
        GdiLine(p, l + 5, b - 1, r - 3, b - 1, g);
        GdiLine(p, l + 5, t + 5, r - 5, t + 5, g);
        GdiLine(p, l + 5, t + 5, l + 5, b - 5, g);
    }
}
