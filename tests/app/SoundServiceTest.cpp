// The sound service loads its player module at the first play, and only then.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <unistd.h>

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

// The program's own sound plays (silent here, without a sound server, and
// without a word on standard error); what is no sound is refused at once.
TEST(SoundService, PlayRefusesWhatIsNoSoundAndRingsTheRestQuietlyOnItsChannel)
{
    QTemporaryFile errors;
    errors.open();
    const int savedStderr = dup(2);
    dup2(errors.handle(), 2);
    TEffectSoundService sound(BinFile("pocosa-sound.so")), none(BinFile("no-such-module.so"));
    const struct {
        TEffectSoundService& Service;
        QString Path;
        int Volume, Channel;
        bool Plays;
    } rows[] = {{sound, BinFile("timer.wav"), 100, 0, true}, {sound, BinFile("timer.wav"), 0, 1, true},
                {sound, BinFile("pocosa-sound.so"), 100, 2, false}, {sound, BinFile(""), 100, 2, false},
                {none, BinFile("timer.wav"), 100, 0, false}};
    for (const auto& row : rows) {
        QString why;
        EXPECT_EQ(row.Service.Play(row.Path, row.Volume, row.Channel, &why), row.Plays) << row.Path.toStdString();
        EXPECT_EQ(why.isEmpty(), row.Plays) << why.toStdString();
        if (&row.Service == &none)
            EXPECT_EQ(ftruncate(2, 0), 0); // the missing module is told once
    }
    sound.Stop(1), sound.Stop(7), QCoreApplication::processEvents();
    dup2(savedStderr, 2), close(savedStderr);
    errors.seek(0);
    EXPECT_EQ(errors.readAll(), QByteArray());
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
