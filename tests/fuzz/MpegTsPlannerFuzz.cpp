// Fuzzes the MPEG transport stream planner (scripts/run-fuzzers.sh): a plan's header is also
// made of whole packets.
#include <cstdlib>

#include "cutting/clip/MpegTsPlanner.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    const PlanResult result = FuzzPlanner(&PlanMpegTransportStream, bytes, MarksFromTail(bytes, 1.0 / 16));
    const std::size_t header = result.plan.header.size();
    if (result.status == PlanStatus::Planned && header % 188 != 0 && header % 192 != 0 && header % 204 != 0)
        std::abort();
    return 0;
}
