#pragma once
// The seek bar's value model and drawing arithmetic, free of any window system.
// The control keeps no value: the value is the marker's left edge in pixels, and every
// rule below maps between that position, Max and the client width W.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace klevotrim::tavrel {

inline constexpr int kColourCount = 17;
inline constexpr float kInitialMarkerLeft = 72.0f;

// Colour defaults, 0x00BBGGRR, index 0 to 16 (also the stored defaults).
inline constexpr std::array<std::uint32_t, kColourCount> kDefaultColours = {
    0x00C3BCAE, 0x00C8C1B2, 0x00B7AE9B, 0x00AFA791, 0x00AFA791, 0x00A1977E,
    0x007A949E, 0x0093886B, 0x00DFF4FB, 0x00DFF4FB, 0x0085D5EF, 0x0085D5EF,
    0x0039A6CB, 0x0039A6CB, 0x00BBE0ED, 0x00BBE0ED, 0x003EA8CC};

// Defaults of the stored keys that are not colours.
inline constexpr double kDefaultMax = 100.0;
inline constexpr double kInitialValue = 50.0;
inline constexpr std::int32_t kStoredValueDefault = 1;
inline constexpr std::int32_t kInitialRoundedValue = 2;
inline constexpr std::int32_t kStoredRoundedValueDefault = 5;
inline constexpr std::wstring_view kStoredTipTextDefault = L"ToolTip";

// Max rule: a value that rounds below 1 becomes 1; anything else is stored as assigned.
bool MaxNeedsMinimum(double value);

// Max as read: the stored number rounded (halves to even); nothing when it does not fit.
std::optional<std::int32_t> ReadMax(double storedMax);

// Where a Value assignment of `value` puts the marker (already known to be numeric):
// values at or below 0 give 0, values that round past Max are pinned to Max, and the
// position is value / Max * width in single precision. Nothing when Max cannot be read.
std::optional<float> MarkerForValue(double value, std::optional<std::int32_t> max, int width);

// Reading Value from the marker's left edge: 0 at or left of 0, else position / width * Max
// rounded; nothing when that cannot be computed (zero width, unreadable Max, overflow).
std::optional<std::int32_t> PositionToValue(float marker, int width, std::optional<std::int32_t> max);

// A marker move to a pointer x: the rounded x pinned to 0..width is the new left edge;
// `paintX` is the same limit used by the pointer repaint for the filled part.
struct PointerMove {
    float marker;
    std::int32_t paintX;
};
PointerMove MarkerForPointer(double x, int width);

// Half height of the track: H / 2 in single precision, rounded halves to even (9 -> 4, 11 -> 6).
std::int32_t HalfHeight(int height);

// The grey of a 0x00BBGGRR colour, as the disabled look computes it (on the signed value).
std::uint32_t GreyOf(std::uint32_t colour);

// Channels of a colour for the gradient vertices: each 8-bit channel times 256.
struct Channels16 {
    std::uint16_t red, green, blue;
};
Channels16 ToVertexChannels(std::uint32_t colour);

// What a mouse event does, before any drawing: Button bits 1 left, 2 right, 4 middle.
enum class MouseKind { Down, Up, Move };
struct MouseDecision {
    bool askTip = false;     // ask the shared tooltip for TipText
    bool moveMarker = false; // move the marker to x, with the pointer repaint
    bool raise = false;      // raise the matching event
};
MouseDecision DecideMouse(MouseKind kind, int button, bool enabled);

// Modifier bits of an event (1 Shift, 2 Ctrl, 4 Alt) from the key states.
int ShiftBits(bool shift, bool control, bool alt);

// What a key message does while the control has the focus. Every key press and release
// raises KeyDown or KeyUp, the system keys (Alt+key, F10) too, which then still get the
// system's own handling (Alt+F4, the window menu). A character raises KeyPress; an Alt+letter
// is a menu mnemonic, not a typed character, and is left to the system alone.
enum class KeyMessage { KeyDown, KeyUp, Char, SysKeyDown, SysKeyUp, SysChar };
enum class KeyEvent { None, KeyDown, KeyPress, KeyUp };
struct KeyDecision {
    KeyEvent raise = KeyEvent::None;
    bool systemHandling = false; // the message goes on to the default window procedure
};
KeyDecision DecideKey(KeyMessage message);

// Stored keys, in the order they are read and written.
inline constexpr std::array<std::wstring_view, 27> kStoredKeys = {
    L"Color0",      L"Color1",      L"Color2",  L"Color3",  L"Color4",       L"Color5",   L"Color6",
    L"Color7",      L"Color8",      L"Color9",  L"Color10", L"Color11",      L"Color12",  L"Color13",
    L"Color14",     L"Color15",     L"Color16", L"Font",    L"TipText",      L"HoverPic", L"NormalPic",
    L"SmallChange", L"LargeChange", L"Max",     L"Value",   L"RoundedValue", L"Enabled"};

} // namespace klevotrim::tavrel
