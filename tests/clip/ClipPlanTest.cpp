// The planners together: the dispatcher and the rules every plan keeps.
#include <gtest/gtest.h>

#include "ClipTestSupport.h"

namespace klevotrim::clip {
namespace {

TEST(ClipPlan, MarksOutOfOrderAreRefusedBeforeAnyPlannerReads) {
    const std::vector<std::uint8_t> bytes(1000, 0);
    MemorySource source(bytes);
    EXPECT_EQ(PlanPlayableClip(source, {5, 5}).status, PlanStatus::BadMarks);
    EXPECT_EQ(PlanPlayableClip(source, {6, 5}).status, PlanStatus::BadMarks);
    EXPECT_EQ(PlanPlayableClip(source, {-1, 5}).status, PlanStatus::BadMarks);
    EXPECT_EQ(source.BytesRead(), 0u);
}

TEST(ClipPlan, EmptyFilesAndTextAreNoFormat) {
    for (const std::string text : {"", "hello", "This is a text file, not a sound.\n"}) {
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        MemorySource source(bytes);
        const PlanResult result = PlanPlayableClip(source, {0, 1});
        EXPECT_EQ(result.status, PlanStatus::NotThisFormat) << '"' << text << "\": " << result.reason;
        EXPECT_FALSE(result.reason.empty());
    }
}

TEST(ClipPlan, ReadExactNeverReadsPastTheEnd) {
    const std::vector<std::uint8_t> bytes{1, 2, 3, 4};
    MemorySource source(bytes);
    std::array<std::uint8_t, 2> two{};
    EXPECT_TRUE(ReadExact(source, 2, two));
    EXPECT_FALSE(ReadExact(source, 3, two));
    EXPECT_FALSE(ReadExact(source, ~std::uint64_t{0}, two));
}

} // namespace
} // namespace klevotrim::clip
