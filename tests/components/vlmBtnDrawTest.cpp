#include <gtest/gtest.h>

#include "vlmButton.h"
#include "vlmButtonKernels.h"
#include "vlmGlobal.h"
#include "vlmGraphicSource.h"

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace {

// The face settings the timer window gives its buttons.
void UseWindowSettings(TvlmBtnDraw& d)
{
    d.SetStyle(bsCircle);
    d.SetRegion(true);
    d.SetTextEmboss(true);
    d.SetTransParent(true);
    d.SetColorDown(0);
    d.SetOverDrawType(dtMulti);
    d.SetBackColor(0x00FFFFFF);
}

QImage Surface(int w, int h, QRgb fill)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

std::uint32_t Pixel(const TBitmap& b, int x, int y)
{
    return reinterpret_cast<const std::uint32_t*>(b.ScanLine(y))[x];
}

QFont BigFont()
{
    QFont f;
    f.setPixelSize(20);
    f.setBold(true);
    return f;
}

} // namespace

TEST(BtnDrawGeometry, ThirtyFourByTwentyEightSquareAndNot)
{
    TvlmBtnDraw d;
    d.SetStyle(bsCircle);
    d.SetRegion(true);
    d.SetBounds(0, 0, 34, 28);
    EXPECT_EQ(d.WorkBitmap().Width(), 68);
    EXPECT_EQ(d.WorkBitmap().Height(), 56);
    EXPECT_EQ(d.WorkRect(), QRect(0, 0, 68, 56));
    EXPECT_EQ(d.FaceRect(), QRect(QPoint(0, 0), QPoint(67, 55)));
    ASSERT_NE(d.FaceRegion(), nullptr);
    // The ellipse (-1, -1, 36, 30): one pixel of slack on every side.
    EXPECT_EQ(*d.FaceRegion(), QRegion(QRect(-1, -1, 37, 31), QRegion::Ellipse));
    const auto& p = d.RimPoints();
    EXPECT_EQ(p[0], QPoint(51, 0));  // P1
    EXPECT_EQ(p[1], QPoint(68, 14)); // P2
    EXPECT_EQ(p[5], QPoint(34, 56)); // P6
    EXPECT_EQ(p[8], QPoint(0, 28));  // P9

    d.SetSquare(true);
    EXPECT_EQ(d.FaceRect(), QRect(QPoint(6, 0), QPoint(61, 55)));
    EXPECT_EQ(*d.FaceRegion(), QRegion(QRect(2, -1, 31, 31), QRegion::Ellipse));

    d.SetStyle(bsBox);
    EXPECT_EQ(*d.FaceRegion(), QRegion(3, 0, 28, 28));
}

TEST(BtnDrawGeometry, RegionFollowsTheButtonPositionOnlyForAButtonOwner)
{
    TvlmBtnDraw plain;
    plain.SetStyle(bsBox);
    plain.SetRegion(true);
    plain.SetBounds(10, 20, 34, 28);
    EXPECT_EQ(*plain.FaceRegion(), QRegion(0, 0, 34, 28));

    TvlmGctButton button;
    button.BtnDraw()->SetStyle(bsBox);
    button.BtnDraw()->SetRegion(true);
    button.SetBounds(10, 20, 34, 28);
    EXPECT_EQ(*button.BtnDraw()->FaceRegion(), QRegion(10, 20, 34, 28));
}

TEST(BtnDrawProperties, NewRendererHasThePublishedDefaults)
{
    TvlmBtnDraw d;
    EXPECT_EQ(d.Style(), bsBox);
    EXPECT_FALSE(d.Flat());
    EXPECT_FALSE(d.Region());
    EXPECT_FALSE(d.Square());
    EXPECT_TRUE(d.TextAntialiasing());
    EXPECT_FALSE(d.TextEmboss());
    EXPECT_FALSE(d.TransParent());
    EXPECT_EQ(d.Alignment(), taCenter);
    EXPECT_EQ(d.Color(), 0x00FFFFFF);
    EXPECT_EQ(d.ColorDown(), 0);
    EXPECT_EQ(d.ColorOver(), 0x0060A0FF);
    EXPECT_EQ(d.ColorFocus(), 0x00FFA080);
    EXPECT_EQ(d.FocusLineWidth(), 4);
    EXPECT_EQ(d.OverDrawType(), dtMulti);
    EXPECT_EQ(d.OverDrawAlpha(), 255);
    EXPECT_FALSE(d.FaceMonoColor());
    EXPECT_EQ(d.BackColor(), 0);
    EXPECT_EQ(d.State(), bdNormal);
    EXPECT_TRUE(d.NeedsRender());
    EXPECT_FALSE(d.BackCaptured());
}

