// The main window's layout pass as geometry, the caption-strip zones, the menu-item states
// and the panel auto-show rule.
#include "ui/chrome/Layout.h"

#include <gtest/gtest.h>

namespace klevotrim {
namespace {

LayoutInput Input(int w, int h, WindowState state = WindowState::Normal) {
    LayoutInput in;
    in.innerWidth = w;
    in.innerHeight = h;
    in.state = state;
    in.buttonWidths = {50, 40, 40, 40, 60, 60, 50};
    return in;
}

TEST(LayoutNormal, MinimumSizeGivesTheDocumentedAreas) {
    const LayoutResult r = ComputeLayout(Input(480, 360));
    EXPECT_EQ(r.pic, (LayoutRect{0, 18, 480, 275}));
    EXPECT_EQ(r.picPanel, (LayoutRect{0, 297, 480, 59}));
    EXPECT_EQ(r.pos, (LayoutRect{83, 42, 395, 10}));
    EXPECT_EQ(r.picButton, (LayoutRect{438, 0, 41, 18}));
    EXPECT_TRUE(r.picButtonVisible);
    EXPECT_FALSE(r.isFullScreen);
    EXPECT_TRUE(r.roundRegion);
    EXPECT_EQ(r.roundEllipse, 10);
    // The logo is centred without rounding.
    EXPECT_DOUBLE_EQ(r.imgLeft, 135.5);
    EXPECT_DOUBLE_EQ(r.imgTop, 33.0);
    EXPECT_EQ(r.imgWidth, 209);
}

TEST(LayoutNormal, TitleStripStretchesASliceThenCopiesTheLeftPart) {
    const LayoutResult r = ComputeLayout(Input(591, 471));
    ASSERT_TRUE(r.paintTitle);
    EXPECT_EQ(r.titleStretch.source, (LayoutRect{130, 0, 20, 18}));
    EXPECT_EQ(r.titleStretch.dest, (LayoutRect{125, 0, 466, 18}));
    EXPECT_EQ(r.titleCopy.source, (LayoutRect{0, 0, 130, 18}));
    EXPECT_EQ(r.titleCopy.dest, (LayoutRect{0, 0, 130, 18}));
    // The video area ends 4 pixels above the panel, which ends 4 pixels above the bottom.
    EXPECT_EQ(r.pic.top + r.pic.height + 4, r.picPanel.top);
    EXPECT_EQ(r.picPanel.top + r.picPanel.height + 4, 471);
}

TEST(LayoutPanel, SkinShowsNaturalSizeAndTheStretchedStripFillsTheRest) {
    for (int w : {480, 715, 1280}) {
        SCOPED_TRACE(w);
        const LayoutResult r = ComputeLayout(Input(w, 600, WindowState::Maximized));
        EXPECT_EQ(r.panelStretch.source, (LayoutRect{450, 0, 10, 59}));
        EXPECT_EQ(r.panelStretch.dest, (LayoutRect{0, 0, w, 59}));
        EXPECT_EQ(r.panelCopy.source, (LayoutRect{0, 0, 715, 59}));
        EXPECT_EQ(r.panelCopy.dest, (LayoutRect{0, 0, 715, 59}));
    }
}

TEST(LayoutPanel, ButtonsFollowEachOtherSixPixelsApart) {
    const LayoutResult r = ComputeLayout(Input(591, 471));
    const int lefts[] = {9, 65, 111, 157, 203, 269, 335};
    for (int i = 0; i < kButtonCount; ++i) {
        EXPECT_EQ(r.buttons[static_cast<std::size_t>(i)].left, lefts[i]) << i;
        EXPECT_EQ(r.buttons[static_cast<std::size_t>(i)].top, 6) << i;
    }
    EXPECT_EQ(r.buttons[6].width, 50);
}

TEST(LayoutPanel, DisplayIsRightAlignedWithItsLabels) {
    const LayoutResult r = ComputeLayout(Input(480, 360));
    EXPECT_EQ(r.picDisplay, (LayoutRect{352, 0, 125, 34}));
    EXPECT_EQ(r.lblName, (LayoutRect{2, 2, 121, 0}));
    EXPECT_EQ(r.lblTime.left, 2);
    EXPECT_EQ(r.lblTime.top, 20);
}

TEST(LayoutMaximized, VideoFillsTheWindowAndThePanelLiesOverItsBottom) {
    const LayoutResult r = ComputeLayout(Input(1280, 800, WindowState::Maximized));
    EXPECT_TRUE(r.isFullScreen);
    EXPECT_FALSE(r.roundRegion);
    EXPECT_FALSE(r.picButtonVisible);
    EXPECT_FALSE(r.paintTitle);
    EXPECT_EQ(r.pic, (LayoutRect{0, 0, 1280, 800}));
    EXPECT_EQ(r.picPanel, (LayoutRect{0, 741, 1280, 59}));
    EXPECT_EQ(r.pos.width, 1195);
    EXPECT_EQ(r.picDisplay.left, 1152);
    EXPECT_DOUBLE_EQ(r.imgTop, 295.5);
}

TEST(LayoutMinimized, EmptyInnerAreaGivesNoNegativeSizes) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{-8, -30}, std::pair{60, 20}}) {
        for (auto state : {WindowState::Minimized, WindowState::Normal}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " state " << static_cast<int>(state));
            const LayoutResult r = ComputeLayout(Input(w, h, state));
            for (const LayoutRect& rect : {r.pic, r.picPanel, r.picDisplay, r.lblName, r.pos,
                                           r.titleStretch.dest, r.panelStretch.dest}) {
                EXPECT_GE(rect.width, 0);
                EXPECT_GE(rect.height, 0);
            }
            if (state == WindowState::Minimized) {
                EXPECT_TRUE(r.isFullScreen); // only the normal state has the framed layout
            }
        }
    }
    EXPECT_TRUE(ComputeLayout(Input(60, 20)).titleStretch.Empty());
}

