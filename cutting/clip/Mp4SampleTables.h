#pragma once
// What the MP4 planner's two halves share: the sample tables of a track as read from the
// movie box, the choice of the clip's samples among them, and the new movie box built from
// that choice.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cutting/clip/Bytes.h"
#include "cutting/clip/ClipPlan.h"
#include "cutting/clip/Mp4Boxes.h"

namespace klevotrim::clip::mp4 {

// The video is walked frame by frame around the marks, so a crafted table that claims
// billions of frames in a few bytes must not make planning hang.
constexpr std::uint64_t kMaxWalkedSamples = 1ull << 26;

struct Fault {
    PlanStatus status;
    std::string reason;
};
using Check = std::optional<Fault>;

inline Fault Damaged(std::string reason) {
    return {PlanStatus::Damaged, std::move(reason)};
}
inline Fault Unsupported(std::string reason) {
    return {PlanStatus::Unsupported, std::move(reason)};
}

// A table of fixed-size entries after a full box's version, flags and entry count, with the
// count checked against the bytes the box holds.
struct Table {
    std::span<const std::uint8_t> entries;
    std::uint32_t count = 0;
    bool present = false;
};

inline Check ReadTable(const Box& box, std::size_t skip, std::size_t entrySize, Table& table) {
    const std::size_t countAt = 4 + skip;
    if (box.payload.size() < countAt + 4)
        return Damaged("the '" + TypeName(box.type) + "' table is cut short");
    table.count = ReadU32BE(box.payload, countAt);
    const std::span<const std::uint8_t> rest = box.payload.subspan(countAt + 4);
    if (table.count > rest.size() / entrySize)
        return Damaged("the '" + TypeName(box.type) + "' table claims more entries than it holds");
    table.entries = rest.first(table.count * entrySize);
    table.present = true;
    return std::nullopt;
}

struct Run {
    std::uint32_t count;
    std::uint32_t value;
};
inline Run RunAt(const Table& table, std::uint32_t i) {
    return {ReadU32BE(table.entries, 8 * std::size_t{i}), ReadU32BE(table.entries, 8 * std::size_t{i} + 4)};
}

// Steps forward through a run-length table (decoding times, composition offsets) sample by
// sample; never moves back, so a whole walk is linear in the table.
class RunWalker {
  public:
    explicit RunWalker(const Table& table) : table_(table) {}
    // Moves to sample `sample` (not before the last one asked for); false past the table.
    bool Seek(std::uint64_t sample) {
        while (entry_ < table_.count) {
            const Run run = RunAt(table_, entry_);
            if (sample < base_ + run.count) {
                value_ = run.value;
                offset_ = sample - base_;
                return true;
            }
            base_ += run.count;
            sum_ += std::uint64_t{run.count} * run.value;
            ++entry_;
        }
        return false;
    }
    std::uint32_t Value() const { return value_; }
    // The sum of the values of every sample before the current one (its decoding time).
    std::uint64_t Sum() const { return sum_ + offset_ * value_; }

  private:
    const Table& table_;
    std::uint32_t entry_ = 0;
    std::uint64_t base_ = 0;
    std::uint64_t sum_ = 0;
    std::uint64_t offset_ = 0;
    std::uint32_t value_ = 0;
};

struct ChunkRun {
    std::uint32_t firstChunk; // 1-based
    std::uint32_t samplesPerChunk;
    std::uint32_t description;
};

struct SourceEdit {
    std::uint64_t delay = 0;     // leading empty edits, movie timescale
    std::int64_t mediaStart = 0; // the media time shown first
    std::uint64_t duration = 0;  // movie timescale; 0: to the end of the media
};

struct Track {
    Box trak, tkhd, mdia, mdhd, minf, stbl;
    std::uint32_t handler = 0;
    std::uint32_t cttsVersion = 0;
    std::uint32_t timescale = 0;
    SourceEdit edit;
    Table stts, ctts, stss, sizes, offsets, sdtp;
    std::vector<ChunkRun> chunkRuns;
    std::uint32_t constantSize = 0; // every sample this size, when not 0
    unsigned sizeBits = 32;         // entry width of a compact size table
    bool wideOffsets = false;
    std::uint64_t sampleCount = 0;
    std::uint64_t mediaDuration = 0; // sum of the decoding durations
    std::int64_t minOffset = 0;      // smallest composition offset
    std::int64_t maxOffset = 0;      // largest composition offset
    Box firstDescription;
    // A timecode's single sample travels in the clip's header instead of the copied range,
    // which would otherwise have to reach back to where the source keeps it.
    std::optional<std::size_t> carriedAt;

    // The clip: samples [first, end), shown from media time `clipMediaStart` for
    // `clipMediaLength`, after `clipDelay` (movie timescale) of nothing.
    std::uint64_t first = 0, end = 0;
    std::int64_t clipMediaStart = 0;
    std::uint64_t clipMediaLength = 0;
    std::uint64_t clipDelay = 0;

