// Fuzzes the MPEG audio planner (scripts/run-fuzzers.sh); marks of up to 25 s.
#include "cutting/clip/AudioPlanners.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    FuzzPlanner(&PlanMpegAudio, bytes, MarksFromTail(bytes, 0.1));
    return 0;
}
