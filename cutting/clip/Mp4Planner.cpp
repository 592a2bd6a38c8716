// MP4, MOV and M4A clips: the source's file type box, a new movie box whose sample tables
// describe only the samples the clip needs, then a media data box header; the copied range
// runs from the first byte of the first needed sample to the last byte of the last one, so
// the movie box comes first and the clip streams. Planning reads the top-level box headers
// and the movie box, never the media data (but for a timecode's few bytes, below).
//
// Timing: the clip starts at the video keyframe at or before the start mark and ends with
// the frame that shows the end mark. Every track gets a one-segment edit list that shows
// its first frame (the keyframe) at time zero, hiding composition offsets and the samples
// other tracks carry from before the keyframe. Audio keeps one sample before the clip's
// start so its decoder is warmed up; the edit list hides it. A timecode track's single
// sample is written into the header, counted on to the clip's first frame, so the copied
// range need not reach back to where the source keeps it.
#include "cutting/clip/Planners.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "cutting/clip/Bytes.h"
#include "cutting/clip/Mp4Boxes.h"

namespace klevotrim::clip {
namespace {

using mp4::Box;
using mp4::BoxReader;
using mp4::FourCC;
using mp4::TypeName;

constexpr std::uint64_t kMaxMovieBoxSize = 256ull << 20;
constexpr std::uint64_t kMaxFileTypeBoxSize = 1ull << 16;
constexpr int kMaxTopLevelBoxes = 100000;
constexpr std::size_t kMaxTracks = 256;
// The video is walked frame by frame around the marks, so a crafted table that claims
// billions of frames in a few bytes must not make planning hang.
constexpr std::uint64_t kMaxWalkedSamples = 1ull << 26;
// Media times stay far below this so sums of them never overflow.
constexpr std::uint64_t kMaxMediaTime = 1ull << 62;

struct Fault {
    PlanStatus status;
    std::string reason;
};
using Check = std::optional<Fault>;

Fault Damaged(std::string reason) {
    return {PlanStatus::Damaged, std::move(reason)};
}
Fault Unsupported(std::string reason) {
    return {PlanStatus::Unsupported, std::move(reason)};
}

// A table of fixed-size entries after a full box's version, flags and entry count, with the
// count checked against the bytes the box holds.
struct Table {
    std::span<const std::uint8_t> entries;
    std::uint32_t count = 0;
    bool present = false;
};

Check ReadTable(const Box& box, std::size_t skip, std::size_t entrySize, Table& table) {
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
Run RunAt(const Table& table, std::uint32_t i) {
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

// ---- Reading the movie box -------------------------------------------------------------

std::string TrackName(std::size_t index) {
    return "track " + std::to_string(index + 1);
}

// mvhd and mdhd: the timescale after the creation and modification times.
Check ReadTimescale(const Box& box, std::uint32_t& timescale) {
    const bool wide = !box.payload.empty() && box.payload[0] == 1;
    const std::size_t at = wide ? 20 : 12;
    if (box.payload.size() < at + (wide ? 12 : 8))
        return Damaged("the '" + TypeName(box.type) + "' box is cut short");
    timescale = ReadU32BE(box.payload, at);
    if (timescale == 0)
        return Damaged("the '" + TypeName(box.type) + "' box gives a timescale of zero");
    return std::nullopt;
}

Check ReadSourceEdit(const Box& edts, const std::string& name, SourceEdit& edit) {
    const std::optional<Box> elst = mp4::FindChild(edts.payload, FourCC("elst"));
    if (!elst)
        return std::nullopt;
    const bool wide = !elst->payload.empty() && elst->payload[0] == 1;
    Table table;
    if (Check fault = ReadTable(*elst, 0, wide ? 20 : 12, table))
        return fault;
    bool shown = false;
    for (std::uint32_t i = 0; i < table.count; ++i) {
        const std::size_t at = std::size_t{i} * (wide ? 20 : 12);
        const std::uint64_t duration = wide ? ReadU64BE(table.entries, at) : ReadU32BE(table.entries, at);
        const std::int64_t mediaTime = wide ? static_cast<std::int64_t>(ReadU64BE(table.entries, at + 8))
                                            : static_cast<std::int32_t>(ReadU32BE(table.entries, at + 4));
        const std::size_t rateAt = at + (wide ? 16 : 8);
        if (mediaTime == -1) {
            if (shown)
                return Unsupported(name + " has an edit list that jumps");
            if (duration > kMaxMediaTime - edit.delay)
                return Damaged(name + " has an edit list longer than any movie");
            edit.delay += duration;
            continue;
        }
        if (mediaTime < 0 || static_cast<std::uint64_t>(mediaTime) > kMaxMediaTime)
            return Damaged(name + " has an edit list that starts outside its media");
        if (shown)
            return Unsupported(name + " has an edit list that jumps");
        if (ReadU16BE(table.entries, rateAt) != 1 || ReadU16BE(table.entries, rateAt + 2) != 0)
            return Unsupported(name + " has an edit list that changes its speed");
        edit.mediaStart = mediaTime;
        edit.duration = std::min(duration, kMaxMediaTime);
        shown = true;
    }
    if (table.count > 0 && !shown)
        return Unsupported(name + " has an edit list that shows none of it");
    return std::nullopt;
}

bool IsEncryptedEntry(std::uint32_t type) {
    constexpr std::array kEncrypted{FourCC("encv"), FourCC("enca"), FourCC("enct"), FourCC("encs"),
                                    FourCC("encm"), FourCC("encf"), FourCC("drms"), FourCC("drmi")};
    return std::find(kEncrypted.begin(), kEncrypted.end(), type) != kEncrypted.end();
}

Check ReadDescriptions(const Box& stsd, const std::string& name, std::uint32_t& count, Box& first) {
    if (stsd.payload.size() < 8)
        return Damaged("the sample descriptions of " + name + " are cut short");
    count = ReadU32BE(stsd.payload, 4);
    BoxReader reader(stsd.payload.subspan(8));
    Box entry;
    std::uint32_t seen = 0;
    while (reader.Next(entry)) {
        if (IsEncryptedEntry(entry.type))
            return Unsupported(name + " is encrypted");
        if (seen++ == 0)
            first = entry;
    }
    if (reader.Damaged() || seen < count || count == 0)
        return Damaged("the sample descriptions of " + name + " are damaged");
    return std::nullopt;
}

Check ReadSampleTables(const Box& stbl, const std::string& name, Track& track) {
    std::optional<Box> stts, ctts, stss, sdtp, stsz, stz2, stco, co64, stsc, stsd;
    BoxReader reader(stbl.payload);
    Box box;
    while (reader.Next(box)) {
        std::optional<Box>* slot = nullptr;
        switch (box.type) {
        case FourCC("stts"):
            slot = &stts;
            break;
        case FourCC("ctts"):
            slot = &ctts;
            break;
        case FourCC("stss"):
            slot = &stss;
            break;
        case FourCC("sdtp"):
            slot = &sdtp;
            break;
        case FourCC("stsz"):
            slot = &stsz;
            break;
        case FourCC("stz2"):
            slot = &stz2;
            break;
        case FourCC("stco"):
            slot = &stco;
            break;
        case FourCC("co64"):
            slot = &co64;
            break;
        case FourCC("stsc"):
            slot = &stsc;
            break;
        case FourCC("stsd"):
            slot = &stsd;
            break;
        case FourCC("saiz"):
        case FourCC("saio"):
        case FourCC("senc"):
            return Unsupported(name + " is encrypted");
        default:
            break;
        }
        if (slot) {
            if (*slot) // the clip's copy would hold it twice
                return Damaged(name + " has two '" + TypeName(box.type) + "' tables");
            *slot = box;
        }
    }
    if (reader.Damaged())
        return Damaged("the sample tables of " + name + " are damaged");
    if (!stsd || !stts || !stsc || (!stsz == !stz2) || (!stco == !co64))
        return Damaged(name + " lacks one of its sample tables");
    if (Check fault = ReadTable(*stts, 0, 8, track.stts))
        return fault;
    if (ctts) {
        if (Check fault = ReadTable(*ctts, 0, 8, track.ctts))
            return fault;
        track.cttsVersion = ReadU32BE(ctts->payload, 0);
    }
    if (stss)
        if (Check fault = ReadTable(*stss, 0, 4, track.stss))
            return fault;
    if (sdtp && sdtp->payload.size() >= 4) {
        track.sdtp.entries = sdtp->payload.subspan(4);
        track.sdtp.present = true;
    }
    std::uint32_t descriptions = 0;
    if (Check fault = ReadDescriptions(*stsd, name, descriptions, track.firstDescription))
        return fault;

    if (stsz) {
        if (stsz->payload.size() < 12)
            return Damaged("the sample sizes of " + name + " are cut short");
        track.constantSize = ReadU32BE(stsz->payload, 4);
        track.sampleCount = ReadU32BE(stsz->payload, 8);
        if (!track.constantSize) {
            if (Check fault = ReadTable(*stsz, 4, 4, track.sizes))
                return fault;
        }
    } else {
        if (stz2->payload.size() < 12)
            return Damaged("the sample sizes of " + name + " are cut short");
        track.sizeBits = stz2->payload[7];
        if (track.sizeBits != 4 && track.sizeBits != 8 && track.sizeBits != 16)
            return Damaged("the compact sample sizes of " + name + " have an impossible width");
        track.sampleCount = ReadU32BE(stz2->payload, 8);
        if (track.sampleCount > kMaxWalkedSamples) // each becomes four bytes in the clip
            return Unsupported(name + " has too many samples");
        const std::uint64_t bytes = (track.sampleCount * track.sizeBits + 7) / 8;
        if (bytes > stz2->payload.size() - 12)
            return Damaged("the 'stz2' table claims more entries than it holds");
        track.sizes.entries = stz2->payload.subspan(12, static_cast<std::size_t>(bytes));
    }
    if (track.sampleCount == 0)
        return Unsupported(name + " holds no samples");

    track.wideOffsets = !stco;
    if (Check fault = ReadTable(stco ? *stco : *co64, 0, stco ? 4 : 8, track.offsets))
        return fault;
    if (track.offsets.count == 0)
        return Damaged(name + " has no chunks");

    Table runs;
    if (Check fault = ReadTable(*stsc, 0, 12, runs))
        return fault;
    std::uint64_t covered = 0;
    for (std::uint32_t i = 0; i < runs.count; ++i) {
        const ChunkRun run{ReadU32BE(runs.entries, 12 * std::size_t{i}),
                           ReadU32BE(runs.entries, 12 * std::size_t{i} + 4),
                           ReadU32BE(runs.entries, 12 * std::size_t{i} + 8)};
        const std::uint32_t previous = i ? track.chunkRuns.back().firstChunk : 0;
        if ((i == 0 && run.firstChunk != 1) || run.firstChunk <= previous ||
            run.firstChunk > track.offsets.count || run.samplesPerChunk == 0 || run.description == 0 ||
            run.description > descriptions)
            return Damaged("the chunk table of " + name + " is inconsistent");
        if (i)
            covered += std::uint64_t{run.firstChunk - previous} * track.chunkRuns.back().samplesPerChunk;
        track.chunkRuns.push_back(run);
        covered = std::min(covered, kMaxMediaTime);
    }
    if (track.chunkRuns.empty())
        return Damaged("the chunk table of " + name + " is empty");
    covered += std::uint64_t{track.offsets.count + 1 - track.chunkRuns.back().firstChunk} *
               track.chunkRuns.back().samplesPerChunk;
    if (covered < track.sampleCount)
        return Damaged("the chunks of " + name + " hold fewer samples than it has");

    std::uint64_t timed = 0;
    for (std::uint32_t i = 0; i < track.stts.count; ++i) {
        const Run run = RunAt(track.stts, i);
        timed += run.count;
        track.mediaDuration += std::uint64_t{run.count} * run.value;
        if (track.mediaDuration > kMaxMediaTime)
            return Damaged("the decoding times of " + name + " overflow");
    }
    if (timed < track.sampleCount)
        return Damaged("the decoding times of " + name + " cover fewer samples than it has");
    if (track.ctts.present) {
        std::uint64_t offsetSamples = 0;
        for (std::uint32_t i = 0; i < track.ctts.count; ++i) {
            const Run run = RunAt(track.ctts, i);
            offsetSamples += run.count;
            if (run.count) {
                track.minOffset =
                    std::min<std::int64_t>(track.minOffset, static_cast<std::int32_t>(run.value));
                track.maxOffset =
                    std::max<std::int64_t>(track.maxOffset, static_cast<std::int32_t>(run.value));
            }
        }
        if (offsetSamples < track.sampleCount)
            return Damaged("the composition offsets of " + name + " cover fewer samples than it has");
    }
    if (track.stss.present) {
        std::uint32_t previous = 0;
        for (std::uint32_t i = 0; i < track.stss.count; ++i) {
            const std::uint32_t sync = ReadU32BE(track.stss.entries, 4 * std::size_t{i});
            if (sync <= previous || sync > track.sampleCount)
                return Damaged("the keyframe table of " + name + " is out of order");
            previous = sync;
        }
        if (track.stss.count == 0)
            return Unsupported(name + " marks none of its samples as a keyframe");
    }
    if (track.sdtp.present && track.sdtp.entries.size() < track.sampleCount)
        track.sdtp.present = false; // too short to describe every sample: leave it out
    return std::nullopt;
}

Check ReadTrack(const Box& trak, std::size_t index, Track& track) {
    const std::string name = TrackName(index);
    track.trak = trak;
    const std::optional<Box> mdia = mp4::FindChild(trak.payload, FourCC("mdia"));
    const std::optional<Box> tkhd = mp4::FindChild(trak.payload, FourCC("tkhd"));
    if (!mdia || !tkhd)
        return Damaged(name + " lacks its header or media box");
    track.tkhd = *tkhd;
    track.mdia = *mdia;
    if (tkhd->payload.size() < (tkhd->payload[0] == 1 ? 36u : 24u))
        return Damaged("the header of " + name + " is cut short");
    if (const std::optional<Box> edts = mp4::FindChild(trak.payload, FourCC("edts")))
        if (Check fault = ReadSourceEdit(*edts, name, track.edit))
            return fault;
    const std::optional<Box> mdhd = mp4::FindChild(mdia->payload, FourCC("mdhd"));
    const std::optional<Box> hdlr = mp4::FindChild(mdia->payload, FourCC("hdlr"));
    const std::optional<Box> minf = mp4::FindChild(mdia->payload, FourCC("minf"));
    if (!mdhd || !hdlr || !minf || hdlr->payload.size() < 12)
        return Damaged(name + " lacks its media header, handler or information box");
    if (Check fault = ReadTimescale(*mdhd, track.timescale))
        return fault;
    track.mdhd = *mdhd;
    track.minf = *minf;
    track.handler = ReadU32BE(hdlr->payload, 8);
    const std::optional<Box> stbl = mp4::FindChild(minf->payload, FourCC("stbl"));
    if (!stbl)
        return Damaged(name + " lacks its sample tables");
    track.stbl = *stbl;
    return ReadSampleTables(*stbl, name, track);
}

Check ReadMovie(std::span<const std::uint8_t> payload, Movie& movie) {
    movie.payload = payload;
    BoxReader reader(payload);
    Box box;
    bool haveHeader = false;
    while (reader.Next(box)) {
        switch (box.type) {
        case FourCC("mvhd"):
            if (Check fault = ReadTimescale(box, movie.timescale))
                return fault;
            movie.mvhd = box;
            haveHeader = true;
            break;
        case FourCC("mvex"):
            return Unsupported("the movie is fragmented");
        case FourCC("cmov"):
            return Unsupported("the movie's header is compressed");
        case FourCC("trak"): {
            if (movie.tracks.size() >= kMaxTracks)
                return Unsupported("the movie has too many tracks");
            Track track;
            if (Check fault = ReadTrack(box, movie.tracks.size(), track))
                return fault;
            movie.tracks.push_back(std::move(track));
            break;
        }
        default:
            break;
        }
    }
    if (reader.Damaged())
        return Damaged("the movie box is damaged");
    if (!haveHeader)
        return Damaged("the movie box lacks its header");
    if (movie.tracks.empty())
        return Damaged("the movie has no tracks");
    return std::nullopt;
}

// ---- Choosing the samples --------------------------------------------------------------

std::int64_t ToMedia(double seconds, std::uint32_t timescale) {
    const double value = std::floor(seconds * timescale + 1e-6);
    return static_cast<std::int64_t>(std::clamp(value, -1e18, 1e18));
}

double DelaySeconds(const Track& track, std::uint32_t movieScale) {
    return static_cast<double>(track.edit.delay) / movieScale;
}

// The media time the track's presentation ends at.
std::int64_t MediaEnd(const Track& track, std::uint32_t movieScale) {
    std::int64_t end = static_cast<std::int64_t>(track.mediaDuration) + track.maxOffset;
    if (track.edit.duration) {
        const double shown = static_cast<double>(track.edit.duration) * track.timescale / movieScale;
        end = std::min(end, track.edit.mediaStart + static_cast<std::int64_t>(std::min(shown, 1e18)));
    }
    return end;
}

// The sample whose decoding interval holds `time` (sampleCount past the last one).
std::uint64_t SampleAtTime(const Track& track, std::int64_t time) {
    if (time <= 0)
        return 0;
    const std::uint64_t t = static_cast<std::uint64_t>(time);
    std::uint64_t base = 0, start = 0;
    for (std::uint32_t i = 0; i < track.stts.count && base < track.sampleCount; ++i) {
        const Run run = RunAt(track.stts, i);
        const std::uint64_t end = start + std::uint64_t{run.count} * run.value;
        if (run.value && t < end)
            return std::min(track.sampleCount - 1, base + (t - start) / run.value);
        base += run.count;
        start = end;
    }
    return track.sampleCount;
}

std::uint64_t DecodeTime(const Track& track, std::uint64_t sample) {
    RunWalker walker(track.stts);
    return walker.Seek(sample) ? walker.Sum() : track.mediaDuration;
}

// The video: from the keyframe shown at or before the start mark up to the sample that
// completes every frame shown until the end mark. Returns the clip's span in seconds.
Check ChooseVideoSamples(Track& track, std::uint32_t movieScale, Marks marks, double& clipStart,
                         double& clipEnd) {
    if (track.sampleCount > kMaxWalkedSamples)
        return Unsupported("the video has too many frames");
    const double delay = DelaySeconds(track, movieScale);
    const std::int64_t startMark = track.edit.mediaStart + ToMedia(marks.start - delay, track.timescale);
    const std::int64_t endLimit = MediaEnd(track, movieScale);
    const std::int64_t endMark =
        std::min(endLimit - 1, track.edit.mediaStart + ToMedia(marks.end - delay, track.timescale));
    if (startMark >= endLimit)
        return Fault{PlanStatus::BadMarks, "the start point lies after the end of the movie"};

    RunWalker times(track.stts), offsets(track.ctts);
    auto presentation = [&](std::uint64_t sample) {
        times.Seek(sample);
        return static_cast<std::int64_t>(times.Sum()) + track.CompositionOffset(offsets, sample);
    };
    // Keyframes in decoding order: the last one shown at or before the start mark.
    std::optional<std::uint64_t> best;
    std::int64_t bestTime = 0;
    if (track.stss.present) {
        for (std::uint32_t i = 0; i < track.stss.count; ++i) {
            const std::uint64_t sample = ReadU32BE(track.stss.entries, 4 * std::size_t{i}) - 1;
            const std::int64_t time = presentation(sample);
            if (!best || (time <= startMark && (bestTime > startMark || time >= bestTime))) {
                best = sample;
                bestTime = time;
            }
        }
    } else if (!track.ctts.present) {
        best = SampleAtTime(track, std::max(startMark, std::int64_t{0}));
        bestTime = static_cast<std::int64_t>(DecodeTime(track, *best));
    } else {
        for (std::uint64_t s = 0; s < track.sampleCount; ++s) {
            const std::int64_t time = presentation(s);
            if (!best || (time <= startMark && (bestTime > startMark || time >= bestTime))) {
                best = s;
                bestTime = time;
            }
        }
    }
    track.first = *best;
    if (bestTime < track.edit.mediaStart) // the source's edit list hides the keyframe's start
        return Unsupported("the first keyframe of the video lies before its edit list starts");

    // Later samples in decoding order, until none can be shown before the end mark.
    RunWalker scanTimes(track.stts), scanOffsets(track.ctts);
    std::uint64_t last = track.first;
    std::int64_t holding = bestTime, holdingEnd = bestTime;
    for (std::uint64_t s = track.first; s < track.sampleCount; ++s) {
        scanTimes.Seek(s);
        const std::int64_t decode = static_cast<std::int64_t>(scanTimes.Sum());
        if (decode + track.minOffset > endMark)
            break;
        const std::int64_t time = decode + track.CompositionOffset(scanOffsets, s);
        if (time < bestTime || time > endMark)
            continue;
        last = s;
        if (time >= holding) {
            holding = time;
            holdingEnd = time + std::max<std::int64_t>(scanTimes.Value(), 1);
        }
    }
    track.end = last + 1;
    track.clipMediaStart = bestTime;
    track.clipMediaLength =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, std::min(holdingEnd, endLimit) - bestTime));
    track.clipDelay = 0;
    clipStart = delay + static_cast<double>(bestTime - track.edit.mediaStart) / track.timescale;
    clipEnd = clipStart + static_cast<double>(track.clipMediaLength) / track.timescale;
    return std::nullopt;
}

// Any other track, or the reference of a movie without video: the samples over
// [clipStart, clipEnd) seconds of the source.
void ChooseTimedSamples(Track& track, std::uint32_t movieScale, double clipStart, double clipEnd) {
    const double delay = DelaySeconds(track, movieScale);
    const std::int64_t mediaEnd = MediaEnd(track, movieScale);
    track.first = track.end = 0;
    track.clipMediaLength = 0;
    track.clipDelay = 0;
    if (clipEnd <= delay)
        return; // the track starts after the clip ends
    std::int64_t start = track.edit.mediaStart;
    if (clipStart < delay)
        track.clipDelay = static_cast<std::uint64_t>(std::llround((delay - clipStart) * movieScale));
    else
        start += ToMedia(clipStart - delay, track.timescale);
    const std::int64_t end =
        std::min(mediaEnd, track.edit.mediaStart + ToMedia(clipEnd - delay, track.timescale));
    if (end <= start)
        return;
    std::uint64_t first = SampleAtTime(track, start);
    if (first >= track.sampleCount)
        return;
    if (track.handler == FourCC("soun") && first > 0)
        --first;              // the audio decoder's warm-up
    if (track.stss.present) { // a second video track also starts at a keyframe
        std::uint64_t sync = 0;
        for (std::uint32_t i = 0; i < track.stss.count; ++i) {
            const std::uint64_t sample = ReadU32BE(track.stss.entries, 4 * std::size_t{i}) - 1;
            if (sample > first)
                break;
            sync = sample;
        }
        first = sync;
    }
    std::uint64_t last = SampleAtTime(track, end);
    if (last < track.sampleCount && static_cast<std::int64_t>(DecodeTime(track, last)) < end)
        ++last;
    track.first = first;
    track.end = std::max(std::min(last, track.sampleCount), first + 1);
    track.clipMediaStart = start;
    track.clipMediaLength = static_cast<std::uint64_t>(end - start);
}

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

class BoxScope {
  public:
    BoxScope(ByteWriter& w, const char* type) : w_(w), at_(w.Size()) {
        w_.U32BE(0);
        w_.Text(type);
    }
    ~BoxScope() { w_.PatchU32BE(at_, static_cast<std::uint32_t>(w_.Size() - at_)); }
    BoxScope(const BoxScope&) = delete;
    BoxScope& operator=(const BoxScope&) = delete;

