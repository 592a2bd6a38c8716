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

#include "cutting/clip/Ebml.h"

namespace klevotrim::clip {
namespace {

using ebml::Element;

constexpr std::uint32_t kEbmlHeader = 0x1A45DFA3;
constexpr std::uint32_t kDocType = 0x4282;
constexpr std::uint32_t kEbmlReadVersion = 0x42F7;
constexpr std::uint32_t kDocTypeReadVersion = 0x4285;
constexpr std::uint32_t kSegment = 0x18538067;
constexpr std::uint32_t kSeekHead = 0x114D9B74;
constexpr std::uint32_t kSeek = 0x4DBB;
constexpr std::uint32_t kSeekId = 0x53AB;
constexpr std::uint32_t kSeekPosition = 0x53AC;
constexpr std::uint32_t kInfo = 0x1549A966;
constexpr std::uint32_t kTimestampScale = 0x2AD7B1;
constexpr std::uint32_t kDuration = 0x4489;
constexpr std::uint32_t kTracks = 0x1654AE6B;
constexpr std::uint32_t kTrackEntry = 0xAE;
constexpr std::uint32_t kTrackNumber = 0xD7;
constexpr std::uint32_t kTrackType = 0x83;
constexpr std::uint32_t kChapters = 0x1043A770;
constexpr std::uint32_t kTags = 0x1254C367;
constexpr std::uint32_t kAttachments = 0x1941A469;
constexpr std::uint32_t kCues = 0x1C53BB6B;
constexpr std::uint32_t kCuePoint = 0xBB;
constexpr std::uint32_t kCueTime = 0xB3;
constexpr std::uint32_t kCueTrackPositions = 0xB7;
constexpr std::uint32_t kCueTrack = 0xF7;
constexpr std::uint32_t kCueClusterPosition = 0xF1;
constexpr std::uint32_t kCueRelativePosition = 0xF0;
constexpr std::uint32_t kCluster = 0x1F43B675;
constexpr std::uint32_t kTimestamp = 0xE7;
constexpr std::uint32_t kSimpleBlock = 0xA3;
constexpr std::uint32_t kBlockGroup = 0xA0;
constexpr std::uint32_t kBlock = 0xA1;
constexpr std::uint32_t kReferenceBlock = 0xFB;
constexpr std::uint32_t kVoid = 0xEC;
constexpr std::uint32_t kCrc32 = 0xBF;

constexpr std::uint64_t kVideoTrackType = 1;
constexpr std::uint8_t kKeyframeFlag = 0x80;

// Bounds on what planning reads, so a hostile file cannot make it read or loop without end.
constexpr std::uint64_t kMaxEbmlHeader = 4096;
constexpr std::uint64_t kMaxHeaderElement = 4u << 20; // Info, Tracks, Chapters, SeekHead, Cues
constexpr std::uint64_t kMaxAttachments = 4u << 20;
constexpr int kMaxTopLevelBeforeClusters = 512;
constexpr int kMaxLeadingChildren = 64; // children looked at for a cluster's first blocks
constexpr std::uint64_t kMaxElementReads = 2'000'000;
constexpr int kCueAttempts = 4;

bool IsTopLevel(std::uint32_t id) {
    switch (id) {
    case kCluster:
    case kCues:
    case kTags:
    case kChapters:
    case kAttachments:
    case kSeekHead:
    case kInfo:
    case kTracks:
    case kEbmlHeader:
    case kSegment:
        return true;
    default:
        return false;
    }
}

struct CueEntry {
    std::uint64_t time = 0;
    std::uint64_t track = 0;
    std::uint64_t clusterOffset = 0; // absolute in the source
    std::optional<std::uint64_t> relativePosition;
};

struct ClusterScan {
    std::uint64_t offset = 0;
    std::uint64_t end = 0;
    bool unknownSize = false;
    std::uint64_t timestamp = 0;
    std::optional<std::int64_t> firstBlockTime;
    std::uint64_t firstBlockTrack = 0;
    std::optional<std::int64_t> firstVideoTime;
    bool firstVideoIsKey = false;
    std::int64_t lastBlockTime = 0; // only when every child was read
};

struct Failure {
    PlanStatus status;
    std::string reason;
};

// Everything planning learns about the source.
class MatroskaSource {
  public:
    explicit MatroskaSource(ByteSource& source) : source_(source) {}

