// AVI clips: a new header list with the stream lengths of the clip, one run of the source's
// movie chunks from a video keyframe to the frame holding the end point, and a new idx1.
#include "cutting/clip/AviPlanner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cutting/clip/Bytes.h"
#include "cutting/clip/MemorySource.h"
#include "cutting/clip/Riff.h"
#include "cutting/clip/AviPlanning.h"

namespace klevotrim::clip::avi {
namespace {

constexpr std::uint32_t kHasIndexFlag = 0x10; // AVIF_HASINDEX in avih
constexpr std::uint64_t kMaxHeaderList = 1 << 20;
constexpr std::uint64_t kMaxInfoList = 1 << 16;
// A larger clip is written in several RIFF parts of about this much chunk data each, with
// OpenDML's indexes (players read a RIFF part of up to 1 GiB, an AVIX part of any size).
constexpr std::uint64_t kMaxPartData = std::uint64_t{1} << 30;
// A RIFF part's size has 32 bits.
constexpr std::uint64_t kMaxClip = 0xFFFFFFFF;
constexpr std::size_t kMaxStreams = 100; // chunk ids number streams with two digits

} // namespace

PlanResult AviPlanner::Plan() {
    std::array<std::uint8_t, 12> signature{};
    if (!ReadExact(source_, 0, signature) || ReadU32LE(signature, 0) != FourCC("RIFF") ||
        ReadU32LE(signature, 8) != FourCC("AVI "))
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an AVI file");
    if (!(marks_.start >= 0) || !(marks_.end > marks_.start))
        return PlanResult::Fail(PlanStatus::BadMarks, "the end point must lie after the start point");
    if (auto failure = ReadTopLevel())
        return Fail(*failure);
    if (auto failure = ReadHeaderList())
        return Fail(*failure);
    if (auto failure = ReadIndex())
        return Fail(*failure);
    return Cut();
}

// The first RIFF part's header list, movie list and idx1, then the movie lists of any
// OpenDML 'AVIX' parts that follow.
std::optional<Failure> AviPlanner::ReadTopLevel() {
    std::optional<RiffChunk> riff = ReadRiffChunk(source_, 0, size_);
    std::uint64_t partEnd = std::min(riff->DataEnd(), size_);
    for (bool first = true;; first = false) {
        for (std::uint64_t at = riff->ListBegin(); at < partEnd;) {
            const std::optional<RiffChunk> chunk = ReadRiffChunk(source_, at, partEnd);
            if (!chunk)
                break;
            const bool whole = chunk->DataEnd() <= partEnd;
            if (chunk->listType == FourCC("movi")) {
                // A movie list cut short by a truncated file is read as far as it goes.
                movies_.push_back(
                    {chunk->offset + 8, chunk->ListBegin(), std::min(chunk->DataEnd(), partEnd)});
            } else if (!first || !whole) {
                // Only movie lists matter in later parts; a cut-off chunk ends the part.
            } else if (chunk->listType == FourCC("hdrl")) {
                if (!headerList_.empty())
                    return Damaged("the AVI file has two header lists");
                if (chunk->size > kMaxHeaderList)
                    return Unsupported("the AVI header list is too large");
                headerList_.resize(chunk->size - 4);
                if (!ReadExact(source_, chunk->ListBegin(), headerList_))
                    return Damaged("the AVI header list cannot be read");
            } else if (chunk->listType == FourCC("INFO") && chunk->size <= kMaxInfoList) {
                infoList_.resize(chunk->size + (chunk->size & 1) + 8);
                if (chunk->Next() > size_ || !ReadExact(source_, chunk->offset, infoList_))
                    infoList_.clear();
            } else if (chunk->id == FourCC("idx1") && movies_.size() == 1) {
                idx1_ = chunk;
            }
            at = chunk->Next();
        }
        // The next part starts where this one ends (the RIFF size is even by rule, but
        // some writers forget the pad byte).
        const std::uint64_t next = riff->Next();
        riff = ReadRiffChunk(source_, next, size_);
        if (!riff || riff->id != FourCC("RIFF") || riff->listType != FourCC("AVIX"))
            break;
        partEnd = std::min(riff->DataEnd(), size_);
    }
    if (headerList_.empty())
        return Damaged("the AVI file has no header list");
    if (movies_.empty())
        return Damaged("the AVI file has no movie data");
    return std::nullopt;
}

// avih, then one strl list per stream: strh, strf and the OpenDML super index.
std::optional<Failure> AviPlanner::ReadHeaderList() {
    MemorySource list(headerList_);
    bool haveMainHeader = false;
    for (std::uint64_t at = 0; at < list.Size();) {
        const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, list.Size());
        if (!chunk || chunk->DataEnd() > list.Size())
            break;
        if (chunk->id == FourCC("avih")) {
            if (chunk->size < 56)
                return Damaged("the AVI main header is too short");
            haveMainHeader = true;
        } else if (chunk->listType == FourCC("strl")) {
            if (streams_.size() == kMaxStreams)
                return Unsupported("the AVI file has too many streams");
            if (auto failure = ReadStreamList(list, *chunk))
                return failure;
        }
        at = chunk->Next();
    }
    if (!haveMainHeader)
        return Damaged("the AVI file has no main header");
    for (std::size_t i = 0; i < streams_.size(); ++i)
        if (streams_[i].type == FourCC("vids")) {
            video_ = static_cast<std::uint16_t>(i);
            return std::nullopt;
        }
    return Unsupported("the AVI file has no video stream");
}

