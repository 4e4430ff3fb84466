#include "vlmButton.h"
#include "vlmGraphicSource.h"
#include "vlmButtonKernels.h"

#include <QCoreApplication>
#include <QPainter>

#include <cstring>
#include <utility>

namespace {

TBtnPictureSource& PictureSource()
{
    static TBtnPictureSource source;
    return source;
}

} // namespace

TvlmBtnDraw::TvlmBtnDraw(QObject* owner)
{
    ownerControl_ = qobject_cast<QWidget*>(owner);
    faceBitmap_.SetPixelFormat(pf32bit);
    backBitmap_.SetPixelFormat(pf32bit);
    workBitmap_.SetPixelFormat(pf32bit);
    SetTransParent(false);
    SetFlat(false);
    SetSquare(false);
    SetTextAntialiasing(true);
    SetStyle(bsBox);
    SetRegion(false);
    SetAlignment(taCenter);
    SetColor(0x00FFFFFF);
    SetColorOver(0x0060A0FF);
    SetColorFocus(0x00FFA080);
    SetFocusLineWidth(4);
    SetOverDrawType(dtMulti);
    SetOverDrawAlpha(255);
    backCaptured_ = false;
    needsRender_ = true;
}

TvlmBtnDraw::~TvlmBtnDraw()
{
    EndPainter();
}

void TvlmBtnDraw::SetPictureSource(TBtnPictureSource source)
{
    PictureSource() = std::move(source);
}

void TvlmBtnDraw::Changed()
{
    needsRender_ = true;
    if (OnChanged)
        OnChanged(this);
}

void TvlmBtnDraw::SetStyle(TvlmBtnStyle value)
{
    if (value == style_)
        return;
    style_ = value;
    if (!transParent_)
        backCaptured_ = false;
    UpdateGeometry();
    Changed();
}

void TvlmBtnDraw::SetSquare(bool value)
{
    if (value == square_)
        return;
    square_ = value;
    if (!transParent_)
        backCaptured_ = false;
    UpdateGeometry();
    Changed();
}

void TvlmBtnDraw::SetColor(TColor value)
{
    if (value == color_)
        return;
    color_ = value;
    backCaptured_ = false;
    Changed();
}

void TvlmBtnDraw::SetBackColor(TColor value)
{
    if (value == backColor_)
        return;
    backColor_ = value;
    backCaptured_ = false;
    Changed();
}

// The setters that only change what the next render draws.
#define VLM_PLAIN_SETTER(Name, field, Type)                                                                            \
    void TvlmBtnDraw::Name(Type value)                                                                                 \
    {                                                                                                                  \
        if (value == field)                                                                                            \
            return;                                                                                                    \
        field = value;                                                                                                 \
        Changed();                                                                                                     \
    }
VLM_PLAIN_SETTER(SetFlat, flat_, bool)
VLM_PLAIN_SETTER(SetTextAntialiasing, textAntialiasing_, bool)
VLM_PLAIN_SETTER(SetTransParent, transParent_, bool)
VLM_PLAIN_SETTER(SetTextEmboss, textEmboss_, bool)
VLM_PLAIN_SETTER(SetAlignment, alignment_, TAlignment)
VLM_PLAIN_SETTER(SetColorDown, colorDown_, TColor)
VLM_PLAIN_SETTER(SetColorOver, colorOver_, TColor)
VLM_PLAIN_SETTER(SetColorFocus, colorFocus_, TColor)
VLM_PLAIN_SETTER(SetFocusLineWidth, focusLineWidth_, int)
VLM_PLAIN_SETTER(SetOverDrawType, overDrawType_, TDrawType)
VLM_PLAIN_SETTER(SetState, state_, TBtnDrawState)
VLM_PLAIN_SETTER(SetCaption, caption_, const QString&)
#undef VLM_PLAIN_SETTER

void TvlmBtnDraw::SetRegion(bool value)
{
    if (value == Region())
        return;
    if (!value) {
        region_.reset();
        return;
    }
    region_.emplace();
    UpdateGeometry();
    Changed();
}

void TvlmBtnDraw::SetOverDrawAlpha(int value)
{
    overDrawAlpha_ = value;
}

void TvlmBtnDraw::SetFaceMonoColor(bool value)
{
    faceMonoColor_ = value;
}

void TvlmBtnDraw::SetFont(const QFont& font, TColor color)
{
    if (font == font_ && color == fontColor_)
        return;
    font_ = font;
    fontColor_ = color;
    Changed();
}

