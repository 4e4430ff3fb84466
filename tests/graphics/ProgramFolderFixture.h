#pragma once

// A fresh program folder (and with it a fresh data folder and settings file)
// for each test, with the environment module running on it.

#include <gtest/gtest.h>

#include "vlmGlobal.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <memory>
#include <utility>
#include <vector>

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        TvlmGlobalSetup setup;
        setup.ProgramFile = dir_.filePath(QStringLiteral("pocosa"));
        env_ = std::make_unique<vlmGlobalUnit>(std::move(setup));
    }
    void TearDown() override { env_.reset(); }

    QString programPath(const QString& name = {}) const { return dir_.path() + QLatin1Char('/') + name; }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(path);
        f.write(bytes);
    }

    // A solid picture of the given size, encoded in format ("BMP", "PNG").
    static QByteArray picture(int width, int height, const char* format = "BMP", QRgb colour = 0xFF336699)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    }

    // A picture archive ("FARC") holding the given entries.
    static QByteArray archive(const std::vector<std::pair<QByteArray, QByteArray>>& entries)
    {
        QByteArray out("FARC");
        appendLe<quint64>(out, 4);
        out += "AHDR";
        appendLe<qint32>(out, 24);
        appendLe<qint64>(out, qint64(entries.size()));
        out += "2026120708000000";
        out += "ADAT";
        int id = 1;
        for (const auto& [name, data] : entries) {
            appendLe<qint32>(out, id++);
            appendLe<qint32>(out, qint32(name.size()));
            appendLe<quint64>(out, quint64(out.size() - 8 + 37 + name.size())); // right after the name
            out += char(1);
            appendLe<quint64>(out, quint64(data.size()));
            out += QByteArray(12, '\0');
            out += name;
            out += data;
        }
        return out;
    }

private:
    template <typename T>
    static void appendLe(QByteArray& out, T value)
    {
        char bytes[sizeof(T)];
        qToLittleEndian<T>(value, bytes);
        out.append(bytes, sizeof(T));
    }

    QTemporaryDir dir_;
    std::unique_ptr<vlmGlobalUnit> env_;
};
