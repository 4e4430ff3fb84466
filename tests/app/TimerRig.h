#pragma once

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringList>
#include <QTemporaryDir>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "UnitFmTimerMain.h"
#include "vlmButton.h"

// A clock the test sets by hand (milliseconds).
class TFakeClock final : public TTickClock {
public:
    std::int64_t Now = 1'000'000; // an even second: digits shown
    std::int64_t Milliseconds() const override { return Now; }
};

class TRecordingSound final : public TSoundService {
public:
    QStringList Played;
    QList<int> Volumes;
    QStringList Refused; // files that cannot be played
    int Stopped = 0;
    void play(const QString& path) override { Played << path; }
    bool Play(const QString& path, int volume, int, QString* why) override
    {
        if (Refused.contains(path))
            return why && (*why = "not audio", false);
        Volumes << volume;
        play(path);
        return true;
    }
    void Stop(int) override { ++Stopped; }
};

// The timer window with a fake clock, a recording sound service, a program
// folder of its own (with timer.wav unless told otherwise) and a recording
// background hook.
struct TTimerRig {
    // `more` adds hooks of a test's own.
    explicit TTimerRig(bool withWav = true, const std::function<void(TTimerMainHooks&, TTimerRig&)>& more = {})
    {
        if (withWav) {
            QFile wav(QDir(programDir.path()).filePath(QStringLiteral("timer.wav")));
            wav.open(QIODevice::WriteOnly);
            wav.write("RIFF");
        }
        TTimerMainHooks hooks;
        hooks.Clock = &clock;
        hooks.Sound = &sound;
        hooks.ProgramDir = [this] { return programDir.path(); };
        hooks.HistoryEntry = [this](int n) { return history.at(std::size_t(n)); };
        hooks.CurrentBackground = [this] { return history[0]; };
        hooks.SetBackground = [this](const QString& name) {
            backgrounds << name;
            refuseBackground();
        };
        hooks.ChooseFile = [this](QWidget*) { return chosenFile; };
        hooks.ShowVersionInfo = [this](QWidget*) { ++versionInfoShown; };
        hooks.KeyboardHere = [this] { return keyboardHere; };
        hooks.AskName = [this](QWidget*, const QString&, bool* ok) {
            *ok = askedName.has_value();
            return askedName.value_or(QString());
        };
        if (more)
            more(hooks, *this);
        window = std::make_unique<TFmTimerMain>(hooks);
    }

    TFmTimerMain& w() { return *window; }

    // One tick arriving exactly one second after the previous one.
    void Tick(std::int64_t ms = 1000)
    {
        clock.Now += ms;
        window->Timer1Timer();
    }

    QString Display() const
    {
        return window->LBmin0->text() + window->LBmin1->text() + window->LBcnt->text() + window->LBsec0->text() +
               window->LBsec1->text();
    }

    // How many of the four digit labels are shown (they blink together: 0 or 4).
    int DigitsShown() const
    {
        int n = 0;
        for (const QLabel* l : {window->LBmin0, window->LBmin1, window->LBsec0, window->LBsec1})
            n += !l->isHidden() && l->palette().color(QPalette::WindowText).alpha() > 0 ? 1 : 0;
        return n;
    }

    QTemporaryDir programDir;
    TFakeClock clock;
    TRecordingSound sound;
    std::array<QString, 5> history{QStringLiteral("/pics/a.png"), QString(), QStringLiteral("/pics/c.jpg"),
                                   QString(), QString()};
    QStringList backgrounds;
    std::function<void()> refuseBackground = [] {}; // the picture's loader failing
    QString chosenFile;
    int versionInfoShown = 0;
    bool keyboardHere = true; // a window of the program has the keyboard
    std::optional<QString> askedName; // the name dialog's answer; empty: cancelled
    int quitAll = 0;
    std::unique_ptr<TFmTimerMain> window;
};