    std::optional<Failure> ReadHeaders();
    std::optional<Failure> Plan(Marks marks, ClipPlan& plan);

  private:
    std::optional<std::vector<std::uint8_t>> ReadPayload(const Element& element, std::uint64_t limit);
    std::optional<Failure> ReadSeekHead(const Element& seekHead, int depth);
    std::optional<Failure> ReadInfo();
    std::optional<Failure> ReadTracks();
    void ReadCues();
    std::optional<Element> Header(std::uint64_t offset) {
        ++reads_;
        return ebml::ReadHeader(source_, offset, segmentEnd_);
    }
    std::optional<ClusterScan> ScanCluster(std::uint64_t offset, bool readAll,
                                           std::optional<Failure>& failure);
    // The next Cluster at or after `offset`, skipping Void and CRC elements; nothing at the
    // end of the run of Clusters.
    std::optional<std::uint64_t> NextCluster(std::uint64_t offset);
    bool IsVideo(std::uint64_t track) const {
        return std::find(videoTracks_.begin(), videoTracks_.end(), track) != videoTracks_.end();
    }
    bool StartsClip(const ClusterScan& cluster, std::int64_t startTicks) const;
    std::optional<ClusterScan> FindStart(std::int64_t startTicks, std::optional<Failure>& failure);
    std::vector<std::uint8_t> BuildCues(std::uint64_t rangeBegin, std::uint64_t rangeEnd, std::uint64_t shift,
                                        const ClusterScan& first) const;

