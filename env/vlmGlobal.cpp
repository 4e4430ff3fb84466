// Life of AppGlobal, the data-folder choice and the registry store.
#include "vlmGlobal.h"

#include "ShellFileUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

TvlmGlobal* AppGlobal = nullptr;

namespace {

constexpr int kWriteTestNames = 1000;

QString Lower(const QString& s)
{
    return QLocale().toLower(s);
}

// The path a QSettings INI store of the scope would use, without creating it.
QString ScopeFile(QSettings::Scope scope, const QString& organization, const QString& application)
{
    return QSettings(QSettings::IniFormat, scope, organization, application).fileName();
}

} // namespace

TvlmGlobal::TvlmGlobal(TvlmGlobalSetup setup) : TvlmGlobal(std::move(setup), true) {}

TvlmGlobal::TvlmGlobal(TvlmGlobalSetup setup, bool takeDataDir) : setup_(std::move(setup))
{
    versionInfoLoaded_ = false;
    if (!HasUserRegistryKey())
        return;
    // A damaged or unwritable per-user store must not stop the program: the
    // data folder then falls back to the default choice.
    try {
        const QString folder = ReadRegString(QStringLiteral("DATA"), QStringLiteral("PATH"), QString());
        if (takeDataDir)
            SetDataDir(folder);
        else
            dataDir_ = folder;
    } catch (const EvlmGlobalError& e) {
        if (takeDataDir)
            std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
}

QString TvlmGlobal::FindDataDir(TvlmGlobalSetup setup)
{
    TvlmGlobal global(std::move(setup), false);
    return global.dataDir_.isEmpty() ? global.DefaultDataDir() : global.dataDir_;
}

TvlmGlobal::~TvlmGlobal() = default;

QString TvlmGlobal::UserRegistryFile()
{
    return ScopeFile(QSettings::UserScope, CompanyName(), InternalName());
}

QString TvlmGlobal::MachineRegistryFile()
{
    return ScopeFile(QSettings::SystemScope, QStringLiteral("velmora"), InternalName());
}

bool TvlmGlobal::HasUserRegistryKey()
{
    return QFileInfo(UserRegistryFile()).isFile();
}

void TvlmGlobal::SetDataDir(const QString& folder)
{
    dataDir_ = folder;
    if (folder.isEmpty())
        return;
    CreateFolderPath(folder);
    WriteRegString(QStringLiteral("DATA"), QStringLiteral("PATH"), folder);
}

QString TvlmGlobal::DataDir()
{
    if (dataDir_.isEmpty()) {
        // The default choice probes the program folder with a file of its own.
        dataDir_ = setup_.FoundDataDir.isEmpty() ? DefaultDataDir() : setup_.FoundDataDir;
        CreateFolderPath(dataDir_);
    }
    return dataDir_;
}

QString TvlmGlobal::DataPath()
{
    return DataDir() + QLatin1Char('/');
}

QString TvlmGlobal::DefaultDataDir()
{
    // Trailing delimiters are not part of a folder's identity.
    const QString installed = StripTrailingBackslashes(InstalledAppDir());
    // Without a recorded install folder nothing needs lower-casing (which
    // would bring in the locale's case tables at every start).
    const bool same = installed.isEmpty() ? ProgramDir().isEmpty() : Lower(installed) == Lower(ProgramDir());
    if (!same && IsProgramDirWritable())
        return ProgramDir() + QStringLiteral("/Data");
    return SpecialFolderPath(kFolderAppData) + QLatin1Char('/') + CompanyName() + QLatin1Char('/') +
           ProductName();
}

QString TvlmGlobal::InstalledAppDir()
{
    const QString file = MachineRegistryFile();
    if (!QFileInfo(file).isFile())
        return QString();
    const QSettings machine(file, QSettings::IniFormat);
    const QVariant value = machine.value(QStringLiteral("AppDir"));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool TvlmGlobal::IsWritableDir(const QString& path)
{
    if (!QFileInfo(StripTrailingBackslashes(path)).isDir())
        return false;
    for (int n = 0; n < kWriteTestNames; ++n) {
        const QString name = path + QStringLiteral("WriteTest%1.tmp").arg(n);
        const QFileInfo info(name);
        if (info.exists() || info.isSymLink())
            continue;
        // O_EXCL: never follow a link or truncate a file that appeared
        // meanwhile; only a file made here is removed again.
        const QByteArray file = QFile::encodeName(name);
        const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue; // another program's probe of the moment (a later start's)
        if (fd >= 0) {
            ::close(fd);
            ::unlink(file.constData());
        }
        return fd >= 0;
    }
    return false;
}

bool TvlmGlobal::IsProgramDirWritable()
{
    return IsWritableDir(ProgramPath());
}

QSettings& TvlmGlobal::RegistryStore()
{
    if (!registry_)
        registry_ = std::make_unique<QSettings>(UserRegistryFile(), QSettings::IniFormat);
    return *registry_;
}

QString TvlmGlobal::ReadRegString(const QString& section, const QString& key, const QString& defaultValue)
{
    QSettings& store = RegistryStore();
    const QString name = section + QLatin1Char('/') + key;
    if (!store.contains(name))
        return defaultValue;
    const QVariant value = store.value(name);
    if (value.typeId() != QMetaType::QString)
        throw EvlmGlobalError(
            QCoreApplication::translate("TvlmGlobal", "'%1' のデータ型が不正です").arg(key).toStdString());
    return value.toString();
}

void TvlmGlobal::WriteRegString(const QString& section, const QString& key, const QString& value)
{
    QSettings& store = RegistryStore();
    const QString folder = QFileInfo(store.fileName()).path();
    if (!QDir().mkpath(folder))
        throw EvlmGlobalError(
            QCoreApplication::translate("TvlmGlobal", "キー %1 の作成に失敗しました").arg(section).toStdString());
    store.setValue(section + QLatin1Char('/') + key, value);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw EvlmGlobalError(
            QCoreApplication::translate("TvlmGlobal", "'%1' の設定に失敗しました").arg(key).toStdString());
}

vlmGlobalUnit::vlmGlobalUnit(TvlmGlobalSetup setup)
{
    AppGlobal = new TvlmGlobal(std::move(setup));
}

vlmGlobalUnit::~vlmGlobalUnit()
{
    delete AppGlobal;
    AppGlobal = nullptr;
}
