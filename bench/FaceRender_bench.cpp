// FaceRender_Start: the 64 x 52 start button's face rendered from scratch in
// each of its five states (fresh background capture, every layer), against
// the same content drawn the usual Qt way: QPainter antialiasing at 1x.

#include <benchmark/benchmark.h>

#include "BenchApplication.h"

#include "vlmButton.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kW = 64, kH = 52;

QFont ButtonFont()
{
    QFont f(QStringLiteral("Arial Black"));
    f.setPixelSize(12);
    return f;
}

QImage Background()
{
    QImage bg(kW, kH, QImage::Format_ARGB32);
    QPainter p(&bg);
    QLinearGradient g(0, 0, kW, kH);
    g.setColorAt(0, QColor(250, 220, 180));
    g.setColorAt(1, QColor(120, 180, 230));
    p.fillRect(bg.rect(), g);
    return bg;
}

void FaceRender_Start_pocosa(benchmark::State& state)
{
    EnsureBenchApplication();
    const QImage background = Background();
    QImage surface = background;
    TvlmBtnDraw d;
    d.SetStyle(bsCircle);
    d.SetRegion(true);
    d.SetTextEmboss(true);
    d.SetTransParent(true);
    d.SetBackColor(0x00FFFFFF);
    d.SetFocusLineWidth(8);
    d.SetFont(ButtonFont(), TvlmBtnDraw::clWindowText);
    d.SetCaption(QStringLiteral("START"));
    d.SetBounds(0, 0, kW, kH);
    for (auto _ : state) {
        for (int s = 0; s < 5; ++s) {
            d.CaptureBackground(background);
            d.SetState(TBtnDrawState(s));
            d.PaintTo(surface);
            benchmark::DoNotOptimize(surface.constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * 5);
}

QColor StateRing(int s)
{
    switch (s) {
    case bdOver: return QColor(0xFF, 0xA0, 0x60);
    case bdFocus: return QColor(0x80, 0xA0, 0xFF);
    case bdDown: return QColor(0xC8, 0x7D, 0x4B);
    default: return QColor(0xFF, 0xFF, 0xFF);
    }
}

void FaceRender_Start_reference(benchmark::State& state)
{
    EnsureBenchApplication();
    const QImage background = Background();
    QImage surface(kW, kH, QImage::Format_ARGB32);
    const QFont font = ButtonFont();
    const QRectF face(0, 0, kW, kH);
    for (auto _ : state) {
        for (int s = 0; s < 5; ++s) {
            std::memcpy(surface.bits(), background.constBits(), std::size_t(background.sizeInBytes()));
            QPainter p(&surface);
            p.setRenderHint(QPainter::Antialiasing, true);
            // Ring and disc, multiplied into the picture.
            p.setCompositionMode(QPainter::CompositionMode_Multiply);
            p.setPen(QPen(StateRing(s), 1));
            p.setBrush(StateRing(s));
            p.drawEllipse(face.adjusted(1, 1, -1, -1));
            p.setBrush(s == bdDown ? QColor(200, 200, 200) : QColor(Qt::white));
            p.drawEllipse(face.adjusted(9.5, 9.5, -9.5, -9.5));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            // Fourteen rim arcs at half scale and the 3-pixel outline.
            p.setBrush(Qt::NoBrush);
            for (int i = 0; i < 14; ++i) {
                const double inset = (i % 4) * 1.0 + 0.5;
                p.setPen(QPen(QColor(i < 6 ? 0 : 255, i < 6 ? 0 : 255, i < 6 ? 0 : 255, 64 + 8 * i), 0.5));
                p.drawArc(face.adjusted(inset, inset, -inset, -inset), (i * 25) * 16, 90 * 16);
            }
            p.setPen(QPen(QColor(s == bdDisabled ? 96 : 0, 0, 0), 1.5));
            p.drawEllipse(face.adjusted(2.25, 2.25, -2.25, -2.25));
            p.setFont(font);
            p.setPen(s == bdDisabled ? QColor(129, 129, 129) : QColor(8, 0, 0));
            p.drawText(face, Qt::AlignCenter | Qt::TextShowMnemonic, QStringLiteral("START"));
            p.end();
            benchmark::DoNotOptimize(surface.constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * 5);
}

} // namespace

BENCHMARK(FaceRender_Start_pocosa)->Name("FaceRender_Start/pocosa");
BENCHMARK(FaceRender_Start_reference)->Name("FaceRender_Start/reference");
