#include "vlmFormFunc.h"

#include "RegionUtils.h"
#include "vlmMessages.h"

#include <QChildEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace {

// The class name of `owner` as the program spells it, without namespaces.
// Taken from the C++ type, since windows need not carry a meta-object of their own.
QString ClassNameOf(const QWidget& owner)
{
    const char* mangled = typeid(owner).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && plain ? plain : mangled);
    std::free(plain);
    return name.mid(name.lastIndexOf(QLatin1String("::")) + 1).remove(QLatin1Char(':'));
}

} // namespace

TvlmFormFunc::TvlmFormFunc(QWidget* owner) : QObject(owner), owner_(owner)
{
    if (owner_) {
        section_ = ClassNameOf(*owner_).toUpper();
        watch(owner_);
    }
#if QT_CONFIG(sessionmanager)
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { EndSession(); });
#endif
    SetLayered(true);
}

TvlmFormFunc::~TvlmFormFunc()
{
    try {
        SavePlacement();
    } catch (...) {
        // The settings store reports refused writes itself; a destructor must not throw.
    }
}

void TvlmFormFunc::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QObject* child : widget->children()) {
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            watch(static_cast<QWidget*>(child));
    }
}

bool TvlmFormFunc::eventFilter(QObject* watched, QEvent* event)
{
    if (!owner_ || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::ChildAdded: {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
        break;
    }
    case QEvent::MouseMove:
        return widget->window() == owner_ && mouseMove(widget, static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonPress:
        return widget->window() == owner_ && mousePress(widget, static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return widget->window() == owner_ && mouseRelease(static_cast<QMouseEvent*>(event));
    case QEvent::Enter:
        if (systemMove_ && widget->window() == owner_) {
            systemMove_ = false;
            endMoveLoop();
        }
        break;
    default:
        break;
    }
    return widget == owner_ && ownerEvent(event);
}

bool TvlmFormFunc::ownerEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
        ownerGeometryChanged(false);
        break;
    case QEvent::Resize:
        ownerGeometryChanged(true);
        break;
    case QEvent::WindowStateChange:
        if (owner_->isMaximized())
            maximized_ = true;
        else if (!owner_->isMinimized())
            maximized_ = false;
        break;
    case QEvent::Show:
        if (!restored_)
            RestorePlacement();
        break;
    case QEvent::Paint:
        // Drawn before the owner's own paint handler, which may draw over it.
        paintBackground();
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return dragEvent(static_cast<QDropEvent*>(event), false);
    case QEvent::Drop:
        return dragEvent(static_cast<QDropEvent*>(event), true);
    default:
        if (event->type() == kColorResetEvent && OnColorReset)
            OnColorReset(this);
        break;
    }
    return false;
}

bool TvlmFormFunc::mouseMove(QWidget* widget, QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (manualMove_) {
        if (event->buttons() & Qt::LeftButton) {
            owner_->move(global - grabOffset_);
            return true;
        }
        manualMove_ = false;
        endMoveLoop();
    }
    if (systemMove_) {
        if (event->buttons() & Qt::LeftButton)
            return false;
        systemMove_ = false;
        endMoveLoop();
    }
    if (windowResize_ && event->buttons() == Qt::NoButton) {
        const TResizeZone zone = ResizeHitTest(global, QRect(owner_->pos(), owner_->size()));
        const Qt::Edges edges = ResizeEdges(zone);
        if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
            owner_->setCursor(Qt::SizeFDiagCursor);
        else if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
            owner_->setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::TopEdge | Qt::BottomEdge))
            owner_->setCursor(Qt::SizeVerCursor);
        else if (edges)
            owner_->setCursor(Qt::SizeHorCursor);
        else
            owner_->unsetCursor();
    }
    // Only the left button alone starts a drag: another button or a held
    // Shift/Ctrl/Alt leaves the mouse to the window.
    if (!windowDrag_ || !dragArmed_ || event->buttons() != Qt::LeftButton || event->modifiers() != Qt::NoModifier)
        return false;
    const QPoint client = widget->mapTo(owner_.data(), event->position().toPoint());
    bool dragMove = true;
    if (OnCanDragMove)
        OnCanDragMove(this, client.x(), client.y(), dragMove);
    if (!dragMove) {
        // Stays vetoed until the button is released, wherever the mouse goes.
        dragArmed_ = false;
        return false;
    }
    startMove(widget, global);
    return true;
}