TEST(BtnDrawProperties, SetterTableChangedAndBackgroundReset)
{
    struct Row {
        const char* name;
        bool transparent;
        std::function<void(TvlmBtnDraw&)> set;
        bool changed;
        bool resetsBackground;
    };
    const Row rows[] = {
        {"Style", false, [](TvlmBtnDraw& d) { d.SetStyle(bsCircle); }, true, true},
        {"Style transparent", true, [](TvlmBtnDraw& d) { d.SetStyle(bsCircle); }, true, false},
        {"Square", false, [](TvlmBtnDraw& d) { d.SetSquare(true); }, true, true},
        {"Square transparent", true, [](TvlmBtnDraw& d) { d.SetSquare(true); }, true, false},
        {"Color", true, [](TvlmBtnDraw& d) { d.SetColor(0x123456); }, true, true},
        {"BackColor", true, [](TvlmBtnDraw& d) { d.SetBackColor(0x123456); }, true, true},
        {"Flat", false, [](TvlmBtnDraw& d) { d.SetFlat(true); }, true, false},
        {"TextAntialiasing", false, [](TvlmBtnDraw& d) { d.SetTextAntialiasing(false); }, true, false},
        {"TransParent", false, [](TvlmBtnDraw& d) { d.SetTransParent(true); }, true, false},
        {"TextEmboss", false, [](TvlmBtnDraw& d) { d.SetTextEmboss(true); }, true, false},
        {"Alignment", false, [](TvlmBtnDraw& d) { d.SetAlignment(taLeftJustify); }, true, false},
        {"ColorDown", false, [](TvlmBtnDraw& d) { d.SetColorDown(0x10); }, true, false},
        {"ColorOver", false, [](TvlmBtnDraw& d) { d.SetColorOver(0x10); }, true, false},
        {"ColorFocus", false, [](TvlmBtnDraw& d) { d.SetColorFocus(0x10); }, true, false},
        {"FocusLineWidth", false, [](TvlmBtnDraw& d) { d.SetFocusLineWidth(8); }, true, false},
        {"OverDrawType", false, [](TvlmBtnDraw& d) { d.SetOverDrawType(dtAdd); }, true, false},
        {"State", false, [](TvlmBtnDraw& d) { d.SetState(bdOver); }, true, false},
        {"Caption", false, [](TvlmBtnDraw& d) { d.SetCaption("x"); }, true, false},
        {"Font", false, [](TvlmBtnDraw& d) { d.SetFont(BigFont(), 0); }, true, false},
        {"Region on", false, [](TvlmBtnDraw& d) { d.SetRegion(true); }, true, false},
        {"OverDrawAlpha", false, [](TvlmBtnDraw& d) { d.SetOverDrawAlpha(0); }, false, false},
        {"FaceMonoColor", false, [](TvlmBtnDraw& d) { d.SetFaceMonoColor(true); }, false, false},
        {"same Color", false, [](TvlmBtnDraw& d) { d.SetColor(0x00FFFFFF); }, false, false},
        {"same Style", false, [](TvlmBtnDraw& d) { d.SetStyle(bsBox); }, false, false},
        {"same Caption", false, [](TvlmBtnDraw& d) { d.SetCaption(""); }, false, false},
    };
    for (const Row& row : rows) {
        TvlmBtnDraw d;
        d.SetTransParent(row.transparent);
        d.SetBounds(0, 0, 20, 20);
        QImage bg = Surface(20, 20, 0xFF808080);
        d.PaintTo(bg);
        ASSERT_TRUE(d.BackCaptured()) << row.name;
        ASSERT_FALSE(d.NeedsRender()) << row.name;
        int changed = 0;
        d.OnChanged = [&](QObject* sender) {
            EXPECT_EQ(sender, &d) << row.name;
            ++changed;
        };
        row.set(d);
        EXPECT_EQ(changed > 0, row.changed) << row.name;
        EXPECT_EQ(d.NeedsRender(), row.changed) << row.name;
        EXPECT_EQ(!d.BackCaptured(), row.resetsBackground) << row.name;
    }
}

TEST(BtnDrawProperties, RegionOffFreesTheRegionWithoutRepaint)
{
    TvlmBtnDraw d;
    d.SetRegion(true);
    int changed = 0;
    d.OnChanged = [&](QObject*) { ++changed; };
    d.SetRegion(false);
    EXPECT_EQ(d.FaceRegion(), nullptr);
    EXPECT_EQ(changed, 0);
}

