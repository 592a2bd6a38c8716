#include "cutting/clip/Planners.h"

#include <array>

#include "cutting/clip/MatroskaPlanner.h"

namespace klevotrim::clip {

std::span<const Planner> AllPlanners() {
    // One line per container planner.
    static constexpr std::array<Planner, 1> planners{
        PlanMatroskaClip,
    };
    return planners;
}

} // namespace klevotrim::clip
