#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#ifndef POCOSA_CATALOGS_FROM_BIN
#define POCOSA_CATALOGS_FROM_BIN "../lib/pocosa/translations"
#endif

TLocaleVariables LocaleVariablesOfProcess()
{
    return {qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG"),
            qEnvironmentVariable("LC_TIME")};
}

TLanguage ChooseLanguage(const QStringList& uiLanguages, const TLocaleVariables& locale)
{
    const QString& messages = !locale.LcAll.isEmpty()        ? locale.LcAll
                              : !locale.LcMessages.isEmpty() ? locale.LcMessages
                                                             : locale.Lang;
    if (messages == QLatin1String("C") || messages == QLatin1String("POSIX"))
        return TLanguage::English;
    for (const QString& tag : uiLanguages) {
        // "ja-JP", "ja_JP.UTF-8", "en-Latn-US", "C.UTF-8", "sr@latin": the language comes first.
        qsizetype end = 0;
        while (end < tag.size() && !QStringView(u"-_.@").contains(tag[end]))
            ++end;
        const QString language = tag.first(end).trimmed().toLower();
        if (language.isEmpty() || language == QLatin1String("c") || language == QLatin1String("posix"))
            continue;
        return language == QLatin1String("ja") ? TLanguage::Japanese : TLanguage::English;
    }
    return TLanguage::English;
}

QString CatalogFileName(TLanguage language)
{
    return language == TLanguage::Japanese ? QStringLiteral("pocosa_ja.qm") : QStringLiteral("pocosa_en.qm");
}

QStringList CatalogFolders(const QString& programDir)
{
    const QDir dir(programDir);
    return {dir.filePath(QStringLiteral("translations")),
            QDir::cleanPath(dir.filePath(QStringLiteral(POCOSA_CATALOGS_FROM_BIN)))};
}

TTranslations::TTranslations(TLanguage language, const QStringList& folders, const QString& qtFolder)
{
    const QString file = CatalogFileName(language);
    for (const QString& folder : folders) {
        auto catalog = std::make_unique<QTranslator>();
        if (catalog->load(file, folder)) {
            program_ = std::move(catalog);
            break;
        }
    }
    if (language == TLanguage::Japanese) {
        auto catalog = std::make_unique<QTranslator>();
        const QString folder = qtFolder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : qtFolder;
        if (catalog->load(QStringLiteral("qtbase_ja.qm"), folder))
            qt_ = std::move(catalog);
    }
}

TTranslations::~TTranslations() = default;

void TTranslations::Install() const
{
    if (!QCoreApplication::instance())
        return;
    // The last installed is asked first: the program's own texts win.
    if (qt_)
        QCoreApplication::installTranslator(qt_.get());
    if (program_)
        QCoreApplication::installTranslator(program_.get());
}

bool TTranslations::ProgramCatalogLoaded() const
{
    return program_ != nullptr;
}

std::unique_ptr<TTranslations> InstallUserLanguage()
{
    auto translations =
        std::make_unique<TTranslations>(ChooseLanguage(QLocale::system().uiLanguages(), LocaleVariablesOfProcess()),
                                        CatalogFolders(QCoreApplication::applicationDirPath()));
    translations->Install();
    return translations;
}

QLocale DateLocale(TLanguage language, const TLocaleVariables& locale)
{
    // QLocale::system() names the language of LANGUAGE but keeps the date
    // forms of LC_TIME, whatever language that speaks.
    const QString& name = !locale.LcAll.isEmpty()    ? locale.LcAll
                          : !locale.LcTime.isEmpty() ? locale.LcTime
                                                     : locale.Lang;
    const QLocale dates(name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0));
    const QLocale::Language wanted = language == TLanguage::Japanese ? QLocale::Japanese : QLocale::English;
    return dates.language() == wanted ? dates : QLocale(wanted);
}

QLocale UserLanguageLocale()
{
    const TLocaleVariables locale = LocaleVariablesOfProcess();
    return DateLocale(ChooseLanguage(QLocale::system().uiLanguages(), locale), locale);
}
