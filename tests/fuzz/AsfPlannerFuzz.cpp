// libFuzzer target: the ASF planner on arbitrary bytes, with marks taken from the input.
#include <cstdlib>
#include <cstring>

#include "cutting/clip/AsfPlanner.h"
#include "cutting/clip/MemorySource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace klevotrim::clip;
    const std::span<const std::uint8_t> bytes(data, size);
    // The last two bytes choose the marks, so one input explores both the file and the marks.
    Marks marks{0.5, 3.0};
    if (size >= 2) {
        marks.start = data[size - 2] / 16.0;
        marks.end = marks.start + 0.1 + data[size - 1] / 16.0;
    }
    MemorySource source(bytes);
    const PlanResult result = PlanAsfClip(source, marks);
    if (result.status == PlanStatus::Planned &&
        !(result.plan.rangeBegin <= result.plan.rangeEnd && result.plan.rangeEnd <= size))
        std::abort();
    return 0;
}
