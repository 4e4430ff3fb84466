#include "TestEnv.h"

#include <QDir>
#include <QFile>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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

int silentListener(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(name.size()) >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                    ::listen(fd, 16) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace pocosa::test
