#pragma once
// The tooltip's timing and acceptance rules as a state machine driven by requests, timer
// ticks and pointer positions, so every case is decided without a window or real timers.
// The window applies the effects (show, hide, timers on or off).
#include <cstdint>
#include <string>

namespace klevotrim::tavrel {

struct TipPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const TipPoint&) const = default;
};

// What the window must do after a step. Timer states are in the machine (WaitStartOn...).
struct TipEffects {
    bool accepted = false; // the request replaced owner, text and colours
    bool show = false;     // lay out, place, draw and show the tip now (ShowTip)
    bool hide = false;     // hide the window (HideTip)
};

class TipMachine {
  public:
    static constexpr unsigned kWaitStartMs = 400;
    static constexpr unsigned kProcessMs = 200;
    static constexpr unsigned kWaitEndMs = 400;

    // A tip request for `owner` (any window identity) with `text`, the pointer at `cursor`.
    TipEffects Request(std::uintptr_t owner, const std::wstring& text, TipPoint cursor);
    // Whether a request's answer depends on the pointer at all: not when the tip is shown
    // with this owner and text (it is refused wherever the pointer is), so a caller can skip
    // reading the pointer.
    bool DependsOnPointer(std::uintptr_t owner, const std::wstring& text) const;
    TipEffects TickWaitStart();
    // `underPointer`: the window under the pointer at this tick.
    TipEffects TickProcess(std::uintptr_t underPointer);
    TipEffects TickWaitEnd();
    // HideTip: stops the watch and the auto-hide (not a pending show) and hides.
    TipEffects Hide();

    bool WaitStartOn() const { return waitStartOn_; }
    bool ProcessOn() const { return processOn_; }
    bool WaitEndOn() const { return waitEndOn_; }
    bool Visible() const { return visible_; }
    std::uintptr_t Owner() const { return owner_; }
    const std::wstring& Text() const { return text_; }
    TipPoint LastCursor() const { return lastCursor_; }
    std::uint8_t ShowCounter() const { return showCounter_; }
    std::uint8_t HideCounter() const { return hideCounter_; }

  private:
    std::uintptr_t owner_ = 0;
    std::wstring text_;
    TipPoint lastCursor_{};
    std::uint8_t showCounter_ = 0;
    std::uint8_t hideCounter_ = 0;
    bool waitStartOn_ = true; // enabled when the window is created
    bool processOn_ = false;
    bool waitEndOn_ = false;
    bool visible_ = false;
};

// Placement of a shown tip.
struct TipRect {
    std::int32_t x, y, width, height;
};

// Right edge of the text column: 3 + text width, or TipWidthMax + 6 when the text is wider
// than TipWidthMax (it then wraps).
std::int32_t TipTextRight(std::int32_t textWidth, std::int32_t tipWidthMax);

// The window rectangle at pointer `p`: (p.x + 1, p.y + 22), right + 3 wide, textHeight + 6
// high, moved left so its right edge lies on the screen's right edge when it would pass it.
// `screenWidthTwips` / 15 is taken as the screen width in pixels.
TipRect PlaceTip(TipPoint p, std::int32_t textRight, std::int32_t textHeight, double screenWidthTwips);

} // namespace klevotrim::tavrel
