#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

class QSettings;
namespace IniText {
class Index;
}

// Failures of the environment object: settings and registry writes that the
// platform refuses, registry values of the wrong type.
class EvlmGlobalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The version information compiled into the program. It is laid out like a
// version resource: a translation table of (language | code page << 16)
// entries and string tables keyed by the eight upper-case hex digits of a
// translation ("041103A4"). Queried with the usual resource paths through
// VerQueryString / VerQueryTranslation.
struct TVersionBlock {
    std::vector<std::uint32_t> Translations;
    std::map<QString, std::map<QString, QString>> StringTables;
};

// The block built from the project version and the program's names.
const TVersionBlock& ProgramVersionBlock();

// "\\VarFileInfo\\Translation" gives the first translation entry. Separators
// may be written single or doubled. nullopt when the path names nothing.
std::optional<std::uint32_t> VerQueryTranslation(const TVersionBlock& block, const QString& path);
// "\\StringFileInfo\\041103A4\\ProductName" and the like.
std::optional<QString> VerQueryString(const TVersionBlock& block, const QString& path);

// What a TvlmGlobal is built from. The defaults describe the running program;
// tests point ProgramFile at a file in a temporary folder (the file need not
// exist), substitute a version block or count OS queries.
struct TvlmGlobalSetup {
    // Full path of the program file; empty: the running executable with
    // symlinks resolved.
    QString ProgramFile;
    // The version information of the program file; nullopt: it carries none.
    std::optional<TVersionBlock> VersionBlock = ProgramVersionBlock();
    // Major version of the running platform; default: the kernel's (uname).
    std::function<int()> QueryOSMajorVersion;
    // The data folder FindDataDir gave for this setup earlier in the run,
    // taken without looking again; empty: looked for on first use.
    QString FoundDataDir;
};

// The application-wide environment: program and data folders, the settings
// store application.ini, the per-user registry store, version values.
// Folder names ending in Dir carry no trailing '/', those ending in Path do.
class TvlmGlobal {
public:
    explicit TvlmGlobal(TvlmGlobalSetup setup = {});
    ~TvlmGlobal();
    TvlmGlobal(const TvlmGlobal&) = delete;
    TvlmGlobal& operator=(const TvlmGlobal&) = delete;

    QString ProgramDir();
    QString ProgramPath();
    QString ExeFileName();
    QString CompanyName();
    QString ProductName();
    QString InternalName();
    QString FileVersion();
    int OSMajorVersion();

    // The data folder a TvlmGlobal of the setup uses, found without creating
    // it or writing the registry store (a start looks for the settings' lock
    // there before the modules start).
    static QString FindDataDir(TvlmGlobalSetup setup = {});

    // Determined (and created) on first use; then fixed for the run. A
    // folder recorded in the per-user store comes first, then the setup's
    // FoundDataDir, then the default choice.
    QString DataDir();
    QString DataPath();
    void SetDataDir(const QString& folder);

    // Reads never fail: anything missing or unreadable gives Default. Each
    // write replaces application.ini atomically and is on disk when the call
    // returns; a refused write raises EvlmGlobalError ("<file> に書き込めません").
    // A replacement the disk refuses (full, a quota) is not forgotten: reads
    // give what it meant to write, and each later write tries the whole text
    // again until one succeeds.
    QString ReadIniString(const QString& section, const QString& key, const QString& defaultValue);
    std::int32_t ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue);
    void WriteIniString(const QString& section, const QString& key, const QString& value);
    void WriteIniInteger(const QString& section, const QString& key, std::int32_t value);
    // Several keys of one section in one replacement of the file: a reader
    // (or a kill) sees all of them changed or none.
    void WriteIniStrings(const QString& section, const std::vector<std::pair<QString, QString>>& values);
    // Removes a section with all its keys in one replacement of the file.
    void RemoveIniSection(const QString& section);
    // The sections application.ini holds, in file order.
    QStringList IniSections();
    // Between Begin and End every read and write of application.ini goes to
    // one copy held in memory, which End writes in one replacement of the
    // file (when anything changed): many keys of many sections, written
    // once. Nested pairs count; the outermost End writes. End raises as a
    // write does.
    void BeginIniBatch();
    void EndIniBatch();
    QString IniFileName();
    // Why the file does not hold what the settings are (the last failed
    // replacement, in the system's words); empty when it does.
    QString UnsavedReason() const { return unsavedReason_; }
    // How many replacements of the file have failed in this run.
    std::uint64_t SaveFailures() const { return saveFailures_; }
    // Removes the temporary files a write cut short by a kill left beside
    // application.ini. Only for the one program that owns the settings.
    void RemoveStaleIniFiles();

    // Per-user registry store (a QSettings INI file; sections are groups).
    QString ReadRegString(const QString& section, const QString& key, const QString& defaultValue);
    void WriteRegString(const QString& section, const QString& key, const QString& value);

    // From here on a refused settings write is reported on stderr instead of
    // raised, so that destructors saving their state at the end of the run
    // neither end the program nor keep the remaining writes from happening.
    // main() calls it once the event loop has returned.
    void BeginShutDown() { shuttingDown_ = true; }
    bool ShuttingDown() const { return shuttingDown_; }

    QString DefaultDataDir();
    QString InstalledAppDir();
    bool HasUserRegistryKey();
    // path ends with '/'. Probes with a new WriteTest<n>.tmp file, removed again.
    static bool IsWritableDir(const QString& path);
    bool IsProgramDirWritable();

    // Files standing in for the registry keys (QSettings INI files).
    QString UserRegistryFile();
    QString MachineRegistryFile();

