#include "XSession.h"

#include "ProcessRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <csignal>
#include <functional>

namespace {

QString BuildDir()
{
    const QByteArray env = qgetenv("POCOSA_BUILD_DIR");
    return env.isEmpty() ? QDir::currentPath() + QStringLiteral("/..") : QString::fromLocal8Bit(env);
}

bool IsProgramWindow(Display* x, Window w)
{
    XClassHint hint{};
    if (!XGetClassHint(x, w, &hint))
        return false;
    const QString name = QString::fromLocal8Bit(hint.res_name ? hint.res_name : "");
    const QString klass = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name.contains(QLatin1String("pocosa"), Qt::CaseInsensitive) ||
           klass.contains(QLatin1String("pocosa"), Qt::CaseInsensitive);
}

// Visits every window below `parent`, depth first.
void ForEachWindow(Display* x, Window parent, const std::function<void(Window)>& visit)
{
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x, parent, &root, &up, &children, &count))
        return;
    for (unsigned int i = 0; i < count; ++i) {
        visit(children[i]);
        ForEachWindow(x, children[i], visit);
    }
    if (children)
        XFree(children);
}

// Mapped program windows, with or without override-redirect.
QList<Window> ProgramWindows(Display* x, bool popups)
{
    QList<Window> found;
    ForEachWindow(x, DefaultRootWindow(x), [&](Window w) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(x, w, &a) && a.map_state == IsViewable &&
            bool(a.override_redirect) == popups && IsProgramWindow(x, w))
            found.append(w);
    });
    return found;
}

int IgnoreXErrors(Display*, XErrorEvent*)
{
    // Windows come and go while the tree is walked.
    return 0;
}

} // namespace

TXSession::TXSession()
{
    XSetErrorHandler(IgnoreXErrors);
    // -displayfd: the server picks a free display number and writes it to us.
    server_.setProgram(QStringLiteral("Xvfb"));
    server_.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp"), QStringLiteral("-noreset")});
    server_.setProcessChannelMode(QProcess::SeparateChannels);
    server_.setStandardErrorFile(QProcess::nullDevice());
    server_.start();
    if (!server_.waitForStarted(5000)) {
        error_ = QStringLiteral("Xvfb does not start");
        return;
    }
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains('\n') && clock.elapsed() < 10000 && server_.state() == QProcess::Running) {
        server_.waitForReadyRead(200);
        out += server_.readAllStandardOutput();
    }
    bool ok = false;
    display_ = out.trimmed().toInt(&ok);
    if (!ok) {
        error_ = QStringLiteral("Xvfb gave no display number");
        return;
    }
    x_ = XOpenDisplay(DisplayName().toLocal8Bit().constData());
    if (!x_)
        error_ = QStringLiteral("cannot connect to ") + DisplayName();
}

TXSession::~TXSession()
{
    Kill(program_);
    Kill(windowManager_);
    if (x_)
        XCloseDisplay(x_);
    Kill(server_);
}

void TXSession::Kill(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(3000);
}

QProcessEnvironment TXSession::Environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The program chooses its platform itself: X11 whenever DISPLAY is set.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("SESSION_MANAGER"));
    env.insert(QStringLiteral("DISPLAY"), DisplayName());
    const QString home = homeDir_.path();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    for (const QString& variable : extraEnv_)
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    return env;
}

bool TXSession::StartWindowManager()
{
    windowManager_.setProcessEnvironment(Environment());
    windowManager_.setStandardOutputFile(QProcess::nullDevice());
    windowManager_.setStandardErrorFile(QProcess::nullDevice());
    windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!windowManager_.waitForStarted(5000))
        return false;
    // Ready once it announces itself on the root window.
    const Atom check = XInternAtom(x_, "_NET_SUPPORTING_WM_CHECK", False);
    return WaitFor([&] {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, rest = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(x_, DefaultRootWindow(x_), check, 0, 1, False, AnyPropertyType, &type,
                                              &format, &items, &rest, &data) == Success &&
                           items > 0;
        if (data)
            XFree(data);
        return found;
    });
}

void TXSession::SignalWindowManager(int signo)
{
    ::kill(pid_t(windowManager_.processId()), signo);
}

bool TXSession::StartProgram(const QStringList& args)
{
    const QString dir = programDir_.path();
    QFile::remove(dir + QStringLiteral("/pocosa"));
    if (!QFile::copy(BuildDir() + QStringLiteral("/bin/pocosa"), dir + QStringLiteral("/pocosa")))
        return false;
    QFile::copy(BuildDir() + QStringLiteral("/bin/timer.wav"), dir + QStringLiteral("/timer.wav"));
    const QDir catalogs(BuildDir() + QStringLiteral("/bin/translations"));
    QDir(dir).mkpath(QStringLiteral("translations"));
    for (const QString& name : catalogs.entryList({QStringLiteral("*.qm")}, QDir::Files))
        QFile::copy(catalogs.filePath(name), dir + QStringLiteral("/translations/") + name);
    QDir(homeDir_.path()).mkpath(QStringLiteral(".config"));
    program_.setProcessEnvironment(Environment());
    program_.setWorkingDirectory(dir);
    program_.setStandardOutputFile(QProcess::nullDevice());
    program_.setStandardErrorFile(homeDir_.path() + QStringLiteral("/pocosa.log"));
    program_.start(dir + QStringLiteral("/pocosa"), args);
    return program_.waitForStarted(5000);
}

