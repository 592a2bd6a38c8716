#pragma once
// The image slider's value model: where the thumb sits on the track, what value that
// position reads as, and how mouse movement moves the thumb or switches its look.
// Pure arithmetic and state, so that it can be tested without a window.
#include <cstdint>
#include <optional>
#include <string_view>

namespace klevotrim {

// Which of the three thumb pictures is shown.
enum class ThumbLook { Normal, Hover, Inactive };

// What the window has to do about the mouse capture after a mouse movement.
enum class CaptureAction { Keep, Take, Release };

struct MouseMoveOutcome {
    CaptureAction capture = CaptureAction::Keep;
    bool raiseChange = false; // a left drag moved (or kept) the thumb: raise Change
    bool redraw = false;      // the thumb's look or position changed
};

// Mouse buttons and shift keys as the control's events report them.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

// The digits 0-9 of `text`, in order, read as one number; other characters are skipped and a
// text without digits gives 0. No value when the number does not fit a signed 32-bit integer.
std::optional<std::int32_t> OnlyNumber(std::wstring_view text);

class SliderModel {
  public:
    // A control created without saved properties works at once with these.
    static constexpr double kDefaultMax = 10.0;
    static constexpr std::int32_t kDefaultValue = 1;

    // The control is always exactly as wide as its track; the thumb travels over the
    // control's width less its own.
    void SetSizes(double trackWidth, double trackHeight, double thumbWidth);
    double TrackWidth() const { return trackWidth_; }
    double TrackHeight() const { return trackHeight_; }
    double ThumbWidth() const { return thumbWidth_; }
    // R: the travel of the thumb's left edge. Never negative, so a thumb wider than the
    // track simply stays at the start.
    double Travel() const;

    double ThumbLeft() const { return thumbLeft_; }
    ThumbLook Look() const { return look_; }

    bool Enabled() const { return enabled_; }
    // Stores the flag only; Refresh applies it.
    void SetEnabledFlag(bool enabled) { enabled_ = enabled; }

    // The stored maximum converted to a 32-bit integer; no value when it does not convert.
    std::optional<std::int32_t> Max() const;
    double StoredMax() const { return max_; }
    // Stores `value`, raised to 1 when it converts to less than 1. False (nothing stored)
    // when it does not convert to a 32-bit integer. The thumb does not move.
    bool SetMax(double value);

    // 0 for p <= 0, otherwise Max * p / R. No value when that cannot be computed.
    std::optional<double> PositionToValue(double p) const;
    // The value the thumb's position reads as, rounded halves to even; no value on failure.
    std::optional<std::int32_t> Value() const;
    // Places the thumb for a numeric value (clamped to 0..Max), then refreshes.
    void SetValue(double value);

    // The model's part of redrawing the skin: a disabled thumb shows the inactive look and
    // goes back to the start; an enabled one shows the hover look while the control is
    // hovered, otherwise the normal look. The thumb is kept on the track.
    void Refresh();

    // True while the pointer is over the control and the control holds the capture for it.
    bool Hovering() const { return hovering_; }

    // Mouse movement at (x, y) in the control's pixels with `button` held (1 = left alone).
    // `captureIsOurs` tells whether the control already holds the mouse capture.
    MouseMoveOutcome MouseMove(std::int16_t button, double x, double y, bool captureIsOurs);

    // Leaving the hover state without a movement (the capture went elsewhere).
    bool CaptureLost();

  private:
    double ClampToTravel(double p) const;

    double trackWidth_ = 0.0;
    double trackHeight_ = 0.0;
    double thumbWidth_ = 0.0;
    double thumbLeft_ = 0.0;
    double max_ = kDefaultMax;
    bool enabled_ = true;
    bool hovering_ = false;
    ThumbLook look_ = ThumbLook::Normal;
};

} // namespace klevotrim
