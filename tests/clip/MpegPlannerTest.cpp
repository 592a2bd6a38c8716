// The MPEG program and transport stream planners on media ffmpeg makes (tests/clip/media/mpeg.sh):
// 8 s of picture and tone, a keyframe every half second.
#include <gtest/gtest.h>

#include <map>

#include "ClipTestSupport.h"
#include "cutting/clip/MpegPsPlanner.h"
#include "cutting/clip/MpegTsPlanner.h"

namespace klevotrim::clip {
namespace {

using test::LoadMedia;
using test::Probe;

constexpr double kGop = 0.48;
constexpr double kFrame = 0.04;
// Audio is multiplexed up to about half a second away from the picture shown with it, so
// the clip's first sound may come before its first picture.
constexpr double kInterleave = 0.5;
// ffprobe measures a program stream to the stamp of its last sound packet, not past the
// frames in it.
constexpr double kLastPacket = 0.1;

// Where the source itself starts for ffprobe: the clips' times are compared with it.
double SourceStart(const test::MediaFile& file, const std::string& extension) {
    return Probe(file.bytes, extension).start;
}

// Plans `marks` on a generated file, checks the clip decodes cleanly and covers the marks:
// it may start up to one GOP early and end a little after the end mark.
ClipPlan ExpectPlayableClip(const std::string& name, const std::string& extension, Marks marks,
                            double lateEnd = 0.75) {
    SCOPED_TRACE(name);
    const auto file = LoadMedia(name);
    auto source = file.Source();
    const PlanResult result = PlanPlayableClip(source, marks);
    EXPECT_EQ(result.status, PlanStatus::Planned) << result.reason;
    if (result.status != PlanStatus::Planned)
        return {};
    const ClipPlan& plan = result.plan;
    EXPECT_LE(plan.rangeBegin, plan.rangeEnd);
    EXPECT_LE(plan.rangeEnd, file.bytes.size());
    const auto clip = test::AssembleClip(plan, file.bytes);
    const auto probe = Probe(clip, extension);
    EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
    const double origin = SourceStart(file, extension);
    const double start = probe.start - origin;
    EXPECT_LE(start, marks.start + kFrame);
    EXPECT_GE(start, marks.start - kGop - kInterleave);
    EXPECT_LE(plan.start, marks.start + kFrame);
    EXPECT_GE(plan.start, std::max(0.0, start - kFrame));
    EXPECT_GE(plan.start, marks.start - kGop - kFrame);
    const double end = start + probe.duration;
    EXPECT_GE(end, std::min(marks.end, 8.0) - kLastPacket);
    EXPECT_LE(end, marks.end + lateEnd);
    return plan;
}

struct TsPacketView {
    std::uint16_t pid;
    std::uint8_t continuity;
    bool payload;
};

std::vector<TsPacketView> TsPackets(std::span<const std::uint8_t> bytes, std::size_t stride,
                                    std::size_t prefix) {
    std::vector<TsPacketView> packets;
    for (std::size_t at = 0; at + stride <= bytes.size(); at += stride) {
        const std::uint8_t* p = bytes.data() + at + prefix;
        EXPECT_EQ(p[0], 0x47) << "at " << at;
        packets.push_back({static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]),
                           static_cast<std::uint8_t>(p[3] & 15), (p[3] & 0x10) != 0});
    }
    return packets;
}

TEST(MpegPsPlanner, ClipsStartAtAGopAndPlayCleanly) {
    // Both multiplexers put a GOP's sequence header in the middle of a packet, after the end
    // of the pictures before it, and start audio packets in the middle of frames: the packs
    // at either end are rewritten so that every stream starts and ends with whole units.
    // The short ones: the rewritten packs at the start and at the end meet.
    for (const Marks marks :
         {Marks{2.3, 5.1}, Marks{0, 1.5}, Marks{6.1, 20}, Marks{3.33, 3.5}, Marks{2.1, 2.6}}) {
        SCOPED_TRACE(marks.start);
        for (const char* name : {"mpeg1.mpg", "mpeg2.vob"}) {
            const ClipPlan plan = ExpectPlayableClip(name, "mpg", marks);
            ASSERT_GE(plan.trailer.size(), 4u);
            EXPECT_EQ(plan.trailer.back(), 0xB9);
        }
    }
}

TEST(MpegPsPlanner, SoundOnlyStreamsStartAtThePackOfTheMark) {
    for (const Marks marks : {Marks{2.3, 5.1}, Marks{0.7, 1.1}}) {
        const ClipPlan plan = ExpectPlayableClip("audio.mpg", "mpg", marks, 0.15);
        EXPECT_NEAR(plan.start, marks.start, 0.13); // one 2 KiB pack of 128 kbit/s sound
    }
}

