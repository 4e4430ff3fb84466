#include "Bitmap.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <utility>

EPictureSize::EPictureSize(std::int64_t width, std::int64_t height)
    : std::runtime_error(
          QCoreApplication::translate("TBitmap", "画像が大きすぎます (%1 x %2)").arg(width).arg(height).toStdString())
{
}

bool PictureSizeAllowed(std::int64_t w, std::int64_t h)
{
    return w >= 0 && h >= 0 && w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= kMaxPicturePixels;
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format)
{
    SetSize(width, height);
}

TBitmap::TBitmap(const TBitmap& other)
    : width_(other.width_), height_(other.height_), format_(other.format_), stride_(other.stride_),
      data_(other.data_)
{
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this == &other)
        return *this;
    // The only step that can fail comes first: until the copy exists, the
    // size fields and the memory still belong together.
    std::vector<std::uint8_t> copy(other.data_);
    if (canvas_)
        canvas_->Release();
    data_.swap(copy);
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    stride_ = other.stride_;
    return *this;
}

TBitmap::TBitmap(TBitmap&& other) noexcept
{
    takeFrom(other);
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept
{
    if (this != &other)
        takeFrom(other);
    return *this;
}

void TBitmap::takeFrom(TBitmap& other) noexcept
{
    // Both canvases view memory that is about to change hands.
    if (canvas_)
        canvas_->Release();
    if (other.canvas_)
        other.canvas_->Release();
    data_ = std::move(other.data_);
    other.data_ = {};
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    format_ = other.format_;
}

TBitmap::~TBitmap()
{
    delete canvas_;
}

int TBitmap::strideFor(int width, TPixelFormat format)
{
    const int bpp = format == pf32bit ? 4 : 3;
    return (width * bpp + 3) & ~3;
}

std::uint32_t TBitmap::fillColourBytes() const
{
    const TColor c = canvas_ ? canvas_->BrushColor : 0x00FFFFFF;
    // Blue, green, red in memory order, alpha 0 like every fresh 32-bit pixel.
    return std::uint32_t((c >> 16) & 0xFF) | (std::uint32_t((c >> 8) & 0xFF) << 8) |
           (std::uint32_t(c & 0xFF) << 16);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    if (!PictureSizeAllowed(width, height))
        throw EPictureSize(width, height);
    const int bpp = BytesPerPixel();
    const int newStride = strideFor(width, format_);
    std::vector<std::uint8_t> fresh(std::size_t(newStride) * std::size_t(height));
    if (canvas_)
        canvas_->Release();
    // One row of the fill colour, copied wherever a row gains pixels.
    const std::uint32_t fill = fillColourBytes();
    const std::size_t rowBytes = std::size_t(width) * std::size_t(bpp);
    std::vector<std::uint8_t> fillRow(rowBytes);
    for (std::size_t at = 0; at < rowBytes; at += std::size_t(bpp))
        std::memcpy(fillRow.data() + at, &fill, std::size_t(bpp));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = fresh.data() + std::size_t(y) * std::size_t(newStride);
        std::size_t keep = 0;
        if (y < height_)
            keep = std::size_t(std::min(width, width_)) * std::size_t(bpp);
        if (keep > 0) // a 0-wide picture has rows but no memory to copy from or to
            std::memcpy(row, ScanLine(y), keep);
        if (keep < rowBytes)
            std::memcpy(row + keep, fillRow.data() + keep, rowBytes - keep);
    }
    data_.swap(fresh);
    width_ = width;
    height_ = height;
    stride_ = newStride;
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == format_)
        return;
    const int newStride = strideFor(width_, format);
    std::vector<std::uint8_t> fresh(std::size_t(newStride) * std::size_t(height_));
    if (canvas_)
        canvas_->Release();
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* src = ScanLine(y);
        std::uint8_t* dst = fresh.data() + std::size_t(y) * std::size_t(newStride);
        if (format == pf32bit) {
            for (int x = 0; x < width_; ++x) {
                dst[4 * x] = src[3 * x];
                dst[4 * x + 1] = src[3 * x + 1];
                dst[4 * x + 2] = src[3 * x + 2];
                dst[4 * x + 3] = 0;
            }
        } else {
            for (int x = 0; x < width_; ++x) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
        }
    }
    data_.swap(fresh);
    format_ = format;
    stride_ = newStride;
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = new TCanvas(*this);
    return *canvas_;
}

QImage TBitmap::ImageView()
{
    if (Empty())
        return {};
    return QImage(data_.data(), width_, height_, stride_,
                  format_ == pf32bit ? QImage::Format_ARGB32 : QImage::Format_BGR888);
}

QImage TBitmap::ToImage() const
{
    return const_cast<TBitmap*>(this)->ImageView().copy();
}
