// Loads pictures exactly as the timer does (decoder chosen by the extension)
// and tells what came out:
//   pocosa-picture info FILE...          one line per file: WIDTHxHEIGHT 24-bit|32-bit
//   pocosa-picture convert FILE OUT.png  the decoded picture as RGB or RGBA PNG
//                                        (OUT.png "-": standard output)
// A file the loaders refuse, or one of an extension no loader reads, prints
// a message on stderr; the exit status is then 1 (2 for a wrong command line).
#include "AtomicFile.h"
#include "FuncGraphicWork.h"
#include "FuncGraphicWorkPixels.h"
#include "Translations.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

void usage()
{
    const QString text = QCoreApplication::translate("pocosa-picture", "usage: pocosa-picture info FILE...\n"
                                                                       "       pocosa-picture convert FILE OUT.png\n");
    std::fputs(text.toUtf8().constData(), stderr);
}

// "FILE: what went wrong" on stderr.
void Report(const QString& file, const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(file), message.toUtf8().constData());
}

// The loaders read nothing, and leave the picture empty, for an extension
// they have no decoder for; a PNG without a header leaves it empty as well.
bool load(TBitmap& picture, const QString& file)
{
    try {
        LoadGraphicFromFile(picture, file);
    } catch (const std::exception& e) {
        Report(file, QString::fromUtf8(e.what()));
        return false;
    }
    static const QStringList decoded = {".bmp", ".png", ".jpg", ".jpeg", ".jpx"};
    if (picture.Empty() && !decoded.contains(PictureExtension(file))) {
        Report(file, QCoreApplication::translate("pocosa-picture", "no picture (no decoder for this extension)"));
        return false;
    }
    if (picture.Empty()) {
        Report(file, QCoreApplication::translate("pocosa-picture", "no picture (0 pixels)"));
        return false;
    }
    return true;
}

QString StandardOutputName()
{
    return QCoreApplication::translate("pocosa-picture", "standard output");
}

// A failed write (a full disk) leaves the stream's error flag.
bool FlushStandardOutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    Report(StandardOutputName(), QCoreApplication::translate("pocosa-picture", "cannot write"));
    return false;
}

int info(const QStringList& files)
{
    int status = 0;
    for (const QString& file : files) {
        TBitmap picture;
        if (!load(picture, file)) {
            status = 1;
            continue;
        }
        std::printf("%dx%d %s\n", picture.Width(), picture.Height(),
                    picture.PixelFormat() == pf32bit ? "32-bit" : "24-bit");
    }
    return FlushStandardOutput() ? status : 1;
}

// The file is replaced in one step once the whole PNG is on the disk; "-" is
// standard output.
bool WritePng(const QByteArray& png, const QString& out)
{
    if (out == QLatin1String("-"))
        return std::fwrite(png.constData(), 1, std::size_t(png.size()), stdout) == std::size_t(png.size()) &&
               FlushStandardOutput();
    TAtomicFile file(out);
    if (file.Open() && file.Write(png) && file.Commit())
        return true;
    Report(out, QCoreApplication::translate("pocosa-picture", "cannot write: %1").arg(file.ErrorString()));
    return false;
}

// Whether a PNG file carries a transparency chunk (tRNS) before its image
// data. The decoder gives such a picture as 24-bit and the window shows it
// with its surround keyed out; a damaged chunk list simply answers no.
bool HasTransparencyChunk(const QString& file)
{
    QFile png(file);
    if (!png.open(QIODevice::ReadOnly) || png.read(8) != QByteArray("\x89PNG\r\n\x1a\n", 8))
        return false;
    for (;;) {
        const QByteArray head = png.read(8);
        if (head.size() != 8)
            return false;
        const quint32 length = (quint32(quint8(head[0])) << 24) | (quint32(quint8(head[1])) << 16) |
                               (quint32(quint8(head[2])) << 8) | quint32(quint8(head[3]));
        const QByteArray type = head.mid(4);
        if (type == "tRNS")
            return true;
        if (type == "IDAT" || type == "IEND" || length > 0x7fffffffu || !png.seek(png.pos() + length + 4))
            return false;
    }
}

// 32-bit pictures keep their straight alpha (ARGB32 is not premultiplied);
// 24-bit ones are written without an alpha channel, but for a PNG whose
// transparency the decoder leaves to the window: that one is written keyed
// as the window shows it.
int convert(const QString& file, const QString& out)
{
    TBitmap picture;
    if (!load(picture, file))
        return 1;
    if (picture.PixelFormat() == pf24bit && PictureExtension(file) == QLatin1String(".png") &&
        HasTransparencyChunk(file)) {
        picture.SetPixelFormat(pf32bit);
        MakeAlphaByColorKey(picture, 255);
    }
    const QImage image = picture.PixelFormat() == pf32bit
                             ? picture.ToImage().convertToFormat(QImage::Format_ARGB32)
                             : picture.ToImage().convertToFormat(QImage::Format_RGB888);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        Report(out, QCoreApplication::translate("pocosa-picture", "cannot write"));
        return 1;
    }
    return WritePng(png, out) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::unique_ptr<TTranslations> translations = InstallUserLanguage();
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() >= 2 && args[0] == QLatin1String("info"))
        return info(args.mid(1));
    if (args.size() == 3 && args[0] == QLatin1String("convert"))
        return convert(args[1], args[2]);
    usage();
    return 2;
}