void TvlmBtnDraw::SetFaceFlat(const QString& name) { SetPicture(faceFlat_, faceFlatPicture_, name); }
void TvlmBtnDraw::SetFaceDown(const QString& name) { SetPicture(faceDown_, faceDownPicture_, name); }
void TvlmBtnDraw::SetFaceOver(const QString& name) { SetPicture(faceOver_, faceOverPicture_, name); }

void TvlmBtnDraw::SetPicture(QString& name, TBitmap*& picture, const QString& value)
{
    if (value == name)
        return;
    name = value;
    if (value.isEmpty()) {
        // An empty name removes the picture; no source knows a picture without a name.
        picture = nullptr;
        Changed();
        return;
    }
    TBitmap* loaded = nullptr; // may throw: the name stays, the old picture too
    if (PictureSource())
        loaded = PictureSource()(value);
    else if (GraphicSource)
        loaded = GraphicSource->GetGraphic(value, gcShared, 0).get(); // the cache keeps it alive
    else
        return;
    if (loaded && loaded->PixelFormat() == pf24bit) {
        loaded->SetPixelFormat(pf32bit);
        MakeAlphaByColorKey(*loaded, 255);
    }
    picture = loaded;
    Changed();
}

void TvlmBtnDraw::Assign(const TvlmBtnDraw& source)
{
    if (&source == this)
        return;
    SetTransParent(source.transParent_);
    SetFlat(source.flat_);
    SetSquare(source.square_);
    SetTextAntialiasing(source.textAntialiasing_);
    SetStyle(source.style_);
    SetAlignment(source.alignment_);
    SetCaption(source.caption_);
    SetColor(source.color_);
    SetBackColor(source.backColor_);
    SetColorDown(source.colorDown_);
    SetColorOver(source.colorOver_);
    SetColorFocus(source.colorFocus_);
    SetFocusLineWidth(source.focusLineWidth_);
    SetFaceFlat(source.faceFlat_);
    SetFaceDown(source.faceDown_);
    SetFaceOver(source.faceOver_);
    SetFont(source.font_, source.fontColor_);
}

void TvlmBtnDraw::UpdateGeometry()
{
    const int ww = workBitmap_.Width(), hw = workBitmap_.Height();
    workRect_ = QRect(0, 0, ww, hw);
    int a = ww, b = hw;
    if (square_)
        a = b = std::min(ww, hw);
    const int l = (ww - a) / 2, t = (hw - b) / 2, r = l + a, bottom = t + b;
    faceRect_ = QRect(QPoint(l, t), QPoint(r - 1, bottom - 1));
    if (region_) {
        const int x1 = l / 2, y1 = t / 2, x2 = r / 2, y2 = bottom / 2;
        if (style_ == bsBox)
            *region_ = QRegion(x1, y1, x2 - x1, y2 - y1);
        else
            *region_ = QRegion(x1 - 1, y1 - 1, x2 - x1 + 3, y2 - y1 + 3, QRegion::Ellipse);
        if (dynamic_cast<TvlmGctButton*>(ownerControl_))
            region_->translate(left_, top_);
    }
    const int w4 = (r - l) / 4, w2 = (r - l) / 2, h4 = (bottom - t) / 4, h2 = (bottom - t) / 2;
    rimPoints_ = {QPoint(r - w4, t),      QPoint(r, t + h4),      QPoint(r, t + h2),      QPoint(r, bottom - h4),
                  QPoint(r - w4, bottom), QPoint(l + w2, bottom), QPoint(l + w4, bottom), QPoint(l, bottom - h4),
                  QPoint(l, t + h2),      QPoint(l, t + h4),      QPoint(l + w4, t),      QPoint(l + w2, t)};
}

void TvlmBtnDraw::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (!PictureSizeAllowed(2 * std::int64_t(width), 2 * std::int64_t(height)))
        throw EPictureSize(QCoreApplication::translate("TvlmBtnDraw", "button face too large (%1 x %2)")
                               .arg(width)
                               .arg(height)
                               .toStdString());
    left_ = left;
    top_ = top;
    EndPainter();
    for (TBitmap* b : {&faceBitmap_, &backBitmap_}) {
        b->SetHeight(0); // drops the old content
        b->SetSize(width, height);
    }
    workBitmap_.SetHeight(0);
    workBitmap_.SetSize(2 * width, 2 * height);
    RebuildViews();
    UpdateGeometry();
    needsRender_ = true;
    backCaptured_ = false;
}

