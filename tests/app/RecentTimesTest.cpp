// The recent count-down lengths: order, repeats, the limit and the kept texts.
#include <gtest/gtest.h>

#include "RecentTimes.h"

namespace {

TEST(RecentTimes, PushesAndKeptTexts)
{
    const struct {
        QStringList Kept; // as read from the settings
        QList<int> Pushed;
        QList<int> Times; // newest first
        int Changes;      // pushes that changed the list
    } rows[] = {
        {{}, {300}, {300}, 1},
        {{}, {300, 60, 300}, {300, 60}, 3},
        {{}, {300, 300}, {300}, 1},
        {{}, {1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2}, 6},
        {{}, {0, -5, 6000, 5999}, {5999}, 1},
        {{"300", "60", "", "90"}, {}, {300, 60, 90}, 0},
        {{"300", "abc", "0", "6000", "-1", "300", " 90 ", "5999", "1", "2", "3"}, {}, {300, 90, 5999, 1, 2}, 0},
        {{"1", "2", "3", "4", "5"}, {3}, {3, 1, 2, 4, 5}, 1},
        {{"1", "2", "3", "4", "5"}, {5}, {5, 1, 2, 3, 4}, 1},
        {{"1", "2", "3", "4", "5"}, {6}, {6, 1, 2, 3, 4}, 1},
    };
    for (const auto& row : rows) {
        const std::string name = row.Kept.join(',').toStdString() + " +" + QString::number(row.Pushed.size()).toStdString();
        TRecentTimes recent = TRecentTimes::FromTexts(row.Kept);
        int changes = 0;
        for (int seconds : row.Pushed)
            changes += recent.Push(seconds) ? 1 : 0;
        EXPECT_EQ(recent.Times(), row.Times) << name;
        EXPECT_EQ(changes, row.Changes) << name;
        // Kept and read again, the list is the same.
        EXPECT_EQ(recent.Texts().size(), TRecentTimes::kMax) << name;
        EXPECT_EQ(TRecentTimes::FromTexts(recent.Texts()).Times(), row.Times) << name;
    }
}

} // namespace