  private:
    ByteWriter& w_;
    std::size_t at_;
};

// mvhd, mdhd and tkhd with a new duration; version 1 when it needs 64 bits.
void WriteHeaderWithDuration(ByteWriter& w, const Box& box, bool hasTrackId, std::uint64_t duration) {
    const std::span<const std::uint8_t> p = box.payload;
    const bool wideIn = p[0] == 1;
    const bool wideOut = wideIn || duration > 0xFFFFFFFFu;
    const std::size_t timeSize = wideIn ? 8 : 4;
    const std::size_t middle = hasTrackId ? 8 : 4; // track id and reserved, or the timescale
    const std::size_t restAt = 4 + 2 * timeSize + middle + timeSize;
    const std::size_t at = w.Size();
    w.U32BE(0);
    w.Bytes(box.whole.subspan(4, 4));
    w.U8(static_cast<std::uint8_t>(wideOut ? 1 : 0));
    w.Bytes(p.subspan(1, 3));
    for (int i = 0; i < 2; ++i) {
        const std::uint64_t time =
            wideIn ? ReadU64BE(p, 4 + 8 * std::size_t(i)) : ReadU32BE(p, 4 + 4 * std::size_t(i));
        wideOut ? w.U64BE(time) : w.U32BE(static_cast<std::uint32_t>(time));
    }
    w.Bytes(p.subspan(4 + 2 * timeSize, middle));
    wideOut ? w.U64BE(duration) : w.U32BE(static_cast<std::uint32_t>(duration));
    w.Bytes(p.subspan(restAt));
    w.PatchU32BE(at, static_cast<std::uint32_t>(w.Size() - at));
}

std::uint64_t Rescale(std::uint64_t value, std::uint32_t from, std::uint32_t to) {
    return static_cast<std::uint64_t>(std::llround(std::min(static_cast<double>(value) * to / from, 1e18)));
}

// Where chunk offsets were written relative to the copied range, to be moved once the
// header's size is known.
struct OffsetTable {
    std::size_t at;
    std::uint32_t count;
    bool wide;
    bool carried; // relative to the samples carried in the header
};

// The tables describe the first of several boxes of a kind; the copy keeps only that one.
bool Same(const Box& a, const Box& b) {
    return a.whole.data() == b.whole.data();
}

class MovieWriter {
  public:
    MovieWriter(const Movie& movie, std::uint64_t fileSize, std::uint64_t rangeBegin, bool wideOffsets)
        : movie_(movie), fileSize_(fileSize), rangeBegin_(rangeBegin), wideOffsets_(wideOffsets) {}

