// ASF clips (WMV, WMA): the chosen packets, the rewritten File Properties and Simple Index,
// how the clip plays, the packet parser, and damaged sources.
#include <gtest/gtest.h>

#include <cmath>

#include "ClipTestSupport.h"
#include "cutting/clip/AsfPlanner.h"
#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {
namespace {

using test::LoadMedia;
using Bytes = std::vector<std::uint8_t>;

// The parts of an ASF file the tests look at; offsets are the files' own.
struct AsfLayout {
    std::size_t fileProperties = 0;
    std::size_t data = 0; // the Data Object
    std::uint32_t packetSize = 0;
    std::uint64_t preroll = 0;
    std::size_t firstPacket() const { return data + 50; }
};

AsfLayout Layout(const Bytes& file) {
    AsfLayout layout;
    layout.data = static_cast<std::size_t>(ReadU64LE(file, 16));
    for (std::size_t at = 30; at < layout.data; at += static_cast<std::size_t>(ReadU64LE(file, at + 16)))
        if (file[at] == 0xA1 && file[at + 1] == 0xDC && file[at + 2] == 0xAB && file[at + 3] == 0x8C)
            layout.fileProperties = at;
    layout.packetSize = ReadU32LE(file, layout.fileProperties + 92);
    layout.preroll = ReadU64LE(file, layout.fileProperties + 80);
    return layout;
}

AsfPacketTimes PacketAt(const Bytes& file, std::uint64_t offset, std::uint32_t size, int videoStream) {
    const auto packet =
        ParseAsfPacket(std::span(file).subspan(static_cast<std::size_t>(offset), size), videoStream);
    EXPECT_TRUE(packet);
    return packet.value_or(AsfPacketTimes{});
}

// The source without anything after its data (no Simple Index).
Bytes WithoutIndex(const Bytes& file) {
    const AsfLayout layout = Layout(file);
    return Bytes(file.begin(),
                 file.begin() + static_cast<std::ptrdiff_t>(layout.data + ReadU64LE(file, layout.data + 16)));
}

TEST(AsfPlanner, VideoClipsStartAtTheKeyframePacket) {
    const Bytes indexed = LoadMedia("wmv2.wmv").bytes;
    for (const Bytes& file : {indexed, WithoutIndex(indexed)}) {
        SCOPED_TRACE(file.size() == indexed.size() ? "with its index" : "without an index");
        MemorySource input(file);
        const PlanResult result = PlanAsfClip(input, {3.5, 5.5});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        const ClipPlan& plan = result.plan;
        const AsfLayout layout = Layout(file);
        EXPECT_EQ((plan.rangeBegin - layout.firstPacket()) % layout.packetSize, 0u);
        EXPECT_EQ(plan.RangeLength() % layout.packetSize, 0u);
        EXPECT_LE(plan.start, 3.05);
        EXPECT_GE(plan.start + plan.duration, 5.5);
        EXPECT_LE(plan.start + plan.duration, 6.0);
        EXPECT_LT(input.BytesRead(), 30u * layout.packetSize) << "planning read more than a few packets";

        // Keyframes every second: the clip's first packet starts the one at 3 s; the ends of
        // the frames before it were taken out of that packet (the clip is one packet longer
        // than the copied range).
        const Bytes clip = test::AssembleClip(plan, file);
        const AsfLayout clipLayout = Layout(clip);
        const auto first = PacketAt(clip, clipLayout.firstPacket(), layout.packetSize, 1);
        ASSERT_TRUE(first.keyframeTime);
        EXPECT_NEAR(*first.keyframeTime, 3000 + layout.preroll, 50);
        EXPECT_EQ(ReadU64LE(clip, clipLayout.data + 40), plan.RangeLength() / layout.packetSize + 1);

        const auto probe = test::Probe(clip, "wmv");
        EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
        EXPECT_EQ(probe.streams, "video,audio,");
        EXPECT_NEAR(probe.start, plan.start, 0.1);
        EXPECT_NEAR(probe.duration, plan.duration, 0.1);
    }
}

TEST(AsfPlanner, TheClipsHeaderAndIndexDescribeTheClip) {
    const Bytes file = LoadMedia("wmv2.wmv").bytes;
    MemorySource input(file);
    const PlanResult result = PlanAsfClip(input, {2.2, 6.3});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    const Bytes clip = test::AssembleClip(result.plan, file);
    const AsfLayout layout = Layout(clip);
    const std::uint64_t packets =
        (result.plan.header.size() - layout.firstPacket() + result.plan.RangeLength()) / layout.packetSize;
    const std::size_t properties = layout.fileProperties;
    EXPECT_EQ(ReadU64LE(clip, properties + 40), clip.size());
    EXPECT_EQ(ReadU64LE(clip, properties + 56), packets);
    const auto duration = static_cast<std::uint64_t>(std::llround(result.plan.duration * 1000));
    EXPECT_EQ(ReadU64LE(clip, properties + 64), (duration + layout.preroll) * 10000);
    EXPECT_EQ(ReadU64LE(clip, properties + 72), duration * 10000);
    EXPECT_EQ(ReadU32LE(clip, properties + 88) & 1u, 0u) << "broadcast";
    EXPECT_EQ(ReadU64LE(clip, layout.data + 16), 50 + packets * layout.packetSize);
    EXPECT_EQ(ReadU64LE(clip, layout.data + 40), packets);

    // The Simple Index: whole seconds of the source's timeline up to the clip's end, each
    // naming a clip packet that starts a keyframe presented by then.
    const std::size_t index = layout.firstPacket() + static_cast<std::size_t>(packets * layout.packetSize);
    ASSERT_EQ(ReadU64LE(clip, index + 16), clip.size() - index);
    const std::uint64_t interval = ReadU64LE(clip, index + 40);
    const std::uint32_t entries = ReadU32LE(clip, index + 52);
    EXPECT_EQ(interval, 10'000'000u);
    EXPECT_EQ(entries, static_cast<std::uint32_t>((6.3 * 1000 + layout.preroll) / 1000) + 1);
    for (std::uint32_t e = 0; e < entries; ++e) {
        const std::uint32_t packet = ReadU32LE(clip, index + 56 + 6 * e);
        ASSERT_LT(packet, packets);
        const auto times =
            PacketAt(clip, layout.firstPacket() + packet * layout.packetSize, layout.packetSize, 1);
        ASSERT_TRUE(times.keyframeTime) << "entry " << e;
        if (e * 1000 >= 2000 + layout.preroll) {
            EXPECT_LE(*times.keyframeTime, e * 1000) << "entry " << e;
        }
    }
}

TEST(AsfPlanner, AudioOnlyClipsStartAtThePacketBeforeTheMarkAndRunToTheEnd) {
    const Bytes file = LoadMedia("tone.wma").bytes;
    MemorySource input(file);
    const PlanResult result = PlanAsfClip(input, {4.2, 100});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    const AsfLayout layout = Layout(file);
    const auto first = PacketAt(file, result.plan.rangeBegin, layout.packetSize, -1);
    ASSERT_TRUE(first.firstTime);
    EXPECT_LE(*first.firstTime, 4200 + layout.preroll);
    const auto next = PacketAt(file, result.plan.rangeBegin + layout.packetSize, layout.packetSize, -1);
    EXPECT_GT(next.firstTime.value_or(0), 4200 + layout.preroll);
    const auto probe = test::Probe(test::AssembleClip(result.plan, file), "wma");
    EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
    EXPECT_EQ(probe.streams, "audio,");
    EXPECT_NEAR(result.plan.start + result.plan.duration, 8.0, 0.1);
    EXPECT_NEAR(probe.duration, result.plan.duration, 0.1);
}

// A clip keeps its source's times; cutting it again counts the marks from its first packet.
TEST(AsfPlanner, ClipsOfClipsCountMarksFromTheirFirstPacket) {
    const Bytes source = LoadMedia("wmv2.wmv").bytes;
    MemorySource input(source);
    const PlanResult once = PlanAsfClip(input, {3.5, 6.5});
    ASSERT_EQ(once.status, PlanStatus::Planned) << once.reason;
    const Bytes clip = test::AssembleClip(once.plan, source);
    MemorySource again(clip);
    const PlanResult twice = PlanAsfClip(again, {1.2, 2.0});
    ASSERT_EQ(twice.status, PlanStatus::Planned) << twice.reason;
    // The keyframe at 4 s of the source, about 1 s into the first clip.
    EXPECT_NEAR(once.plan.start + twice.plan.start, 4.0, 0.1);
    EXPECT_GE(twice.plan.start + twice.plan.duration, 2.0);
    EXPECT_EQ(PlanAsfClip(again, {4.5, 5}).status, PlanStatus::BadMarks);
    const auto probe = test::Probe(test::AssembleClip(twice.plan, clip), "wmv");
    EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
}

// Packets built by hand: error correction, padding, one or several payloads, compressed
// payloads; every field running past the packet is refused.
TEST(AsfPlanner, PacketsAreParsedWithinTheirBounds) {
    // Error correction (2 bytes), one payload of stream 1 starting a keyframe at 5000 ms, 3 bytes padding.
    const Bytes single{0x82, 0, 0, 0x08, 0x5D, 3, 0x10, 0x27, 0, 0, 0x28, 0, 0x81, 1, 0, 0, 0, 0, 8, 9,
                       0,    0, 0, 0x88, 0x13, 0, 0,    1,    2, 3, 4,    5, 6,    7, 8, 9, 0, 0, 0};
    const auto one = ParseAsfPacket(single, 1);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->sendTime, 10000u);
    EXPECT_EQ(one->keyframeTime, 5000u);
    EXPECT_EQ(ParseAsfPacket(single, 2)->keyframeTime, std::nullopt);

