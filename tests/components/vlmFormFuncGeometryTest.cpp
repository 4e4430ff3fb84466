#include <gtest/gtest.h>

#include "vlmFormFuncGeometry.h"

namespace {

struct HitRow {
    const char* name;
    QPoint offset; // from the window's top-left corner
    TResizeZone zone;
};

TEST(ResizeHitTest, ZonesOfA120x100WindowAt300x200)
{
    const QRect window(300, 200, 120, 100);
    const HitRow rows[] = {
        {"bottom-right 4 px inside", {116, 96}, TResizeZone::BottomRight},
        {"left band inner edge is middle", {5, 50}, TResizeZone::None},
        {"left band", {4, 50}, TResizeZone::Left},
        {"right band inner edge is middle", {115, 50}, TResizeZone::None},
        {"right band", {116, 50}, TResizeZone::Right},
        {"top band", {60, 4}, TResizeZone::Top},
        {"top band inner edge is middle", {60, 5}, TResizeZone::None},
        {"bottom band inner edge is middle", {60, 95}, TResizeZone::None},
        {"bottom band", {60, 96}, TResizeZone::Bottom},
        {"top-left corner pixel", {0, 0}, TResizeZone::TopLeft},
        {"top-right", {119, 0}, TResizeZone::TopRight},
        {"bottom-left", {0, 99}, TResizeZone::BottomLeft},
        {"centre", {60, 50}, TResizeZone::None},
        {"outside to the left still left", {-3, 50}, TResizeZone::Left},
    };
    for (const HitRow& row : rows) {
        EXPECT_EQ(ResizeHitTest(window.topLeft() + row.offset, window), row.zone) << row.name;
    }
}

TEST(ResizeHitTest, BottomAndRightWinOnAWindowNarrowerThanTwoBands)
{
    const QRect window(0, 0, 6, 6);
    // (3, 3) lies in the top and left bands as well as the bottom and right ones.
    EXPECT_EQ(ResizeHitTest({3, 3}, window), TResizeZone::BottomRight);
    EXPECT_EQ(ResizeHitTest({0, 0}, window), TResizeZone::TopLeft);
}

TEST(ResizeHitTest, ZonesMapToTheEdgesASystemResizeMoves)
{
    EXPECT_EQ(ResizeEdges(TResizeZone::BottomRight), Qt::BottomEdge | Qt::RightEdge);
    EXPECT_EQ(ResizeEdges(TResizeZone::TopLeft), Qt::TopEdge | Qt::LeftEdge);
    EXPECT_EQ(ResizeEdges(TResizeZone::None), Qt::Edges());
}

struct SnapRow {
    const char* name;
    QRect window;
    int distance;
    QPoint expected;
};

TEST(SnapToWorkArea, SnapsOnlyStrictlyWithinTheDistance)
{
    // A work area below a 40-pixel panel, 1920 x 1040.
    const QRect work(0, 40, 1920, 1040);
    const SnapRow rows[] = {
        {"top 7 px below snaps", {500, 47, 130, 124}, 10, {500, 40}},
        {"top exactly 10 px below stays", {500, 50, 130, 124}, 10, {500, 50}},
        {"top 9 px above snaps", {500, 31, 130, 124}, 10, {500, 40}},
        {"bottom 3 px above the bottom snaps", {500, 1080 - 124 - 3, 130, 124}, 10, {500, 1080 - 124}},
        {"bottom 10 px beyond stays", {500, 1080 - 124 + 10, 130, 124}, 10, {500, 1080 - 124 + 10}},
        {"left 9 px in snaps", {9, 500, 130, 124}, 10, {0, 500}},
        {"right 2 px short snaps", {1920 - 132, 500, 130, 124}, 10, {1920 - 130, 500}},
        {"corner snaps both ways", {5, 45, 130, 124}, 10, {0, 40}},
        {"distance 0 never snaps", {1, 41, 130, 124}, 0, {1, 41}},
        {"7 px with distance 7 stays", {500, 47, 130, 124}, 7, {500, 47}},
        {"top wins over bottom on a tall window", {500, 45, 130, 1030}, 10, {500, 40}},
        {"left wins over right on a wide window", {3, 500, 1910, 124}, 10, {0, 500}},
    };
    for (const SnapRow& row : rows) {
        EXPECT_EQ(SnapToWorkArea(row.window, work, row.distance), row.expected) << row.name;
    }
}

TEST(RelocationOffset, CentresTheDesignLayoutOnTheVisiblePart)
{
    const QSize design(120, 120);
    // A 140 x 130 picture whose visible part starts at (6, 4).
    EXPECT_EQ(RelocationOffset({140, 130}, QRect(6, 4, 128, 122), design), QPoint(4, 1));
    // The built-in 130 x 124 picture, visible from its top-left pixel on.
    EXPECT_EQ(RelocationOffset({130, 124}, QRect(0, 0, 130, 124), design), QPoint(5, 2));
    // Smaller than the design: (115 - 120) / 2 truncates toward zero to -2.
    EXPECT_EQ(RelocationOffset({115, 117}, QRect(0, 0, 115, 117), design), QPoint(-2, -1));
    // Nothing visible: the offset follows the picture's size alone.
    EXPECT_EQ(RelocationOffset({0, 0}, QRect(), design), QPoint(-60, -60));
}

TEST(WindowRoundRegion, CutsEachCornerInStepsOfFourTwoAndOne)
{
    const QRegion region = WindowRoundRegion(20, 16, true);
    // Top-left corner: rows 0, 1, 2..3 start at x = 4, 2, 1; row 4 at x = 0.
    EXPECT_FALSE(region.contains(QPoint(3, 0)));
    EXPECT_TRUE(region.contains(QPoint(4, 0)));
    EXPECT_FALSE(region.contains(QPoint(1, 1)));
    EXPECT_TRUE(region.contains(QPoint(2, 1)));
    EXPECT_FALSE(region.contains(QPoint(0, 3)));
    EXPECT_TRUE(region.contains(QPoint(1, 3)));
    EXPECT_TRUE(region.contains(QPoint(0, 4)));
    // The bottom-right corner mirrors it.
    EXPECT_FALSE(region.contains(QPoint(16, 15)));
    EXPECT_TRUE(region.contains(QPoint(15, 15)));
    EXPECT_FALSE(region.contains(QPoint(19, 12)));
    EXPECT_TRUE(region.contains(QPoint(19, 11)));
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 20, 16));
}

TEST(WindowRoundRegion, WithoutRoundingIsOneRectangleOnePixelTaller)
{
    EXPECT_EQ(WindowRoundRegion(20, 16, false), QRegion(0, 0, 20, 17));
}

} // namespace