    Check Write(std::vector<std::uint8_t>& out, std::vector<OffsetTable>& tables) {
        ByteWriter w(out);
        tables_ = &tables;
        std::uint64_t movieDuration = 0;
        for (const Track& track : movie_.tracks)
            movieDuration = std::max(movieDuration, TrackDuration(track));
        BoxScope moov(w, "moov");
        BoxReader reader(movie_.payload);
        Box box;
        std::size_t trackIndex = 0;
        while (reader.Next(box)) {
            if (box.type == FourCC("mvhd")) {
                if (Same(box, movie_.mvhd)) // a second header would not have been checked
                    WriteHeaderWithDuration(w, box, false, movieDuration);
            } else if (box.type == FourCC("trak")) {
                if (Check fault = WriteTrack(w, movie_.tracks[trackIndex++]))
                    return fault;
            } else {
                w.Bytes(box.whole);
            }
        }
        return std::nullopt;
    }

  private:
    std::uint64_t TrackDuration(const Track& track) const {
        if (track.end == track.first)
            return 0;
        return track.clipDelay + Rescale(track.clipMediaLength, track.timescale, movie_.timescale);
    }

    Check WriteTrack(ByteWriter& w, const Track& track) {
        BoxScope trak(w, "trak");
        BoxReader reader(track.trak.payload);
        Box box;
        while (reader.Next(box)) {
            switch (box.type) {
            case FourCC("tkhd"):
                if (Same(box, track.tkhd)) {
                    WriteHeaderWithDuration(w, box, true, TrackDuration(track));
                    WriteEditList(w, track);
                }
                break;
            case FourCC("edts"):
                break; // replaced after the header
            case FourCC("mdia"):
                if (Same(box, track.mdia))
                    if (Check fault = WriteContainer(w, box, track))
                        return fault;
                break;
            default:
                w.Bytes(box.whole);
            }
        }
        return std::nullopt;
    }