std::optional<Failure> AviPlanner::ReadStreamList(MemorySource& list, const RiffChunk& strl) {
    Stream stream;
    bool haveHeader = false;
    const std::span<const std::uint8_t> bytes(headerList_);
    for (std::uint64_t at = strl.ListBegin(); at < strl.DataEnd();) {
        const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, strl.DataEnd());
        if (!chunk || chunk->DataEnd() > strl.DataEnd())
            break;
        const std::size_t data = static_cast<std::size_t>(chunk->DataBegin());
        if (chunk->id == FourCC("strh")) {
            if (chunk->size < 48)
                return Damaged("an AVI stream header is too short");
            stream.type = ReadU32LE(bytes, data);
            stream.scale = ReadU32LE(bytes, data + 20);
            stream.rate = ReadU32LE(bytes, data + 24);
            stream.start = ReadU32LE(bytes, data + 28);
            stream.sampleSize = ReadU32LE(bytes, data + 44);
            haveHeader = true;
        } else if (chunk->id == FourCC("strf")) {
            if (stream.type == FourCC("vids") && chunk->size >= 20)
                stream.compression = ReadU32LE(bytes, data + 16);
            // As DirectShow does: whole audio blocks, whatever the stream header says.
            if (stream.type == FourCC("auds") && chunk->size >= 14 && stream.sampleSize != 0)
                stream.sampleSize = std::max<std::uint32_t>(ReadU16LE(bytes, data + 12), 1);
        } else if (chunk->id == FourCC("indx") && chunk->size >= 24) {
            stream.superIndex.assign(bytes.begin() + data, bytes.begin() + data + chunk->size);
        }
        at = chunk->Next();
    }
    if (!haveHeader)
        return Damaged("an AVI stream has no stream header");
    if (stream.scale == 0 || stream.rate == 0)
        return Damaged("an AVI stream has no frame rate");
    streams_.push_back(std::move(stream));
    return std::nullopt;
}

