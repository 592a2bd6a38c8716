#include "cutting/clip/ClipPlan.h"

#include "cutting/clip/Planners.h"

namespace klevotrim::clip {

bool ReadExact(ByteSource& source, std::uint64_t offset, std::span<std::uint8_t> buffer) {
    const std::uint64_t size = source.Size();
    if (offset > size || buffer.size() > size - offset)
        return false;
    return source.ReadAt(offset, buffer) == buffer.size();
}

std::uint64_t ClipPlan::CopiedLength() const {
    std::uint64_t copied = RangeLength();
    for (const Splice& splice : splices)
        copied -= splice.resume - splice.at;
    return copied;
}

std::uint64_t ClipPlan::ClipLength() const {
    std::uint64_t length = header.size() + CopiedLength() + trailer.size();
    for (const Splice& splice : splices)
        length += splice.bytes.size();
    return length;
}

bool ClipPlan::Fits(std::uint64_t sourceSize) const {
    if (rangeBegin > rangeEnd || rangeEnd > sourceSize)
        return false;
    std::uint64_t copiedTo = rangeBegin;
    for (const Splice& splice : splices) {
        if (splice.at < copiedTo || splice.resume < splice.at || splice.resume > rangeEnd)
            return false;
        copiedTo = splice.resume;
    }
    return true;
}

PlanResult PlanPlayableClip(ByteSource& source, Marks marks) {
    if (!(marks.start >= 0) || !(marks.end > marks.start))
        return PlanResult::Fail(PlanStatus::BadMarks, "the end point must lie after the start point");
    for (const Planner planner : AllPlanners()) {
        PlanResult result = planner(source, marks);
        if (result.status != PlanStatus::NotThisFormat)
            return result;
    }
    return PlanResult::Fail(PlanStatus::NotThisFormat,
                            "its format is not one Klevotrim can cut into a playable clip");
}

} // namespace klevotrim::clip
