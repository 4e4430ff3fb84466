#pragma once

#include "Bitmap.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

class QIODevice;

// Picture loaders: decode a file, a compiled-in resource or any stream into a
// picture in place. The decoder follows the extension of the name (".bmp",
// ".png", ".jpg"/".jpeg", ".jpx", letter case ignored); any other extension
// reads nothing and leaves the picture unchanged.
//
// On failure the loaders throw and the picture keeps what it held before:
// every decoder works on a picture of its own and hands it over only when the
// whole image decoded.

// libjpeg refused the data; the message carries the library's message number.
class EJpegError : public std::runtime_error {
public:
    explicit EJpegError(int code);
    int Code() const { return code_; }

private:
    int code_;
};

// A BMP file that cannot be read (bad header, unsupported variant, damaged data).
class EBmpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A picture file that cannot be opened for reading.
class EFileOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No compiled-in resource of that name.
class EResourceNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ".jpx" data larger than this is ignored without an error.
inline constexpr std::int64_t kMaxJpxBytes = 10'000'000;

void LoadGraphicFromFile(TBitmap& Picture, const QString& FileName);
// Name without its extension, upper-cased, is the resource ":/RC_DATA/<NAME>";
// the picture's size is set to 0 x 0 first.
void LoadGraphicFromResource(TBitmap& Picture, const QString& Name);
void LoadGraphicFromStream(TBitmap& Picture, const QString& Name, QIODevice& Stream);

// Full-size decoding into a 24-bit picture: baseline, progressive, greyscale
// and CMYK/YCCK data all become blue-green-red.
void LoadJpegFromStream(TBitmap& Picture, QIODevice& Stream);
// Unmasks the stream's bytes and decodes them as JPEG.
void LoadJpxFromStream(TBitmap& Picture, QIODevice& Stream);
// The ".jpx" mask. The key sequence depends only on the length, so the same
// call masks plain JPEG data and unmasks ".jpx" data.
void UnmaskJpx(std::uint8_t* data, std::size_t size);

// BMP through QImage: 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down,
// RLE4/RLE8 and bit fields. A file whose pixels carry alpha (32-bit with an
// alpha mask) becomes a 32-bit picture with straight alpha; every other file
// becomes 24-bit, so the unused fourth byte of a plain 32-bit file is never
// taken for transparency. Pixels that run-length codes skip are palette
// index 0; a file that ends before its pixels do is refused, but for the
// padding of its last row.
void LoadBmpFromStream(TBitmap& Picture, QIODevice& Stream);

// Lower-cased extension of the file-name part of Name, dot included; empty
// when there is none.
QString PictureExtension(const QString& Name);
