// PNG decoding: our reader into a picture against libpng's png_read_image
// into RGB or RGBA rows, on the same bytes in memory.
#include "FuncGraphicWorkPng.h"
#include "PngBenchImages.h"

#include <QBuffer>

#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

struct Images {
    QByteArray rgb1080 = pngbench::PhotoRgb1080();
    QByteArray rgba1080 = pngbench::PhotoRgba1080();
    QByteArray palette768 = pngbench::Palette768();
    QByteArray background = pngbench::Background();
};

const Images& images()
{
    static const Images made;
    return made;
}

void decodeOurs(benchmark::State& state, const QByteArray& png)
{
    for (auto _ : state) {
        QBuffer buffer(const_cast<QByteArray*>(&png));
        buffer.open(QIODevice::ReadOnly);
        TBitmap picture;
        LoadPngFromStream(picture, buffer);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * png.size());
}

struct MemoryReader {
    const QByteArray* data;
    qsizetype at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t n)
{
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (qsizetype(n) > r->data->size() - r->at)
        png_error(png, "read past the end");
    std::memcpy(out, r->data->constData() + r->at, n);
    r->at += qsizetype(n);
}

// Output rows are set up by the caller: no C++ object lives across setjmp.
bool libpngDecode(MemoryReader* reader, std::vector<std::uint8_t>* pixels, std::vector<png_bytep>* rows)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, reader, readFromMemory);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    png_read_update_info(png, info);
    const std::size_t height = png_get_image_height(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    pixels->resize(height * rowBytes);
    rows->resize(height);
    for (std::size_t y = 0; y < height; ++y)
        (*rows)[y] = pixels->data() + y * rowBytes;
    png_read_image(png, rows->data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void decodeLibpng(benchmark::State& state, const QByteArray& png)
{
    for (auto _ : state) {
        MemoryReader reader{&png, 0};
        std::vector<std::uint8_t> pixels;
        std::vector<png_bytep> rows;
        if (!libpngDecode(&reader, &pixels, &rows))
            state.SkipWithError("libpng refused the image");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * png.size());
}

void PngRgb1080Ours(benchmark::State& s) { decodeOurs(s, images().rgb1080); }
void PngRgb1080Ref(benchmark::State& s) { decodeLibpng(s, images().rgb1080); }
void PngRgba1080Ours(benchmark::State& s) { decodeOurs(s, images().rgba1080); }
void PngRgba1080Ref(benchmark::State& s) { decodeLibpng(s, images().rgba1080); }
void PngPalette768Ours(benchmark::State& s) { decodeOurs(s, images().palette768); }
void PngPalette768Ref(benchmark::State& s) { decodeLibpng(s, images().palette768); }
void PngBackgroundOurs(benchmark::State& s) { decodeOurs(s, images().background); }
void PngBackgroundRef(benchmark::State& s) { decodeLibpng(s, images().background); }

} // namespace

BENCHMARK(PngRgb1080Ours)->Name("PngDecode_Rgb1080/pocosa")->Unit(benchmark::kMillisecond);
BENCHMARK(PngRgb1080Ref)->Name("PngDecode_Rgb1080/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PngRgba1080Ours)->Name("PngDecode_Rgba1080/pocosa")->Unit(benchmark::kMillisecond);
BENCHMARK(PngRgba1080Ref)->Name("PngDecode_Rgba1080/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PngPalette768Ours)->Name("PngDecode_Palette768/pocosa")->Unit(benchmark::kMillisecond);
BENCHMARK(PngPalette768Ref)->Name("PngDecode_Palette768/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(PngBackgroundOurs)->Name("PngDecode_Background/pocosa")->Unit(benchmark::kMicrosecond);
BENCHMARK(PngBackgroundRef)->Name("PngDecode_Background/reference")->Unit(benchmark::kMicrosecond);
