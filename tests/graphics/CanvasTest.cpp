#include <gtest/gtest.h>

#include "Bitmap.h"

#include <string>

namespace {

constexpr TColor kInk = 0x000000FF; // red

// A white 32-bit picture with alpha 0 and a canvas drawing in red.
TBitmap blank(int w, int h)
{
    TBitmap bmp(w, h, pf32bit);
    bmp.Canvas().PenColor = kInk;
    bmp.Canvas().BrushColor = kInk;
    return bmp;
}

bool inked(TBitmap& bmp, int x, int y)
{
    return bmp.Canvas().Pixel(x, y) == kInk;
}

// Bounding box (right/bottom exclusive) of the inked pixels.
TRect inkBounds(TBitmap& bmp)
{
    TRect r(bmp.Width(), bmp.Height(), -1, -1);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (inked(bmp, x, y)) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

std::string show(const TRect& r)
{
    return "(" + std::to_string(r.Left) + ", " + std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", " +
           std::to_string(r.Bottom) + ")";
}

TEST(Canvas, LineToLeavesOutItsEndPoint)
{
    struct Row {
        const char* name;
        int x1, y1, x2, y2;
    };
    const Row rows[] = {
        {"right", 1, 1, 6, 1}, {"left", 6, 1, 1, 1},     {"down", 2, 0, 2, 7},
        {"up", 2, 7, 2, 0},    {"diagonal", 0, 0, 5, 5}, {"steep", 1, 0, 3, 7},
    };
    for (const Row& row : rows) {
        TBitmap bmp = blank(10, 10);
        bmp.Canvas().MoveTo(row.x1, row.y1);
        bmp.Canvas().LineTo(row.x2, row.y2);
        EXPECT_TRUE(inked(bmp, row.x1, row.y1)) << row.name;
        EXPECT_FALSE(inked(bmp, row.x2, row.y2)) << row.name;
        EXPECT_EQ(bmp.Canvas().PenX(), row.x2) << row.name;
        EXPECT_EQ(bmp.Canvas().PenY(), row.y2) << row.name;
    }
}

TEST(Canvas, ConnectedLinesCloseAShape)
{
    TBitmap bmp = blank(10, 10);
    TCanvas& c = bmp.Canvas();
    c.MoveTo(1, 1);
    c.LineTo(6, 1);
    c.LineTo(6, 5);
    c.LineTo(1, 5);
    c.LineTo(1, 1);
    EXPECT_EQ(show(inkBounds(bmp)), show(TRect(1, 1, 7, 6)));
    EXPECT_TRUE(inked(bmp, 6, 1));
    EXPECT_TRUE(inked(bmp, 1, 5));
    EXPECT_FALSE(inked(bmp, 3, 3));
}

TEST(Canvas, BoxesAreRightAndBottomExclusive)
{
    struct Row {
        const char* name;
        void (*draw)(TCanvas&);
        TRect expected;
    };
    const Row rows[] = {
        {"Rectangle", [](TCanvas& c) { c.Rectangle(2, 3, 9, 8); }, TRect(2, 3, 9, 8)},
        {"FillRect", [](TCanvas& c) { c.FillRect(TRect(2, 3, 9, 8)); }, TRect(2, 3, 9, 8)},
        {"Ellipse", [](TCanvas& c) { c.Ellipse(2, 3, 14, 11); }, TRect(2, 3, 14, 11)},
        {"RoundRect", [](TCanvas& c) { c.RoundRect(2, 3, 14, 11, 4, 4); }, TRect(2, 3, 14, 11)},
        {"reversed corners", [](TCanvas& c) { c.Rectangle(9, 8, 2, 3); }, TRect(2, 3, 9, 8)},
    };
    for (const Row& row : rows) {
        TBitmap bmp = blank(16, 16);
        row.draw(bmp.Canvas());
        EXPECT_EQ(show(inkBounds(bmp)), show(row.expected)) << row.name;
    }
}

TEST(Canvas, RectangleFillsWithBrushInsideThePenOutline)
{
    TBitmap bmp = blank(10, 10);
    TCanvas& c = bmp.Canvas();
    c.BrushColor = 0x0000FF00;
    c.Rectangle(1, 1, 8, 8);
    EXPECT_EQ(c.Pixel(1, 1), kInk);
    EXPECT_EQ(c.Pixel(7, 7), kInk);
    EXPECT_EQ(c.Pixel(4, 4), 0x0000FF00);
    c.BrushStyle = TCanvas::bsClear;
    c.PenColor = 0x00FF0000;
    c.Rectangle(1, 1, 8, 8);
    EXPECT_EQ(c.Pixel(4, 4), 0x0000FF00) << "a clear brush leaves the inside alone";
    EXPECT_EQ(c.Pixel(1, 1), 0x00FF0000);
}

TEST(Canvas, ArcRunsCounterClockwiseFromStartRayToEndRay)
{
    // Box 0..40: from three o'clock to twelve o'clock is the upper-right quarter;
    // the other way round it is the remaining three quarters.
    TBitmap quarter = blank(41, 41);
    quarter.Canvas().Arc(0, 0, 40, 40, 40, 20, 20, 0);
    const TRect q = inkBounds(quarter);
    EXPECT_GE(q.Left, 19) << show(q);
    EXPECT_LE(q.Bottom, 22) << show(q);
    int diagonal = 0;
    for (int y = 3; y < 10; ++y)
        for (int x = 30; x < 37; ++x)
            diagonal += inked(quarter, x, y);
    EXPECT_GT(diagonal, 0) << "the arc passes the upper-right diagonal";

    TBitmap rest = blank(41, 41);
    rest.Canvas().Arc(0, 0, 40, 40, 20, 0, 40, 20);
    const TRect r = inkBounds(rest);
    EXPECT_EQ(r.Left, 0);
    EXPECT_GE(r.Bottom, 39);
    for (int y = 3; y < 17; ++y)
        for (int x = 23; x < 38; ++x)
            EXPECT_FALSE(inked(rest, x, y)) << x << "," << y;
}

TEST(Canvas, ArcWithEqualRaysIsTheWholeEllipse)
{
    TBitmap bmp = blank(21, 21);
    bmp.Canvas().Arc(0, 0, 20, 20, 20, 10, 20, 10);
    EXPECT_EQ(show(inkBounds(bmp)), show(TRect(0, 0, 20, 20)));
}

TEST(Canvas, ArcsLieOnTheEllipseOfTheirBox)
{
    TBitmap ellipse = blank(70, 60);
    ellipse.Canvas().Ellipse(3, 2, 68, 57);
    TBitmap arcs = blank(70, 60);
    arcs.Canvas().Arc(3, 2, 68, 57, 68, 10, 3, 50);
    arcs.Canvas().Arc(3, 2, 68, 57, 10, 57, 68, 40);
    int count = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 70; ++x)
            if (inked(arcs, x, y)) {
                ++count;
                EXPECT_TRUE(inked(ellipse, x, y)) << x << "," << y;
            }
    EXPECT_GT(count, 100);
}

TEST(Canvas, PaintedPixelsBecomeOpaqueOthersKeepTheirAlpha)
{
    TBitmap bmp = blank(4, 1);
    bmp.ScanLine(0)[3 * 4 + 3] = 77;
    bmp.Canvas().FillRect(TRect(0, 0, 2, 1));
    EXPECT_EQ(bmp.ScanLine(0)[3], 255);
    EXPECT_EQ(bmp.ScanLine(0)[2], 255) << "red byte";
    EXPECT_EQ(bmp.ScanLine(0)[0], 0) << "blue byte";
    EXPECT_EQ(bmp.ScanLine(0)[2 * 4 + 3], 0);
    EXPECT_EQ(bmp.ScanLine(0)[3 * 4 + 3], 77);
}

TEST(Canvas, PixelReadsColourOrMinusOneOutside)
{
    TBitmap bmp(2, 2, pf24bit);
    bmp.ScanLine(1)[3] = 0x30; // blue
    bmp.ScanLine(1)[4] = 0x20; // green
    bmp.ScanLine(1)[5] = 0x10; // red
    EXPECT_EQ(bmp.Canvas().Pixel(1, 1), 0x00302010);
    EXPECT_EQ(bmp.Canvas().Pixel(0, 0), 0x00FFFFFF);
    EXPECT_EQ(bmp.Canvas().Pixel(2, 0), -1);
    EXPECT_EQ(bmp.Canvas().Pixel(0, -1), -1);
}

TEST(Canvas, DrawsIntoNewMemoryAfterResizeAndCopy)
{
    TBitmap bmp = blank(4, 4);
    TCanvas& c = bmp.Canvas();
    c.FillRect(TRect(0, 0, 1, 1));
    bmp.SetSize(8, 8);
    c.FillRect(TRect(7, 7, 8, 8));
    EXPECT_EQ(c.Pixel(7, 7), kInk);
    bmp.SetPixelFormat(pf24bit);
    c.FillRect(TRect(6, 6, 7, 7));
    EXPECT_EQ(c.Pixel(6, 6), kInk);
    TBitmap other(3, 3, pf32bit);
    bmp = other;
    c.FillRect(TRect(2, 2, 3, 3));
    EXPECT_EQ(c.Pixel(2, 2), kInk);
    EXPECT_EQ(other.Canvas().Pixel(2, 2), 0x00FFFFFF) << "the copy's source is not drawn on";
}

TEST(Canvas, EmptyBitmapDrawsNothing)
{
    TBitmap bmp(0, 5, pf32bit);
    bmp.Canvas().Ellipse(0, 0, 5, 5);
    bmp.Canvas().MoveTo(0, 0);
    bmp.Canvas().LineTo(3, 3);
    TRect r(0, 0, 10, 10);
    EXPECT_EQ(bmp.Canvas().DrawText("A", r, tfSingleLine), 0);
    EXPECT_EQ(bmp.Canvas().Pixel(0, 0), -1);
}

TEST(Canvas, DrawTextPrefixes)
{
    TBitmap bmp = blank(200, 40);
    TCanvas& c = bmp.Canvas();
    c.Font.setPixelSize(16);
    const auto widthOf = [&c](const QString& text, unsigned format) {
        TRect r(0, 0, 0, 0);
        c.DrawText(text, r, format | tfCalcRect | tfSingleLine);
        return r.Width();
    };
    EXPECT_EQ(widthOf("A&&B", 0), widthOf("A&B", tfNoPrefix)) << "&& gives one &";
    EXPECT_EQ(widthOf("&AB", 0), widthOf("AB", tfNoPrefix)) << "& marks the next character";
    EXPECT_GT(widthOf("A&&B", tfNoPrefix), widthOf("A&B", tfNoPrefix));
}

TEST(Canvas, DrawTextAlignsInItsBoxWithAClearBrush)
{
    TBitmap bmp = blank(120, 30);
    TCanvas& c = bmp.Canvas();
    c.Font.setPixelSize(14);
    c.FontColor = kInk;
    c.BrushStyle = TCanvas::bsClear;
    TRect box(0, 0, 120, 30);
    const int h = c.DrawText("MM", box, tfCenter | tfVerticalCenter | tfSingleLine);
    EXPECT_GT(h, 0);
    const TRect ink = inkBounds(bmp);
    ASSERT_GT(ink.Right, ink.Left);
    const int leftGap = ink.Left, rightGap = 120 - ink.Right;
    EXPECT_LE(std::abs(leftGap - rightGap), 3) << show(ink);
    EXPECT_GT(ink.Top, 2) << show(ink);
    EXPECT_EQ(c.Pixel(0, 0), 0x00FFFFFF) << "no background with a clear brush";
}

TEST(Canvas, TextOutPaintsTheBrushBehindTheText)
{
    TBitmap bmp = blank(60, 30);
    TCanvas& c = bmp.Canvas();
    c.Font.setPixelSize(12);
    c.BrushColor = 0x0000FF00;
    c.FontColor = kInk;
    c.TextOut(2, 2, "x");
    EXPECT_EQ(c.Pixel(2, 2), 0x0000FF00);
    EXPECT_EQ(c.PenX(), 2 + c.TextWidth("x"));
    EXPECT_EQ(c.Pixel(2, 2 + c.TextHeight("x")), 0x00FFFFFF);
}

} // namespace