PlanResult AviPlanner::Cut() {
    const Stream& video = streams_[video_];
    const double frameSeconds = video.Seconds(1);
    const std::size_t frameCount = frames_.size();
    const double startFrame = marks_.start / frameSeconds - video.start;
    if (startFrame >= static_cast<double>(frameCount))
        return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies after the end of the video");
    std::size_t first = startFrame <= 0 ? 0 : static_cast<std::size_t>(startFrame);
    // The last frame that begins before the end point.
    const double endFrame = std::ceil(marks_.end / frameSeconds - video.start - 1e-9) - 1;
    std::size_t last =
        endFrame <= static_cast<double>(first)
            ? first
            : static_cast<std::size_t>(std::min(endFrame, static_cast<double>(frameCount - 1)));
    for (;; --first) {
        if (auto failure = SettleKey(entries_[frames_[first]]))
            return Fail(*failure);
        if (entries_[frames_[first]].key || first == 0)
            break; // a video without any keyframe flag is read from its first frame
    }
    const Entry& firstFrame = entries_[frames_[first]];
    const Entry& lastFrame = entries_[frames_[last]];
    ClipPlan plan;
    plan.rangeBegin = firstFrame.offset;
    plan.rangeEnd =
        std::min(lastFrame.End() + (lastFrame.size & 1), MovieHolding(lastFrame.offset, lastFrame.size)->end);

    // The clip's chunks, and each stream's units before them.
    std::vector<std::size_t> chunks;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        Stream& stream = streams_[entry.stream];
        const std::uint64_t units = IsPaletteChange(entry.id) ? 0 : stream.Units(entry.size);
        if (entry.offset < plan.rangeBegin) {
            stream.unitsBefore += units;
            continue;
        }
        if (entry.End() > plan.rangeEnd)
            break;
        stream.unitsInClip += units;
        if (entry.stream == video_ && !IsPaletteChange(entry.id)) {
            if (auto failure = SettleKey(entry))
                return Fail(*failure);
        } else {
            entry.key = true;
        }
        if (!stream.chunkId)
            stream.chunkId = entry.id;
        chunks.push_back(i);
    }
    const std::vector<Part> parts = SplitIntoParts(chunks);
    const bool openDml = parts.size() > 1;
    if (openDml)
        for (Stream& stream : streams_)
            for (const Part& part : parts)
                stream.partsWithChunks +=
                    std::any_of(chunks.begin() + static_cast<std::ptrdiff_t>(part.firstChunk),
                                chunks.begin() + static_cast<std::ptrdiff_t>(part.endChunk),
                                [&](std::size_t i) { return &streams_[entries_[i].stream] == &stream; });

    // Where each chunk lands in the clip, once the header's length is known.
    const auto indexBytes = [&](const Part& part, bool withIdx1) {
        std::uint64_t bytes = withIdx1 ? 8 + 16 * std::uint64_t{part.endChunk - part.firstChunk} : 0;
        if (openDml)
            for (const Stream& stream : streams_) {
                const auto n =
                    std::count_if(chunks.begin() + static_cast<std::ptrdiff_t>(part.firstChunk),
                                  chunks.begin() + static_cast<std::ptrdiff_t>(part.endChunk),
                                  [&](std::size_t i) { return &streams_[entries_[i].stream] == &stream; });
                bytes += n ? 32 + 8 * static_cast<std::uint64_t>(n) : 0;
            }
        return bytes;
    };
    // Every stream keeps its place against the others: the one that begins first in the
    // clip starts at 0, the others after their delay in it.
    double clipStart = std::numeric_limits<double>::max();
    double clipEnd = 0;
    for (const Stream& stream : streams_)
        if (stream.unitsInClip) {
            clipStart = std::min(clipStart, stream.Seconds(stream.start + stream.unitsBefore));
            clipEnd =
                std::max(clipEnd, stream.Seconds(stream.start + stream.unitsBefore + stream.unitsInClip));
        }
    plan.start = clipStart;
    plan.duration = clipEnd - clipStart;
    const std::uint64_t idx1Bytes = 8 + 16 * std::uint64_t{parts[0].endChunk - parts[0].firstChunk};
    const std::uint64_t firstIndexes = indexBytes(parts[0], false);
    plan.header = BuildHeader(clipStart, parts[0].dataBytes + firstIndexes, idx1Bytes, openDml);

    // Each part: its runs, its standard indexes (ix##) ending its movie list, idx1 after the
    // first part's, and the next part's head.
    std::vector<std::uint8_t> idx1;
    ByteWriter idx1Writer(idx1);
    idx1Writer.Text("idx1");
    idx1Writer.U32LE(static_cast<std::uint32_t>(idx1Bytes - 8));
    const std::uint64_t moviAt = plan.header.size() - 4;
    std::uint64_t partAt = plan.header.size(); // where the part's movie data begins in the clip
    std::vector<std::uint32_t> superEntries(streams_.size(), 0);
    std::vector<std::uint8_t> tail; // what follows the part's runs
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const Part& part = parts[p];
        if (part.dataBytes + indexBytes(part, p == 0) + 24 > kMaxClip)
            return PlanResult::Fail(PlanStatus::Unsupported,
                                    "the AVI file holds a chunk too large for a clip");
        std::vector<std::uint8_t> indexes;
        std::vector<std::vector<std::uint8_t>> standard(streams_.size());
        std::vector<std::uint64_t> partUnits(streams_.size(), 0);
        std::size_t run = 0;
        std::uint64_t runAt = partAt; // where the run begins in the clip
        for (std::size_t c = part.firstChunk; c < part.endChunk; ++c) {
            const Entry& entry = entries_[chunks[c]];
            while (entry.offset >= part.runs[run].end)
                runAt += part.runs[run].end - part.runs[run].begin, ++run;
            const std::uint64_t at = runAt + (entry.offset - part.runs[run].begin);
            if (p == 0) {
                idx1Writer.U32LE(entry.id);
                idx1Writer.U32LE(entry.key ? kKeyFrameFlag : 0);
                idx1Writer.U32LE(static_cast<std::uint32_t>(at - moviAt));
                idx1Writer.U32LE(entry.size);
            }
            if (openDml) { // data offsets from the part's first chunk; bit 31 marks non-keyframes
                ByteWriter ix(standard[entry.stream]);
                ix.U32LE(static_cast<std::uint32_t>(at + 8 - partAt));
                ix.U32LE(entry.size | (entry.key ? 0 : 0x80000000));
                partUnits[entry.stream] +=
                    IsPaletteChange(entry.id) ? 0 : streams_[entry.stream].Units(entry.size);
            }
        }
        ByteWriter out(indexes);
        for (std::size_t i = 0; i < streams_.size(); ++i) {
            if (standard[i].empty())
                continue;
            // The stream's super index points here.
            const std::uint64_t ixAt = partAt + part.dataBytes + indexes.size();
            ByteWriter header(plan.header);
            const std::size_t entry = streams_[i].superIndexAt + 24 + 16 * superEntries[i]++;
            header.PatchU32LE(entry, static_cast<std::uint32_t>(ixAt & 0xFFFFFFFF));
            header.PatchU32LE(entry + 4, static_cast<std::uint32_t>(ixAt >> 32));
            header.PatchU32LE(entry + 8, static_cast<std::uint32_t>(32 + standard[i].size()));
            header.PatchU32LE(entry + 12, static_cast<std::uint32_t>(partUnits[i]));
            out.U8('i');
            out.U8('x');
            out.U8(static_cast<std::uint8_t>('0' + i / 10));
            out.U8(static_cast<std::uint8_t>('0' + i % 10));
            out.U32LE(static_cast<std::uint32_t>(24 + standard[i].size()));
            out.U16LE(2); // longs per entry
            out.U8(0);    // no sub-type
            out.U8(1);    // AVI_INDEX_OF_CHUNKS
            out.U32LE(static_cast<std::uint32_t>(standard[i].size() / 8));
            out.U32LE(streams_[i].chunkId);
            out.U64LE(partAt);
            out.U32LE(0);
            out.Bytes(standard[i]);
        }
        if (p == 0)
            out.Bytes(idx1);
        partAt += part.dataBytes + indexes.size();
        if (p + 1 < parts.size()) {
            const Part& next = parts[p + 1];
            const std::uint64_t nextMovie = 4 + next.dataBytes + indexBytes(next, false);
            out.Text("RIFF");
            out.U32LE(static_cast<std::uint32_t>(nextMovie + 12));
            out.Text("AVIX");
            out.Text("LIST");
            out.U32LE(static_cast<std::uint32_t>(nextMovie));
            out.Text("movi");
            partAt += 24;
        }
        // Runs of one part follow each other with nothing between.
        for (std::size_t r = 0; r + 1 < part.runs.size(); ++r)
            plan.splices.push_back({part.runs[r].end, part.runs[r + 1].begin, {}});
        if (p + 1 < parts.size())
            plan.splices.push_back(
                {part.runs.back().end, parts[p + 1].runs.front().begin, std::move(indexes)});
        else
            plan.trailer = std::move(indexes);
    }
    PlanResult result;
    result.status = PlanStatus::Planned;
    result.plan = std::move(plan);
    return result;
}

