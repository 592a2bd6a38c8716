// Feeds arbitrary bytes to the AVI planner: it must never crash, hang or plan a range outside
// the file, and every index entry it writes must lie inside the clip's movie list.
#include <cstdlib>

#include "cutting/clip/AviPlanner.h"
#include "cutting/clip/Bytes.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace klevotrim::clip;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const PlanResult result = FuzzPlanner(&PlanAviClip, bytes, MarksFromTail(bytes, 0.1));
    if (result.status != PlanStatus::Planned)
        return 0;
    const ClipPlan& plan = result.plan;
    if (plan.header.size() < 12)
        std::abort();
    const std::uint64_t movieBytes = plan.CopiedLength() + 4;
    for (std::size_t at = 8; at + 16 <= plan.trailer.size(); at += 16)
        if (ReadU32LE(plan.trailer, at + 8) + std::uint64_t{8} + ReadU32LE(plan.trailer, at + 12) >
            movieBytes)
            std::abort();
    return 0;
}
