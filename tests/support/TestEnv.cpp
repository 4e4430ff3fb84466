#include "TestEnv.h"

#include <QDir>
#include <QFile>

namespace pocosa::test {

void pointHomeAt(const QString& root)
{
    const QDir dir(root);
    const char* names[][2] = {{"HOME", "home"},
                              {"XDG_CONFIG_HOME", "home/.config"},
                              {"XDG_DATA_HOME", "home/.local/share"},
                              {"XDG_CACHE_HOME", "home/.cache"},
                              {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& [var, sub] : names) {
        const QString path = dir.filePath(QString::fromLatin1(sub));
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(var, QFile::encodeName(path));
    }
}

QString testDataDir()
{
    return QStringLiteral(POCOSA_TEST_SOURCE_DIR "/tests/data");
}

QString sharedTestDataDir()
{
    return QDir::cleanPath(QStringLiteral(POCOSA_TEST_SOURCE_DIR "/../shared/testdata"));
}

QString sourceDir()
{
    return QStringLiteral(POCOSA_TEST_SOURCE_DIR);
}

QString buildDir()
{
    return QStringLiteral(POCOSA_TEST_BUILD_DIR);
}

} // namespace pocosa::test
