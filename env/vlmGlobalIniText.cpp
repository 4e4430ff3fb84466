#include "vlmGlobalIniText.h"

#include <QList>

#include <algorithm>

namespace IniText {
namespace {

// One line of the text: [begin, end) without its line break, and the break
// itself ("", "\n" or "\r\n").
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArray eol;
};

QList<Line> SplitLines(const QByteArray& text)
{
    QList<Line> lines;
    // A byte order mark that an editor put in front is not part of the first
    // line (and stays in the text).
    qsizetype pos = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < text.size()) {
        const qsizetype nl = text.indexOf('\n', pos);
        Line line;
        line.begin = pos;
        if (nl < 0) {
            line.end = text.size();
            pos = text.size();
        } else {
            line.end = nl;
            line.eol = "\n";
            if (nl > pos && text[nl - 1] == '\r') {
                line.end = nl - 1;
                line.eol = "\r\n";
            }
            pos = nl + 1;
        }
        lines.append(line);
    }
    return lines;
}

// Bytes that are not UTF-8 (a name saved in another encoding, a file edited
// by hand) each become one unpaired surrogate U+DC80..U+DCFF, which cannot
// come out of valid UTF-8; Encode turns them back into the same bytes, so
// such a text is written back exactly as it was read.
constexpr char16_t kByteEscape = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i], or 0.
qsizetype Utf8SequenceAt(const QByteArray& bytes, qsizetype i)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > bytes.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (qsizetype k = i + 2; k < i + length; ++k)
        if ((byte(k) & 0xC0) != 0x80)
            return 0;
    return length;
}

QString Decode(const QByteArray& bytes)
{
    QString text;
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = Utf8SequenceAt(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        text += QChar(char16_t(kByteEscape + static_cast<unsigned char>(bytes[i])));
        runStart = ++i;
    }
    return text + QString::fromUtf8(bytes.constData() + runStart, bytes.size() - runStart);
}

bool IsByteEscape(QChar c)
{
    return c.unicode() >= kByteEscape + 0x80 && c.unicode() <= kByteEscape + 0xFF;
}

QByteArray Encode(const QString& text)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // An escape right after a high surrogate is half of a pair, not a byte.
        if (!IsByteEscape(text[i]) || (i > 0 && text[i - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(text).mid(runStart, i - runStart).toUtf8();
        bytes += char(text[i].unicode() - kByteEscape);
        runStart = i + 1;
    }
    return bytes + QStringView(text).mid(runStart).toUtf8();
}

// Whether the text's bytes read back as the same text: not so for other
// unpaired surrogates, or for escapes that together spell valid UTF-8.
bool ReadsBack(const QString& text)
{
    return Decode(Encode(text)) == text;
}

enum class Kind { Other, Section, Key };

// What a line is, with the section name or the key name and value.
struct Parsed {
    Kind kind = Kind::Other;
    QString name;
    QByteArray value;
};

Parsed ParseLine(const QByteArray& text, const Line& line)
{
    const QByteArray trimmed = text.mid(line.begin, line.end - line.begin).trimmed();
    Parsed parsed;
    if (trimmed.isEmpty() || trimmed.startsWith(';'))
        return parsed;
    if (trimmed.startsWith('[')) {
        qsizetype close = trimmed.indexOf(']');
        if (close < 0)
            close = trimmed.size();
        parsed.kind = Kind::Section;
        parsed.name = Decode(trimmed.mid(1, close - 1).trimmed());
        return parsed;
    }
    const qsizetype eq = trimmed.indexOf('=');
    if (eq < 0)
        return parsed;
    parsed.kind = Kind::Key;
    parsed.name = Decode(trimmed.left(eq).trimmed());
    parsed.value = trimmed.mid(eq + 1).trimmed();
    return parsed;
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

QByteArray Unquote(const QByteArray& value)
{
    if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
        return value.mid(1, value.size() - 2);
    return value;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where key lives: the line of the key (or -1) and the last non-blank line of
// the section's first occurrence (or -1 when the section is missing).
struct Location {
    qsizetype keyLine = -1;
    qsizetype sectionEnd = -1;
};

Location Find(const QByteArray& text, const QList<Line>& lines, const QString& section, const QString& key,
              QByteArray* value)
{
    Location loc;
    bool inSection = false;
    bool inFirstOccurrence = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed parsed = ParseLine(text, lines[i]);
        if (parsed.kind == Kind::Section) {
            inSection = SameName(parsed.name, section);
            inFirstOccurrence = inSection && loc.sectionEnd < 0;
            if (inFirstOccurrence)
                loc.sectionEnd = i;
            continue;
        }
        if (!inSection)
            continue;
        if (inFirstOccurrence && !text.mid(lines[i].begin, lines[i].end - lines[i].begin).trimmed().isEmpty())
            loc.sectionEnd = i;
        if (parsed.kind == Kind::Key && SameName(parsed.name, key)) {
            loc.keyLine = i;
            if (value)
                *value = Unquote(parsed.value);
            return loc;
        }
    }
    return loc;
}

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
    QByteArray value;
    if (Find(text, SplitLines(text), section, key, &value).keyLine < 0)
        return std::nullopt;
    return Decode(value);
}

QStringList Sections(const QByteArray& text)
{
    QStringList names;
    for (const Line& line : SplitLines(text)) {
        const Parsed parsed = ParseLine(text, line);
        if (parsed.kind == Kind::Section &&
            std::none_of(names.begin(), names.end(), [&](const QString& n) { return SameName(n, parsed.name); }))
            names << parsed.name;
    }
    return names;
}

QByteArray RemoveSection(const QByteArray& text, const QString& section)
{
    QByteArray result = text.startsWith("\xEF\xBB\xBF") ? text.left(3) : QByteArray();
    bool removing = false;
    for (const Line& line : SplitLines(text)) {
        const Parsed parsed = ParseLine(text, line);
        if (parsed.kind == Kind::Section)
            removing = SameName(parsed.name, section);
        if (!removing)
            result += text.mid(line.begin, line.end - line.begin) + line.eol;
    }
    return result;
}

bool StorableValue(const QString& value)
{
    return !HasLineBreak(value) && ReadsBack(value);
}

std::optional<QByteArray> WriteValue(const QByteArray& text, const QString& section, const QString& key,
                                     const QString& value)
{
    if (!StorableNames(section, key) || !StorableValue(value))
        return std::nullopt;
    const QList<Line> lines = SplitLines(text);
    const Location loc = Find(text, lines, section, key, nullptr);
    const QByteArray eol = DominantEol(text);
    const QByteArray encoded = EncodeValue(value);

    if (loc.keyLine >= 0) {
        const Line& line = lines[loc.keyLine];
        const QByteArray raw = text.mid(line.begin, line.end - line.begin);
        const QByteArray storedKey = raw.left(raw.indexOf('=')).trimmed();
        return text.left(line.begin) + storedKey + '=' + encoded + text.mid(line.end);
    }
    const QByteArray keyLine = Encode(key) + '=' + encoded;
    if (loc.sectionEnd >= 0) {
        const Line& after = lines[loc.sectionEnd];
        const QByteArray lineEol = after.eol.isEmpty() ? eol : after.eol;
        const qsizetype insertAt = after.end + after.eol.size();
        QByteArray head = text.left(insertAt);
        if (after.eol.isEmpty())
            head += lineEol;
        return head + keyLine + lineEol + text.mid(insertAt);
    }
    QByteArray result = text;
    if (!result.isEmpty() && !result.endsWith('\n'))
        result += eol;
    return result + '[' + Encode(section) + ']' + eol + keyLine + eol;
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
