#pragma once

class QCommandLineParser;

// Chooses the X11 platform when the user chose none and an X server is
// reachable (XWayland included): a native Wayland client may not place or
// raise its own window. Must run before the application object exists.
// True when it chose.
bool SelectX11Platform();

// The program's name, version and options.
void SetupProgramInfo();
void SetupCommandLine(QCommandLineParser& parser);

// --help and --version are answered without opening a display. Returns the
// exit code when the program should end now, -1 to go on.
int HandleInfoOptions(int argc, char** argv);
