#pragma once
// ASF (.asf, .wmv, .wma): a clip from the data packet holding the video keyframe at or before
// the start mark to the packet holding the end mark, under a rewritten header.
#include <cstdint>
#include <optional>
#include <span>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

PlanResult PlanAsfClip(ByteSource& source, Marks marks);

// What one data packet tells the planner. Times are presentation times in milliseconds as
// ASF stores them (the preroll included).
struct AsfPacketTimes {
    std::uint32_t sendTime = 0;
    std::optional<std::uint32_t> firstTime;    // the earliest payload's
    std::optional<std::uint32_t> lastTime;     // the latest payload's
    std::optional<std::uint32_t> keyframeTime; // the earliest keyframe of `videoStream` that starts here
};

// Nothing when the packet's fields run past its end or hold values ASF does not allow.
std::optional<AsfPacketTimes> ParseAsfPacket(std::span<const std::uint8_t> packet, int videoStream);

} // namespace klevotrim::clip