    // mdia and minf: rewrite the media header and the sample tables, keep the rest.
    Check WriteContainer(ByteWriter& w, const Box& container, const Track& track) {
        const std::size_t at = w.Size();
        w.Bytes(container.whole.first(8));
        BoxReader reader(container.payload);
        Box box;
        while (reader.Next(box)) {
            if (box.type == FourCC("mdhd")) {
                if (Same(box, track.mdhd))
                    WriteHeaderWithDuration(w, box, false, ClipMediaDuration(track));
            } else if (box.type == FourCC("minf")) {
                if (Same(box, track.minf))
                    if (Check fault = WriteContainer(w, box, track))
                        return fault;
            } else if (box.type == FourCC("stbl")) {
                if (Same(box, track.stbl))
                    if (Check fault = WriteSampleTables(w, box, track))
                        return fault;
            } else {
                w.Bytes(box.whole);
            }
        }
        w.PatchU32BE(at, static_cast<std::uint32_t>(w.Size() - at));
        return std::nullopt;
    }

    static std::uint64_t ClipMediaDuration(const Track& track) {
        return track.end > track.first ? DecodeTime(track, track.end) - DecodeTime(track, track.first) : 0;
    }

    void WriteEditList(ByteWriter& w, const Track& track) {
        if (track.end == track.first)
            return;
        const std::uint64_t duration = Rescale(track.clipMediaLength, track.timescale, movie_.timescale);
        const std::uint64_t mediaTime =
            static_cast<std::uint64_t>(track.clipMediaStart) - DecodeTime(track, track.first);
        const bool wide = duration > 0xFFFFFFFFu || track.clipDelay > 0xFFFFFFFFu || mediaTime > 0x7FFFFFFFu;
        BoxScope edts(w, "edts");
        BoxScope elst(w, "elst");
        w.U32BE(wide ? 0x01000000u : 0u);
        w.U32BE(track.clipDelay ? 2 : 1);
        auto entry = [&](std::uint64_t length, std::int64_t time) {
            if (wide) {
                w.U64BE(length);
                w.U64BE(static_cast<std::uint64_t>(time));
            } else {
                w.U32BE(static_cast<std::uint32_t>(length));
                w.U32BE(static_cast<std::uint32_t>(time));
            }
            w.U32BE(0x00010000u); // rate 1.0
        };
        if (track.clipDelay)
            entry(track.clipDelay, -1);
        entry(duration, static_cast<std::int64_t>(mediaTime));
    }

