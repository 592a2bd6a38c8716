// MP4, MOV and M4A clips: which samples they keep, the rebuilt sample tables, how they
// play, how large and damaged sources are handled.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>

#include "ClipTestSupport.h"
#include "cutting/clip/Bytes.h"
#include "cutting/clip/Mp4Boxes.h"
#include "cutting/clip/Planners.h"

namespace klevotrim::clip {
namespace {

using mp4::Box;
using mp4::FourCC;

// The n-th child of a type, following a path of types from `bytes` (a run of boxes).
std::optional<Box> Find(std::span<const std::uint8_t> bytes, std::initializer_list<const char*> path,
                        int trackIndex = 0) {
    std::optional<Box> box;
    for (const char* type : path) {
        mp4::BoxReader reader(box ? box->payload : bytes);
        int skip = std::strcmp(type, "trak") == 0 ? trackIndex : 0;
        box.reset();
        Box child;
        while (reader.Next(child)) {
            if (child.type == ReadU32BE(std::span(reinterpret_cast<const std::uint8_t*>(type), 4), 0) &&
                skip-- == 0) {
                box = child;
                break;
            }
        }
        if (!box)
            return std::nullopt;
    }
    return box;
}

std::optional<Box> Table(std::span<const std::uint8_t> bytes, int track, const char* type) {
    return Find(bytes, {"moov", "trak", "mdia", "minf", "stbl", type}, track);
}

// What a clip's sample tables say about one track, read independently of the planner.
struct TrackSummary {
    std::uint32_t handler = 0;
    std::uint64_t samples = 0, timedSamples = 0, decodeDuration = 0, mediaDuration = 0;
    std::uint32_t firstSync = 0;
    std::uint64_t lowestByte = ~0ull, highestByte = 0; // of every sample
};

TrackSummary Summarise(std::span<const std::uint8_t> clip, int track) {
    TrackSummary s;
    s.handler = ReadU32BE(Find(clip, {"moov", "trak", "mdia", "hdlr"}, track)->payload, 8);
    const Box mdhd = *Find(clip, {"moov", "trak", "mdia", "mdhd"}, track);
    s.mediaDuration = mdhd.payload[0] == 1 ? ReadU64BE(mdhd.payload, 24) : ReadU32BE(mdhd.payload, 16);
    const Box stts = *Table(clip, track, "stts");
    for (std::uint32_t i = 0; i < ReadU32BE(stts.payload, 4); ++i) {
        s.timedSamples += ReadU32BE(stts.payload, 8 + 8 * i);
        s.decodeDuration +=
            std::uint64_t{ReadU32BE(stts.payload, 8 + 8 * i)} * ReadU32BE(stts.payload, 12 + 8 * i);
    }
    if (const auto stss = Table(clip, track, "stss"); stss && ReadU32BE(stss->payload, 4))
        s.firstSync = ReadU32BE(stss->payload, 8);
    const Box stsz = *Table(clip, track, "stsz");
    s.samples = ReadU32BE(stsz.payload, 8);
    const auto stco = Table(clip, track, "stco");
    const Box offsets = stco ? *stco : *Table(clip, track, "co64");
    const Box stsc = *Table(clip, track, "stsc");
    const std::uint32_t chunks = ReadU32BE(offsets.payload, 4), runs = ReadU32BE(stsc.payload, 4);
    std::uint64_t sample = 0;
    for (std::uint32_t r = 0; r < runs; ++r) {
        const std::uint32_t next = r + 1 < runs ? ReadU32BE(stsc.payload, 8 + 12 * (r + 1)) : chunks + 1;
        for (std::uint32_t c = ReadU32BE(stsc.payload, 8 + 12 * r); c < next; ++c) {
            std::uint64_t at =
                stco ? ReadU32BE(offsets.payload, 4 + 4 * c) : ReadU64BE(offsets.payload, 8 * c);
            for (std::uint32_t k = 0; k < ReadU32BE(stsc.payload, 12 + 12 * r) && sample < s.samples;
                 ++k, ++sample) {
                const std::uint32_t size = ReadU32BE(stsz.payload, 4)
                                               ? ReadU32BE(stsz.payload, 4)
                                               : ReadU32BE(stsz.payload, 12 + 4 * sample);
                s.lowestByte = std::min(s.lowestByte, at);
                s.highestByte = std::max(s.highestByte, at + size);
                at += size;
            }
        }
    }
    EXPECT_EQ(sample, s.samples) << "the chunks hold every sample of track " << track;
    return s;
}

int TrackCount(std::span<const std::uint8_t> bytes) {
    int count = 0;
    while (Find(bytes, {"moov", "trak"}, count))
        ++count;
    return count;
}

// The clip's tables agree with each other and every sample lies in its media data box (a
// timecode's in the header, after the movie box).
void ExpectConsistentClip(const ClipPlan& plan, std::span<const std::uint8_t> clip) {
    const Box moov = *Find(clip, {"moov"});
    const std::uint64_t movieEnd =
        static_cast<std::uint64_t>(moov.whole.data() + moov.whole.size() - clip.data());
    for (int t = 0; t < TrackCount(clip); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const TrackSummary s = Summarise(clip, t);
        EXPECT_GT(s.samples, 0u);
        EXPECT_EQ(s.timedSamples, s.samples);
        EXPECT_EQ(s.decodeDuration, s.mediaDuration);
        EXPECT_GE(s.lowestByte, s.handler == FourCC("tmcd") ? movieEnd : plan.header.size());
        EXPECT_LE(s.highestByte, clip.size());
        if (s.handler == FourCC("vide")) {
            EXPECT_EQ(s.firstSync, 1u) << "the clip starts with a keyframe";
        }
    }
}

struct Case {
    const char* file;
    Marks marks;
    const char* streams;  // codec types, as ffprobe lists them
    double keyframeStart; // where the clip should start
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.file << " " << c.marks.start << "-" << c.marks.end;
}

class Mp4Clips : public testing::TestWithParam<Case> {};

TEST_P(Mp4Clips, KeepTheSamplesBetweenTheMarksAndPlayCleanly) {
    const Case& c = GetParam();
    const test::MediaFile media = test::LoadMedia(c.file);
    MemorySource source = media.Source();
    const PlanResult result = PlanPlayableClip(source, c.marks);
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    const ClipPlan& plan = result.plan;
    EXPECT_NEAR(plan.start, c.keyframeStart, 1e-3);
    EXPECT_GE(plan.start + plan.duration, c.marks.end - 1e-6);
    EXPECT_LE(plan.start + plan.duration, c.marks.end + 0.04 + 1e-6)
        << "ends within one frame after the mark";
    EXPECT_LT(plan.RangeLength(), media.bytes.size() / 2) << "only the samples between the marks are copied";

    const std::vector<std::uint8_t> clip = test::AssembleClip(plan, media.bytes);
    EXPECT_EQ(TrackCount(clip), TrackCount(media.bytes));
    ExpectConsistentClip(plan, clip);
    EXPECT_TRUE(Find(clip, {"moov"})->whole.data() < Find(clip, {"mdat"})->whole.data()) << "streamable";

    const std::string extension = std::string(c.file).substr(std::string(c.file).rfind('.') + 1);
    const test::ProbeResult probe = test::Probe(clip, extension);
    EXPECT_TRUE(probe.decodesCleanly) << probe.errors;
    EXPECT_EQ(probe.streams, c.streams);
    EXPECT_NEAR(probe.duration, c.marks.end - c.marks.start, 1.0 + 0.04);
    EXPECT_NEAR(probe.duration, plan.duration, 0.05);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, Mp4Clips,
    testing::Values(
        Case{"mp4-h264-aac.mp4", {2.5, 4.5}, "video,audio,subtitle,", 2.0}, // video, audio, subtitles
        Case{"mp4-h264-aac.mp4", {3.0, 3.5}, "video,audio,subtitle,", 3.0}, // on a keyframe
        Case{"mp4-h264-aac.mov", {3.3, 6.1}, "video,audio,data,", 3.0},     // with a timecode track
        Case{"mp4-h264-aac.mov", {0.0, 0.9}, "video,audio,data,", 0.0},     // from the first frame
        Case{"mp4-aac.m4a", {1.3, 2.7}, "audio,", 1.3}),                    // audio only: from the mark
    [](const testing::TestParamInfo<Case>& info) { return "Case" + std::to_string(info.index); });

TEST(Mp4Planner, TheWholeMovieKeepsEverySample) {
    const test::MediaFile media = test::LoadMedia("mp4-h264-aac.mp4");
    MemorySource source = media.Source();
    const PlanResult result = PlanMp4Clip(source, {0, 100});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    EXPECT_NEAR(result.plan.duration, 8.0, 0.05);
    const std::vector<std::uint8_t> clip = test::AssembleClip(result.plan, media.bytes);
    for (int t = 0; t < TrackCount(clip); ++t) {
        const TrackSummary before = Summarise(media.bytes, t), after = Summarise(clip, t);
        EXPECT_EQ(after.samples, before.samples) << "track " << t;
        EXPECT_EQ(after.highestByte - after.lowestByte, before.highestByte - before.lowestByte);
    }
    EXPECT_LT(source.BytesRead(), media.bytes.size() / 10) << "planning reads the boxes, not the media";
}

TEST(Mp4Planner, TheTimecodeCountsOnToTheClipsFirstFrame) {
    const test::MediaFile media = test::LoadMedia("mp4-h264-aac.mov");
    MemorySource source = media.Source();
    const PlanResult result = PlanMp4Clip(source, {3.3, 6.1});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    const std::vector<std::uint8_t> clip = test::AssembleClip(result.plan, media.bytes);
    auto frameCount = [](std::span<const std::uint8_t> file) {
        const Box stco = *Table(file, 2, "stco");
        return ReadU32BE(file, ReadU32BE(stco.payload, 8));
    };
    EXPECT_EQ(frameCount(clip), frameCount(media.bytes) + 3 * 25) << "the clip starts 3 s in, at 25 frames/s";
}

TEST(Mp4Planner, MarksOutsideTheMovieAreRefused) {
    const test::MediaFile media = test::LoadMedia("mp4-h264-aac.mp4");
    MemorySource source = media.Source();
    EXPECT_EQ(PlanMp4Clip(source, {9, 10}).status, PlanStatus::BadMarks);
    EXPECT_EQ(PlanMp4Clip(source, {2, 1}).status, PlanStatus::BadMarks);
    const std::vector<std::uint8_t> other{0, 0, 0, 8, 'R', 'I', 'F', 'F'};
    MemorySource notMp4(other);
    EXPECT_EQ(PlanMp4Clip(notMp4, {0, 1}).status, PlanStatus::NotThisFormat);
}

// ---- Damaged and unsupported sources, made by changing one field of a real file ---------

struct Damage {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> change;
    PlanStatus expected;
};

using Finder = std::function<std::optional<Box>(std::span<const std::uint8_t>)>;
Finder Top(const char* type) {
    return [type](std::span<const std::uint8_t> f) { return Find(f, {type}); };
}
Finder VideoTable(const char* type) {
    return [type](std::span<const std::uint8_t> f) { return Table(f, 0, type); };
}
Finder VideoBox(std::initializer_list<const char*> path) {
    std::vector<const char*> p(path);
    return [p](std::span<const std::uint8_t> f) {
        std::optional<Box> box = Find(f, {"moov", "trak"});
        for (const char* type : p)
            box = box ? Find(box->payload, {type}) : std::nullopt;
        return box;
    };
}

// Sets a 32-bit field `at` bytes from the start of a box (its size field is at 0).
std::function<void(std::vector<std::uint8_t>&)> SetField(Finder find, std::size_t at, std::uint32_t value) {
    return [find, at, value](std::vector<std::uint8_t>& file) {
        const std::optional<Box> box = find(file);
        ASSERT_TRUE(box);
        const std::size_t where = static_cast<std::size_t>(box->whole.data() - file.data()) + at;
        for (int i = 0; i < 4; ++i)
            file[where + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
    };
}
std::function<void(std::vector<std::uint8_t>&)> Rename(Finder find, const char* type, std::size_t at = 4) {
    return [find, type, at](std::vector<std::uint8_t>& file) {
        const std::optional<Box> box = find(file);
        ASSERT_TRUE(box);
        std::memcpy(file.data() + (box->whole.data() - file.data()) + at, type, 4);
    };
}

const Damage kDamages[] = {
    {"cut inside the movie box", [](auto& f) { f.resize(200); }, PlanStatus::Damaged},
    {"movie box larger than the file", SetField(Top("moov"), 0, 1u << 30), PlanStatus::Damaged},
    {"box size below its header", SetField(Top("moov"), 0, 4), PlanStatus::Damaged},
    {"sample size table of size zero swallows the rest", SetField(VideoTable("stsz"), 0, 0),
     PlanStatus::Damaged},
    {"more sizes than the table holds", SetField(VideoTable("stsz"), 16, 0x10000000), PlanStatus::Damaged},
    {"chunk table starting at chunk zero", SetField(VideoTable("stsc"), 16, 0), PlanStatus::Damaged},
    {"chunk of zero samples", SetField(VideoTable("stsc"), 20, 0), PlanStatus::Damaged},
    {"chunk offset past the end of the file", SetField(VideoTable("stco"), 16, 0xFFFFFF00u),
     PlanStatus::Damaged},
    {"decoding times for fewer samples", SetField(VideoTable("stts"), 16, 3), PlanStatus::Damaged},
    {"media timescale zero", SetField(VideoBox({"mdia", "mdhd"}), 20, 0), PlanStatus::Damaged},
    {"empty keyframe table", SetField(VideoTable("stss"), 12, 0), PlanStatus::Unsupported},
    {"keyframe number zero", SetField(VideoTable("stss"), 16, 0), PlanStatus::Damaged},
    {"track without samples", SetField(VideoTable("stsz"), 16, 0), PlanStatus::Unsupported},
    {"edit list that changes speed", SetField(VideoBox({"edts", "elst"}), 24, 0x00020000),
     PlanStatus::Unsupported},
    {"edit list that shows nothing", SetField(VideoBox({"edts", "elst"}), 20, 0xFFFFFFFFu),
     PlanStatus::Unsupported},
    {"fragmented",
     Rename(
         [](auto f) {
             return Find(f, {"moov", "udta"});
         },
         "mvex"),
     PlanStatus::Unsupported},
    {"encrypted tables", Rename(VideoTable("ctts"), "senc"), PlanStatus::Unsupported},
    {"encrypted sample entry", Rename(VideoTable("stsd"), "encv", 20), PlanStatus::Unsupported},
    {"two sample size tables", Rename(VideoTable("stsc"), "stsz"), PlanStatus::Damaged},
    {"no movie box", Rename(Top("moov"), "free"), PlanStatus::Damaged},
    {"a billion frames claimed in a few bytes",
     [](auto& f) {
         SetField(VideoTable("stsz"), 12, 1)(f);
         SetField(VideoTable("stsz"), 16, 1u << 30)(f);
         SetField(VideoTable("stts"), 16, 1u << 30)(f);
         SetField(VideoTable("ctts"), 16, 1u << 30)(f);
         SetField(VideoTable("stsc"), 32, 1u << 30)(f);
     },
     PlanStatus::Unsupported},
};

TEST(Mp4Planner, DamagedOrUnsupportedSourcesAreRefusedWithAReason) {
    const test::MediaFile media = test::LoadMedia("mp4-tiny.mp4");
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        std::vector<std::uint8_t> bytes = media.bytes;
        damage.change(bytes);
        MemorySource source(bytes);
        const PlanResult result = PlanMp4Clip(source, {0.2, 0.8});
        EXPECT_EQ(result.status, damage.expected) << result.reason;
        EXPECT_FALSE(result.reason.empty());
    }
}

// ---- Large movies, made in memory: only the boxes exist; the media data reads as zeros ----

using test::SparseSource;

// 25 frames a second in decoding order I P B B P B B ..., a keyframe every 25 frames, and
// 48 kHz audio; their chunks alternate in one media data box with a 64-bit size.
struct SyntheticMovie {
    std::uint32_t frames = 250;
    std::uint32_t frameSize = 3000;
    std::vector<std::pair<std::uint32_t, std::int32_t>> videoEdits{{0, 512}}; // duration (0: all), media time
    bool mediaDataCutShort = false; // the media data box ends halfway through the samples
};

class BoxWriter {
  public:
    explicit BoxWriter(std::vector<std::uint8_t>& out) : w(out), out_(out) {}
    template <typename Body> void Box(const char* type, Body&& body) {
        const std::size_t at = out_.size();
        w.U32BE(0);
        w.Text(type);
        body();
        w.PatchU32BE(at, static_cast<std::uint32_t>(out_.size() - at));
    }
    ByteWriter w;

