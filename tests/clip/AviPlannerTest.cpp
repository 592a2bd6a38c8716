// AVI clips: the run of movie chunks the marks choose, the rebuilt headers and index, the
// same plan from idx1, from OpenDML indexes and from no index, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

#include "ClipTestSupport.h"
#include "cutting/clip/AviPlanner.h"
#include "cutting/clip/Bytes.h"
#include "cutting/clip/Riff.h"

namespace klevotrim::clip {
namespace {

using test::LoadMedia;

std::size_t Find(const std::vector<std::uint8_t>& bytes, const char* text, std::size_t from = 0) {
    const auto at = std::search(bytes.begin() + from, bytes.end(), text, text + 4);
    return static_cast<std::size_t>(at - bytes.begin());
}

std::size_t FindLast(const std::vector<std::uint8_t>& bytes, const char* text) {
    return static_cast<std::size_t>(std::find_end(bytes.begin(), bytes.end(), text, text + 4) -
                                    bytes.begin());
}

struct StreamHeader {
    std::uint32_t scale, rate, start, length, sampleSize;
    double Seconds(double units) const { return units * scale / rate; }
};

std::vector<StreamHeader> StreamHeaders(const std::vector<std::uint8_t>& header) {
    std::vector<StreamHeader> streams;
    for (std::size_t at = Find(header, "strh"); at < header.size(); at = Find(header, "strh", at + 4))
        streams.push_back({ReadU32LE(header, at + 28), ReadU32LE(header, at + 32), ReadU32LE(header, at + 36),
                           ReadU32LE(header, at + 40), ReadU32LE(header, at + 52)});
    return streams;
}

struct Media {
    const char* name;
    double gopSeconds;
};
const Media kMpeg4{"avi-mpeg4-mp3.avi", 1.0};
const Media kMjpeg{"avi-mjpeg-pcm.avi", 0.1};

PlanResult PlanBytes(const std::vector<std::uint8_t>& bytes, Marks marks) {
    MemorySource source(bytes);
    return PlanAviClip(source, marks);
}

TEST(AviPlanner, ChunksRunFromAKeyframeToTheFrameHoldingTheEndAndTheClipPlays) {
    struct Case {
        const Media& media;
        Marks marks;
    } cases[] = {{kMpeg4, {0.5, 2.3}},  {kMpeg4, {3.0, 3.96}}, {kMpeg4, {0, 8}},   {kMpeg4, {6.7, 30}},
                 {kMjpeg, {1.25, 3.0}}, {kMjpeg, {0, 0.5}},    {kMjpeg, {2.45, 4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.media.name) + " " + std::to_string(c.marks.start));
        const test::MediaFile file = LoadMedia(c.media.name);
        const PlanResult result = PlanBytes(file.bytes, c.marks);
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        const ClipPlan& plan = result.plan;
        const std::vector<std::uint8_t> clip = test::AssembleClip(plan, file.bytes);

        // Every idx1 entry names the chunk found at its offset from the 'movi' code.
        const std::size_t movi = plan.header.size() - 4;
        ASSERT_EQ(Find(plan.header, "movi", movi), movi);
        ASSERT_EQ(Find(plan.trailer, "idx1"), 0u);
        std::uint64_t videoFrames = 0, audioUnits = 0;
        const std::vector<StreamHeader> streams = StreamHeaders(plan.header);
        ASSERT_EQ(streams.size(), 2u);
        for (std::size_t at = 8; at + 16 <= plan.trailer.size(); at += 16) {
            const std::uint32_t id = ReadU32LE(plan.trailer, at), size = ReadU32LE(plan.trailer, at + 12);
            const std::size_t chunk = movi + ReadU32LE(plan.trailer, at + 8);
            ASSERT_LE(chunk + 8 + size, movi + 4 + plan.RangeLength());
            EXPECT_EQ(ReadU32LE(clip, chunk), id);
            EXPECT_EQ(ReadU32LE(clip, chunk + 4), size);
            if (at == 8) {
                EXPECT_TRUE(id == FourCC("00dc") && (ReadU32LE(plan.trailer, at + 4) & 0x10))
                    << "starts on a keyframe";
            }
            videoFrames += id == FourCC("00dc");
            if (id == FourCC("01wb"))
                audioUnits += streams[1].sampleSize ? size / streams[1].sampleSize : 1;
        }
        EXPECT_EQ(streams[0].length, videoFrames);
        EXPECT_EQ(ReadU32LE(plan.header, 48), videoFrames) << "avih total frames";
        EXPECT_EQ(streams[1].length, audioUnits);
        EXPECT_TRUE(streams[0].start == 0 || streams[1].start == 0);

        // The video's delay behind the audio is kept in whole frames: up to half a frame off.
        const StreamHeader& video = streams[0];
        const double frame = video.Seconds(1);
        const double videoStart = plan.start + video.Seconds(video.start);
        const double videoEnd = videoStart + video.Seconds(video.length);
        const double mediaEnd = video.Seconds(StreamHeaders(file.bytes)[0].length);
        EXPECT_LE(videoStart, c.marks.start + frame / 2);
        EXPECT_GT(videoStart, c.marks.start - c.media.gopSeconds - frame / 2);
        EXPECT_GE(videoEnd, std::min(c.marks.end, mediaEnd) - frame / 2);
        EXPECT_LT(videoEnd, std::min(c.marks.end, mediaEnd) + frame * 1.5);

        const test::ProbeResult probe = test::Probe(clip, "avi");
        EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
        EXPECT_EQ(probe.streams, "video,audio,");
        const double wanted = std::min(c.marks.end, mediaEnd) - c.marks.start;
        EXPECT_GE(probe.duration, wanted - frame - 0.05);
        EXPECT_LE(probe.duration, wanted + c.media.gopSeconds + frame + 0.05);
    }
}

// The file without idx1, as a writer that stopped before it leaves it.
std::vector<std::uint8_t> WithoutIndex(std::vector<std::uint8_t> bytes) {
    bytes.resize(FindLast(bytes, "idx1"));
    return bytes;
}

// The file with OpenDML indexes in place of idx1: one ix## chunk per stream at the end, and a
// super index in the space the writer reserved for it in each stream list.
std::vector<std::uint8_t> WithOpenDmlIndexes(const std::vector<std::uint8_t>& source) {
    const std::size_t idx1 = FindLast(source, "idx1"), movi = Find(source, "movi");
    std::vector<std::uint8_t> bytes = WithoutIndex(source);
    std::size_t reserved = Find(bytes, "strf");
    for (const std::string stream : {"00", "01"}) {
        std::vector<std::uint8_t> entries;
        ByteWriter out(entries);
        std::uint32_t id = 0;
        for (std::size_t at = idx1 + 8; at + 16 <= source.size(); at += 16)
            if (std::memcmp(&source[at], stream.data(), 2) == 0) {
                id = ReadU32LE(source, at);
                out.U32LE(ReadU32LE(source, at + 8) + 8); // of the data, from the 'movi' code
                out.U32LE(ReadU32LE(source, at + 12) | ((ReadU32LE(source, at + 4) & 0x10) ? 0 : 0x80000000));
            }
        const std::size_t ix = bytes.size();
        ByteWriter chunk(bytes);
        chunk.Text(("ix" + stream).c_str());
        for (const std::uint32_t field :
             {std::uint32_t(24 + entries.size()), 0x01000002u /* an index of chunks */,
              std::uint32_t(entries.size() / 8), id, std::uint32_t(movi), 0u, 0u})
            chunk.U32LE(field);
        chunk.Bytes(entries);
        reserved = Find(bytes, "JUNK", reserved + 4);
        std::memcpy(&bytes[reserved], "indx", 4);
        const std::uint32_t super[] = {4 /* an index of indexes */,     1, id, 0, 0, 0, std::uint32_t(ix), 0,
                                       std::uint32_t(bytes.size() - ix)};
        for (std::size_t i = 0; i < std::size(super); ++i)
            ByteWriter(bytes).PatchU32LE(reserved + 8 + 4 * i, super[i]);
    }
    return bytes;
}

TEST(AviPlanner, OpenDmlIndexesAndAMissingIndexGiveTheSamePlanAsIdx1) {
    for (const Media* media : {&kMpeg4, &kMjpeg})
        for (const Marks marks : {Marks{0.3, 1.7}, Marks{2.5, 4.2}}) {
            SCOPED_TRACE(std::string(media->name) + " " + std::to_string(marks.start));
            const test::MediaFile file = LoadMedia(media->name);
            const PlanResult indexed = PlanBytes(file.bytes, marks);
            ASSERT_EQ(indexed.status, PlanStatus::Planned) << indexed.reason;
            for (const std::vector<std::uint8_t>& variant :
                 {WithoutIndex(file.bytes), WithOpenDmlIndexes(file.bytes)}) {
                const PlanResult result = PlanBytes(variant, marks);
                ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
                EXPECT_EQ(result.plan.header, indexed.plan.header);
                EXPECT_EQ(result.plan.rangeBegin, indexed.plan.rangeBegin);
                EXPECT_EQ(result.plan.rangeEnd, indexed.plan.rangeEnd);
                EXPECT_EQ(result.plan.trailer, indexed.plan.trailer);
            }
        }
}

TEST(AviPlanner, AClipOverOneGibibyteIsWrittenInRiffPartsWithOpenDmlIndexes) {
    // The motion JPEG file's header, then three 600 MB frames with audio between them, and idx1.
    const test::MediaFile file = LoadMedia(kMjpeg.name);
    std::vector<std::uint8_t> head(file.bytes.begin(), file.bytes.begin() + Find(file.bytes, "movi") + 4);
    std::vector<std::uint8_t> idx1{'i', 'd', 'x', '1', 5 * 16, 0, 0, 0};
    std::map<std::uint64_t, std::vector<std::uint8_t>> runs;
    std::uint64_t at = head.size();
    for (int chunk = 0; chunk < 5; ++chunk) {
        const bool video = chunk % 2 == 0;
        const std::uint32_t size = video ? 600'000'000 : 1000;
        std::vector<std::uint8_t>& run = runs[at];
        for (const std::uint32_t field : {FourCC(video ? "00dc" : "01wb"), size})
            ByteWriter(run).U32LE(field);
        for (const std::uint32_t field :
             {FourCC(video ? "00dc" : "01wb"), 0x10u, std::uint32_t(at - head.size() + 4), size})
            ByteWriter(idx1).U32LE(field);
        at += 8 + size;
    }
    ByteWriter(head).PatchU32LE(Find(head, "movi") - 4, static_cast<std::uint32_t>(at - head.size() + 4));
    ByteWriter(head).PatchU32LE(4, static_cast<std::uint32_t>(at + idx1.size() - 8));
    runs[at] = idx1;
    test::SparseSource source(head, at + idx1.size());
    for (auto& [runAt, run] : runs)
        source.Put(runAt, run);

    const PlanResult result = PlanAviClip(source, {0, 100});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    const ClipPlan& plan = result.plan;
    // Parts of at most 1 GiB of chunks: 'AVI ' with frame 0 and audio, 'AVIX' with frame 2 and
    // audio, 'AVIX' with frame 4. Each part ends with its standard indexes; idx1 follows the first.
    ASSERT_EQ(plan.splices.size(), 2u);
    for (const Splice& splice : plan.splices) {
        EXPECT_EQ(splice.at, splice.resume) << "the chunks follow each other in the source";
        EXPECT_EQ(Find(splice.bytes, "ix00"), 0u);
        EXPECT_EQ(Find(splice.bytes, "AVIX"), splice.bytes.size() - 16);
    }
    EXPECT_LT(Find(plan.header, "odml"), plan.header.size());
    EXPECT_LT(Find(plan.splices[0].bytes, "idx1"), plan.splices[0].bytes.size());
    EXPECT_EQ(Find(plan.trailer, "ix00"), 0u);
    EXPECT_EQ(plan.CopiedLength(), plan.RangeLength());

    // Read back through the planner: the clip's own indexes give the same five chunks at the
    // same places, so the clip of the clip is the clip again.
    test::SparseSource clip(plan.header, plan.ClipLength());
    std::uint64_t spliceAt = plan.header.size() + (plan.splices[0].at - plan.rangeBegin);
    clip.Put(spliceAt, plan.splices[0].bytes);
    spliceAt += plan.splices[0].bytes.size() + (plan.splices[1].at - plan.splices[0].resume);
    clip.Put(spliceAt, plan.splices[1].bytes);
    clip.Put(plan.ClipLength() - plan.trailer.size(), plan.trailer);
    for (const auto& [runAt, run] : runs) // the chunk headers, where the copy puts them
        if (runAt < plan.rangeEnd) {
            std::uint64_t clipAt = plan.header.size() + (runAt - plan.rangeBegin);
            for (const Splice& splice : plan.splices)
                clipAt += runAt >= splice.resume ? splice.bytes.size() : 0;
            clip.Put(clipAt, run);
        }
    const PlanResult again = PlanAviClip(clip, {0, 100});
    ASSERT_EQ(again.status, PlanStatus::Planned) << again.reason;
    EXPECT_EQ(again.plan.header, plan.header);
    EXPECT_EQ(again.plan.CopiedLength(), plan.CopiedLength());
    ASSERT_EQ(again.plan.splices.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) { // each part's indexes and the next part's head, anew
        EXPECT_EQ(again.plan.splices[i].bytes, plan.splices[i].bytes);
        EXPECT_EQ(again.plan.splices[i].resume - again.plan.splices[i].at, plan.splices[i].bytes.size());
    }
    EXPECT_EQ(again.plan.trailer, plan.trailer);
}

TEST(AviPlanner, DamagedOrUnusualFilesAreRefusedWithAReason) {
    using Bytes = std::vector<std::uint8_t>;
    const auto patch = [](const char* after, std::size_t offset, std::uint32_t value) {
        return [=](Bytes& b) { ByteWriter(b).PatchU32LE(Find(b, after) + offset, value); };
    };
    const auto idx1Entry = [](std::size_t entry, std::size_t field, std::uint32_t value) {
        return
            [=](Bytes& b) { ByteWriter(b).PatchU32LE(FindLast(b, "idx1") + 8 + entry * 16 + field, value); };
    };
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        PlanStatus expected;
    } cases[] = {
        {"a WAVE file", patch("AVI ", 0, FourCC("WAVE")), PlanStatus::NotThisFormat},
        {"cut inside the header list", [](Bytes& b) { b.resize(300); }, PlanStatus::Damaged},
        {"header list larger than the file", patch("hdrl", -4, 0xFFFFFFF0), PlanStatus::Damaged},
        {"short main header", patch("avih", 4, 20), PlanStatus::Damaged},
        {"stream without a rate", patch("strh", 28, 0), PlanStatus::Damaged},
        {"no video stream", patch("vids", 0, FourCC("txts")), PlanStatus::Unsupported},
        {"index entry past the movie", idx1Entry(3, 8, 0x7FFFFFF0), PlanStatus::Damaged},
        {"index entry longer than the movie", idx1Entry(3, 12, 0x7FFFFFF0), PlanStatus::Damaged},
        {"index that matches no chunk", idx1Entry(0, 8, 7), PlanStatus::Damaged},
        {"index listing a chunk twice", idx1Entry(2, 8, 4), PlanStatus::Damaged},
        {"record lists", idx1Entry(1, 4, 0x01), PlanStatus::Unsupported},
        {"video without frames",
         [](Bytes& b) {
             for (std::size_t at = FindLast(b, "idx1") + 8; at + 16 <= b.size(); at += 16)
                 if (ReadU32LE(b, at) == FourCC("00dc"))
                     std::memcpy(&b[at], "07dc", 4);
         },
         PlanStatus::Damaged},
        {"movie list of no chunks and no index",
         [](Bytes& b) {
             b.resize(FindLast(b, "idx1"));
             ByteWriter(b).PatchU32LE(Find(b, "movi") - 4, 4);
         },
         PlanStatus::Damaged},
        {"start after the end of the video", [](Bytes&) {}, PlanStatus::BadMarks},
    };
    const test::MediaFile file = LoadMedia(kMpeg4.name);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = file.bytes;
        c.damage(bytes);
        const Marks marks = c.expected == PlanStatus::BadMarks ? Marks{9, 10} : Marks{1, 2};
        const PlanResult result = PlanBytes(bytes, marks);
        EXPECT_EQ(result.status, c.expected) << result.reason;
        EXPECT_FALSE(result.reason.empty());
    }
}

} // namespace
} // namespace klevotrim::clip