TEST(MpegPsPlanner, DamagedInputIsRefusedOrCutWithinTheFile) {
    const auto file = LoadMedia("mpeg2.vob");
    const auto plan = [](std::span<const std::uint8_t> bytes, Marks marks) {
        MemorySource source(bytes);
        const PlanResult result = PlanMpegProgramStream(source, marks);
        if (result.status == PlanStatus::Planned) {
            EXPECT_LE(result.plan.rangeBegin, result.plan.rangeEnd);
            EXPECT_LE(result.plan.rangeEnd, bytes.size());
        } else {
            EXPECT_FALSE(result.reason.empty());
        }
        return result;
    };
    EXPECT_EQ(plan({}, {0, 1}).status, PlanStatus::NotThisFormat);
    EXPECT_EQ(plan(std::span(file.bytes).subspan(1), {0, 1}).status, PlanStatus::NotThisFormat);
    EXPECT_EQ(plan(file.bytes, {8.5, 9}).status, PlanStatus::BadMarks);

    // Cut off in the middle of a pack: the clip keeps the whole packs before it.
    const std::span<const std::uint8_t> truncated(file.bytes.data(), file.bytes.size() / 2 + 1001);
    const PlanResult cut = plan(truncated, {1, 30});
    ASSERT_EQ(cut.status, PlanStatus::Planned) << cut.reason;
    EXPECT_EQ(cut.plan.rangeEnd, truncated.size() - 1001 + 14);

    // Garbage over a stretch in the middle: packs are found again after it.
    std::vector<std::uint8_t> damaged(file.bytes);
    for (std::size_t at = 200000; at < 230000; ++at)
        damaged[at] = static_cast<std::uint8_t>(at * 7919 >> 5);
    EXPECT_EQ(plan(damaged, {4, 6}).status, PlanStatus::Planned);

    // Only the first pack header: no stamps to cut by.
    EXPECT_EQ(plan(std::span(file.bytes).first(14), {0, 1}).status, PlanStatus::Damaged);
}

TEST(MpegTsPlanner, ClipsStartAtAKeyframeAndPlayCleanly) {
    for (const Marks marks : {Marks{2.3, 5.1}, Marks{0, 1.5}, Marks{6.1, 20}}) {
        SCOPED_TRACE(marks.start);
        ExpectPlayableClip("mpeg2.ts", "ts", marks);
        ExpectPlayableClip("h264.ts", "ts", marks);
    }
    // ffmpeg's m2ts reader (unlike its plain TS reader) stumbles over a file whose very first
    // picture packet carries the stream's last IDR, so this file is cut before that one.
    for (const Marks marks : {Marks{2.3, 5.1}, Marks{0, 1.5}, Marks{4.2, 20}}) {
        const ClipPlan m2ts = ExpectPlayableClip("h264.m2ts", "m2ts", marks);
        EXPECT_EQ(m2ts.rangeBegin % 192, 0u);
        EXPECT_EQ(m2ts.rangeEnd % 192, 0u);
    }
}

TEST(MpegTsPlanner, HeaderTablesContinueTheCountersOfTheCopiedPackets) {
    for (const auto& [name, stride, prefix] :
         {std::tuple<const char*, std::size_t, std::size_t>{"h264.ts", 188, 0}, {"h264.m2ts", 192, 4}}) {
        SCOPED_TRACE(name);
        const auto file = LoadMedia(name);
        auto source = file.Source();
        const PlanResult result = PlanPlayableClip(source, {3.3, 4.0});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        ASSERT_EQ(result.plan.header.size(), 2 * stride);
        const auto clip = test::AssembleClip(result.plan, file.bytes);
        const auto packets = TsPackets(clip, stride, prefix);
        ASSERT_GT(packets.size(), 2u);
        EXPECT_EQ(packets[0].pid, 0);
        std::map<std::uint16_t, int> last;
        int checked = 0;
        for (const TsPacketView& packet : packets) {
            if (!packet.payload)
                continue;
            const auto previous = last.find(packet.pid);
            if (previous != last.end() && (packet.pid == 0 || packet.pid == packets[1].pid)) {
                EXPECT_EQ(packet.continuity, (previous->second + 1) % 16) << "pid " << packet.pid;
                ++checked;
            }
            last[packet.pid] = packet.continuity;
        }
        EXPECT_GE(checked, 2);
    }
}

TEST(MpegPlanners, TimeStampsThatWrapPastTheClockRangeCutLikeUnwrappedOnes) {
    // The wrap files are mpeg2.ts and mpeg1.mpg with every stamp moved 95440 s on: the 33-bit
    // clock wraps about 2.3 s into them. The plans must pick the same bytes.
    for (const auto& [plainName, wrappedName, extension] :
         {std::tuple<const char*, const char*, const char*>{"mpeg2.ts", "wrap.ts", "ts"},
          {"mpeg1.mpg", "wrap.mpg", "mpg"}}) {
        SCOPED_TRACE(wrappedName);
        const auto plain = LoadMedia(plainName);
        const auto wrapped = LoadMedia(wrappedName);
        for (const Marks marks : {Marks{1.0, 2.0}, Marks{2.1, 2.6}, Marks{3.0, 6.0}}) {
            SCOPED_TRACE(marks.start);
            auto plainSource = plain.Source();
            auto wrappedSource = wrapped.Source();
            const PlanResult expected = PlanPlayableClip(plainSource, marks);
            const PlanResult result = PlanPlayableClip(wrappedSource, marks);
            ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
            EXPECT_EQ(result.plan.rangeBegin, expected.plan.rangeBegin);
            EXPECT_EQ(result.plan.rangeEnd, expected.plan.rangeEnd);
            EXPECT_EQ(result.plan.header.size(), expected.plan.header.size());
            EXPECT_EQ(result.plan.trailer.size(), expected.plan.trailer.size());
            EXPECT_NEAR(result.plan.start, expected.plan.start, 1e-6);
            const auto probe = Probe(test::AssembleClip(result.plan, wrapped.bytes), extension);
            EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
        }
    }
}