TEST(BtnDrawProperties, SetBoundsAsksForAFreshBackgroundWithoutOnChanged)
{
    TvlmBtnDraw d;
    QImage bg = Surface(40, 40, 0xFF808080);
    d.SetBounds(0, 0, 20, 20);
    d.PaintTo(bg);
    int changed = 0;
    d.OnChanged = [&](QObject*) { ++changed; };
    d.SetBounds(2, 3, 30, 10);
    EXPECT_EQ(changed, 0);
    EXPECT_TRUE(d.NeedsRender());
    EXPECT_FALSE(d.BackCaptured());
    EXPECT_EQ(d.FaceBitmap().Width(), 30);
    EXPECT_EQ(d.BackBitmap().Height(), 10);
    EXPECT_EQ(d.WorkBitmap().Width(), 60);
}

TEST(BtnDrawProperties, AssignCopiesSettingsButLeavesFiveAlone)
{
    TvlmBtnDraw source;
    source.SetStyle(bsCircle);
    source.SetColor(0x112233);
    source.SetCaption("Go");
    source.SetFocusLineWidth(8);
    source.SetSquare(true);
    source.SetFont(BigFont(), 0x00FF00);
    source.SetRegion(true);
    source.SetTextEmboss(true);
    source.SetOverDrawType(dtScreen);
    source.SetOverDrawAlpha(0);
    source.SetFaceMonoColor(true);

    TvlmBtnDraw target;
    target.SetState(bdOver);
    target.Assign(source);
    EXPECT_EQ(target.Style(), bsCircle);
    EXPECT_EQ(target.Color(), 0x112233);
    EXPECT_EQ(target.Caption(), "Go");
    EXPECT_EQ(target.FocusLineWidth(), 8);
    EXPECT_TRUE(target.Square());
    EXPECT_EQ(target.Font(), BigFont());
    EXPECT_EQ(target.FontColor(), 0x00FF00);
    EXPECT_FALSE(target.Region());
    EXPECT_FALSE(target.TextEmboss());
    EXPECT_EQ(target.OverDrawType(), dtMulti);
    EXPECT_EQ(target.OverDrawAlpha(), 255);
    EXPECT_FALSE(target.FaceMonoColor());
    EXPECT_EQ(target.State(), bdOver);
}

TEST(BtnDrawRender, OverDrawAlphaZeroRemovesTheHoverRingAnyOtherValueIsFull)
{
    auto render = [](int alpha) {
        TvlmBtnDraw d;
        UseWindowSettings(d);
        d.SetBounds(0, 0, 40, 40);
        d.SetState(bdOver);
        d.SetOverDrawAlpha(alpha);
        QImage bg = Surface(40, 40, 0xFFC0C0C0);
        d.PaintTo(bg);
        return bg;
    };
    const QImage none = render(0), one = render(1), full = render(255);
    EXPECT_EQ(one, full);
    EXPECT_NE(none, full);
}

TEST(BtnDrawRender, StatesGiveDistinctFacesAndRepeatPaintsAreCopies)
{
    TvlmBtnDraw d;
    UseWindowSettings(d);
    d.SetCaption("START");
    d.SetBounds(0, 0, 64, 52);
    QImage faces[5];
    for (int s = 0; s < 5; ++s) {
        d.SetState(TBtnDrawState(s));
        faces[s] = Surface(64, 52, 0xFF8090A0);
        d.PaintTo(faces[s]);
    }
    // Colour equal to the back colour: normal and focus differ only by the
    // ring colour, the others by ring, disc, caption and rim.
    for (int a = 0; a < 5; ++a)
        for (int b = a + 1; b < 5; ++b)
            EXPECT_NE(faces[a], faces[b]) << a << " vs " << b;
    // Pressed darkens the middle of the disc.
    EXPECT_LT(qGray(faces[bdDown].pixel(32, 8)), qGray(faces[bdNormal].pixel(32, 8)));
    // No change: the next paint copies the kept face without rendering.
    EXPECT_FALSE(d.NeedsRender());
    QImage again = Surface(64, 52, 0xFF000000);
    d.PaintTo(again);
    EXPECT_EQ(again, faces[bdDisabled]);
}

TEST(BtnDrawRender, TransparentFaceShowsThePictureOtherwiseTheBaseFace)
{
    QImage picture = Surface(60, 60, 0xFF204060);
    TvlmBtnDraw d;
    d.SetStyle(bsCircle);
    d.SetTransParent(true);
    d.SetBackColor(0x00FFFFFF);
    d.SetBounds(10, 10, 30, 30);
    d.CaptureBackground(picture);
    EXPECT_EQ(Pixel(d.BackBitmap(), 0, 0) & 0xFFFFFF, 0x204060u);

    // A colour other than the back colour lays the base face over everything.
    d.SetColor(0x0000FF);
    EXPECT_FALSE(d.BackCaptured());
    d.CaptureBackground(picture);
    EXPECT_EQ(Pixel(d.BackBitmap(), 0, 0) & 0xFFFFFF, 0xFFFFFFu); // corner: back colour
    EXPECT_EQ(Pixel(d.BackBitmap(), 15, 15) & 0xFFFFFF, 0xFF0000u); // middle: red face (bytes B, G, R)
}

