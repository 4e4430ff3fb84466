#include <gtest/gtest.h>

#include "vlmButton.h"
#include "FuncGraphicWorkPixels.h"
#include "vlmButtonKernels.h"

#include <QImage>

#include <algorithm>

namespace {

QImage Surface(int w, int h, QRgb fill)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

QFont Font(int px)
{
    QFont f;
    f.setPixelSize(px);
    f.setBold(true);
    return f;
}

// Rows of the mask with any ink.
std::pair<int, int> InkRows(const TvlmBtnDraw& d, int fromRow, int toRow)
{
    const int w = d.FaceBitmap().Width();
    int first = -1, last = -1;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < w; ++x)
            if (d.CaptionMask()[std::size_t(y * w + x)] > 0) {
                if (first < 0)
                    first = y;
                last = y;
            }
    return {first, last};
}

} // namespace

TEST(BtnDrawCaption, BackslashSplitsIntoTwoCentredLines)
{
    TvlmBtnDraw d;
    d.SetFont(Font(10), 0);
    d.SetBounds(0, 0, 40, 60);
    d.SetCaption("A\\B");
    QImage bg = Surface(40, 60, 0xFFFFFFFF);
    d.PaintTo(bg);
    const auto [first, last] = InkRows(d, 0, 60);
    ASSERT_GE(first, 0);
    // Two lines: a gap without ink between them, and the block centred.
    const auto upper = InkRows(d, 0, 30), lower = InkRows(d, 30, 60);
    EXPECT_GE(upper.first, 0);
    EXPECT_GE(lower.first, 0);
    EXPECT_NEAR((first + last) / 2.0, 30.0, 4.0);

    d.SetCaption("AB");
    d.PaintTo(bg);
    const auto single = InkRows(d, 0, 60);
    EXPECT_LT(single.second - single.first, last - first);

    // A break at the very end adds no empty line: still one centred line.
    d.SetCaption("AB\\");
    d.PaintTo(bg);
    EXPECT_EQ(InkRows(d, 0, 60), single);
}

TEST(BtnDrawCaption, WithoutEmbossMaskFreePixelsStayUnchanged)
{
    for (const bool emboss : {false, true}) {
        TvlmBtnDraw d;
        d.SetFont(Font(16), 0);
        d.SetTextEmboss(emboss);
        d.SetBounds(0, 0, 48, 40);
        d.SetCaption("W");
        QImage bg = Surface(48, 40, 0xFF808080);
        d.PaintTo(bg);
        const TBitmap before = d.FaceBitmap();
        d.DrawCaption();
        const TBitmap& after = d.FaceBitmap();
        int changedOutsideInk = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 48; ++x)
                if (d.CaptionMask()[std::size_t(y * 48 + x)] == 0)
                    changedOutsideInk += std::memcmp(before.ScanLine(y) + 4 * x, after.ScanLine(y) + 4 * x, 3) != 0;
        if (emboss)
            EXPECT_GT(changedOutsideInk, 0);
        else
            EXPECT_EQ(changedOutsideInk, 0);
    }
}

TEST(BtnDrawCaption, DisabledCaptionIsGreyAtMostWeight223)
{
    EXPECT_EQ(GrayedColor(TvlmBtnDraw::clWindowText), 0x00818181); // 129 on every channel
    EXPECT_EQ(GrayedColor(0), 0x00808080);
    EXPECT_EQ(GrayedColor(0x00FFFFFF), 0x00DFDFDF);

    TvlmBtnDraw d;
    d.SetFont(Font(24), TvlmBtnDraw::clWindowText);
    d.SetBounds(0, 0, 48, 40);
    d.SetCaption("W");
    QImage bg = Surface(48, 40, 0xFFFFFFFF);
    d.PaintTo(bg);
    EXPECT_EQ(*std::max_element(d.CaptionMask().begin(), d.CaptionMask().end()), 255);
    d.SetState(bdDisabled);
    d.PaintTo(bg);
    EXPECT_EQ(*std::max_element(d.CaptionMask().begin(), d.CaptionMask().end()), 223);
    // A fully covered pixel on white: (32 * 255 + 223 * 129) div 255 = 144.
    int darkest = 255;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 48; ++x)
            if (d.CaptionMask()[std::size_t(y * 48 + x)] == 223)
                darkest = std::min(darkest, qGreen(bg.pixel(x, y)));
    EXPECT_EQ(darkest, 144);
}

TEST(BtnDrawCaption, PrefixUnderlinesAndDoubleAmpersandIsOneCharacter)
{
    TvlmBtnDraw a, b;
    for (TvlmBtnDraw* d : {&a, &b}) {
        d->SetFont(Font(12), 0);
        d->SetBounds(0, 0, 60, 30);
    }
    a.SetCaption("&x");
    b.SetCaption("x");
    QImage s1 = Surface(60, 30, 0xFFFFFFFF), s2 = s1;
    a.PaintTo(s1);
    b.PaintTo(s2);
    EXPECT_NE(s1, s2); // the underline
    EXPECT_GT(InkRows(a, 0, 30).second, InkRows(b, 0, 30).second);
}

