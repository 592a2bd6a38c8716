// WAV clips: sample-exact ranges for every sample format, odd chunk layouts, damaged headers,
// and the RF64 header a clip past 4 GiB needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ClipTestSupport.h"
#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {
namespace {

std::uint64_t FindText(std::span<const std::uint8_t> bytes, const char* fourCC) {
    const auto at = std::search(bytes.begin(), bytes.end(), fourCC, fourCC + 4);
    return static_cast<std::uint64_t>(at - bytes.begin());
}

TEST(ClipWav, CutsEverySampleFormatAtTheMarkedSampleFrames) {
    struct Case {
        const char* name;
        std::uint32_t rate;
        std::uint32_t blockAlign;
    };
    for (const Case& c : {Case{"wav-s16-stereo.wav", 44100, 4}, Case{"wav-s24-mono.wav", 48000, 3},
                          Case{"wav-f32-stereo.wav", 32000, 8}, Case{"wav-u8-mono.wav", 8000, 1},
                          Case{"wav-s16-3ch.wav", 22050, 6}, Case{"wav-rf64.wav", 44100, 2}}) {
        SCOPED_TRACE(c.name);
        const test::MediaFile file = test::LoadMedia(c.name);
        MemorySource source = file.Source();
        // The end lies inside a sample frame, so mono 8- and 24-bit clips get an odd data size.
        const Marks marks{0.3, 1.2501};
        const PlanResult result = PlanPlayableClip(source, marks);
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        const std::uint64_t first = static_cast<std::uint64_t>(std::floor(marks.start * c.rate));
        const std::uint64_t end = static_cast<std::uint64_t>(std::ceil(marks.end * c.rate));
        const std::uint64_t dataBegin = FindText(file.bytes, "data") + 8;
        EXPECT_EQ(result.plan.rangeBegin, dataBegin + first * c.blockAlign);
        EXPECT_EQ(result.plan.RangeLength(), (end - first) * c.blockAlign);
        EXPECT_EQ(result.plan.ClipLength() % 2, 0u) << "the data chunk keeps its pad byte";
        EXPECT_DOUBLE_EQ(result.plan.start, static_cast<double>(first) / c.rate);
        EXPECT_DOUBLE_EQ(result.plan.duration, static_cast<double>(end - first) / c.rate);
        EXPECT_LT(source.BytesRead(), 4096u);

        const std::vector<std::uint8_t> clip = test::AssembleClip(result.plan, file.bytes);
        EXPECT_EQ(std::memcmp(clip.data(), "RIFF", 4), 0);
        EXPECT_EQ(ReadU32LE(clip, 4), clip.size() - 8);
        const test::ProbeResult probe = test::Probe(clip, "wav");
        EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
        EXPECT_NEAR(probe.duration, result.plan.duration, 1e-4);
    }
}

// A WAV file made of the given chunks, each padded to an even length.
struct Chunk {
    const char* id;
    std::vector<std::uint8_t> body;
    std::uint32_t declaredSize = 0; // 0: the body's size
};
std::vector<std::uint8_t> MakeWav(const std::vector<Chunk>& chunks) {
    std::vector<std::uint8_t> bytes;
    ByteWriter out(bytes);
    out.Text("RIFF");
    out.U32LE(0);
    out.Text("WAVE");
    for (const Chunk& chunk : chunks) {
        out.Text(chunk.id);
        out.U32LE(chunk.declaredSize ? chunk.declaredSize : static_cast<std::uint32_t>(chunk.body.size()));
        out.Bytes(chunk.body);
        if (chunk.body.size() & 1)
            out.U8(0);
    }
    out.PatchU32LE(4, static_cast<std::uint32_t>(bytes.size() - 8));
    return bytes;
}
std::vector<std::uint8_t> Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                 std::uint16_t blockAlign, std::uint16_t bits) {
    std::vector<std::uint8_t> body;
    ByteWriter out(body);
    out.U16LE(tag);
    out.U16LE(channels);
    out.U32LE(rate);
    out.U32LE(rate * blockAlign);
    out.U16LE(blockAlign);
    out.U16LE(bits);
    return body;
}
std::vector<std::uint8_t> Samples(std::size_t count) {
    std::vector<std::uint8_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::uint8_t>(i * 7);
    return samples;
}

TEST(ClipWav, FindsTheDataAmongOtherChunksAndKeepsWhatATruncatedRecordingHolds) {
    const std::vector<std::uint8_t> format = Format(1, 1, 1000, 2, 16);
    const std::vector<std::uint8_t> data = Samples(4000); // 2 s
    struct Case {
        const char* what;
        std::vector<std::uint8_t> wav;
        double end;
        std::uint64_t frames;
    };
    std::vector<std::uint8_t> truncated = MakeWav({{"fmt ", format}, {"data", data, 100000}});
    std::vector<std::uint8_t> unfinished = MakeWav({{"fmt ", format}, {"data", data, 0xFFFFFFFF}});
    const Case cases[] = {
        {"odd chunks before and after",
         MakeWav({{"LIST", Samples(5)},
                  {"fmt ", format},
                  {"junk", Samples(3)},
                  {"data", data},
                  {"LIST", Samples(9)}}),
         1.5, 1000},
        {"format after the data", MakeWav({{"data", data}, {"fmt ", format}}), 1.5, 1000},
        {"data size past the end", truncated, 1.5, 1000},
        {"end mark past a truncated end", truncated, 2.9, 1500},
        {"size never filled in", unfinished, 2.0, 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.wav);
        const PlanResult result = PlanWav(source, {0.5, c.end});
        ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
        EXPECT_EQ(result.plan.RangeLength(), c.frames * 2);
        EXPECT_LE(result.plan.rangeEnd, c.wav.size());
        const std::vector<std::uint8_t> clip = test::AssembleClip(result.plan, c.wav);
        // The clip's samples are the source's from the start mark on.
        EXPECT_TRUE(std::equal(clip.end() - static_cast<std::ptrdiff_t>(c.frames * 2), clip.end(),
                               data.begin() + 1000));
        EXPECT_EQ(ReadU32LE(clip, clip.size() - c.frames * 2 - 4), c.frames * 2);
    }
}

