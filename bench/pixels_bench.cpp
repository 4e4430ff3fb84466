// Pixel operations and the region builder against what the toolkit offers
// for the same job (or memcpy of the same bytes, for the halving).

#include "FuncGraphicWorkPixels.h"
#include "RegionUtils.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <benchmark/benchmark.h>

#include "BenchApplication.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 1040;

// Smooth colours with an alpha that sweeps through 0, the partial values and
// 255, so that every branch of a blend is taken in realistic proportions.
TBitmap makePicture(int w, int h, int phase)
{
    TBitmap bmp(w, h, pf32bit);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            p[0] = std::uint8_t((x + phase) * 255 / w);
            p[1] = std::uint8_t((y * 3 + phase) & 0xFF);
            p[2] = std::uint8_t((x ^ y) + phase);
            const int a = int(128 + 200 * std::sin((x + 2 * y + phase) / 97.0));
            p[3] = std::uint8_t(std::clamp(a, 0, 255));
        }
    }
    return bmp;
}

QImage imageOf(const TBitmap& bmp)
{
    QImage image(bmp.Width(), bmp.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < bmp.Height(); ++y)
        std::memcpy(image.scanLine(y), bmp.ScanLine(y), std::size_t(bmp.Width()) * 4);
    return image;
}

void setPixelCounts(benchmark::State& state, std::int64_t pixels)
{
    state.SetItemsProcessed(state.iterations() * pixels);
}

void Halve_pocosa(benchmark::State& state)
{
    TBitmap work = makePicture(kWidth, kHeight, 0);
    for (auto _ : state) {
        HalveBitmap32(work);
        benchmark::DoNotOptimize(work.ScanLine(0));
        benchmark::ClobberMemory();
    }
    setPixelCounts(state, std::int64_t(kWidth) * kHeight);
}

void Halve_reference(benchmark::State& state)
{
    const TBitmap src = makePicture(kWidth, kHeight, 0);
    std::vector<std::uint8_t> dst(std::size_t(src.BytesPerLine()) * kHeight);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.ScanLine(0), dst.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    setPixelCounts(state, std::int64_t(kWidth) * kHeight);
}

void overDrawPocosa(benchmark::State& state, TDrawType mode)
{
    const TBitmap src = makePicture(kWidth, kHeight, 0);
    TBitmap dst = makePicture(kWidth, kHeight, 41);
    for (auto _ : state) {
        OverDraw(0, 0, dst, src, mode);
        benchmark::DoNotOptimize(dst.ScanLine(0));
        benchmark::ClobberMemory();
    }
    setPixelCounts(state, std::int64_t(kWidth) * kHeight);
}

void overDrawReference(benchmark::State& state, QPainter::CompositionMode mode)
{
    const QImage src = imageOf(makePicture(kWidth, kHeight, 0));
    QImage dst = imageOf(makePicture(kWidth, kHeight, 41));
    for (auto _ : state) {
        QPainter painter(&dst);
        painter.setCompositionMode(mode);
        painter.drawImage(0, 0, src);
        painter.end();
        benchmark::DoNotOptimize(dst.constBits());
        benchmark::ClobberMemory();
    }
    setPixelCounts(state, std::int64_t(kWidth) * kHeight);
}

void OverDrawAlpha_pocosa(benchmark::State& state) { overDrawPocosa(state, dtAlpha); }
void OverDrawAlpha_reference(benchmark::State& state) { overDrawReference(state, QPainter::CompositionMode_SourceOver); }
void OverDrawMulti_pocosa(benchmark::State& state) { overDrawPocosa(state, dtMulti); }
void OverDrawMulti_reference(benchmark::State& state) { overDrawReference(state, QPainter::CompositionMode_Multiply); }

