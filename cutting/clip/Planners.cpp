#include "cutting/clip/Planners.h"

#include <array>

#include "cutting/clip/AsfPlanner.h"
#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/AviPlanner.h"
#include "cutting/clip/MatroskaPlanner.h"
#include "cutting/clip/MpegPsPlanner.h"
#include "cutting/clip/MpegTsPlanner.h"

namespace klevotrim::clip {

std::span<const Planner> AllPlanners() {
    // One line per container planner.
    // clang-format off
    static constexpr std::array<Planner, 9> planners{
        PlanMatroskaClip,
        PlanAviClip,
        PlanMp4Clip,
        PlanAsfClip,
        PlanMpegProgramStream,
        PlanWav,
        PlanMpegAudio,
        PlanAdts,
        PlanMpegTransportStream, // known only by sync bytes a packet apart: tried last
    };
    // clang-format on
    return planners;
}

} // namespace klevotrim::clip