    ByteSource& source_;
    std::uint64_t reads_ = 0;
    std::vector<std::uint8_t> ebmlHeader_;
    std::uint64_t segmentData_ = 0;
    std::uint64_t segmentEnd_ = 0;
    std::optional<Element> info_, tracks_, chapters_, attachments_, cues_;
    std::optional<std::uint64_t> firstCluster_;
    std::vector<std::uint8_t> infoPayload_, tracksElement_, chaptersElement_, attachmentsElement_;
    std::uint64_t timestampScale_ = 1'000'000;
    std::optional<double> durationTicks_;
    std::vector<std::uint64_t> videoTracks_;
    std::vector<CueEntry> cueEntries_;
    std::vector<ClusterScan> walked_; // every cluster of the range, when no Cues were used
};

Failure Damaged(std::string reason) {
    return {PlanStatus::Damaged, std::move(reason)};
}
Failure Unsupported(std::string reason) {
    return {PlanStatus::Unsupported, std::move(reason)};
}

std::optional<std::vector<std::uint8_t>> MatroskaSource::ReadPayload(const Element& element,
                                                                     std::uint64_t limit) {
    if (element.UnknownSize() || element.size > limit)
        return std::nullopt;
    std::vector<std::uint8_t> payload(static_cast<std::size_t>(element.size));
    if (!ReadExact(source_, element.dataOffset, payload))
        return std::nullopt;
    return payload;
}

// Children of an element held in memory, in order; stops at the first malformed one.
template <typename Visit> void ForEachChild(std::span<const std::uint8_t> payload, Visit visit) {
    std::size_t offset = 0;
    while (offset < payload.size()) {
        const auto child = ebml::ReadHeader(payload, offset);
        if (!child || child->UnknownSize())
            return;
        const auto data = payload.subspan(static_cast<std::size_t>(child->dataOffset),
                                          static_cast<std::size_t>(child->size));
        visit(child->id, data);
        offset = static_cast<std::size_t>(child->End());
    }
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

void MatroskaSource::ReadCues() {
    // Cues only speed planning up; damaged ones are ignored and the Clusters walked instead.
    if (!cues_)
        return;
    const auto payload = ReadPayload(*cues_, kMaxHeaderElement);
    if (!payload)
        return;
    ForEachChild(*payload, [&](std::uint32_t id, std::span<const std::uint8_t> point) {
        if (id != kCuePoint)
            return;
        std::optional<std::uint64_t> time;
        std::vector<CueEntry> positions;
        ForEachChild(point, [&](std::uint32_t field, std::span<const std::uint8_t> data) {
            if (field == kCueTime) {
                time = ebml::ReadUnsigned(data);
            } else if (field == kCueTrackPositions) {
                CueEntry entry;
                std::optional<std::uint64_t> cluster;
                ForEachChild(data, [&](std::uint32_t part, std::span<const std::uint8_t> value) {
                    if (part == kCueTrack)
                        entry.track = ebml::ReadUnsigned(value).value_or(0);
                    else if (part == kCueClusterPosition)
                        cluster = ebml::ReadUnsigned(value);
                    else if (part == kCueRelativePosition)
                        entry.relativePosition = ebml::ReadUnsigned(value);
                });
                if (cluster && *cluster < segmentEnd_ - segmentData_) {
                    entry.clusterOffset = segmentData_ + *cluster;
                    positions.push_back(entry);
                }
            }
        });
        if (!time || *time > (std::uint64_t{1} << 62))
            return;
        for (CueEntry& entry : positions) {
            entry.time = *time;
            if (videoTracks_.empty() || IsVideo(entry.track))
                cueEntries_.push_back(entry);
        }
    });
    std::stable_sort(cueEntries_.begin(), cueEntries_.end(),
                     [](const CueEntry& a, const CueEntry& b) { return a.time < b.time; });
}

std::optional<ClusterScan> MatroskaSource::ScanCluster(std::uint64_t offset, bool readAll,
                                                       std::optional<Failure>& failure) {
    const auto cluster = Header(offset);
    if (!cluster || cluster->id != kCluster) {
        failure = Damaged("the Matroska Cluster at byte " + std::to_string(offset) + " is damaged");
        return std::nullopt;
    }
    ClusterScan scan;
    scan.offset = offset;
    scan.unknownSize = cluster->UnknownSize();
    const std::uint64_t limit = cluster->UnknownSize() ? segmentEnd_ : cluster->End();
    // A Cluster of unknown size ends where an element that cannot be its child begins, so
    // every child header is read; of a sized one only the first few are. Past the first
    // blocks, blocks are read only when every block's time is wanted.
    const bool walkToEnd = readAll || cluster->UnknownSize();
    bool haveTimestamp = false;
    bool haveFirstBlocks = false;
    std::uint64_t child = cluster->dataOffset;
    for (int index = 0; child < limit; ++index) {
        if (reads_ > kMaxElementReads) {
            failure = Unsupported("the Matroska file has too many elements to plan a clip");
            return std::nullopt;
        }
        if (!walkToEnd && index >= kMaxLeadingChildren)
            break;
        const auto element = ebml::ReadHeader(source_, child, limit);
        ++reads_;
        if (element && cluster->UnknownSize() && IsTopLevel(element->id))
            break;
        if (!element || element->UnknownSize()) {
            failure = Damaged("a Matroska block at byte " + std::to_string(child) + " is damaged");
            return std::nullopt;
        }
        child = element->End();
        if (element->id == kTimestamp && element->size <= 8) {
            std::vector<std::uint8_t> value(static_cast<std::size_t>(element->size));
            if (ReadExact(source_, element->dataOffset, value)) {
                scan.timestamp = std::min<std::uint64_t>(*ebml::ReadUnsigned(value), std::uint64_t{1} << 62);
                haveTimestamp = true;
            }
            continue;
        }
        if ((element->id != kSimpleBlock && element->id != kBlockGroup) || (haveFirstBlocks && !readAll))
            continue;
        // The block's own header, and for a BlockGroup whether it refers to another frame.
        std::optional<ebml::BlockHeader> block;
        bool key = false;
        auto readBlock = [&](const Element& holder) {
            std::array<std::uint8_t, 11> head{};
            const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), holder.size));
            if (ReadExact(source_, holder.dataOffset, std::span(head).first(length)))
                block = ebml::ReadBlockHeader(std::span<const std::uint8_t>(head.data(), length));
        };
        if (element->id == kSimpleBlock) {
            readBlock(*element);
            key = block && (block->flags & kKeyframeFlag);
        } else {
            key = true;
            std::uint64_t part = element->dataOffset;
            for (int i = 0; i < kMaxLeadingChildren && part < element->End(); ++i) {
                const auto inner = ebml::ReadHeader(source_, part, element->End());
                ++reads_;
                if (!inner || inner->UnknownSize())
                    break;
                if (inner->id == kBlock)
                    readBlock(*inner);
                else if (inner->id == kReferenceBlock)
                    key = false;
                part = inner->End();
            }
        }
        if (!block || !haveTimestamp)
            continue;
        const std::int64_t time = static_cast<std::int64_t>(scan.timestamp) + block->relativeTimestamp;
        scan.lastBlockTime = std::max(scan.lastBlockTime, time);
        if (!scan.firstBlockTime) {
            scan.firstBlockTime = time;
            scan.firstBlockTrack = block->track;
        }
        if (!scan.firstVideoTime && IsVideo(block->track)) {
            scan.firstVideoTime = time;
            scan.firstVideoIsKey = key;
        }
        haveFirstBlocks = scan.firstBlockTime && (videoTracks_.empty() || scan.firstVideoTime);
        if (!walkToEnd && haveFirstBlocks)
            break;
    }
    if (cluster->UnknownSize()) {
        scan.end = std::min(child, limit);
    } else {
        scan.end = cluster->End();
    }
    if (!haveTimestamp) {
        failure = Damaged("the Matroska Cluster at byte " + std::to_string(offset) + " has no timestamp");
        return std::nullopt;
    }
    return scan;
}

