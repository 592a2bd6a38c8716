#pragma once
// Runs one audio planner on fuzzer input with marks taken from the input's first bytes, and
// aborts when a plan breaks its rules.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/MemorySource.h"
#include "cutting/clip/Planners.h"

namespace klevotrim::clip {

inline int FuzzAudioPlanner(Planner planner, const std::uint8_t* data, std::size_t size) {
    Marks marks{0, 1};
    if (size >= 4) {
        // Marks from a tenth of a second up to about an hour and a half.
        std::uint16_t start = 0, length = 0;
        std::memcpy(&start, data + size - 4, 2);
        std::memcpy(&length, data + size - 2, 2);
        marks = {start / 10.0, start / 10.0 + (length % 600 + 1) / 10.0};
    }
    MemorySource source(std::span<const std::uint8_t>(data, size));
    const PlanResult result = planner(source, marks);
    if (result.status == PlanStatus::Planned) {
        const ClipPlan& plan = result.plan;
        if (plan.rangeBegin > plan.rangeEnd || plan.rangeEnd > size || !std::isfinite(plan.start) ||
            !(plan.duration > 0))
            std::abort();
    } else if (result.reason.empty() || result.reason.back() == '.') {
        std::abort();
    }
    return 0;
}

} // namespace klevotrim::clip
