// The settings store application.ini: every operation goes to the file.
#include "vlmGlobal.h"

#include "AtomicFile.h"
#include "vlmGlobalIniText.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

// A settings file beyond this size is not ours; it is neither read nor replaced.
constexpr qint64 kMaxIniFileSize = 16 * 1024 * 1024;

enum class Load { Ok, Missing, Failed };

// The file's bytes; a missing file reads as empty.
Load LoadIniFile(const QString& fileName, QByteArray& text)
{
    text.clear();
    QFile file(fileName);
    if (!file.exists())
        return Load::Missing;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxIniFileSize)
        return Load::Failed;
    text = file.read(kMaxIniFileSize + 1);
    if (text.size() > kMaxIniFileSize || file.error() != QFileDevice::NoError)
        return Load::Failed;
    return Load::Ok;
}

bool SaveIniFile(const QString& fileName, const QByteArray& text)
{
    TAtomicFile file(fileName);
    return file.Open() && file.Write(text) && file.Commit();
}

} // namespace

QString TvlmGlobal::IniFileName()
{
    if (iniFileName_.isEmpty())
        iniFileName_ = DataPath() + QStringLiteral("application.ini");
    return iniFileName_;
}

QString TvlmGlobal::ReadIniString(const QString& section, const QString& key, const QString& defaultValue)
{
    QByteArray text;
    if (LoadIniFile(IniFileName(), text) != Load::Ok)
        return defaultValue;
    return IniText::ReadValue(text, section, key).value_or(defaultValue);
}

void TvlmGlobal::RemoveStaleIniFiles()
{
    TAtomicFile::RemoveLeftovers(IniFileName());
}

std::int32_t TvlmGlobal::ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue)
{
    QByteArray text;
    if (LoadIniFile(IniFileName(), text) != Load::Ok)
        return defaultValue;
    const auto value = IniText::ReadValue(text, section, key);
    if (!value)
        return defaultValue;
    return IniText::ParseInteger(*value).value_or(defaultValue);
}

void TvlmGlobal::WriteIniString(const QString& section, const QString& key, const QString& value)
{
    WriteIniStrings(section, {{key, value}});
}

void TvlmGlobal::WriteIniStrings(const QString& section, const std::vector<std::pair<QString, QString>>& values)
{
    const QString fileName = IniFileName();
    QByteArray text;
    // A file that exists but cannot be read is left alone rather than
    // replaced by one holding a single key.
    if (LoadIniFile(fileName, text) != Load::Failed) {
        bool stored = true;
        for (const auto& [key, value] : values) {
            const auto edited = IniText::WriteValue(text, section, key, value);
            stored = stored && edited.has_value();
            if (!stored)
                break;
            text = *edited;
        }
        if (stored && SaveIniFile(fileName, text))
            return;
    }
    ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(fileName));
}

void TvlmGlobal::WriteIniInteger(const QString& section, const QString& key, std::int32_t value)
{
    WriteIniString(section, key, QString::number(value));
}

void TvlmGlobal::ReportOrThrow(const QString& message)
{
    if (!shuttingDown_)
        throw EvlmGlobalError(message.toStdString());
    std::fprintf(stderr, "pocosa: %s\n", message.toLocal8Bit().constData());
}
