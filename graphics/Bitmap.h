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
};

// True when a picture of w x h pixels may be allocated.
bool PictureSizeAllowed(std::int64_t w, std::int64_t h);

class TBitmap;

// The drawing surface of a TBitmap: pen, brush and font state, and drawing
// operations that paint straight into the bitmap's own memory. Boxes follow
// the right/bottom-exclusive convention.
class TCanvas {
public:
    enum TBrushStyle { bsSolid, bsClear };
    enum TPenStyle { psSolid, psClear };

    explicit TCanvas(TBitmap& owner) : owner_(owner) {}

    TColor PenColor = 0;
    int PenWidth = 1;
    TPenStyle PenStyle = psSolid;
    TColor BrushColor = 0x00FFFFFF;
    TBrushStyle BrushStyle = bsSolid;
    QFont Font;
    TColor FontColor = 0;

    TBitmap& Bitmap() { return owner_; }

private:
    TBitmap& owner_;
};

class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height, TPixelFormat format);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
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

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pf24bit;
    int stride_ = 0;
    std::vector<std::uint8_t> data_;
    TCanvas* canvas_ = nullptr;
};
