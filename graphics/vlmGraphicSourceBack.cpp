// The background history and the module guard of the graphic source.
#include "vlmGraphicSource.h"

#include "FuncGraphicWorkLoad.h"

#include "ShellFileUtils.h"
#include "vlmGlobal.h"
#include "vlmGlobalIniText.h"

#include <QFileInfo>

#include <cstdio>
#include <utility>

TGraphicSource* GraphicSource = nullptr;
TBackImages* BackImages = nullptr;

namespace {

const QString kSection = QStringLiteral("BACK");
const QString kBuiltInPicture = QStringLiteral("bgpicture.png");

QString entryKey(int index)
{
    return QStringLiteral("list%1").arg(index);
}

QString backImageFolder()
{
    // Linux names are case-sensitive: one spelling for the scan and the look-up.
    return AppGlobal->ProgramPath() + QStringLiteral("backimage");
}

} // namespace

TBackImages::TBackImages() : picture_(std::make_unique<TBitmap>())
{
    for (int i = 0; i < kStoredEntries; ++i)
        items_ << AppGlobal->ReadIniString(kSection, entryKey(i), QString());
    items_.removeAll(QString());
    AddFolderPictures();
    try {
        SelectBackground(items_[0]);
    } catch (const std::exception& e) {
        // A damaged picture once selected stays entry 0; refusing to start
        // would lock the user out for good. Show the built-in picture and
        // keep the entry, so the user can pick another one.
        std::fprintf(stderr, "pocosa: %s: %s\n", qPrintable(items_[0]), e.what());
        try {
            LoadGraphicFromResource(*picture_, kBuiltInPicture);
        } catch (const std::exception&) {
            MakeFallbackPicture();
        }
    }
}

TBackImages::~TBackImages()
{
    PadToFive();
    try {
        // A name the settings file cannot hold (a line break is legal in a
        // Linux file name) leaves its place free rather than its key stale.
        for (int i = 0; i < kStoredEntries; ++i)
            AppGlobal->WriteIniString(kSection, entryKey(i),
                                      IniText::StorableValue(items_[i]) ? items_[i] : QString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
}

void TBackImages::PadToFive()
{
    while (items_.size() < kStoredEntries)
        items_ << QString();
}

void TBackImages::AddFolderPictures()
{
    const QString folder = backImageFolder();
    if (QFileInfo(folder).isDir()) {
        QStringList files;
        ListFiles(folder, QStringLiteral("*.*"), files);
        FilterPictureFiles(files);
        while (items_.size() < kStoredEntries && !files.isEmpty()) {
            const QString name = QFileInfo(files.takeFirst()).fileName();
            if (!items_.contains(name, Qt::CaseInsensitive))
                items_ << name;
        }
    }
    PadToFive();
}

void TBackImages::SelectBackground(const QString& Name)
{
    // A copy: Name may be one of our own items, which the next lines move.
    const QString name = Name;
    for (qsizetype i = 0; i < items_.size(); ++i)
        if (items_[i].compare(name, Qt::CaseInsensitive) == 0) {
            items_.removeAt(i);
            break;
        }
    if (!name.isEmpty())
        items_.insert(0, name);
    PadToFive();
    LoadPicture(name);
}

void TBackImages::LoadPicture(const QString& Name)
{
    if (Name.isEmpty()) {
        LoadGraphicFromResource(*picture_, kBuiltInPicture);
        if (picture_->Width() > 0)
            return;
    }
    picture_->SetWidth(0);
    QString file = Name;
    if (!QFileInfo(file).isFile())
        file = backImageFolder() + QLatin1Char('/') + Name;
    if (QFileInfo(file).isFile())
        LoadGraphicFromFile(*picture_, file);
    else
        MakeFallbackPicture();
}

// A white 120 x 120 square with a one-pixel black border, 32-bit and opaque
// so that the window shows the border instead of keying it away.
void TBackImages::MakeFallbackPicture()
{
    constexpr int side = 120;
    TBitmap fallback(side, side, pf32bit);
    for (int y = 0; y < side; ++y) {
        std::uint8_t* row = fallback.ScanLine(y);
        for (int x = 0; x < side; ++x) {
            const bool border = x == 0 || y == 0 || x == side - 1 || y == side - 1;
            const std::uint8_t v = border ? 0 : 255;
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = v;
            row[4 * x + 3] = 255;
        }
    }
    *picture_ = std::move(fallback);
}

vlmGraphicSourceUnit::vlmGraphicSourceUnit()
{
    auto source = std::make_unique<TGraphicSource>();
    source->ResourcePath = AppGlobal->ProgramPath() + QStringLiteral("resource/");
    GraphicSource = source.release();
    try {
        BackImages = new TBackImages;
    } catch (...) {
        delete GraphicSource;
        GraphicSource = nullptr;
        throw;
    }
}

vlmGraphicSourceUnit::~vlmGraphicSourceUnit()
{
    delete GraphicSource;
    GraphicSource = nullptr;
    delete BackImages;
    BackImages = nullptr;
}
