// Where presses start resizes, which pointer moves show and what moves do, for a window of
// 480 x 360 pixels (7200 x 5400 twips). Positions are given in pixels and turned into twips.
#include "ui/chrome/ResizeZones.h"

#include <gtest/gtest.h>

namespace klevotrim {
namespace {

constexpr int kW = 480 * 15, kH = 360 * 15;
constexpr int T(int pixels) {
    return pixels * 15;
}
constexpr int kLeft = 1;

ResizeFlags Press(int px, int py) {
    return PressFlags(T(px), T(py), kW, kH, {});
}

TEST(ResizePress, OnePixelInsideTheCornerSetsCornerAndRightEdgeAndResizesWidthOnly) {
    const ResizeFlags f = Press(479, 359);
    EXPECT_EQ(f, (ResizeFlags{true, false, true}));
    const ResizeStep step = MoveStep(T(520), T(400), f, kLeft);
    EXPECT_EQ(step.kind, ResizeStep::Width);
    EXPECT_EQ(step.widthTwips, T(520) + 35);
    EXPECT_EQ(TwipsToPixels(step.widthTwips), 522);
}

TEST(ResizePress, EdgeZonesAreTheLastTwoPixels) {
    EXPECT_TRUE(Press(478, 100).right);
    EXPECT_FALSE(Press(477, 100).right);
    EXPECT_TRUE(Press(200, 358).bottom);
    EXPECT_FALSE(Press(200, 357).bottom); // 3 pixels above the bottom edge
    EXPECT_FALSE(Press(200, 356).Any());
}

TEST(ResizePress, ThreeAboveTheBottomSetsCornerOnlyInTheLastFiveColumns) {
    EXPECT_EQ(Press(475, 357), (ResizeFlags{false, false, true}));
    EXPECT_EQ(Press(474, 357), (ResizeFlags{}));
    EXPECT_EQ(Press(475, 355), (ResizeFlags{false, false, true}));
    EXPECT_EQ(Press(475, 354), (ResizeFlags{}));
    // No flag: a move with the left button drags the window instead.
    EXPECT_EQ(MoveStep(T(300), T(200), Press(474, 357), kLeft).kind, ResizeStep::Drag);
    EXPECT_EQ(MoveStep(T(300), T(200), Press(474, 357), 0).kind, ResizeStep::None);
}

TEST(ResizePress, BothDimensionsFollowOnlyFromTheInnerCornerZone) {
    const ResizeFlags f = Press(476, 356); // 3 to 5 pixels from both edges
    EXPECT_EQ(f, (ResizeFlags{false, false, true}));
    const ResizeStep step = MoveStep(T(600), T(450), f, kLeft);
    EXPECT_EQ(step.kind, ResizeStep::Both);
    EXPECT_EQ(TwipsToPixels(step.widthTwips), 601);
    EXPECT_EQ(TwipsToPixels(step.heightTwips), 451);

    const ResizeFlags lastRows = Press(476, 359); // corner zone on the last 2 rows
    EXPECT_EQ(lastRows, (ResizeFlags{false, true, true}));
    const ResizeStep heightOnly = MoveStep(T(600), T(450), lastRows, kLeft);
    EXPECT_EQ(heightOnly.kind, ResizeStep::Height);
    EXPECT_EQ(heightOnly.heightTwips, T(450) + 15);
}

TEST(ResizePress, FlagsAccumulateUntilCleared) {
    ResizeFlags f = PressFlags(T(479), T(100), kW, kH, {});
    f = PressFlags(T(100), T(359), kW, kH, f);
    EXPECT_EQ(f, (ResizeFlags{true, true, false}));
}

TEST(ResizeMove, StopsWithin300TwipsOfTheLeftOrTopEdgeAndDragsInstead) {
    const ResizeFlags right{true, false, false}, bottom{false, true, false}, corner{false, false, true};
    EXPECT_EQ(MoveStep(299, 1000, right, kLeft).kind, ResizeStep::Drag);
    EXPECT_EQ(MoveStep(300, 1000, right, kLeft).kind, ResizeStep::Width);
    EXPECT_EQ(MoveStep(1000, 299, bottom, 0).kind, ResizeStep::None);
    EXPECT_EQ(MoveStep(1000, 300, bottom, 0).kind, ResizeStep::Height);
    EXPECT_EQ(MoveStep(1000, 299, corner, kLeft).kind, ResizeStep::Drag);
    EXPECT_EQ(MoveStep(299, 1000, corner, kLeft).kind, ResizeStep::Drag);
    EXPECT_EQ(MoveStep(300, 300, corner, 0).kind, ResizeStep::Both);
    // The left button is bit 0 of the button state, whatever else is held.
    EXPECT_EQ(MoveStep(10, 10, {}, 0x0001 | 0x0004).kind, ResizeStep::Drag);
    EXPECT_EQ(MoveStep(10, 10, {}, 0x0002).kind, ResizeStep::None);
}

TEST(ResizePointerZones, EdgesAndCornerShowTheirArrowsWithoutFlags) {
    const auto at = [](int px, int py) {
        return MovePointer(T(px), T(py), kW, kH, {}, ResizePointer::SizeNS);
    };
    EXPECT_EQ(at(200, 200), ResizePointer::Default);
    EXPECT_EQ(at(477, 200), ResizePointer::SizeWE); // last 3 columns
    EXPECT_EQ(at(476, 200), ResizePointer::Default);
    EXPECT_EQ(at(200, 357), ResizePointer::SizeNS); // last 3 rows
    EXPECT_EQ(at(200, 356), ResizePointer::Default);
    EXPECT_EQ(at(472, 353), ResizePointer::SizeNWSE); // last 8 columns with the last 7 rows
    EXPECT_EQ(at(471, 353), ResizePointer::Default);
    EXPECT_EQ(at(472, 352), ResizePointer::Default);
    EXPECT_EQ(at(479, 359), ResizePointer::SizeNWSE);
}

TEST(ResizePointerZones, FlagsPickTheArrowOfTheResizeInProgress) {
    const ResizeFlags right{true, false, true}, bottom{false, true, false}, corner{false, false, true};
    EXPECT_EQ(MovePointer(T(520), T(400), kW, kH, right, ResizePointer::Default), ResizePointer::Default);
    EXPECT_EQ(MovePointer(T(520), T(400), kW, kH, {true, false, false}, ResizePointer::Default),
              ResizePointer::SizeWE);
    EXPECT_EQ(MovePointer(T(500), T(400), kW, kH, bottom, ResizePointer::Default), ResizePointer::SizeNS);
    EXPECT_EQ(MovePointer(T(500), T(400), kW, kH, corner, ResizePointer::Default), ResizePointer::SizeNWSE);
    // A move away from every zone keeps the pointer of a resize in progress.
    EXPECT_EQ(MovePointer(T(100), T(100), kW, kH, corner, ResizePointer::SizeNWSE), ResizePointer::SizeNWSE);
}

TEST(ResizeUnits, TwipsRoundToTheNearestPixel) {
    EXPECT_EQ(TwipsToPixels(0), 0);
    EXPECT_EQ(TwipsToPixels(7), 0);
    EXPECT_EQ(TwipsToPixels(8), 1);
    EXPECT_EQ(TwipsToPixels(37), 2);
    EXPECT_EQ(TwipsToPixels(38), 3);
    EXPECT_EQ(TwipsToPixels(8865), 591);
}

} // namespace
} // namespace klevotrim
