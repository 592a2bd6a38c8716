#pragma once
// AVI (.avi), including OpenDML files of several RIFF parts: a clip from the video keyframe at
// or before the start mark to the frame holding the end mark, with a new header and idx1.
#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

PlanResult PlanAviClip(ByteSource& source, Marks marks);

} // namespace klevotrim::clip
