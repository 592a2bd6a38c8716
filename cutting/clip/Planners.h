#pragma once
// The container planners. Each one answers NotThisFormat at once unless the file starts
// with its container's signature, so they can be tried in any order.
#include <span>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

using Planner = PlanResult (*)(ByteSource& source, Marks marks);

// MP4, MOV and M4A (ISO base media files).
PlanResult PlanMp4Clip(ByteSource& source, Marks marks);

// Every planner, in the order PlanPlayableClip tries them.
std::span<const Planner> AllPlanners();

} // namespace klevotrim::clip
