#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

// A file name as the program holds it. Linux names are bytes, and Qt turns
// bytes that are not UTF-8 into U+FFFD, a name no file has. Here each such
// byte becomes the unpaired surrogate U+DC80..U+DCFF (which valid UTF-8
// never yields), as the settings file's text is read too: a name taken from
// the command line is kept in the settings, handed to a running program and
// opened again byte for byte. Header only, so that the sound module, which
// links nothing of the program, opens names the same way.
namespace FileName {

inline constexpr char16_t kByteEscape = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i], or 0.
inline qsizetype Utf8At(const QByteArray& bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    else
        return 0;
    if (i + length > bytes.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = i + 2; k < i + length; ++k)
        if ((at(k) & 0xC0) != 0x80)
            return 0;
    return length;
}

// Valid UTF-8 as it is: unlike QString::fromUtf8, a byte order mark at the
// start of the run (a name or value that begins with U+FEFF) is kept.
inline QString FromUtf8(const char* bytes, qsizetype size)
{
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, size));
}

// The name of the bytes a system call gives (argv, a folder listing).
inline QString Decode(const QByteArray& bytes)
{
    QString name;
    qsizetype run = 0;
    for (qsizetype i = 0; i < bytes.size();) {
        if (const qsizetype length = Utf8At(bytes, i)) {
            i += length;
            continue;
        }
        name += FromUtf8(bytes.constData() + run, i - run);
        name += QChar(char16_t(kByteEscape + static_cast<unsigned char>(bytes[i])));
        run = ++i;
    }
    return name + FromUtf8(bytes.constData() + run, bytes.size() - run);
}

inline bool IsByteEscape(QStringView name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    // An escape right after a high surrogate is half of a pair, not a byte.
    return c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF && !(i > 0 && name[i - 1].isHighSurrogate());
}

// The bytes a system call takes for the name (open, stat).
inline QByteArray Encode(QStringView name)
{
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!IsByteEscape(name, i))
            continue;
        bytes += name.mid(run, i - run).toUtf8();
        bytes += char(name[i].unicode() - kByteEscape);
        run = i + 1;
    }
    return bytes + name.mid(run).toUtf8();
}

// The name for a person to read: each byte that is not UTF-8 shown as U+FFFD.
inline QString Shown(const QString& name)
{
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (IsByteEscape(name, i))
            shown[i] = QChar::ReplacementCharacter;
    return shown;
}

} // namespace FileName
