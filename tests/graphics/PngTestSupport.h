#pragma once

#include "Bitmap.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

// Builds PNG streams chunk by chunk, with correct checksums unless told.
class PngBuilder {
public:
    PngBuilder& signature();
    PngBuilder& chunk(const char* type, const QByteArray& data);
    PngBuilder& header(std::uint32_t width, std::uint32_t height, int depth, int colourType, int interlace = 0,
                       int compression = 0);
    PngBuilder& palette(const std::vector<std::uint32_t>& rgb); // 0xRRGGBB entries
    // The raw rows (each a filter type byte and the row's bytes) compressed
    // into one IDAT chunk, or split into chunks of `split` bytes.
    PngBuilder& imageData(const QByteArray& rawRows, int split = 0);
    PngBuilder& end();
    PngBuilder& raw(const QByteArray& bytes);
    QByteArray bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

QByteArray zlibCompress(const QByteArray& raw, int level = 6);

// The picture libpng makes of a PNG under the reader's rules: tRNS, gAMA and
// the other ancillary chunks ignored, checksums not enforced, grey spread to
// three channels with low depths scaled to 0..255, palettes expanded, blue
// first. Alpha only for colour types 4 and 6.
struct ReferenceImage {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    std::vector<std::uint8_t> pixels; // rows packed without padding
};
ReferenceImage decodeWithLibpng(const QByteArray& png);

// Empty when equal, else where the first difference lies.
std::string comparePicture(const TBitmap& picture, const ReferenceImage& ref);

// Decodes bytes with our reader through a QBuffer.
void loadPng(TBitmap& picture, const QByteArray& png);

} // namespace pngtest
