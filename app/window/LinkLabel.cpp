#include "LinkLabel.h"

#include "ShellFileUtils.h"

#include <QAccessibleWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace {

bool fileOrFolderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

// The folder part of a path: everything before the last '/', the root kept.
QString pathBeforeLastDelimiter(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

class TLinkLabelAccessible : public QAccessibleWidget {
public:
    explicit TLinkLabelAccessible(TLinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return Label()->text();
        if (t == QAccessible::Value)
            return Label()->LinkURL().isEmpty() ? Label()->text() : Label()->LinkURL();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            Label()->Click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    TLinkLabel* Label() const { return static_cast<TLinkLabel*>(widget()); }
};

QAccessibleInterface* LinkLabelFactory(const QString&, QObject* object)
{
    if (auto* label = qobject_cast<TLinkLabel*>(object))
        return new TLinkLabelAccessible(label);
    return nullptr;
}

} // namespace

TLinkLabel::TLinkLabel(QWidget* owner) : QLabel(owner)
{
    static const bool factory = [] {
        QAccessible::installFactory(&LinkLabelFactory);
        return true;
    }();
    (void)factory;
    // Captions are file names and addresses, never markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void TLinkLabel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            Click();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TLinkLabel::SetLinkURL(const QString& value)
{
    linkURL_ = value;
    if (value.isEmpty())
        return;
    const QFileInfo info(value);
    if (info.isFile())
        setText(info.fileName());
    if (info.isDir())
        setText(pathBeforeLastDelimiter(value));
}

void TLinkLabel::Click()
{
    Q_EMIT clicked();
    const QString target = linkURL_.isEmpty() ? text() : linkURL_;
    if (fileOrFolderExists(target))
        OpenDocument(target);
    else
        OpenLink(target);
}

// The hover look replaces the whole style: a bold label comes back plain.
void TLinkLabel::SetFontStyle(bool underline)
{
    QFont f = font();
    f.setWeight(QFont::Normal);
    f.setItalic(false);
    f.setStrikeOut(false);
    f.setUnderline(underline);
    setFont(f);
}

// A label as high as its font can have the underline one row below its
// bottom, where it would be cut off; it is drawn on the last row instead.
void TLinkLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        QPen pen(palette().color(foregroundRole()), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (!font().underline())
        return;
    const QFontMetrics metrics(font());
    const QRect area = contentsRect();
    const QRect textRect = QStyle::alignedRect(layoutDirection(), alignment(),
                                               QSize(metrics.horizontalAdvance(text()), metrics.height()), area);
    if (textRect.top() + metrics.ascent() + metrics.underlinePos() <= area.bottom())
        return; // drawn with the text
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawLine(textRect.left(), area.bottom(), textRect.right(), area.bottom());
}

void TLinkLabel::enterEvent(QEnterEvent* event)
{
    SetFontStyle(true);
    QLabel::enterEvent(event);
}

void TLinkLabel::leaveEvent(QEvent* event)
{
    SetFontStyle(false);
    QLabel::leaveEvent(event);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QLabel::mousePressEvent(event);
}

// A click is a left press and release that both happen on the label.
void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton && pressed_ && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Click();
}