private:
    TvlmGlobal(TvlmGlobalSetup setup, bool takeDataDir);
    void LoadVersionInfo();
    const QString& Loaded(const QString& field);
    void ApplyVersionBlock(const TVersionBlock& block);
    QSettings& RegistryStore();
    void ReportOrThrow(const QString& message);

    TvlmGlobalSetup setup_;
    bool versionInfoLoaded_ = false;
    int osMajorVersion_ = 0;
    QString dataDir_;
    QString programDir_;
    QString companyName_;
    QString programPath_;
    QString fileVersion_;
    QString exeFileName_;
    QString internalName_;
    QString productName_;
    std::unique_ptr<QSettings> registry_;
    QString iniFileName_;
    bool shuttingDown_ = false;
    // What a read of application.ini found: the file's identity and bytes.
    enum class IniLoad { Ok, Missing, Failed };
    IniLoad LoadIni(QByteArray& text);
    bool SaveIni(const QByteArray& text);
    struct TIniFileIdentity {
        std::uint64_t Device = 0, Inode = 0;
        std::int64_t Size = 0, MTimeSec = 0, MTimeNsec = 0;
        bool operator==(const TIniFileIdentity&) const = default;
    };
    // The last text read, served again while the file keeps its identity.
    // Writes of this object drop it.
    struct TIniCache {
        TIniFileIdentity Identity;
        QByteArray Text;
    };
    std::optional<TIniCache> iniCache_;
    std::shared_ptr<const IniText::Index> index_; // of the text last looked into
    const IniText::Index& IndexOf(const QByteArray& text);
    // The text the last, failed, replacement meant to write.
    std::optional<QByteArray> pending_;
    QString unsavedReason_;
    std::uint64_t saveFailures_ = 0;
    int batchDepth_ = 0;
    std::optional<QByteArray> batchText_; // loaded at the first use in a batch
    bool batchDirty_ = false;
    bool batchUnreadable_ = false;
    bool LoadForBatch();
};

// One batch of settings writes for the time of a scope (see
// TvlmGlobal::BeginIniBatch); a refused write at its end is reported on
// standard error.
class TvlmIniBatch {
public:
    explicit TvlmIniBatch(TvlmGlobal* global);
    ~TvlmIniBatch();
    TvlmIniBatch(const TvlmIniBatch&) = delete;
    TvlmIniBatch& operator=(const TvlmIniBatch&) = delete;

private:
    TvlmGlobal* global_;
};

// The single instance, alive between the construction and the destruction of
// the vlmGlobalUnit guard.
extern TvlmGlobal* AppGlobal;

// Module lifetime of AppGlobal: main() constructs this guard before anything
// else and it is destroyed last. Tests construct it with their own setup.
class vlmGlobalUnit {
public:
    explicit vlmGlobalUnit(TvlmGlobalSetup setup = {});
    ~vlmGlobalUnit();
    vlmGlobalUnit(const vlmGlobalUnit&) = delete;
    vlmGlobalUnit& operator=(const vlmGlobalUnit&) = delete;
};
