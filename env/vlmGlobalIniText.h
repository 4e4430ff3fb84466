#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QHash>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// The settings file format, on file contents in memory (no file I/O here).
//
// Lines are "[section]" and "key=value"; a line is trimmed of white space
// before it is looked at, and a line starting with ';' is a comment. Section
// and key names are compared without regard to letter case; the first
// occurrence of a key wins, and sections of the same name count as one. A
// value is the trimmed text after the first '='; one pair of equal quotes
// (' or ") around it is removed. Text is UTF-8, a leading byte order mark
// is passed over; "\n" and "\r\n" line ends. A byte that is not part of valid
// UTF-8 reads as the unpaired surrogate U+DC00 + byte and is written back as
// that byte, so any value read can be written back unchanged.
namespace IniText {

// Where the sections and keys of a text are, found in one pass over it, so
// that many lookups in a large file do not each read the whole text.
class Index {
public:
    explicit Index(const QByteArray& text);
    // As ReadValue and Sections, on the text the index was made of.
    std::optional<QString> Value(const QString& section, const QString& key) const;
    QStringList Sections() const;
    const QByteArray& Text() const { return text_; }

private:
    friend QByteArray RemoveSection(const QByteArray& text, const QString& section);
    friend std::optional<QByteArray> WriteValues(const QByteArray& text, const QString& section,
                                                 const std::vector<std::pair<QString, QString>>& values);
    // A line [begin, end) without its line break of eolSize bytes.
    struct TLine {
        qsizetype begin = 0, end = 0, eolSize = 0;
    };
    // A key's line: the trimmed text from begin to end, '=' at eq.
    struct TKey {
        TLine line;
        qsizetype begin = 0, eq = 0, end = 0;
    };
    struct TSection {
        QString name;            // as first spelt
        TLine last;              // the last non-blank line of its first occurrence
        std::vector<TKey> keys;  // of every occurrence, in file order
    };
    const TKey* FindKey(const QString& section, const QString& key) const;

    QByteArray text_;
    std::vector<TSection> sections_;     // in file order
    QHash<QString, qsizetype> byName_;   // case-folded name: index in sections_
};

// The value of key in section; nullopt when either is missing.
std::optional<QString> ReadValue(const QByteArray& text, const QString& section, const QString& key);

// The text with key set to value in section. An existing key keeps its name
// and its line ending; a new key follows the last line of the section's first
// occurrence, a new section is appended at the end. Every other byte of the
// text stays as it was. A value that would not read back as written (outer
// white space or quotes) is put in double quotes. nullopt when the names or
// the value cannot be stored in this format (line breaks, '=' in a key, ']'
// in a section name, names with outer white space or empty, text that would
// read back otherwise).
std::optional<QByteArray> WriteValue(const QByteArray& text, const QString& section, const QString& key,
                                     const QString& value);

// WriteValue for several keys of one section, in one pass over the text:
// nullopt (and nothing written) when any of them cannot be stored.
std::optional<QByteArray> WriteValues(const QByteArray& text, const QString& section,
                                      const std::vector<std::pair<QString, QString>>& values);

// The names of the sections, each once (as first spelt), in file order.
QStringList Sections(const QByteArray& text);

// The text without section (every occurrence, its lines up to the next
// section); every other byte stays as it was.
QByteArray RemoveSection(const QByteArray& text, const QString& section);

// Whether WriteValue can store value (no line break, reads back as given).
bool StorableValue(const QString& value);

// "0x"/"0X" followed by hex digits whose value fits in 32 bits, leading zeros
// allowed (wrapping into 32 bits, so 0xFFFFFFFF is -1), otherwise signed
// decimal within 32 bits. nullopt for anything else.
std::optional<std::int32_t> ParseInteger(const QString& text);

} // namespace IniText
