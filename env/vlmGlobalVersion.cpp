// Program folder, version values and the platform's major version.
#include "vlmGlobal.h"

#include <QFileInfo>
#include <QStringList>

#include <sys/utsname.h>

namespace {

// Language 0x0411 (Japanese) with code page 932, the program's only translation.
constexpr std::uint32_t kProgramTranslation = 0x0411u | (0x03A4u << 16);

QStringList PathParts(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString HexWord(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v & 0xFFFFu, 4, 16, QLatin1Char('0')).toUpper();
}

int KernelMajorVersion()
{
    utsname name{};
    if (uname(&name) != 0)
        return 0;
    return QString::fromLatin1(name.release).section(QLatin1Char('.'), 0, 0).toInt();
}

QString RunningProgramFile()
{
    // The executable with symlinks resolved; works before a QCoreApplication exists.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

const TVersionBlock& ProgramVersionBlock()
{
    static const TVersionBlock block = [] {
        TVersionBlock b;
        b.Translations.push_back(kProgramTranslation);
        b.StringTables[QStringLiteral("041103A4")] = {
            {QStringLiteral("CompanyName"), QStringLiteral("Velmora")},
            {QStringLiteral("FileVersion"), QStringLiteral(POCOSA_VERSION)},
            {QStringLiteral("InternalName"), QStringLiteral("pocosa")},
            {QStringLiteral("ProductName"), QStringLiteral("Pocosa")},
            {QStringLiteral("OriginalFilename"), QStringLiteral("pocosa")},
        };
        return b;
    }();
    return block;
}

std::optional<std::uint32_t> VerQueryTranslation(const TVersionBlock& block, const QString& path)
{
    const QStringList parts = PathParts(path);
    if (parts != QStringList{QStringLiteral("VarFileInfo"), QStringLiteral("Translation")} ||
        block.Translations.empty())
        return std::nullopt;
    return block.Translations.front();
}

std::optional<QString> VerQueryString(const TVersionBlock& block, const QString& path)
{
    const QStringList parts = PathParts(path);
    if (parts.size() != 3 || parts[0] != QLatin1String("StringFileInfo"))
        return std::nullopt;
    const auto table = block.StringTables.find(parts[1].toUpper());
    if (table == block.StringTables.end())
        return std::nullopt;
    const auto value = table->second.find(parts[2]);
    if (value == table->second.end())
        return std::nullopt;
    return value->second;
}

void TvlmGlobal::LoadVersionInfo()
{
    const QString file = setup_.ProgramFile.isEmpty() ? RunningProgramFile() : setup_.ProgramFile;
    const QFileInfo info(file);
    programDir_ = info.path();
    if (programDir_ == QLatin1String("/"))
        programDir_.clear();
    programPath_ = programDir_ + QLatin1Char('/');
    exeFileName_ = info.fileName();

    companyName_ = productName_ = internalName_ = QStringLiteral("unknown");
    if (!setup_.VersionBlock)
        return; // no version information: asked again on the next query
    ApplyVersionBlock(*setup_.VersionBlock);
    versionInfoLoaded_ = true;
}

void TvlmGlobal::ApplyVersionBlock(const TVersionBlock& block)
{
    // A block without a translation table keeps the "unknown" names.
    const auto translation = VerQueryTranslation(block, QStringLiteral("\\\\VarFileInfo\\\\Translation"));
    if (!translation)
        return;
    const QString prefix =
        QStringLiteral("\\\\StringFileInfo\\\\") + HexWord(*translation) + HexWord(*translation >> 16) +
        QStringLiteral("\\\\");
    fileVersion_ = VerQueryString(block, prefix + QStringLiteral("FileVersion")).value_or(QString());
    const std::pair<const char*, QString*> names[] = {
        {"ProductName", &productName_}, {"InternalName", &internalName_}, {"CompanyName", &companyName_}};
    for (const auto& [name, field] : names) {
        if (const auto value = VerQueryString(block, prefix + QLatin1String(name)))
            *field = *value;
        if (field->isEmpty())
            *field = QStringLiteral("unknown");
    }
}

const QString& TvlmGlobal::Loaded(const QString& field)
{
    if (!versionInfoLoaded_)
        LoadVersionInfo();
    return field;
}

QString TvlmGlobal::ProgramDir() { return Loaded(programDir_); }
QString TvlmGlobal::ProgramPath() { return Loaded(programPath_); }
QString TvlmGlobal::ExeFileName() { return Loaded(exeFileName_); }
QString TvlmGlobal::CompanyName() { return Loaded(companyName_); }
QString TvlmGlobal::ProductName() { return Loaded(productName_); }
QString TvlmGlobal::InternalName() { return Loaded(internalName_); }
QString TvlmGlobal::FileVersion() { return Loaded(fileVersion_); }

int TvlmGlobal::OSMajorVersion()
{
    if (osMajorVersion_ == 0)
        osMajorVersion_ = setup_.QueryOSMajorVersion ? setup_.QueryOSMajorVersion() : KernelMajorVersion();
    return osMajorVersion_;
}
