#include <gtest/gtest.h>

#include "vlmGlobalIniText.h"

namespace {

using IniText::ParseInteger;
using IniText::ReadValue;
using IniText::RemoveSection;
using IniText::Sections;
using IniText::WriteValue;

const QByteArray kSample = "\n"
                           "; settings\n"
                           "top=1\n"
                           "[Back]\n"
                           "; note=commented out\n"
                           "List0 = first.png \n"
                           "list0=shadowed\n"
                           "quoted=\"  spaced  \"\n"
                           "single='x'\n"
                           "noequals\n"
                           "\n"
                           "[TFMTIMERMAIN]\r\n"
                           "TOP=12\r\n"
                           "[back]\n"
                           "list1=second.png\n";

TEST(IniTextRead, LookupRules)
{
    struct Row {
        const char* name;
        const char* section;
        const char* key;
        std::optional<QString> expected;
    } rows[] = {
        {"section and key ignore case", "BACK", "list0", QString("first.png")},
        {"first of two equal keys wins", "back", "LIST0", QString("first.png")},
        {"quotes are removed, inner spaces kept", "Back", "quoted", QString("  spaced  ")},
        {"single quotes too", "Back", "single", QString("x")},
        {"sections of one name count as one", "BACK", "list1", QString("second.png")},
        {"CRLF lines", "tfmtimermain", "top", QString("12")},
        {"key before any section belongs nowhere", "", "top", std::nullopt},
        {"line without '=' is no key", "Back", "noequals", std::nullopt},
        {"missing key", "Back", "list4", std::nullopt},
        {"missing section", "NONE", "list0", std::nullopt},
        {"comment is no key", "Back", "; note", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReadValue(kSample, row.section, row.key), row.expected) << row.name;
    EXPECT_EQ(ReadValue("\t[S]\n\vk\t=\fv\t\r\n", "S", "k"), QString("v")) << "tabs and the like are white space";
}

TEST(IniTextWrite, EditsOnlyTheLineConcerned)
{
    const auto out = WriteValue(kSample, "BACK", "LIST0", "new.png");
    ASSERT_TRUE(out);
    // The stored key keeps its spelling; everything else stays byte for byte.
    QByteArray expected = kSample;
    expected.replace("List0 = first.png \n", "List0=new.png\n");
    EXPECT_EQ(*out, expected);
}

// A section is listed once, as first spelt, and goes with every occurrence,
// up to the next section; every other byte stays.
TEST(IniTextSections, ListedOnceAndRemovedWhole)
{
    EXPECT_EQ(Sections(kSample), QStringList({"Back", "TFMTIMERMAIN"}));
    EXPECT_EQ(RemoveSection(kSample, "BACK"), QByteArray("\n; settings\ntop=1\n[TFMTIMERMAIN]\r\nTOP=12\r\n"));
    EXPECT_EQ(RemoveSection(kSample, "NONE"), kSample);
    EXPECT_EQ(RemoveSection("\xEF\xBB\xBF[A]\nk=v\n[B]\nk=w", "a"), QByteArray("\xEF\xBB\xBF[B]\nk=w"));
    EXPECT_EQ(RemoveSection("[A]\nk=v\n  [B]\nk=w\n", "a"), QByteArray("  [B]\nk=w\n"));
    // Names differing only in bytes that are not UTF-8 are two sections; letter case alone is not.
    EXPECT_EQ(Sections("[S\xFF]\n[S\xC3]\n[\xC3\xA9]\n[\xC3\x89]\n").size(), 3);
}

TEST(IniTextWrite, AByteOrderMarkInFrontHidesNoSection)
{
    // An editor that saves with a byte order mark leaves it before the first
    // section: that section is still found, not written a second time.
    const QByteArray text = "\xEF\xBB\xBF[TFMTIMERMAIN]\r\nTOP=12\r\n";
    EXPECT_EQ(ReadValue(text, "TFMTIMERMAIN", "TOP"), QString("12"));
    EXPECT_EQ(WriteValue(text, "TFMTIMERMAIN", "TOP", "40"), QByteArray("\xEF\xBB\xBF[TFMTIMERMAIN]\r\nTOP=40\r\n"));
    EXPECT_EQ(WriteValue(text, "TFMTIMERMAIN", "LEFT", "7"),
              QByteArray("\xEF\xBB\xBF[TFMTIMERMAIN]\r\nTOP=12\r\nLEFT=7\r\n"));
    EXPECT_EQ(ReadValue("\xEF\xBB\xBFtop=1\n[A]\nk=v\n", "A", "k"), QString("v"));
}

TEST(IniTextWrite, NewKeyGoesAfterTheSectionsLastLine)
{
    const auto out = WriteValue(kSample, "back", "list2", "third.png");
    ASSERT_TRUE(out);
    QByteArray expected = kSample;
    expected.replace("noequals\n\n", "noequals\nlist2=third.png\n\n");
    EXPECT_EQ(*out, expected);
}

TEST(IniTextWrite, NewKeyInACrlfSectionUsesCrlf)
{
    const auto out = WriteValue(kSample, "TFMTIMERMAIN", "Left", "3");
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->contains("TOP=12\r\nLeft=3\r\n[back]"));
}

TEST(IniTextWrite, NewSectionAndNewFile)
{
    EXPECT_EQ(WriteValue("", "BACK", "list0", "a.png"), QByteArray("[BACK]\nlist0=a.png\n"));
    EXPECT_EQ(WriteValue("[A]\nx=1", "B", "y", "2"), QByteArray("[A]\nx=1\n[B]\ny=2\n"));
    EXPECT_EQ(WriteValue("[A]\r\nx=1\r\n", "B", "y", "2"), QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
    EXPECT_EQ(WriteValue("[A]\nx=1", "a", "y", "2"), QByteArray("[A]\nx=1\ny=2\n"));
}

TEST(IniTextWrite, ValuesReadBackAsWritten)
{
    const QString values[] = {"",     " lead",   "trail\t", "\"q\"", "'q'",  "\"open", "a=b;c",
                              "日本語", "[x]",    QString(5000, 'v'), "x\"",  "\"",   "''",
                              "\U0001F480 byte escape as a pair's low half", QString("caf") + QChar(0xDCE9)};
    for (const QString& value : values) {
        const auto out = WriteValue("[S]\nk=old\n", "S", "K", value);
        ASSERT_TRUE(out) << value.toStdString();
        EXPECT_EQ(ReadValue(*out, "s", "k"), value) << value.toStdString();
    }
}

TEST(IniTextWrite, RefusesWhatTheFormatCannotHold)
{
    EXPECT_FALSE(WriteValue("", "S", "k", "two\nlines"));
    EXPECT_FALSE(WriteValue("", "S", "k", "cr\r"));
    EXPECT_FALSE(WriteValue("", "S", "a=b", "v"));
    EXPECT_FALSE(WriteValue("", "S", ";k", "v"));
    EXPECT_FALSE(WriteValue("", "S", "[k", "v"));
    EXPECT_FALSE(WriteValue("", "S]", "k", "v"));
    EXPECT_FALSE(WriteValue("", "S\nT", "k", "v"));
    EXPECT_FALSE(WriteValue("", "S", "k\rl", "v"));
    EXPECT_FALSE(WriteValue("", "S", " k", "v"));
    EXPECT_FALSE(WriteValue("", "", "k", "v"));
    EXPECT_FALSE(WriteValue("", "S", "", "v"));
    // Text whose bytes would read back as other text.
    EXPECT_FALSE(WriteValue("", "S", "k", QString(QChar(0xD800))));
    EXPECT_FALSE(WriteValue("", "S", "k", QString(QChar(0xDC41))));
    EXPECT_FALSE(WriteValue("", "S", "k", QString(QChar(0xDCC3)) + QChar(0xDCA9)));
    EXPECT_FALSE(WriteValue("", QString(QChar(0xD800)), "k", "v"));
    EXPECT_FALSE(WriteValue("", "S", QString(QChar(0xDFFF)), "v"));
}

TEST(IniTextRead, BytesThatAreNotUtf8AreWrittenBackAsTheyWere)
{
    struct Row {
        const char* name;
        QByteArray bytes;
        bool utf8;
    } rows[] = {
        {"two-byte bounds", "\xC2\x80 \xDF\xBF", true},
        {"three-byte bounds", "\xE0\xA0\x80 \xED\x9F\xBF \xEE\x80\x80 \xEF\xBF\xBF", true},
        {"four-byte bounds", "\xF0\x90\x80\x80 \xF4\x8F\xBF\xBF", true},
        {"Latin-1 name", "caf\xE9.png", false},
        {"overlong two bytes", "\xC1\xBF", false},
        {"overlong three bytes", "\xE0\x9F\xBF", false},
        {"encoded surrogate", "\xED\xA0\x80", false},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80 \xF5\x80\x80\x80", false},
        {"lone continuation bytes", "\x80\xBF" "a\xFF", false},
        {"second byte of three not a continuation", "\xE2\x28\xA1", false},
        {"third byte of three not a continuation", "\xE2\x82\x28", false},
        {"fourth byte of four not a continuation", "\xF0\x9F\x98\x28", false},
        {"cut off at the end", "x\xF0\x9F\x98", false},
        {"a byte order mark after a byte that is not UTF-8", "\xEF\xEF\xBB\xBF\x8A\x8A", false},
        {"a byte order mark first (dropped by fromUtf8, kept here)", "\xEF\xBB\xBF" "a", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray text = "[S]\nk=" + row.bytes + "\n";
        const auto value = ReadValue(text, "S", "k");
        ASSERT_TRUE(value);
        EXPECT_EQ(*value == QString::fromUtf8(row.bytes), row.utf8);
        EXPECT_EQ(WriteValue(text, "S", "k", *value), text);
        EXPECT_EQ(WriteValue(text, "S", "moved", *value), text + "moved=" + row.bytes + "\n");
    }
}

TEST(IniTextInteger, Parsing)
{
    struct Row {
        const char* text;
        std::optional<std::int32_t> expected;
    } rows[] = {
        {"0x1F", 31},          {"0X1f", 31},         {"-12", -12},         {"+7", 7},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
        {"0xFFFFFFFF", -1},    {"0x100000000", std::nullopt}, {"0x", std::nullopt}, {"0x0x1", std::nullopt},
        {"0x-1", std::nullopt}, {"abc", std::nullopt}, {"", std::nullopt},   {"12abc", std::nullopt},
        {"1.5", std::nullopt}, {"0x000000064", 100}, {"0x0000000000", 0}, {"0x000100000000", std::nullopt},
        {"0x0", 0}, {"0xa", 10}, {"0xA0", 160},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseInteger(row.text), row.expected) << row.text;
}

} // namespace
