#include "TimerAccessible.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QWidget>
#include <QWindow>

#include "UnitFmTimerMain.h"
#include "vlmButtonAccessible.h"

namespace {

// The frame: its name is the window title (QAccessibleWidget's own); the
// digit labels are left out of its children.
class TTimerWindowAccessible : public QAccessibleWidget {
  public:
    explicit TTimerWindowAccessible(TFmTimerMain* window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override { return int(Children().size()); }

    QAccessibleInterface* child(int index) const override
    {
        const QList<QObject*> children = Children();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(Children().indexOf(child->object())) : -1;
    }

  private:
    QList<QObject*> Children() const
    {
        const auto* window = static_cast<const TFmTimerMain*>(widget());
        const QLabel* hidden[] = {window->LBmin0, window->LBmin1, window->LBcnt, window->LBsec0, window->LBsec1};
        QList<QObject*> out;
        for (QObject* object : window->children()) {
            if (auto* child = qobject_cast<QWidget*>(object)) {
                if (!child->isWindow() && !qobject_cast<QMenu*>(child) &&
                    std::find(std::begin(hidden), std::end(hidden), child) == std::end(hidden))
                    out << child;
            } else if (dynamic_cast<TTimerSpeaker*>(object)) {
                out << object;
            }
        }
        return out;
    }
};

class TSpeakerAccessible : public QAccessibleObject {
  public:
    explicit TSpeakerAccessible(TTimerSpeaker* speaker) : QAccessibleObject(speaker) {}

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(Speaker()->Window()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QWindow* window() const override { return Speaker()->Window()->windowHandle(); }

    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? Speaker()->Line() : QString(); }

    // The alarm's speaker is a notification too: screen readers speak one
    // when it shows, while an alert that is not a window of its own is
    // counted as a dialog and not read.
    QAccessible::Role role() const override { return QAccessible::Notification; }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        return s;
    }

  private:
    TTimerSpeaker* Speaker() const { return static_cast<TTimerSpeaker*>(object()); }
};

// A menu item that opens a submenu says so: Qt's own item is told like any
// other, and AT-SPI has no submenu role Qt could give it. It must stay a menu
// item for the menu to count it among its children.
class TSubmenuItemAccessible : public QAccessibleObject, public QAccessibleActionInterface {
  public:
    TSubmenuItemAccessible(QAction* item, QMenu* owner) : QAccessibleObject(item), owner_(owner) {}

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(owner_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QWindow* window() const override { return owner_->windowHandle(); }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description)
            return QCoreApplication::translate("TTimerSpeaker", "submenu");
        return t == QAccessible::Name ? AccessibleCaption(Item()->text()) : QString();
    }
    QRect rect() const override { return owner_->actionGeometry(Item()).translated(owner_->mapToGlobal(QPoint(0, 0))); }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.hasPopup = true;
        s.focusable = true;
        s.focused = owner_->activeAction() == Item();
        s.invisible = !owner_->isVisible();
        s.disabled = !Item()->isEnabled();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& name) override
    {
        if (name == showMenuAction() && Item()->isEnabled())
            owner_->setActiveAction(Item());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QAction* Item() const { return static_cast<QAction*>(object()); }
    QMenu* owner_;
};

QAccessibleInterface* TimerFactory(const QString&, QObject* object)
{
    if (auto* item = qobject_cast<QAction*>(object); item && item->menu()) {
        for (QObject* owner : item->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(owner); menu && dynamic_cast<TFmTimerMain*>(menu->parentWidget()))
                return new TSubmenuItemAccessible(item, menu);
    }
    if (auto* window = dynamic_cast<TFmTimerMain*>(object))
        return new TTimerWindowAccessible(window);
    if (auto* speaker = dynamic_cast<TTimerSpeaker*>(object))
        return new TSpeakerAccessible(speaker);
    auto* widget = qobject_cast<QWidget*>(object);
    if (auto* window = widget ? dynamic_cast<TFmTimerMain*>(widget->parentWidget()) : nullptr;
        window && widget == window->TimeText)
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    return nullptr;
}

} // namespace

void InstallTimerAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&TimerFactory);
        return true;
    }();
    (void)installed;
}

TTimerSpeaker::TTimerSpeaker(QWidget* window, bool alert) : QObject(window), window_(window), alert_(alert)
{
}

void TTimerSpeaker::Say(const QString& line)
{
    line_ = line;
    ++lines_;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    if (alert_) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
    // A screen reader speaks a notification when it is shown.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

bool TickTold(int before, int after, bool countUp)
{
    if (countUp) {
        for (int s = std::max(before + 1, 1); s <= after; ++s)
            if (s % 60 == 0)
                return true;
        return false;
    }
    for (int s = std::max(after, 1); s < before; ++s)
        if (s % 60 == 0 || s == 30 || s == 10 || s == 5)
            return true;
    return false;
}
