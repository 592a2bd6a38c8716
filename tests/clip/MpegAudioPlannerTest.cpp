// MPEG audio (MP3, MP2) and ADTS AAC clips: whole frames at the marks, checked against the frame
// offsets ffprobe reports; the Xing header of a clip; damaged and tiny inputs; what planning an
// hour-long file reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ClipTestSupport.h"
#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {
namespace {

struct Media {
    const char* name;
    const char* extension;
    double framesPerSecond;
    bool xing; // the source has a Xing or Info header frame
};
constexpr Media kMedia[] = {
    {"mp3-cbr.mp3", "mp3", 44100.0 / 1152, true},       {"mp3-cbr-bare.mp3", "mp3", 44100.0 / 1152, false},
    {"mp3-vbr.mp3", "mp3", 44100.0 / 1152, true},       {"mp3-vbr-22k.mp3", "mp3", 22050.0 / 576, true},
    {"mp3-vbr-bare.mp3", "mp3", 44100.0 / 1152, false}, {"mp3-8k.mp3", "mp3", 8000.0 / 576, true},
    {"mp2-48k.mp2", "mp2", 48000.0 / 1152, false},      {"aac-44k.aac", "aac", 44100.0 / 1024, false},
    {"aac-id3.aac", "aac", 48000.0 / 1024, false},
};

// The clip's Xing header frame, after its ID3v2 tag: frames, bytes and the table.
struct Xing {
    std::uint32_t frames = 0;
    std::uint32_t bytes = 0;
    std::vector<std::uint8_t> toc;
};
std::optional<Xing> ReadXing(std::span<const std::uint8_t> header) {
    for (const char* tag : {"Xing", "Info"}) {
        const auto at = std::search(header.begin(), header.end(), tag, tag + 4);
        if (at == header.end())
            continue;
        const std::size_t field = static_cast<std::size_t>(at - header.begin()) + 8;
        if (ReadU32BE(header, field - 4) != 7 || field + 108 > header.size())
            return std::nullopt;
        return Xing{ReadU32BE(header, field), ReadU32BE(header, field + 4),
                    std::vector<std::uint8_t>(header.begin() + field + 8, header.begin() + field + 108)};
    }
    return std::nullopt;
}

TEST(ClipMpegAudio, CutsTheFramesHoldingTheMarks) {
    for (const Media& m : kMedia) {
        SCOPED_TRACE(m.name);
        const test::MediaFile file = test::LoadMedia(m.name);
        const std::vector<std::uint64_t> frames = test::PacketOffsets(m.name);
        ASSERT_GT(frames.size(), 80u);
        for (const Marks marks : {Marks{0, 2}, Marks{1.3, 4.71}, Marks{3, 6.5}}) {
            SCOPED_TRACE(marks.start);
            MemorySource source = file.Source();
            const PlanResult result = PlanPlayableClip(source, marks);
            ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
            const ClipPlan& plan = result.plan;
            const std::size_t first = static_cast<std::size_t>(std::floor(marks.start * m.framesPerSecond));
            const std::size_t end =
                std::min(frames.size(), static_cast<std::size_t>(std::ceil(marks.end * m.framesPerSecond)));
            EXPECT_EQ(plan.rangeBegin, frames[first]);
            EXPECT_EQ(plan.rangeEnd, end < frames.size() ? frames[end] : plan.rangeEnd);
            EXPECT_NEAR(plan.start, first / m.framesPerSecond, 1e-9);
            EXPECT_NEAR(plan.duration, (end - first) / m.framesPerSecond, 1e-9);

            const std::vector<std::uint8_t> clip = test::AssembleClip(plan, file.bytes);
            const std::optional<Xing> xing = ReadXing(plan.header);
            ASSERT_EQ(xing.has_value(), m.xing);
            if (xing) {
                EXPECT_EQ(xing->frames, end - first);
                // Bytes from the Xing frame on: everything after the ID3v2 tag.
                MemorySource clipSource(clip);
                EXPECT_EQ(xing->bytes, clip.size() - Id3v2Length(clipSource, 0).value_or(0));
                EXPECT_TRUE(std::is_sorted(xing->toc.begin(), xing->toc.end()));
                EXPECT_LT(xing->toc.front(), 16); // the Xing frame's own share
                EXPECT_GE(xing->toc.back(), 240);
            }
            if (marks.start != 1.3)
                continue; // one decode per file is enough
            const test::ProbeResult probe = test::Probe(clip, m.extension);
            // A clip's first MP3 frame may point back into the bit reservoir of one left behind.
            EXPECT_TRUE(probe.decodesCleanly || probe.errors.find("backstep") != std::string::npos)
                << probe.errors;
            EXPECT_NEAR(probe.duration, plan.duration, 1.5 / m.framesPerSecond);
        }
    }
}

TEST(ClipMpegAudio, RefusesMarksOutsideTheAudioAndLeavesTrailingTagsOut) {
    const test::MediaFile bare = test::LoadMedia("mp3-cbr-bare.mp3"); // 10.03 s with an ID3v1 tag
    struct Case {
        Marks marks;
        PlanStatus status;
    };
    for (const Case& c : {Case{{20, 25}, PlanStatus::BadMarks}, Case{{5, 12}, PlanStatus::BadMarks},
                          Case{{9, 10.9}, PlanStatus::Planned}}) {
        MemorySource source = bare.Source();
        const PlanResult result = PlanPlayableClip(source, c.marks);
        EXPECT_EQ(result.status, c.status) << result.reason;
        if (result.status == PlanStatus::Planned) {
            EXPECT_EQ(result.plan.rangeEnd, bare.bytes.size() - 128);
        } else {
            EXPECT_FALSE(result.reason.empty());
        }
    }
    // A file cut off inside a frame ends with the last whole frame.
    const std::vector<std::uint64_t> frames = test::PacketOffsets("mp3-cbr-bare.mp3");
    const std::size_t cutAt = static_cast<std::size_t>(frames[300] + 50);
    MemorySource cut(std::span<const std::uint8_t>(bare.bytes).first(cutAt));
    const PlanResult result = PlanPlayableClip(cut, {5, 7.9});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    EXPECT_EQ(result.plan.rangeEnd, frames[300]);
}

TEST(ClipMpegAudio, DamagedTinyAndLookAlikeInputs) {
    const test::MediaFile mp3 = test::LoadMedia("mp3-cbr-bare.mp3");
    const test::MediaFile aac = test::LoadMedia("aac-44k.aac");
    const std::vector<std::uint64_t> frames = test::PacketOffsets("mp3-cbr-bare.mp3");
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        PlanStatus status;
    };
    std::vector<std::uint8_t> headerThenGarbage(mp3.bytes.begin(), mp3.bytes.begin() + 4);
    headerThenGarbage.resize(5000, 0x55);
    std::vector<std::uint8_t> tagThenGarbage{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 10};
    tagThenGarbage.resize(5000, 0xFF);
    std::vector<std::uint8_t> tagPastTheEnd{'I', 'D', '3', 4, 0, 0, 0, 0x7F, 0, 0};
    tagPastTheEnd.insert(tagPastTheEnd.end(), mp3.bytes.begin(), mp3.bytes.end());
    const Case cases[] = {
        {"empty", {}, PlanStatus::NotThisFormat},
        {"a bare sync word", {0xFF, 0xFB, 0x90}, PlanStatus::NotThisFormat},
        {"one header, then garbage", headerThenGarbage, PlanStatus::NotThisFormat},
        {"a tag, then sync-like garbage", tagThenGarbage, PlanStatus::NotThisFormat},
        {"a tag longer than the file", tagPastTheEnd, PlanStatus::NotThisFormat},
        {"a single frame",
         std::vector<std::uint8_t>(mp3.bytes.begin() + static_cast<std::ptrdiff_t>(frames[0]),
                                   mp3.bytes.begin() + static_cast<std::ptrdiff_t>(frames[1])),
         PlanStatus::Planned},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.bytes);
        const PlanResult result = PlanMpegAudio(source, {0, 1});
        EXPECT_EQ(result.status, c.status) << result.reason;
        EXPECT_EQ(PlanAdts(source, {0, 1}).status, PlanStatus::NotThisFormat); // MPEG audio is no ADTS
    }
    // Stretches of a file overwritten: the damage is skipped.
    for (const test::MediaFile* file : {&mp3, &aac}) {
        std::vector<std::uint8_t> damaged = file->bytes;
        for (std::size_t at = 2000; at + 700 < damaged.size(); at += 9000)
            std::fill_n(damaged.begin() + static_cast<std::ptrdiff_t>(at), 700, 0xFF);
        MemorySource source(damaged);
        const PlanResult result = PlanPlayableClip(source, {1, 4});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        EXPECT_LE(result.plan.rangeEnd, damaged.size());
    }
}

