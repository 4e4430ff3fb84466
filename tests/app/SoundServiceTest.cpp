// The sound service loads its player module at the first play, and only then.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
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

// What the module says about each file: the program's own sound plays (silent
// here, without a sound server, and without a word on standard error); what
// is no sound is refused at once with its reason.
TEST(SoundService, PlayRefusesWhatIsNoSoundAndRingsTheRestQuietlyOnItsChannel)
{
    QTemporaryDir folder;
    QFile text(folder.filePath("notes.wav"));
    text.open(QIODevice::WriteOnly);
    text.write("not a sound\n");
    text.close();
    TEffectSoundService sound(BinFile("pocosa-sound.so"));
    const int savedStderr = dup(2);
    const QString errors = folder.filePath("stderr");
    const int errorsFd = open(QFile::encodeName(errors).constData(), O_WRONLY | O_CREAT, 0600);
    dup2(errorsFd, 2);
    const struct {
        QString Path;
        int Volume, Channel;
        bool Plays;
    } rows[] = {{BinFile("timer.wav"), 100, 0, true}, {BinFile("timer.wav"), 0, 1, true},
                {BinFile("timer.wav"), 40, 1, true},  {text.fileName(), 100, 2, false},
                {folder.path(), 100, 2, false},       {BinFile("no-such.wav"), 100, 2, false}};
    for (const auto& row : rows) {
        QString why;
        EXPECT_EQ(sound.Play(row.Path, row.Volume, row.Channel, &why), row.Plays) << row.Path.toStdString();
        EXPECT_EQ(why.isEmpty(), row.Plays) << why.toStdString();
    }
    sound.Stop(1);
    sound.Stop(7);
    sound.play(BinFile("timer.wav"));
    QCoreApplication::processEvents();
    dup2(savedStderr, 2);
    close(errorsFd), close(savedStderr);
    QFile said(errors);
    said.open(QIODevice::ReadOnly);
    EXPECT_EQ(said.readAll(), QByteArray());

    TEffectSoundService none(BinFile("no-such-module.so"));
    QString why;
    EXPECT_FALSE(none.Play(BinFile("timer.wav"), 100, 0, &why));
    EXPECT_FALSE(why.isEmpty());
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
