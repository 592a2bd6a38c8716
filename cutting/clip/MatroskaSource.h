#pragma once
// What the Matroska planner's two halves share: the element IDs and bounds, and the source
// as planning learns it, from its headers and from walking its Clusters.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cutting/clip/ClipPlan.h"
#include "cutting/clip/Ebml.h"

namespace klevotrim::clip::mkv {

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

inline bool IsTopLevel(std::uint32_t id) {
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

inline Failure Damaged(std::string reason) {
    return {PlanStatus::Damaged, std::move(reason)};
}
inline Failure Unsupported(std::string reason) {
    return {PlanStatus::Unsupported, std::move(reason)};
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

} // namespace klevotrim::clip::mkv
