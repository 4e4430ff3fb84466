#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "FullDisk.h"
#include "vlmGlobal.h"

// A private world for one environment test: the program file lies in
// <tmp>/prog, the per-user and machine-wide registry files and the
// application-data folder lie below <tmp> as well.
class EnvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.isValid());
        QDir().mkpath(ProgDir());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Path("user"));
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, Path("machine"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("config")));
    }

    QString Path(const QString& sub) const { return tmp_.path() + QLatin1Char('/') + sub; }
    QString ProgDir() const { return Path("prog"); }
    QString AppDataDir() const { return Path("config/Velmora/Pocosa"); }

    TvlmGlobalSetup Setup() const
    {
        TvlmGlobalSetup setup;
        setup.ProgramFile = ProgDir() + QStringLiteral("/pocosa");
        return setup;
    }

    // Per-user key software\Velmora\pocosa, optionally with DATA\PATH.
    void MakeUserKey(const QString& dataPath = QString()) const
    {
        QSettings user(Path("user/Velmora/pocosa.ini"), QSettings::IniFormat);
        user.setValue(QStringLiteral("Created"), QStringLiteral("1"));
        if (!dataPath.isNull())
            user.setValue(QStringLiteral("DATA/PATH"), dataPath);
        user.sync();
    }

    void RecordInstallFolder(const QString& folder) const
    {
        QSettings machine(Path("machine/velmora/pocosa.ini"), QSettings::IniFormat);
        machine.setValue(QStringLiteral("AppDir"), folder);
        machine.sync();
    }

    static QByteArray ReadAll(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void WriteAll(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QTemporaryDir tmp_;
};
