// The MP4 planner's work on each track's sample tables: choosing the samples the clip
// needs, then writing a movie box whose tables describe only those samples.
#include "cutting/clip/Mp4SampleTables.h"

#include <algorithm>
#include <cmath>

namespace klevotrim::clip::mp4 {
namespace {

std::int64_t ToMedia(double seconds, std::uint32_t timescale) {
    const double value = std::floor(seconds * timescale + 1e-6);
    return static_cast<std::int64_t>(std::clamp(value, -1e18, 1e18));
}

} // namespace

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

namespace {

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

} // namespace

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

namespace {

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

} // namespace

Check WriteMovie(const Movie& movie, std::uint64_t fileSize, std::uint64_t rangeBegin, bool wideOffsets,
                 std::vector<std::uint8_t>& out, std::vector<OffsetTable>& tables) {
    return MovieWriter(movie, fileSize, rangeBegin, wideOffsets).Write(out, tables);
}

} // namespace klevotrim::clip::mp4
