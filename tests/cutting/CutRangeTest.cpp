#include "cutting/CutRange.h"

#include <gtest/gtest.h>

#include <cmath>

using klevotrim::BlockSize;
using klevotrim::ComputeCutRange;
using klevotrim::EmptyRangeReason;
using klevotrim::WhyEmpty;

constexpr std::int64_t MiB = 1048576;

TEST(CutRange, WorkedExampleGivesFiveBlocksFromTheThirdBlock) {
    auto r = ComputeCutRange(10485760, 25, 75, 100.4);
    EXPECT_EQ(r.B, 10);
    EXPECT_EQ(r.D, 100);
    EXPECT_EQ(r.S, 2);
    EXPECT_EQ(r.E, 7);
    EXPECT_EQ(r.O1, 2097152);
    EXPECT_EQ(r.O2, 7340032);
    EXPECT_EQ(r.L, 5242880);
    EXPECT_EQ(r.N, 5);
    EXPECT_EQ(r.R, 0);
    EXPECT_EQ(r.BlockCount(), 5);
    EXPECT_EQ(r.ClipLength(), 5242880);
    // Block i (1-based) is read at O1 + (i - 1) * BlockSize and written at (i - 1) * BlockSize + 1.
    EXPECT_EQ(r.SourcePosition(0), 2097152 + 1);
    EXPECT_EQ(r.SourcePosition(4), 2097152 + 4 * MiB + 1);
    EXPECT_EQ(r.ClipPosition(0), 1);
    EXPECT_EQ(r.ClipPosition(4), 4 * MiB + 1);
    EXPECT_EQ(r.BlockLength(4), BlockSize);
}

TEST(CutRange, DurationIsRoundedHalvesToEven) {
    // 100 blocks; 100.5 s counts as 100 (not 101), 101.5 s as 102 (not 101).
    auto low = ComputeCutRange(100 * MiB, 100, 100, 100.5);
    EXPECT_EQ(low.D, 100);
    EXPECT_EQ(low.S, 100); // 100 * 100 / 101 would give 99
    auto high = ComputeCutRange(100 * MiB, 101, 101, 101.5);
    EXPECT_EQ(high.D, 102);
    EXPECT_EQ(high.S, 99); // 101 * 100 / 101 would give 100
    EXPECT_EQ(ComputeCutRange(100 * MiB, 0, 0, 99.5).D, 100);
    EXPECT_EQ(ComputeCutRange(100 * MiB, 0, 0, 100.51).D, 101);
}

TEST(CutRange, DivisionsTruncateTowardsZero) {
    // 3 * 10 / 7 = 4.28 -> 4; 6 * 10 / 7 = 8.57 -> 8.
    auto r = ComputeCutRange(10 * MiB, 3, 6, 7.0);
    EXPECT_EQ(r.S, 4);
    EXPECT_EQ(r.E, 8);
    EXPECT_EQ(r.N, 4);
}

TEST(CutRange, StartInTheFirstBlockIsRaisedToBlockOne) {
    auto atZero = ComputeCutRange(10 * MiB, 0, 50, 100.0);
    EXPECT_EQ(atZero.S, 1);
    EXPECT_EQ(atZero.O1, MiB);
    EXPECT_EQ(atZero.E, 5);
    EXPECT_EQ(atZero.N, 4);
    // 9 * 10 / 100 = 0 is raised as well.
    EXPECT_EQ(ComputeCutRange(10 * MiB, 9, 50, 100.0).S, 1);
}

