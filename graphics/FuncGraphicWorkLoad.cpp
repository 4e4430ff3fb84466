#include "FuncGraphicWorkLoad.h"

#include "FuncGraphicWorkPng.h"
#include "ShellFileUtils.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>

QString PictureExtension(const QString& Name)
{
    const qsizetype slash = Name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = Name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return Name.mid(dot).toLower();
}

void LoadGraphicFromStream(TBitmap& Picture, const QString& Name, QIODevice& Stream)
{
    const QString ext = PictureExtension(Name);
    if (ext == QLatin1String(".bmp"))
        LoadBmpFromStream(Picture, Stream);
    else if (ext == QLatin1String(".png"))
        LoadPngFromStream(Picture, Stream);
    else if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        LoadJpegFromStream(Picture, Stream);
    else if (ext == QLatin1String(".jpx"))
        LoadJpxFromStream(Picture, Stream);
}

void LoadGraphicFromFile(TBitmap& Picture, const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileOpenError(FileOpenFailureText(FileName, file.errorString()).toStdString());
    LoadGraphicFromStream(Picture, FileName, file);
}

void LoadGraphicFromResource(TBitmap& Picture, const QString& Name)
{
    Picture.SetSize(0, 0);
    const QString base = Name.left(Name.size() - PictureExtension(Name).size()).toUpper();
    QFile resource(QStringLiteral(":/RC_DATA/") + base);
    if (!resource.open(QIODevice::ReadOnly))
        throw EResourceNotFound(
            QCoreApplication::translate("TGraphicLoader", "リソース %1 が見つかりません").arg(base).toStdString());
    LoadGraphicFromStream(Picture, Name, resource);
}

void UnmaskJpx(std::uint8_t* data, std::size_t size)
{
    std::uint8_t key = 0x3B;
    for (std::size_t i = 0; i < size; ++i) {
        data[i] ^= key;
        key = std::uint8_t(key + std::uint8_t(size - i));
    }
}

void LoadJpxFromStream(TBitmap& Picture, QIODevice& Stream)
{
    const qint64 total = Stream.size();
    if (total > kMaxJpxBytes)
        return;
    QByteArray data = Stream.read(total);
    UnmaskJpx(reinterpret_cast<std::uint8_t*>(data.data()), std::size_t(data.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LoadJpegFromStream(Picture, buffer);
}
