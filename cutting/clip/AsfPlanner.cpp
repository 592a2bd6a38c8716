// ASF: the clip is the source's Header Object with its File Properties rewritten, a Data
// Object header for the copied packets, one run of the source's fixed-size data packets
// copied unchanged, and a rebuilt Simple Index when the source had one. The packets keep
// their send and presentation times, so the clip's timeline starts where its first packet's
// does; the play duration covers the clip.
#include "cutting/clip/AsfPlanner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {
namespace {

using Guid = std::array<std::uint8_t, 16>;

constexpr Guid MakeGuid(std::uint32_t a, std::uint16_t b, std::uint16_t c, std::array<std::uint8_t, 8> d) {
    Guid guid{};
    for (int i = 0; i < 4; ++i)
        guid[i] = static_cast<std::uint8_t>(a >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        guid[4 + i] = static_cast<std::uint8_t>(b >> (8 * i));
        guid[6 + i] = static_cast<std::uint8_t>(c >> (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        guid[8 + i] = d[i];
    return guid;
}

constexpr Guid kHeaderObject =
    MakeGuid(0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
constexpr Guid kDataObject =
    MakeGuid(0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
constexpr Guid kSimpleIndex =
    MakeGuid(0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB});
constexpr Guid kFileProperties =
    MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
constexpr Guid kStreamProperties =
    MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
constexpr Guid kVideoMedia =
    MakeGuid(0xBC19EFC0, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B});
constexpr Guid kContentEncryption =
    MakeGuid(0x2211B3FB, 0xBD23, 0x11D2, {0xB4, 0xB7, 0x00, 0xA0, 0xC9, 0x55, 0xFC, 0x6E});
constexpr Guid kExtendedContentEncryption =
    MakeGuid(0x298AE614, 0x2622, 0x4C17, {0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C});

constexpr std::size_t kObjectHeader = 24;    // GUID and 64-bit size
constexpr std::size_t kDataHeader = 50;      // object header, file ID, packet count, reserved
constexpr std::size_t kSimpleIndexHead = 56; // object header, file ID, interval, max count, entries
constexpr std::size_t kFilePropertiesSize = 104;
constexpr std::size_t kStreamPropertiesSize = 78;
// File Properties fields, from the start of the object.
constexpr std::size_t kFileSizeField = 40;
constexpr std::size_t kPacketCountField = 56;
constexpr std::size_t kPlayDurationField = 64;
constexpr std::size_t kSendDurationField = 72;
constexpr std::size_t kPrerollField = 80;
constexpr std::size_t kFlagsField = 88;
constexpr std::size_t kMinPacketField = 92;
constexpr std::size_t kMaxPacketField = 96;
constexpr std::uint32_t kBroadcastFlag = 0x1;

constexpr std::uint64_t kMaxHeader = 4u << 20;
constexpr std::uint64_t kMaxIndex = 4u << 20;
constexpr std::uint32_t kMaxPacketSize = 1u << 20;
constexpr std::uint64_t kMaxPacketBytesScanned = 16u << 20;
constexpr int kMaxTrailingObjects = 8;

bool IsGuid(std::span<const std::uint8_t> bytes, std::size_t at, const Guid& guid) {
    return bytes.size() >= at + guid.size() && std::equal(guid.begin(), guid.end(), bytes.begin() + at);
}

// A field whose width is given by a two-bit length type: none, byte, word or double word.
bool ReadField(std::span<const std::uint8_t> bytes, std::size_t& at, std::size_t end, unsigned lengthType,
               std::uint32_t& value) {
    static constexpr std::size_t kWidth[] = {0, 1, 2, 4};
    const std::size_t width = kWidth[lengthType & 3];
    if (width > end - at)
        return false;
    value = width == 0   ? 0
            : width == 1 ? bytes[at]
            : width == 2 ? ReadU16LE(bytes, at)
                         : ReadU32LE(bytes, at);
    at += width;
    return true;
}

struct PayloadLayout {
    std::size_t begin = 0; // the stream number byte
    std::size_t end = 0;   // one past the payload data
    std::uint8_t stream = 0;
    std::optional<std::uint32_t> time;
    bool startsObject = false;
    bool StartsKeyframe(int videoStream) const {
        return (stream & 0x7F) == videoStream && (stream & 0x80) && startsObject;
    }
};

struct PacketLayout {
    std::size_t lengthTypesAt = 0; // after the error correction data
    std::uint8_t lengthTypes = 0;
    std::uint8_t properties = 0;
    std::uint32_t sequence = 0;
    std::uint32_t sendTime = 0;
    std::uint16_t duration = 0;
    bool multiple = false;
    std::uint8_t payloadLengthType = 0;
    std::vector<PayloadLayout> payloads;
};

std::optional<PacketLayout> ParsePacketLayout(std::span<const std::uint8_t> packet) {
    const std::size_t size = packet.size();
    std::size_t at = 0;
    if (size == 0)
        return std::nullopt;
    if (packet[0] & 0x80) {
        // Error correction data: its length in the low four bits; other length types are reserved.
        if (packet[0] & 0x60)
            return std::nullopt;
        at = 1 + (packet[0] & 0x0F);
    }
    if (size - std::min(at, size) < 2)
        return std::nullopt;
    PacketLayout layout;
    layout.lengthTypesAt = at;
    layout.lengthTypes = packet[at++];
    layout.properties = packet[at++];
    std::uint32_t packetLength = 0, padding = 0;
    if (!ReadField(packet, at, size, layout.lengthTypes >> 5, packetLength) ||
        !ReadField(packet, at, size, layout.lengthTypes >> 1, layout.sequence) ||
        !ReadField(packet, at, size, layout.lengthTypes >> 3, padding) || size - at < 6)
        return std::nullopt;
    layout.sendTime = ReadU32LE(packet, at);
    layout.duration = ReadU16LE(packet, at + 4);
    at += 6;
    std::size_t end = packetLength != 0 && packetLength < size ? packetLength : size;
    if (at > end || padding > end - at)
        return std::nullopt;
    end -= padding;

    layout.multiple = layout.lengthTypes & 0x01;
    unsigned payloads = 1;
    if (layout.multiple) {
        if (at >= end)
            return std::nullopt;
        payloads = packet[at] & 0x3F;
        layout.payloadLengthType = static_cast<std::uint8_t>(packet[at] >> 6);
        ++at;
        if (layout.payloadLengthType == 0)
            return std::nullopt;
    }
    const unsigned properties = layout.properties;
    for (unsigned i = 0; i < payloads; ++i) {
        if (at >= end)
            return std::nullopt;
        PayloadLayout payload;
        payload.begin = at;
        payload.stream = packet[at++];
        std::uint32_t object = 0, offset = 0, replicated = 0;
        if (!ReadField(packet, at, end, properties >> 4, object) ||
            !ReadField(packet, at, end, properties >> 2, offset) ||
            !ReadField(packet, at, end, properties, replicated) || replicated > end - at)
            return std::nullopt;
        payload.startsObject = offset == 0;
        if (replicated == 1) {
            payload.time = offset; // compressed payloads: the field holds the presentation time
            payload.startsObject = true;
        } else if (replicated >= 8) {
            payload.time = ReadU32LE(packet, at + 4);
        }
        at += replicated;
        std::uint32_t length = static_cast<std::uint32_t>(end - at);
        if (layout.multiple && !ReadField(packet, at, end, layout.payloadLengthType, length))
            return std::nullopt;
        if (length > end - at)
            return std::nullopt;
        at += length;
        payload.end = at;
        layout.payloads.push_back(payload);
    }
    return layout;
}

// The keyframe packet without the video frames that precede the keyframe in it (the ends
// of earlier frames), which a decoder would otherwise meet before any keyframe: the same
// packet size, the other payloads kept, the room they leave as padding. Nothing when the
// packet needs no change or cannot take it.
std::optional<std::vector<std::uint8_t>> WithoutFramesBeforeKeyframe(std::span<const std::uint8_t> packet,
                                                                     int videoStream) {
    const auto layout = ParsePacketLayout(packet);
    if (!layout || !layout->multiple)
        return std::nullopt;
    const auto key = std::find_if(layout->payloads.begin(), layout->payloads.end(),
                                  [&](const PayloadLayout& p) { return p.StartsKeyframe(videoStream); });
    const auto isVideo = [&](const PayloadLayout& p) { return (p.stream & 0x7F) == videoStream; };
    if (key == layout->payloads.end() || std::none_of(layout->payloads.begin(), key, isVideo))
        return std::nullopt;
    std::vector<PayloadLayout> kept;
    std::copy_if(layout->payloads.begin(), key, std::back_inserter(kept),
                 [&](const PayloadLayout& p) { return !isVideo(p); });
    kept.insert(kept.end(), key, layout->payloads.end());

    std::vector<std::uint8_t> out(packet.begin(),
                                  packet.begin() + static_cast<std::ptrdiff_t>(layout->lengthTypesAt));
    ByteWriter writer(out);
    // No packet length field; a word of padding; the sequence field as it was.
    writer.U8(static_cast<std::uint8_t>((layout->lengthTypes & 0x87) | 0x10));
    writer.U8(layout->properties);
    switch ((layout->lengthTypes >> 1) & 3) {
    case 1:
        writer.U8(static_cast<std::uint8_t>(layout->sequence));
        break;
    case 2:
        writer.U16LE(static_cast<std::uint16_t>(layout->sequence));
        break;
    case 3:
        writer.U32LE(layout->sequence);
        break;
    default:
        break;
    }
    const std::size_t paddingAt = out.size();
    writer.U16LE(0);
    writer.U32LE(layout->sendTime);
    writer.U16LE(layout->duration);
    writer.U8(static_cast<std::uint8_t>((layout->payloadLengthType << 6) | kept.size()));
    for (const PayloadLayout& payload : kept)
        writer.Bytes(packet.subspan(payload.begin, payload.end - payload.begin));
    if (out.size() > packet.size() || packet.size() - out.size() > 0xFFFF)
        return std::nullopt;
    const auto padding = static_cast<std::uint16_t>(packet.size() - out.size());
    out[paddingAt] = static_cast<std::uint8_t>(padding);
    out[paddingAt + 1] = static_cast<std::uint8_t>(padding >> 8);
    out.resize(packet.size(), 0);
    return out;
}

struct SimpleIndexEntry {
    std::uint32_t packet = 0;
    std::uint16_t packetCount = 0;
};

struct Failure {
    PlanStatus status;
    std::string reason;
};

class AsfSource {
  public:
    explicit AsfSource(ByteSource& source) : source_(source) {}
    std::optional<Failure> ReadHeaders();
    std::optional<Failure> Plan(Marks marks, ClipPlan& plan);

  private:
    std::optional<AsfPacketTimes> Packet(std::uint64_t index);
    std::optional<std::uint64_t> LastPresentedBy(std::uint32_t time, std::optional<Failure>& failure);
    void ReadSimpleIndex(std::uint64_t offset);

    ByteSource& source_;
    std::vector<std::uint8_t> header_;
    std::size_t fileProperties_ = 0;
    std::array<std::uint8_t, kDataHeader> dataHeader_{};
    std::uint64_t dataStart_ = 0; // the first packet
    std::uint64_t packetCount_ = 0;
    std::uint32_t packetSize_ = 0;
    std::uint64_t preroll_ = 0;      // milliseconds
    std::uint64_t playDuration_ = 0; // 100 ns units, the preroll included
    int videoStream_ = -1;
    std::vector<std::uint8_t> packet_;
    std::optional<std::uint64_t> failedPacket_;
    std::array<std::uint8_t, kSimpleIndexHead> indexHead_{};
    std::vector<SimpleIndexEntry> index_;
};

std::optional<Failure> AsfSource::ReadHeaders() {
    std::array<std::uint8_t, 30> top{};
    if (!ReadExact(source_, 0, top) || !IsGuid(top, 0, kHeaderObject))
        return Failure{PlanStatus::NotThisFormat, "it is not an ASF file"};
    const std::uint64_t headerSize = ReadU64LE(top, 16);
    if (headerSize < top.size() || headerSize > source_.Size())
        return Failure{PlanStatus::Damaged, "the ASF header runs past the end of the file"};
    if (headerSize > kMaxHeader)
        return Failure{PlanStatus::Unsupported, "the ASF header is too large"};
    header_.resize(static_cast<std::size_t>(headerSize));
    if (!ReadExact(source_, 0, header_))
        return Failure{PlanStatus::Damaged, "the ASF header cannot be read"};

    const std::uint32_t objects = ReadU32LE(header_, 24);
    std::size_t at = top.size();
    for (std::uint32_t i = 0; i < objects && at < header_.size(); ++i) {
        if (header_.size() - at < kObjectHeader)
            return Failure{PlanStatus::Damaged, "an ASF header object is truncated"};
        const std::uint64_t size = ReadU64LE(header_, at + 16);
        if (size < kObjectHeader || size > header_.size() - at)
            return Failure{PlanStatus::Damaged, "an ASF header object's size is invalid"};
        if (IsGuid(header_, at, kFileProperties)) {
            if (size < kFilePropertiesSize)
                return Failure{PlanStatus::Damaged, "the ASF file properties are truncated"};
            fileProperties_ = at;
        } else if (IsGuid(header_, at, kStreamProperties)) {
            if (size < kStreamPropertiesSize)
                return Failure{PlanStatus::Damaged, "an ASF stream's properties are truncated"};
            if (IsGuid(header_, at + kObjectHeader, kVideoMedia) && videoStream_ < 0)
                videoStream_ = ReadU16LE(header_, at + 72) & 0x7F;
        } else if (IsGuid(header_, at, kContentEncryption) ||
                   IsGuid(header_, at, kExtendedContentEncryption)) {
            return Failure{PlanStatus::Unsupported, "the ASF file is protected by DRM"};
        }
        at += static_cast<std::size_t>(size);
    }
    if (fileProperties_ == 0)
        return Failure{PlanStatus::Damaged, "the ASF header has no file properties"};
    const std::span<const std::uint8_t> properties = std::span(header_).subspan(fileProperties_);
    const std::uint32_t minPacket = ReadU32LE(properties, kMinPacketField);
    const std::uint32_t maxPacket = ReadU32LE(properties, kMaxPacketField);
    if (minPacket != maxPacket)
        return Failure{PlanStatus::Unsupported,
                       "ASF files with data packets of varying size are not supported"};
    if (minPacket == 0 || minPacket > kMaxPacketSize)
        return Failure{PlanStatus::Unsupported, "the ASF data packet size is not supported"};
    packetSize_ = minPacket;
    preroll_ = std::min<std::uint64_t>(ReadU64LE(properties, kPrerollField), 1u << 30);
    playDuration_ = ReadU64LE(properties, kPlayDurationField);
    const bool broadcast = ReadU32LE(properties, kFlagsField) & kBroadcastFlag;
    if (broadcast)
        playDuration_ = 0; // not valid while a broadcast is recorded

    if (!ReadExact(source_, headerSize, dataHeader_) || !IsGuid(dataHeader_, 0, kDataObject))
        return Failure{PlanStatus::Damaged, "the ASF data object does not follow the header"};
    dataStart_ = headerSize + kDataHeader;
    const std::uint64_t dataSize = ReadU64LE(dataHeader_, 16);
    const std::uint64_t inFile = (source_.Size() - dataStart_) / packetSize_;
    // A live recording may leave the data size and the counts unset.
    const bool sized = !broadcast && dataSize >= kDataHeader;
    if (sized) {
        if (dataSize > source_.Size() - headerSize)
            return Failure{PlanStatus::Damaged,
                           "the ASF data runs past the end of the file (the file is truncated)"};
        packetCount_ = (dataSize - kDataHeader) / packetSize_;
        const std::uint64_t counted = ReadU64LE(dataHeader_, 40);
        if (counted != 0)
            packetCount_ = std::min(packetCount_, counted);
        ReadSimpleIndex(headerSize + dataSize);
    } else {
        packetCount_ = inFile;
    }
    if (packetCount_ == 0)
        return Failure{PlanStatus::Damaged, "the ASF file holds no data packets"};
    return std::nullopt;
}

void AsfSource::ReadSimpleIndex(std::uint64_t offset) {
    // Objects after the data; the index only speeds planning up, so a damaged one is ignored.
    for (int i = 0; i < kMaxTrailingObjects; ++i) {
        std::array<std::uint8_t, kObjectHeader> head{};
        if (!ReadExact(source_, offset, head))
            return;
        const std::uint64_t size = ReadU64LE(head, 16);
        if (size < kObjectHeader || size > source_.Size() - offset)
            return;
        if (IsGuid(head, 0, kSimpleIndex)) {
            if (size < kSimpleIndexHead || size > kMaxIndex || !ReadExact(source_, offset, indexHead_))
                return;
            const std::uint32_t count = ReadU32LE(indexHead_, 52);
            if (count == 0 || ReadU64LE(indexHead_, 40) == 0 || size < kSimpleIndexHead + 6ull * count)
                return;
            std::vector<std::uint8_t> entries(6u * count);
            if (!ReadExact(source_, offset + kSimpleIndexHead, entries))
                return;
            for (std::uint32_t e = 0; e < count; ++e)
                index_.push_back({ReadU32LE(entries, 6u * e), ReadU16LE(entries, 6u * e + 4)});
            return;
        }
        offset += size;
    }
}

std::optional<AsfPacketTimes> AsfSource::Packet(std::uint64_t index) {
    packet_.resize(packetSize_);
    if (index >= packetCount_ || !ReadExact(source_, dataStart_ + index * packetSize_, packet_)) {
        failedPacket_ = index;
        return std::nullopt;
    }
    auto times = ParseAsfPacket(packet_, videoStream_);
    if (!times)
        failedPacket_ = index;
    return times;
}

std::optional<std::uint64_t> AsfSource::LastPresentedBy(std::uint32_t time, std::optional<Failure>& failure) {
    // The last packet whose earliest payload is presented by `time` (or the first packet).
    // Packets are in send order, which follows presentation order closely enough to bisect;
    // a packet without presentation times counts by its send time, which is never later.
    std::uint64_t low = 0, high = packetCount_; // the answer lies in [low, high)
    while (high - low > 1) {
        const std::uint64_t middle = low + (high - low) / 2;
        const auto packet = Packet(middle);
        if (!packet) {
            failure =
                Failure{PlanStatus::Damaged, "ASF data packet " + std::to_string(middle) + " is damaged"};
            return std::nullopt;
        }
        if (packet->firstTime.value_or(packet->sendTime) <= time)
            low = middle;
        else
            high = middle;
    }
    return low;
}

std::optional<Failure> AsfSource::Plan(Marks marks, ClipPlan& plan) {
    auto damaged = [&] {
        return Failure{PlanStatus::Damaged,
                       "ASF data packet " + std::to_string(failedPacket_.value_or(0)) + " is damaged"};
    };
    // Marks count from the first packet's earliest payload: a clip made earlier keeps its
    // source's times.
    const auto opening = Packet(0);
    if (!opening)
        return damaged();
    const double origin = opening->firstTime.value_or(static_cast<std::uint32_t>(preroll_));
    // The length of the media in milliseconds (0 when the header does not say).
    const double length =
        std::max(0.0, static_cast<double>(playDuration_) / 10000 - static_cast<double>(preroll_));
    if (length > 0 && marks.start * 1000 >= length)
        return Failure{PlanStatus::BadMarks, "the start point lies after the end of the media"};
    const double limit = 4e9;
    const double startTime = std::min(std::floor(marks.start * 1000) + origin, limit);
    const double endTime = std::min(std::ceil(marks.end * 1000) + origin, limit);
    const auto start = static_cast<std::uint32_t>(startTime);
    const auto end = static_cast<std::uint32_t>(endTime);
    const double sourceEnd = origin + length; // milliseconds, as the packets count them

    std::optional<Failure> failure;
    const std::uint64_t scanLimit = std::max<std::uint64_t>(1, kMaxPacketBytesScanned / packetSize_);
    std::optional<std::uint64_t> first;
    std::optional<std::uint32_t> firstTime;
    auto startsClip = [&](const AsfPacketTimes& packet) {
        const auto time = videoStream_ >= 0 ? packet.keyframeTime : packet.firstTime;
        return time && *time <= start;
    };
    if (videoStream_ >= 0 && !index_.empty()) {
        // The index names the packet of the keyframe at or before each whole interval; later
        // keyframes up to the start mark are found by reading on while packets are sent by it.
        const auto entry =
            std::min<std::uint64_t>(start * 10000ull / ReadU64LE(indexHead_, 40), index_.size() - 1);
        const std::uint64_t indexed = index_[static_cast<std::size_t>(entry)].packet;
        const auto packet = indexed < packetCount_ ? Packet(indexed) : std::nullopt;
        if (packet && startsClip(*packet)) {
            first = indexed;
            firstTime = packet->firstTime;
            for (std::uint64_t p = indexed + 1; p < packetCount_ && p - indexed < scanLimit; ++p) {
                const auto next = Packet(p);
                if (!next)
                    return damaged();
                if (next->firstTime.value_or(next->sendTime) > start)
                    break; // a keyframe here or later would be presented after the start mark
                if (startsClip(*next)) {
                    first = p;
                    firstTime = next->firstTime;
                }
            }
        }
    }
    if (!first) {
        // Backwards from the last packet presented by the start mark to a keyframe.
        const auto lastForStart = LastPresentedBy(start, failure);
        if (!lastForStart)
            return failure;
        for (std::uint64_t p = *lastForStart + 1; p-- > 0;) {
            if (*lastForStart - p >= scanLimit)
                return Failure{PlanStatus::Unsupported, "no video keyframe lies near the start point"};
            const auto packet = Packet(p);
            if (!packet)
                return damaged();
            if (startsClip(*packet) || p == 0) {
                // Before the first keyframe the clip starts with the data.
                first = p;
                firstTime = packet->firstTime;
                break;
            }
        }
    }

    // The end: the last packet whose earliest payload is presented by the end mark.
    const auto lastForEnd = LastPresentedBy(end, failure);
    if (!lastForEnd)
        return failure;
    const std::uint64_t last = std::max(*first, *lastForEnd);
    const auto lastPacket = Packet(last);
    if (!lastPacket)
        return damaged();
    const std::optional<std::uint32_t> lastTime = lastPacket->lastTime;
    const std::uint64_t count = last + 1 - *first;

    // Times of the clip in milliseconds, the preroll included.
    const double clipStart = firstTime ? *firstTime : startTime;
    double clipEnd =
        last + 1 == packetCount_ && length > 0 ? sourceEnd : std::max<double>(lastTime.value_or(end), end);
    if (length > 0)
        clipEnd = std::min(clipEnd, sourceEnd);
    clipEnd = std::max(clipEnd, clipStart);
    const auto clipDuration = static_cast<std::uint64_t>(clipEnd - clipStart);

    // The trailer: the Simple Index over the same time grid, its packets renumbered.
    if (videoStream_ >= 0 && !index_.empty()) {
        const std::uint64_t interval = ReadU64LE(indexHead_, 40);
        const std::uint64_t entries = std::min<std::uint64_t>(
            static_cast<std::uint64_t>(clipEnd) * 10000 / interval + 1, index_.size());
        ByteWriter index(plan.trailer);
        index.Bytes(std::span(indexHead_).first(16));
        index.U64LE(kSimpleIndexHead + 6 * entries);
        index.Bytes(std::span(indexHead_).subspan(kObjectHeader, 16 + 8 + 4)); // file ID, interval, max count
        index.U32LE(static_cast<std::uint32_t>(entries));
        for (std::uint64_t e = 0; e < entries; ++e) {
            const SimpleIndexEntry& source = index_[static_cast<std::size_t>(e)];
            const std::uint64_t packet =
                source.packet < *first ? 0 : std::min(source.packet - *first, count - 1);
            index.U32LE(static_cast<std::uint32_t>(packet));
            index.U16LE(source.packetCount);
        }
    }

    plan.header = header_;
    const std::uint64_t dataSize = kDataHeader + count * packetSize_;
    const std::uint64_t clipSize = header_.size() + dataSize + plan.trailer.size();
    ByteWriter header(plan.header);
    auto patch64 = [&](std::size_t at, std::uint64_t value) {
        header.PatchU32LE(at, static_cast<std::uint32_t>(value));
        header.PatchU32LE(at + 4, static_cast<std::uint32_t>(value >> 32));
    };
    patch64(fileProperties_ + kFileSizeField, clipSize);
    patch64(fileProperties_ + kPacketCountField, count);
    patch64(fileProperties_ + kPlayDurationField, (clipDuration + preroll_) * 10000);
    patch64(fileProperties_ + kSendDurationField, clipDuration * 10000);
    header.PatchU32LE(fileProperties_ + kFlagsField,
                      ReadU32LE(plan.header, fileProperties_ + kFlagsField) & ~kBroadcastFlag);
    const std::size_t dataAt = plan.header.size();
    header.Bytes(dataHeader_);
    patch64(dataAt + 16, dataSize);
    patch64(dataAt + 40, count);

    plan.rangeBegin = dataStart_ + *first * packetSize_;
    plan.rangeEnd = plan.rangeBegin + count * packetSize_;
    if (videoStream_ >= 0 && Packet(*first)) {
        if (const auto rewritten = WithoutFramesBeforeKeyframe(packet_, videoStream_)) {
            plan.header.insert(plan.header.end(), rewritten->begin(), rewritten->end());
            plan.rangeBegin += packetSize_;
        }
    }
    plan.start = (clipStart - origin) / 1000;
    plan.duration = static_cast<double>(clipDuration) / 1000;
    return std::nullopt;
}

} // namespace

std::optional<AsfPacketTimes> ParseAsfPacket(std::span<const std::uint8_t> packet, int videoStream) {
    const auto layout = ParsePacketLayout(packet);
    if (!layout)
        return std::nullopt;
    AsfPacketTimes times;
    times.sendTime = layout->sendTime;
    for (const PayloadLayout& payload : layout->payloads) {
        if (!payload.time)
            continue;
        const std::uint32_t time = *payload.time;
        times.firstTime = std::min(times.firstTime.value_or(time), time);
        times.lastTime = std::max(times.lastTime.value_or(time), time);
        if (payload.StartsKeyframe(videoStream))
            times.keyframeTime = std::min(times.keyframeTime.value_or(time), time);
    }
    return times;
}

PlanResult PlanAsfClip(ByteSource& source, Marks marks) {
    AsfSource asf(source);
    PlanResult result;
    auto failure = asf.ReadHeaders();
    if (!failure)
        failure = asf.Plan(marks, result.plan);
    if (failure)
        return PlanResult::Fail(failure->status, std::move(failure->reason));
    result.status = PlanStatus::Planned;
    return result;
}

} // namespace klevotrim::clip