TEST(ClipMpegAudio, ASyncWordInsideAFramesPayloadIsNoFrameStart) {
    const test::MediaFile file = test::LoadMedia("mp3-vbr.mp3");
    const std::vector<std::uint64_t> frames = test::PacketOffsets("mp3-vbr.mp3");
    std::vector<std::uint8_t> bytes = file.bytes;
    // A header that parses, in the middle of frame 100's payload.
    const std::uint64_t fake = frames[100] + 40;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(frames[100]), 4,
                bytes.begin() + static_cast<std::ptrdiff_t>(fake));
    MemorySource source(bytes);
    FrameStream stream(source, frames[0], bytes.size(), 4, ParseMpegFrame);
    EXPECT_EQ(stream.Sync(fake - 1, 100000), frames[101]);

    // Landing by an estimate (here the mean frame size) ends on a frame start near the frame.
    ASSERT_TRUE(stream.StartAfterTag());
    FrameMap map;
    map.Add(0, static_cast<double>(frames[0]));
    map.Add(static_cast<double>(frames.size()), static_cast<double>(bytes.size()));
    const std::optional<FrameSpan> span = LocateFrames(stream, frames[0], map, {200, 300}, 10);
    ASSERT_TRUE(span.has_value());
    const auto first = std::find(frames.begin(), frames.end(), span->firstOffset);
    ASSERT_NE(first, frames.end());
    EXPECT_NEAR(static_cast<double>(first - frames.begin()), 200, 10);
    EXPECT_NE(std::find(frames.begin(), frames.end(), span->endOffset), frames.end());
}

