// The tooltip's timing and acceptance rules, driven tick by tick.
#include "tavrel/TipMachine.h"

#include <gtest/gtest.h>

using namespace klevotrim::tavrel;

namespace {
constexpr std::uintptr_t kOwner = 0x100;
constexpr std::uintptr_t kOther = 0x200;

// A machine whose tip for kOwner / "Seek" is shown, pointer at (10, 10).
TipMachine Shown() {
    TipMachine m;
    m.Request(kOwner, L"Seek", {10, 10});
    m.TickWaitStart();
    m.TickWaitStart();
    return m;
}
} // namespace

TEST(TipRequest, IsShownOnTheSecondStartTick) {
    TipMachine m;
    TipEffects e = m.Request(kOwner, L"Seek", {5, 5});
    EXPECT_TRUE(e.accepted);
    EXPECT_FALSE(e.show);
    EXPECT_TRUE(m.WaitStartOn());
    EXPECT_TRUE(m.ProcessOn());
    EXPECT_FALSE(m.TickWaitStart().show);
    EXPECT_TRUE(m.TickWaitStart().show);
    EXPECT_TRUE(m.Visible());
    EXPECT_FALSE(m.WaitStartOn());
    EXPECT_TRUE(m.WaitEndOn());
}

TEST(TipRequest, EmptyTextChangesNothing) {
    TipMachine shown = Shown();
    TipEffects e = shown.Request(kOther, L"", {50, 50});
    EXPECT_FALSE(e.accepted || e.show || e.hide);
    EXPECT_TRUE(shown.Visible());
    EXPECT_EQ(shown.Owner(), kOwner);

    TipMachine pending;
    pending.Request(kOwner, L"Seek", {1, 1});
    pending.Request(kOwner, L"", {2, 2});
    pending.TickWaitStart();
    EXPECT_TRUE(pending.TickWaitStart().show); // the pending tip still comes
}

TEST(TipRequest, SameOwnerAndTextLeaveAVisibleTipInPlace) {
    TipMachine m = Shown();
    for (int x = 11; x < 40; ++x) {
        TipEffects e = m.Request(kOwner, L"Seek", {x, 10});
        EXPECT_FALSE(e.accepted);
        EXPECT_FALSE(e.show);
    }
    EXPECT_EQ(m.LastCursor(), (TipPoint{10, 10}));
}

TEST(TipRequest, PointerMattersUnlessTheSameTipIsShown) {
    TipMachine m = Shown();
    EXPECT_FALSE(m.DependsOnPointer(kOwner, L"Seek"));
    EXPECT_TRUE(m.DependsOnPointer(kOwner, L"Other"));
    EXPECT_TRUE(m.DependsOnPointer(kOther, L"Seek"));
    EXPECT_FALSE(m.DependsOnPointer(kOwner, L""));
    m.Hide();
    EXPECT_TRUE(m.DependsOnPointer(kOwner, L"Seek")); // hidden: a move shows it again
    // Wherever DependsOnPointer says no, every pointer position is refused.
    TipMachine shown = Shown();
    for (int x = -5; x < 5; ++x)
        EXPECT_FALSE(shown.Request(kOwner, L"Seek", {x, x * 7}).accepted);
}

TEST(TipRequest, AfterAutoHideAMoveShowsItAgainAfterTheDelay) {
    TipMachine m = Shown();
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(m.TickWaitEnd().hide);
    EXPECT_TRUE(m.TickWaitEnd().hide); // the eleventh tick
    EXPECT_FALSE(m.Visible());
    EXPECT_FALSE(m.Request(kOwner, L"Seek", {10, 10}).accepted); // no movement: nothing
    TipEffects e = m.Request(kOwner, L"Seek", {11, 10});
    EXPECT_TRUE(e.accepted);
    EXPECT_FALSE(e.show);
    m.TickWaitStart();
    EXPECT_TRUE(m.TickWaitStart().show);
}

TEST(TipRequest, NewTextOrOwnerWhileVisibleRedrawsAtOnce) {
    TipMachine m = Shown();
    m.TickWaitEnd();
    m.TickWaitEnd();
    TipEffects e = m.Request(kOwner, L"Other", {12, 12});
    EXPECT_TRUE(e.show);
    EXPECT_EQ(m.HideCounter(), 0); // display time starts again
    EXPECT_TRUE(m.Request(kOther, L"Other", {12, 12}).show);
    EXPECT_TRUE(m.Request(kOther, L"other", {12, 12}).show); // case-sensitive
}

TEST(TipWatch, PointerOffTheOwnerCancelsAPendingShow) {
    TipMachine m;
    m.Request(kOwner, L"Seek", {1, 1});
    m.TickWaitStart();
    TipEffects e = m.TickProcess(kOther);
    EXPECT_TRUE(e.hide);
    EXPECT_FALSE(m.WaitStartOn());
    EXPECT_FALSE(m.ProcessOn());
}

TEST(TipWatch, OnlyTheExactOwnerKeepsTheTip) {
    TipMachine m = Shown();
    EXPECT_FALSE(m.TickProcess(kOwner).hide);
    EXPECT_TRUE(m.Visible());
    EXPECT_TRUE(m.TickProcess(kOwner + 1).hide); // e.g. a child window of the owner
    EXPECT_FALSE(m.Visible());
    EXPECT_FALSE(m.WaitEndOn());
}

TEST(TipHide, LeavesAPendingShowRunning) {
    TipMachine m;
    m.Request(kOwner, L"Seek", {1, 1});
    m.Hide();
    EXPECT_TRUE(m.WaitStartOn());
    EXPECT_FALSE(m.ProcessOn());
    m.TickWaitStart();
    EXPECT_TRUE(m.TickWaitStart().show);
}

TEST(TipPlacement, ShortTextIsWidthPlusSixAtPointerOffset) {
    const auto right = TipTextRight(40, 300);
    EXPECT_EQ(right, 43);
    TipRect r = PlaceTip({100, 200}, right, 13, 1280 * 15);
    EXPECT_EQ(r.x, 101);
    EXPECT_EQ(r.y, 222);
    EXPECT_EQ(r.width, 46);
    EXPECT_EQ(r.height, 19);
}

TEST(TipPlacement, WideTextWrapsToMaxPlusNine) {
    const auto right = TipTextRight(800, 300);
    EXPECT_EQ(right, 306);
    EXPECT_EQ(PlaceTip({0, 0}, right, 30, 1280 * 15).width, 309);
    EXPECT_EQ(TipTextRight(300, 300), 303); // exactly the limit does not wrap
}

TEST(TipPlacement, RightEdgeOnlyIsAdjusted) {
    TipRect r = PlaceTip({1270, 790}, 43, 13, 1280 * 15);
    EXPECT_EQ(r.x + r.width, 1280);
    EXPECT_EQ(r.y, 812); // may pass the bottom edge
    TipRect left = PlaceTip({-50, 0}, 43, 13, 1280 * 15);
    EXPECT_EQ(left.x, -49); // no left-edge rule
}
