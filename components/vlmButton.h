#pragma once

#include "Bitmap.h"
#include "FuncGraphicWorkPixels.h"

#include <QFont>
#include <QImage>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QTimer;

enum TvlmBtnStyle : std::uint8_t { bsCircle, bsBox };

enum TBtnDrawState : std::uint8_t { bdNormal = 0, bdOver = 1, bdFocus = 2, bdDown = 3, bdDisabled = 4 };

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Where face pictures come from: the picture cached under a name, or null
// when there is no picture source. It may throw when the name is found
// nowhere. The pictures stay owned by the source.
using TBtnPictureSource = std::function<TBitmap*(const QString& name)>;

// The style object and face renderer of one skinned button. It keeps the
// finished face of the button in FaceBitmap and renders it again only after a
// change. Shape layers are drawn at twice the size in WorkBitmap and reduced
// 2:1, which gives the edges their smoothness; all drawing happens off
// screen and a paint is one copy of the face.
class TvlmBtnDraw : public QObject {
public:
    // The window-text system colour; as a pixel colour its low bytes read
    // red 8, green 0, blue 0.
    static constexpr TColor clWindowText = TColor(0xFF000008u);

    explicit TvlmBtnDraw(QObject* owner = nullptr);
    ~TvlmBtnDraw() override;
    TvlmBtnDraw(const TvlmBtnDraw&) = delete;
    TvlmBtnDraw& operator=(const TvlmBtnDraw&) = delete;

    // The picture source used by every renderer for FaceFlat, FaceDown and
    // FaceOver; unset means the program's GraphicSource (shared cache mode),
    // and without that the previous picture stays.
    static void SetPictureSource(TBtnPictureSource source);

    TvlmBtnStyle Style() const { return style_; }
    void SetStyle(TvlmBtnStyle value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool Region() const { return region_.has_value(); }
    void SetRegion(bool value);
    bool Square() const { return square_; }
    void SetSquare(bool value);
    bool TextAntialiasing() const { return textAntialiasing_; }
    void SetTextAntialiasing(bool value);
    bool TextEmboss() const { return textEmboss_; }
    void SetTextEmboss(bool value);
    bool TransParent() const { return transParent_; }
    void SetTransParent(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TColor ColorDown() const { return colorDown_; }
    void SetColorDown(TColor value);
    TColor ColorOver() const { return colorOver_; }
    void SetColorOver(TColor value);
    TColor ColorFocus() const { return colorFocus_; }
    void SetColorFocus(TColor value);
    int FocusLineWidth() const { return focusLineWidth_; }
    void SetFocusLineWidth(int value);
    TDrawType OverDrawType() const { return overDrawType_; }
    void SetOverDrawType(TDrawType value);
    // 0 switches the overlay off; any other value draws it at full strength.
    int OverDrawAlpha() const { return overDrawAlpha_; }
    void SetOverDrawAlpha(int value);
    bool FaceMonoColor() const { return faceMonoColor_; }
    void SetFaceMonoColor(bool value);
    const QString& FaceFlat() const { return faceFlat_; }
    void SetFaceFlat(const QString& name);
    const QString& FaceDown() const { return faceDown_; }
    void SetFaceDown(const QString& name);
    const QString& FaceOver() const { return faceOver_; }
    void SetFaceOver(const QString& name);

    // Raised with the renderer as sender after every change that needs a new face.
    std::function<void(QObject* sender)> OnChanged;

    // What the button hands on.
    TBtnDrawState State() const { return state_; }
    void SetState(TBtnDrawState value);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& value);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value);
    const QFont& Font() const { return font_; }
    TColor FontColor() const { return fontColor_; }
    void SetFont(const QFont& font, TColor color);
    // Position in the parent window and size; resizes the bitmaps, recomputes
    // the geometry and asks for a fresh background. Raises no OnChanged.
    void SetBounds(int left, int top, int width, int height);

    // Copies the settings of another renderer; Region, TextEmboss,
    // OverDrawType, OverDrawAlpha, FaceMonoColor, OnChanged and the state
    // keep their values.
    void Assign(const TvlmBtnDraw& source);

    // Reads the button's rectangle (Left, Top, W, H) of a window-sized
    // picture, or fills with BackColor when not transparent, and lays the
    // base face. Parts of the rectangle outside the picture take BackColor.
    void CaptureBackground(const QImage& surface);
    void CaptureBackground(TBitmap& surface);
    // Renders when needed (capturing from the surface itself when no
    // background is held) and copies the face onto it at (Left, Top).
    void PaintTo(QImage& surface);
    // For a painter whose device cannot be read: the background must already
    // be captured, otherwise BackColor stands in for it.
    void PaintTo(QPainter& surface);
    // Renders the face now if it is marked.
    void RenderIfNeeded();
    void Changed();

