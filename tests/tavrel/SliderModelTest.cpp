// The seek bar's value model and drawing arithmetic.
#include "tavrel/FontFace.h"
#include "tavrel/SliderModel.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace klevotrim::tavrel;

TEST(SliderMax, ValuesRoundingBelowOneBecomeOne) {
    EXPECT_TRUE(MaxNeedsMinimum(0));
    EXPECT_TRUE(MaxNeedsMinimum(-3));
    EXPECT_TRUE(MaxNeedsMinimum(0.4));
    EXPECT_TRUE(MaxNeedsMinimum(0.5)); // halves to even: 0
    EXPECT_FALSE(MaxNeedsMinimum(0.6));
    EXPECT_FALSE(MaxNeedsMinimum(1));
    EXPECT_FALSE(MaxNeedsMinimum(2.5));
}

TEST(SliderMax, ReadsRoundedHalvesToEvenAndFailsOnOverflow) {
    EXPECT_EQ(ReadMax(2.5), 2);
    EXPECT_EQ(ReadMax(3.5), 4);
    EXPECT_EQ(ReadMax(3600), 3600);
    EXPECT_FALSE(ReadMax(1e12).has_value());
}

TEST(SliderValue, AssignmentPinsAtBothEnds) {
    const int w = 377;
    EXPECT_FLOAT_EQ(*MarkerForValue(-5, 100, w), 0.0f);
    EXPECT_FLOAT_EQ(*MarkerForValue(0, 100, w), 0.0f);
    EXPECT_FLOAT_EQ(*MarkerForValue(110, 100, w), static_cast<float>(w));
    EXPECT_FLOAT_EQ(*MarkerForValue(1e20, 100, w),
                    static_cast<float>(w)); // too big for 32 bits: still pinned
    // Max + 0.4 rounds to Max: not clamped, so the marker sits just right of W.
    EXPECT_GT(*MarkerForValue(100.4, 100, w), static_cast<float>(w));
    EXPECT_EQ(PositionToValue(*MarkerForValue(100.4, 100, w), w, 100), 100);
}

TEST(SliderValue, ReadsBackWhatWasAssigned) {
    EXPECT_FLOAT_EQ(*MarkerForValue(50, 100, 377), 188.5f);
    EXPECT_EQ(PositionToValue(188.5f, 377, 100), 50);
    EXPECT_EQ(PositionToValue(*MarkerForValue(1000, 3600, 377), 377, 3600), 1000);
    for (int v = 0; v <= 3600; v += 7)
        EXPECT_EQ(PositionToValue(*MarkerForValue(v, 3600, 1000), 1000, 3600), v) << v;
}

TEST(SliderValue, MaxChangeRescalesTheSamePosition) {
    float marker = *MarkerForValue(50, 100, 377);
    EXPECT_EQ(PositionToValue(marker, 377, 200), 100);
}

TEST(SliderValue, ReadNeverFailsLoudly) {
    EXPECT_EQ(PositionToValue(0.0f, 0, 100), 0); // at 0 the width does not matter
    EXPECT_EQ(PositionToValue(-3.0f, 377, 100), 0);
    EXPECT_FALSE(PositionToValue(10.0f, 0, 100)); // zero width right of 0: no value
    EXPECT_FALSE(PositionToValue(10.0f, 377, std::nullopt));
    EXPECT_FALSE(MarkerForValue(10, std::nullopt, 377));
    EXPECT_FALSE(MarkerForValue(std::nan(""), 100, 377));
}

TEST(SliderPointer, MarkerMovePinsAndRoundsHalvesToEven) {
    EXPECT_EQ(MarkerForPointer(-7, 377).marker, 0.0f);
    EXPECT_EQ(MarkerForPointer(377 + 30, 377).marker, 377.0f);
    EXPECT_EQ(MarkerForPointer(188.5, 377).marker, 188.0f);
    EXPECT_EQ(MarkerForPointer(189.5, 377).marker, 190.0f);
    EXPECT_EQ(MarkerForPointer(1e30, 377).paintX, 377);
    EXPECT_EQ(MarkerForPointer(-1e30, 377).paintX, 0);
    // 188 of 377 with Max 100 reads 49.87, rounded to 50.
    EXPECT_EQ(PositionToValue(MarkerForPointer(188.5, 377).marker, 377, 100), 50);
}

TEST(SliderDrawing, HalfHeightRoundsHalvesToEven) {
    EXPECT_EQ(HalfHeight(9), 4);
    EXPECT_EQ(HalfHeight(11), 6);
    EXPECT_EQ(HalfHeight(15), 8);
    EXPECT_EQ(HalfHeight(10), 5);
    EXPECT_EQ(HalfHeight(1), 0);
}

TEST(SliderDrawing, GreyOfTheTrackDefaults) {
    EXPECT_EQ(GreyOf(0x00C3BCAE), 0x00BABABAu);
    EXPECT_EQ(GreyOf(kDefaultColours[0]) & 0xFF, 186u);
    EXPECT_EQ(GreyOf(kDefaultColours[2]) & 0xFF, 171u);
    EXPECT_EQ(GreyOf(kDefaultColours[4]) & 0xFF, 163u);
    EXPECT_EQ(GreyOf(kDefaultColours[6]) & 0xFF, 143u);
    EXPECT_EQ(GreyOf(0), 0u);
    EXPECT_EQ(GreyOf(0x00FFFFFF), 0x00FFFFFFu);
    // A system colour (high bit set) still yields a valid grey.
    const auto grey = GreyOf(0x8000000F);
    EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
    EXPECT_LE(grey, 0x00FFFFFFu);
}

