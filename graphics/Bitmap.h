#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <stdexcept>
#include <vector>

// The in-memory picture every part of the program draws with: a
// device-independent bitmap, 24-bit (blue, green, red) or 32-bit (blue, green,
// red, alpha; straight alpha), rows stored top-down, each row padded to a
// multiple of 4 bytes. A colour is 0x00BBGGRR (red in the low byte).

enum TPixelFormat { pf24bit, pf32bit };

using TColor = std::int32_t;

// Sizes beyond these are refused before anything is allocated.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t(1) << 26;

class EPictureSize : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // "画像が大きすぎます (w x h)" in the user's language.
    EPictureSize(std::int64_t width, std::int64_t height);
};

// True when a picture of w x h pixels may be allocated.
bool PictureSizeAllowed(std::int64_t w, std::int64_t h);

class TBitmap;
class QPainter;

// A box or rectangle record; Right and Bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom) : Left(left), Top(top), Right(right), Bottom(bottom) {}
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool operator==(const TRect&) const = default;
};

// Format flags of TCanvas::DrawText (the values of the Windows DT_ flags).
enum TTextFormat : unsigned {
    tfLeft = 0x0,
    tfCenter = 0x1,
    tfRight = 0x2,
    tfVerticalCenter = 0x4,
    tfBottom = 0x8,
    tfWordBreak = 0x10,
    tfSingleLine = 0x20,
    tfNoClip = 0x100,
    tfCalcRect = 0x400,
    tfNoPrefix = 0x800,
};

// The drawing surface of a TBitmap: pen, brush and font state, and drawing
// operations that paint straight into the bitmap's own memory.
// Conventions: a box (x1, y1, x2, y2) covers x1 <= x < x2 and y1 <= y < y2;
// LineTo leaves out its end point; no antialiasing. Colours are 0x00BBGGRR;
// system colours (high byte 0xFF) are resolved to the toolkit's palette.
// Painted pixels of a 32-bit bitmap get alpha 255; blending looks at colour only.
class TCanvas {
public:
    enum TBrushStyle { bsSolid, bsClear };
    enum TPenStyle { psSolid, psClear };

    explicit TCanvas(TBitmap& owner);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TColor PenColor = 0;
    int PenWidth = 1;
    TPenStyle PenStyle = psSolid;
    TColor BrushColor = 0x00FFFFFF;
    TBrushStyle BrushStyle = bsSolid;
    QFont Font;
    TColor FontColor = 0;

    TBitmap& Bitmap() { return owner_; }

    void MoveTo(int x, int y);
    // A line from the pen position to (x, y), without that end point; the
    // pen position moves there.
    void LineTo(int x, int y);
    int PenX() const { return penX_; }
    int PenY() const { return penY_; }

    // Outline with the pen, inside filled with the brush.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // The box filled with the brush; no outline.
    void FillRect(const TRect& r);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // Part of the ellipse inscribed in the box, counter-clockwise on screen from
    // the ray out of the centre through (x3, y3) to the ray through (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Rectangle with corners rounded by ellipses of cornerWidth x cornerHeight.
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);

    // Text with its top-left corner at (x, y), on the brush colour unless the
    // brush is clear.
    void TextOut(int x, int y, const QString& text);
    // Text in the box by the TTextFormat flags; "&" underlines the next
    // character and "&&" gives one "&" unless tfNoPrefix is set. Returns the
    // text height; with tfCalcRect nothing is drawn and r's right and bottom
    // are set to fit the text.
    int DrawText(const QString& text, TRect& r, unsigned format);
    QSize TextExtent(const QString& text) const;
    int TextWidth(const QString& text) const { return TextExtent(text).width(); }
    int TextHeight(const QString& text) const { return TextExtent(text).height(); }

    // The colour of one pixel (0x00BBGGRR), or -1 outside the bitmap.
    TColor Pixel(int x, int y) const;

    // Ends the painting session; the bitmap calls this before its memory moves.
    // The next drawing operation starts a new one.
    void Release();

private:
    QPainter* painter();
    void applyPen(QPainter& p, bool outline) const;
    void applyBrush(QPainter& p) const;
    void plotThinLine(QPoint from, QPoint to);

    TBitmap& owner_;
    // One painter for the canvas's life, so that many small drawing calls do
    // not each pay for a painter's start.
    QPainter* painter_ = nullptr;
    QImage view_;
    int penX_ = 0;
    int penY_ = 0;
};

class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height, TPixelFormat format);
    TBitmap(const TBitmap& other);
    // Either copies everything or, when the memory cannot be had, throws and
    // leaves this picture as it was.
    TBitmap& operator=(const TBitmap& other);
    // The pixels change hands without a copy; the source is left an empty
    // 0 x 0 picture of its format. Canvases stay with their own bitmaps: a
    // canvas on either side ends its painting session and paints into the
    // memory its bitmap holds afterwards.
    TBitmap(TBitmap&& other) noexcept;
    TBitmap& operator=(TBitmap&& other) noexcept;
    ~TBitmap();

    TPixelFormat PixelFormat() const { return format_; }
    // 24 -> 32 bits keeps blue, green and red and sets alpha 0; 32 -> 24 drops alpha.
    void SetPixelFormat(TPixelFormat format);

    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    // Keeps the pixels of the area that old and new size share (anchored at
    // the top-left corner); the rest takes the brush colour (white until the
    // canvas has been used). Throws EPictureSize beyond the limits.
    void SetSize(int width, int height);

    int BytesPerPixel() const { return format_ == pf32bit ? 4 : 3; }
    int BytesPerLine() const { return stride_; }
    std::uint8_t* ScanLine(int y) { return data_.data() + std::size_t(y) * std::size_t(stride_); }
    const std::uint8_t* ScanLine(int y) const { return data_.data() + std::size_t(y) * std::size_t(stride_); }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    TCanvas& Canvas();
    bool HasCanvas() const { return canvas_ != nullptr; }

    // A QImage that views this bitmap's memory (Format_ARGB32 for 32-bit,
    // Format_BGR888 for 24-bit). Valid until the bitmap's size or format changes.
    QImage ImageView();
    // A deep copy as a QImage of the same format.
    QImage ToImage() const;

private:
    static int strideFor(int width, TPixelFormat format);
    std::uint32_t fillColourBytes() const;
    void takeFrom(TBitmap& other) noexcept;

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pf24bit;
    int stride_ = 0;
    std::vector<std::uint8_t> data_;
    TCanvas* canvas_ = nullptr;
};
