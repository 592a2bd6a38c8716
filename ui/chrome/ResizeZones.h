#pragma once
// Where a press starts a resize of a borderless window, which pointer a move shows and
// what a move does. Positions and sizes in twips (15 to the pixel), relative to the window.
#include <cstdint>

namespace klevotrim {

inline constexpr int kTwipsPerPixel = 15;

// Set by a press, kept until the next release over the window.
struct ResizeFlags {
    bool right = false;
    bool bottom = false;
    bool corner = false;
    bool Any() const { return right || bottom || corner; }
    bool operator==(const ResizeFlags&) const = default;
};

enum class ResizePointer { Default, SizeWE, SizeNS, SizeNWSE };

// A press at (x, y) on a window of width x height: adds the flags of the zones it is in to
// `flags` (a press never clears a flag). Right edge = last 2 pixel columns, bottom edge =
// last 2 rows (only when not on the right edge), corner = last 5 columns and rows together.
ResizeFlags PressFlags(int x, int y, int width, int height, ResizeFlags flags);

// The pointer a move at (x, y) shows, given the one shown now (kept when no rule applies).
ResizePointer MovePointer(int x, int y, int width, int height, ResizeFlags flags, ResizePointer current);

struct ResizeStep {
    enum Kind { None, Width, Height, Both, Drag };
    Kind kind = None;
    int widthTwips = 0;  // for Width and Both
    int heightTwips = 0; // for Height and Both
};

// What a move at (x, y) does: the first matching resize, otherwise a drag of the window
// when the left button is held (bit 0 of `buttons`, as MK_LBUTTON), otherwise nothing.
// Resizing stops within 300 twips (20 pixels) of the left or top edge.
ResizeStep MoveStep(int x, int y, ResizeFlags flags, int buttons);

// Twips to whole pixels, rounding halves to even.
int TwipsToPixels(int twips);

} // namespace klevotrim
