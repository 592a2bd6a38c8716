#include "cutting/CutPoints.h"

#include <gtest/gtest.h>

using klevotrim::ButtonChange;
using klevotrim::CutPoints;
using klevotrim::SeekBarPlacement;

namespace {

// A seek bar 377 pixels wide at (10, 20), 16 high, scale 0..200.
SeekBarPlacement Bar(std::int32_t value, std::int32_t max = 200) {
    return SeekBarPlacement{value, max, 10.0, 20.0, 377.0, 16.0, std::nullopt};
}

} // namespace

TEST(CutPoints, StartPointPlacesATwoPixelMarkCentredOnTheStart) {
    CutPoints points;
    auto update = points.StartPoint(Bar(50));
    EXPECT_EQ(points.CutStart(), 50);
    ASSERT_TRUE(update.height && update.top && update.width && update.left);
    EXPECT_DOUBLE_EQ(*update.height, 2.0);
    EXPECT_DOUBLE_EQ(*update.top, 20.0 + 8.0 - 0.5); // half a pixel above the middle line
    EXPECT_DOUBLE_EQ(*update.width, 2.0);
    EXPECT_DOUBLE_EQ(*update.left, 10.0 + 93.25);
    EXPECT_TRUE(update.bringToFront);
    EXPECT_TRUE(update.show);
    EXPECT_EQ(update.endButton, ButtonChange::Enable);
    EXPECT_EQ(update.saveButton, ButtonChange::Keep);
}

TEST(CutPoints, StartAtZeroSitsOnePixelLeftOfTheBar) {
    CutPoints points;
    auto update = points.StartPoint(Bar(0));
    EXPECT_EQ(points.CutStart(), 0);
    ASSERT_TRUE(update.left);
    EXPECT_DOUBLE_EQ(*update.left, 9.0);
    EXPECT_TRUE(update.show);
}

TEST(CutPoints, StartAtTheMaximumKeepsTheBarsLeftAndVisibilityAndDoesNotEnableEnd) {
    CutPoints points;
    points.StartPoint(Bar(50));
    auto update = points.StartPoint(Bar(200));
    EXPECT_EQ(points.CutStart(), 200);
    EXPECT_FALSE(update.left.has_value());
    EXPECT_FALSE(update.show);
    EXPECT_EQ(update.endButton, ButtonChange::Keep);
    // The mark still shrinks to 2 x 2 and moves to the middle line.
    ASSERT_TRUE(update.width && update.height && update.top);
    EXPECT_DOUBLE_EQ(*update.width, 2.0);
    EXPECT_DOUBLE_EQ(*update.height, 2.0);
    // A seek bar without a scale (Max 0) is the same case and divides by nothing.
    CutPoints empty;
    auto none = empty.StartPoint(Bar(0, 0));
    EXPECT_FALSE(none.left.has_value());
}

TEST(CutPoints, EndAfterStartStretchesTheBarAndEnablesSave) {
    CutPoints points;
    points.StartPoint(Bar(50));
    auto update = points.EndPoint(Bar(150));
    EXPECT_EQ(points.CutEnd(), 150);
    ASSERT_TRUE(update.width);
    EXPECT_DOUBLE_EQ(*update.width, 188.5);
    EXPECT_FALSE(update.left.has_value()); // the left edge stays where Start Point put it
    EXPECT_FALSE(update.top.has_value());
    EXPECT_EQ(update.saveButton, ButtonChange::Enable);
    EXPECT_EQ(update.endButton, ButtonChange::Keep);
}

TEST(CutPoints, EndEqualToStartChangesNothing) {
    CutPoints points;
    points.StartPoint(Bar(50));
    auto update = points.EndPoint(Bar(50));
    EXPECT_EQ(points.CutEnd(), 50);
    EXPECT_FALSE(update.width || update.left || update.top || update.height);
    EXPECT_FALSE(update.show || update.bringToFront);
    EXPECT_EQ(update.saveButton, ButtonChange::Keep);
    EXPECT_EQ(update.endButton, ButtonChange::Keep);
}

TEST(CutPoints, EndBeforeStartRestartsThereAndDisablesSave) {
    CutPoints points;
    points.StartPoint(Bar(100));
    auto update = points.EndPoint(Bar(40));
    EXPECT_EQ(points.CutStart(), 40);
    EXPECT_EQ(points.CutEnd(), 40);
    ASSERT_TRUE(update.width && update.left);
    EXPECT_DOUBLE_EQ(*update.width, 2.0);
    EXPECT_DOUBLE_EQ(*update.left, 10.0 - 1.0 + 377.0 * 40 / 200);
    EXPECT_TRUE(update.show);
    EXPECT_EQ(update.endButton, ButtonChange::Enable);
    EXPECT_EQ(update.saveButton, ButtonChange::Disable);
}

TEST(CutPoints, NewStartAfterARangeKeepsSaveAndTheOldEnd) {
    CutPoints points;
    points.StartPoint(Bar(50));
    points.EndPoint(Bar(150));
    auto update = points.StartPoint(Bar(170));
    EXPECT_EQ(points.CutStart(), 170);
    EXPECT_EQ(points.CutEnd(), 150);
    EXPECT_EQ(update.saveButton, ButtonChange::Keep);
}

TEST(CutPoints, PointsSurviveAnotherMediaScale) {
    // Opening another file does not reset the points; the next Start Point overwrites CutStart.
    CutPoints points;
    points.StartPoint(Bar(50));
    points.EndPoint(Bar(150));
    auto update = points.StartPoint(Bar(5, 10));
    EXPECT_EQ(points.CutStart(), 5);
    EXPECT_EQ(points.CutEnd(), 150);
    ASSERT_TRUE(update.left);
    EXPECT_DOUBLE_EQ(*update.left, 10.0 - 1.0 + 377.0 * 5 / 10);
}

TEST(CutPoints, TheEnginePositionsFollowThePointsForPlayableClips) {
    CutPoints points;
    EXPECT_FALSE(points.Marks()) << "nothing marked yet";
    auto at = [](std::int32_t value, std::optional<double> seconds) {
        SeekBarPlacement bar = Bar(value);
        bar.mediaSeconds = seconds;
        return bar;
    };
    points.StartPoint(at(50, 49.62));
    points.EndPoint(at(150, 150.37));
    ASSERT_TRUE(points.Marks());
    EXPECT_DOUBLE_EQ(points.Marks()->start, 49.62);
    EXPECT_DOUBLE_EQ(points.Marks()->end, 150.37);
    // An end before the start moves the start there too, fraction and all.
    points.EndPoint(at(20, 20.4));
    EXPECT_DOUBLE_EQ(points.Marks()->start, 20.4);
    EXPECT_DOUBLE_EQ(points.Marks()->end, 20.4);
    // A mark taken without media leaves nothing to cut a playable clip at.
    points.StartPoint(at(10, std::nullopt));
    EXPECT_FALSE(points.Marks());
}