    // Writes the runs of a (count, value) table that fall within [first, end).
    void WriteRunSlice(ByteWriter& w, const Table& table, std::uint64_t first, std::uint64_t end) {
        const std::size_t countAt = w.Size();
        w.U32BE(0);
        std::uint32_t written = 0;
        std::uint64_t base = 0;
        for (std::uint32_t i = 0; i < table.count && base < end; ++i) {
            const Run run = RunAt(table, i);
            const std::uint64_t lo = std::max(base, first), hi = std::min(base + run.count, end);
            base += run.count;
            if (hi <= lo)
                continue;
            w.U32BE(static_cast<std::uint32_t>(hi - lo));
            w.U32BE(run.value);
            ++written;
        }
        w.PatchU32BE(countAt, written);
    }

    Check WriteSampleTables(ByteWriter& w, const Box& stbl, const Track& track) {
        BoxScope scope(w, "stbl");
        BoxReader reader(stbl.payload);
        Box box;
        while (reader.Next(box)) {
            switch (box.type) {
            case FourCC("stts"): {
                BoxScope stts(w, "stts");
                w.U32BE(0);
                WriteRunSlice(w, track.stts, track.first, track.end);
                break;
            }
            case FourCC("ctts"): {
                BoxScope ctts(w, "ctts");
                w.U32BE(track.cttsVersion);
                WriteRunSlice(w, track.ctts, track.first, track.end);
                break;
            }
            case FourCC("stss"): {
                BoxScope stss(w, "stss");
                w.U32BE(0);
                const std::size_t countAt = w.Size();
                w.U32BE(0);
                std::uint32_t written = 0;
                for (std::uint32_t i = 0; i < track.stss.count; ++i) {
                    const std::uint64_t sync = ReadU32BE(track.stss.entries, 4 * std::size_t{i}) - 1;
                    if (sync >= track.first && sync < track.end) {
                        w.U32BE(static_cast<std::uint32_t>(sync - track.first + 1));
                        ++written;
                    }
                }
                w.PatchU32BE(countAt, written);
                break;
            }
            case FourCC("sdtp"):
                if (track.sdtp.present) {
                    BoxScope sdtp(w, "sdtp");
                    w.Bytes(box.payload.first(4));
                    w.Bytes(track.sdtp.entries.subspan(static_cast<std::size_t>(track.first),
                                                       static_cast<std::size_t>(track.end - track.first)));
                }
                break;
            case FourCC("sbgp"): {
                // A (count, group) run table after the grouping type and, in version 1, its
                // parameter.
                const std::size_t skip = (!box.payload.empty() && box.payload[0] == 1) ? 8 : 4;
                Table groups;
                if (ReadTable(box, skip, 8, groups))
                    break; // a damaged grouping only describes samples: leave it out
                BoxScope sbgp(w, "sbgp");
                w.Bytes(box.payload.first(4 + skip));
                WriteRunSlice(w, groups, track.first, track.end);
                break;
            }
            case FourCC("stsz"):
            case FourCC("stz2"): {
                BoxScope stsz(w, "stsz");
                w.U32BE(0);
                w.U32BE(track.constantSize);
                w.U32BE(static_cast<std::uint32_t>(track.end - track.first));
                if (!track.constantSize)
                    for (std::uint64_t s = track.first; s < track.end; ++s)
                        w.U32BE(track.SampleSize(s));
                break;
            }
            case FourCC("stsc"):
                break; // written with the chunk offsets
            case FourCC("stco"):
            case FourCC("co64"):
                if (Check fault = WriteChunks(w, track))
                    return fault;
                break;
            case FourCC("stps"): // tables indexed by sample that the clip does not need
            case FourCC("subs"):
            case FourCC("padb"):
            case FourCC("stsh"):
            case FourCC("stdp"):
            case FourCC("cslg"):
                break;
            default:
                w.Bytes(box.whole);
            }
        }
        return std::nullopt;
    }

