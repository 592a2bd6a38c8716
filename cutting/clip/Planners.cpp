#include "cutting/clip/Planners.h"

#include <array>

#include "cutting/clip/AviPlanner.h"
#include "cutting/clip/MatroskaPlanner.h"

namespace klevotrim::clip {

std::span<const Planner> AllPlanners() {
    // One line per container planner.
    static constexpr std::array<Planner, 3> planners{
        PlanMatroskaClip,
        PlanAviClip,
        PlanMp4Clip,
    };
    return planners;
}

} // namespace klevotrim::clip
