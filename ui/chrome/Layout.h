#pragma once
// The main window's layout pass as pure geometry: every rectangle and blit for a given inner
// size and window state, in pixels. Plus the caption-strip zones, the menu-item states and
// the rule that shows the control panel in the maximized state.
#include <array>
#include <cstdint>

namespace klevotrim {

enum class WindowState { Normal, Minimized, Maximized };

struct LayoutRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const LayoutRect&) const = default;
};

// One bit-block transfer: a source rectangle of a skin image onto a destination rectangle.
// StretchBlt when the sizes differ, BitBlt otherwise. Skipped when the destination is empty.
struct LayoutBlit {
    LayoutRect source;
    LayoutRect dest;
    bool Empty() const { return dest.width <= 0 || dest.height <= 0; }
    bool operator==(const LayoutBlit&) const = default;
};

inline constexpr int kButtonCount = 7; // cmdOpen, cmdPlay, cmdPause, cmdStop, cmdStart, cmdEnd, cmdSave

// Sizes of the skin images and fixed controls; the defaults are the program's artwork.
struct LayoutInput {
    int innerWidth = 0;  // W: the window's inner (client) width
    int innerHeight = 0; // H
    WindowState state = WindowState::Normal;
    std::array<int, kButtonCount> buttonWidths{};
    int titleSkinWidth = 599, titleSkinHeight = 18; // PicBack
    int panelSkinWidth = 715, panelSkinHeight = 59; // Pic2 (its height is the panel's)
    int captionWidth = 41, captionHeight = 18;      // PicButton
    int displayWidth = 125, displayHeight = 34;     // PicDisPlay
    int logoWidth = 209, logoHeight = 209;          // Img
};

struct LayoutResult {
    bool isFullScreen = false; // IsFullScreen after the pass
    bool roundRegion = false;  // SetRoundRegion(10, 10) when true, SetRectRegion otherwise
    int roundEllipse = 10;
    LayoutRect pic;                 // video area, in the window
    double imgLeft = 0, imgTop = 0; // logo, in Pic (not rounded)
    int imgWidth = 0, imgHeight = 0;
    LayoutRect picPanel;  // control panel, in the window
    LayoutRect picButton; // caption strip, in the window
    bool picButtonVisible = false;
    // Title strip onto the window's surface, in this order (only in the normal state).
    bool paintTitle = false;
    LayoutBlit titleStretch, titleCopy;
    // Panel skin onto the panel's surface, in this order.
    LayoutBlit panelStretch, panelCopy;
    std::array<LayoutRect, kButtonCount> buttons{}; // in the panel; heights left as 0 (own heights)
    LayoutRect picDisplay;                          // in the panel
    LayoutRect lblName;                             // in PicDisPlay; height left as 0 (own height)
    LayoutRect lblTime;                             // in PicDisPlay; width and height left as 0
    LayoutRect pos;                                 // the seek bar, in the panel
};

// The layout pass. Sizes never come out negative (a minimized window has an empty inner area).
LayoutResult ComputeLayout(const LayoutInput& input);

// Color0..Color16 of the seek bar as set on every pass (0x00BBGGRR).
std::array<std::uint32_t, 17> SeekBarColors();

// ---- Caption strip (PicButton): x in twips relative to the strip.
inline constexpr int kCaptionCloseDown = 101, kCaptionCloseHover = 102;
inline constexpr int kCaptionFullDown = 103, kCaptionFullHover = 104;
inline constexpr int kCaptionMinDown = 105, kCaptionMinHover = 106;
inline constexpr int kCaptionNormal = 107;

enum class CaptionCommand { None, Minimize, FullScreen, Exit };
struct CaptionPress {
    int image = kCaptionNormal;
    CaptionCommand command = CaptionCommand::None;
};

// Image shown for a move over the strip (exactly on a boundary: 107).
int CaptionMoveImage(int xTwips);
// Image and command of a left press (exactly on a boundary: 107 and nothing).
CaptionPress CaptionLeftPress(int xTwips);

// ---- Right-click menu item states, refreshed on every press on the window's surface.
struct MenuInput {
    bool stopEnabled = false, pauseEnabled = false, startEnabled = false, endEnabled = false,
         saveEnabled = false; // cmdStop, cmdPause, cmdStart, cmdEnd, cmdSave
    bool alwaysOnTop = false;
    bool isFullScreen = false;
    bool maximized = false;
};
struct MenuStates {
    bool stop = false, pause = false, startPoint = false, endPoint = false, saveClip = false; // enabled
    bool alwaysOnTopChecked = false;
    bool fullscreenChecked = false;
    bool sizesEnabled = false; // "50%", "100%", "200%", "Fit to Screen"
};
MenuStates ComputeMenuStates(const MenuInput& input);

// ---- Whether the control panel shows for a move at y (pixels) over the window's surface.
// Maximized: only within 80 pixels of the bottom of the inner area. Any other state: shown.
bool PanelVisibleForMove(WindowState state, int innerHeight, int y);

} // namespace klevotrim
