#include "vlmButton.h"
#include "vlmMessages.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

TColor ToTColor(const QColor& c) { return TColor(c.red() | (c.green() << 8) | (c.blue() << 16)); }

} // namespace

TvlmGctButton::TvlmGctButton(QWidget* owner) : QWidget(owner)
{
    // The face is cut to its region and the window's picture must show in
    // the corners, so the widget is opaque only while it has no region (see
    // paintEvent); a new renderer has none, but the window sets one at once.
    setFocusPolicy(Qt::NoFocus);
    btnDraw_ = std::make_unique<TvlmBtnDraw>(this);
    btnDraw_->OnChanged = [this](QObject*) { RepaintNow(); };
    SetBounds(x(), y(), 40, 40);
    btnDraw_->SetBackColor(ToTColor(palette().color(QPalette::Window)));
    btnDraw_->SetFont(font(), fontColor_);
    if (owner) {
        keyWindow_ = owner->window();
        keyWindow_->installEventFilter(this);
    }
}

TvlmGctButton::~TvlmGctButton()
{
    btnDraw_.reset();
    delete repeatTimer_;
    repeatTimer_ = nullptr;
}

void TvlmGctButton::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    btnDraw_->SetBounds(left, top, width, height);
}

// Keeps the renderer at the widget's geometry however it was changed
// (setGeometry, move and resize are not virtual).
void TvlmGctButton::SyncBounds()
{
    const QRect g = geometry();
    const TBitmap& face = btnDraw_->FaceBitmap();
    if (btnDraw_->Left() != g.x() || btnDraw_->Top() != g.y() || face.Width() != g.width() ||
        face.Height() != g.height())
        btnDraw_->SetBounds(g.x(), g.y(), g.width(), g.height());
}

void TvlmGctButton::moveEvent(QMoveEvent*) { SyncBounds(); }
void TvlmGctButton::resizeEvent(QResizeEvent*) { SyncBounds(); }

void TvlmGctButton::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    btnDraw_->SetCaption(caption_);
    Paint();
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void TvlmGctButton::SetKey(const QKeySequence& key)
{
    key_ = key;
    setToolTip(key.isEmpty() ? QString()
                             : QCoreApplication::translate("TvlmGctButton", "Key: %1")
                                   .arg(key.toString(QKeySequence::NativeText)));
}

void TvlmGctButton::SetFontColor(TColor colour)
{
    if (colour == fontColor_)
        return;
    fontColor_ = colour;
    btnDraw_->SetFont(font(), fontColor_);
    Paint();
}

void TvlmGctButton::SetClickRepeat(bool value)
{
    clickRepeat_ = value;
    UpdateRepeatTimer();
}

void TvlmGctButton::UpdateRepeatTimer()
{
    if (clickRepeat_ && !repeatTimer_) {
        repeatTimer_ = new QTimer(this);
        repeatTimer_->setTimerType(Qt::PreciseTimer);
        connect(repeatTimer_, &QTimer::timeout, this, &TvlmGctButton::RepeatTimerTick);
    } else if (!clickRepeat_ && repeatTimer_) {
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void TvlmGctButton::RepeatTimerTick()
{
    if (!pressed_ || !repeatTimer_ || !repeatTimer_->isActive())
        return;
    repeatTimer_->setInterval(kRepeatMs);
    repeatTimer_->stop();
    const QPointer<TvlmGctButton> alive(this);
    if (OnClick)
        OnClick(this);
    // The next repeat comes kRepeatMs after the handler returned, unless the
    // handler disabled or hid the button.
    if (alive && repeatTimer_ && pressed_ && isEnabled() && isVisible())
        repeatTimer_->start();
}

TBtnDrawState TvlmGctButton::DrawState() const
{
    if (!isEnabled())
        return bdDisabled;
    if (pressed_)
        return bdDown;
    // The focus mark wins over the pointer's, so that the keyboard's place
    // stays in sight.
    if (hasFocus())
        return bdFocus;
    if (mouseOver_)
        return bdOver;
    return bdNormal;
}

void TvlmGctButton::Paint()
{
    if (isVisible())
        repaint();
}

void TvlmGctButton::RepaintNow()
{
    // A state change made by the paint itself is drawn by that same paint.
    if (!painting_)
        Paint();
}

// Before any background notification the window's picture under the button
// is read by drawing the window alone (without its child widgets).
void TvlmGctButton::CaptureFromParent()
{
    QWidget* parent = parentWidget();
    if (!parent || !btnDraw_->TransParent()) {
        btnDraw_->CaptureBackground(QImage());
        return;
    }
    QImage under(parent->size(), QImage::Format_ARGB32_Premultiplied);
    under.fill(parent->palette().color(QPalette::Window));
    parent->render(&under, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    btnDraw_->CaptureBackground(under);
}

void TvlmGctButton::paintEvent(QPaintEvent*)
{
    painting_ = true;
    SyncBounds();
    setAttribute(Qt::WA_OpaquePaintEvent, !btnDraw_->Region());
    QPainter painter(this);
    // The renderer works in the parent window's coordinates.
    painter.translate(-x(), -y());
    if (const QRegion* region = btnDraw_->FaceRegion())
        painter.setClipRegion(*region);
    btnDraw_->SetState(DrawState());
    if (btnDraw_->NeedsRender() && !btnDraw_->BackCaptured())
        CaptureFromParent();
    btnDraw_->PaintTo(painter);
    if (DrawState() == bdFocus)
        PaintFocusMark(painter);
    painting_ = false;
}

// The face's own focus ring is blended into the face and may differ little
// from it; this mark does not: a white and, inside it, a black line along the
// face's edge, one of which stands out from the face beneath at more than 4.5:1.
void TvlmGctButton::PaintFocusMark(QPainter& painter) const
{
    constexpr qreal kLine = 3;
    const QRectF face = QRectF(geometry()).adjusted(1, 1, -1, -1);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    for (const auto& [inset, colour] : {std::pair{kLine / 2, QColor(Qt::white)}, std::pair{kLine * 3 / 2, QColor(Qt::black)}}) {
        painter.setPen(QPen(colour, kLine));
        const QRectF line = face.adjusted(inset, inset, -inset, -inset);
        if (btnDraw_->Style() == bsCircle)
            painter.drawEllipse(line);
        else
            painter.drawRect(line);
    }
}

void TvlmGctButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    Paint();
}

void TvlmGctButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    Paint();
}

// Space and Return press the focused button once, however long they are
// held; every other key goes on to the window.
void TvlmGctButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool press = (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!press) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && isEnabled())
        Click();
}

void TvlmGctButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        // A disabled button stops repeating at once (its flags are kept); an
        // enabled one is not repeating, so enabling finds the timer stopped.
        if (repeatTimer_)
            repeatTimer_->stop();
        Paint();
        break;
    case QEvent::FontChange:
        btnDraw_->SetFont(font(), fontColor_);
        Paint();
        break;
    case QEvent::PaletteChange:
        btnDraw_->SetBackColor(ToTColor(palette().color(QPalette::Window)));
        Paint();
        break;
    default:
        break;
    }
}

bool TvlmGctButton::event(QEvent* event)
{
    if (event->type() == kBackgroundNotifyEvent) {
        // The sender repaints the whole window afterwards.
        SyncBounds();
        if (TBitmap* background = static_cast<TBackgroundNotifyEvent*>(event)->Background())
            btnDraw_->CaptureBackground(*background);
        return true;
    }
    // A disabled button takes no mouse input, but the release of a press
    // made before it was disabled still ends that press: enabled again, the
    // button is not left looking held, and its next press repeats.
    if (event->type() == QEvent::MouseButtonRelease && !isEnabled()
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        pressed_ = false;
        clickArmed_ = false;
    }
    return QWidget::event(event);
}

void TvlmGctButton::PointerEntered()
{
    if (!isEnabled() || mouseOver_)
        return;
    mouseOver_ = true;
    Paint();
}

void TvlmGctButton::PointerLeft()
{
    if (repeatTimer_)
        repeatTimer_->stop();
    if (!isEnabled() || (!mouseOver_ && !pressed_))
        return;
    mouseOver_ = false;
    pressed_ = false;
    Paint();
}

// A hidden button is no longer under the pointer, and the release of a
// press on it may never reach it.
void TvlmGctButton::hideEvent(QHideEvent*)
{
    clickArmed_ = false;
    PointerLeft();
}

void TvlmGctButton::enterEvent(QEnterEvent*) { PointerEntered(); }
void TvlmGctButton::leaveEvent(QEvent*) { PointerLeft(); }

void TvlmGctButton::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(this, event);
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    clickArmed_ = true;
    if (pressed_)
        return;
    pressed_ = true;
    mouseOver_ = true;
    if (repeatTimer_) {
        repeatTimer_->setInterval(kFirstRepeatMs);
        repeatTimer_->start();
    }
    Paint();
}

void TvlmGctButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Double clicks are not taken: the second press is an ordinary press.
    mousePressEvent(event);
}

void TvlmGctButton::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(this, event);
    // While a button is held the pointer belongs to this widget, so leaving
    // and coming back are seen here rather than as leave and enter events.
    if (event->buttons() == Qt::NoButton)
        return;
    if (rect().contains(event->position().toPoint()))
        PointerEntered();
    else
        PointerLeft();
}

void TvlmGctButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool left = event->button() == Qt::LeftButton;
    const bool click = left && clickArmed_ && rect().contains(event->position().toPoint());
    if (left)
        clickArmed_ = false;
    const QPointer<TvlmGctButton> alive(this);
    if (click && isEnabled())
        Click();
    if (!alive)
        return; // the handler closed the window that held the button
    if (OnMouseUp)
        OnMouseUp(this, event);
    if (!alive || !left || !isEnabled())
        return;
    if (repeatTimer_)
        repeatTimer_->stop();
    if (pressed_) {
        pressed_ = false;
        Paint();
    }
}

void TvlmGctButton::Click()
{
    if (OnClick)
        OnClick(this);
}

bool TvlmGctButton::IsAccelerator(QKeyEvent* key) const
{
    const QString text = key->text();
    if (text.size() != 1)
        return false;
    // The character after a single "&"; "&&" stands for a plain "&".
    for (qsizetype i = 0; i + 1 < caption_.size(); ++i) {
        if (caption_[i] != QLatin1Char('&'))
            continue;
        if (caption_[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return caption_[i + 1].toCaseFolded() == text[0].toCaseFolded();
    }
    return false;
}

bool TvlmGctButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != keyWindow_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    // Alt+character always; the character alone when no control in the
    // window has the keyboard focus, as a dialog character is.
    const bool dialogChar =
        mods == Qt::AltModifier ||
        (mods == Qt::NoModifier && (keyWindow_->focusWidget() == nullptr || keyWindow_->focusWidget() == keyWindow_));
    if (!dialogChar || !isEnabled() || !isVisible() || !keyWindow_->isVisible() || !IsAccelerator(key))
        return QWidget::eventFilter(watched, event);
    Click();
    return true;
}
