// Matroska planning's walk over the source's Clusters: reading the Cues, scanning a
// Cluster's first blocks, finding the Cluster the clip starts with, and the clip's new Cues.
#include <algorithm>
#include <cmath>
#include <tuple>

#include "cutting/clip/MatroskaSource.h"

namespace klevotrim::clip::mkv {

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
} // namespace klevotrim::clip::mkv
