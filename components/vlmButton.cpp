#include "vlmButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

TvlmGctButton::TvlmGctButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    resize(40, 40);
}

TvlmGctButton::~TvlmGctButton() = default;

void TvlmGctButton::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    repaint();
}

void TvlmGctButton::SetClickRepeat(bool repeat)
{
    clickRepeat_ = repeat;
    if (repeat && !repeatTimer_) {
        repeatTimer_ = new QTimer(this);
        repeatTimer_->setTimerType(Qt::PreciseTimer);
        connect(repeatTimer_, &QTimer::timeout, this, &TvlmGctButton::RepeatTimerTick);
    } else if (!repeat && repeatTimer_) {
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void TvlmGctButton::Click()
{
    if (OnClick)
        OnClick(this);
}

void TvlmGctButton::RepeatTimerTick()
{
    if (!pressed_ || !repeatTimer_ || !repeatTimer_->isActive())
        return;
    // Stopped while the handler runs, so the next repeat comes 80 ms after it returned.
    repeatTimer_->stop();
    Click();
    if (repeatTimer_ && pressed_)
        repeatTimer_->start(kRepeatMs);
}

void TvlmGctButton::StopRepeat()
{
    if (repeatTimer_)
        repeatTimer_->stop();
}

void TvlmGctButton::PointerLeft()
{
    StopRepeat();
    if (!isEnabled())
        return;
    mouseOver_ = false;
    pressed_ = false;
    repaint();
}

void TvlmGctButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (!isEnabled())
        return;
    mouseOver_ = true;
    repaint();
}

void TvlmGctButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    PointerLeft();
}

void TvlmGctButton::mousePressEvent(QMouseEvent* event)
{
    // Double clicks reach here too (QWidget's default), so two quick clicks are two clicks.
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!isEnabled() || pressed_)
        return;
    pressed_ = true;
    if (clickRepeat_ && repeatTimer_)
        repeatTimer_->start(kFirstRepeatMs);
    repaint();
}

void TvlmGctButton::mouseMoveEvent(QMouseEvent* event)
{
    // The mouse is grabbed while held: dragging off the button counts as leaving it.
    if (pressed_ && !rect().contains(event->position().toPoint()))
        PointerLeft();
}

void TvlmGctButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    StopRepeat();
    if (!pressed_)
        return;
    pressed_ = false;
    if (rect().contains(event->position().toPoint()))
        Click();
    repaint();
}

void TvlmGctButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        repaint();
}

void TvlmGctButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor face = pressed_ ? QColor(0x40, 0x40, 0x40) : mouseOver_ ? QColor(0xFF, 0xA0, 0x60) : QColor(0xE8, 0xE8, 0xE8);
    if (!isEnabled())
        face = QColor(0xF4, 0xF4, 0xF4);
    p.setPen(QPen(isEnabled() ? Qt::black : Qt::gray, 1));
    p.setBrush(face);
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(!isEnabled() ? Qt::gray : pressed_ ? Qt::white : Qt::black);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, caption_);
}
