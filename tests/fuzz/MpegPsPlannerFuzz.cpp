// The MPEG program stream planner on arbitrary bytes: it must answer without faults, and any
// plan it makes copies a range inside the source and ends with a program end code. The last
// two bytes choose the marks.
#include <cstdlib>

#include "cutting/clip/MemorySource.h"
#include "cutting/clip/MpegPsPlanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    using namespace klevotrim::clip;
    const Marks marks{data[size - 2] / 16.0, data[size - 2] / 16.0 + (data[size - 1] + 1) / 16.0};
    MemorySource source(std::span<const std::uint8_t>(data, size));
    const PlanResult result = PlanMpegProgramStream(source, marks);
    if (result.status == PlanStatus::Planned) {
        const ClipPlan& plan = result.plan;
        if (!(plan.rangeBegin <= plan.rangeEnd && plan.rangeEnd <= size))
            std::abort();
        if (!plan.trailer.empty() && plan.trailer.back() != 0xB9)
            std::abort();
    } else if (result.reason.empty() || result.reason.back() == '.') {
        std::abort();
    }
    return 0;
}
