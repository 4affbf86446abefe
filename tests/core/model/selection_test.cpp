#include "model/selection.hpp"

#include <gtest/gtest.h>

#include "model/problem.hpp"

namespace kova {
namespace {

TEST(Selection, StartsNullAndClearGivesNoneWithPreviousNull) {
    Problem p;
    Selection fresh;
    EXPECT_EQ(fresh.state, SelectType::Null);
    p.selection.state = SelectType::Frames;
    p.selection.previousState = SelectType::Points;
    AddToSelection(p, NumberItem(3));
    ClearSelection(p);
    EXPECT_EQ(p.selection.Count(), 0);
    EXPECT_EQ(p.selection.state, SelectType::None);
    EXPECT_EQ(p.selection.previousState, SelectType::Null);
}

TEST(Selection, ToggleRemovesASelectedItemAndKeepsTheOrderOfTheRest) {
    Problem p;
    for (int n : {4, 9, 2, 7}) AddToSelection(p, NumberItem(n));
    ToggleItem(p, NumberItem(9));
    ASSERT_EQ(p.selection.Count(), 3);
    EXPECT_EQ(p.selection.items[0].selectNo, 4);
    EXPECT_EQ(p.selection.items[1].selectNo, 2);
    EXPECT_EQ(p.selection.items[2].selectNo, 7);
    ToggleItem(p, NumberItem(9));
    EXPECT_EQ(p.selection.items.back().selectNo, 9);
    EXPECT_TRUE(p.selection.Contains(NumberItem(9)));
    EXPECT_FALSE(p.selection.Contains(NumberItem(1)));
}

TEST(Selection, SegmentItemsAreToldApartByIdentity) {
    Problem p;
    LineSegment* a = p.NewLineSegment(1);
    LineSegment* b = p.NewLineSegment(2);
    AddToSelection(p, SegmentItem(a));
    ToggleItem(p, SegmentItem(b));
    ToggleItem(p, SegmentItem(a));
    ASSERT_EQ(p.selection.Count(), 1);
    EXPECT_EQ(p.selection.items[0].segment, b);
}

TEST(Selection, ClearKeepsTheResultTimeOfATransientResultWindow) {
    for (SelectType s : {SelectType::Nodal, SelectType::Temps, SelectType::Contours,
                         SelectType::FluxPt, SelectType::Flow, SelectType::Frames}) {
        for (bool transient : {false, true}) {
            Problem p;
            RecordingReporter r;
            p.SetReporter(&r);
            r.ShowStatusText("Time = 5 sec", StatusPanel::Time);
            r.ShowStatusText("something", StatusPanel::Info);
            p.settings.transient = transient;
            p.selection.state = s;
            ClearSelection(p);
            const bool keeps = transient && s != SelectType::Frames;
            EXPECT_EQ(r.StatusText(StatusPanel::Time), keeps ? "Time = 5 sec" : "");
            EXPECT_EQ(r.StatusText(StatusPanel::Info), "");
        }
    }
}

}  // namespace
}  // namespace kova