TEST(SliderDrawing, VertexChannelsAreBytesTimes256) {
    const Channels16 c = ToVertexChannels(0xFFC3BCAE); // byte 3 ignored
    EXPECT_EQ(c.red, 0xAE00);
    EXPECT_EQ(c.green, 0xBC00);
    EXPECT_EQ(c.blue, 0xC300);
}

TEST(SliderMouse, RightButtonIsIgnoredEverywhere) {
    for (auto kind : {MouseKind::Down, MouseKind::Up, MouseKind::Move}) {
        MouseDecision d = DecideMouse(kind, 2, true);
        EXPECT_FALSE(d.askTip || d.moveMarker || d.raise);
    }
}

TEST(SliderMouse, LeftMovesThenRaisesMiddleOnlyRaises) {
    MouseDecision left = DecideMouse(MouseKind::Down, 1, true);
    EXPECT_TRUE(left.moveMarker && left.raise);
    MouseDecision middle = DecideMouse(MouseKind::Down, 4, true);
    EXPECT_FALSE(middle.moveMarker);
    EXPECT_TRUE(middle.raise);
    MouseDecision both = DecideMouse(MouseKind::Move, 3, true); // left and right held
    EXPECT_FALSE(both.moveMarker);
    EXPECT_TRUE(both.raise);
    EXPECT_FALSE(both.askTip);
}

TEST(SliderMouse, DisabledAsksForTipButRaisesNothing) {
    MouseDecision hover = DecideMouse(MouseKind::Move, 0, false);
    EXPECT_TRUE(hover.askTip);
    EXPECT_FALSE(hover.raise || hover.moveMarker);
    EXPECT_FALSE(DecideMouse(MouseKind::Down, 1, false).raise);
    EXPECT_FALSE(DecideMouse(MouseKind::Up, 1, false).raise);
    MouseDecision enabledHover = DecideMouse(MouseKind::Move, 0, true);
    EXPECT_TRUE(enabledHover.askTip && enabledHover.raise);
    EXPECT_FALSE(enabledHover.moveMarker);
}

TEST(SliderPersistence, KeysInReadingOrder) {
    EXPECT_EQ(kStoredKeys.front(), L"Color0");
    EXPECT_EQ(kStoredKeys[16], L"Color16");
    EXPECT_EQ(kStoredKeys[17], L"Font");
    EXPECT_EQ(kStoredKeys[23], L"Max");
    EXPECT_EQ(kStoredKeys[24], L"Value");
    EXPECT_EQ(kStoredKeys.back(), L"Enabled");
    EXPECT_EQ(ShiftBits(true, false, true), 5);
}

TEST(SliderKeys, EveryPressAndReleaseRaisesSystemKeysTooAndKeepsTheirSystemHandling) {
    EXPECT_EQ(DecideKey(KeyMessage::KeyDown).raise, KeyEvent::KeyDown);
    EXPECT_EQ(DecideKey(KeyMessage::KeyUp).raise, KeyEvent::KeyUp);
    EXPECT_EQ(DecideKey(KeyMessage::Char).raise, KeyEvent::KeyPress);
    EXPECT_FALSE(DecideKey(KeyMessage::KeyDown).systemHandling || DecideKey(KeyMessage::Char).systemHandling);
    // Alt+key and F10: the events, then Alt+F4 and the window menu still work.
    EXPECT_EQ(DecideKey(KeyMessage::SysKeyDown).raise, KeyEvent::KeyDown);
    EXPECT_EQ(DecideKey(KeyMessage::SysKeyUp).raise, KeyEvent::KeyUp);
    EXPECT_TRUE(DecideKey(KeyMessage::SysKeyDown).systemHandling &&
                DecideKey(KeyMessage::SysKeyUp).systemHandling);
    // An Alt+letter mnemonic is no typed character.
    EXPECT_EQ(DecideKey(KeyMessage::SysChar).raise, KeyEvent::None);
    EXPECT_TRUE(DecideKey(KeyMessage::SysChar).systemHandling);
}

TEST(SliderFont, EqualByEveryFieldWithTheNameInAnyCase) {
    const FontFace standard = ControlStandardFace();
    FontFace same = standard;
    same.name = L"ms sans SERIF";
    EXPECT_TRUE(SameFont(standard, same));
    EXPECT_FALSE(SameFont(standard, TipStandardFace()));
    auto differs = [&](auto change) {
        FontFace other = standard;
        change(other);
        return !SameFont(standard, other) && !SameFont(other, standard);
    };
    EXPECT_TRUE(differs([](FontFace& f) { f.name = L"MS Sans Serif "; }));
    EXPECT_TRUE(differs([](FontFace& f) { f.size = 82501; }));
    EXPECT_TRUE(differs([](FontFace& f) { f.weight = 700; }));
    EXPECT_TRUE(differs([](FontFace& f) { f.italic = true; }));
    EXPECT_TRUE(differs([](FontFace& f) { f.underline = true; }));
    EXPECT_TRUE(differs([](FontFace& f) { f.strikethrough = true; }));
    EXPECT_TRUE(differs([](FontFace& f) { f.charset = 0; }));
}
