// Feeds arbitrary bytes to the AVI planner: it must never crash, hang or plan a range outside
// the file, and every index entry it writes must lie inside the clip's movie list.
#include <cstdlib>

#include "cutting/clip/AviPlanner.h"
#include "cutting/clip/Bytes.h"
#include "cutting/clip/MemorySource.h"

using namespace klevotrim::clip;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The marks come from the last two bytes, in tenths of a second.
    const double start = size >= 2 ? data[size - 2] / 10.0 : 0;
    const double length = size >= 1 ? (data[size - 1] + 1) / 10.0 : 1;
    MemorySource source(std::span(data, size));
    const PlanResult result = PlanAviClip(source, {start, start + length});
    if (result.status != PlanStatus::Planned)
        return 0;
    const ClipPlan& plan = result.plan;
    if (plan.rangeBegin > plan.rangeEnd || plan.rangeEnd > size || plan.header.size() < 12)
        std::abort();
    const std::uint64_t movieBytes = plan.RangeLength() + 4;
    for (std::size_t at = 8; at + 16 <= plan.trailer.size(); at += 16)
        if (ReadU32LE(plan.trailer, at + 8) + std::uint64_t{8} + ReadU32LE(plan.trailer, at + 12) >
            movieBytes)
            std::abort();
    return 0;
}
