#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// A private X server for one test: Xvfb on a display number it picks itself,
// optionally with openbox, an Xlib connection to it and the program under
// test. Everything started is killed again by the destructor.
class TXSession {
public:
    TXSession();
    ~TXSession();
    TXSession(const TXSession&) = delete;
    TXSession& operator=(const TXSession&) = delete;

    // Empty when the server came up; otherwise why not.
    const QString& Error() const { return error_; }
    QString DisplayName() const { return QStringLiteral(":%1").arg(display_); }

    bool StartWindowManager();
    // SIGSTOP: windows mapped meanwhile wait for it, unexposed.
    void SignalWindowManager(int signo);

    // Starts a copy of the built program and its catalogs in its own program
    // folder (so its settings land in <folder>/Data) with a private HOME.
    bool StartProgram(const QStringList& args = {});
    // An environment variable ("LANGUAGE=ja") for the program and its later starts.
    void SetEnvironment(const QString& nameAndValue) { extraEnv_ << nameAndValue; }
    void SignalProgram(int signo);
    // True once the program has ended (within 5 s).
    bool WaitForProgramEnd();
    // A later start of the program (e.g. --status): its standard output.
    QString RunProgram(const QStringList& args);
    // What the program wrote on standard error.
    QString ProgramLog() const;
    // Ends the program with SIGTERM, as a logout does; true if it exited cleanly.
    bool StopProgram();
    QString ProgramFolder() const { return programDir_.path(); }

    // The program's main window, waited for until it is mapped; 0 on timeout.
    unsigned long WaitForMainWindow(int timeoutMs = 10000);
    // Every mapped window of the program but its popups (one per timer).
    QList<unsigned long> MainWindows();
    // Mapped override-redirect windows of the program (menus, tool tips).
    int CountPopups();
    // Screen rectangle of a window's client area.
    QRect WindowRect(unsigned long window);
    // The window's bounding shape in its own coordinates.
    QRegion WindowShape(unsigned long window);
    // A plain window of the test's own over the whole screen, activated.
    unsigned long OpenOtherWindow();
    // The 32-bit items (windows, atoms) of a window's property; window 0 is the root.
    QList<unsigned long> Property(unsigned long window, const char* name);
    unsigned long InternAtom(const char* name);
    // Waits until `test` holds or the time is up; returns its last value.
    bool WaitFor(const std::function<bool()>& test, int timeoutMs = 5000);

    // Mouse input through xdotool. A drag presses the left button just
    // beside `from`, begins moving at `from` and releases at `to`, so a window
    // dragged along moves by to - from.
    bool Drag(QPoint from, QPoint to, int steps = 10);
    bool Click(QPoint at, int button);

private:
    bool RunXdotool(const QStringList& args);
    void Kill(QProcess& process);
    QProcessEnvironment Environment() const;

    QString error_;
    QStringList extraEnv_;
    int display_ = -1;
    QTemporaryDir homeDir_;
    QTemporaryDir programDir_;
    QProcess server_;
    QProcess windowManager_;
    QProcess program_;
    struct _XDisplay* x_ = nullptr;
};
