// The background history and the module guard of the graphic source.
#include "vlmGraphicSource.h"

#include "FuncGraphicWorkLoad.h"
#include "FuncGraphicWorkPixels.h"

#include "ShellFileUtils.h"
#include "vlmGlobal.h"
#include "vlmGlobalIniText.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <utility>
#include <vector>

TGraphicSource* GraphicSource = nullptr;
TBackImages* BackImages = nullptr;

namespace {

const QString kBuiltInKey = QStringLiteral("builtin");
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

// Pictures are kept at most at the primary screen's size: ten windows
// showing photos must not hold a gigabyte. Without a screen, no limit.
QSize PictureLimit()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

} // namespace

TBackImages::TBackImages(const QString& section, const TBackImages* from)
    : section_(section), picture_(std::make_unique<TBitmap>())
{
    if (from) {
        items_ = from->items_;
        builtIn_ = from->builtIn_;
    } else {
        for (int i = 0; i < kStoredEntries; ++i)
            items_ << AppGlobal->ReadIniString(section_, entryKey(i), QString());
        builtIn_ = AppGlobal->ReadIniInteger(section_, kBuiltInKey, 0) != 0;
    }
    items_.removeAll(QString());
    AddFolderPictures();
    try {
        LoadBackground(Current());
    } catch (const std::exception& e) {
        // A picture damaged since it was chosen stays entry 0; refusing to
        // start would lock the user out for good. Show the built-in picture
        // and keep the entry, so the user can pick another one.
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
    Save();
}

void TBackImages::Save()
{
    if (forgotten_)
        return;
    PadToFive();
    try {
        // A name the settings file cannot hold (a line break is legal in a
        // Linux file name) leaves its place free rather than its key stale.
        std::vector<std::pair<QString, QString>> values;
        for (int i = 0; i < kStoredEntries; ++i)
            values.emplace_back(entryKey(i), IniText::StorableValue(items_[i]) ? items_[i] : QString());
        values.emplace_back(kBuiltInKey, builtIn_ ? QStringLiteral("1") : QStringLiteral("0"));
        AppGlobal->WriteIniStrings(section_, values);
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
    // A copy: Name may be one of our own items, which Remember moves.
    const QString name = Name;
    LoadBackground(name);
    Remember(name);
}

void TBackImages::Remember(const QString& Name)
{
    const QString name = Name;
    for (qsizetype i = 0; i < items_.size(); ++i)
        if (items_[i].compare(name, Qt::CaseInsensitive) == 0) {
            items_.removeAt(i);
            break;
        }
    if (!name.isEmpty())
        items_.insert(0, name);
    PadToFive();
    // Over an empty history the built-in picture is shown anyway; only a
    // choice over a named head is kept, so that pictures that turn up in the
    // backimage folder later are not hidden by it.
    builtIn_ = name.isEmpty() && !items_[0].isEmpty();
}

QString TBackImages::Current() const
{
    return builtIn_ || items_.isEmpty() ? QString() : items_[0];
}

QString TBackImages::FileOf(const QString& Name) const
{
    if (Name.isEmpty())
        return QString();
    if (QFileInfo(Name).isFile())
        return Name;
    const QString inFolder = backImageFolder() + QLatin1Char('/') + Name;
    return QFileInfo(inFolder).isFile() ? inFolder : QString();
}

void TBackImages::LoadBackground(const QString& Name)
{
    // The window asks at start for the picture the history loaded a moment
    // before: a large photo is decoded once.
    if (loadedFor_ == Name)
        return;
    loadedFor_.reset();
    if (Name.isEmpty())
        LoadGraphicFromResource(*picture_, kBuiltInPicture);
    if (!Name.isEmpty() || picture_->Width() == 0) {
        picture_->SetWidth(0);
        const QString file = FileOf(Name);
        if (!file.isEmpty())
            LoadGraphicFromFile(*picture_, file);
        else
            MakeFallbackPicture();
    }
    ShrinkToFit(*picture_, PictureLimit());
    loadedFor_ = Name;
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
