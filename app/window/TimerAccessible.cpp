#include "TimerAccessible.h"

#include <QAbstractButton>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "TimerReadout.h"
#include "UnitFmTimerMain.h"
#include "vlmButtonAccessible.h"

namespace {

// The frame: its name is the window's accessible name (FrameName); the
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

// An item of the timer's menus. One that opens a submenu says so: Qt's own
// item is told like any other, and AT-SPI has no submenu role Qt could give
// it; it must stay a menu item for the menu to count it among its children.
// Every item's name is its caption without the mnemonic ("リセット(&R)" reads
// "リセット"), and its shortcut (Ctrl+N, Alt+F4) is its key binding.
class TMenuItemAccessible : public QAccessibleObject, public QAccessibleActionInterface {
  public:
    TMenuItemAccessible(QAction* item, QMenu* owner) : QAccessibleObject(item), owner_(owner) {}

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(owner_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QWindow* window() const override { return owner_->windowHandle(); }
    QAccessible::Role role() const override
    {
        return Item()->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return AccessibleCaption(Item()->text());
        case QAccessible::Description:
            return Item()->menu() ? QCoreApplication::translate("TTimerSpeaker", "submenu") : QString();
        case QAccessible::Accelerator:
            return Item()->shortcut().toString(QKeySequence::NativeText);
        default:
            return QString();
        }
    }
    QRect rect() const override { return owner_->actionGeometry(Item()).translated(owner_->mapToGlobal(QPoint(0, 0))); }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.hasPopup = Item()->menu() != nullptr;
        s.focusable = !Item()->isSeparator();
        s.focused = owner_->activeAction() == Item();
        s.invisible = !owner_->isVisible() || !Item()->isVisible();
        s.disabled = !Item()->isEnabled();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override
    {
        if (Item()->isSeparator() || !Item()->isEnabled())
            return {};
        return {Item()->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString& name) override
    {
        if (!actionNames().contains(name))
            return;
        if (Item()->menu())
            owner_->setActiveAction(Item());
        else
            Item()->trigger();
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name != pressAction() || Item()->shortcut().isEmpty())
            return {};
        // AT-SPI's key binding reads "mnemonic;path;accelerator" (Qt joins
        // the list with ';'): screen readers say the third as the shortcut.
        return {QString(), QString(), Item()->shortcut().toString(QKeySequence::PortableText)};
    }

  private:
    QAction* Item() const { return static_cast<QAction*>(object()); }
    QMenu* owner_;
};

// The menu of a timer window that shows the item, or null for any other.
QMenu* TimerMenuOf(QAction* item)
{
    for (QObject* owner : item->associatedObjects()) {
        auto* menu = qobject_cast<QMenu*>(owner);
        QWidget* up = menu ? menu->parentWidget() : nullptr;
        if (qobject_cast<QMenu*>(up))
            up = up->parentWidget();
        if (dynamic_cast<TFmTimerMain*>(up))
            return menu;
    }
    return nullptr;
}

// A slider whose value is read with its unit.
class TUnitSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit TUnitSliderAccessible(QSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QStringLiteral("%1 %2").arg(Slider()->value()).arg(Slider()->property("valueUnit").toString());
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return Slider()->value(); }
    void setCurrentValue(const QVariant& value) override { Slider()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return Slider()->maximum(); }
    QVariant minimumValue() const override { return Slider()->minimum(); }
    QVariant minimumStepSize() const override { return Slider()->singleStep(); }

  private:
    QSlider* Slider() const { return static_cast<QSlider*>(widget()); }
};

// A dialog's refusal: an alert whose name is its text.
class TRefusalAccessible : public QAccessibleWidget {
  public:
    explicit TRefusalAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

constexpr char kRefusalProperty[] = "refusal";

QAccessibleInterface* TimerFactory(const QString&, QObject* object)
{
    if (auto* item = qobject_cast<QAction*>(object)) {
        if (QMenu* menu = TimerMenuOf(item))
            return new TMenuItemAccessible(item, menu);
    }
    if (auto* window = dynamic_cast<TFmTimerMain*>(object))
        return new TTimerWindowAccessible(window);
    if (auto* slider = qobject_cast<QSlider*>(object); slider && slider->property("valueUnit").isValid())
        return new TUnitSliderAccessible(slider);
    if (auto* label = qobject_cast<QLabel*>(object); label && label->property(kRefusalProperty).toBool())
        return new TRefusalAccessible(label);
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

void NameControlsForScreenReaders(QWidget* dialog)
{
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        if (button->accessibleName().isEmpty() && !button->text().isEmpty())
            button->setAccessibleName(AccessibleCaption(button->text()));
    for (auto* label : dialog->findChildren<QLabel*>()) {
        QWidget* field = label->buddy();
        if (field && field->accessibleName().isEmpty()) {
            QString name = AccessibleCaption(label->text());
            while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A)))
                name.chop(1);
            field->setAccessibleName(name);
        }
    }
}

QLabel* MakeRefusalLabel(QWidget* dialog)
{
    // Before anything asks for the label's interface: Qt keeps the first.
    InstallTimerAccessibility();
    auto* label = new QLabel;
    label->setProperty(kRefusalProperty, true);
    label->setParent(dialog);
    label->setWordWrap(true);
    label->hide();
    return label;
}

QLabel* LayOutAskingDialog(QDialog* dialog, const QString& title, const QString& caption, QWidget* field,
                           QDialogButtonBox** buttons)
{
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(caption, dialog);
    label->setBuddy(field);
    QLabel* refusal = MakeRefusalLabel(dialog);
    *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    for (QWidget* w : std::initializer_list<QWidget*>{label, field, refusal, *buttons})
        layout->addWidget(w);
    QObject::connect(*buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return refusal;
}

void ShowRefusal(QLabel* label, const QString& text)
{
    label->setText(text);
    label->setVisible(!text.isEmpty());
    if (text.isEmpty())
        return;
    // A dialog already on screen does not grow for a longer text by itself.
    if (QWidget* dialog = label->window(); dialog->isVisible())
        dialog->adjustSize();
    QAccessibleEvent alert(label, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString FrameName(int seconds, bool running, bool countUp, const QString& name)
{
    const TTimerPhase phase = TTimerReadout::Phase(seconds, running, countUp);
    // Whole minutes left, never more than there are ("1 minute" at 1:05);
    // the last minute reads as one.
    if (phase == TTimerPhase::CountingDown)
        seconds = std::max(60, seconds / 60 * 60);
    else if (phase == TTimerPhase::CountingUp)
        seconds = seconds / 60 * 60;
    return QStringLiteral("%1 \u2013 Pocosa")
        .arg(TTimerReadout::Named(name, TTimerReadout::Spoken(seconds, phase, countUp)));
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
