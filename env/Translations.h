#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

class QTranslator;

// The languages Pocosa speaks. Its texts are written in Japanese (the
// window, its messages) and in English (the command line); each catalog
// puts all of them in one language.
enum class TLanguage { Japanese, English };

// The variables that name the session's message locale.
struct TLocaleVariables {
    QString LcAll;
    QString LcMessages;
    QString Lang;
    QString LcTime = {}; // for dates and times, under LC_ALL and over LANG
};

// The variables of this process's environment.
TLocaleVariables LocaleVariablesOfProcess();

// The user's language from the ui languages of the locale, most wanted
// first (QLocale::uiLanguages: LANGUAGE, else LC_ALL, LC_MESSAGES, LANG).
// The first real language decides: Japanese picks Japanese, any other
// English. "C" and "POSIX" name no language and are passed over; with none
// left the answer is English, which a plain terminal shows best.
// As in gettext, a message locale (LC_ALL, else LC_MESSAGES, else LANG, the
// first set and not empty) of exactly "C" or "POSIX" means English whatever
// LANGUAGE lists; "C.UTF-8" is not "C".
TLanguage ChooseLanguage(const QStringList& uiLanguages, const TLocaleVariables& locale = {});

// The catalog's file name for a language: "pocosa_ja.qm", "pocosa_en.qm".
QString CatalogFileName(TLanguage language);

// The folders that may hold the catalogs of a program in programDir, in
// order: translations/ beside it (the timer, and every program of a build
// tree), then beside the installed timer for a tool installed in bin/.
QStringList CatalogFolders(const QString& programDir);

// The catalogs of one language: the program's own, found in the first of
// folders that has it, and for Japanese Qt's own (qtbase_ja.qm in qtFolder,
// by default Qt's translations folder: the buttons of message boxes, the
// file dialog, QCommandLineParser's texts) when it is installed. A missing
// catalog is no error: its texts stay as written.
class TTranslations {
public:
    TTranslations(TLanguage language, const QStringList& folders, const QString& qtFolder = QString());
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // Installs the catalogs on the application object that exists now. A
    // later application object needs its own call: the catalogs stay with
    // this object, which must outlive them all.
    void Install() const;

    bool ProgramCatalogLoaded() const;

private:
    std::unique_ptr<QTranslator> program_;
    std::unique_ptr<QTranslator> qt_;
};

// The locale whose date and time forms go with `language`: the one the
// variables name for dates (LC_ALL, else LC_TIME, else LANG) when it speaks
// that language, else the language's own (Japan's, the United States').
QLocale DateLocale(TLanguage language, const TLocaleVariables& locale);
// The same for the user's language (as ChooseLanguage picks it).
QLocale UserLanguageLocale();

// The catalogs of the user's language (QLocale::system) for the program of
// the application object that exists now, installed on it.
std::unique_ptr<TTranslations> InstallUserLanguage();
