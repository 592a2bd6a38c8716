#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {

std::optional<UnitRange> UnitsForMarks(Marks marks, double unitsPerSecond, std::uint64_t totalUnits,
                                       std::string& reason) {
    const double total = static_cast<double>(totalUnits);
    // A hair of slack so that a mark on a unit boundary, after rounding to seconds, stays on it.
    constexpr double kEpsilon = 1e-6;
    const double first = std::floor(marks.start * unitsPerSecond + kEpsilon);
    if (!(first < total)) {
        reason = "the start point lies after the end of the audio";
        return std::nullopt;
    }
    if (marks.end > total / unitsPerSecond + kEndMarkSlackSeconds) {
        reason = "the end point lies after the end of the audio";
        return std::nullopt;
    }
    const double end = std::min(total, std::max(first + 1, std::ceil(marks.end * unitsPerSecond - kEpsilon)));
    return UnitRange{static_cast<std::uint64_t>(first), static_cast<std::uint64_t>(end)};
}

std::optional<std::uint64_t> Id3v2Length(ByteSource& source, std::uint64_t offset) {
    std::array<std::uint8_t, 10> header{};
    if (!ReadExact(source, offset, header) || header[0] != 'I' || header[1] != 'D' || header[2] != '3')
        return 0;
    if (header[3] == 0xFF || header[4] == 0xFF || (header[6] | header[7] | header[8] | header[9]) & 0x80)
        return 0; // not a tag header: its size is four 7-bit bytes
    std::uint64_t length = 10;
    for (int i = 6; i < 10; ++i)
        length += static_cast<std::uint64_t>(header[i]) << (7 * (9 - i));
    if (header[5] & 0x10)
        length += 10; // footer
    if (length > source.Size() - offset)
        return std::nullopt;
    return length;
}

// The end of the audio: before an ID3v1 tag ("TAG", 128 bytes) and an APE tag at the end.
std::uint64_t AudioEnd(ByteSource& source, std::uint64_t begin) {
    std::uint64_t end = source.Size();
    std::array<std::uint8_t, 3> tag{};
    if (end >= begin + 128 && ReadExact(source, end - 128, tag) && std::memcmp(tag.data(), "TAG", 3) == 0)
        end -= 128;
    std::array<std::uint8_t, 32> ape{};
    if (end >= begin + 32 && ReadExact(source, end - 32, ape) &&
        std::memcmp(ape.data(), "APETAGEX", 8) == 0) {
        // The footer's size covers the items and the footer; a header adds 32 bytes.
        const std::uint64_t apeSize = ReadU32LE(ape, 12) + ((ape[23] & 0x80) ? 32 : 0);
        if (apeSize <= end - begin)
            end -= apeSize;
    }
    return end;
}

std::vector<std::uint8_t> LeadingTag(ByteSource& source, std::uint64_t length) {
    constexpr std::uint64_t kMaxTagToCopy = 4 << 20;
    std::vector<std::uint8_t> tag;
    if (length > 0 && length <= kMaxTagToCopy) {
        tag.resize(static_cast<std::size_t>(length));
        if (!ReadExact(source, 0, tag))
            tag.clear();
    }
    return tag;
}

std::optional<FrameHeader> FrameStream::FrameAt(std::uint64_t at) {
    if (at >= end_)
        return std::nullopt;
    std::array<std::uint8_t, kMaxHeaderBytes> bytes{};
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(headerBytes_, end_ - at));
    if (!ReadExact(source_, at, std::span(bytes).first(want)))
        return std::nullopt;
    FrameHeader header;
    if (!parser_(std::span<const std::uint8_t>(bytes).first(want), header))
        return std::nullopt;
    if (started_ && header.streamKey != first_.streamKey)
        return std::nullopt;
    if (header.size > end_ - at)
        return std::nullopt;
    return header;
}

bool FrameStream::Confirmed(std::uint64_t at) {
    const std::optional<FrameHeader> head = FrameAt(at);
    if (!head)
        return false;
    std::uint64_t next = at + head->size;
    for (int i = 1; i < kConfirmFrames; ++i) {
        if (next == end_)
            return true; // the stream ends right after: nothing more to check
        const std::optional<FrameHeader> frame = FrameAt(next);
        if (!frame || frame->streamKey != head->streamKey)
            return false;
        next += frame->size;
    }
    return true;
}

bool FrameStream::Start(std::uint64_t at) {
    started_ = false;
    if (!Confirmed(at))
        return false;
    first_ = *FrameAt(at);
    firstAt_ = at;
    started_ = true;
    return true;
}

bool FrameStream::StartAfterTag() {
    if (begin_ == 0)
        return Start(0);
    constexpr std::uint64_t kGapAfterTag = 4096;
    const std::optional<std::uint64_t> first = Sync(begin_, kGapAfterTag);
    return first && Start(*first);
}

std::optional<std::uint64_t> FrameStream::Sync(std::uint64_t from, std::uint64_t window) {
    if (from >= end_)
        return std::nullopt;
    constexpr std::size_t kChunk = 4096;
    std::array<std::uint8_t, kChunk> buffer{};
    const std::uint64_t stop = from + std::min(window, end_ - from);
    for (std::uint64_t chunkAt = from; chunkAt < stop; chunkAt += kChunk - kMaxHeaderBytes) {
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, end_ - chunkAt));
        if (!ReadExact(source_, chunkAt, std::span(buffer).first(length)))
            return std::nullopt;
        const std::size_t scan = static_cast<std::size_t>(std::min<std::uint64_t>(length, stop - chunkAt));
        for (std::size_t i = 0; i < scan; ++i) {
            // Every sync word starts with 0xFF; the parser and the chain of frames do the rest.
            if (buffer[i] == 0xFF && Confirmed(chunkAt + i))
                return chunkAt + i;
        }
        if (length <= kMaxHeaderBytes)
            break;
    }
    return std::nullopt;
}

