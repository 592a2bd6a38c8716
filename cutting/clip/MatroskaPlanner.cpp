// Matroska and WebM: the clip keeps the EBML header, gets a new Segment of known size whose
// SeekHead and Info (with the clip's Duration) are rewritten and whose Tracks, Chapters and
// Attachments are kept, then one run of the source's Clusters copied unchanged, then new
// Cues. The copied Clusters keep their timestamps, so the clip's first frame is shown at the
// source time it had; players start from it.
#include "cutting/clip/MatroskaPlanner.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "cutting/clip/MatroskaSource.h"

namespace klevotrim::clip::mkv {

std::optional<std::vector<std::uint8_t>> MatroskaSource::ReadPayload(const Element& element,
                                                                     std::uint64_t limit) {
    if (element.UnknownSize() || element.size > limit)
        return std::nullopt;
    std::vector<std::uint8_t> payload(static_cast<std::size_t>(element.size));
    if (!ReadExact(source_, element.dataOffset, payload))
        return std::nullopt;
    return payload;
}

std::optional<Failure> MatroskaSource::ReadHeaders() {
    const auto ebml = ebml::ReadHeader(source_, 0, source_.Size());
    if (!ebml || ebml->id != kEbmlHeader)
        return Failure{PlanStatus::NotThisFormat, "it is not a Matroska file"};
    if (ebml->UnknownSize() || ebml->End() > kMaxEbmlHeader)
        return Damaged("the Matroska file's EBML header is damaged");
    ebmlHeader_.resize(static_cast<std::size_t>(ebml->End()));
    if (!ReadExact(source_, 0, ebmlHeader_))
        return Damaged("the Matroska file's EBML header is damaged");
    std::string docType = "matroska";
    std::uint64_t readVersion = 1, docReadVersion = 1;
    ForEachChild(std::span(ebmlHeader_).subspan(static_cast<std::size_t>(ebml->dataOffset)),
                 [&](std::uint32_t id, std::span<const std::uint8_t> data) {
                     if (id == kDocType)
                         docType.assign(data.begin(), std::find(data.begin(), data.end(), 0));
                     else if (id == kEbmlReadVersion)
                         readVersion = ebml::ReadUnsigned(data).value_or(~0ull);
                     else if (id == kDocTypeReadVersion)
                         docReadVersion = ebml::ReadUnsigned(data).value_or(~0ull);
                 });
    if (docType != "matroska" && docType != "webm")
        return Unsupported("its EBML document type is \"" + docType.substr(0, 32) + "\", not Matroska");
    // Elements a newer reader must understand could be anywhere.
    if (readVersion > 1 || docReadVersion > 4)
        return Unsupported("the Matroska file needs a newer reader than version 4");

    // The Segment follows, perhaps after Void elements.
    std::uint64_t offset = ebml->End();
    std::optional<Element> segment;
    for (int i = 0; i < 16 && !segment; ++i) {
        const auto element = ebml::ReadHeader(source_, offset, source_.Size());
        if (!element)
            break;
        if (element->id == kSegment)
            segment = element;
        else if (element->id == kVoid && !element->UnknownSize())
            offset = element->End();
        else
            break;
    }
    if (!segment)
        return Damaged("the Matroska file has no Segment after its header");
    segmentData_ = segment->dataOffset;
    if (segment->UnknownSize())
        segmentEnd_ = source_.Size();
    else if (segment->End() > source_.Size())
        return Damaged("the Matroska Segment runs past the end of the file (the file is truncated)");
    else
        segmentEnd_ = segment->End();

    // The elements before the first Cluster; a SeekHead may point at more (Cues at the end).
    offset = segmentData_;
    std::vector<Element> seekHeads;
    for (int i = 0; i < kMaxTopLevelBeforeClusters; ++i) {
        const auto element = Header(offset);
        if (!element) {
            if (offset < segmentEnd_)
                return Damaged("a Matroska element at byte " + std::to_string(offset) + " is damaged");
            break;
        }
        if (element->id == kCluster) {
            firstCluster_ = element->offset;
            break;
        }
        if (element->UnknownSize())
            return Unsupported("a Matroska header element of unknown size is not supported");
        switch (element->id) {
        case kSeekHead:
            seekHeads.push_back(*element);
            break;
        case kInfo:
            info_ = info_ ? info_ : element;
            break;
        case kTracks:
            tracks_ = tracks_ ? tracks_ : element;
            break;
        case kChapters:
            chapters_ = chapters_ ? chapters_ : element;
            break;
        case kAttachments:
            attachments_ = attachments_ ? attachments_ : element;
            break;
        case kCues:
            cues_ = cues_ ? cues_ : element;
            break;
        default: // Void, CRC-32, Tags and elements this planner does not use
            break;
        }
        offset = element->End();
    }
    if (!firstCluster_)
        return Damaged("the Matroska file holds no Cluster");
    for (const Element& seekHead : seekHeads)
        if (auto failure = ReadSeekHead(seekHead, 0))
            return failure;
    if (auto failure = ReadInfo())
        return failure;
    if (auto failure = ReadTracks())
        return failure;
    for (auto [element, copy, limit] : {std::tuple{&chapters_, &chaptersElement_, kMaxHeaderElement},
                                        std::tuple{&attachments_, &attachmentsElement_, kMaxAttachments}}) {
        // Kept when small enough; the clip plays without them.
        if (*element && (*element)->End() - (*element)->offset <= limit) {
            copy->resize(static_cast<std::size_t>((*element)->End() - (*element)->offset));
            if (!ReadExact(source_, (*element)->offset, *copy))
                copy->clear();
        }
    }
    ReadCues();
    return std::nullopt;
}

std::optional<Failure> MatroskaSource::ReadSeekHead(const Element& seekHead, int depth) {
    const auto payload = ReadPayload(seekHead, kMaxHeaderElement);
    if (!payload)
        return Damaged("the Matroska SeekHead is damaged");
    std::vector<Element> more;
    ForEachChild(*payload, [&](std::uint32_t id, std::span<const std::uint8_t> seek) {
        if (id != kSeek)
            return;
        std::optional<std::uint64_t> target, position;
        ForEachChild(seek, [&](std::uint32_t field, std::span<const std::uint8_t> data) {
            if (field == kSeekId)
                target = ebml::ReadUnsigned(data);
            else if (field == kSeekPosition)
                position = ebml::ReadUnsigned(data);
        });
        if (!target || !position || *position >= segmentEnd_ - segmentData_)
            return;
        const auto element = Header(segmentData_ + *position);
        if (!element || element->id != *target || element->UnknownSize())
            return; // a stale entry: the element is found by walking, or not used
        switch (element->id) {
        case kInfo:
            info_ = info_ ? info_ : element;
            break;
        case kTracks:
            tracks_ = tracks_ ? tracks_ : element;
            break;
        case kChapters:
            chapters_ = chapters_ ? chapters_ : element;
            break;
        case kAttachments:
            attachments_ = attachments_ ? attachments_ : element;
            break;
        case kCues:
            cues_ = cues_ ? cues_ : element;
            break;
        case kSeekHead:
            if (element->offset != seekHead.offset)
                more.push_back(*element);
            break;
        default:
            break;
        }
    });
    // A SeekHead may point at one more SeekHead (at the end of the file); no deeper.
    if (depth == 0)
        for (const Element& next : more)
            if (auto failure = ReadSeekHead(next, depth + 1))
                return failure;
    return std::nullopt;
}

std::optional<Failure> MatroskaSource::ReadInfo() {
    if (!info_)
        return Damaged("the Matroska file has no Info element");
    auto payload = ReadPayload(*info_, kMaxHeaderElement);
    if (!payload)
        return Damaged("the Matroska Info element is damaged");
    infoPayload_ = std::move(*payload);
    std::optional<Failure> failure;
    ForEachChild(infoPayload_, [&](std::uint32_t id, std::span<const std::uint8_t> data) {
        if (id == kTimestampScale) {
            const auto scale = ebml::ReadUnsigned(data);
            if (!scale || *scale == 0 || *scale > 1'000'000'000'000ull)
                failure = Damaged("the Matroska timestamp scale is invalid");
            else
                timestampScale_ = *scale;
        } else if (id == kDuration) {
            const auto duration = ebml::ReadFloat(data);
            if (duration && std::isfinite(*duration) && *duration > 0)
                durationTicks_ = *duration;
        }
    });
    return failure;
}

std::optional<Failure> MatroskaSource::ReadTracks() {
    if (!tracks_)
        return Damaged("the Matroska file has no Tracks element");
    const auto size = tracks_->End() - tracks_->offset;
    if (size > kMaxHeaderElement)
        return Unsupported("the Matroska track list is too large");
    tracksElement_.resize(static_cast<std::size_t>(size));
    if (!ReadExact(source_, tracks_->offset, tracksElement_))
        return Damaged("the Matroska Tracks element is damaged");
    int trackCount = 0;
    ForEachChild(std::span(tracksElement_).subspan(static_cast<std::size_t>(tracks_->HeaderSize())),
                 [&](std::uint32_t id, std::span<const std::uint8_t> entry) {
                     if (id != kTrackEntry)
                         return;
                     std::optional<std::uint64_t> number, type;
                     ForEachChild(entry, [&](std::uint32_t field, std::span<const std::uint8_t> data) {
                         if (field == kTrackNumber)
                             number = ebml::ReadUnsigned(data);
                         else if (field == kTrackType)
                             type = ebml::ReadUnsigned(data);
                     });
                     if (!number)
                         return;
                     ++trackCount;
                     if (type == kVideoTrackType)
                         videoTracks_.push_back(*number);
                 });
    if (trackCount == 0)
        return Damaged("the Matroska file lists no tracks");
    return std::nullopt;
}

std::optional<Failure> MatroskaSource::Plan(Marks marks, ClipPlan& plan) {
    const double ticksPerSecond = 1e9 / static_cast<double>(timestampScale_);
    if (durationTicks_ && marks.start * ticksPerSecond >= *durationTicks_)
        return Failure{PlanStatus::BadMarks, "the start point lies after the end of the media"};
    std::optional<Failure> failure;
    // Marks count from the file's first block: a clip made earlier keeps its source's timestamps.
    const auto opening = ScanCluster(*firstCluster_, false, failure);
    if (!opening)
        return failure;
    const std::int64_t origin =
        opening->firstBlockTime.value_or(static_cast<std::int64_t>(opening->timestamp));
    const double limit = static_cast<double>(std::int64_t{1} << 61);
    const auto startTicks =
        origin + static_cast<std::int64_t>(std::min(std::floor(marks.start * ticksPerSecond), limit));
    const auto endTicks =
        origin + static_cast<std::int64_t>(std::min(std::ceil(marks.end * ticksPerSecond), limit));

    const auto first = FindStart(startTicks, failure);
    if (!first)
        return failure ? failure : Damaged("the Matroska file holds no usable Cluster");

    // Forward from the first Cluster (or from the last cued one before the end mark) to the
    // first Cluster that begins after the end mark.
    std::uint64_t from = first->offset;
    for (auto cue = cueEntries_.rbegin(); cue != cueEntries_.rend(); ++cue) {
        if (static_cast<std::int64_t>(cue->time) <= endTicks && cue->clusterOffset > first->offset) {
            const auto element = Header(cue->clusterOffset);
            if (element && element->id == kCluster)
                from = cue->clusterOffset;
            break;
        }
    }
    if (from == first->offset)
        cueEntries_.clear(); // every Cluster of the range is walked; its Cues come from the walk
    ClusterScan last = *first;
    bool unknownSizes = first->unknownSize;
    std::optional<std::int64_t> nextTime;
    std::optional<std::uint64_t> offset = from;
    while (offset) {
        auto cluster = ScanCluster(*offset, false, failure);
        if (!cluster)
            return failure;
        if (*offset != first->offset && static_cast<std::int64_t>(cluster->timestamp) > endTicks) {
            if (*offset == from && walked_.empty()) {
                // The cued Cluster begins after the end mark after all: walk from the first.
                from = first->offset;
                offset = from;
                cueEntries_.clear();
                continue;
            }
            nextTime = cluster->firstBlockTime.value_or(static_cast<std::int64_t>(cluster->timestamp));
            break;
        }
        walked_.push_back(*cluster);
        unknownSizes = unknownSizes || cluster->unknownSize;
        last = *cluster;
        offset = NextCluster(cluster->end);
    }
    const std::uint64_t rangeBegin = first->offset;
    const std::uint64_t rangeEnd = last.end;

    const std::int64_t clipStart =
        first->firstBlockTime.value_or(static_cast<std::int64_t>(first->timestamp));
    std::int64_t clipEnd = 0;
    if (nextTime) {
        clipEnd = *nextTime;
    } else if (durationTicks_) {
        clipEnd = origin + static_cast<std::int64_t>(std::min(*durationTicks_, limit));
    } else {
        const auto whole = ScanCluster(last.offset, true, failure);
        if (!whole)
            return failure;
        clipEnd = whole->lastBlockTime;
    }
    if (!nextTime && startTicks >= clipEnd)
        return Failure{PlanStatus::BadMarks, "the start point lies after the end of the media"};
    clipEnd = std::max(clipEnd, clipStart);

    // The new Segment: SeekHead, Info, Tracks, Chapters, Attachments, the Clusters, Cues.
    std::vector<std::uint8_t> info;
    {
        std::vector<std::uint8_t> body;
        ForEachChild(infoPayload_, [&](std::uint32_t id, std::span<const std::uint8_t> data) {
            if (id == kDuration || id == kCrc32 || id == kVoid)
                return; // a CRC would no longer match the rewritten element
            ebml::WriteId(body, id);
            ebml::WriteSize(body, data.size());
            body.insert(body.end(), data.begin(), data.end());
        });
        ebml::WriteFloat(body, kDuration, static_cast<double>(clipEnd - clipStart));
        ebml::WriteMaster(info, kInfo, body);
    }
    struct Part {
        std::uint32_t id;
        const std::vector<std::uint8_t>* bytes;
    };
    std::vector<Part> parts{{kInfo, &info}, {kTracks, &tracksElement_}};
    if (!chaptersElement_.empty())
        parts.push_back({kChapters, &chaptersElement_});
    if (!attachmentsElement_.empty())
        parts.push_back({kAttachments, &attachmentsElement_});

    // Every SeekPosition is written in 8 bytes, so the SeekHead's size is known before the
    // positions are.
    auto seekHead = [&](const std::vector<std::uint64_t>& positions, const std::vector<std::uint32_t>& ids) {
        std::vector<std::uint8_t> body;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            std::vector<std::uint8_t> seek, id;
            ebml::WriteId(id, ids[i]);
            ebml::WriteId(seek, kSeekId);
            ebml::WriteSize(seek, id.size());
            seek.insert(seek.end(), id.begin(), id.end());
            ebml::WriteUnsigned(seek, kSeekPosition, positions[i], 8);
            ebml::WriteMaster(body, kSeek, seek);
        }
        std::vector<std::uint8_t> element;
        ebml::WriteMaster(element, kSeekHead, body);
        return element;
    };
    std::vector<std::uint32_t> ids;
    for (const Part& part : parts)
        ids.push_back(part.id);
    ids.push_back(kCues);
    const std::uint64_t seekHeadSize = seekHead(std::vector<std::uint64_t>(ids.size(), 0), ids).size();
    std::vector<std::uint64_t> positions;
    std::uint64_t position = seekHeadSize;
    for (const Part& part : parts) {
        positions.push_back(position);
        position += part.bytes->size();
    }
    const std::uint64_t clustersAt = position;
    positions.push_back(clustersAt + (rangeEnd - rangeBegin));

