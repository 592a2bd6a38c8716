// Fuzzes the Asf planner (scripts/run-fuzzers.sh).
#include "cutting/clip/AsfPlanner.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    FuzzPlanner(&PlanAsfClip, bytes, MarksFromTail(bytes, 1.0 / 16));
    return 0;
}