TEST(MpegPlanners, PlanningALongRecordingReadsOnlyAroundTheMarks) {
    // Hours of the generated files played over and over: the clip is planned from a few MiB
    // around the marks and the file's ends, and picks the same bytes in its copy of the file
    // as a plan on the file itself.
    constexpr std::uint64_t kBudget = 4 << 20;
    for (const auto& [name, size] :
         {std::pair<const char*, std::uint64_t>{"mpeg1.mpg", 1000000000}, {"mpeg2.ts", 2ull << 30}}) {
        SCOPED_TRACE(name);
        const auto file = LoadMedia(name);
        test::LoopedMpegSource looped(file.bytes, 8.0, size);
        constexpr std::uint64_t kCopy = 450;
        const Marks marks{2.3, 5.1};
        const PlanResult result =
            PlanPlayableClip(looped, {marks.start + 8.0 * kCopy, marks.end + 8.0 * kCopy});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        EXPECT_LE(looped.BytesRead(), kBudget) << looped.Reads() << " reads";
        auto plain = file.Source();
        const PlanResult expected = PlanPlayableClip(plain, marks);
        ASSERT_EQ(expected.status, PlanStatus::Planned) << expected.reason;
        EXPECT_EQ(result.plan.rangeBegin, kCopy * looped.CopySize() + expected.plan.rangeBegin);
        EXPECT_EQ(result.plan.rangeEnd, kCopy * looped.CopySize() + expected.plan.rangeEnd);
        EXPECT_NEAR(result.plan.start, expected.plan.start + 8.0 * kCopy, 1e-6);
    }
}

TEST(MpegTsPlanner, DamagedInputIsRefusedOrCutWithinTheFile) {
    const auto file = LoadMedia("mpeg2.ts");
    const auto plan = [](std::span<const std::uint8_t> bytes, Marks marks) {
        MemorySource source(bytes);
        const PlanResult result = PlanMpegTransportStream(source, marks);
        if (result.status == PlanStatus::Planned) {
            EXPECT_LE(result.plan.rangeBegin, result.plan.rangeEnd);
            EXPECT_LE(result.plan.rangeEnd, bytes.size());
        } else {
            EXPECT_FALSE(result.reason.empty());
            EXPECT_NE(result.reason.back(), '.');
        }
        return result;
    };
    EXPECT_EQ(plan({}, {0, 1}).status, PlanStatus::NotThisFormat);
    std::vector<std::uint8_t> garbage(100000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
    EXPECT_EQ(plan(garbage, {0, 1}).status, PlanStatus::NotThisFormat);

    // Cut off in the middle of a packet: the clip stops at the last whole one.
    const std::span<const std::uint8_t> truncated(file.bytes.data(), file.bytes.size() / 2 + 77);
    const PlanResult cut = plan(truncated, {1, 30});
    ASSERT_EQ(cut.status, PlanStatus::Planned) << cut.reason;
    EXPECT_EQ(cut.plan.rangeEnd % 188, 0u);
    EXPECT_EQ(plan(truncated, {6, 7}).status, PlanStatus::BadMarks);
    EXPECT_EQ(plan(file.bytes, {9, 10}).status, PlanStatus::BadMarks);
    EXPECT_EQ(plan(file.bytes, {7, 100}).plan.rangeEnd, file.bytes.size());

    // Sync lost for a stretch in the middle: planning finds it again.
    std::vector<std::uint8_t> unsynced(file.bytes);
    unsynced.insert(unsynced.begin() + 250000, garbage.begin(), garbage.begin() + 1000);
    EXPECT_EQ(plan(unsynced, {5, 6}).status, PlanStatus::Planned);

    // Tables gone: recognised, but nothing to cut by.
    std::vector<std::uint8_t> noTables(file.bytes);
    for (std::size_t at = 0; at + 188 <= noTables.size(); at += 188)
        if (noTables[at + 2] == 0 && (noTables[at + 1] & 0x1F) == 0)
            noTables[at + 2] = 0x77;
    EXPECT_EQ(plan(noTables, {1, 2}).status, PlanStatus::Damaged);
}

} // namespace
} // namespace klevotrim::clip
