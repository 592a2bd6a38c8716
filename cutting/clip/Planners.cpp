#include "cutting/clip/Planners.h"

#include <array>

#include "cutting/clip/AsfPlanner.h"
#include "cutting/clip/AviPlanner.h"
#include "cutting/clip/MatroskaPlanner.h"
#include "cutting/clip/MpegTsPlanner.h"

namespace klevotrim::clip {

std::span<const Planner> AllPlanners() {
    // One line per container planner.
    static constexpr std::array<Planner, 5> planners{
        PlanMatroskaClip,        PlanAviClip, PlanMp4Clip, PlanAsfClip,
        PlanMpegTransportStream, // known only by sync bytes a packet apart: tried last
    };
    return planners;
}

} // namespace klevotrim::clip
