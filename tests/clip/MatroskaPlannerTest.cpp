// Matroska and WebM clips: where they start and end, the rewritten Segment header and Cues,
// how the clip plays, and damaged sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "ClipTestSupport.h"
#include "cutting/clip/Ebml.h"
#include "cutting/clip/MatroskaPlanner.h"

namespace klevotrim::clip {
namespace {

using test::LoadMedia;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSegment = 0x18538067;
constexpr std::uint32_t kCluster = 0x1F43B675;

// The top-level elements of the Segment in `file`, by walking (sizes known or not).
std::vector<ebml::Element> SegmentChildren(std::span<const std::uint8_t> file) {
    std::vector<ebml::Element> children;
    const auto ebmlHeader = ebml::ReadHeader(file, 0);
    const auto segment = ebml::ReadHeader(file, static_cast<std::size_t>(ebmlHeader->End()));
    EXPECT_EQ(segment->id, kSegment);
    std::size_t offset = static_cast<std::size_t>(segment->dataOffset);
    while (offset < file.size()) {
        const auto element = ebml::ReadHeader(file, offset);
        if (!element)
            break;
        children.push_back(*element);
        if (element->UnknownSize())
            break;
        offset = static_cast<std::size_t>(element->End());
    }
    return children;
}

std::optional<ebml::Element> Child(std::span<const std::uint8_t> file, const ebml::Element& parent,
                                   std::uint32_t id) {
    for (auto offset = static_cast<std::size_t>(parent.dataOffset); offset < parent.End();) {
        const auto element = ebml::ReadHeader(file, offset);
        if (!element)
            return std::nullopt;
        if (element->id == id)
            return element;
        offset = static_cast<std::size_t>(element->End());
    }
    return std::nullopt;
}

std::uint32_t IdAt(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    const auto element = ebml::ReadHeader(bytes, static_cast<std::size_t>(offset));
    return element ? element->id : 0;
}

// The live recording with every Cluster's size field set to "unknown" as well.
Bytes WithUnknownClusterSizes(Bytes file) {
    std::size_t offset = 0;
    while (offset + 4 < file.size()) {
        if (IdAt(file, offset) == kCluster) {
            const auto cluster = ebml::ReadHeader(file, offset);
            for (auto at = offset + 4; at < cluster->dataOffset; ++at)
                file[at] = 0xFF;
            const int width = static_cast<int>(cluster->dataOffset - offset - 4);
            file[offset + 4] = static_cast<std::uint8_t>(0xFF >> (width - 1));
            offset = static_cast<std::size_t>(cluster->End());
        } else {
            ++offset;
        }
    }
    return file;
}

struct Source {
    std::string name;
    std::function<Bytes(Bytes)> change;
    std::string extension;
    std::string streams;
};

const Source kVideoSources[] = {
    {"h264-aac.mkv", nullptr, "mkv", "video,audio,"},
    {"vp-web.webm", nullptr, "webm", "video,audio,"},
    {"live-no-cues.mkv", nullptr, "mkv", "video,audio,"},
    {"live-no-cues.mkv", WithUnknownClusterSizes, "mkv", "video,audio,"},
    {"short-clusters.mkv", nullptr, "mkv", "video,audio,"},
};

TEST(MatroskaPlanner, VideoClipsRunFromTheKeyframeClusterToTheClusterHoldingTheEnd) {
    for (const Source& source : kVideoSources) {
        SCOPED_TRACE(source.name + (source.change ? " (unknown Cluster sizes)" : ""));
        Bytes file = LoadMedia(source.name).bytes;
        if (source.change)
            file = source.change(file);
        MemorySource input(file);
        const PlanResult result = PlanMatroskaClip(input, {3.5, 5.5});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        const ClipPlan& plan = result.plan;
        // Keyframes every second, each at the start of a Cluster.
        EXPECT_EQ(IdAt(file, plan.rangeBegin), kCluster);
        EXPECT_NEAR(plan.start, 3.0, 0.03);
        EXPECT_GE(plan.start + plan.duration, 5.5);
        EXPECT_LE(plan.start + plan.duration, 6.55);
        EXPECT_TRUE(plan.rangeEnd == file.size() || IdAt(file, plan.rangeEnd) != 0);

        const Bytes clip = test::AssembleClip(plan, file);
        const test::ProbeResult probe = test::Probe(clip, source.extension);
        EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
        EXPECT_EQ(probe.streams, source.streams);
        EXPECT_NEAR(probe.start, plan.start, 0.03);
        EXPECT_NEAR(probe.duration, plan.duration, 0.05);
    }
}

TEST(MatroskaPlanner, TheNewSegmentIndexesItself) {
    for (const Source& source : {kVideoSources[0], kVideoSources[3]}) {
        SCOPED_TRACE(source.name);
        Bytes file = LoadMedia(source.name).bytes;
        if (source.change)
            file = source.change(file);
        MemorySource input(file);
        const PlanResult result = PlanMatroskaClip(input, {2.2, 6.1});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        const Bytes clip = test::AssembleClip(result.plan, file);

        const auto ebmlHeader = ebml::ReadHeader(clip, 0);
        const auto segment = ebml::ReadHeader(clip, static_cast<std::size_t>(ebmlHeader->End()));
        ASSERT_TRUE(segment);
        // Unknown-size Clusters keep the Segment's size unknown too.
        if (source.change)
            EXPECT_TRUE(segment->UnknownSize());
        else
            EXPECT_EQ(segment->End(), clip.size());
        auto value = [&](const ebml::Element& element) {
            return *ebml::ReadUnsigned(std::span(clip).subspan(element.dataOffset, element.size));
        };

        // SeekHead entries name the elements found at their positions.
        const auto seekHead = *ebml::ReadHeader(clip, static_cast<std::size_t>(segment->dataOffset));
        ASSERT_EQ(seekHead.id, 0x114D9B74u);
        std::map<std::uint64_t, ebml::Element> named;
        for (auto offset = static_cast<std::size_t>(seekHead.dataOffset); offset < seekHead.End();) {
            const auto seek = *ebml::ReadHeader(clip, offset);
            const auto target = value(*Child(clip, seek, 0x53AB));
            const auto element =
                ebml::ReadHeader(clip, segment->dataOffset + value(*Child(clip, seek, 0x53AC)));
            ASSERT_TRUE(element);
            EXPECT_EQ(element->id, target);
            named[target] = *element;
            offset = static_cast<std::size_t>(seek.End());
        }
        EXPECT_EQ(named.size(), 3u); // Info, Tracks, Cues
        EXPECT_EQ(named[0x1C53BB6B].End(), clip.size());

        // Info's Duration is the clip's, in the kept timestamp scale (milliseconds here).
        const auto info = named[0x1549A966];
        const auto duration = *Child(clip, info, 0x4489);
        EXPECT_NEAR(*ebml::ReadFloat(std::span(clip).subspan(duration.dataOffset, duration.size)),
                    result.plan.duration * 1000, 0.5);
        EXPECT_EQ(value(*Child(clip, info, 0x2AD7B1)), 1'000'000u);
        EXPECT_FALSE(Child(clip, info, 0xBF)) << "a stale CRC-32 was kept";

        // One cue per copied keyframe Cluster (2 s to 6 s), each pointing at a Cluster.
        const auto cues = named[0x1C53BB6B];
        std::vector<std::uint64_t> times;
        for (auto offset = static_cast<std::size_t>(cues.dataOffset); offset < cues.End();) {
            const auto point = *ebml::ReadHeader(clip, offset);
            times.push_back(value(*Child(clip, point, 0xB3)));
            const auto at = value(*Child(clip, *Child(clip, point, 0xB7), 0xF1));
            EXPECT_EQ(IdAt(clip, segment->dataOffset + at), kCluster);
            offset = static_cast<std::size_t>(point.End());
        }
        ASSERT_EQ(times.size(), 5u);
        EXPECT_NEAR(static_cast<double>(times[0]), 2000, 30);
        for (std::size_t i = 1; i < times.size(); ++i)
            EXPECT_EQ(times[i] - times[i - 1], 1000u);
    }
}

TEST(MatroskaPlanner, CuesKeepPlanningReadsSmall) {
    const auto media = LoadMedia("h264-aac.mkv");
    MemorySource input(media.bytes);
    ASSERT_EQ(PlanMatroskaClip(input, {5.2, 6.4}).status, PlanStatus::Planned);
    EXPECT_LT(input.BytesRead(), 8192u);
}

TEST(MatroskaPlanner, AudioOnlyClipsStartAtTheClusterBeforeTheMark) {
    const auto media = LoadMedia("tone.mka");
    MemorySource input(media.bytes);
    const PlanResult result = PlanMatroskaClip(input, {6.0, 7.0});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    EXPECT_LE(result.plan.start, 6.0);
    EXPECT_NEAR(result.plan.start + result.plan.duration, 8.0, 0.05);
    const auto probe = test::Probe(test::AssembleClip(result.plan, media.bytes), "mka");
    EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
    EXPECT_EQ(probe.streams, "audio,");
    EXPECT_NEAR(probe.duration, result.plan.duration, 0.05);
}

// A clip keeps its source's timestamps; cutting it again counts the marks from its first frame.
TEST(MatroskaPlanner, ClipsOfClipsCountMarksFromTheirFirstFrame) {
    const Bytes source = LoadMedia("h264-aac.mkv").bytes;
    MemorySource input(source);
    const PlanResult once = PlanMatroskaClip(input, {3.5, 6.5});
    ASSERT_EQ(once.status, PlanStatus::Planned) << once.reason;
    const Bytes clip = test::AssembleClip(once.plan, source);
    MemorySource again(clip);
    const PlanResult twice = PlanMatroskaClip(again, {1.2, 2.0});
    ASSERT_EQ(twice.status, PlanStatus::Planned) << twice.reason;
    EXPECT_NEAR(twice.plan.start, 1.0, 0.05);
    EXPECT_GE(twice.plan.start + twice.plan.duration, 2.0);
    const auto probe = test::Probe(test::AssembleClip(twice.plan, clip), "mkv");
    EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
    EXPECT_NEAR(probe.start, once.plan.start + twice.plan.start, 0.05);
    EXPECT_EQ(PlanMatroskaClip(again, {4.5, 5}).status, PlanStatus::BadMarks);
}

// Damaged and hostile sources: refused with a reason, never planned past the file.
TEST(MatroskaPlanner, DamagedSourcesAreRefused) {
    const Bytes good = LoadMedia("h264-aac.mkv").bytes;
    const Bytes live = LoadMedia("live-no-cues.mkv").bytes;
    const auto segmentAt = static_cast<std::size_t>(ebml::ReadHeader(good, 0)->End());
    auto find = [](const Bytes& file, std::uint32_t id) {
        for (const auto& element : SegmentChildren(file))
            if (element.id == id)
                return static_cast<std::size_t>(element.offset);
        return std::size_t{0};
    };
    auto patched = [](Bytes file, std::size_t at, Bytes bytes) {
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        return file;
    };
    const std::size_t firstCluster = find(good, kCluster);
    const std::size_t liveCluster = find(live, kCluster);
    const auto liveClusterData = static_cast<std::size_t>(ebml::ReadHeader(live, liveCluster)->dataOffset);
    const Bytes scaleId{0x2A, 0xD7, 0xB1};
    const auto scaleAt = static_cast<std::size_t>(
        std::search(good.begin(), good.end(), scaleId.begin(), scaleId.end()) - good.begin());
    const struct {
        const char* what;
        Bytes file;
        PlanStatus expected;
    } cases[] = {
        {"empty", {}, PlanStatus::NotThisFormat},
        {"EBML header only", Bytes(good.begin(), good.begin() + 40), PlanStatus::Damaged},
        {"truncated", Bytes(good.begin(), good.begin() + 100000), PlanStatus::Damaged},
        {"another document type", patched(good, 0x1A, {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'}),
         PlanStatus::Unsupported},
        {"Segment larger than the file", patched(good, segmentAt + 4, {0x01, 0x7F, 0, 0, 0, 0, 0, 0}),
         PlanStatus::Damaged},
        {"no Info", patched(good, find(good, 0x1549A966), {0x15, 0x49, 0xA9, 0x67}), PlanStatus::Damaged},
        {"Cluster larger than the Segment", patched(good, firstCluster + 4, {0x3F, 0xFF, 0xFE}),
         PlanStatus::Damaged},
        {"zero timestamp scale", patched(good, scaleAt, {0x2A, 0xD7, 0xB1, 0x83, 0, 0, 0}),
         PlanStatus::Damaged},
        {"unknown-size block in an unknown-size Cluster",
         patched(WithUnknownClusterSizes(live), liveClusterData, {0xBF, 0xFF}), PlanStatus::Damaged},
        {"header elements only", Bytes(live.begin(), live.begin() + static_cast<std::ptrdiff_t>(liveCluster)),
         PlanStatus::Damaged},
    };
    for (const auto& sample : cases) {
        SCOPED_TRACE(sample.what);
        MemorySource input(sample.file);
        const PlanResult result = PlanMatroskaClip(input, {0.2, 2});
        EXPECT_EQ(result.status, sample.expected) << result.reason;
        EXPECT_FALSE(result.reason.empty());
    }
}

TEST(MatroskaPlanner, StaleCuesAndSeekHeadsFallBackToWalking) {
    const Bytes good = LoadMedia("h264-aac.mkv").bytes;
    // Every position in the element now points one byte into the element it named.
    auto stale = [&](std::uint32_t parent, const Bytes& id) {
        Bytes file = good;
        for (const auto& element : SegmentChildren(file))
            if (element.id == parent)
                for (auto at = static_cast<std::size_t>(element.dataOffset); at + 4 < element.End(); ++at) {
                    const std::size_t size = at + id.size();
                    if (std::equal(id.begin(), id.end(), file.begin() + static_cast<std::ptrdiff_t>(at)) &&
                        (file[size] & 0xF8) == 0x80)
                        ++file[size + (file[size] & 0x07)];
                }
        return file;
    };
    for (const Bytes& file : {stale(0x1C53BB6B, {0xF1}), stale(0x114D9B74, {0x53, 0xAC})}) {
        MemorySource input(file);
        const PlanResult result = PlanMatroskaClip(input, {3.5, 5.5});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        EXPECT_NEAR(result.plan.start, 3.0, 0.03);
        EXPECT_TRUE(test::Probe(test::AssembleClip(result.plan, file), "mkv").decodesCleanly);
    }
}

} // namespace
} // namespace klevotrim::clip
