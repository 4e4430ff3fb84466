#include "ShellFileUtils.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

QString StripTrailingBackslashes(const QString& path)
{
    qsizetype n = path.size();
    while (n > 0 && path[n - 1] == QLatin1Char('/'))
        --n;
    return path.left(n);
}

std::unique_ptr<QIODevice> OpenResourceData(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    auto file = std::make_unique<QFile>(QStringLiteral(":/RC_DATA/") + name.toUpper());
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    return file;
}

void ListFiles(const QString& folder, const QString& mask, QStringList& list)
{
    list.clear();
    const QString base = StripTrailingBackslashes(folder);
    const QDir dir(base.isEmpty() ? QStringLiteral("/") : base);
    if (!dir.exists())
        return;
    // "*.*" stands for every name, with or without an extension.
    const QString filter = mask == QLatin1String("*.*") ? QStringLiteral("*") : mask;
    const QStringList names = dir.entryList({filter}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        list.append(base + QLatin1Char('/') + name);
}

void FilterPictureFiles(QStringList& list)
{
    static const QStringList kPictureExtensions = {QStringLiteral(".jpg"), QStringLiteral(".jpeg"),
                                                   QStringLiteral(".jpx"), QStringLiteral(".bmp"),
                                                   QStringLiteral(".png")};
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        const QString& path = list[i];
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        // ASCII-only lower-casing, as for the platform's file extensions.
        QString ext = dot > slash ? path.mid(dot) : QString();
        for (QChar& c : ext)
            if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                c = QChar(c.unicode() + ('a' - 'A'));
        if (!kPictureExtensions.contains(ext))
            list.removeAt(i);
    }
}

QString FileOpenFailureText(const QString& fileName, const QString& reason)
{
    return QCoreApplication::translate("OpenFailure", "ファイル \"%1\". %2 は開けません")
        .arg(fileName, reason);
}

QString NotRegularFileText()
{
    return QCoreApplication::translate("OpenFailure", "not a regular file");
}

void CreateFolderPath(const QString& path)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        return;
    QDir().mkpath(path);
}

QString SpecialFolderPath(int code)
{
    QString path;
    if (code == kFolderAppData)
        path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    else if (code == kFolderDesktop)
        path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (path.isEmpty())
        path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return path;
}

void IgnoreRelativeXdgFolders()
{
    // Otherwise the settings, the lock and the socket would land below
    // whatever folder the program happens to be started in.
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        if (qEnvironmentVariableIsSet(name) && !qgetenv(name).startsWith('/'))
            qunsetenv(name);
    for (const char* name : {"XDG_CONFIG_DIRS", "XDG_DATA_DIRS"}) {
        if (!qEnvironmentVariableIsSet(name))
            continue;
        QByteArrayList absolute;
        for (const QByteArray& entry : qgetenv(name).split(':'))
            if (entry.startsWith('/'))
                absolute << entry;
        if (absolute.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, absolute.join(':'));
    }
}

namespace {

bool VisibleOn(const QRect& w, const QRect& area)
{
    const int l = area.left(), t = area.top();
    const int r = area.left() + area.width(), b = area.top() + area.height();
    const int right = w.left() + w.width();
    const bool topInside = t - 8 <= w.top() && w.top() < b - 8;
    const bool leftInside = l - 4 <= w.left() && w.left() < r;
    const bool rightInside = l <= right && right + 4 < r;
    return topInside && (leftInside || rightInside);
}

} // namespace

QRect EnsureOnScreenRect(const QRect& window, const QList<QRect>& workAreas, const QSize& primaryScreen)
{
    for (const QRect& area : workAreas)
        if (VisibleOn(window, area))
            return window;
    int width = window.width(), height = window.height();
    if (primaryScreen.width() < width)
        width = primaryScreen.width();
    if (primaryScreen.height() < height)
        height = primaryScreen.height();
    // Division truncates toward zero, as the placement rule expects.
    return QRect((primaryScreen.width() - width) / 2, (primaryScreen.height() - height) / 2, width, height);
}

QRect EnsureOnScreen(const QRect& window)
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return window;
    return EnsureOnScreenRect(window, areas, primary->geometry().size());
}

QString LinkTarget(const QString& text)
{
    // A scheme is letters, digits, '+', '-' or '.' after a first letter, then ':'.
    static const QRegularExpression kScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (kScheme.match(text).hasMatch())
        return text;
    return QStringLiteral("mailto:") + text;
}

void OpenLink(const QString& text)
{
    QDesktopServices::openUrl(QUrl(LinkTarget(text), QUrl::TolerantMode));
}

void OpenDocument(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