TEST(CutRange, RangesWithoutAWholeBlockCopyNothing) {
    // Both points in the same block: E equal to S.
    auto same = ComputeCutRange(10 * MiB, 30, 39, 100.0);
    EXPECT_EQ(same.S, 3);
    EXPECT_EQ(same.E, 3);
    EXPECT_EQ(same.L, 0);
    EXPECT_TRUE(same.IsEmpty());
    EXPECT_EQ(same.ClipLength(), 0);
    EXPECT_EQ(WhyEmpty(same, 30, 39), EmptyRangeReason::TooShort);

    // End before start, which the cut-point commands allow after a new start behind an old end.
    auto reversed = ComputeCutRange(10 * MiB, 80, 20, 100.0);
    EXPECT_LT(reversed.L, 0);
    EXPECT_EQ(reversed.BlockCount(), 0);
    EXPECT_EQ(WhyEmpty(reversed, 80, 20), EmptyRangeReason::EndBeforeStart);

    // A source under one block: B = 0, S = 1, E = 0.
    auto tiny = ComputeCutRange(MiB - 1, 0, 10, 10.0);
    EXPECT_EQ(tiny.B, 0);
    EXPECT_EQ(tiny.S, 1);
    EXPECT_EQ(tiny.E, 0);
    EXPECT_TRUE(tiny.IsEmpty());
    EXPECT_EQ(WhyEmpty(tiny, 0, 10), EmptyRangeReason::SourceTooSmall);
    // Exactly one block is still too small: the first block is never copied.
    EXPECT_EQ(WhyEmpty(ComputeCutRange(MiB + 5, 0, 10, 10.0), 0, 10), EmptyRangeReason::SourceTooSmall);

    // An empty source.
    EXPECT_TRUE(ComputeCutRange(0, 0, 10, 10.0).IsEmpty());
}

TEST(CutRange, WithoutADurationNothingIsCopied) {
    for (auto duration : {std::optional<double>{}, std::optional<double>{0.0}, std::optional<double>{0.4},
                          std::optional<double>{std::nan("")}, std::optional<double>{HUGE_VAL}}) {
        auto r = ComputeCutRange(10 * MiB, 25, 75, duration);
        EXPECT_EQ(r.D, 0);
        EXPECT_EQ(r.S, 1);
        EXPECT_EQ(r.E, 0);
        EXPECT_LT(r.L, 0);
        EXPECT_TRUE(r.IsEmpty());
        EXPECT_EQ(WhyEmpty(r, 25, 75), EmptyRangeReason::NoDuration);
    }
    // 0.5 rounds to the even 0: no duration either.
    EXPECT_EQ(ComputeCutRange(10 * MiB, 0, 1, 0.5).D, 0);
}

TEST(CutRange, SourcesOfTwoGibibytesAndMoreUse64BitOffsets) {
    constexpr std::int64_t length = 5LL * 1024 * MiB; // 5 GiB = 5120 blocks
    auto r = ComputeCutRange(length, 4500, 4502, 5120.0);
    EXPECT_EQ(r.B, 5120);
    EXPECT_EQ(r.S, 4500);
    EXPECT_EQ(r.E, 4502);
    EXPECT_EQ(r.O1, 4500LL * MiB);
    EXPECT_EQ(r.L, 2 * MiB);
    EXPECT_EQ(r.SourcePosition(1), 4501LL * MiB + 1);

    // The whole file of a long recording: 2^31 seconds would overflow 32-bit products.
    auto whole = ComputeCutRange(length, 0, 2000000000, 2000000000.0);
    EXPECT_EQ(whole.E, 5120);
    EXPECT_EQ(whole.N, 5119);
}

TEST(CutRange, EndBeyondTheDurationStopsAtTheSourcesLastWholeBlock) {
    // An end point left over from a longer media must not read past the source.
    auto r = ComputeCutRange(10 * MiB + 100, 10, 500, 100.0);
    EXPECT_EQ(r.B, 10);
    EXPECT_EQ(r.E, 10);
    EXPECT_EQ(r.O2, 10 * MiB);
    EXPECT_EQ(r.N, 9);
}

TEST(CutRange, NegativeCutPointsTruncateTowardsZeroAndCopyNothingBeforeBlockOne) {
    auto r = ComputeCutRange(10 * MiB, -15, -5, 100.0);
    EXPECT_EQ(r.S, 1);
    EXPECT_EQ(r.E, 0); // -50 / 100 truncates to 0
    EXPECT_TRUE(r.IsEmpty());
}
