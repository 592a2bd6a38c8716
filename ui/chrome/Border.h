#pragma once
// Run-time frame styles, window regions, dragging and edge resizing for a borderless window.
// Mouse positions are in twips (pixels x 15) relative to the window; a form's width and
// height in twips are its window rectangle's x 15.
#include <windows.h>

#include "ui/chrome/ResizeZones.h"

namespace klevotrim {

// A form's frame and the parts that go with it.
struct FormBorder {
    // 0 none, 1 fixed single, 2 sizable, 3 fixed dialog, 4 fixed tool window, 5 sizable tool
    // window; any other value adds no frame.
    int borderStyle = 0;
    bool clipChildren = false;
    bool systemMenu = false;
    bool maxBox = false;
    bool minBox = false;
    bool appWindow = false; // a taskbar button
    bool contextHelp = false;
};

struct FormStyles {
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
};
FormStyles FormBorderStyles(const FormBorder& border, bool mdiChild);

// Replaces the window's style and extended style and lets the frame be recomputed.
void SetFormBorder(HWND form, const FormBorder& border);

// The window's region: a rounded rectangle (corner ellipse in pixels) or a plain rectangle
// of the window's size. The region belongs to the window once set.
void SetRoundRegion(HWND form, int ellipseWidth, int ellipseHeight);
void SetRectRegion(HWND form);

// Lets the system move the window with the mouse as if its caption were dragged, while the
// left button is held (without it, nothing happens).
void DragWindow(HWND form);

// Press: records which resize zones (right edge, bottom edge, corner) the press is in.
void BeginResize(int xTwips, int yTwips, HWND form);
// Move: sets the resize pointer and resizes, or drags with the left button (bit 0 of
// `button`, as MK_LBUTTON) when no resize applies.
void TrackResize(int xTwips, int yTwips, HWND form, int button);
// Release: clears the zones.
void EndResize();

// The pointer chosen by the last TrackResize (IDC_ARROW at first): for WM_SETCURSOR.
LPCWSTR CurrentResizeCursor();
// The zones recorded by the last presses (for diagnostics and tests).
ResizeFlags CurrentResizeFlags();

} // namespace klevotrim
