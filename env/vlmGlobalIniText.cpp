#include "vlmGlobalIniText.h"

#include <QList>

#include <algorithm>
#include <cstring>
#include <map>

#include "FileName.h"

namespace IniText {
namespace {

// Bytes that are not UTF-8 (a name saved in another encoding, a file edited
// by hand) each become one unpaired surrogate U+DC80..U+DCFF, as in file
// names; Encode turns them back into the same bytes, so such a text is
// written back exactly as it was read.
using FileName::Decode;
using FileName::Encode;

// Whether the text's bytes read back as the same text: not so for other
// unpaired surrogates, or for escapes that together spell valid UTF-8.
bool ReadsBack(const QString& text)
{
    return Decode(Encode(text)) == text;
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A name as the index keeps it: each code point case-folded as a
// case-insensitive comparison folds it, an unpaired surrogate (a byte that is
// not UTF-8) left as it is, which QString::toCaseFolded would not.
QString FoldedName(const QString& name)
{
    QString folded;
    folded.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            const char32_t point = QChar::toCaseFolded(QChar::surrogateToUcs4(c, name[i + 1].unicode()));
            folded += QChar(QChar::highSurrogate(point));
            folded += QChar(QChar::lowSurrogate(point));
            ++i;
        } else {
            folded += QChar::isSurrogate(c) ? QChar(c) : QChar(char16_t(QChar::toCaseFolded(char32_t(c))));
        }
    }
    return folded;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

// [begin, end) of text without the white space at either end.
void Trim(const char* text, qsizetype& begin, qsizetype& end)
{
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
}

} // namespace

// One pass over the text; names are decoded only where they are compared.
Index::Index(const QByteArray& text) : text_(text)
{
    const char* data = text_.constData();
    const qsizetype size = text_.size();
    // A byte order mark that an editor put in front is not part of the first
    // line (and stays in the text).
    qsizetype pos = text_.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    TSection* current = nullptr;
    bool inFirstOccurrence = false;
    while (pos < size) {
        const char* nl = static_cast<const char*>(std::memchr(data + pos, '\n', std::size_t(size - pos)));
        TLine line;
        line.begin = pos;
        line.end = nl ? nl - data : size;
        line.eolSize = nl ? 1 : 0;
        if (nl && line.end > pos && data[line.end - 1] == '\r') {
            --line.end;
            line.eolSize = 2;
        }
        pos = nl ? line.end + line.eolSize : size;
        qsizetype begin = line.begin, end = line.end;
        Trim(data, begin, end);
        if (begin == end || data[begin] == ';') {
            if (inFirstOccurrence && begin != end)
                current->last = line;
            continue;
        }
        if (data[begin] == '[') {
            const char* close = static_cast<const char*>(std::memchr(data + begin, ']', std::size_t(end - begin)));
            qsizetype nameBegin = begin + 1, nameEnd = close ? close - data : end;
            Trim(data, nameBegin, nameEnd);
            const QString name = Decode(text_.mid(nameBegin, nameEnd - nameBegin));
            const QString folded = FoldedName(name);
            const auto found = byName_.constFind(folded);
            inFirstOccurrence = found == byName_.cend();
            if (inFirstOccurrence) {
                byName_.insert(folded, sections_.size());
                sections_.push_back(TSection{name, line, {}});
            }
            current = &sections_[inFirstOccurrence ? sections_.size() - 1 : *found];
            continue;
        }
        if (!current)
            continue; // a key before any section belongs nowhere
        if (inFirstOccurrence)
            current->last = line;
        const char* eq = static_cast<const char*>(std::memchr(data + begin, '=', std::size_t(end - begin)));
        if (eq)
            current->keys.push_back(TKey{line, begin, eq - data, end});
    }
}

// The first line of the key in the section's occurrences, in file order.
const Index::TKey* Index::FindKey(const QString& section, const QString& key) const
{
    const auto found = byName_.constFind(FoldedName(section));
    if (found == byName_.cend())
        return nullptr;
    for (const TKey& k : sections_[*found].keys) {
        qsizetype begin = k.begin, end = k.eq;
        Trim(text_.constData(), begin, end);
        if (SameName(Decode(text_.mid(begin, end - begin)), key))
            return &k;
    }
    return nullptr;
}

std::optional<QString> Index::Value(const QString& section, const QString& key) const
{
    const TKey* k = FindKey(section, key);
    if (!k)
        return std::nullopt;
    qsizetype begin = k->eq + 1, end = k->end;
    Trim(text_.constData(), begin, end);
    QByteArray value = text_.mid(begin, end - begin);
    if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
        value = value.mid(1, value.size() - 2);
    return Decode(value);
}

QStringList Index::Sections() const
{
    QStringList names;
    names.reserve(sections_.size());
    for (const TSection& section : sections_)
        names << section.name;
    return names;
}

namespace {

bool HasOuterSpace(const QString& s)
{
    return !s.isEmpty() && (s.front().isSpace() || s.back().isSpace());
}

bool HasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

bool StorableNames(const QString& section, const QString& key)
{
    if (section.isEmpty() || key.isEmpty() || HasOuterSpace(section) || HasOuterSpace(key))
        return false;
    if (HasLineBreak(section) || HasLineBreak(key) || section.contains(QLatin1Char(']')))
        return false;
    if (!ReadsBack(section) || !ReadsBack(key))
        return false;
    return !key.contains(QLatin1Char('=')) && !key.startsWith(QLatin1Char('[')) &&
           !key.startsWith(QLatin1Char(';'));
}

QByteArray EncodeValue(const QString& value)
{
    QByteArray bytes = Encode(value);
    const bool outerSpace = bytes.size() != bytes.trimmed().size();
    const bool quoted = bytes.size() >= 2 && IsQuote(bytes.front()) && bytes.front() == bytes.back();
    if (outerSpace || quoted)
        bytes = '"' + bytes + '"';
    return bytes;
}

bool IsHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

QByteArray DominantEol(const QByteArray& text)
{
    return text.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

} // namespace

std::optional<QString> ReadValue(const QByteArray& text, const QString& section, const QString& key)
{
    return Index(text).Value(section, key);
}

QStringList Sections(const QByteArray& text)
{
    return Index(text).Sections();
}

QByteArray RemoveSection(const QByteArray& text, const QString& section)
{
    // The lines from each of its headers to the next other section's header
    // go; whole runs of the text are copied.
    const Index index(text);
    const auto found = index.byName_.constFind(FoldedName(section));
    if (found == index.byName_.cend())
        return text;
    const char* data = text.constData();
    QByteArray result;
    result.reserve(text.size());
    qsizetype copyFrom = 0;
    bool removing = false;
    qsizetype pos = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < text.size()) {
        const char* nl = static_cast<const char*>(std::memchr(data + pos, '\n', std::size_t(text.size() - pos)));
        const qsizetype next = nl ? nl - data + 1 : text.size();
        qsizetype begin = pos, end = next;
        Trim(data, begin, end);
        if (begin < end && data[begin] == '[') {
            const char* close = static_cast<const char*>(std::memchr(data + begin, ']', std::size_t(end - begin)));
            qsizetype nameBegin = begin + 1, nameEnd = close ? close - data : end;
            Trim(data, nameBegin, nameEnd);
            const bool ours = SameName(Decode(text.mid(nameBegin, nameEnd - nameBegin)), section);
            if (ours && !removing)
                result.append(data + copyFrom, pos - copyFrom);
            else if (!ours && removing)
                copyFrom = pos;
            removing = ours;
        }
        pos = next;
    }
    if (!removing)
        result.append(data + copyFrom, text.size() - copyFrom);
    return result;
}

bool StorableValue(const QString& value)
{
    return !HasLineBreak(value) && ReadsBack(value);
}

std::optional<QByteArray> WriteValue(const QByteArray& text, const QString& section, const QString& key,
                                     const QString& value)
{
    return WriteValues(text, section, {{key, value}});
}

// Every key in one pass: an existing key's line is replaced in place, the
// new ones follow the last line of the section's first occurrence in the
// order given (a key given twice: the last value), a missing section is
// appended with them.
std::optional<QByteArray> WriteValues(const QByteArray& text, const QString& section,
                                      const std::vector<std::pair<QString, QString>>& values)
{
    for (const auto& [key, value] : values)
        if (!StorableNames(section, key) || !StorableValue(value))
            return std::nullopt;
    const Index index(text);
    const QByteArray eol = DominantEol(text);
    // Replacements by the line's start, in text order; new keys in order.
    std::map<qsizetype, std::pair<qsizetype, QByteArray>> replaced;
    std::vector<std::pair<QString, QByteArray>> added;
    for (const auto& pair : values) {
        const QString& key = pair.first;
        const QByteArray encoded = EncodeValue(pair.second);
        if (const Index::TKey* k = index.FindKey(section, key)) {
            qsizetype begin = k->begin, end = k->eq;
            Trim(text.constData(), begin, end);
            replaced[k->line.begin] = {k->line.end, text.mid(begin, end - begin) + '=' + encoded};
            continue;
        }
        const auto same = std::find_if(added.begin(), added.end(), [&key](const auto& a) { return SameName(a.first, key); });
        if (same != added.end())
            same->second = encoded;
        else
            added.emplace_back(key, encoded);
    }
    const auto found = index.byName_.constFind(FoldedName(section));
    QByteArray result;
    result.reserve(text.size() + 256);
    qsizetype copied = 0;
    const auto copyTo = [&](qsizetype at) {
        result.append(text.constData() + copied, at - copied);
        copied = at;
    };
    QByteArray insert;
    qsizetype insertAt = -1;
    if (found != index.byName_.cend() && !added.empty()) {
        const Index::TLine& after = index.sections_[*found].last;
        const QByteArray lineEol = after.eolSize == 0 ? eol : text.mid(after.end, after.eolSize);
        insertAt = after.end + after.eolSize;
        if (after.eolSize == 0)
            insert += lineEol;
        for (const auto& [key, encoded] : added)
            insert += Encode(key) + '=' + encoded + lineEol;
    }
    for (const auto& [begin, line] : replaced) {
        if (insertAt >= 0 && insertAt <= begin) {
            copyTo(insertAt);
            result += insert;
            insertAt = -1;
        }
        copyTo(begin);
        result += line.second;
        copied = line.first;
    }
    if (insertAt >= 0) {
        copyTo(insertAt);
        result += insert;
    }
    copyTo(text.size());
    if (found == index.byName_.cend() && !added.empty()) {
        if (!result.isEmpty() && !result.endsWith('\n'))
            result += eol;
        result += '[' + Encode(section) + ']' + eol;
        for (const auto& [key, encoded] : added)
            result += Encode(key) + '=' + encoded + eol;
    }
    return result;
}

std::optional<std::int32_t> ParseInteger(const QString& text)
{
    bool ok = false;
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        QStringView digits = QStringView(text).mid(2);
        if (!std::all_of(digits.begin(), digits.end(), IsHexDigit))
            return std::nullopt;
        // Leading zeros add nothing: 0x000000064 is 100, not nine digits too many.
        while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
            digits = digits.mid(1);
        if (digits.size() > 8)
            return std::nullopt;
        const std::uint32_t v = digits.toUInt(&ok, 16);
        return ok ? std::optional<std::int32_t>(static_cast<std::int32_t>(v)) : std::nullopt;
    }
    const std::int32_t v = text.toInt(&ok, 10);
    return ok ? std::optional<std::int32_t>(v) : std::nullopt;
}

} // namespace IniText
