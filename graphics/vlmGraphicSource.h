#pragma once

#include "Bitmap.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TArchiveStream;

// A picture handed out by the graphic source: a 24-bit, 0 x 0 bitmap to
// start with, plus the two values the cache records (they drive nothing).
class TGraphic4 : public TBitmap {
public:
    TGraphic4() = default;

    std::uint8_t CacheMode = 0;  // gcShared (0) or gcKeep (1)
    std::int32_t UseCount = 0;   // 1 when cached, +1 for every later hit
};

enum TGraphicCacheMode : std::uint8_t {
    gcShared,   // the cached picture, else load and cache it
    gcKeep,     // as gcShared, and mark the cached picture CacheMode 1
    gcUncached, // the cached picture, else load it without caching
    gcReload,   // always load, and cache it as one more item
};

// The open picture archives, searched in list order, each under its base
// name. The list owns the streams.
class TArchiverList {
public:
    TArchiverList();
    ~TArchiverList();
    TArchiverList(const TArchiverList&) = delete;
    TArchiverList& operator=(const TArchiverList&) = delete;

    // Opens the archive when the file exists; a missing file adds nothing.
    // An archive that cannot be opened or read raises EarcSTreamError.
    void AddArchive(const QString& Path);
    TArchiveStream* ArchiveAt(int Index) const;
    const QString& NameAt(int Index) const;
    int Count() const { return int(items_.size()); }

private:
    std::vector<std::pair<QString, std::unique_ptr<TArchiveStream>>> items_;
};

// Turns a picture name into a picture: a loose file in ResourcePath, else an
// entry of an archive, else the compiled-in resource named like the picture
// without its extension. Pictures are cached by name (letter case ignored)
// until the source is destroyed.
//
// Pictures are shared: a cached picture stays alive as long as the source or
// any holder keeps it, and a gcUncached picture that was not in the cache
// belongs to its holders alone, so no caller ever has to ask who frees it.
class TGraphicSource {
public:
    using Picture = std::shared_ptr<TGraphic4>;

    // Opens the archive ProgramPath() + "graphic" when it exists.
    TGraphicSource();
    ~TGraphicSource();
    TGraphicSource(const TGraphicSource&) = delete;
    TGraphicSource& operator=(const TGraphicSource&) = delete;

    Picture GetGraphic(const QString& Name, TGraphicCacheMode Mode = gcShared, int FirstArchive = 0);
    // A fresh picture, never cached. Archives from FirstArchive on are
    // searched; negative indices are skipped.
    std::unique_ptr<TGraphic4> LoadGraphic(const QString& Name, int FirstArchive = 0);
    // A solid picture from "\width,height,colour[,32]": colour decimal or
    // "$" hexadecimal (0x00BBGGRR); anything not a number counts as 0.
    static std::unique_ptr<TGraphic4> MakeBlankGraphic(const QString& Specification);

    TArchiverList& Archives() { return archives_; }
    // Folder of loose picture files, with a trailing '/'; empty: none.
    QString ResourcePath;

    int Count() const { return int(items_.size()); }
    const QString& NameAt(int Index) const { return items_.at(std::size_t(Index)).first; }
    const Picture& GraphicAt(int Index) const { return items_.at(std::size_t(Index)).second; }
    // Position of the first item named Name (letter case ignored), or -1.
    int IndexOf(const QString& Name) const;

private:
    std::vector<std::pair<QString, Picture>> items_;
    TArchiverList archives_;
};

// The background pictures chosen, most recent first, and the loaded picture
// of the current one. Entries are names as selected (absolute, relative to
// the working folder, or a bare name in the backimage folder); an empty entry
// is a free place and, selected, stands for the built-in picture. After any
// operation there are at least five entries; the first five are stored in the
// settings section "BACK" as "list0".."list4", and whether the built-in
// picture was chosen last as "builtin" (missing: entry 0 is on show).
class TBackImages {
public:
    // Reads the history kept in `section`, fills it from the backimage
    // folder, loads the picture on show (Current()). With `from`, the
    // history starts as a copy of that one's instead (a new window).
    explicit TBackImages(const QString& section = QStringLiteral("BACK"), const TBackImages* from = nullptr);
    // Writes entries 0..4 and the built-in choice back, unless forgotten.
    ~TBackImages();
    // The history is no longer kept: nothing is written at the end.
    void Forget() { forgotten_ = true; }
    const QString& Section() const { return section_; }
    void SetSection(const QString& section) { section_ = section; }
    // Writes entries 0..4 and the built-in choice (the end does it too),
    // unless forgotten.
    void Save();
    TBackImages(const TBackImages&) = delete;
    TBackImages& operator=(const TBackImages&) = delete;

    // Loads Name's picture into Picture(), then remembers Name. A picture
    // that fails to load raises and leaves the history as it was.
    void SelectBackground(const QString& Name);
    // Loads Name's picture (empty: the built-in one) into Picture() without
    // touching the history. The picture the last load left there is reused
    // when it was loaded for the same Name and nobody has had Picture() since.
    void LoadBackground(const QString& Name);
    // Moves (or inserts) Name to the head of the history; an empty Name
    // keeps the order and marks the built-in picture as the one on show.
    void Remember(const QString& Name);
    // The name on show: empty for the built-in picture, else entry 0.
    QString Current() const;
    // The file Name's picture is read from (a bare name is looked up in the
    // backimage folder); empty when there is none.
    QString FileOf(const QString& Name) const;
    // Appends picture files of the backimage folder not yet listed until
    // there are five entries, then pads with empty ones.
    void AddFolderPictures();

    int Count() const { return int(items_.size()); }
    const QString& operator[](int Index) const { return items_.at(Index); }
    const QStringList& Items() const { return items_; }
    // The loaded picture, to take: once handed out it may be moved away or
    // replaced, so the next load decodes again. Reading it keeps it.
    TBitmap& Picture()
    {
        loadedFor_.reset();
        return *picture_;
    }
    const TBitmap& Picture() const { return *picture_; }

    static constexpr int kStoredEntries = 5;

private:
    void PadToFive();
    void MakeFallbackPicture();

    QString section_;
    bool forgotten_ = false;
    QStringList items_;
    bool builtIn_ = false;
    std::unique_ptr<TBitmap> picture_;
    // The name picture_ was loaded for while it is still untouched.
    std::optional<QString> loadedFor_;
};

// The two singletons, alive between construction and destruction of the
// vlmGraphicSourceUnit guard.
extern TGraphicSource* GraphicSource;
extern TBackImages* BackImages;

// Module lifetime of GraphicSource and BackImages. main() constructs it after
// the environment module's guard (vlmGlobalUnit), so it ends before it.
class vlmGraphicSourceUnit {
public:
    vlmGraphicSourceUnit();
    ~vlmGraphicSourceUnit();
    vlmGraphicSourceUnit(const vlmGraphicSourceUnit&) = delete;
    vlmGraphicSourceUnit& operator=(const vlmGraphicSourceUnit&) = delete;
};
