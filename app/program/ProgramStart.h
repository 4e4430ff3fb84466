#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// Chooses the X11 platform when the user chose none and an X server is
// reachable (XWayland included): a native Wayland client may not place or
// raise its own window. Must run before the application object exists.
// True when it chose.
bool SelectX11Platform();

// The program's name, version and options.
void SetupProgramInfo();
void SetupCommandLine(QCommandLineParser& parser);

// --help and --version are answered without opening a display, on the
// application object of the command line (SetupProgramInfo done). Returns
// the exit code when the program should end now, -1 to go on.
int HandleInfoOptions(int argc, char** argv);

// The text of --help for the program called `program`, laid out in the
// columns a terminal shows: East Asian wide characters take two, the
// descriptions line up and no line is wider than 79.
QString HelpText(const QString& program);

// The columns a text takes in a terminal: two for an East Asian wide or
// full-width character, none for a combining mark, one for the others.
int DisplayWidth(const QString& text);

// The text in lines of at most `width` columns (a word wider stays whole),
// broken at spaces and beside wide characters, never before a closing mark
// ("、", "。", ")") or after an opening one.
QStringList WrapToWidth(const QString& text, int width);

// The command line as read before the application object exists. Qt's own
// options (-platform, -display, -style, -session and the like) are left out
// of Arguments here as the application object takes them out of argv.
struct TCommandLine {
    QStringList Arguments; // the program's name, then its own arguments
    QString Platform;      // -platform NAME; empty when not given
    QString Display;       // -display NAME; empty when not given
};
TCommandLine ReadCommandLine(int argc, char** argv);

// False when the application object could not open its window and would end
// the process: no DISPLAY, no WAYLAND_DISPLAY and no -display, while the
// platform (-platform, else QT_QPA_PLATFORM, else the default) is X11 or
// Wayland. "offscreen" and the like need none.
bool DisplayReachable(const TCommandLine& commandLine);

// The message of a start that finds neither a running window nor a display.
QString NoDisplayText();

// The display the window would open on, for messages: the Wayland
// compositor's (WAYLAND_DISPLAY, else wayland-0) when the platform chosen
// first is Wayland or no X display is named, else the X display (-display,
// else DISPLAY).
QString WindowDisplayName(const TCommandLine& commandLine);

// The message of a start whose display cannot be reached (a stale ssh X
// forward, a compositor that has gone).
QString CannotOpenWindowText(const QString& display);

// Qt ends the process with abort(), and a core dump, when no platform plugin
// reaches its display. While a guard lives, around the construction of the
// window's application object, Qt's messages are held back: a fatal one
// ends the process with failureLine on stderr and exit status 1 (nothing is
// written then: the settings are read after the application object); when
// the guard ends, the messages held go out as usual.
class TPlatformStartGuard {
public:
    explicit TPlatformStartGuard(const QByteArray& failureLine);
    ~TPlatformStartGuard();
    TPlatformStartGuard(const TPlatformStartGuard&) = delete;
    TPlatformStartGuard& operator=(const TPlatformStartGuard&) = delete;

    // Gives the messages back to Qt's handler; once.
    void End();

private:
    bool ended_ = false;
};
