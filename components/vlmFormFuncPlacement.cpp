#include "vlmFormFunc.h"

#include "ShellFileUtils.h"
#include "vlmGlobal.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// Keys of a window's section in the settings store.
const QString kTop = QStringLiteral("TOP");
const QString kLeft = QStringLiteral("LEFT");
const QString kWidth = QStringLiteral("WIDTH");
const QString kHeight = QStringLiteral("HEIGHT");
const QString kDockSite = QStringLiteral("DOCKSITE");

// application.ini through the environment object; without one (a test that
// builds none) reads give the defaults and writes go nowhere.
class TProgramStore final : public TPlacementStore {
public:
    int ReadInteger(const QString& section, const QString& key, int defaultValue) override
    {
        return AppGlobal ? AppGlobal->ReadIniInteger(section, key, defaultValue) : defaultValue;
    }
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) override
    {
        return AppGlobal ? AppGlobal->ReadIniString(section, key, defaultValue) : defaultValue;
    }
    void WriteInteger(const QString& section, const QString& key, int value) override
    {
        if (AppGlobal)
            AppGlobal->WriteIniInteger(section, key, value);
    }
    void WriteString(const QString& section, const QString& key, const QString& value) override
    {
        if (AppGlobal)
            AppGlobal->WriteIniString(section, key, value);
    }
};

// Wayland tells a client nothing of where its window is (pos() stays 0,0)
// and lets it place nothing: the position saved in a session that knows it
// is kept as it was.
bool WindowPositionKnown()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

TPlacementStore& ProgramPlacementStore()
{
    static TProgramStore store;
    return store;
}

int TvlmFormFunc::OSMajorVersion()
{
    // Without an environment object nothing is known to be too old.
    return AppGlobal ? AppGlobal->OSMajorVersion() : 5;
}

TPlacementStore& TvlmFormFunc::store() const
{
    return store_ ? *store_ : ProgramPlacementStore();
}

void TvlmFormFunc::SavePlacement()
{
    if (!preserve_ || !owner_)
        return;
    // Qt windows are never docked into another, so the dock site is always empty.
    QRect placement(owner_->pos(), owner_->size());
    if (maximized_ && normalRect_.isValid())
        placement = normalRect_;
    TPlacementStore& settings = store();
    if (keepLocation_ && WindowPositionKnown()) {
        settings.WriteInteger(section_, kTop, placement.top());
        settings.WriteInteger(section_, kLeft, placement.left());
    }
    if (keepSize_) {
        settings.WriteInteger(section_, kWidth, placement.width());
        settings.WriteInteger(section_, kHeight, placement.height());
    }
    settings.WriteString(section_, kDockSite, QString());
}

void TvlmFormFunc::RestorePlacement()
{
    restored_ = true;
    if (!preserve_ || !owner_)
        return;
    TPlacementStore& settings = store();
    if (keepLocation_) {
        // The default centres the window's present size on the primary screen.
        const QScreen* primary = QGuiApplication::primaryScreen();
        const QSize screen = primary ? primary->geometry().size() : QSize();
        const int left = settings.ReadInteger(section_, kLeft, (screen.width() - owner_->width()) / 2);
        owner_->move(left, owner_->y());
        const int top = settings.ReadInteger(section_, kTop, (screen.height() - owner_->height()) / 2);
        owner_->move(owner_->x(), top);
    }
    if (keepSize_) {
        owner_->resize(settings.ReadInteger(section_, kWidth, owner_->width()), owner_->height());
        owner_->resize(owner_->width(), settings.ReadInteger(section_, kHeight, owner_->height()));
    }
    referenceClientSize_ = owner_->size();
    referenceRecorded_ = true;
    dockSite_ = settings.ReadString(section_, kDockSite, QString());
    const QRect current(owner_->pos(), owner_->size());
    const QRect onScreen = EnsureOnScreen(current);
    if (onScreen != current)
        owner_->setGeometry(onScreen);
    KeepWholeOnScreen();
}

void TvlmFormFunc::KeepWholeOnScreen()
{
    if (!owner_ || !WindowPositionKnown())
        return;
    // A place saved at another scale or on a larger screen may lie partly
    // off every screen now: onto the screen that holds the window's middle.
    const QRect window(owner_->pos(), owner_->size());
    const QScreen* screen = QGuiApplication::screenAt(window.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Right and bottom edges first: a window larger than the screen keeps its
    // top-left corner on it.
    const QRect area = screen->availableGeometry();
    const auto fit = [](int start, int length, int areaStart, int areaLength) {
        return std::max(areaStart, std::min(start, areaStart + areaLength - length));
    };
    const QPoint whole(fit(window.x(), window.width(), area.x(), area.width()),
                       fit(window.y(), window.height(), area.y(), area.height()));
    if (whole != window.topLeft())
        owner_->move(whole);
}
