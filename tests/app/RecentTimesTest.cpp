// The recent count-down lengths: order, repeats, the limit and the kept texts.
#include <gtest/gtest.h>

#include "RecentTimes.h"

TEST(RecentTimes, PushesAndKeptTexts)
{
    const struct { QStringList Kept; QList<int> Pushed, Times; int Changes; } rows[] = {
        {{}, {300, 60, 300, 300}, {300, 60}, 3}, {{}, {1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2}, 6},
        {{"300", "abc", "0", "6000", "-1", "300", " 90 ", "", "5999", "1", "2", "3"}, {}, {300, 90, 5999, 1, 2}, 0},
        {{"1", "2", "3", "4", "5"}, {3, 5, 6}, {6, 5, 3, 1, 2}, 3}, {{}, {0, -5, 6000, 5999}, {5999}, 1},
    };
    for (const auto& row : rows) {
        TRecentTimes recent = TRecentTimes::FromTexts(row.Kept);
        int changes = 0;
        for (int seconds : row.Pushed)
            changes += recent.Push(seconds) ? 1 : 0;
        const auto kept = TRecentTimes::FromTexts(recent.Texts()).Times(); // and read again
        EXPECT_TRUE(recent.Times() == row.Times && changes == row.Changes && kept == row.Times) << row.Changes;
    }
}
