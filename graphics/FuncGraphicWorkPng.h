#pragma once

#include "Bitmap.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

class QIODevice;

// The PNG reader. It handles non-interlaced images of colour types 0, 2, 3, 4
// and 6 at up to 8 bits per sample; grey, colour and palette images become
// 24-bit pictures, grey+alpha and colour+alpha images 32-bit pictures with
// straight alpha. Chunk checksums are not verified and ancillary chunks
// (tRNS, gAMA, text...) are skipped.

// Every refusal of the reader: the message is the text shown to the user.
class EPngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes the PNG that begins at the stream's current position into Picture.
// The stream is only read forwards; its position afterwards is not defined.
// Image data is read only as far as the last row needs it and is never
// held whole: memory stays the picture's plus a constant, however long the
// image data is; a short image followed by endless data costs a bounded read.
// A stream without an IHDR chunk leaves the picture as it was. A refusal
// before the header is accepted (signature, unsupported header, picture too
// large) also leaves it as it was; a refusal after that leaves it empty
// (0 x 0) in the image's pixel format, never half-written.
// Throws EPngError, or EPictureSize for a header beyond the picture limits.
void LoadPngFromStream(TBitmap& Picture, QIODevice& Stream);

// LoadPngFromStream on a file opened for reading.
void LoadPngFromFile(TBitmap& Picture, const QString& FileName);

// The predictor of the Paeth filter (type 4), on byte values 0..255.
int PaethPredictor(int Left, int Up, int UpperLeft);

// The reader's row machinery, shared by its sources and checked by the tests.
namespace pngdetail {

// Undoes filter type `filter` on `row` (length bytes) in place, given the
// previous unfiltered row `prev` (all zero for the first row) and the filter
// distance `bpp` (1..8). Unknown filter types leave the row as stored.
// UnfilterRow picks the fastest exact implementation the processor offers;
// UnfilterRowScalar is the byte-by-byte reference.
void UnfilterRow(int filter, std::uint8_t* row, const std::uint8_t* prev, std::size_t length, int bpp);
void UnfilterRowScalar(int filter, std::uint8_t* row, const std::uint8_t* prev, std::size_t length, int bpp);

// B | G << 8 | R << 16 of each palette entry (blue first in memory).
struct PngPalette {
    std::uint32_t bgr[256];
};

// Turns one unfiltered row of `width` pixels into picture bytes. Indexed rows
// (grey or palette, 1, 2, 4 or 8 bits) look every sample up in the palette;
// the others swap red and blue and, for grey+alpha, spread the grey.
void ConvertIndexedRow(const std::uint8_t* src, std::uint8_t* dst, int width, int bitDepth, const PngPalette& pal);
void ConvertRgbRow(const std::uint8_t* src, std::uint8_t* dst, int width);
void ConvertRgbaRow(const std::uint8_t* src, std::uint8_t* dst, int width);
void ConvertGreyAlphaRow(const std::uint8_t* src, std::uint8_t* dst, int width);

} // namespace pngdetail