// A 1920 x 1080 opaque blob with a wavy outline and a few holes on a
// transparent surround, soft at the edges.
TBitmap blobPicture()
{
    const int w = 1920, h = 1080;
    TBitmap bmp(w, h, pf32bit);
    FillPixels32(bmp, 0x00808080);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = bmp.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            const double dx = (x - w / 2.0) / (w * 0.42), dy = (y - h / 2.0) / (h * 0.45);
            const double angle = std::atan2(dy, dx);
            const double edge = 1.0 + 0.08 * std::sin(7 * angle) + 0.03 * std::sin(23 * angle);
            double d = (edge - std::sqrt(dx * dx + dy * dy)) * 400;
            const double hx = (x % 240) - 120.0, hy = (y % 216) - 108.0;
            if (hx * hx + hy * hy < 900)
                d = std::min(d, (std::sqrt(hx * hx + hy * hy) - 30) * 8);
            p[3] = std::uint8_t(std::clamp(d * 32 + 128, 0.0, 255.0));
        }
    }
    return bmp;
}

// The built-in background's shape: 130 x 124, opaque but for keyed-out corners.
TBitmap backgroundPicture()
{
    TBitmap bmp(130, 124, pf32bit);
    FillPixels32(bmp, 0x00A0B0C0);
    const int cut[] = {4, 2, 1, 1};
    for (int i = 0; i < 4; ++i)
        for (int x = 0; x < cut[i]; ++x)
            for (int y : {i, 123 - i})
                for (int px : {x, 129 - x}) {
                    std::uint8_t* p = bmp.ScanLine(y) + 4 * px;
                    p[0] = p[1] = p[2] = 25;
                }
    MakeAlphaByColorKey(bmp, 255);
    return bmp;
}

void regionPocosa(benchmark::State& state, const TBitmap& picture)
{
    TRegion region;
    for (auto _ : state) {
        region.makeRgnFromBitmap(picture, 128);
        benchmark::DoNotOptimize(region.Handle().rectCount());
    }
    setPixelCounts(state, std::int64_t(picture.Width()) * picture.Height());
}

void regionReference(benchmark::State& state, const TBitmap& picture)
{
    EnsureBenchApplication();
    const QImage image = imageOf(picture);
    for (auto _ : state) {
        const QRegion region(QBitmap::fromImage(image.createAlphaMask()));
        benchmark::DoNotOptimize(region.rectCount());
    }
    setPixelCounts(state, std::int64_t(picture.Width()) * picture.Height());
}

const TBitmap& blob()
{
    static const TBitmap picture = blobPicture();
    return picture;
}

const TBitmap& background()
{
    static const TBitmap picture = backgroundPicture();
    return picture;
}

void AlphaRegion_Blob1080_pocosa(benchmark::State& state) { regionPocosa(state, blob()); }
void AlphaRegion_Blob1080_reference(benchmark::State& state) { regionReference(state, blob()); }
void AlphaRegion_Background_pocosa(benchmark::State& state) { regionPocosa(state, background()); }
void AlphaRegion_Background_reference(benchmark::State& state) { regionReference(state, background()); }

} // namespace

// The toolkit blends large pictures on worker threads and the machine is
// shared, so each case is timed by the CPU time of the whole process: compare
// the CPU columns.
BENCHMARK(Halve_pocosa)->Name("Halve_1280x1040/pocosa")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(Halve_reference)->Name("Halve_1280x1040/reference")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(OverDrawAlpha_pocosa)->Name("OverDrawAlpha_1280x1040/pocosa")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(OverDrawAlpha_reference)->Name("OverDrawAlpha_1280x1040/reference")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(OverDrawMulti_pocosa)->Name("OverDrawMulti_1280x1040/pocosa")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(OverDrawMulti_reference)->Name("OverDrawMulti_1280x1040/reference")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(AlphaRegion_Blob1080_pocosa)->Name("AlphaRegion_Blob1080/pocosa")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(AlphaRegion_Blob1080_reference)->Name("AlphaRegion_Blob1080/reference")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(AlphaRegion_Background_pocosa)->Name("AlphaRegion_Background/pocosa")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(AlphaRegion_Background_reference)->Name("AlphaRegion_Background/reference")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