    std::uint32_t SampleSize(std::uint64_t sample) const {
        if (constantSize)
            return constantSize;
        const std::size_t i = static_cast<std::size_t>(sample);
        switch (sizeBits) {
        case 4: {
            const std::uint8_t b = sizes.entries[i / 2];
            return (i % 2) ? (b & 0x0F) : (b >> 4);
        }
        case 8:
            return sizes.entries[i];
        case 16:
            return ReadU16BE(sizes.entries, 2 * i);
        default:
            return ReadU32BE(sizes.entries, 4 * i);
        }
    }
    std::uint64_t SizeSum(std::uint64_t from, std::uint64_t to) const {
        if (constantSize)
            return (to - from) * constantSize;
        std::uint64_t sum = 0;
        for (std::uint64_t s = from; s < to; ++s)
            sum += SampleSize(s);
        return sum;
    }
    std::uint64_t ChunkOffset(std::uint32_t chunk) const {
        return wideOffsets ? ReadU64BE(offsets.entries, 8 * std::size_t{chunk})
                           : ReadU32BE(offsets.entries, 4 * std::size_t{chunk});
    }
    std::int64_t CompositionOffset(RunWalker& walker, std::uint64_t sample) const {
        if (!ctts.present || !walker.Seek(sample))
            return 0;
        return static_cast<std::int32_t>(walker.Value());
    }
};

struct Movie {
    std::uint32_t timescale = 0;
    Box mvhd;
    std::span<const std::uint8_t> payload;
    std::vector<Track> tracks;
};

// ---- Choosing the samples --------------------------------------------------------------

double DelaySeconds(const Track& track, std::uint32_t movieScale);
// The media time the track's presentation ends at.
std::int64_t MediaEnd(const Track& track, std::uint32_t movieScale);
std::uint64_t DecodeTime(const Track& track, std::uint64_t sample);
// The video: from the keyframe shown at or before the start mark up to the sample that
// completes every frame shown until the end mark. Returns the clip's span in seconds.
Check ChooseVideoSamples(Track& track, std::uint32_t movieScale, Marks marks, double& clipStart,
                         double& clipEnd);
// Any other track, or the reference of a movie without video: the samples over
// [clipStart, clipEnd) seconds of the source.
void ChooseTimedSamples(Track& track, std::uint32_t movieScale, double clipStart, double clipEnd);

// ---- The chunks of the clip -------------------------------------------------------------

struct ChunkPiece {
    std::uint64_t offset;
    std::uint64_t bytes;
    std::uint32_t samples;
    std::uint32_t description;
};

// Calls `each` with the part of every chunk that holds samples [first, end), in order.
template <typename Each> Check ForEachClipChunk(const Track& track, std::uint64_t fileSize, Each&& each) {
    std::uint64_t sample = 0; // first sample of the chunk at hand
    for (std::size_t r = 0; r < track.chunkRuns.size() && sample < track.end; ++r) {
        const ChunkRun& run = track.chunkRuns[r];
        const std::uint64_t nextFirst = r + 1 < track.chunkRuns.size()
                                            ? track.chunkRuns[r + 1].firstChunk
                                            : std::uint64_t{track.offsets.count} + 1;
        const std::uint64_t runSamples = (nextFirst - run.firstChunk) * run.samplesPerChunk;
        if (sample + runSamples <= track.first) {
            sample += runSamples;
            continue;
        }
        std::uint64_t chunk = run.firstChunk;
        if (sample < track.first) {
            const std::uint64_t skipped = (track.first - sample) / run.samplesPerChunk;
            chunk += skipped;
            sample += skipped * run.samplesPerChunk;
        }
        for (; chunk < nextFirst && sample < track.end; ++chunk, sample += run.samplesPerChunk) {
            const std::uint64_t lo = std::max(sample, track.first);
            const std::uint64_t hi = std::min(sample + run.samplesPerChunk, track.end);
            const std::uint64_t offset = track.ChunkOffset(static_cast<std::uint32_t>(chunk - 1));
            const std::uint64_t before = track.SizeSum(sample, lo);
            const std::uint64_t bytes = track.SizeSum(lo, hi);
            if (offset > fileSize || before > fileSize - offset || bytes > fileSize - offset - before)
                return Damaged("a chunk of samples lies outside the file");
            each(ChunkPiece{offset + before, bytes, static_cast<std::uint32_t>(hi - lo), run.description});
        }
    }
    return std::nullopt;
}

// ---- Writing the new movie box ---------------------------------------------------------

// Where chunk offsets were written relative to the copied range, to be moved once the
// header's size is known.
struct OffsetTable {
    std::size_t at;
    std::uint32_t count;
    bool wide;
    bool carried; // relative to the samples carried in the header
};

// Writes the clip's movie box: chunk offsets relative to the copied range (or to the
// carried samples), wide when `wideOffsets`; `tables` says where they are.
Check WriteMovie(const Movie& movie, std::uint64_t fileSize, std::uint64_t rangeBegin, bool wideOffsets,
                 std::vector<std::uint8_t>& out, std::vector<OffsetTable>& tables);

} // namespace klevotrim::clip::mp4