TEST(ClipWav, RefusesDamagedHeadersAndMarksOutsideTheAudioWithAReason) {
    const std::vector<std::uint8_t> data = Samples(4000);
    std::vector<std::uint8_t> adpcm = Format(2, 1, 1000, 256, 4);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> wav;
        Marks marks;
        PlanStatus status;
    };
    const std::vector<std::uint8_t> good = MakeWav({{"fmt ", Format(1, 1, 1000, 2, 16)}, {"data", data}});
    const Case cases[] = {
        {"empty", {}, {0, 1}, PlanStatus::NotThisFormat},
        {"not WAVE",
         std::vector<std::uint8_t>(good.begin(), good.begin() + 8),
         {0, 1},
         PlanStatus::NotThisFormat},
        {"no data chunk", MakeWav({{"fmt ", Format(1, 1, 1000, 2, 16)}}), {0, 1}, PlanStatus::Damaged},
        {"no format chunk", MakeWav({{"data", data}}), {0, 1}, PlanStatus::Damaged},
        {"format cut short", MakeWav({{"fmt ", Samples(12)}, {"data", data}}), {0, 1}, PlanStatus::Damaged},
        {"block align 0",
         MakeWav({{"fmt ", Format(1, 1, 1000, 0, 16)}, {"data", data}}),
         {0, 1},
         PlanStatus::Damaged},
        {"sample rate 0",
         MakeWav({{"fmt ", Format(1, 1, 0, 2, 16)}, {"data", data}}),
         {0, 1},
         PlanStatus::Damaged},
        {"half a frame",
         MakeWav({{"fmt ", Format(1, 1, 1000, 4, 16)}, {"data", Samples(3)}}),
         {0, 1},
         PlanStatus::Damaged},
        {"compressed", MakeWav({{"fmt ", adpcm}, {"data", data}}), {0, 1}, PlanStatus::Unsupported},
        {"start after the end", good, {2.5, 3}, PlanStatus::BadMarks},
        {"end far after the end", good, {1, 3.5}, PlanStatus::BadMarks},
        {"end within a second of the end", good, {1, 2.9}, PlanStatus::Planned},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.wav);
        const PlanResult result = PlanWav(source, c.marks);
        EXPECT_EQ(result.status, c.status) << result.reason;
        if (result.status != PlanStatus::Planned) {
            EXPECT_FALSE(result.reason.empty());
            EXPECT_NE(result.reason.back(), '.');
        }
    }
}

TEST(ClipWav, ClipsPastFourGigabytesGetAnRf64HeaderAndSmallerOnesARiffHeader) {
    // An RF64 source of six hours of 48 kHz stereo float: 8 bytes a frame.
    constexpr std::uint64_t kDataSize = 6ull * 3600 * 48000 * 8;
    std::vector<std::uint8_t> header;
    ByteWriter out(header);
    out.Text("RF64");
    out.U32LE(0xFFFFFFFF);
    out.Text("WAVE");
    out.Text("ds64");
    out.U32LE(28);
    out.U64LE(kDataSize + 72);
    out.U64LE(kDataSize);
    out.U64LE(kDataSize / 8);
    out.U32LE(0);
    out.Text("fmt ");
    out.U32LE(16);
    out.Bytes(Format(3, 2, 48000, 8, 32));
    out.Text("data");
    out.U32LE(0xFFFFFFFF);
    const std::uint64_t dataBegin = header.size();
    test::SparseSource source(header, dataBegin + kDataSize);

    const PlanResult big = PlanWav(source, {3600, 5 * 3600});
    ASSERT_EQ(big.status, PlanStatus::Planned) << big.reason;
    const std::vector<std::uint8_t>& h = big.plan.header;
    EXPECT_EQ(std::memcmp(h.data(), "RF64", 4), 0);
    EXPECT_EQ(ReadU64LE(h, 20), big.plan.ClipLength() - 8);
    EXPECT_EQ(ReadU64LE(h, 28), 4ull * 3600 * 48000 * 8);
    EXPECT_EQ(ReadU64LE(h, 36), 4ull * 3600 * 48000);
    EXPECT_EQ(ReadU32LE(h, h.size() - 4), 0xFFFFFFFFu);
    EXPECT_EQ(big.plan.rangeBegin, dataBegin + 3600ull * 48000 * 8);

    const PlanResult small = PlanWav(source, {3600, 3660});
    ASSERT_EQ(small.status, PlanStatus::Planned) << small.reason;
    EXPECT_EQ(std::memcmp(small.plan.header.data(), "RIFF", 4), 0);
    EXPECT_EQ(ReadU32LE(small.plan.header, 4), small.plan.ClipLength() - 8);
}

} // namespace
} // namespace klevotrim::clip
