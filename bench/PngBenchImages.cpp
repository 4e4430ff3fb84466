#include "PngBenchImages.h"

#include "FuncGraphicWorkPng.h"

#include <QFile>

#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace pngbench {

namespace {

using Bytes = std::vector<std::uint8_t>;

void appendBigEndian(QByteArray& out, std::uint32_t v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

void appendChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    QByteArray body(type, 4);
    body.append(data);
    appendBigEndian(out, std::uint32_t(data.size()));
    out.append(body);
    appendBigEndian(out, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// The forward filter of type `filter` on one row.
void filterRow(int filter, const std::uint8_t* row, const std::uint8_t* prev, std::uint8_t* out, std::size_t n,
               std::size_t bpp)
{
    for (std::size_t i = 0; i < n; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = prev[i];
        const int c = i >= bpp ? prev[i - bpp] : 0;
        int predicted = 0;
        switch (filter) {
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = PaethPredictor(a, b, c); break;
        default: break;
        }
        out[i] = std::uint8_t(row[i] - predicted);
    }
}

std::uint8_t clampByte(double v)
{
    return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A smooth scene with a few hard edges plus noise, channel by channel.
Bytes photo(int width, int height, int samples, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 3.0);
    Bytes out(std::size_t(width) * std::size_t(height) * std::size_t(samples));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const bool inDisc = std::hypot(u - 0.62, v - 0.45) < 0.22;
            const double sky = 180 - 120 * v + 25 * std::sin(9 * u + 3 * v);
            const double shade = inDisc ? 90 + 60 * std::cos(14 * u) * std::sin(11 * v) : sky;
            std::uint8_t* p = &out[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(samples)];
            p[0] = clampByte(shade + 40 * u + noise(rng));
            p[1] = clampByte(shade * 0.9 + 20 * std::sin(6 * v) + noise(rng));
            p[2] = clampByte(shade * 0.7 + 60 * v + noise(rng));
            if (samples == 4) {
                const double r = std::hypot(u - 0.5, v - 0.5);
                p[3] = clampByte(r < 0.35 ? 255 : 255 - (r - 0.35) * 1400 + noise(rng));
            }
        }
    }
    return out;
}

} // namespace

QByteArray EncodePng(const std::uint8_t* samples, int width, int height, int colourType, const QByteArray& palette)
{
    const std::size_t channels = colourType == 2 ? 3 : colourType == 6 ? 4 : colourType == 4 ? 2 : 1;
    const std::size_t rowBytes = std::size_t(width) * channels;
    std::vector<std::uint8_t> raw(std::size_t(height) * (rowBytes + 1));
    const std::vector<std::uint8_t> zero(rowBytes, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = samples + std::size_t(y) * rowBytes;
        const std::uint8_t* prev = y > 0 ? row - rowBytes : zero.data();
        std::uint8_t* out = &raw[std::size_t(y) * (rowBytes + 1)];
        out[0] = std::uint8_t(y % 5);
        filterRow(y % 5, row, prev, out + 1, rowBytes, channels);
    }
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray z(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &size, raw.data(), uLong(raw.size()), 6);
    z.resize(qsizetype(size));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    appendBigEndian(ihdr, std::uint32_t(width));
    appendBigEndian(ihdr, std::uint32_t(height));
    ihdr.append(char(8)).append(char(colourType)).append(char(0)).append(char(0)).append(char(0));
    appendChunk(png, "IHDR", ihdr);
    if (!palette.isEmpty())
        appendChunk(png, "PLTE", palette);
    for (qsizetype at = 0; at < z.size(); at += 8192)
        appendChunk(png, "IDAT", z.mid(at, 8192));
    appendChunk(png, "IEND", {});
    return png;
}

QByteArray PhotoRgb1080()
{
    const Bytes px = photo(1920, 1080, 3, 1);
    return EncodePng(px.data(), 1920, 1080, 2);
}

QByteArray PhotoRgba1080()
{
    const Bytes px = photo(1920, 1080, 4, 2);
    return EncodePng(px.data(), 1920, 1080, 6);
}

QByteArray Palette768()
{
    const int w = 1024, h = 768;
    const Bytes px = photo(w, h, 3, 3);
    // 6 x 7 x 6 colour cube with ordered dithering: 252 entries in use.
    QByteArray palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette.append(char(r * 51)).append(char(g * 42)).append(char(b * 51));
    while (palette.size() < 256 * 3)
        palette.append(char(255));
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Bytes idx(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &px[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
            const double t = (bayer[y & 3][x & 3] + 0.5) / 16.0;
            const int r = int(p[0] / 51.0 + t - 0.5 + 0.5), g = int(p[1] / 42.5 + t - 0.5 + 0.5);
            const int b = int(p[2] / 51.0 + t - 0.5 + 0.5);
            idx[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
                std::uint8_t((std::min(r, 5) * 7 + std::min(g, 6)) * 6 + std::min(b, 5));
        }
    return EncodePng(idx.data(), w, h, 3, palette);
}

QByteArray Background()
{
    QFile built(QStringLiteral(":/RC_DATA/BGPICTURE"));
    if (built.open(QIODevice::ReadOnly))
        return built.readAll();
    const Bytes px = photo(130, 124, 3, 4);
    return EncodePng(px.data(), 130, 124, 2);
}

} // namespace pngbench