    // Two payloads with word lengths: audio at 4000 ms, then the middle of a video keyframe
    // (offset 100, so it starts no keyframe), then a compressed payload of stream 1 at 4500 ms.
    const Bytes several{0x01, 0x5D, 0xA0, 0x0F, 0,    0,    0,    0, 0x83, 0x02, 1,    0,    0,    0,    0,
                        8,    2,    0,    0,    0,    0xA0, 0x0F, 0, 0,    2,    0,    0xAA, 0xBB, 0x81, 2,
                        100,  0,    0,    0,    8,    2,    0,    0, 0,    0x10, 0x0E, 0,    0,    1,    0,
                        0xCC, 0x81, 3,    0x94, 0x11, 0,    0,    1, 0,    3,    0,    2,    0xDD, 0xEE};
    const auto three = ParseAsfPacket(several, 1);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->firstTime, 3600u);
    EXPECT_EQ(three->lastTime, 4500u);
    EXPECT_EQ(three->keyframeTime, 4500u);

    for (std::size_t length = 0; length < several.size(); ++length)
        EXPECT_FALSE(ParseAsfPacket(std::span(several).first(length), 1)) << length << " bytes";
    Bytes padded = single;
    padded[5] = 200; // more padding than the packet holds
    EXPECT_FALSE(ParseAsfPacket(padded, 1));
    Bytes reserved = single;
    reserved[0] = 0xE2; // an error correction length type ASF reserves
    EXPECT_FALSE(ParseAsfPacket(reserved, 1));
}