TEST(BtnDrawRender, ZeroSizedButtonDrawsNothing)
{
    for (const QSize size : {QSize(0, 28), QSize(34, 0), QSize(0, 0)}) {
        TvlmBtnDraw d;
        UseWindowSettings(d);
        d.SetCaption("x");
        d.SetBounds(1, 1, size.width(), size.height());
        QImage bg = Surface(10, 10, 0xFF123456);
        const QImage before = bg;
        EXPECT_NO_THROW(d.PaintTo(bg));
        EXPECT_EQ(bg, before);
        EXPECT_FALSE(d.NeedsRender());
    }
}

TEST(BtnDrawRender, FaceCutToTheSurfaceAtItsEdges)
{
    TvlmBtnDraw d;
    UseWindowSettings(d);
    d.SetBounds(-10, 30, 40, 40);
    QImage bg = Surface(50, 50, 0xFF808080);
    EXPECT_NO_THROW(d.PaintTo(bg));
    EXPECT_EQ(bg.size(), QSize(50, 50));
}

TEST(BtnDrawRender, TwentyFourBitFacePictureLosesItsKeyColour)
{
    TBitmap picture(12, 12, pf24bit);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            const bool inner = x >= 3 && x < 9 && y >= 3 && y < 9;
            p[0] = inner ? 0 : 255; // magenta surround, green middle
            p[1] = inner ? 255 : 0;
            p[2] = inner ? 0 : 255;
        }
    TvlmBtnDraw::SetPictureSource([&](const QString& name) { return name == "face" ? &picture : nullptr; });
    TvlmBtnDraw d;
    d.SetBounds(0, 0, 20, 20);
    d.SetOverDrawAlpha(0);
    d.SetFaceFlat("face");
    EXPECT_EQ(picture.PixelFormat(), pf32bit);
    QImage bg = Surface(20, 20, 0xFF808080);
    d.PaintTo(bg);
    TvlmBtnDraw::SetPictureSource({});
    int green = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const QRgb c = bg.pixel(x, y);
            EXPECT_FALSE(qRed(c) > 200 && qBlue(c) > 200 && qGreen(c) < 50) << x << "," << y;
            green += qGreen(c) > 200 && qRed(c) < 50;
        }
    EXPECT_GT(green, 10);
}

TEST(BtnDrawRender, MissingPictureKeepsTheNameAndTheOldPicture)
{
    TBitmap picture(4, 4, pf32bit);
    TvlmBtnDraw::SetPictureSource([&](const QString& name) -> TBitmap* {
        if (name == "ok")
            return &picture;
        throw std::runtime_error("not found");
    });
    TvlmBtnDraw d;
    d.SetFaceFlat("ok");
    int changed = 0;
    d.OnChanged = [&](QObject*) { ++changed; };
    EXPECT_THROW(d.SetFaceFlat("missing"), std::runtime_error);
    TvlmBtnDraw::SetPictureSource({});
    EXPECT_EQ(d.FaceFlat(), "missing");
    EXPECT_EQ(changed, 0);
}

TEST(BtnDrawRender, FacePicturesComeFromTheProgramsGraphicSource)
{
    QTemporaryDir dir;
    TvlmGlobalSetup setup;
    setup.ProgramFile = dir.filePath(QStringLiteral("pocosa"));
    vlmGlobalUnit env(std::move(setup));
    TGraphicSource source;
    TGraphicSource* const previous = GraphicSource;
    GraphicSource = &source;
    TvlmBtnDraw::SetPictureSource({});
    TvlmBtnDraw d;
    d.SetBounds(0, 0, 20, 20);
    d.SetOverDrawAlpha(0);
    d.SetFaceFlat(QStringLiteral("\\8,8,$00FF00,32")); // a green blank picture, cached by name
    QImage bg = Surface(20, 20, 0xFF808080);
    d.PaintTo(bg);
    GraphicSource = previous;
    EXPECT_EQ(source.Count(), 1);
    int green = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            green += qGreen(bg.pixel(x, y)) > 200 && qRed(bg.pixel(x, y)) < 50;
    EXPECT_GT(green, 10);
}
