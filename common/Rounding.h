#pragma once
// Whole-number conversions used throughout: round to nearest, halves to the even
// neighbour (2.5 -> 2, 3.5 -> 4), as the automation runtime converts doubles.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace klevotrim {

// Rounds to the nearest integer with ties to even; the result is still a double.
inline double RoundHalfEven(double value) {
    double floor = std::floor(value);
    double diff = value - floor;
    if (diff > 0.5)
        return floor + 1.0;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

// Rounds and converts to a signed 32-bit integer; no value when the result does not fit
// (or the input is not a number), which is where the runtime raises an overflow.
inline std::optional<std::int32_t> ToInt32(double value) {
    if (std::isnan(value))
        return std::nullopt;
    double rounded = RoundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

} // namespace klevotrim
