// Fuzzes the Matroska planner (scripts/run-fuzzers.sh).
#include "cutting/clip/MatroskaPlanner.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    FuzzPlanner(&PlanMatroskaClip, bytes, MarksFromTail(bytes, 1.0 / 16));
    return 0;
}
