#include "vlmGraphicSource.h"

#include "FuncGraphicWorkLoad.h"

#include "ClassArchiveStream.h"
#include "vlmGlobal.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// The items of a comma text: separated by commas or by white space (any
// character up to ' '), an item in double quotes may hold both ("" is a
// quote). An empty item between two commas, or after a final comma, counts.
QStringList commaTextItems(const QString& text)
{
    QStringList items;
    // The text ends at a NUL character, as a C string would.
    const qsizetype nul = text.indexOf(QChar(0));
    const qsizetype n = nul < 0 ? text.size() : nul;
    auto blank = [&](qsizetype i) { return i < n && text[i] > QChar(0) && text[i] <= QLatin1Char(' '); };
    qsizetype i = 0;
    while (blank(i))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            for (++i; i < n; ++i) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    item += text[i];
                }
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] > QLatin1Char(' ') && text[i] != QLatin1Char(','))
                ++i;
            item = text.mid(start, i - start);
        }
        items << item;
        while (blank(i))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            if (i + 1 == n)
                items << QString();
            do
                ++i;
            while (blank(i));
        }
    }
    return items;
}

// Decimal, or hexadecimal after "$" or "0x", with an optional sign; the
// value must fit 32 bits (eight hex digits may set the sign bit). 0 for
// anything else.
std::int32_t integerOf(const QString& text)
{
    QString t = text;
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t[0] == QLatin1Char('-');
        t.remove(0, 1);
    }
    bool ok = false;
    qint64 value = 0;
    if (t.startsWith(QLatin1Char('$')) || t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = t.mid(t[0] == QLatin1Char('$') ? 1 : 2);
        const quint64 u = digits.size() <= 8 ? digits.toULongLong(&ok, 16) : 0;
        value = qint64(std::int32_t(std::uint32_t(u)));
        ok = ok && !digits.isEmpty() && !digits.startsWith(QLatin1Char('+')) && !digits.startsWith(QLatin1Char('-'));
    } else {
        const bool digitsOnly = !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
        value = digitsOnly ? t.toLongLong(&ok, 10) : 0;
        ok = ok && digitsOnly && value <= qint64(INT32_MAX) + (negative ? 1 : 0);
    }
    if (!ok)
        return 0;
    return std::int32_t(negative ? -value : value);
}

} // namespace

TArchiverList::TArchiverList() = default;
TArchiverList::~TArchiverList() = default;

void TArchiverList::AddArchive(const QString& Path)
{
    const QFileInfo info(Path);
    if (!info.isFile())
        return;
    auto stream = std::make_unique<TArchiveStream>(Path);
    items_.emplace_back(info.completeBaseName(), std::move(stream));
}

TArchiveStream* TArchiverList::ArchiveAt(int Index) const
{
    return items_.at(std::size_t(Index)).second.get();
}

const QString& TArchiverList::NameAt(int Index) const
{
    return items_.at(std::size_t(Index)).first;
}

TGraphicSource::TGraphicSource()
{
    const QString archive = AppGlobal->ProgramPath() + QStringLiteral("graphic");
    try {
        archives_.AddArchive(archive);
    } catch (const std::exception& e) {
        // A damaged archive must not keep the timer from starting: its
        // pictures are then taken from the loose files and the resources.
        std::fprintf(stderr, "pocosa: %s: %s\n", qPrintable(archive), e.what());
    }
}

TGraphicSource::~TGraphicSource() = default;

int TGraphicSource::IndexOf(const QString& Name) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].first.compare(Name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

TGraphicSource::Picture TGraphicSource::GetGraphic(const QString& Name, TGraphicCacheMode Mode, int FirstArchive)
{
    const int found = IndexOf(Name);
    if (found >= 0 && Mode != gcReload) {
        const Picture& cached = items_[std::size_t(found)].second;
        ++cached->UseCount;
        if (cached->CacheMode == gcShared && Mode == gcKeep)
            cached->CacheMode = gcKeep;
        return cached;
    }
    Picture picture(LoadGraphic(Name, FirstArchive));
    if (Mode == gcUncached)
        return picture;
    picture->CacheMode = Mode == gcKeep ? 1 : 0;
    picture->UseCount = 1;
    items_.emplace_back(Name, picture);
    return picture;
}

std::unique_ptr<TGraphic4> TGraphicSource::LoadGraphic(const QString& Name, int FirstArchive)
{
    if (Name.startsWith(QLatin1Char('\\')))
        return MakeBlankGraphic(Name);
    auto picture = std::make_unique<TGraphic4>();

    if (!ResourcePath.isEmpty() && QFileInfo(ResourcePath + Name).isFile()) {
        LoadGraphicFromFile(*picture, ResourcePath + Name);
        return picture;
    }
    for (int i = std::max(FirstArchive, 0); i < archives_.Count(); ++i) {
        TArchiveStream* archive = archives_.ArchiveAt(i);
        if (archive->SelectEntryByName(Name)) {
            LoadGraphicFromStream(*picture, Name, *archive);
            return picture;
        }
    }
    LoadGraphicFromResource(*picture, Name);
    return picture;
}

std::unique_ptr<TGraphic4> TGraphicSource::MakeBlankGraphic(const QString& Specification)
{
    QString text = Specification;
    text.remove(QLatin1Char('\\'));
    QStringList items = commaTextItems(text);
    while (items.size() < 5)
        items << QString();

    auto picture = std::make_unique<TGraphic4>();
    picture->Canvas().BrushColor = integerOf(items[2]);
    picture->SetSize(integerOf(items[0]), integerOf(items[1]));
    if (items[3] == QLatin1String("32")) {
        picture->SetPixelFormat(pf32bit);
        for (int y = 0; y < picture->Height(); ++y)
            for (int x = 0; x < picture->Width(); ++x)
                picture->ScanLine(y)[4 * x + 3] = 255;
    }
    return picture;
}
