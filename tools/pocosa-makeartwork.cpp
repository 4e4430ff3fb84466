// Writes the built-in background picture and the sample background pictures
// into a resources folder:
//   pocosa-makeartwork <resources-folder>
// giving RC_DATA/BGPICTURE (PNG) and backimage/{mint.png,walnut.jpg,lemon.bmp}.
//
// Every picture is laid out for the timer window: its controls sit 5 pixels
// right of and 2 pixels below their layout positions, the four digits over the
// top band (layout x 5..113, y -4..44) and the five round buttons below.
//
// BGPICTURE is written by our own PNG encoder so that its form is fixed:
// truecolour without alpha, rows filtered Sub, Up and Paeth in turn, the image
// data split into two IDAT chunks. Its surround is the 32 corner pixels in the
// colour of the top-left pixel (8 per corner), which the window keys away;
// that colour occurs nowhere else, so every row stays one opaque run.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <zlib.h>

#include <jpeglib.h>

namespace {

constexpr QPoint kControlOffset(5, 2);
constexpr QRgb kSurround = 0xFF191919; // red, green, blue 25

// Button rectangles of the layout, moved onto the picture.
QRect button(int x, int y, int w, int h)
{
    return QRect(QPoint(x, y) + kControlOffset, QSize(w, h));
}

const QRect kButtons[] = {button(0, 48, 34, 28), button(86, 48, 34, 28), button(28, 56, 64, 52),
                          button(0, 88, 34, 28), button(86, 89, 34, 28)};

struct Palette {
    QColor bezel, bodyTop, bodyBottom, panelTop, panelBottom, panelRim, well;
};

// The digit panel: light, so the dark digits read well, with an inset rim.
void drawPanel(QPainter& p, const QRectF& r, const Palette& c)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.panelTop);
    g.setColorAt(1, c.panelBottom);
    p.setPen(QPen(c.panelRim, 1.2));
    p.setBrush(g);
    p.drawRoundedRect(r, 7, 7);
    p.setPen(QPen(QColor(0, 0, 0, 34), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
}

// A soft shadowed seat under each round button.
void drawWells(QPainter& p, const Palette& c)
{
    p.setPen(Qt::NoPen);
    for (const QRect& b : kButtons) {
        const QRectF r = QRectF(b).adjusted(-1.5, -1.0, 1.5, 2.5);
        QRadialGradient g(r.center() + QPointF(0, 1), r.width() / 2);
        g.setColorAt(0.80, c.well);
        g.setColorAt(1.0, QColor(c.well.red(), c.well.green(), c.well.blue(), 0));
        p.setBrush(g);
        p.drawEllipse(r);
    }
}

// The body: a rounded slab with a vertical gradient, a gloss over its upper
// half and a thin light edge inside the dark bezel.
void drawBody(QPainter& p, const QRectF& r, double radius, const Palette& c)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.bodyTop);
    g.setColorAt(1, c.bodyBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, radius, radius);
    QLinearGradient gloss(r.topLeft(), QPointF(r.left(), r.top() + r.height() * 0.6));
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

void drawFace(QPainter& p, const QRectF& body, double radius, const Palette& c)
{
    p.setRenderHint(QPainter::Antialiasing);
    drawBody(p, body, radius, c);
    drawPanel(p, QRectF(8.5, 3.5, 113, 44), c);
    drawWells(p, c);
}

// Pixels cut off at each corner, per row from the corner inwards: 4 + 2 + 1 + 1.
constexpr int kCornerCut[] = {4, 2, 1, 1};

bool inCorner(int x, int y, int w, int h)
{
    const int row = std::min(y, h - 1 - y);
    if (row >= int(std::size(kCornerCut)))
        return false;
    const int col = std::min(x, w - 1 - x);
    return col < kCornerCut[row];
}

QImage backgroundPicture()
{
    const Palette c{QColor(70, 44, 38),    QColor(236, 104, 80),  QColor(190, 62, 48), QColor(255, 252, 242),
                    QColor(238, 231, 214), QColor(150, 64, 50), QColor(110, 30, 20, 90)};
    QImage image(130, 124, QImage::Format_RGB32);
    image.fill(c.bezel);
    QPainter p(&image);
    drawFace(p, QRectF(1, 1, 128, 122), 5, c);
    p.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (inCorner(x, y, image.width(), image.height()))
                image.setPixel(x, y, kSurround);
            else if (image.pixel(x, y) == kSurround)
                image.setPixel(x, y, 0xFF1A1919); // keep the key colour unique
        }
    return image;
}

// --- PNG encoder -----------------------------------------------------------

void putBe32(QByteArray& out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

void putChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    putBe32(out, quint32(data.size()));
    QByteArray body(type, 4);
    body += data;
    out += body;
    putBe32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

int paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Rows filtered Sub, Up, Paeth, Sub, ... (filter types 1, 2, 4).
QByteArray filteredRows(const QImage& rgb)
{
    const int bpp = 3, rowBytes = rgb.width() * bpp;
    const QByteArray zeros(rowBytes, '\0');
    QByteArray out;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* cur = rgb.constScanLine(y);
        const auto* up = y > 0 ? rgb.constScanLine(y - 1) : reinterpret_cast<const uchar*>(zeros.constData());
        static constexpr int kTypes[] = {1, 2, 4};
        const int type = kTypes[y % 3];
        out.append(char(type));
        for (int i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? cur[i - bpp] : 0, b = up[i], c = i >= bpp ? up[i - bpp] : 0;
            const int predictor = type == 1 ? a : type == 2 ? b : paeth(a, b, c);
            out.append(char(cur[i] - predictor));
        }
    }
    return out;
}