  private:
    std::vector<std::uint8_t>& out_;
};

SparseSource MakeSyntheticMovie(const SyntheticMovie& m) {
    constexpr std::uint32_t kFramesPerChunk = 5, kAudioPerChunk = 9, kAudioSize = 300;
    const std::uint32_t chunks = m.frames / kFramesPerChunk;
    const std::uint64_t chunkBytes =
        std::uint64_t{kFramesPerChunk} * m.frameSize + kAudioPerChunk * kAudioSize;
    std::vector<std::uint8_t> head;
    std::uint64_t mediaStart = 0;
    for (int pass = 0; pass < 2; ++pass) { // the first pass finds where the media data begins
        head.clear();
        BoxWriter b(head);
        auto full = [&](const char* type, auto&& body) {
            b.Box(type, [&] {
                b.w.U32BE(0);
                body();
            });
        };
        auto header = [&](const char* type, std::uint32_t timescale, std::uint32_t duration) {
            full(type, [&] {
                b.w.U64BE(0); // creation and modification
                b.w.U32BE(timescale);
                b.w.U32BE(duration);
                b.w.Bytes(std::vector<std::uint8_t>(std::string(type) == "mvhd" ? 80 : 4, 0));
            });
        };
        auto track = [&](bool video) {
            b.Box("trak", [&] {
                full("tkhd", [&] { b.w.Bytes(std::vector<std::uint8_t>(80, 0)); });
                if (video)
                    b.Box("edts", [&] {
                        full("elst", [&] {
                            b.w.U32BE(static_cast<std::uint32_t>(m.videoEdits.size()));
                            for (const auto& [duration, time] : m.videoEdits) {
                                b.w.U32BE(duration ? duration : m.frames * 40);
                                b.w.U32BE(static_cast<std::uint32_t>(time));
                                b.w.U32BE(0x00010000);
                            }
                        });
                    });
                b.Box("mdia", [&] {
                    header("mdhd", video ? 12800 : 48000, 0);
                    full("hdlr", [&] {
                        b.w.U32BE(0);
                        b.w.Text(video ? "vide" : "soun");
                        b.w.Bytes(std::vector<std::uint8_t>(13, 0));
                    });
                    b.Box("minf", [&] {
                        b.Box("stbl", [&] {
                            full("stsd", [&] {
                                b.w.U32BE(1);
                                b.Box(video ? "avc1" : "mp4a", [] {});
                            });
                            const std::uint32_t perChunk = video ? kFramesPerChunk : kAudioPerChunk;
                            full("stts", [&] {
                                b.w.U32BE(1);
                                b.w.U32BE(chunks * perChunk);
                                b.w.U32BE(video ? 512 : 1024);
                            });
                            if (video) {
                                full("stss", [&] {
                                    b.w.U32BE(m.frames / 25);
                                    for (std::uint32_t k = 0; k < m.frames / 25; ++k)
                                        b.w.U32BE(25 * k + 1);
                                });
                                full("ctts", [&] {
                                    b.w.U32BE(m.frames / 25 * 17);
                                    for (std::uint32_t k = 0; k < m.frames / 25; ++k) {
                                        b.w.U32BE(1); // I, then P B B eight times
                                        b.w.U32BE(512);
                                        for (int g = 0; g < 8; ++g) {
                                            b.w.U32BE(1);
                                            b.w.U32BE(3 * 512);
                                            b.w.U32BE(2);
                                            b.w.U32BE(0);
                                        }
                                    }
                                });
                            }
                            full("stsc", [&] {
                                b.w.U32BE(1);
                                b.w.U32BE(1);
                                b.w.U32BE(perChunk);
                                b.w.U32BE(1);
                            });
                            full("stsz", [&] {
                                b.w.U32BE(video ? 0 : kAudioSize);
                                b.w.U32BE(chunks * perChunk);
                                for (std::uint32_t i = 0; video && i < chunks * perChunk; ++i)
                                    b.w.U32BE(m.frameSize);
                            });
                            full("co64", [&] {
                                b.w.U32BE(chunks);
                                for (std::uint32_t c = 0; c < chunks; ++c)
                                    b.w.U64BE(mediaStart + c * chunkBytes +
                                              (video ? 0 : std::uint64_t{kFramesPerChunk} * m.frameSize));
                            });
                        });
                    });
                });
            });
        };
        b.Box("ftyp", [&] { b.w.Text("isom"); });
        b.Box("moov", [&] {
            header("mvhd", 1000, m.frames * 40);
            track(true);
            track(false);
        });
        b.w.U32BE(1);
        b.w.Text("mdat");
        b.w.U64BE(16 + chunks * chunkBytes / (m.mediaDataCutShort ? 2 : 1));
        mediaStart = head.size();
    }
    const std::uint64_t size = mediaStart + std::uint64_t{chunks} * chunkBytes;
    return SparseSource(std::move(head), size);
}

TEST(Mp4Planner, MoviesOverFourGibibytesUse64BitOffsetsAndSizes) {
    SparseSource source = MakeSyntheticMovie({.frames = 60000, .frameSize = 80000}); // 40 min, 4.8 GB
    ASSERT_GT(source.Size(), 1ull << 32);

    const PlanResult late = PlanMp4Clip(source, {2300.3, 2310});
    ASSERT_EQ(late.status, PlanStatus::Planned) << late.reason;
    EXPECT_DOUBLE_EQ(late.plan.start, 2300.0);
    EXPECT_GT(late.plan.rangeBegin, 1ull << 32);
    EXPECT_TRUE(Table(late.plan.header, 0, "stco")) << "a small clip needs no 64-bit offsets";

    const PlanResult whole = PlanMp4Clip(source, {0, 3000});
    ASSERT_EQ(whole.status, PlanStatus::Planned) << whole.reason;
    EXPECT_GT(whole.plan.RangeLength(), 1ull << 32);
    const std::span<const std::uint8_t> mdat = std::span(whole.plan.header).last(16);
    EXPECT_EQ(ReadU32BE(mdat, 0), 1u) << "a 64-bit size";
    EXPECT_EQ(ReadU32BE(mdat, 4), FourCC("mdat"));
    EXPECT_EQ(ReadU64BE(mdat, 8), whole.plan.RangeLength() + 16);
    // Samples lie after the header and end where the clip ends.
    for (int t = 0; t < 2; ++t) {
        ASSERT_TRUE(Table(whole.plan.header, t, "co64"));
        const TrackSummary s = Summarise(whole.plan.header, t);
        EXPECT_GE(s.lowestByte, whole.plan.header.size());
        EXPECT_LE(s.highestByte, whole.plan.ClipLength());
        EXPECT_EQ(s.timedSamples, s.samples);
    }
}

TEST(Mp4Planner, ALargeMovieBoxPlansQuicklyReadingOnlyTheBoxes) {
    // 16 hours at 25 frames a second: a movie box of about 20 MB.
    SparseSource source = MakeSyntheticMovie({.frames = 1500000, .frameSize = 3000});
    const Box moov = *Find(source.Head(), {"moov"});
    const auto begin = std::chrono::steady_clock::now();
    const PlanResult result = PlanMp4Clip(source, {30000.5, 30060});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    std::cout << "planned a clip from a " << moov.whole.size() / 1e6 << " MB movie box of a "
              << source.Size() / 1e9 << " GB file in " << seconds * 1000 << " ms, reading "
              << source.BytesRead() / 1e6 << " MB\n";
    EXPECT_LT(source.BytesRead(), moov.whole.size() + 1000);
    EXPECT_LT(seconds, 5.0) << "generous for a debug build on a busy machine";
    EXPECT_LT(result.plan.header.size(), 100000u) << "tables for one minute only";
}

TEST(Mp4Planner, SamplesOutsideTheMediaDataBoxAreRefused) {
    SparseSource source = MakeSyntheticMovie({.mediaDataCutShort = true});
    EXPECT_EQ(PlanMp4Clip(source, {1, 2}).status, PlanStatus::Planned) << "the first half is whole";
    EXPECT_EQ(PlanMp4Clip(source, {1, 9}).status, PlanStatus::Unsupported);
}

TEST(Mp4Planner, EditListsThatJumpAreRefused) {
    SparseSource jumping = MakeSyntheticMovie({.videoEdits = {{4000, 512}, {4000, 512 * 100}}});
    EXPECT_EQ(PlanMp4Clip(jumping, {1, 2}).status, PlanStatus::Unsupported);
    // A leading empty edit delays the video: the clip's keyframe is found after it.
    SparseSource delayed = MakeSyntheticMovie({.videoEdits = {{2000, -1}, {0, 512}}});
    const PlanResult result = PlanMp4Clip(delayed, {3.5, 4});
    ASSERT_EQ(result.status, PlanStatus::Planned) << result.reason;
    EXPECT_DOUBLE_EQ(result.plan.start, 3.0);
}

} // namespace
} // namespace klevotrim::clip
