#pragma once
// Matroska and WebM (.mkv, .mka, .webm): a clip from the Cluster that starts with the video
// keyframe at or before the start mark to the Cluster holding the end mark.
#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

PlanResult PlanMatroskaClip(ByteSource& source, Marks marks);

} // namespace klevotrim::clip
