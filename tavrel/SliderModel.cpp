#include "tavrel/SliderModel.h"

#include "common/Rounding.h"

#include <cmath>

namespace klevotrim::tavrel {

bool MaxNeedsMinimum(double value) {
    return std::isnan(value) || RoundHalfEven(value) < 1.0;
}

std::optional<std::int32_t> ReadMax(double storedMax) {
    return ToInt32(storedMax);
}

std::optional<float> MarkerForValue(double value, std::optional<std::int32_t> max, int width) {
    if (!max || *max == 0 || std::isnan(value))
        return std::nullopt;
    if (value <= 0.0)
        value = 0.0;
    // A value too large for a 32-bit integer is certainly past Max: pin it there too.
    if (RoundHalfEven(value) > static_cast<double>(*max))
        value = *max;
    return static_cast<float>(value / static_cast<double>(*max) * static_cast<double>(width));
}

std::optional<std::int32_t> PositionToValue(float marker, int width, std::optional<std::int32_t> max) {
    if (marker <= 0.0f)
        return 0;
    if (width == 0 || !max)
        return std::nullopt;
    double value = static_cast<double>(marker) / static_cast<double>(width) * static_cast<double>(*max);
    if (!std::isfinite(value))
        return std::nullopt;
    return ToInt32(value);
}

PointerMove MarkerForPointer(double x, int width) {
    std::int32_t xi;
    if (auto rounded = ToInt32(x))
        xi = *rounded;
    else
        xi = (std::isnan(x) || x < 0) ? 0 : width; // far off either end
    std::int32_t pinned = xi > width ? width : (xi < 0 ? 0 : xi);
    return {static_cast<float>(pinned), pinned};
}

std::int32_t HalfHeight(int height) {
    float half = static_cast<float>(height) / 2.0f;
    return static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(half)));
}

std::uint32_t GreyOf(std::uint32_t colour) {
    const double c = static_cast<double>(static_cast<std::int32_t>(colour));
    const double r = std::fmod(c, 256.0);
    const double g = RoundHalfEven(std::fmod(c, 65536.0) / 256.0);
    const double b = RoundHalfEven(c / 65536.0);
    const auto grey = static_cast<std::int64_t>(RoundHalfEven((r + g + b) / 3.0));
    // A system colour (high bit set) is negative here; keep the grey a valid channel.
    const auto channel = static_cast<std::uint32_t>(grey < 0 ? 0 : (grey > 255 ? 255 : grey));
    return channel | (channel << 8) | (channel << 16);
}

Channels16 ToVertexChannels(std::uint32_t colour) {
    return {static_cast<std::uint16_t>((colour & 0xFF) << 8),
            static_cast<std::uint16_t>(((colour >> 8) & 0xFF) << 8),
            static_cast<std::uint16_t>(((colour >> 16) & 0xFF) << 8)};
}

MouseDecision DecideMouse(MouseKind kind, int button, bool enabled) {
    MouseDecision decision;
    if (button == 2)
        return decision; // the right button alone is ignored everywhere
    if (kind == MouseKind::Move && button == 0)
        decision.askTip = true; // asked for even while disabled
    if (!enabled)
        return decision;
    decision.moveMarker = (button == 1);
    decision.raise = true;
    return decision;
}

int ShiftBits(bool shift, bool control, bool alt) {
    return (shift ? 1 : 0) | (control ? 2 : 0) | (alt ? 4 : 0);
}

KeyDecision DecideKey(KeyMessage message) {
    switch (message) {
    case KeyMessage::KeyDown:
        return {KeyEvent::KeyDown, false};
    case KeyMessage::KeyUp:
        return {KeyEvent::KeyUp, false};
    case KeyMessage::Char:
        return {KeyEvent::KeyPress, false};
    case KeyMessage::SysKeyDown:
        return {KeyEvent::KeyDown, true};
    case KeyMessage::SysKeyUp:
        return {KeyEvent::KeyUp, true};
    case KeyMessage::SysChar:
        return {KeyEvent::None, true};
    }
    return {};
}

} // namespace klevotrim::tavrel
