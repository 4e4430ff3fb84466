// The settings store application.ini: every operation goes to the file.
#include "vlmGlobal.h"

#include "AtomicFile.h"
#include "vlmGlobalIniText.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <optional>
#include <utility>

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

bool TvlmGlobal::LoadForBatch()
{
    if (!batchText_) {
        QByteArray text;
        batchUnreadable_ = LoadIniFile(IniFileName(), text) == Load::Failed;
        batchText_ = text;
    }
    return !batchUnreadable_;
}

QString TvlmGlobal::ReadIniString(const QString& section, const QString& key, const QString& defaultValue)
{
    QByteArray text;
    if (batchDepth_ > 0) {
        if (!LoadForBatch())
            return defaultValue;
        text = *batchText_;
    } else if (LoadIniFile(IniFileName(), text) != Load::Ok) {
        return defaultValue;
    }
    return IniText::ReadValue(text, section, key).value_or(defaultValue);
}

void TvlmGlobal::RemoveStaleIniFiles()
{
    TAtomicFile::RemoveLeftovers(IniFileName());
}

std::int32_t TvlmGlobal::ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue)
{
    const auto value = IniText::ParseInteger(ReadIniString(section, key, QStringLiteral("\n")));
    return value.value_or(defaultValue);
}

void TvlmGlobal::WriteIniString(const QString& section, const QString& key, const QString& value)
{
    WriteIniStrings(section, {{key, value}});
}

namespace {

// The text with values set in section; nullopt when one cannot be stored.
std::optional<QByteArray> WithValues(QByteArray text, const QString& section,
                                     const std::vector<std::pair<QString, QString>>& values)
{
    for (const auto& [key, value] : values) {
        const auto edited = IniText::WriteValue(text, section, key, value);
        if (!edited)
            return std::nullopt;
        text = *edited;
    }
    return text;
}

} // namespace

void TvlmGlobal::WriteIniStrings(const QString& section, const std::vector<std::pair<QString, QString>>& values)
{
    const QString fileName = IniFileName();
    if (batchDepth_ > 0) {
        if (LoadForBatch()) {
            if (const auto edited = WithValues(*batchText_, section, values)) {
                batchDirty_ = batchDirty_ || *edited != *batchText_;
                batchText_ = *edited;
                return;
            }
        }
    } else {
        QByteArray text;
        // A file that exists but cannot be read is left alone rather than
        // replaced by one holding a single key.
        if (LoadIniFile(fileName, text) != Load::Failed) {
            // A file that already holds the values is not written again.
            const auto edited = WithValues(text, section, values);
            if (edited && (*edited == text || SaveIniFile(fileName, *edited)))
                return;
        }
    }
    ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(fileName));
}

void TvlmGlobal::RemoveIniSection(const QString& section)
{
    const QString fileName = IniFileName();
    if (batchDepth_ > 0) {
        if (LoadForBatch()) {
            const QByteArray edited = IniText::RemoveSection(*batchText_, section);
            batchDirty_ = batchDirty_ || edited != *batchText_;
            batchText_ = edited;
            return;
        }
    } else {
        QByteArray text;
        const Load load = LoadIniFile(fileName, text);
        if (load == Load::Missing)
            return;
        if (load == Load::Ok) {
            const QByteArray edited = IniText::RemoveSection(text, section);
            if (edited == text || SaveIniFile(fileName, edited))
                return;
        }
    }
    ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(fileName));
}

QStringList TvlmGlobal::IniSections()
{
    QByteArray text;
    if (batchDepth_ > 0) {
        if (!LoadForBatch())
            return {};
        text = *batchText_;
    } else if (LoadIniFile(IniFileName(), text) != Load::Ok) {
        return {};
    }
    return IniText::Sections(text);
}

void TvlmGlobal::BeginIniBatch()
{
    ++batchDepth_;
}

void TvlmGlobal::EndIniBatch()
{
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    const std::optional<QByteArray> text = std::exchange(batchText_, std::nullopt);
    const bool dirty = std::exchange(batchDirty_, false);
    if (dirty && !SaveIniFile(IniFileName(), *text))
        ReportOrThrow(QCoreApplication::translate("TvlmGlobal", "%1 に書き込めません").arg(IniFileName()));
}

TvlmIniBatch::TvlmIniBatch(TvlmGlobal* global) : global_(global)
{
    if (global_)
        global_->BeginIniBatch();
}

TvlmIniBatch::~TvlmIniBatch()
{
    if (!global_)
        return;
    try {
        global_->EndIniBatch();
    } catch (const EvlmGlobalError& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
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
