#pragma once
// MPEG program streams: MPEG-1 system streams (.mpg, .dat) and MPEG-2 program streams (.mpg,
// .vob).
#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

PlanResult PlanMpegProgramStream(ByteSource& source, Marks marks);

} // namespace klevotrim::clip
