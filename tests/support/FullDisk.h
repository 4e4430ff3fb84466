#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

// A small tmpfs that Fill() fills, so that writes there fail with ENOSPC; needs root to mount.
struct FullDisk {
    QTemporaryDir dir;
    bool mounted = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=256k") == 0;
    ~FullDisk() { mounted && ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH); }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files); }
    void Clear() const { QFile::remove(dir.filePath(".filler")); }
    void Fill() const
    {
        QFile filler(dir.filePath(".filler"));
        filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        for (qint64 size = 512; size > 0; size /= 2)
            while (filler.write(QByteArray(size, 0)) > 0) {
            }
    }
};
