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

#include "cutting/clip/Mp4SampleTables.h"

namespace klevotrim::clip::mp4 {
namespace {

constexpr std::uint64_t kMaxMovieBoxSize = 256ull << 20;
constexpr std::uint64_t kMaxFileTypeBoxSize = 1ull << 16;
constexpr int kMaxTopLevelBoxes = 100000;
constexpr std::size_t kMaxTracks = 256;
// Media times stay far below this so sums of them never overflow.
constexpr std::uint64_t kMaxMediaTime = 1ull << 62;

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
        if (Check fault = WriteMovie(movie, fileSize, rangeBegin, wide, newMovie, tables))
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
} // namespace klevotrim::clip::mp4

namespace klevotrim::clip {

PlanResult PlanMp4Clip(ByteSource& source, Marks marks) {
    return mp4::Plan(source, marks);
}

} // namespace klevotrim::clip
