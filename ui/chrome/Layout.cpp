#include "ui/chrome/Layout.h"

#include <algorithm>

namespace klevotrim {

namespace {

int NonNegative(int value) {
    return std::max(value, 0);
}

constexpr int kTitleHeight = 18;     // title strip above the video area in the normal layout
constexpr int kNormalPicMargin = 85; // title strip 18 + gap 4 + panel 59 + bottom margin 4
constexpr int kPanelMargin = 4;      // black strip below the panel in the normal layout

// Title-strip slices of the skin: the left 130 pixels as they are, a 20-pixel slice at
// x = 130 stretched from x = 125 to the right edge.
constexpr int kTitleFixedWidth = 130, kTitleSliceX = 130, kTitleSliceWidth = 20, kTitleStretchFrom = 125;
// Panel skin: the 10-pixel strip at x = 450 stretched over the panel, then the whole image.
constexpr int kPanelSliceX = 450, kPanelSliceWidth = 10;

constexpr int kButtonLeft = 9, kButtonTop = 6, kButtonGap = 6;
constexpr int kDisplayRightMargin = 3;
constexpr int kPosLeft = 83, kPosTop = 42, kPosRightMargin = 2, kPosHeight = 10;

} // namespace

LayoutResult ComputeLayout(const LayoutInput& in) {
    LayoutResult out;
    const int w = NonNegative(in.innerWidth);
    const int h = NonNegative(in.innerHeight);
    const int panelHeight = in.panelSkinHeight;

    out.picButton = {w - in.captionWidth - 1, 0, in.captionWidth, in.captionHeight};
    if (in.state == WindowState::Normal) {
        out.pic = {0, kTitleHeight, w, NonNegative(h - kNormalPicMargin)};
        out.picPanel = {0, h - panelHeight - kPanelMargin, w, panelHeight};
        out.picButtonVisible = true;
        out.paintTitle = true;
        out.titleStretch = {{kTitleSliceX, 0, kTitleSliceWidth, in.titleSkinHeight},
                            {kTitleStretchFrom, 0, NonNegative(w - kTitleStretchFrom), in.titleSkinHeight}};
        out.titleCopy = {{0, 0, kTitleFixedWidth, in.titleSkinHeight},
                         {0, 0, kTitleFixedWidth, in.titleSkinHeight}};
        out.roundRegion = true;
        out.isFullScreen = false;
    } else {
        // Maximized, and minimized too: only the normal state has the framed layout.
        out.isFullScreen = true;
        out.roundRegion = false;
        out.pic = {0, 0, w, h};
        out.picPanel = {0, h - panelHeight, w, panelHeight};
        out.picButtonVisible = false;
        out.paintTitle = false;
    }

    out.imgWidth = in.logoWidth;
    out.imgHeight = in.logoHeight;
    out.imgLeft = (out.pic.width - in.logoWidth) / 2.0;
    out.imgTop = (out.pic.height - in.logoHeight) / 2.0;

    const int panelWidth = out.picPanel.width;
    out.panelStretch = {{kPanelSliceX, 0, kPanelSliceWidth, panelHeight}, {0, 0, panelWidth, panelHeight}};
    out.panelCopy = {{0, 0, in.panelSkinWidth, panelHeight}, {0, 0, in.panelSkinWidth, panelHeight}};

    int left = kButtonLeft;
    for (int i = 0; i < kButtonCount; ++i) {
        const int width = NonNegative(in.buttonWidths[static_cast<std::size_t>(i)]);
        out.buttons[static_cast<std::size_t>(i)] = {left, kButtonTop, width, 0};
        left += width + kButtonGap;
    }

    out.picDisplay = {panelWidth - in.displayWidth - kDisplayRightMargin, 0, in.displayWidth,
                      in.displayHeight};
    out.lblName = {2, 2, NonNegative(in.displayWidth - 4), 0};
    out.lblTime = {2, 20, 0, 0};
    out.pos = {kPosLeft, kPosTop, NonNegative(panelWidth - kPosLeft - kPosRightMargin), kPosHeight};
    return out;
}

std::array<std::uint32_t, 17> SeekBarColors() {
    constexpr auto rgb = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return r | (g << 8) | (b << 16);
    };
    const std::uint32_t grey = rgb(81, 81, 81);
    const std::uint32_t light = rgb(110, 226, 251);
    const std::uint32_t blue = rgb(60, 143, 217);
    return {grey, 0, 0, 0, 0, 0, grey, 0, light, blue, blue, blue, blue, blue, light, blue, blue};
}

int CaptionMoveImage(int xTwips) {
    constexpr int kFirst = 195, kSecond = 390;
    if (xTwips < kFirst)
        return kCaptionMinHover;
    if (xTwips > kFirst && xTwips < kSecond)
        return kCaptionFullHover;
    if (xTwips > kSecond)
        return kCaptionCloseHover;
    return kCaptionNormal;
}

CaptionPress CaptionLeftPress(int xTwips) {
    switch (CaptionMoveImage(xTwips)) {
    case kCaptionMinHover:
        return {kCaptionMinDown, CaptionCommand::Minimize};
    case kCaptionFullHover:
        return {kCaptionFullDown, CaptionCommand::FullScreen};
    case kCaptionCloseHover:
        return {kCaptionCloseDown, CaptionCommand::Exit};
    default:
        return {kCaptionNormal, CaptionCommand::None};
    }
}

MenuStates ComputeMenuStates(const MenuInput& in) {
    MenuStates out;
    out.stop = in.stopEnabled;
    out.pause = in.pauseEnabled;
    out.startPoint = in.startEnabled;
    out.endPoint = in.endEnabled;
    out.saveClip = in.saveEnabled;
    out.alwaysOnTopChecked = in.alwaysOnTop;
    out.fullscreenChecked = in.isFullScreen;
    out.sizesEnabled = !in.maximized;
    return out;
}

bool PanelVisibleForMove(WindowState state, int innerHeight, int y) {
    if (state == WindowState::Maximized)
        return innerHeight - y < 80;
    return true;
}

} // namespace klevotrim
