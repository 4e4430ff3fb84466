#pragma once

#include <QByteArray>

#include <cstdint>

// PNG files for the decoding benchmarks, made at benchmark start. Every
// image uses all five filter types (row y is filtered with type y mod 5)
// and keeps its image data in IDAT chunks of 8 KiB, as common encoders do.
namespace pngbench {

// 1920 x 1080 colour, photo-like: smooth shading, edges and sensor noise.
QByteArray PhotoRgb1080();
// 1920 x 1080 colour with alpha: the photo under a soft vignette of alpha.
QByteArray PhotoRgba1080();
// 1024 x 768, 8-bit palette of 256 colours: a posterised, dithered picture.
QByteArray Palette768();
// The built-in background picture when the resources hold it, otherwise a
// 130 x 124 colour picture like it.
QByteArray Background();

// Encodes raw samples (rows of width * samples bytes, top row first).
QByteArray EncodePng(const std::uint8_t* samples, int width, int height, int colourType,
                     const QByteArray& palette = {});

} // namespace pngbench
