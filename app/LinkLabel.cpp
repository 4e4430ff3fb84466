#include "LinkLabel.h"

#include "ShellFileUtils.h"

#include <QFileInfo>
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

} // namespace

TLinkLabel::TLinkLabel(QWidget* owner) : QLabel(owner)
{
    // Captions are file names and addresses, never markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
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