TEST(BtnDrawRim, FlatDrawsOnlyTheDarkRing)
{
    auto render = [](bool flat, TBtnDrawState state) {
        TvlmBtnDraw d;
        d.SetStyle(bsCircle);
        d.SetTransParent(true);
        d.SetBackColor(0x00FFFFFF);
        d.SetFlat(flat);
        d.SetState(state);
        d.SetBounds(0, 0, 40, 40);
        QImage bg = Surface(40, 40, 0xFF808080);
        d.PaintTo(bg);
        int lighter = 0, darker = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                lighter += qGreen(bg.pixel(x, y)) > 0x80;
                darker += qGreen(bg.pixel(x, y)) < 0x80;
            }
        return std::pair{lighter, darker};
    };
    const auto flat = render(true, bdNormal);
    EXPECT_EQ(flat.first, 0);
    EXPECT_GT(flat.second, 40);
    const auto shaded = render(false, bdNormal);
    EXPECT_GT(shaded.first, 20);
    EXPECT_GT(shaded.second, flat.second);
    // Disabled: the shadow is mixed towards 0x60, so on 0x80 it still darkens.
    const auto disabled = render(false, bdDisabled);
    EXPECT_GT(disabled.first, 0);
    EXPECT_GT(disabled.second, 0);
}

TEST(BtnDrawRim, DarkRingRunsAllAroundTheFace)
{
    TvlmBtnDraw d;
    d.SetStyle(bsCircle);
    d.SetTransParent(true);
    d.SetBackColor(0x00FFFFFF);
    d.SetFlat(true);
    d.SetBounds(0, 0, 40, 40);
    QImage bg = Surface(40, 40, 0xFFFFFFFF);
    d.PaintTo(bg);
    // Just inside the edge at the four edge middles; the centre stays white.
    for (const QPoint p : {QPoint(20, 1), QPoint(38, 20), QPoint(20, 38), QPoint(1, 20)})
        EXPECT_LT(qGreen(bg.pixel(p)), 160) << p.x() << "," << p.y();
    EXPECT_EQ(bg.pixel(20, 20), 0xFFFFFFFFu);
}

TEST(BtnDrawKernels, FusedOverlayMatchesTheStepByStepOperations)
{
    // The fused loop must equal keying, the corner ramp, halving and the
    // blend run one after the other, in every mode.
    TBitmap work(10, 8, pf32bit);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            reinterpret_cast<std::uint32_t*>(work.ScanLine(y))[x] =
                (x + y) % 3 == 0 ? 0xFFFFFFFFu : ((x * y) % 2 ? 0xFF2060A0u : 0xFFA06020u);
    std::vector<std::uint8_t> ramp;
    vlmbtn::BuildOverlayRamp(ramp, 10, 8);
    for (int mode = 0; mode < kDrawTypeCount; ++mode) {
        TBitmap face(5, 4, pf32bit);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                reinterpret_cast<std::uint32_t*>(face.ScanLine(y))[x] = 0x80808080u + std::uint32_t(x * 16 + y * 3);
        TBitmap expected = face, steps = work;
        MakeAlphaByColorKey(steps, 255);
        ScaleAlphaByCorners(steps, 64, 192, 192, 255);
        HalveBitmap32(steps);
        OverDraw(0, 0, expected, steps, TDrawType(mode));
        vlmbtn::BlendOverlay(work, ramp, face, TDrawType(mode));
        for (int y = 0; y < 4; ++y)
            EXPECT_EQ(std::memcmp(face.ScanLine(y), expected.ScanLine(y), 20), 0) << "mode " << mode << " row " << y;
    }
}

TEST(BtnDrawKernels, MaskLoopsMatchTheStepByStepOperations)
{
    TBitmap work(12, 10, pf32bit);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const std::uint32_t g = std::uint32_t((x * 37 + y * 91) % 256) * ((x + y) % 4 == 0);
            reinterpret_cast<std::uint32_t*>(work.ScanLine(y))[x] = 0xFF000000u | g | (g << 8) | (g << 16);
        }
    TBitmap face(6, 5, pf32bit);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            reinterpret_cast<std::uint32_t*>(face.ScanLine(y))[x] = 0x00406080u + std::uint32_t(x * 20 + y * 7);
    TBitmap expected = face, fused = face, halved = work;
    HalveBitmap32(halved);
    EmbossByMask(expected, halved);
    PaintColorByMask(expected, halved, 0x00123456);
    std::vector<std::uint8_t> mask;
    vlmbtn::HalveMask(work, mask, 6, 5);
    vlmbtn::EmbossByMask(face, mask);
    vlmbtn::PaintColorByMask(face, mask, 0x00123456);
    TBitmap plain = fused;
    PaintColorByMask(plain, halved, 0x00FFFFFF);
    vlmbtn::PaintColorByHalvedMask(fused, work, 0x00FFFFFF);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(std::memcmp(face.ScanLine(y), expected.ScanLine(y), 24), 0) << "emboss and paint, row " << y;
        EXPECT_EQ(std::memcmp(fused.ScanLine(y), plain.ScanLine(y), 24), 0) << "halved paint, row " << y;
    }
}

TEST(BtnDrawKernels, MaskPaintLeavesUninkedColours)
{
    TBitmap face(2, 1, pf32bit);
    std::vector<std::uint8_t> mask = {0, 128};
    reinterpret_cast<std::uint32_t*>(face.ScanLine(0))[0] = 0x00102030u;
    reinterpret_cast<std::uint32_t*>(face.ScanLine(0))[1] = 0x00FFFFFFu;
    vlmbtn::PaintColorByMask(face, mask, 0); // black through the mask
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(face.ScanLine(0))[0], 0xFF102030u);
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(face.ScanLine(0))[1], 0xFF7F7F7Fu); // 127 * 255 div 255
}