TEST(LayoutColors, SeekBarGetsGreyBlackTrackAndBlueFill) {
    const auto c = SeekBarColors();
    const std::uint32_t grey = 0x00515151, light = 0x00FBE26E, blue = 0x00D98F3C;
    EXPECT_EQ(c[0], grey);
    EXPECT_EQ(c[6], grey);
    for (int i : {1, 2, 3, 4, 5, 7})
        EXPECT_EQ(c[static_cast<std::size_t>(i)], 0u) << i;
    EXPECT_EQ(c[8], light);
    EXPECT_EQ(c[14], light);
    for (int i : {9, 10, 11, 12, 13, 15, 16})
        EXPECT_EQ(c[static_cast<std::size_t>(i)], blue) << i;
}

TEST(CaptionStrip, MoveHighlightsTheZoneAndBoundariesShowNormal) {
    EXPECT_EQ(CaptionMoveImage(0), kCaptionMinHover);
    EXPECT_EQ(CaptionMoveImage(194), kCaptionMinHover);
    EXPECT_EQ(CaptionMoveImage(195), kCaptionNormal);
    EXPECT_EQ(CaptionMoveImage(196), kCaptionFullHover);
    EXPECT_EQ(CaptionMoveImage(389), kCaptionFullHover);
    EXPECT_EQ(CaptionMoveImage(390), kCaptionNormal);
    EXPECT_EQ(CaptionMoveImage(391), kCaptionCloseHover);
    EXPECT_EQ(CaptionMoveImage(40 * 15), kCaptionCloseHover);
}

TEST(CaptionStrip, LeftPressRunsTheZonesCommandButNotOnABoundary) {
    auto press = [](int pixel) { return CaptionLeftPress(pixel * 15); };
    EXPECT_EQ(press(12).image, kCaptionMinDown);
    EXPECT_EQ(press(12).command, CaptionCommand::Minimize);
    EXPECT_EQ(press(13).image, kCaptionNormal);
    EXPECT_EQ(press(13).command, CaptionCommand::None);
    EXPECT_EQ(press(20).image, kCaptionFullDown);
    EXPECT_EQ(press(20).command, CaptionCommand::FullScreen);
    EXPECT_EQ(press(26).command, CaptionCommand::None);
    EXPECT_EQ(press(27).image, kCaptionCloseDown);
    EXPECT_EQ(press(27).command, CaptionCommand::Exit);
}

TEST(MenuItemStates, FollowTheButtonsAndFlagsAndSizesOnlyWhenNotMaximized) {
    MenuInput in;
    in.pauseEnabled = true;
    in.saveEnabled = true;
    in.alwaysOnTop = true;
    MenuStates s = ComputeMenuStates(in);
    EXPECT_FALSE(s.stop);
    EXPECT_TRUE(s.pause);
    EXPECT_FALSE(s.startPoint);
    EXPECT_FALSE(s.endPoint);
    EXPECT_TRUE(s.saveClip);
    EXPECT_TRUE(s.alwaysOnTopChecked);
    EXPECT_FALSE(s.fullscreenChecked);
    EXPECT_TRUE(s.sizesEnabled);

    in.maximized = true;
    in.isFullScreen = true;
    s = ComputeMenuStates(in);
    EXPECT_FALSE(s.sizesEnabled);
    EXPECT_TRUE(s.fullscreenChecked);
}

TEST(PanelAutoShow, MaximizedShowsOnlyWithin80PixelsOfTheBottom) {
    EXPECT_TRUE(PanelVisibleForMove(WindowState::Maximized, 800, 721));
    EXPECT_FALSE(PanelVisibleForMove(WindowState::Maximized, 800, 720));
    EXPECT_FALSE(PanelVisibleForMove(WindowState::Maximized, 800, 0));
    EXPECT_TRUE(PanelVisibleForMove(WindowState::Normal, 800, 0));
    EXPECT_TRUE(PanelVisibleForMove(WindowState::Minimized, 0, 5));
}

} // namespace
} // namespace klevotrim