std::optional<std::uint64_t> MatroskaSource::NextCluster(std::uint64_t offset) {
    for (int i = 0; i < 16 && offset < segmentEnd_; ++i) {
        const auto element = Header(offset);
        if (!element)
            return std::nullopt;
        if (element->id == kCluster)
            return offset;
        if ((element->id != kVoid && element->id != kCrc32) || element->UnknownSize())
            return std::nullopt;
        offset = element->End();
    }
    return std::nullopt;
}

bool MatroskaSource::StartsClip(const ClusterScan& cluster, std::int64_t startTicks) const {
    if (videoTracks_.empty())
        return cluster.firstBlockTime && *cluster.firstBlockTime <= startTicks;
    return cluster.firstVideoTime && cluster.firstVideoIsKey && *cluster.firstVideoTime <= startTicks;
}

std::optional<ClusterScan> MatroskaSource::FindStart(std::int64_t startTicks,
                                                     std::optional<Failure>& failure) {
    // Walk forward from `from` while Clusters begin at or before the start mark; the last one
    // that starts with a keyframe is the clip's first.
    auto walk = [&](std::uint64_t from) -> std::optional<ClusterScan> {
        std::optional<ClusterScan> chosen;
        std::optional<std::uint64_t> offset = from;
        while (offset) {
            auto cluster = ScanCluster(*offset, false, failure);
            if (!cluster)
                return std::nullopt;
            if (static_cast<std::int64_t>(cluster->timestamp) > startTicks)
                break;
            if (StartsClip(*cluster, startTicks))
                chosen = cluster;
            offset = NextCluster(cluster->end);
        }
        return chosen;
    };
    // Cues land near the mark: try the last cued Clusters at or before it, then walk from the first.
    int attempts = 0;
    std::uint64_t lastTried = ~std::uint64_t{0};
    for (auto cue = cueEntries_.rbegin(); cue != cueEntries_.rend() && attempts < kCueAttempts; ++cue) {
        if (static_cast<std::int64_t>(cue->time) > startTicks || cue->clusterOffset == lastTried)
            continue;
        lastTried = cue->clusterOffset;
        ++attempts;
        const auto element = Header(cue->clusterOffset);
        if (!element || element->id != kCluster)
            break; // stale Cues: walk instead
        if (auto chosen = walk(cue->clusterOffset))
            return chosen;
        if (failure)
            return std::nullopt;
    }
    if (auto chosen = walk(*firstCluster_))
        return chosen;
    if (failure)
        return std::nullopt;
    // The start mark lies before the first keyframe: the clip starts with the first Cluster.
    return ScanCluster(*firstCluster_, false, failure);
}