FrameStream::WalkEnd FrameStream::Walk(std::uint64_t at, std::uint64_t count,
                                       const std::function<void(std::uint64_t, std::uint64_t)>& visit) {
    // A damaged stretch is skipped when frames resume within this many bytes.
    constexpr std::uint64_t kResyncWindow = 65536;
    WalkEnd walk{at, 0};
    while (walk.frames < count) {
        std::optional<FrameHeader> frame = FrameAt(walk.at);
        if (!frame) {
            const std::optional<std::uint64_t> resumed = Sync(walk.at + 1, kResyncWindow);
            if (!resumed)
                break;
            walk.at = *resumed;
            frame = FrameAt(walk.at);
        }
        if (visit)
            visit(walk.frames, walk.at);
        walk.at += frame->size;
        ++walk.frames;
    }
    return walk;
}

void FrameMap::Add(double frame, double offset) {
    // Index tables may hold entries out of order; the map keeps to rising frames and offsets.
    if (!points_.empty()) {
        if (frame <= points_.back().frame)
            return;
        offset = std::max(offset, points_.back().offset);
    }
    points_.push_back({frame, offset});
}

namespace {
double Interpolate(double x, double x0, double y0, double x1, double y1) {
    return x1 > x0 ? y0 + (x - x0) * (y1 - y0) / (x1 - x0) : y0;
}
} // namespace

double FrameMap::OffsetOf(double frame) const {
    if (Empty())
        return 0;
    std::size_t i = 1;
    while (i + 1 < points_.size() && points_[i].frame < frame)
        ++i;
    return Interpolate(frame, points_[i - 1].frame, points_[i - 1].offset, points_[i].frame,
                       points_[i].offset);
}

double FrameMap::FrameAt(double offset) const {
    if (Empty())
        return 0;
    std::size_t i = 1;
    while (i + 1 < points_.size() && points_[i].offset < offset)
        ++i;
    return Interpolate(offset, points_[i - 1].offset, points_[i - 1].frame, points_[i].offset,
                       points_[i].frame);
}

std::uint64_t CountFrames(FrameStream& stream, std::uint64_t start, FrameMap& map) {
    const FrameStream::WalkEnd walk = stream.Walk(start, kExactWalkFrames);
    if (walk.frames < kExactWalkFrames || walk.at >= stream.End())
        return walk.frames;
    const double meanSize = static_cast<double>(walk.at - start) / static_cast<double>(walk.frames);
    const std::uint64_t total =
        static_cast<std::uint64_t>(static_cast<double>(stream.End() - start) / meanSize);
    map = FrameMap();
    map.Add(0, static_cast<double>(start));
    map.Add(static_cast<double>(total), static_cast<double>(stream.End()));
    return total;
}

namespace {

struct Located {
    std::uint64_t frame = 0;
    std::uint64_t offset = 0;
};

// Lands a few frames before `frame` by the map, syncs, and walks up to it.
std::optional<Located> Land(FrameStream& stream, std::uint64_t streamStart, const FrameMap& map,
                            std::uint64_t frame) {
    constexpr std::uint64_t kFramesBefore = 4;
    constexpr std::uint64_t kSyncWindow = 65536;
    const std::uint64_t aim = frame > kFramesBefore ? frame - kFramesBefore : 0;
    const double estimate = std::clamp(map.OffsetOf(static_cast<double>(aim)),
                                       static_cast<double>(streamStart), static_cast<double>(stream.End()));
    const std::optional<std::uint64_t> at = stream.Sync(static_cast<std::uint64_t>(estimate), kSyncWindow);
    if (!at)
        return std::nullopt;
    // An estimate past the frame sought is taken as the frame (the walk cannot go back).
    const double landed =
        std::clamp(std::round(map.FrameAt(static_cast<double>(*at))), 0.0, static_cast<double>(frame));
    const std::uint64_t landedFrame = std::min(frame, static_cast<std::uint64_t>(landed));
    const FrameStream::WalkEnd walk = stream.Walk(*at, frame - landedFrame);
    return Located{landedFrame + walk.frames, walk.at};
}

} // namespace

std::optional<FrameSpan> LocateFrames(FrameStream& stream, std::uint64_t streamStart, const FrameMap& map,
                                      UnitRange frames, std::uint64_t walkLimit) {
    FrameSpan span;
    std::optional<Located> first;
    if (frames.first > walkLimit && !map.Empty()) {
        first = Land(stream, streamStart, map, frames.first);
        if (!first)
            return std::nullopt;
    } else {
        const FrameStream::WalkEnd walk = stream.Walk(streamStart, frames.first);
        first = Located{walk.frames, walk.at};
    }
    span.firstFrame = first->frame;
    span.firstOffset = first->offset;

    const std::uint64_t count = frames.end > first->frame ? frames.end - first->frame : 0;
    std::optional<Located> end;
    if (count > walkLimit && !map.Empty()) {
        end = Land(stream, streamStart, map, frames.end);
        if (!end)
            return std::nullopt;
    } else {
        const FrameStream::WalkEnd walk =
            stream.Walk(first->offset, count, [&](std::uint64_t frame, std::uint64_t offset) {
                // The frame at each hundredth of the span: frame >= hundredth * count / 100.
                while (span.hundredths.size() < 100 && frame * 100 >= span.hundredths.size() * count)
                    span.hundredths.push_back(offset);
            });
        end = Located{first->frame + walk.frames, walk.at};
    }
    span.endFrame = end->frame;
    span.endOffset = std::max(end->offset, first->offset);
    if (span.hundredths.size() != 100)
        span.hundredths.clear();
    return span;
}

} // namespace klevotrim::clip