void TvlmFormFunc::startMove(QWidget* widget, QPoint globalPos)
{
    // The point pressed stays under the pointer, however far the pointer went
    // before the first movement arrived. Taken before the child's press is
    // cancelled: the cancel is a release, which forgets the press.
    const QPoint grab = pressOffset_.value_or(globalPos - owner_->pos());
    if (widget != owner_) {
        // The child that took the press loses it, as it would losing the
        // mouse capture: a release outside it, so it does not click.
        QMouseEvent cancel(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(widget->mapToGlobal(QPoint(-1, -1))),
                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &cancel);
    }
    QWindow* handle = owner_->windowHandle();
    if (handle && handle->startSystemMove()) {
        systemMove_ = true;
        return;
    }
    // No window manager takes the move (a bare X server, offscreen): follow
    // the mouse until the left button is released.
    manualMove_ = true;
    grabOffset_ = grab;
}

bool TvlmFormFunc::mousePress(QWidget*, QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    pressOffset_ = event->globalPosition().toPoint() - owner_->pos();
    if (!windowResize_)
        return false;
    const TResizeZone zone = ResizeHitTest(event->globalPosition().toPoint(), QRect(owner_->pos(), owner_->size()));
    if (zone == TResizeZone::None)
        return false;
    QWindow* handle = owner_->windowHandle();
    return handle && handle->startSystemResize(ResizeEdges(zone));
}

bool TvlmFormFunc::mouseRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    dragArmed_ = true;
    pressOffset_.reset();
    if (manualMove_) {
        // Where the release is, not where the last movement seen was.
        owner_->move(event->globalPosition().toPoint() - grabOffset_);
        manualMove_ = false;
        endMoveLoop();
        return true;
    }
    if (systemMove_) {
        systemMove_ = false;
        endMoveLoop();
    }
    return false;
}

void TvlmFormFunc::endMoveLoop()
{
    if (OnWindowMoved)
        OnWindowMoved(this);
    if (fitScreenPx_ == 0 || !owner_)
        return;
    const QScreen* screen = owner_->screen();
    if (!screen)
        return;
    const QRect window(owner_->pos(), owner_->size());
    const QPoint snapped = SnapToWorkArea(window, screen->availableGeometry(), fitScreenPx_);
    if (snapped != window.topLeft())
        owner_->move(snapped);
}

void TvlmFormFunc::ownerGeometryChanged(bool resized)
{
    if (resized && windowRound_ && !owner_->isMinimized())
        applyWindowRound();
    if (!owner_->isMaximized() && !owner_->isMinimized())
        normalRect_ = QRect(owner_->pos(), owner_->size());
}

void TvlmFormFunc::applyWindowRound()
{
    owner_->setMask(WindowRoundRegion(owner_->width(), owner_->height(), windowRound_));
}

void TvlmFormFunc::SetDragDrop(bool value)
{
    dragDrop_ = value;
    if (owner_)
        owner_->setAcceptDrops(value);
}

void TvlmFormFunc::SetWindowRound(bool value)
{
    windowRound_ = value;
    if (!owner_ || !owner_->windowFlags().testFlag(Qt::FramelessWindowHint))
        return;
    if (value)
        applyWindowRound();
    else
        owner_->clearMask();
}

void TvlmFormFunc::SetWindowPosition(TwindowPosition value)
{
    if (value == windowPosition_ || !owner_)
        return;
    const QPoint pos = owner_->pos();
    const bool wasVisible = owner_->isVisible();
    Qt::WindowFlags flags = owner_->windowFlags() & ~(Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint);
    if (value == wpTop)
        flags |= Qt::WindowStaysOnTopHint;
    else if (value == wpBottom)
        flags |= Qt::WindowStaysOnBottomHint;
    // Changing the flags hides a shown window; it comes back where it was.
    owner_->setWindowFlags(flags);
    owner_->move(pos);
    if (value != wpBottom || wasVisible)
        owner_->show();
    if (value == wpBottom)
        owner_->lower();
    windowPosition_ = value;
}

void TvlmFormFunc::SetLayered(bool value)
{
    layered_ = value && OSMajorVersion() >= 5;
}

void TvlmFormFunc::EndSession()
{
    if (OnEndSession)
        OnEndSession(this);
    SavePlacement();
    if (OnOwnerDestroy)
        OnOwnerDestroy(this);
}