    Check WriteChunks(ByteWriter& w, const Track& track) {
        std::vector<std::uint8_t> offsets;
        ByteWriter o(offsets);
        std::uint32_t chunks = 0;
        {
            BoxScope stsc(w, "stsc");
            w.U32BE(0);
            const std::size_t countAt = w.Size();
            w.U32BE(0);
            std::uint32_t runs = 0;
            std::optional<ChunkPiece> previous;
            const Check fault = ForEachClipChunk(track, fileSize_, [&](const ChunkPiece& piece) {
                ++chunks;
                if (!previous || previous->samples != piece.samples ||
                    previous->description != piece.description) {
                    w.U32BE(chunks);
                    w.U32BE(piece.samples);
                    w.U32BE(piece.description);
                    ++runs;
                }
                previous = piece;
                const std::uint64_t relative =
                    track.carriedAt ? *track.carriedAt : piece.offset - rangeBegin_;
                wideOffsets_ ? o.U64BE(relative) : o.U32BE(static_cast<std::uint32_t>(relative));
            });
            if (fault)
                return fault;
            w.PatchU32BE(countAt, runs);
        }
        BoxScope table(w, wideOffsets_ ? "co64" : "stco");
        w.U32BE(0);
        w.U32BE(chunks);
        tables_->push_back({w.Size(), chunks, wideOffsets_, track.carriedAt.has_value()});
        w.Bytes(offsets);
        return std::nullopt;
    }

