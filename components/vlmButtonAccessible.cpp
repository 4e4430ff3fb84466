#include "vlmButtonAccessible.h"

#include <QAccessibleWidget>
#include <QRegularExpression>

#include "vlmButton.h"

namespace {

// QAccessibleWidget is its own action interface.
class TvlmGctButtonAccessible : public QAccessibleWidget {
public:
    explicit TvlmGctButtonAccessible(TvlmGctButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return AccessibleCaption(Button()->Caption());
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        return widget()->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }

    void doAction(const QString& actionName) override
    {
        TvlmGctButton* button = Button();
        // Exactly what a click on the enabled button does.
        if (actionName == pressAction() && button->isEnabled() && button->isVisible() && button->OnClick)
            button->OnClick(button);
    }

    QStringList keyBindingsForAction(const QString& actionName) const override
    {
        if (actionName != pressAction() || Button()->Key().isEmpty())
            return {};
        return {Button()->Key().toString(QKeySequence::PortableText)};
    }

private:
    TvlmGctButton* Button() const { return static_cast<TvlmGctButton*>(widget()); }
};

QAccessibleInterface* ButtonFactory(const QString&, QObject* object)
{
    // The button carries no meta-object of its own, so its class name is QWidget's.
    if (auto* button = dynamic_cast<TvlmGctButton*>(object))
        return new TvlmGctButtonAccessible(button);
    return nullptr;
}

} // namespace

void InstallButtonAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&ButtonFactory);
        return true;
    }();
    (void)installed;
}

QString AccessibleCaption(const QString& caption)
{
    // A mnemonic written after the words, "リセット(&R)", is no word to read.
    static const QRegularExpression trailingMnemonic(QStringLiteral("\\(&[^&]\\)(\\.\\.\\.|:|\uFF1A)?$"));
    if (const QRegularExpressionMatch m = trailingMnemonic.match(caption); m.hasMatch())
        return AccessibleCaption(caption.left(m.capturedStart()) + m.captured(1));
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == QLatin1Char('&') && i + 1 < caption.size())
            out += caption[++i]; // "&x" reads x, "&&" reads "&"
        else if (c == QLatin1Char('\\'))
            out += QLatin1Char(' ');
        else if (c != QLatin1Char('&'))
            out += c;
    }
    return out;
}
