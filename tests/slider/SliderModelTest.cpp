#include "controls/slider/SliderModel.h"

#include <gtest/gtest.h>

namespace klevotrim {
namespace {

// The default skin: a 234-pixel track and a 26-pixel thumb, so R = 208.
SliderModel DefaultSlider() {
    SliderModel model;
    model.SetSizes(234, 9, 26);
    model.SetEnabledFlag(true);
    return model;
}

// Puts the thumb's left edge at `left` the way a user does: a left drag centred on it.
void DragThumbTo(SliderModel& model, double left) {
    model.MouseMove(kLeftButton, left + model.ThumbWidth() / 2, 4, true);
}

TEST(SliderOnlyNumber, ReadsTheDigitsInOrderAndSkipsTheRest) {
    EXPECT_EQ(OnlyNumber(L"a1b2c3"), 123);
    EXPECT_EQ(OnlyNumber(L""), 0);
    EXPECT_EQ(OnlyNumber(L"no digits at all"), 0);
    EXPECT_EQ(OnlyNumber(L"-42"), 42);
    EXPECT_EQ(OnlyNumber(L"3.75"), 375);
    EXPECT_EQ(OnlyNumber(L"\u0661\u0662x7"), 7); // digits of other scripts are not 0-9
}

TEST(SliderOnlyNumber, ReportsOverflowBeyond32Bits) {
    EXPECT_EQ(OnlyNumber(L"2147483647"), 2147483647);
    EXPECT_FALSE(OnlyNumber(L"2147483648").has_value());
    EXPECT_FALSE(OnlyNumber(L"tel. 0049 170 1234 5678 9").has_value());
    EXPECT_FALSE(OnlyNumber(std::wstring(400, L'9')).has_value());
    // Leading zeros add no magnitude.
    EXPECT_EQ(OnlyNumber(L"00000000000000000000012"), 12);
}

TEST(SliderValue, ReadsInProportionToTheThumbPosition) {
    SliderModel model = DefaultSlider();
    EXPECT_EQ(model.Travel(), 208);
    DragThumbTo(model, 104);
    EXPECT_EQ(model.Value(), 5);
    DragThumbTo(model, 0);
    EXPECT_EQ(model.Value(), 0);
    ASSERT_TRUE(model.SetMax(1000000));
    EXPECT_EQ(model.Value(), 0);
    DragThumbTo(model, 208);
    EXPECT_EQ(model.Value(), 1000000);
}

TEST(SliderValue, RoundsHalvesToEven) {
    SliderModel model = DefaultSlider();
    DragThumbTo(model, 52); // 10 * 52 / 208 = 2.5
    EXPECT_EQ(model.Value(), 2);
    DragThumbTo(model, 72.8); // 3.5
    EXPECT_EQ(model.Value(), 4);
    DragThumbTo(model, 73); // 3.509...
    EXPECT_EQ(model.Value(), 4);
}

TEST(SliderValue, AssignmentsAreClampedToTheTrack) {
    SliderModel model = DefaultSlider();
    model.SetValue(-5);
    EXPECT_EQ(model.ThumbLeft(), 0);
    EXPECT_EQ(model.Value(), 0);
    model.SetValue(11); // Max + 1
    EXPECT_EQ(model.ThumbLeft(), 208);
    EXPECT_EQ(model.Value(), 10);
    model.SetValue(1e12); // far beyond 32 bits is still just beyond Max
    EXPECT_EQ(model.ThumbLeft(), 208);
    model.SetValue(2.5);
    EXPECT_DOUBLE_EQ(model.ThumbLeft(), 52);
    model.SetValue(7);
    EXPECT_DOUBLE_EQ(model.ThumbLeft(), 208 * 0.7);
    EXPECT_EQ(model.Value(), 7);
}

TEST(SliderValue, EveryValueRoundTripsThroughThePosition) {
    for (double max : {1.0, 3.0, 10.0, 59.0, 208.0, 3600.0, 86399.0}) {
        SliderModel model = DefaultSlider();
        ASSERT_TRUE(model.SetMax(max));
        for (int value = 0; value <= static_cast<int>(max); value += (max > 500 ? 97 : 1)) {
            model.SetValue(value);
            ASSERT_EQ(model.Value(), value) << "max " << max;
        }
    }
}

TEST(SliderMax, IsNeverBelowOneAndRefusesOverflow) {
    SliderModel model = DefaultSlider();
    EXPECT_EQ(model.Max(), 10);
    ASSERT_TRUE(model.SetMax(0));
    EXPECT_EQ(model.Max(), 1);
    ASSERT_TRUE(model.SetMax(-7));
    EXPECT_EQ(model.Max(), 1);
    ASSERT_TRUE(model.SetMax(24.5)); // stored as given, read rounded halves to even
    EXPECT_EQ(model.StoredMax(), 24.5);
    EXPECT_EQ(model.Max(), 24);
    EXPECT_FALSE(model.SetMax(3e9));
    EXPECT_EQ(model.Max(), 24);
}

TEST(SliderMax, ChangingItLeavesTheThumbAndRescalesTheValue) {
    SliderModel model = DefaultSlider();
    model.SetValue(5);
    ASSERT_TRUE(model.SetMax(20));
    EXPECT_EQ(model.ThumbLeft(), 104);
    EXPECT_EQ(model.Value(), 10);
    ASSERT_TRUE(model.SetMax(1));
    EXPECT_EQ(model.Value(), 0); // 0.5 rounds to even
}

TEST(SliderDrag, KeepsTheThumbOnTheTrackAndCentredOnThePointer) {
    SliderModel model = DefaultSlider();
    MouseMoveOutcome outcome = model.MouseMove(kLeftButton, 50, 4, true);
    EXPECT_TRUE(outcome.raiseChange);
    EXPECT_EQ(model.ThumbLeft(), 37);
    outcome = model.MouseMove(kLeftButton, 5000, -300, true);
    EXPECT_TRUE(outcome.raiseChange);
    EXPECT_EQ(model.ThumbLeft(), 208);
    EXPECT_EQ(model.Value(), 10);
    // Change is raised again at the end even though nothing moved.
    outcome = model.MouseMove(kLeftButton, 6000, 0, true);
    EXPECT_TRUE(outcome.raiseChange);
    EXPECT_FALSE(outcome.redraw);
    outcome = model.MouseMove(kLeftButton, -40, 20, true);
    EXPECT_EQ(model.ThumbLeft(), 0);
    EXPECT_EQ(model.Value(), 0);
    EXPECT_EQ(outcome.capture, CaptureAction::Keep);
}

TEST(SliderHover, TakesTheCaptureInsideAndReleasesItOutside) {
    SliderModel model = DefaultSlider();
    model.SetValue(1);
    MouseMoveOutcome outcome = model.MouseMove(0, 100, 4, false);
    EXPECT_EQ(outcome.capture, CaptureAction::Take);
    EXPECT_EQ(model.Look(), ThumbLook::Hover);
    EXPECT_TRUE(model.Hovering());
    // Already holding the capture: nothing more to do.
    outcome = model.MouseMove(0, 120, 4, true);
    EXPECT_EQ(outcome.capture, CaptureAction::Keep);
    EXPECT_FALSE(outcome.raiseChange);
    // The edges belong to the control.
    EXPECT_EQ(model.MouseMove(0, 234, 9, true).capture, CaptureAction::Keep);
    EXPECT_EQ(model.MouseMove(0, 0, 0, true).capture, CaptureAction::Keep);
    outcome = model.MouseMove(0, 235, 4, true);
    EXPECT_EQ(outcome.capture, CaptureAction::Release);
    EXPECT_EQ(model.Look(), ThumbLook::Normal);
    EXPECT_FALSE(model.Hovering());
    EXPECT_EQ(model.MouseMove(0, 10, -1, false).capture, CaptureAction::Release);
    // Back in: hover again. A right button held is not a drag.
    EXPECT_EQ(model.MouseMove(kRightButton, 10, 4, false).capture, CaptureAction::Take);
    EXPECT_EQ(model.Look(), ThumbLook::Hover);
    EXPECT_EQ(model.ThumbLeft(), model.Travel() / 10); // not moved by the right button
}

TEST(SliderHover, SurvivesARefreshAndEndsWhenTheCaptureIsLost) {
    SliderModel model = DefaultSlider();
    model.MouseMove(0, 100, 4, false);
    model.SetValue(3);
    EXPECT_EQ(model.Look(), ThumbLook::Hover);
    EXPECT_TRUE(model.CaptureLost());
    EXPECT_EQ(model.Look(), ThumbLook::Normal);
    EXPECT_FALSE(model.CaptureLost());
}

TEST(SliderDisabled, ParksTheThumbAndIgnoresTheMouse) {
    SliderModel model = DefaultSlider();
    model.SetValue(8);
    model.MouseMove(0, 100, 4, false);
    model.SetEnabledFlag(false);
    model.Refresh();
    EXPECT_EQ(model.Look(), ThumbLook::Inactive);
    EXPECT_EQ(model.ThumbLeft(), 0);
    EXPECT_EQ(model.Value(), 0);
    EXPECT_FALSE(model.Hovering());
    MouseMoveOutcome outcome = model.MouseMove(kLeftButton, 150, 4, true);
    EXPECT_FALSE(outcome.raiseChange);
    EXPECT_EQ(outcome.capture, CaptureAction::Keep);
    EXPECT_EQ(model.MouseMove(0, 100, 4, false).capture, CaptureAction::Keep);
    EXPECT_EQ(model.Look(), ThumbLook::Inactive);
    // A value assigned while disabled is not kept either.
    model.SetValue(6);
    EXPECT_EQ(model.ThumbLeft(), 0);
    // Enabling again does not bring the old position back.
    model.SetEnabledFlag(true);
    model.Refresh();
    EXPECT_EQ(model.Look(), ThumbLook::Normal);
    EXPECT_EQ(model.Value(), 0);
}

TEST(SliderGeometry, OddPictureSizesKeepTheThumbOnTheTrack) {
    SliderModel model = DefaultSlider();
    model.SetValue(10);
    // A shorter track picture pulls the thumb back onto it.
    model.SetSizes(100, 9, 26);
    model.Refresh();
    EXPECT_EQ(model.ThumbLeft(), 74);
    EXPECT_EQ(model.Value(), 10);
    // A thumb wider than the track has nowhere to go.
    model.SetSizes(20, 9, 26);
    model.Refresh();
    EXPECT_EQ(model.Travel(), 0);
    EXPECT_EQ(model.ThumbLeft(), 0);
    EXPECT_EQ(model.Value(), 0);
    model.SetValue(5);
    EXPECT_EQ(model.Value(), 0);
    model.MouseMove(kLeftButton, 15, 4, true);
    EXPECT_EQ(model.ThumbLeft(), 0);
    EXPECT_EQ(model.PositionToValue(3), std::nullopt);
}

} // namespace
} // namespace klevotrim