std::vector<std::uint8_t> MatroskaSource::BuildCues(std::uint64_t rangeBegin, std::uint64_t rangeEnd,
                                                    std::uint64_t shift, const ClusterScan& first) const {
    std::vector<CueEntry> entries;
    for (const CueEntry& cue : cueEntries_)
        if (cue.clusterOffset >= rangeBegin && cue.clusterOffset < rangeEnd)
            entries.push_back(cue);
    for (const ClusterScan& cluster : walked_) {
        const bool key = videoTracks_.empty() ? cluster.firstBlockTime.has_value()
                                              : cluster.firstVideoTime && cluster.firstVideoIsKey;
        if (key && cluster.offset >= rangeBegin && cluster.offset < rangeEnd) {
            const auto time = videoTracks_.empty() ? *cluster.firstBlockTime : *cluster.firstVideoTime;
            const auto track = videoTracks_.empty() ? cluster.firstBlockTrack : videoTracks_.front();
            entries.push_back({static_cast<std::uint64_t>(std::max<std::int64_t>(0, time)), track,
                               cluster.offset, std::nullopt});
        }
    }
    if (std::none_of(entries.begin(), entries.end(),
                     [&](const CueEntry& e) { return e.clusterOffset == rangeBegin; })) {
        const auto time = videoTracks_.empty() ? first.firstBlockTime : first.firstVideoTime;
        const auto track = videoTracks_.empty() ? first.firstBlockTrack : videoTracks_.front();
        entries.push_back({static_cast<std::uint64_t>(std::max<std::int64_t>(0, time.value_or(0))), track,
                           rangeBegin, std::nullopt});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const CueEntry& a, const CueEntry& b) {
        return a.time != b.time ? a.time < b.time : a.clusterOffset < b.clusterOffset;
    });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const CueEntry& a, const CueEntry& b) {
                                  return a.time == b.time && a.track == b.track &&
                                         a.clusterOffset == b.clusterOffset;
                              }),
                  entries.end());
    std::vector<std::uint8_t> body;
    for (const CueEntry& cue : entries) {
        std::vector<std::uint8_t> positions;
        ebml::WriteUnsigned(positions, kCueTrack, cue.track);
        ebml::WriteUnsigned(positions, kCueClusterPosition, cue.clusterOffset - rangeBegin + shift);
        if (cue.relativePosition)
            ebml::WriteUnsigned(positions, kCueRelativePosition, *cue.relativePosition);
        std::vector<std::uint8_t> point;
        ebml::WriteUnsigned(point, kCueTime, cue.time);
        ebml::WriteMaster(point, kCueTrackPositions, positions);
        ebml::WriteMaster(body, kCuePoint, point);
    }
    std::vector<std::uint8_t> cues;
    ebml::WriteMaster(cues, kCues, body);
    return cues;
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

} // namespace

PlanResult PlanMatroskaClip(ByteSource& source, Marks marks) {
    MatroskaSource matroska(source);
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
