#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TestEnv.h"
#include "Translations.h"

namespace {

TEST(Language, TheFirstRealLanguageOfTheLocaleDecides)
{
    const struct {
        const char* Name;
        QStringList UiLanguages;
        TLanguage Expected;
        TLocaleVariables Locale = {}; // LC_ALL, LC_MESSAGES, LANG, LC_TIME
        const char* Dates = "";       // the locale of dates, when not the language's own
    } rows[] = {
        {"Japanese locale", {"ja-JP", "ja-Jpan-JP", "ja"}, TLanguage::Japanese},
        {"English locale", {"en-US", "en-Latn-US", "en"}, TLanguage::English},
        {"any other language is English", {"de-DE", "de"}, TLanguage::English},
        {"the first wins over a later Japanese", {"fr", "fr-FR", "ja", "ja-JP"}, TLanguage::English},
        {"and a later English", {"ja", "en"}, TLanguage::Japanese},
        {"LANG=C", {"C"}, TLanguage::English},
        {"C and POSIX are passed over", {"C", "POSIX", "ja-JP"}, TLanguage::Japanese},
        {"C.UTF-8 is C", {"C.UTF-8", "ja"}, TLanguage::Japanese},
        {"nothing at all", {}, TLanguage::English},
        {"an empty entry is passed over", {"", "ja"}, TLanguage::Japanese},
        {"glibc's spelling", {"ja_JP.UTF-8"}, TLanguage::Japanese},
        {"letter case", {"JA-jp"}, TLanguage::Japanese},
        {"Javanese is not Japanese", {"jv", "jav-ID"}, TLanguage::English},
        {"LANGUAGE=ja:en LC_ALL=C", {"ja", "en", "C"}, TLanguage::English, {"C", "ja_JP.UTF-8", "ja_JP.UTF-8"}},
        {"LC_ALL=POSIX", {"ja"}, TLanguage::English, {"POSIX", "", ""}},
        {"LC_MESSAGES=C under an empty LC_ALL", {"ja"}, TLanguage::English, {"", "C", "ja_JP.UTF-8"}},
        {"LANG=C alone", {"ja"}, TLanguage::English, {"", "", "C"}},
        {"LC_ALL wins over LC_MESSAGES=C", {"ja"}, TLanguage::Japanese, {"ja_JP.UTF-8", "C", "C", "en_GB"}},
        {"dates as LC_TIME writes them", {"en"}, TLanguage::English, {"", "", "C.UTF-8", "en_GB.UTF-8"}, "en_GB"},
        {"and LANG", {"en"}, TLanguage::English, {"", "", "en_IE.UTF-8@euro"}, "en_IE"},
        {"LC_MESSAGES wins over LANG=C", {"ja"}, TLanguage::Japanese, {"", "ja_JP.UTF-8", "C"}},
        {"C.UTF-8 keeps LANGUAGE", {"ja", "C.UTF-8"}, TLanguage::Japanese, {"C.UTF-8", "", "C"}},
        {"nothing set keeps LANGUAGE", {"ja"}, TLanguage::Japanese, {"", "", ""}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ChooseLanguage(row.UiLanguages, row.Locale), row.Expected) << row.Name;
        const QLocale own(row.Expected == TLanguage::Japanese ? QLocale::Japanese : QLocale::English);
        EXPECT_EQ(DateLocale(row.Expected, row.Locale).name(), *row.Dates ? row.Dates : own.name()) << row.Name;
    }
}

// The catalogs the build makes beside the program.
QString BuiltCatalogs()
{
    return pocosa::test::buildDir() + "/bin/translations";
}

TEST(Translations, TheFirstFolderHoldingTheCatalogServesAndOnlyWhileInstalled)
{
    QTemporaryDir empty;
    const QString text = "分";
    {
        const TTranslations english(TLanguage::English, {empty.path(), BuiltCatalogs()});
        ASSERT_TRUE(english.ProgramCatalogLoaded()) << BuiltCatalogs().toStdString();
        EXPECT_EQ(QCoreApplication::translate("TFmTimerMain", "分"), text) << "not installed yet";
        english.Install();
        EXPECT_EQ(QCoreApplication::translate("TFmTimerMain", "分"), "Min");
        const TTranslations japanese(TLanguage::Japanese, {BuiltCatalogs()});
        japanese.Install();
        EXPECT_EQ(QCoreApplication::translate("TimeArgument", "an empty time was given"), "時間が空です")
            << "the last installed is asked first";
    }
    EXPECT_EQ(QCoreApplication::translate("TFmTimerMain", "分"), text) << "gone with its owner";

    const TTranslations none(TLanguage::English, {empty.path()});
    EXPECT_FALSE(none.ProgramCatalogLoaded());
    none.Install();
    EXPECT_EQ(QCoreApplication::translate("TFmTimerMain", "分"), text);
}

TEST(Translations, JapaneseAlsoLoadsQtsOwnCatalogWhichTheProgramsOwnOverrides)
{
    // A stand-in for Qt's catalog: one that tells apart who answered.
    QTemporaryDir qt;
    ASSERT_TRUE(QFile::copy(BuiltCatalogs() + "/pocosa_en.qm", qt.filePath("qtbase_ja.qm")));
    QTemporaryDir empty;
    const struct {
        const char* Name;
        TLanguage Language;
        QStringList Folders;
        const char* Expected;
    } rows[] = {
        {"Japanese, Qt's catalog alone", TLanguage::Japanese, {empty.path()}, "Min"},
        {"Japanese, the program's own first", TLanguage::Japanese, {BuiltCatalogs()}, "分"},
        {"English never loads Qt's Japanese", TLanguage::English, {empty.path()}, "分"},
    };
    for (const auto& row : rows) {
        const TTranslations catalogs(row.Language, row.Folders, qt.path());
        catalogs.Install();
        EXPECT_EQ(QCoreApplication::translate("TFmTimerMain", "分"), row.Expected) << row.Name;
    }
}

TEST(Translations, ToolsInstalledInBinFindTheProgramFoldersCatalogs)
{
    QTemporaryDir prefix;
    const QDir root(prefix.path());
    ASSERT_TRUE(root.mkpath("bin") && root.mkpath("lib/pocosa/translations"));
    ASSERT_TRUE(QFile::copy(BuiltCatalogs() + "/pocosa_en.qm", root.filePath("lib/pocosa/translations/pocosa_en.qm")));
    const QStringList folders = CatalogFolders(root.filePath("bin"));
    EXPECT_EQ(folders.first(), root.filePath("bin/translations"));
    EXPECT_TRUE(TTranslations(TLanguage::English, folders).ProgramCatalogLoaded());
    EXPECT_FALSE(TTranslations(TLanguage::Japanese, folders).ProgramCatalogLoaded());
}

} // namespace
