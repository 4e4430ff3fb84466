// The sound service loads its player module at the first play, and only then.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <string>

#include "TimerServices.h"

namespace {

// The module lives beside the program in <build>/bin; the tests in <build>/tests.
QString BinFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/../bin/" + name;
}

bool MapsContain(const std::string& what)
{
    std::ifstream maps("/proc/self/maps");
    const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
    return text.find(what) != std::string::npos;
}

TEST(SoundService, ModuleLoadsAtFirstPlayAndPlaysAnyFileWithoutFailing)
{
    ASSERT_TRUE(QFile::exists(BinFile("pocosa-sound.so")));
    TEffectSoundService sound(BinFile("pocosa-sound.so"));
    EXPECT_FALSE(sound.Loaded());
    // No audio device here, a missing file, a file that is no sound: all silent.
    sound.play(BinFile("timer.wav"));
    ASSERT_TRUE(sound.Loaded()) << sound.LoadError().toStdString();
    EXPECT_TRUE(MapsContain("pocosa-sound.so"));
    sound.play(BinFile("timer.wav")); // a new play replaces the running one
    sound.play(BinFile("no-such.wav"));
    sound.play(BinFile("pocosa-sound.so"));
    QCoreApplication::processEvents();
}

TEST(SoundService, MissingOrWrongModuleLeavesTheProgramSilent)
{
    const struct {
        const char* Why;
        QString Module;
    } rows[] = {{"missing", BinFile("no-such-module.so")},
                {"not a library", BinFile("timer.wav")},
                {"no entry point", QStringLiteral("libz.so.1")}};
    for (const auto& row : rows) {
        TEffectSoundService sound(row.Module);
        sound.play(BinFile("timer.wav"));
        EXPECT_FALSE(sound.Loaded()) << row.Why;
        EXPECT_FALSE(sound.LoadError().isEmpty()) << row.Why;
    }
}

TEST(SoundService, AModuleThatFailedIsNotTriedAgainOnEveryAlarmStep)
{
    QTemporaryDir folder;
    const QString module = folder.filePath("pocosa-sound.so");
    TEffectSoundService sound(module);
    sound.play(BinFile("timer.wav"));
    ASSERT_FALSE(sound.Loaded());
    ASSERT_TRUE(QFile::copy(BinFile("pocosa-sound.so"), module));
    sound.play(BinFile("timer.wav"));
    EXPECT_FALSE(sound.Loaded()) << "loaded on a later play";
}

} // namespace