// Runs of chunks from one movie list each, into parts of at most kMaxPartData bytes of chunks
// (a part holds one chunk at least).
std::vector<Part> AviPlanner::SplitIntoParts(const std::vector<std::size_t>& chunks) const {
    std::vector<Part> parts(1);
    const MovieExtent* movie = nullptr;
    for (std::size_t c = 0; c < chunks.size(); ++c) {
        const Entry& entry = entries_[chunks[c]];
        const MovieExtent* holding = MovieHolding(entry.offset, entry.size);
        const std::uint64_t end = std::min(entry.End() + (entry.size & 1), holding->end);
        Part* part = &parts.back();
        const bool sameRun = holding == movie && !part->runs.empty();
        if (part->endChunk > part->firstChunk &&
            part->dataBytes + end - (sameRun ? part->runs.back().end : entry.offset) > kMaxPartData) {
            parts.push_back({{}, c, c, 0});
            part = &parts.back();
        } else if (!sameRun) {
            part->runs.push_back({entry.offset, entry.offset});
        }
        if (part->runs.empty())
            part->runs.push_back({entry.offset, entry.offset});
        part->dataBytes += end - part->runs.back().end;
        part->runs.back().end = end;
        part->endChunk = c + 1;
        movie = holding;
    }
    return parts;
}

