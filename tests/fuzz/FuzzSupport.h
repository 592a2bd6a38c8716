#pragma once
// What every planner's fuzz target shares: marks taken from the input's last bytes, and the
// rules every answer keeps. A broken rule aborts, which libFuzzer reports with the input.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "cutting/clip/MemorySource.h"
#include "cutting/clip/Planners.h"

namespace klevotrim::clip {

// The last two bytes choose the start and the length in steps of `unit` seconds, so one input
// explores both the file and the marks.
inline Marks MarksFromTail(std::span<const std::uint8_t> bytes, double unit) {
    if (bytes.size() < 2)
        return {0.5, 3.0};
    const double start = bytes[bytes.size() - 2] * unit;
    return {start, start + (bytes[bytes.size() - 1] + 1) * unit};
}

// Runs `planner` and checks what any planner promises: a plan copies a range inside the source
// (its splices inside the range, in order) and starts at a finite time; a refusal of a
// recognised file says why, in a sentence without a full stop. Returns the result for a
// target's own checks.
inline PlanResult FuzzPlanner(Planner planner, std::span<const std::uint8_t> bytes, Marks marks) {
    MemorySource source(bytes);
    PlanResult result = planner(source, marks);
    if (result.status == PlanStatus::Planned) {
        const ClipPlan& plan = result.plan;
        if (!plan.Fits(bytes.size()) || !std::isfinite(plan.start))
            std::abort();
    } else if (result.status != PlanStatus::NotThisFormat &&
               (result.reason.empty() || result.reason.back() == '.')) {
        std::abort();
    }
    return result;
}

} // namespace klevotrim::clip