QByteArray encodePng(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const QByteArray raw = filteredRows(rgb);
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray z(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
                  uLong(raw.size()), 9) != Z_OK)
        return {};
    z.resize(qsizetype(size));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    putBe32(header, quint32(rgb.width()));
    putBe32(header, quint32(rgb.height()));
    header.append(char(8)).append(char(2)).append(char(0)).append(char(0)).append(char(0));
    putChunk(png, "IHDR", header);
    const qsizetype half = z.size() / 2;
    putChunk(png, "IDAT", z.left(half));
    putChunk(png, "IDAT", z.mid(half));
    putChunk(png, "IEND", {});
    return png;
}

// --- JPEG encoder ----------------------------------------------------------

// JPEG at full chroma resolution: Qt's writer always halves the chroma, which
// blends colours across blocks. An error of libjpeg ends the tool.
QByteArray encodeJpeg(const QImage& image, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i)
        cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

// --- sample pictures -------------------------------------------------------

// Mint pebble with a soft alpha edge (32-bit PNG, taken by its alpha).
QImage mintSample()
{
    const Palette c{QColor(40, 96, 84),    QColor(170, 228, 206), QColor(84, 168, 146), QColor(250, 255, 252),
                    QColor(226, 242, 236), QColor(60, 130, 112), QColor(20, 80, 64, 80)};
    QImage image(132, 126, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(c.bezel);
    p.drawRoundedRect(QRectF(0.5, 0.5, 131, 125), 22, 22);
    drawFace(p, QRectF(2, 2, 128, 122), 20, c);
    return image;
}

// Walnut board with a grain on black (24-bit JPEG; keyed by its top-left
// colour). JPEG keeps a colour exact only in a block of 8 x 8 pixels that
// holds nothing else, so the black surround is made of whole blocks (the
// corners cut in steps of 8 pixels, the partial blocks at the right and
// bottom edges), the file is written without chroma subsampling, and the
// board's colours stay far from black: after decoding, the surround and
// nothing else is in the key colour.
constexpr int kJpegBlock = 8;

bool inWalnutSurround(int x, int y)
{
    const int bx = x / kJpegBlock, by = y / kJpegBlock;
    constexpr int kLastX = 15, kLastY = 14; // the board's last whole blocks
    if (bx > kLastX || by > kLastY)
        return true;
    const int col = std::min(bx, kLastX - bx), row = std::min(by, kLastY - by);
    return (row == 0 && col <= 1) || (row == 1 && col == 0);
}

QImage walnutSample()
{
    QImage image(130, 124, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double grain = std::sin(x * 0.21 + 3.0 * std::sin(y * 0.045) + 0.6 * std::sin(x * 0.9 + y * 0.3));
            const double v = 0.5 + 0.5 * grain;
            image.setPixel(x, y, qRgb(int(96 + 44 * v), int(60 + 30 * v), int(36 + 18 * v)));
        }
    const Palette c{QColor(60, 36, 20),    QColor(0, 0, 0, 0),  QColor(0, 0, 0, 0), QColor(255, 250, 236),
                    QColor(236, 224, 198), QColor(80, 50, 30), QColor(30, 16, 6, 110)};
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A dark rim rounds the stepped corners off.
    QPainterPath rim;
    rim.addRect(QRectF(0, 0, 128, 120));
    QPainterPath board;
    board.addRoundedRect(QRectF(2.5, 2.5, 123, 115), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(c.bezel);
    p.drawPath(rim.subtracted(board));
    drawPanel(p, QRectF(8.5, 5.5, 111, 42), c);
    drawWells(p, c);
    p.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (inWalnutSurround(x, y))
                image.setPixel(x, y, qRgb(0, 0, 0));
    return image;
}

// Lemon cushion on magenta (24-bit BMP): the surround is pure magenta and
// the edge is hard, so keying by the top-left colour leaves no pink fringe.
QImage lemonSample()
{
    const Palette c{QColor(120, 90, 10),   QColor(255, 236, 120), QColor(236, 190, 40), QColor(255, 255, 246),
                    QColor(246, 240, 214), QColor(150, 120, 30), QColor(120, 80, 0, 90)};
    const QRectF cushion(1, 0, 128, 126);
    constexpr double radius = 24;
    QImage shape(130, 126, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    QPainter m(&shape);
    m.setPen(Qt::NoPen);
    m.setBrush(Qt::black);
    m.drawRoundedRect(cushion, radius, radius);
    m.end();

    QImage image(130, 126, QImage::Format_RGB32);
    image.fill(c.bezel);
    QPainter p(&image);
    QPainterPath clip;
    clip.addRoundedRect(cushion.adjusted(2, 2, -2, -2), radius - 2, radius - 2);
    p.setClipPath(clip);
    drawFace(p, cushion, radius, c);
    p.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(shape.pixel(x, y)) < 128)
                image.setPixel(x, y, qRgb(255, 0, 255));
    return image;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    return !bytes.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources-folder>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const bool ok = dir.mkpath(QStringLiteral("RC_DATA")) && dir.mkpath(QStringLiteral("backimage")) &&
                    writeBytes(dir.filePath(QStringLiteral("RC_DATA/BGPICTURE")), encodePng(backgroundPicture())) &&
                    mintSample().save(dir.filePath(QStringLiteral("backimage/mint.png")), "PNG") &&
                    writeBytes(dir.filePath(QStringLiteral("backimage/walnut.jpg")), encodeJpeg(walnutSample(), 90)) &&
                    lemonSample().convertToFormat(QImage::Format_RGB888).save(
                        dir.filePath(QStringLiteral("backimage/lemon.bmp")), "BMP");
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