// RIFF 'AVI ', the header list without the source's OpenDML parts and padding (with new
// ones for a large clip), the source's INFO list, and the head of the movie list.
std::vector<std::uint8_t> AviPlanner::BuildHeader(double clipStart, std::uint64_t movieBytes,
                                                  std::uint64_t indexBytes, bool openDml) {
    std::vector<std::uint8_t> header;
    ByteWriter out(header);
    out.Text("RIFF");
    out.U32LE(0);
    out.Text("AVI ");
    out.Text("LIST");
    out.U32LE(0);
    out.Text("hdrl");
    MemorySource list(headerList_);
    const std::span<const std::uint8_t> bytes(headerList_);
    std::size_t stream = 0;
    for (std::uint64_t at = 0; at < list.Size();) {
        const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, list.Size());
        if (!chunk || chunk->DataEnd() > list.Size())
            break;
        const std::span<const std::uint8_t> whole =
            bytes.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(chunk->DataEnd() - at));
        if (chunk->id == FourCC("avih")) {
            const std::size_t avih = out.Size() + 8;
            out.Bytes(whole);
            out.PatchU32LE(avih + 12,
                           ReadU32LE(bytes, static_cast<std::size_t>(at) + 8 + 12) | kHasIndexFlag);
            out.PatchU32LE(avih + 16, static_cast<std::uint32_t>(streams_[video_].unitsInClip));
        } else if (chunk->listType == FourCC("strl") && stream < streams_.size()) {
            WriteStreamList(out, list, *chunk, streams_[stream++], clipStart, openDml);
        } else if (chunk->listType != FourCC("odml") && chunk->id != FourCC("JUNK")) {
            out.Bytes(whole);
            if (chunk->size & 1)
                out.U8(0);
        }
        at = chunk->Next();
    }
    if (openDml) { // the extended header: the clip's frame count
        out.Text("LIST");
        out.U32LE(4 + 8 + 248);
        out.Text("odml");
        out.Text("dmlh");
        out.U32LE(248);
        out.U32LE(static_cast<std::uint32_t>(streams_[video_].unitsInClip));
        header.resize(header.size() + 244);
    }
    out.PatchU32LE(16, static_cast<std::uint32_t>(out.Size() - 20));
    out.Bytes(infoList_);
    out.Text("LIST");
    out.U32LE(static_cast<std::uint32_t>(movieBytes + 4));
    out.Text("movi");
    out.PatchU32LE(4, static_cast<std::uint32_t>(out.Size() - 8 + movieBytes + indexBytes));
    return header;
}

void AviPlanner::WriteStreamList(ByteWriter& out, MemorySource& list, const RiffChunk& strl, Stream& stream,
                                 double clipStart, bool openDml) {
    const std::size_t listAt = out.Size();
    out.Text("LIST");
    out.U32LE(0);
    out.Text("strl");
    const std::span<const std::uint8_t> bytes(headerList_);
    for (std::uint64_t at = strl.ListBegin(); at < strl.DataEnd();) {
        const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, strl.DataEnd());
        if (!chunk || chunk->DataEnd() > strl.DataEnd())
            break;
        if (chunk->id != FourCC("indx") && chunk->id != FourCC("JUNK")) {
            const std::size_t data = out.Size() + 8;
            out.Bytes(
                bytes.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(chunk->DataEnd() - at)));
            if (chunk->size & 1)
                out.U8(0);
            if (chunk->id == FourCC("strh")) {
                const double delay =
                    stream.unitsInClip ? stream.Seconds(stream.start + stream.unitsBefore) - clipStart : 0;
                out.PatchU32LE(data + 28,
                               static_cast<std::uint32_t>(std::llround(delay * stream.rate / stream.scale)));
                out.PatchU32LE(data + 32, static_cast<std::uint32_t>(stream.unitsInClip));
            }
        }
        at = chunk->Next();
    }
    if (openDml) { // a super index of one entry a part, filled in when the clip's layout is known
        out.Text("indx");
        out.U32LE(24 + 16 * stream.partsWithChunks);
        stream.superIndexAt = out.Size();
        out.U16LE(4); // longs per entry
        out.U8(0);    // no sub-type
        out.U8(0);    // AVI_INDEX_OF_INDEXES
        out.U32LE(stream.partsWithChunks);
        out.U32LE(stream.chunkId);
        for (std::uint32_t i = 0; i < 3 + 4 * stream.partsWithChunks; ++i)
            out.U32LE(0);
    }
    out.PatchU32LE(listAt + 4, static_cast<std::uint32_t>(out.Size() - listAt - 8));
}

} // namespace klevotrim::clip::avi

namespace klevotrim::clip {

PlanResult PlanAviClip(ByteSource& source, Marks marks) {
    return avi::AviPlanner(source, marks).Plan();
}

} // namespace klevotrim::clip