TEST(ClipMpegAudio, HourLongFilesArePlannedFromAFewReads) {
    struct Case {
        const char* name;
        double framesPerSecond;
    };
    for (const Case& c :
         {Case{"mp3-vbr-hour.mp3", 22050.0 / 576}, Case{"mp3-cbr-hour.mp3", 44100.0 / 1152}}) {
        SCOPED_TRACE(c.name);
        const test::MediaFile file = test::LoadMedia(c.name);
        const std::vector<std::uint64_t> frames = test::PacketOffsets(c.name);
        for (const Marks marks : {Marks{1800, 1830}, Marks{3000, 3300}}) {
            MemorySource source = file.Source();
            const PlanResult result = PlanPlayableClip(source, marks);
            ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
            std::printf("%s from %.0f s: %llu bytes read of %zu\n", c.name, marks.start,
                        static_cast<unsigned long long>(source.BytesRead()), file.bytes.size());
            EXPECT_LT(source.BytesRead(), 1u << 20);
            const auto first = std::lower_bound(frames.begin(), frames.end(), result.plan.rangeBegin);
            ASSERT_NE(first, frames.end());
            EXPECT_EQ(*first, result.plan.rangeBegin);
            EXPECT_NEAR(result.plan.start, static_cast<double>(first - frames.begin()) / c.framesPerSecond,
                        1e-9);
            EXPECT_NEAR(result.plan.start, marks.start, 1.0 / c.framesPerSecond);
            EXPECT_NEAR(result.plan.duration, marks.end - marks.start, 2.0 / c.framesPerSecond);
        }
    }
}

} // namespace
} // namespace klevotrim::clip
