// Start-up and shut-down. The modules start in a fixed order before any
// window exists and end in reverse order after the main window is gone;
// closing the window, SIGTERM/SIGINT/SIGHUP and the end of the session all
// leave through the same order, so positions and history are written.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "FirstFrameProbe.h"
#include "OpenTimers.h"
#include "PocosaApplication.h"
#include "ProgramStart.h"
#include "ShellFileUtils.h"
#include "SessionBus.h"
#include "SignalQuit.h"
#include "SingleInstance.h"
#include "StatusIcon.h"
#include "StartRequest.h"
#include "TimeArgument.h"
#include "TimerAttention.h"
#include "TimerModel.h"
#include "TimerPanel.h"
#include "TimerServices.h"
#include "Translations.h"
#include "UnitFmTimerMain.h"
#include "UnitFormVersionInfo.h"
#include "vlmColors.h"
#include "vlmGlobal.h"
#include "vlmGraphicSource.h"

namespace {

// The program's modules, started in declaration order and ended in reverse.
// They start after the Qt application object, which fonts and pictures need,
// but before any window.
struct TProgramModules {
    explicit TProgramModules(TvlmGlobalSetup global) : Global(std::move(global)) {}
    vlmGlobalUnit Global; // AppGlobal
    vlmGraphicSourceUnit Graphics; // GraphicSource, then BackImages
    vlmColorsUnit Colors;
};

int RunTimerWindows(TPocosaApplication& app, TSingleInstance& instance, const TStartRequest& request)
{
    // The program ends with its last timer window, not with the about window.
    app.setQuitOnLastWindowClosed(false);
    TTimerAttention attention;
    TOpenTimers timers(*AppGlobal, attention);
    attention.OnAlert = [&timers](TTimerModel& timer) {
        for (int i = 0; i < timers.Count(); ++i)
            if (&timers.Timer(i) == &timer)
                QApplication::alert(&timers.Window(i));
    };
    attention.OnFront = [&timers](TTimerModel& timer) {
        for (int i = 0; i < timers.Count(); ++i)
            if (&timers.Timer(i) == &timer)
                BringToFront(timers.Window(i));
    };
    timers.OnLastClosed = [&app] { app.exit(0); };
    TTimerPanel panel(timers);
    std::unique_ptr<TStatusIcon> statusIcon;
    // SIGTERM and SIGHUP (logout, shutdown, a plain kill) and the end of the
    // session keep every timer for the next start; Ctrl+C in a terminal is a
    // close the user asked for, like Ctrl+Q.
    TSignalQuit signalQuit([&app, &timers](int signo) {
        if (signo == SIGINT)
            timers.QuitAll();
        else
            app.exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&app] { app.exit(0); });
    // A time for the first timer on the command line wins over the kept one.
    const bool forFirst = !request.New && !request.Timer;
    TFmTimerMain& first = timers.OpenFirst(!(forFirst && request.Seconds));
    instance.OnRequest = [&timers](const TStartRequest& later) { return timers.Answer(later); };
    WatchFirstFrame(&first);
    // The other kept timers once the first is on the screen; then what the
    // command line asked for, then the later starts' requests held meanwhile
    // (one for a kept timer's name must find it).
    AfterFirstFrame(&first, [&timers, &instance, &attention, &panel, &statusIcon, request, forFirst] {
        timers.OpenKept();
        // Qt asks the session bus on this thread whether there is a place
        // for a status icon: only once the bus answered on the bus thread.
        // Only where the desktop shows the icon may a window be hidden.
        attention.AskStatusWatcher([&timers, &panel, &statusIcon](bool answered) {
            if (answered && TStatusIcon::Available()) {
                statusIcon = std::make_unique<TStatusIcon>(timers, panel);
                panel.OnChanged = [icon = statusIcon.get()] { icon->Update(); };
                statusIcon->Show();
            }
            panel.HideKept(statusIcon != nullptr);
        });
        if (!forFirst) {
            const TInstanceAnswer answer = timers.Answer(request);
            if (!answer.Refused.isEmpty())
                std::fprintf(stderr, "pocosa: %s\n", answer.Refused.toLocal8Bit().constData());
        }
        instance.HoldRequests(false);
    });
    first.show();
    if (forFirst)
        ApplyStartRequest(first, request);
    const int exitCode = app.exec();
    panel.OnChanged = nullptr;
    statusIcon.reset();
    // The about window belongs to no timer window: it goes before the timers.
    delete FormVersionInfo.data();
    // Closing: a second kill (the session, then the service manager) must not
    // cut the settings writes short.
    signalQuit.IgnoreFromNowOn();
    // A start from now on finds no listener and waits for the lock, which
    // goes once the settings are written.
    instance.OnRequest = nullptr;
    instance.StopListening();
    // Settings written while the windows and the modules end must not raise.
    AppGlobal->BeginShutDown();
    return exitCode;
}

// The command line's part of the start, before the window's application
// object exists: a later start needs no display (ssh, cron, a text console).
// Returns the exit status when this process ends here.
std::optional<int> AnswerCommandLine(int argc, char** argv, TSingleInstance& instance, TCommandLine& commandLine,
                                     TStartRequest& request)
{
    const int infoExit = HandleInfoOptions(argc, argv);
    if (infoExit >= 0)
        return infoExit;
    commandLine = ReadCommandLine(argc, argv);
    try {
        request = ParseStartArguments(commandLine.Arguments);
        // Only a start that names a sound loads the sound module here.
        if (request.Sound && !request.Sound->isEmpty()) {
            TEffectSoundService sound;
            CheckSoundArgument(request, sound);
        }
    } catch (const ETimeArgument& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
        return 2;
    }
    // Before the modules: a later start never touches the settings.
    if (request.Status)
        return PrintRunningStatus(instance, kHandOverTimeoutMs, request.Json);
    // An act is for a running program: none opens a window for it.
    if (request.Act != TTimerAct::None)
        return ActOnRunningProgram(instance, request);
    // The settings' lock lives beside them, so their folder comes first.
    QDir().mkpath(QFileInfo(instance.LockPath()).path());
    if (!instance.Lock()) {
        const std::optional<int> handedOver = HandOverToRunningWindow(instance, request);
        if (handedOver)
            return handedOver;
        // The running window ended meanwhile and this start took its place.
    }
    if (!DisplayReachable(commandLine)) {
        std::fprintf(stderr, "pocosa: %s\n", NoDisplayText().toLocal8Bit().constData());
        return 1;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    IgnoreRelativeXdgFolders();
    std::optional<TSingleInstance> instance;
    TCommandLine commandLine;
    TStartRequest request;
    std::unique_ptr<TTranslations> translations;
    QByteArray noWindowLine;
    std::optional<TSessionBusChoice> sessionBus;
    TvlmGlobalSetup globalSetup;
    {
        // A plain application object carries the catalogs while the command
        // line is answered; it takes no arguments, so argv stays whole for
        // the window's.
        int coreArgc = 1;
        QCoreApplication core(coreArgc, argv);
        SetupProgramInfo();
        translations = InstallUserLanguage();
        // One window per settings file: the lock goes beside the settings.
        globalSetup.FoundDataDir = TvlmGlobal::FindDataDir();
        instance.emplace(TSingleInstance::DefaultFolder(), globalSetup.FoundDataDir);
        if (const std::optional<int> exitCode = AnswerCommandLine(argc, argv, *instance, commandLine, request))
            return *exitCode;
        noWindowLine = ("pocosa: " + CannotOpenWindowText(WindowDisplayName(commandLine)) + "\n").toLocal8Bit();
        // Before the window's application object, whose accessibility bridge
        // would wait on a session bus that does not answer.
        sessionBus.emplace();
    }

    const bool choseX11 = SelectX11Platform();
    TPlatformStartGuard platformStart(noWindowLine);
    TPocosaApplication app(argc, argv);
    platformStart.End();
    sessionBus->Settle();
    translations->Install();
    if (choseX11)
        qunsetenv("QT_QPA_PLATFORM"); // not inherited by programs opened from here
    // Later starts find the window at once, and wait for their answers
    // until every kept timer is open.
    instance->HoldRequests(true);
    instance->Listen();
    int exitCode = 0;
    {
        TProgramModules modules(std::move(globalSetup));
        // This start holds the lock: no other program writes the settings now.
        AppGlobal->RemoveStaleIniFiles();
        exitCode = RunTimerWindows(app, *instance, request);
    }
    // The settings are written. A bus thread held up by a bus that does not
    // answer, or a sound thread by a sound server that does not, would hold up
    // the end of the process as well: it ends here.
    if (ThreadLeftBehind()) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
