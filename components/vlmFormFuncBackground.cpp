#include "vlmFormFunc.h"

#include "FuncGraphicWork.h"
#include "RegionUtils.h"
#include "vlmMessages.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QWidget>

#include <exception>

namespace {

QRect ToQRect(const TRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// The 32-bit picture's colour bytes as an opaque image over the same memory:
// painting it copies blue, green and red and ignores alpha, as a plain
// bitmap copy does.
QImage OpaqueView(TBitmap& picture)
{
    return QImage(picture.ScanLine(0), picture.Width(), picture.Height(), picture.BytesPerLine(),
                  QImage::Format_RGB32);
}

} // namespace

void TvlmFormFunc::SetDefaultBackground()
{
    if (!owner_)
        return;
    TBitmap picture;
    LoadGraphicFromResource(picture, QStringLiteral("bgpicture.png"));
    ApplyBackground(picture, owner_->x(), owner_->y());
}

void TvlmFormFunc::refuseInvisible(TBitmap& picture, const QString& name) const
{
    // Keying here is what ApplyBackground would do; it is done once either way.
    if (picture.PixelFormat() == pf24bit && !picture.Empty()) {
        picture.SetPixelFormat(pf32bit);
        MakeAlphaByColorKey(picture, 255);
    }
    const TRect visible = picture.Empty() ? TRect() : GetVisibleRect(picture);
    if (visible.Width() <= 0 || visible.Height() <= 0) {
        throw EFormFuncError(
            QCoreApplication::translate("TvlmFormFunc", "No visible picture in \"%1\"").arg(name).toStdString());
    }
}

void TvlmFormFunc::ApplyBackground(TBitmap& picture, int x, int y)
{
    if (!owner_)
        return;
    if (designPositions_.empty())
        saveChildPositions();
    if (!background_)
        background_ = std::make_unique<TBitmap>();
    background_->SetPixelFormat(pf32bit);
    if (picture.PixelFormat() == pf24bit) {
        picture.SetPixelFormat(pf32bit);
        MakeAlphaByColorKey(picture, 255);
    }
    const TDrawType mode = layered_ ? dtLayered : dtCopy;
    QPoint offset;
    if (bgRelocation_) {
        const QRect visible = ToQRect(GetVisibleRect(picture));
        offset = RelocationOffset(QSize(picture.Width(), picture.Height()), visible, referenceClientSize_);
        background_->SetSize(visible.width(), visible.height());
        OverDraw(-visible.left(), -visible.top(), *background_, picture, mode);
    } else {
        background_->SetSize(picture.Width(), picture.Height());
        OverDraw(0, 0, *background_, picture, mode);
    }
    if (layered_) {
        updateLayered(x, y);
        background_->SetSize(0, 0);
        return;
    }
    layeredImage_ = QImage();
    // The region is built here only, never while painting.
    if (!region_)
        region_ = std::make_unique<TRegion>();
    region_->makeRgnFromBitmap(*background_, 128);
    owner_->setMask(region_->Handle());
    owner_->move(x, y);
    owner_->resize(background_->Width(), background_->Height());
    if (!designPositions_.empty()) {
        if (bgRelocation_)
            moveChildren(offset);
        notifyChildren();
    }
    owner_->update();
}

QList<QWidget*> TvlmFormFunc::childControls() const
{
    QList<QWidget*> controls;
    for (QObject* child : owner_->children()) {
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            controls.append(static_cast<QWidget*>(child));
    }
    return controls;
}

void TvlmFormFunc::saveChildPositions()
{
    // A window that never restored a placement takes its present client
    // size as the size its layout was designed for.
    if (!referenceRecorded_) {
        referenceClientSize_ = owner_->size();
        referenceRecorded_ = true;
    }
    for (QWidget* child : childControls())
        designPositions_.push_back(child->pos());
}

void TvlmFormFunc::moveChildren(QPoint offset)
{
    const QList<QWidget*> controls = childControls();
    designPositions_.resize(std::size_t(controls.size()));
    for (qsizetype i = 0; i < controls.size(); ++i)
        controls[i]->move(designPositions_[std::size_t(i)] + offset);
}

void TvlmFormFunc::notifyChildren()
{
    for (QWidget* child : childControls()) {
        TBackgroundNotifyEvent notify(background_.get());
        QCoreApplication::sendEvent(child, &notify);
    }
}

void TvlmFormFunc::updateLayered(int x, int y)
{
    if (!layeredReady_) {
        owner_->setAttribute(Qt::WA_TranslucentBackground);
        owner_->clearMask();
        layeredReady_ = true;
    }
    // The blend left premultiplied alpha; kept as an image because the
    // picture itself is emptied after the presentation.
    layeredImage_ = QImage(background_->ScanLine(0), background_->Width(), background_->Height(),
                           background_->BytesPerLine(), QImage::Format_ARGB32_Premultiplied)
                        .copy();
    owner_->move(x, y);
    owner_->resize(layeredImage_.size());
    owner_->update();
}

void TvlmFormFunc::paintBackground()
{
    QPainter painter(owner_.data());
    if (!layeredImage_.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, layeredImage_);
    } else if (background_ && !background_->Empty()) {
        painter.drawImage(0, 0, OpaqueView(*background_));
    } else if (eraseBackGround_ && !background_) {
        painter.fillRect(owner_->rect(), owner_->palette().window());
    }
    painter.end();
    if (OnEraseBackGround)
        OnEraseBackGround(this);
}

bool TvlmFormFunc::dragEvent(QDropEvent* event, bool drop)
{
    if (!dragDrop_ || !event->mimeData()->hasUrls())
        return false;
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            names.append(url.toLocalFile());
    }
    if (names.isEmpty())
        return false;
    // Always a copy, whatever the source proposes (Shift proposes a move): a
    // source that honoured a move would delete the user's picture.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The drop is taken at once and its files handled after it: a refused
    // picture's message must not keep the dragging program waiting.
    if (drop)
        QMetaObject::invokeMethod(this, [this, names] { DropFiles(names); }, Qt::QueuedConnection);
    return true;
}

void TvlmFormFunc::DropFiles(const QStringList& names)
{
    dropNames_.clear();
    if (!dragDrop_)
        return;
    // A file that fails does not keep the later ones from being handed on;
    // the first failure is reported once all have been.
    std::exception_ptr failure;
    for (const QString& name : names) {
        try {
            if (OnDropFile)
                OnDropFile(this, name);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        if (dropNamesEnabled_)
            dropNames_.append(name);
    }
    if (OnDropFinish)
        OnDropFinish(this);
    if (failure)
        std::rethrow_exception(failure);
}