    plan.trailer = BuildCues(rangeBegin, rangeEnd, clustersAt, *first);
    plan.header = ebmlHeader_;
    ebml::WriteId(plan.header, kSegment);
    // A Cluster of unknown size must not sit in a Segment of known size; live recordings
    // keep theirs unknown.
    if (unknownSizes)
        plan.header.insert(plan.header.end(), {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    else
        ebml::WriteSize(plan.header, clustersAt + (rangeEnd - rangeBegin) + plan.trailer.size(), 8);
    const auto head = seekHead(positions, ids);
    plan.header.insert(plan.header.end(), head.begin(), head.end());
    for (const Part& part : parts)
        plan.header.insert(plan.header.end(), part.bytes->begin(), part.bytes->end());
    plan.rangeBegin = rangeBegin;
    plan.rangeEnd = rangeEnd;
    plan.start = static_cast<double>(clipStart - origin) / ticksPerSecond;
    plan.duration = static_cast<double>(clipEnd - clipStart) / ticksPerSecond;
    return std::nullopt;
}

} // namespace klevotrim::clip::mkv

namespace klevotrim::clip {

PlanResult PlanMatroskaClip(ByteSource& source, Marks marks) {
    mkv::MatroskaSource matroska(source);
    PlanResult result;
    auto failure = matroska.ReadHeaders();
    if (!failure)
        failure = matroska.Plan(marks, result.plan);
    if (failure)
        return PlanResult::Fail(failure->status, std::move(failure->reason));
    result.status = PlanStatus::Planned;
    return result;
}

} // namespace klevotrim::clip