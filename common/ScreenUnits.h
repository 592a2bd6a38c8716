#pragma once
// Pixels against the lengths OLE and automation use: HIMETRIC (0.01 mm, 2540 to the inch) and
// twips (1440 to the inch), at a resolution in dots per inch.
#include "common/Rounding.h"

#include <cstdint>
#include <limits>

namespace klevotrim {

inline constexpr int kHimetricPerInch = 2540;
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDefaultDpi = 96; // where no screen tells

// a * b / c in 64 bits, rounded half away from zero, as the system's MulDiv; -1 when c is 0
// or the result does not fit.
constexpr std::int32_t MulDivRounded(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0)
        return -1;
    std::int64_t numerator = static_cast<std::int64_t>(a) * b;
    std::int64_t divisor = c;
    if (divisor < 0) {
        numerator = -numerator;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t result = (numerator >= 0 ? numerator + half : numerator - half) / divisor;
    if (result > std::numeric_limits<std::int32_t>::max() ||
        result < -std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<std::int32_t>(result);
}

constexpr std::int32_t PixelsToHimetric(std::int32_t pixels, int dpi) {
    return MulDivRounded(pixels, kHimetricPerInch, dpi);
}

constexpr std::int32_t HimetricToPixels(std::int32_t himetric, int dpi) {
    return MulDivRounded(himetric, dpi, kHimetricPerInch);
}

// The container side of IOleControlSite::TransformCoords: fractional pixels both ways, the
// HIMETRIC result cut towards zero.
constexpr float HimetricToPixelsExact(std::int32_t himetric, int dpi) {
    return static_cast<float>(himetric) * static_cast<float>(dpi) / static_cast<float>(kHimetricPerInch);
}
constexpr std::int32_t PixelsToHimetricTruncated(float pixels, int dpi) {
    return static_cast<std::int32_t>(pixels * static_cast<float>(kHimetricPerInch) / static_cast<float>(dpi));
}

// Twips to whole pixels, halves to the even neighbour.
inline double TwipsToPixels(double twips, int dpi) {
    return RoundHalfEven(twips / (static_cast<double>(kTwipsPerInch) / dpi));
}

inline double PixelsToTwips(double pixels, int dpi) {
    return pixels * (static_cast<double>(kTwipsPerInch) / dpi);
}

} // namespace klevotrim
