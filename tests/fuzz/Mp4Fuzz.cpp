// Fuzzes the MP4 planner (scripts/run-fuzzers.sh): a plan also holds at least a box header.
#include <cstdlib>

#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    const PlanResult result = FuzzPlanner(&PlanMp4Clip, bytes, MarksFromTail(bytes, 1.0 / 16));
    if (result.status == PlanStatus::Planned && result.plan.header.size() < 8)
        std::abort();
    return 0;
}
