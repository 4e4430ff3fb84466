// Settings text: reading never fails, a value read can be written back, a
// write changes exactly the value written (it reads back as given and every
// other value stays as it was), and a section removed takes only its own keys.
#include "vlmGlobalIniText.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct Pair {
    const char* section;
    const char* key;
};

constexpr Pair kPairs[] = {{"BACK", "list0"}, {"s", "K"}, {"OTHER", "x"}, {"BACK", "list1"}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t target = data[0] % std::size(kPairs);
    const std::size_t valueLength = std::min<std::size_t>(data[1] % 24, size - 2);
    const QString value = QString::fromUtf8(reinterpret_cast<const char*>(data) + 2, qsizetype(valueLength));
    const QByteArray text(reinterpret_cast<const char*>(data) + 2 + valueLength, qsizetype(size - 2 - valueLength));

    std::optional<QString> before[std::size(kPairs)];
    for (std::size_t i = 0; i < std::size(kPairs); ++i)
        before[i] = IniText::ReadValue(text, kPairs[i].section, kPairs[i].key);
    if (const auto v = IniText::ReadValue(text, QStringLiteral("BACK"), QStringLiteral("list0")))
        (void)IniText::ParseInteger(*v);

    // A value read goes back as it came, whatever its bytes; only a carriage
    // return inside it has no place in the format.
    if (before[target]) {
        const auto rewritten = IniText::WriteValue(text, kPairs[target].section, kPairs[target].key, *before[target]);
        if (rewritten ? IniText::ReadValue(*rewritten, kPairs[target].section, kPairs[target].key) != before[target]
                      : !before[target]->contains(QLatin1Char('\r')))
            std::abort();
    }

    // A section removed is gone with all its keys, and no other value moves.
    const QByteArray removed = IniText::RemoveSection(text, QString::fromLatin1(kPairs[target].section));
    if (IniText::Sections(removed).contains(QString::fromLatin1(kPairs[target].section), Qt::CaseInsensitive))
        std::abort();
    for (std::size_t i = 0; i < std::size(kPairs); ++i) {
        const bool same = qstricmp(kPairs[i].section, kPairs[target].section) == 0;
        if (IniText::ReadValue(removed, kPairs[i].section, kPairs[i].key) != (same ? std::nullopt : before[i]))
            std::abort();
    }

    const auto written = IniText::WriteValue(text, kPairs[target].section, kPairs[target].key, value);
    if (!written)
        return 0;
    for (std::size_t i = 0; i < std::size(kPairs); ++i) {
        const auto after = IniText::ReadValue(*written, kPairs[i].section, kPairs[i].key);
        if (after != (i == target ? std::optional<QString>(value) : before[i]))
            std::abort();
    }
    return 0;
}