TEST(AsfPlanner, DamagedSourcesAreRefused) {
    const Bytes good = LoadMedia("wmv2.wmv").bytes;
    const AsfLayout layout = Layout(good);
    auto patched = [&](std::size_t at, std::uint64_t value, int bytes) {
        Bytes file = good;
        for (int i = 0; i < bytes; ++i)
            file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return file;
    };
    const std::size_t properties = layout.fileProperties;
    const struct {
        const char* what;
        Bytes file;
        PlanStatus expected;
    } cases[] = {
        {"empty", {}, PlanStatus::NotThisFormat},
        {"header only", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(layout.data)),
         PlanStatus::Damaged},
        {"truncated data", Bytes(good.begin(), good.begin() + 100000), PlanStatus::Damaged},
        {"header larger than the file", patched(16, ~0ull, 8), PlanStatus::Damaged},
        {"header object past the header", patched(30 + 16, 1u << 20, 8), PlanStatus::Damaged},
        {"header object smaller than its header", patched(30 + 16, 3, 8), PlanStatus::Damaged},
        {"packets of varying size", patched(properties + 96, layout.packetSize + 1, 4),
         PlanStatus::Unsupported},
        {"packets of no size", patched(properties + 92, 0, 8), PlanStatus::Unsupported},
        {"no data object", patched(layout.data, 0, 4), PlanStatus::Damaged},
        {"data larger than the file", patched(layout.data + 16, 1ull << 40, 8), PlanStatus::Damaged},
        {"damaged packet", patched(layout.firstPacket() + 5 * layout.packetSize + 3, 0xFFFFFFFF'5D18, 6),
         PlanStatus::Damaged},
    };
    for (const auto& sample : cases) {
        SCOPED_TRACE(sample.what);
        MemorySource input(sample.file);
        const PlanResult result = PlanAsfClip(input, {1, 2});
        EXPECT_EQ(result.status, sample.expected) << result.reason;
        EXPECT_FALSE(result.reason.empty());
    }

    // A live recording leaves the data size unset: the packets in the file are used.
    Bytes live = patched(layout.data + 16, 0, 8);
    live[properties + 88] |= 1;
    MemorySource input(live);
    const PlanResult result = PlanAsfClip(input, {1, 2});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    EXPECT_EQ(ReadU32LE(result.plan.header, properties + 88) & 1u, 0u);
}

} // namespace
} // namespace klevotrim::clip
