// Fuzzes the MPEG program stream planner (scripts/run-fuzzers.sh): a plan also ends with a
// program end code.
#include <cstdlib>

#include "cutting/clip/MpegPsPlanner.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    const PlanResult result = FuzzPlanner(&PlanMpegProgramStream, bytes, MarksFromTail(bytes, 1.0 / 16));
    if (result.status == PlanStatus::Planned && !result.plan.trailer.empty() &&
        result.plan.trailer.back() != 0xB9)
        std::abort();
    return 0;
}