    QObject* OwnerControl() const { return ownerControl_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    QRect WorkRect() const { return workRect_; }
    // Left, top, right, bottom of the face box in work-bitmap pixels; right
    // and bottom exclusive.
    QRect FaceRect() const { return faceRect_; }
    const std::array<QPoint, 12>& RimPoints() const { return rimPoints_; }
    // The clip region in the parent window's coordinates; null while Region is off.
    const QRegion* FaceRegion() const { return region_ ? &*region_ : nullptr; }
    bool NeedsRender() const { return needsRender_; }
    bool BackCaptured() const { return backCaptured_; }
    const TBitmap& FaceBitmap() const { return faceBitmap_; }
    const TBitmap& BackBitmap() const { return backBitmap_; }
    const TBitmap& WorkBitmap() const { return workBitmap_; }

    // Step hooks kept visible so that tests can check one layer at a time.
    void DrawCaption();
    void DrawRim();
    void DrawOverlay();
    // The caption mask of the last DrawCaption (W x H weights, 0..255).
    const std::vector<std::uint8_t>& CaptionMask() const { return mask_; }

private:
    void UpdateGeometry();
    void RebuildViews();
    void Render();
    void DrawFacePicture();
    void LayBaseFace();
    void BuildCaptionMask(const QColor& ink);
    void DrawRimShadow();
    void DrawRimHighlight();
    void ApplyMask(TColor colour);
    void GdiArc(const QRect& box, int from, int to);
    void GdiEllipse(const QRect& box);
    QPainter& Painter();
    void EndPainter();
    void SetPicture(QString& name, TBitmap*& picture, const QString& value);

    QObject* ownerControl_ = nullptr;
    TBitmap faceBitmap_;
    TBitmap backBitmap_;
    TBitmap workBitmap_;
    std::optional<QRegion> region_;
    QRect workRect_;
    QRect faceRect_;
    int left_ = 0;
    int top_ = 0;
    // P1..P12 at indexes 0..11.
    std::array<QPoint, 12> rimPoints_{};
    TBitmap* faceFlatPicture_ = nullptr;
    TBitmap* faceDownPicture_ = nullptr;
    TBitmap* faceOverPicture_ = nullptr;
    QString faceOver_;
    QString faceFlat_;
    QString faceDown_;
    bool flat_ = false;
    bool textAntialiasing_ = false;
    bool transParent_ = false;
    bool square_ = false;
    QString caption_;
    TAlignment alignment_ = taLeftJustify;
    TColor color_ = 0;
    TColor backColor_ = 0;
    TColor colorOver_ = 0;
    TColor colorFocus_ = 0;
    TColor colorDown_ = 0;
    TvlmBtnStyle style_ = bsCircle;
    QFont font_;
    TColor fontColor_ = clWindowText;
    int focusLineWidth_ = 0;
    TBtnDrawState state_ = bdNormal;
    bool needsRender_ = true;
    TDrawType overDrawType_ = dtAlpha;
    int overDrawAlpha_ = 0;
    bool textEmboss_ = false;
    bool faceMonoColor_ = false;
    bool backCaptured_ = false;

    // Kept between renders so that a render allocates nothing: the alpha
    // ramp of the overlay (one byte per work pixel), a W x H mask, an RGB32
    // view of the work bitmap and the painter that draws on it.
    std::vector<std::uint8_t> ramp_;
    std::vector<std::uint8_t> mask_;
    QImage workView_;
    std::unique_ptr<QPainter> painter_;
};

// The skinned round push button: a child widget that paints at once on every
// change, presses and repeats with the left mouse button, and leaves its look
// to its own renderer BtnDraw.
class TvlmGctButton : public QWidget {
public:
    explicit TvlmGctButton(QWidget* owner = nullptr);
    ~TvlmGctButton() override;

    // Click repeat: the first repeat this long after the press, then each
    // next one this long after the previous handler returned.
    static constexpr int kFirstRepeatMs = 500;
    static constexpr int kRepeatMs = 80;

    TvlmBtnDraw* BtnDraw() const { return btnDraw_.get(); }
    // Copies another renderer's settings into the own one.
    void SetBtnDraw(const TvlmBtnDraw& source) { btnDraw_->Assign(source); }

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool ClickRepeat() const { return clickRepeat_; }
    void SetClickRepeat(bool value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor colour);
    // The key of the window that presses the button: told to screen readers
    // with the press action and shown as the tooltip.
    const QKeySequence& Key() const { return key_; }
    void SetKey(const QKeySequence& key);
    // Moves and sizes the button and its renderer at once (also while hidden).
    void SetBounds(int left, int top, int width, int height);

    bool MouseOver() const { return mouseOver_; }
    bool Pressed() const { return pressed_; }
    // The drawing state the next paint hands to the renderer.
    TBtnDrawState DrawState() const;
    // Exists only while ClickRepeat is on.
    QTimer* RepeatTimer() const { return repeatTimer_; }

    // Draws the button now (a synchronous repaint); nothing while hidden.
    void Paint();
    // Raises OnClick as a completed click does.
    void Click();

    std::function<void(QObject* sender)> OnClick;
    // Never raised: a double click arrives as a second press.
    std::function<void(QObject* sender)> OnDblClick;
    std::function<void(QObject* sender, QMouseEvent* event)> OnMouseDown;
    std::function<void(QObject* sender, QMouseEvent* event)> OnMouseMove;
    std::function<void(QObject* sender, QMouseEvent* event)> OnMouseUp;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PaintFocusMark(QPainter& painter) const;
    void RepaintNow();
    void PointerEntered();
    void PointerLeft();
    void RepeatTimerTick();
    void UpdateRepeatTimer();
    void SyncBounds();
    void CaptureFromParent();
    bool IsAccelerator(QKeyEvent* key) const;

    std::unique_ptr<TvlmBtnDraw> btnDraw_;
    QTimer* repeatTimer_ = nullptr;
    QString caption_;
    QKeySequence key_;
    TColor fontColor_ = TvlmBtnDraw::clWindowText;
    bool mouseOver_ = false;
    bool pressed_ = false;
    bool clickRepeat_ = false;
    // The left button went down on the enabled button; a release inside the
    // rectangle then completes a click even after a drag off and back.
    bool clickArmed_ = false;
    bool painting_ = false;
    QPointer<QWidget> keyWindow_;
};
