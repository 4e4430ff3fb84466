#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;

// Path, folder, resource, screen and shell helpers. Paths use '/' as the
// delimiter; the names keep the program's own wording ("backslashes" are the
// path delimiters).

// The path without any trailing delimiters ("/" alone becomes empty).
QString StripTrailingBackslashes(const QString& path);

// A read-only stream over the compiled-in resource ":/RC_DATA/<NAME>" (name
// upper-cased), or nullptr when there is none. Never throws.
std::unique_ptr<QIODevice> OpenResourceData(const QString& name);

// Fills list with folder + "/" + name for every file in folder matching mask
// (letter case ignored; "*.*" matches every name), sorted by name. Folders and
// special files (pipes, sockets, devices) are left out; hidden files are kept.
void ListFiles(const QString& folder, const QString& mask, QStringList& list);

// Keeps the names whose extension is .jpg, .jpeg, .jpx, .bmp or .png in any
// letter case.
void FilterPictureFiles(QStringList& list);

// The message of a file that cannot be opened, in the user's language:
// "ファイル "<fileName>". <reason> は開けません".
QString FileOpenFailureText(const QString& fileName, const QString& reason);
// The reason given for a device, FIFO or folder where a file is expected.
QString NotRegularFileText();

// Creates the folder and its missing parents; failure is not reported.
void CreateFolderPath(const QString& path);

// Shell folder codes understood by SpecialFolderPath.
inline constexpr int kFolderDesktop = 16;
inline constexpr int kFolderAppData = 26;

// The folder for a shell folder code (application data: ~/.config); the
// desktop folder for any code without a folder.
QString SpecialFolderPath(int code);

// Drops relative paths from the XDG folder variables of this process
// (XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_STATE_HOME, XDG_CACHE_HOME,
// XDG_RUNTIME_DIR; the entries of XDG_CONFIG_DIRS and XDG_DATA_DIRS): such a
// path is invalid and ignored, as if the variable were unset. Called first
// thing in main(), before any thread or library reads the environment.
void IgnoreRelativeXdgFolders();

// Where a window restored from the settings should go: unchanged when it is
// visible on one of the work areas, otherwise shrunk to the primary screen
// and centred on it.
QRect EnsureOnScreenRect(const QRect& window, const QList<QRect>& workAreas, const QSize& primaryScreen);
// The same against the screens of the running application.
QRect EnsureOnScreen(const QRect& window);

// Hands a link to the desktop: texts with a URL scheme as they are, anything
// else (a mail address) with "mailto:" in front. Failure is not reported.
void OpenLink(const QString& text);
// The link OpenLink opens for a text.
QString LinkTarget(const QString& text);
// Opens a file or folder with the desktop's application for it.
void OpenDocument(const QString& path);
