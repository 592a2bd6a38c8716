#pragma once
// Where a window goes when it centres itself over an area: one rule for every window, one axis
// at a time.
#include "common/Rounding.h"

#include <cstdint>

namespace klevotrim {

// The offset from the area's start that centres `window` pixels in `area` pixels, halves to the
// even neighbour; negative when the window is the larger.
inline std::int32_t CentredOrigin(std::int32_t area, std::int32_t window) {
    return ToInt32((static_cast<double>(area) - window) / 2.0).value_or(0);
}

// `origin` moved just far enough for `window` pixels to lie within [workStart, workEnd); a
// window larger than that span starts at workStart.
inline std::int32_t KeptInside(std::int32_t origin, std::int32_t window, std::int32_t workStart,
                               std::int32_t workEnd) {
    std::int64_t placed = origin;
    if (placed + window > workEnd)
        placed = static_cast<std::int64_t>(workEnd) - window;
    if (placed < workStart)
        placed = workStart;
    return static_cast<std::int32_t>(placed); // between workStart and origin, so it fits
}

} // namespace klevotrim