    const Movie& movie_;
    std::uint64_t fileSize_;
    std::uint64_t rangeBegin_;
    bool wideOffsets_;
    std::vector<OffsetTable>* tables_ = nullptr;
};

// ---- The file's top-level boxes ----------------------------------------------------------

struct TopLevel {
    std::optional<std::pair<std::uint64_t, std::uint64_t>> fileType; // offset, size
    std::optional<std::pair<std::uint64_t, std::uint64_t>> movie;    // payload offset, size
    std::vector<std::pair<std::uint64_t, std::uint64_t>> mediaData;  // payload begin, end
};

bool IsLeadingBoxType(std::uint32_t type) {
    constexpr std::array kLeading{FourCC("ftyp"), FourCC("moov"), FourCC("mdat"),
                                  FourCC("free"), FourCC("skip"), FourCC("wide"),
                                  FourCC("pnot"), FourCC("pdin"), FourCC("styp")};
    return std::find(kLeading.begin(), kLeading.end(), type) != kLeading.end();
}

// NotThisFormat when the file does not start like an ISO base media file.
Check ReadTopLevel(ByteSource& source, TopLevel& top) {
    const std::uint64_t size = source.Size();
    if (size < 8)
        return Fault{PlanStatus::NotThisFormat, ""}; // not even one box header
    std::uint64_t pos = 0;
    for (int count = 0; pos < size; ++count) {
        if (count == kMaxTopLevelBoxes)
            return Unsupported("the file holds too many top-level boxes");
        std::array<std::uint8_t, 16> head{};
        const std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(16, size - pos));
        if (available < 8 || !ReadExact(source, pos, std::span(head).first(available))) {
            if (count == 0)
                return Fault{PlanStatus::NotThisFormat, ""};
            break; // a few stray bytes after the last box
        }
        const std::uint32_t type = ReadU32BE(head, 4);
        std::uint64_t boxSize = ReadU32BE(head, 0);
        std::uint64_t header = 8;
        if (count == 0 && (!IsLeadingBoxType(type) || (boxSize > 1 && boxSize < 8)))
            return Fault{PlanStatus::NotThisFormat, ""};
        if (boxSize == 1) {
            if (available < 16)
                return Damaged("the file ends inside the header of its '" + TypeName(type) + "' box");
            boxSize = ReadU64BE(head, 8);
            header = 16;
        } else if (boxSize == 0) {
            boxSize = size - pos;
        }
        const std::string where = "the '" + TypeName(type) + "' box at byte " + std::to_string(pos);
        if (boxSize < header)
            return Damaged(where + " has an impossible size");
        if (boxSize > size - pos) {
            if (type != FourCC("mdat"))
                return Damaged(where + " runs past the end of the file");
            boxSize = size - pos; // a cut-off recording: samples past the end are refused later
        }
        switch (type) {
        case FourCC("ftyp"):
            if (!top.fileType && !top.movie) {
                if (boxSize > kMaxFileTypeBoxSize)
                    return Damaged(where + " is too large");
                top.fileType.emplace(pos, boxSize);
            }
            break;
        case FourCC("moov"):
            if (top.movie)
                return Damaged("the file holds more than one movie box");
            if (boxSize - header > kMaxMovieBoxSize)
                return Unsupported("its movie box is too large");
            top.movie.emplace(pos + header, boxSize - header);
            break;
        case FourCC("mdat"):
            top.mediaData.emplace_back(pos + header, pos + boxSize);
            break;
        case FourCC("moof"):
        case FourCC("sidx"):
        case FourCC("styp"):
            return Unsupported("the movie is fragmented");
        default:
            break;
        }
        pos += boxSize;
    }
    if (!top.movie)
        return Damaged("the file has no movie box");
    return std::nullopt;
}

// Moves a timecode track's sample into the header, counting on to the clip's first frame.
Check CarryTimecode(ByteSource& source, Track& track, std::vector<std::uint8_t>& carried) {
    constexpr std::uint32_t kLargestCarried = 64;
    if (track.handler != FourCC("tmcd") || track.end - track.first != 1 ||
        track.SampleSize(track.first) > kLargestCarried)
        return std::nullopt;
    std::uint64_t offset = 0, bytes = 0;
    if (Check fault = ForEachClipChunk(track, source.Size(), [&](const ChunkPiece& piece) {
            offset = piece.offset;
            bytes = piece.bytes;
        }))
        return fault;
    std::vector<std::uint8_t> sample(static_cast<std::size_t>(bytes));
    if (!ReadExact(source, offset, sample))
        return Damaged("the timecode could not be read");
    // The entry's timescale and frame duration follow its reserved bytes, reference index,
    // more reserved bytes and flags; the sample counts frames.
    const Box& entry = track.firstDescription;
    const std::int64_t sampleStart = static_cast<std::int64_t>(DecodeTime(track, track.first));
    if (entry.type == FourCC("tmcd") && entry.whole.size() >= 32 && sample.size() >= 4) {
        const std::uint32_t scale = ReadU32BE(entry.whole, 24), frameDuration = ReadU32BE(entry.whole, 28);
        if (scale && frameDuration) {
            const double elapsed = static_cast<double>(track.clipMediaStart - sampleStart) / track.timescale;
            const std::uint32_t frames =
                ReadU32BE(sample, 0) + static_cast<std::uint32_t>(std::llround(
                                           std::clamp(elapsed * scale / frameDuration, 0.0, 4e9)));
            for (int b = 0; b < 4; ++b)
                sample[b] = static_cast<std::uint8_t>(frames >> (8 * (3 - b)));
            track.clipMediaStart = sampleStart; // the count now starts at the clip's start
        }
    }
    track.carriedAt = carried.size();
    carried.insert(carried.end(), sample.begin(), sample.end());
    return std::nullopt;
}

PlanResult Plan(ByteSource& source, Marks marks) {
    const std::uint64_t fileSize = source.Size();
    TopLevel top;
    if (Check fault = ReadTopLevel(source, top))
        return PlanResult::Fail(fault->status, fault->reason);

    std::vector<std::uint8_t> fileType, moov(static_cast<std::size_t>(top.movie->second));
    if (top.fileType) {
        fileType.resize(static_cast<std::size_t>(top.fileType->second));
        if (!ReadExact(source, top.fileType->first, fileType))
            return PlanResult::Fail(PlanStatus::Damaged, "the file type box could not be read");
    }
    if (!ReadExact(source, top.movie->first, moov))
        return PlanResult::Fail(PlanStatus::Damaged, "the movie box could not be read");

    if (!(marks.start >= 0) || !(marks.end > marks.start) || !std::isfinite(marks.end))
        return PlanResult::Fail(PlanStatus::BadMarks, "the end point must lie after the start point");
    Movie movie;
    if (Check fault = ReadMovie(moov, movie))
        return PlanResult::Fail(fault->status, fault->reason);

    // The clip's span comes from the first video track, or else the first track.
    auto reference = std::find_if(movie.tracks.begin(), movie.tracks.end(),
                                  [](const Track& t) { return t.handler == FourCC("vide"); });
    double clipStart = 0, clipEnd = 0;
    if (reference != movie.tracks.end()) {
        if (Check fault = ChooseVideoSamples(*reference, movie.timescale, marks, clipStart, clipEnd))
            return PlanResult::Fail(fault->status, fault->reason);
    } else {
        reference = movie.tracks.begin();
        const double delay = DelaySeconds(*reference, movie.timescale);
        const double length =
            static_cast<double>(MediaEnd(*reference, movie.timescale) - reference->edit.mediaStart) /
            reference->timescale;
        clipStart = std::max(marks.start, delay);
        clipEnd = std::min(marks.end, delay + length);
        if (clipStart >= clipEnd)
            return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies after the end of the movie");
        ChooseTimedSamples(*reference, movie.timescale, clipStart, clipEnd);
    }
    for (Track& track : movie.tracks) {
        if (&track != &*reference)
            ChooseTimedSamples(track, movie.timescale, clipStart, clipEnd);
        // The new edit list shows media from a time at or after the first sample's decoding.
        if (track.end > track.first &&
            track.clipMediaStart < static_cast<std::int64_t>(DecodeTime(track, track.first)))
            return PlanResult::Fail(PlanStatus::Unsupported, "a track shows a frame before it is decoded");
    }

    std::vector<std::uint8_t> carried;
    for (Track& track : movie.tracks)
        if (Check fault = CarryTimecode(source, track, carried))
            return PlanResult::Fail(fault->status, fault->reason);

    // The copied range: every chunk piece of every track, all inside one media data box.
    std::uint64_t rangeBegin = std::numeric_limits<std::uint64_t>::max(), rangeEnd = 0;
    for (const Track& track : movie.tracks) {
        if (track.carriedAt)
            continue;
        const Check fault = ForEachClipChunk(track, fileSize, [&](const ChunkPiece& piece) {
            rangeBegin = std::min(rangeBegin, piece.offset);
            rangeEnd = std::max(rangeEnd, piece.offset + piece.bytes);
        });
        if (fault)
            return PlanResult::Fail(fault->status, fault->reason);
    }
    if (rangeEnd == 0)
        return PlanResult::Fail(PlanStatus::BadMarks, "no samples lie between the marks");
    const bool inOneBox = std::any_of(top.mediaData.begin(), top.mediaData.end(), [&](const auto& mdat) {
        return mdat.first <= rangeBegin && rangeEnd <= mdat.second;
    });
    if (!inOneBox)
        return PlanResult::Fail(PlanStatus::Unsupported,
                                "the clip's samples do not lie in one media data box");

    const std::uint64_t rangeLength = rangeEnd - rangeBegin;
    const bool largeMediaData = rangeLength > 0xFFFFFFFFu - 8;
    // The carried samples sit in a free box between the movie box and the media data.
    const std::uint64_t carriedBox = carried.empty() ? 0 : 8 + carried.size();
    const std::uint64_t mediaDataHeader = (largeMediaData ? 16 : 8) + carriedBox;
    std::vector<std::uint8_t> newMovie;
    std::vector<OffsetTable> tables;
    for (const bool wide : {false, true}) {
        newMovie.clear();
        tables.clear();
        if (Check fault = MovieWriter(movie, fileSize, rangeBegin, wide).Write(newMovie, tables))
            return PlanResult::Fail(fault->status, fault->reason);
        const std::uint64_t headerSize = fileType.size() + newMovie.size() + mediaDataHeader;
        if (wide || headerSize + rangeLength <= 0xFFFFFFFFu)
            break;
    }
    if (newMovie.size() > 0xFFFFFFFFu)
        return PlanResult::Fail(PlanStatus::Unsupported, "the clip's movie box would be too large");

    PlanResult result;
    result.status = PlanStatus::Planned;
    ClipPlan& plan = result.plan;
    const std::uint64_t headerSize = fileType.size() + newMovie.size() + mediaDataHeader;
    for (const OffsetTable& table : tables) {
        const std::uint64_t base = table.carried ? fileType.size() + newMovie.size() + 8 : headerSize;
        for (std::uint32_t i = 0; i < table.count; ++i) {
            const std::size_t at = table.at + std::size_t{i} * (table.wide ? 8 : 4);
            if (table.wide) {
                const std::uint64_t value = ReadU64BE(newMovie, at) + base;
                for (int b = 0; b < 8; ++b)
                    newMovie[at + b] = static_cast<std::uint8_t>(value >> (8 * (7 - b)));
            } else {
                const std::uint32_t value = static_cast<std::uint32_t>(ReadU32BE(newMovie, at) + base);
                for (int b = 0; b < 4; ++b)
                    newMovie[at + b] = static_cast<std::uint8_t>(value >> (8 * (3 - b)));
            }
        }
    }
    plan.header = std::move(fileType);
    plan.header.insert(plan.header.end(), newMovie.begin(), newMovie.end());
    ByteWriter w(plan.header);
    if (!carried.empty()) {
        w.U32BE(static_cast<std::uint32_t>(carriedBox));
        w.Text("free");
        w.Bytes(carried);
    }
    if (largeMediaData) {
        w.U32BE(1);
        w.Text("mdat");
        w.U64BE(rangeLength + 16);
    } else {
        w.U32BE(static_cast<std::uint32_t>(rangeLength + 8));
        w.Text("mdat");
    }
    plan.rangeBegin = rangeBegin;
    plan.rangeEnd = rangeEnd;
    plan.start = clipStart;
    plan.duration = clipEnd - clipStart;
    return result;
}

} // namespace

PlanResult PlanMp4Clip(ByteSource& source, Marks marks) {
    return Plan(source, marks);
}

} // namespace klevotrim::clip
