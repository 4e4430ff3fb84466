// Writes the program icon (an SVG and PNGs at the hicolor theme's sizes) and
// the maker's 56 x 56 logo of the about window into a resources folder:
//   pocosa-makeicons <resources-folder>
// Both pictures are described once as a list of shapes in a 256-unit square
// (the logo in a 56-unit one) and rendered from that list, so the SVG and the
// PNGs always show the same drawing.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Shape {
    enum Kind { Circle, RoundRect, Polyline } kind;
    std::vector<QPointF> points; // Circle: centre; RoundRect: top-left, bottom-right; Polyline: vertices
    double radius = 0;           // Circle radius or RoundRect corner radius
    QColor fill;                 // invalid = no fill
    QColor stroke;               // invalid = no outline
    double strokeWidth = 0;
};

// A kitchen timer: a round red body with a knob on top, a cream dial with
// twelve marks and one hand pointing at a quarter past.
std::vector<Shape> timerIcon()
{
    const QColor ink(0x3b, 0x3b, 0x48);
    const QPointF centre(128, 142);
    std::vector<Shape> shapes;
    shapes.push_back({Shape::RoundRect, {{104, 10}, {152, 44}}, 8, ink, {}, 0});
    shapes.push_back({Shape::RoundRect, {{118, 36}, {138, 52}}, 2, ink, {}, 0});
    shapes.push_back({Shape::Circle, {centre}, 104, QColor(0xe4, 0x4d, 0x36), QColor(0x9a, 0x2b, 0x1c), 8});
    shapes.push_back({Shape::Circle, {centre}, 78, QColor(0xff, 0xf7, 0xe8), QColor(0x9a, 0x2b, 0x1c), 4});
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        const double inner = i % 3 == 0 ? 54 : 62;
        const QPointF dir(std::sin(a), -std::cos(a));
        shapes.push_back({Shape::Polyline, {centre + inner * dir, centre + 70 * dir}, 0, {}, ink, i % 3 == 0 ? 9.0 : 6.0});
    }
    shapes.push_back({Shape::Polyline, {centre, centre + QPointF(0, -50)}, 0, {}, ink, 10});
    shapes.push_back({Shape::Polyline, {centre, centre + QPointF(40, 0)}, 0, {}, QColor(0xe4, 0x4d, 0x36), 10});
    shapes.push_back({Shape::Circle, {centre}, 11, ink, {}, 0});
    return shapes;
}

// The maker's mark: a "V" cut out of a teal disc with a small sun above it.
std::vector<Shape> makerLogo()
{
    std::vector<Shape> shapes;
    shapes.push_back({Shape::Circle, {{28, 28}}, 26, QColor(0x1f, 0x6e, 0x8c), {}, 0});
    shapes.push_back({Shape::Polyline, {{15, 19}, {28, 43}, {41, 19}}, 0, {}, Qt::white, 7});
    shapes.push_back({Shape::Circle, {{28, 13}}, 4.5, QColor(0xf2, 0xb1, 0x34), {}, 0});
    return shapes;
}

void render(QPainter& p, const std::vector<Shape>& shapes)
{
    p.setRenderHint(QPainter::Antialiasing);
    for (const Shape& s : shapes) {
        p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
        if (s.stroke.isValid())
            p.setPen(QPen(s.stroke, s.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        else
            p.setPen(Qt::NoPen);
        switch (s.kind) {
        case Shape::Circle:
            p.drawEllipse(s.points[0], s.radius, s.radius);
            break;
        case Shape::RoundRect:
            p.drawRoundedRect(QRectF(s.points[0], s.points[1]), s.radius, s.radius);
            break;
        case Shape::Polyline:
            p.drawPolyline(s.points.data(), int(s.points.size()));
            break;
        }
    }
}

QString colourAttr(const char* name, const QColor& c)
{
    return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), c.isValid() ? c.name() : QStringLiteral("none"));
}

QString svgOf(const std::vector<Shape>& shapes, int size)
{
    QString out;
    QTextStream svg(&out);
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << size << "\" height=\"" << size
        << "\" viewBox=\"0 0 " << size << ' ' << size << "\">\n";
    for (const Shape& s : shapes) {
        QString paint = colourAttr("fill", s.fill) + colourAttr("stroke", s.stroke);
        if (s.stroke.isValid())
            paint += QStringLiteral(" stroke-width=\"%1\" stroke-linecap=\"round\" stroke-linejoin=\"round\"")
                         .arg(s.strokeWidth);
        switch (s.kind) {
        case Shape::Circle:
            svg << "  <circle cx=\"" << s.points[0].x() << "\" cy=\"" << s.points[0].y() << "\" r=\"" << s.radius
                << '"' << paint << "/>\n";
            break;
        case Shape::RoundRect: {
            const QRectF r(s.points[0], s.points[1]);
            svg << "  <rect x=\"" << r.x() << "\" y=\"" << r.y() << "\" width=\"" << r.width() << "\" height=\""
                << r.height() << "\" rx=\"" << s.radius << '"' << paint << "/>\n";
            break;
        }
        case Shape::Polyline:
            svg << "  <polyline points=\"";
            for (std::size_t i = 0; i < s.points.size(); ++i)
                svg << (i ? " " : "") << QString::number(s.points[i].x(), 'f', 2) << ','
                    << QString::number(s.points[i].y(), 'f', 2);
            svg << '"' << paint << "/>\n";
            break;
        }
    }
    svg << "</svg>\n";
    return out;
}

bool writeText(const QString& path, const QString& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(text.toUtf8()) >= 0;
}

bool writeIcon(const QDir& resources)
{
    const std::vector<Shape> shapes = timerIcon();
    const QString scalable = QStringLiteral("icons/hicolor/scalable/apps");
    if (!resources.mkpath(scalable) || !writeText(resources.filePath(scalable + "/pocosa.svg"), svgOf(shapes, 256)))
        return false;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("icons/hicolor/%1x%1/apps").arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.scale(size / 256.0, size / 256.0);
        render(p, shapes);
        p.end();
        if (!resources.mkpath(dir) || !image.save(resources.filePath(dir + "/pocosa.png"), "PNG"))
            return false;
    }
    return true;
}

// 24-bit on white: the about window keys its pictures by the bottom-left
// pixel, so the white surround disappears and the smoothed edges blend into
// the window's white.
bool writeLogo(const QDir& resources)
{
    QImage image(56, 56, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    render(p, makerLogo());
    p.end();
    return resources.mkpath(QStringLiteral("layouts")) &&
           image.save(resources.filePath(QStringLiteral("layouts/FormVersionInfo.Image1.bmp")), "BMP");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources-folder>\n", argv[0]);
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    if (!writeIcon(resources) || !writeLogo(resources)) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