void TvlmBtnDraw::RebuildViews()
{
    workView_ = workBitmap_.Empty() ? QImage()
                                    : QImage(workBitmap_.ScanLine(0), workBitmap_.Width(), workBitmap_.Height(),
                                             workBitmap_.BytesPerLine(), QImage::Format_RGB32);
    vlmbtn::BuildOverlayRamp(ramp_, workBitmap_.Width(), workBitmap_.Height());
    mask_.assign(std::size_t(faceBitmap_.Width()) * std::size_t(faceBitmap_.Height()), 0);
}

QPainter& TvlmBtnDraw::Painter()
{
    // One painter for every layer and every render until the size changes.
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&workView_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
    }
    return *painter_;
}

void TvlmBtnDraw::EndPainter()
{
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

void TvlmBtnDraw::CaptureBackground(const QImage& surface)
{
    const std::uint32_t fill = vlmbtn::PixelOf(backColor_, 255);
    if (transParent_) {
        const QImage::Format f = surface.format();
        if (f == QImage::Format_ARGB32 || f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied)
            vlmbtn::CopyOut(surface, left_, top_, backBitmap_, fill);
        else
            vlmbtn::CopyOut(surface.convertToFormat(QImage::Format_ARGB32), left_, top_, backBitmap_, fill);
    } else {
        vlmbtn::CopyOut(QImage(), left_, top_, backBitmap_, fill);
    }
    if (!transParent_ || color_ != backColor_)
        LayBaseFace();
    backCaptured_ = true;
    needsRender_ = true;
}

void TvlmBtnDraw::CaptureBackground(TBitmap& surface)
{
    CaptureBackground(surface.ImageView());
}

void TvlmBtnDraw::RenderIfNeeded()
{
    if (needsRender_)
        Render();
}

void TvlmBtnDraw::PaintTo(QImage& surface)
{
    if (needsRender_) {
        if (!backCaptured_)
            CaptureBackground(surface);
        Render();
    }
    const QImage::Format f = surface.format();
    if (f == QImage::Format_ARGB32 || f == QImage::Format_RGB32) {
        vlmbtn::CopyIn(faceBitmap_, surface, left_, top_);
    } else if (!faceBitmap_.Empty()) {
        QPainter p(&surface);
        PaintTo(p);
    }
}

void TvlmBtnDraw::PaintTo(QPainter& surface)
{
    if (needsRender_) {
        if (!backCaptured_)
            CaptureBackground(QImage());
        Render();
    }
    if (faceBitmap_.Empty())
        return;
    // The alpha bytes are not used: the face is copied as an opaque picture.
    const QImage face(faceBitmap_.ScanLine(0), faceBitmap_.Width(), faceBitmap_.Height(), faceBitmap_.BytesPerLine(),
                      QImage::Format_RGB32);
    const QPainter::CompositionMode mode = surface.compositionMode();
    surface.setCompositionMode(QPainter::CompositionMode_Source);
    surface.drawImage(QPoint(left_, top_), face);
    surface.setCompositionMode(mode);
}

void TvlmBtnDraw::Render()
{
    needsRender_ = false;
    if (faceBitmap_.Empty())
        return;
    std::memcpy(faceBitmap_.ScanLine(0), backBitmap_.ScanLine(0),
                std::size_t(faceBitmap_.BytesPerLine()) * std::size_t(faceBitmap_.Height()));
    DrawFacePicture();
    DrawOverlay();
    DrawCaption();
    DrawRim();
}

void TvlmBtnDraw::DrawFacePicture()
{
    if (!faceFlatPicture_)
        return;
    TBitmap* picture = faceFlatPicture_;
    if (state_ == bdOver && faceOverPicture_)
        picture = faceOverPicture_;
    else if (state_ == bdDown && faceDownPicture_)
        picture = faceDownPicture_;
    if (picture->Empty() || picture->PixelFormat() != pf32bit)
        return;
    const int x = (faceBitmap_.Width() - picture->Width()) / 2;
    const int y = (faceBitmap_.Height() - picture->Height()) / 2;
    if (faceMonoColor_)
        SetColor32(*picture, fontColor_);
    OverDraw(x, y, faceBitmap_, *picture, dtAlpha);
}