void TXSession::SignalProgram(int signo)
{
    ::kill(pid_t(program_.processId()), signo);
}

bool TXSession::WaitForProgramEnd()
{
    return program_.state() == QProcess::NotRunning || program_.waitForFinished(5000);
}

QString TXSession::RunProgram(const QStringList& args)
{
    pocosa::test::ProcessOptions options;
    options.env = Environment();
    return pocosa::test::runProcess(programDir_.path() + QStringLiteral("/pocosa"), args, options).out;
}

QString TXSession::ProgramLog() const
{
    QFile log(homeDir_.path() + QStringLiteral("/pocosa.log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

bool TXSession::StopProgram()
{
    if (program_.state() == QProcess::NotRunning)
        return false;
    program_.terminate();
    if (!program_.waitForFinished(5000)) {
        Kill(program_);
        return false;
    }
    return program_.exitStatus() == QProcess::NormalExit && program_.exitCode() == 0;
}

bool TXSession::WaitFor(const std::function<bool()>& test, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (test())
            return true;
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
}

unsigned long TXSession::WaitForMainWindow(int timeoutMs)
{
    Window found = 0;
    WaitFor(
        [&] {
            XSync(x_, False);
            const QList<Window> windows = ProgramWindows(x_, false);
            found = windows.isEmpty() ? 0 : windows.first();
            return found != 0;
        },
        timeoutMs);
    return found;
}

QList<unsigned long> TXSession::MainWindows()
{
    XSync(x_, False);
    return ProgramWindows(x_, false);
}

int TXSession::CountPopups()
{
    XSync(x_, False);
    return int(ProgramWindows(x_, true).size());
}

QRect TXSession::WindowRect(unsigned long window)
{
    XSync(x_, False);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(x_, window, &a))
        return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(x_, window, DefaultRootWindow(x_), 0, 0, &x, &y, &child);
    return QRect(x, y, a.width, a.height);
}

QRegion TXSession::WindowShape(unsigned long window)
{
    XSync(x_, False);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(x_, window, ShapeBounding, &count, &ordering);
    QRegion region;
    for (int i = 0; i < count; ++i)
        region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    if (rects)
        XFree(rects);
    return region;
}

unsigned long TXSession::OpenOtherWindow()
{
    const Window other = XCreateSimpleWindow(x_, DefaultRootWindow(x_), 0, 0, 1024, 768, 0, 0, 0);
    XMapWindow(x_, other);
    XSync(x_, False);
    RunXdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(other)});
    return other;
}

QList<unsigned long> TXSession::Property(unsigned long window, const char* name)
{
    XSync(x_, False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, rest = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(x_, window ? window : DefaultRootWindow(x_), InternAtom(name), 0, 1024, False,
                       AnyPropertyType, &type, &format, &items, &rest, &data);
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    const QList<unsigned long> values(longs, longs + (format == 32 ? items : 0));
    if (data)
        XFree(data);
    return values;
}

unsigned long TXSession::InternAtom(const char* name)
{
    return XInternAtom(x_, name, False);
}

bool TXSession::RunXdotool(const QStringList& args)
{
    QProcess tool;
    tool.setProcessEnvironment(Environment());
    tool.start(QStringLiteral("xdotool"), args);
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

bool TXSession::Drag(QPoint from, QPoint to, int steps)
{
    // The press is one pixel left of `from`; the first movement, to `from`,
    // is where a window move begins.
    QStringList args{QStringLiteral("mousemove"), QString::number(from.x() - 1), QString::number(from.y()),
                     QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("mousedown"), QStringLiteral("1"),
                     QStringLiteral("sleep"), QStringLiteral("0.1")};
    for (int i = 0; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        args << QStringLiteral("mousemove") << QString::number(p.x()) << QString::number(p.y())
             << QStringLiteral("sleep") << QStringLiteral("0.03");
    }
    args << QStringLiteral("sleep") << QStringLiteral("0.1") << QStringLiteral("mouseup") << QStringLiteral("1")
         << QStringLiteral("sleep") << QStringLiteral("0.1");
    return RunXdotool(args);
}

bool TXSession::Click(QPoint at, int button)
{
    return RunXdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                       QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("click"),
                       QString::number(button)});
}
