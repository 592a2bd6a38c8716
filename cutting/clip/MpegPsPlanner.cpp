#include "cutting/clip/MpegPsPlanner.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "cutting/clip/MpegCommon.h"

// The clip is: the packs around the picture that starts a GOP at or before the start mark,
// rewritten so that the picture and each MPEG audio stream begin with a whole access unit;
// the packs after them copied unchanged up to the pack that holds the first picture decoded
// after the end mark; that pack and the next few rewritten so that every stream ends with a
// whole access unit; and a program end code.
namespace klevotrim::clip {
namespace {

using namespace mpeg;

constexpr std::uint64_t kReadLimit = 96ull << 20;
constexpr std::uint64_t kPackSearch = 256 * 1024;
// Small enough that a bisection probe, which finds a pack within a few KiB, costs one block.
constexpr std::uint64_t kPackScanStep = 4 * 1024;
constexpr std::size_t kMaxPacketsPerPack = 256;
constexpr std::size_t kRewrittenPacks = 160;
constexpr std::uint64_t kEdgeScan = 512 * 1024;

struct PesRef {
    std::uint64_t offset = 0; // of the start code
    std::uint64_t end = 0;
    PesHeader header;
    bool parsed = false; // the header was valid; otherwise the packet is copied as it is
    std::uint64_t PayloadBegin() const { return parsed ? offset + header.payloadStart : end; }
};

struct Pack {
    std::uint64_t offset = 0;
    std::uint64_t headerEnd = 0; // after the pack header's stuffing
    std::uint64_t end = 0;
    std::uint64_t scr = 0;
    bool hasSystemHeader = false;
    std::vector<PesRef> packets;
};

bool IsStartCode(std::span<const std::uint8_t> b) {
    return b.size() >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 1;
}

// Reads the pack whose header starts at `offset`; false when there is none.
bool ReadPack(SourceWindow& window, std::uint64_t offset, Pack& pack) {
    const auto head = window.At(offset, 14);
    if (head.empty() || !IsStartCode(head) || head[3] != 0xBA)
        return false;
    pack = Pack{};
    pack.offset = offset;
    if ((head[4] & 0xC0) == 0x40) {
        pack.scr = (static_cast<std::uint64_t>((head[4] >> 3) & 7) << 30) |
                   (static_cast<std::uint64_t>(head[4] & 3) << 28) |
                   (static_cast<std::uint64_t>(head[5]) << 20) |
                   (static_cast<std::uint64_t>(head[6] >> 3) << 15) |
                   (static_cast<std::uint64_t>(head[6] & 3) << 13) |
                   (static_cast<std::uint64_t>(head[7]) << 5) | (head[8] >> 3);
        pack.headerEnd = offset + 14 + (head[13] & 7);
    } else if ((head[4] & 0xF0) == 0x20) {
        pack.scr = ReadStamp(&head[4]);
        pack.headerEnd = offset + 12;
    } else {
        return false;
    }
    std::uint64_t at = pack.headerEnd;
    while (pack.packets.size() < kMaxPacketsPerPack) {
        const auto b = window.At(at, 6);
        if (b.empty() || !IsStartCode(b) || b[3] < 0xBB)
            break;
        const std::uint64_t end = at + 6 + ((static_cast<std::uint64_t>(b[4]) << 8) | b[5]);
        if (end > window.Size())
            break; // a packet cut off by the end of the file is not part of the clip
        if (b[3] == 0xBB) {
            pack.hasSystemHeader = true;
            at = end;
            continue;
        }
        PesRef pes;
        pes.offset = at;
        pes.end = end;
        const auto header = window.At(at, static_cast<std::size_t>(std::min<std::uint64_t>(end - at, 64)));
        pes.parsed =
            !header.empty() && ParsePesHeader(header, pes.header) && pes.header.payloadStart <= end - at;
        pack.packets.push_back(pes);
        at = end;
    }
    pack.end = at;
    return true;
}

// The first pack at or after `offset` followed by another start code (or the end of the
// file), found within a bounded search.
bool NextPack(SourceWindow& window, std::uint64_t offset, Pack& pack) {
    const std::uint64_t limit = std::min(window.Size(), offset + kPackSearch);
    while (offset + 4 <= limit) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(limit - offset, kPackScanStep));
        const auto bytes = window.At(offset, count);
        if (bytes.size() < 4)
            return false;
        std::size_t found = bytes.size();
        for (std::size_t i = 0; i + 4 <= bytes.size() && found == bytes.size(); ++i)
            if (bytes[i + 3] == 0xBA && bytes[i + 2] == 1 && bytes[i + 1] == 0 && bytes[i] == 0)
                found = i;
        if (found == bytes.size()) {
            offset += bytes.size() - 3;
            continue;
        }
        const std::uint64_t at = offset + found;
        if (ReadPack(window, at, pack) && (pack.end == window.Size() || IsStartCode(window.At(pack.end, 4))))
            return true;
        offset = at + 1;
    }
    return false;
}

struct StreamRoles {
    std::uint8_t main = 0;
    bool video = false;
    std::vector<std::uint8_t> audio; // MPEG audio streams, trimmed to whole frames
    std::vector<std::uint8_t> systemHeader;
};

std::optional<StreamRoles> FindStreams(SourceWindow& window, std::uint64_t first) {
    StreamRoles roles;
    Pack pack;
    std::uint64_t at = first;
    for (std::uint64_t scanned = 0; scanned < kEdgeScan && NextPack(window, at, pack);
         scanned = pack.end - first) {
        if (pack.hasSystemHeader && roles.systemHeader.empty()) {
            const auto b = window.At(pack.headerEnd, 6);
            const std::size_t length = 6 + ((b[4] << 8) | b[5]);
            const auto bytes = window.At(pack.headerEnd, length);
            roles.systemHeader.assign(bytes.begin(), bytes.end());
        }
        for (const PesRef& pes : pack.packets) {
            const std::uint8_t id = pes.header.streamId;
            if (!pes.parsed)
                continue;
            if (IsVideoStreamId(id) && !roles.video) {
                roles.main = id;
                roles.video = true;
            }
            if (IsMpegAudioStreamId(id) &&
                std::find(roles.audio.begin(), roles.audio.end(), id) == roles.audio.end())
                roles.audio.push_back(id);
        }
        at = pack.end;
    }
    if (!roles.video) {
        if (roles.audio.empty())
            return std::nullopt;
        roles.main = roles.audio.front();
    }
    return roles;
}

// A point a decoder can start from: a sequence or GOP header in the main video stream, or
// an access unit of the main audio stream.
struct SyncPoint {
    std::uint64_t position = 0; // of the first byte of its start code
    std::uint64_t packOffset = 0;
    bool timeKnown = false;
    std::int64_t time = 0; // presentation, ticks since the origin
    // Until timeKnown: what reading on needs to find its time from a later picture.
    int temporalReference = -1;
    double frameTicks = 0;
    bool stampIsItsOwn = false; // the packet's stamps belong to the point's access unit
};

constexpr std::array<double, 9> kFrameTicks{0, 3753.75, 3750, 3600, 3003, 3000, 1800, 1501.5, 1500};

// Walks the packs from an offset and collects the main stream's sync points, following
// start codes across PES packet boundaries.
class SyncWalker {
  public:
    SyncWalker(SourceWindow& window, const StreamRoles& roles, std::uint64_t origin, std::uint64_t from)
        : window_(window), roles_(roles), origin_(origin), at_(from) {}

    // Reads one more pack; false at the end of the file or of the readable stretch.
    bool Step() {
        Pack pack;
        if (!NextPack(window_, at_, pack))
            return false;
        at_ = pack.end;
        for (const PesRef& pes : pack.packets)
            if (pes.parsed && pes.header.streamId == roles_.main)
                Visit(pack, pes);
        return true;
    }
    const std::vector<SyncPoint>& Points() const { return points_; }
    // The decode time of the first access unit in the last main-stream packet with a stamp.
    std::optional<std::int64_t> LastDecodeTime() const {
        return hasLastDecode_ ? std::optional<std::int64_t>(lastDecode_) : std::nullopt;
    }
    bool Pending() const { return !points_.empty() && !points_.back().timeKnown; }

  private:
    void Visit(const Pack& pack, const PesRef& pes) {
        const std::int64_t pts = TicksSince(pes.header.pts, origin_);
        if (pes.header.hasPts) {
            lastDecode_ = TicksSince(pes.header.DecodeStamp(), origin_);
            hasLastDecode_ = true;
        }
        if (!roles_.video) {
            if (pes.header.hasPts)
                points_.push_back({pes.offset, pack.offset, true, pts, -1, 0, true});
            return;
        }
        const auto payload =
            window_.At(pes.PayloadBegin(), static_cast<std::size_t>(pes.end - pes.PayloadBegin()));
        // The last bytes of the previous payload, for start codes split between packets.
        std::vector<std::uint8_t> bytes(carry_.begin(), carry_.end());
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        const std::size_t carried = carry_.size();
        bool unitSeen = false; // an access unit started in this packet: its stamp is that unit's
        for (std::size_t i = 0; i + 4 <= bytes.size(); ++i) {
            if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1)
                continue;
            const std::uint8_t code = bytes[i + 3];
            if (code != 0x00 && code != 0xB3 && code != 0xB8)
                continue;
            const bool firstUnit = !unitSeen && i >= carried;
            unitSeen = unitSeen || i >= carried;
            if (code == 0x00) {
                Picture(i + 5 < bytes.size() ? (bytes[i + 4] << 2) | (bytes[i + 5] >> 6) : -1,
                        firstUnit && pes.header.hasPts, pts);
                continue;
            }
            if (!pictureSincePoint_ && !points_.empty())
                continue; // the GOP header after the sequence header that made the point
            if (Pending())
                points_.back().timeKnown = true; // a new GOP came first: keep the bound
            SyncPoint point;
            point.position = i >= carried ? pes.PayloadBegin() + (i - carried) : carryEnd_ - (carried - i);
            point.packOffset = i >= carried ? pack.offset : carryPack_;
            if (code == 0xB3 && i + 7 < bytes.size())
                point.frameTicks = kFrameTicks[std::min<std::size_t>(bytes[i + 7] & 0x0F, 8)];
            if (firstUnit && pes.header.hasPts) {
                point.timeKnown = true;
                point.stampIsItsOwn = true;
                point.time = pts;
            } else {
                // The packet's stamp belongs to an earlier picture. The picture's own time
                // follows from a later stamped picture of its GOP and the pictures' temporal
                // references; until then the stamp or the pack's clock bounds it from below.
                point.time = pes.header.hasPts ? pts : TicksSince(pack.scr, origin_);
                point.timeKnown = point.frameTicks == 0;
                point.temporalReference = -2;
            }
            points_.push_back(point);
            pictureSincePoint_ = false;
        }
        const std::size_t keep = std::min<std::size_t>(3, bytes.size());
        carry_.assign(bytes.end() - static_cast<std::ptrdiff_t>(keep), bytes.end());
        carryPack_ = pack.offset;
        carryEnd_ = pes.end;
    }

    void Picture(int temporalReference, bool stamped, std::int64_t pts) {
        const bool first = !pictureSincePoint_;
        pictureSincePoint_ = true;
        if (!Pending())
            return;
        SyncPoint& point = points_.back();
        if (first) {
            point.temporalReference = temporalReference;
            point.timeKnown = temporalReference < 0;
        } else if (stamped && temporalReference >= 0) {
            point.time = pts - static_cast<std::int64_t>((temporalReference - point.temporalReference) *
                                                         point.frameTicks);
            point.timeKnown = true;
        }
    }

    SourceWindow& window_;
    const StreamRoles& roles_;
    std::uint64_t origin_;
    std::uint64_t at_;
    std::vector<SyncPoint> points_;
    std::vector<std::uint8_t> carry_;
    std::uint64_t carryPack_ = 0;
    std::uint64_t carryEnd_ = 0;
    // Two plain members rather than an optional: GCC's release build warns that an optional
    // integer may be read uninitialised when it is copied out.
    std::int64_t lastDecode_ = 0;
    bool hasLastDecode_ = false;
    bool pictureSincePoint_ = true;
};

struct Timeline {
    std::uint64_t origin = 0;
    std::int64_t last = 0;
    std::uint64_t end = 0; // of the last whole pack
};

// The earliest presentation stamp near the start (time 0) and the latest near the end.
std::optional<Timeline> ReadTimeline(SourceWindow& window) {
    std::uint64_t end = 0;
    const auto scan = [&](std::uint64_t from, auto&& visit) {
        Pack pack;
        for (std::uint64_t at = from; at < from + kEdgeScan && NextPack(window, at, pack); at = pack.end)
            for (const PesRef& pes : (end = std::max(end, pack.end), pack.packets))
                if (pes.parsed && pes.header.hasPts)
                    visit(pes.header.pts);
    };
    std::optional<std::uint64_t> firstSeen;
    std::int64_t earliest = 0;
    scan(0, [&](std::uint64_t pts) {
        if (!firstSeen)
            firstSeen = pts;
        earliest = std::min(earliest, TicksSince(pts, *firstSeen));
    });
    if (!firstSeen)
        return std::nullopt;
    Timeline timeline;
    timeline.origin = (*firstSeen + static_cast<std::uint64_t>(earliest)) & kClockMask;
    bool any = false;
    scan(window.Size() - std::min(window.Size(), kEdgeScan), [&](std::uint64_t pts) {
        const std::int64_t ticks = TicksSince(pts, timeline.origin);
        timeline.last = any ? std::max(timeline.last, ticks) : ticks;
        any = true;
    });
    timeline.end = end;
    return timeline;
}

// An offset whose pack clock is at or before `target`, close to the last such offset.
std::uint64_t Bisect(SourceWindow& window, std::uint64_t origin, std::int64_t target) {
    std::uint64_t low = 0;
    std::uint64_t high = window.Size();
    Pack pack;
    while (high - low > 64 * 1024) {
        const std::uint64_t middle = low + (high - low) / 2;
        if (NextPack(window, middle, pack) && TicksSince(pack.scr, origin) <= target)
            low = middle;
        else
            high = middle;
    }
    return low;
}

std::optional<SyncPoint> FindStart(SourceWindow& window, const StreamRoles& roles, std::uint64_t origin,
                                   std::int64_t target) {
    for (std::int64_t back = kTicksPerSecond; back <= 64 * kTicksPerSecond; back *= 2) {
        const std::uint64_t from = Bisect(window, origin, target - back);
        SyncWalker walker(window, roles, origin, from);
        while (walker.Step())
            if (walker.LastDecodeTime() && *walker.LastDecodeTime() > target && !walker.Pending())
                break;
        std::optional<SyncPoint> best;
        for (const SyncPoint& point : walker.Points())
            if (point.time <= target)
                best = point;
        if (best)
            return best;
        if (from == 0) {
            SyncPoint start;
            start.timeKnown = start.stampIsItsOwn = true;
            return start;
        }
    }
    return std::nullopt;
}

struct EndCut {
    std::uint64_t packOffset = 0;
    std::uint64_t position = 0; // where the first access unit decoded after the end mark starts
};

// The first access unit of the main stream decoded after `target`; nullopt when the stamps
// give no answer within reach.
std::optional<EndCut> FindEnd(SourceWindow& window, const StreamRoles& roles, std::uint64_t origin,
                              std::int64_t target) {
    for (std::int64_t back = kFirstLookBack; back <= 64 * kTicksPerSecond; back *= 2) {
        const std::uint64_t from = Bisect(window, origin, target - back);
        bool sawEarlier = false;
        std::uint64_t lastEnd = from;
        Pack pack;
        for (std::uint64_t at = from; NextPack(window, at, pack); at = pack.end) {
            lastEnd = pack.end;
            for (const PesRef& pes : pack.packets) {
                if (!pes.parsed || pes.header.streamId != roles.main || !pes.header.hasPts)
                    continue;
                if (TicksSince(pes.header.DecodeStamp(), origin) <= target) {
                    sawEarlier = true;
                    continue;
                }
                if (!sawEarlier)
                    break;
                const auto payload =
                    window.At(pes.PayloadBegin(), static_cast<std::size_t>(pes.end - pes.PayloadBegin()));
                std::size_t unit = 0;
                if (roles.video) {
                    for (unit = 0; unit + 4 <= payload.size(); ++unit)
                        if (payload[unit] == 0 && payload[unit + 1] == 0 && payload[unit + 2] == 1 &&
                            (payload[unit + 3] == 0x00 || payload[unit + 3] == 0xB3 ||
                             payload[unit + 3] == 0xB8))
                            break;
                    if (unit + 4 > payload.size())
                        unit = 0;
                } else {
                    unit = FindMpegAudioFrame(payload) % std::max<std::size_t>(payload.size(), 1);
                }
                return EndCut{pack.offset, pes.PayloadBegin() + unit};
            }
            if (!sawEarlier && pack.offset > from + kPackSearch)
                break;
        }
        if (sawEarlier)
            return EndCut{lastEnd, lastEnd};
        if (from == 0)
            return std::nullopt;
    }
    return std::nullopt;
}

// Writes a PES packet with the header syntax of `original` around a part of its payload.
void WritePes(std::vector<std::uint8_t>& out, const PesHeader& original,
              std::span<const std::uint8_t> payload, bool keepStamps) {
    std::vector<std::uint8_t> stamps;
    const bool pts = keepStamps && original.hasPts;
    const bool dts = pts && original.hasDts;
    stamps.resize((pts ? 5 : 0) + (dts ? 5 : 0));
    if (pts)
        WriteStamp(stamps.data(), original.mpeg2 ? (dts ? 3 : 2) : (dts ? 3 : 2), original.pts);
    if (dts)
        WriteStamp(stamps.data() + 5, 1, original.dts);
    std::vector<std::uint8_t> header;
    if (original.mpeg2) {
        header = {0x80, static_cast<std::uint8_t>(pts ? (dts ? 0xC0 : 0x80) : 0x00),
                  static_cast<std::uint8_t>(stamps.size())};
        header.insert(header.end(), stamps.begin(), stamps.end());
    } else if (pts) {
        header = stamps;
    } else {
        header = {0x0F};
    }
    const std::size_t length = header.size() + payload.size();
    out.insert(out.end(), {0, 0, 1, original.streamId, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), payload.begin(), payload.end());
}

bool IsTrimmedAudio(const StreamRoles& roles, std::uint8_t id) {
    return std::find(roles.audio.begin(), roles.audio.end(), id) != roles.audio.end();
}

// Rewrites the packs from the point's on so that the main video starts at `point` and each
// MPEG audio stream at its first whole frame presented from then on. Stops before `limit`;
// returns where it stopped.
using AudioStarted = std::map<std::uint8_t, bool>;

std::uint64_t RewriteStart(SourceWindow& window, const StreamRoles& roles, const SyncPoint& point,
                           std::uint64_t origin, std::uint64_t limit, std::vector<std::uint8_t>& out,
                           AudioStarted& started) {
    for (const std::uint8_t id : roles.audio)
        started[id] = false;
    Pack pack;
    std::uint64_t at = point.packOffset;
    for (std::size_t count = 0; count < kRewrittenPacks && at < limit && ReadPack(window, at, pack);
         ++count) {
        at = pack.end;
        auto header = window.At(pack.offset, static_cast<std::size_t>(pack.headerEnd - pack.offset));
        out.insert(out.end(), header.begin(), header.end());
        const std::uint64_t packetsBegin = pack.packets.empty() ? pack.end : pack.packets.front().offset;
        if (count == 0 && !pack.hasSystemHeader)
            out.insert(out.end(), roles.systemHeader.begin(), roles.systemHeader.end());
        const auto systemHeader =
            window.At(pack.headerEnd, static_cast<std::size_t>(packetsBegin - pack.headerEnd));
        out.insert(out.end(), systemHeader.begin(), systemHeader.end());
        for (const PesRef& pes : pack.packets) {
            const std::uint8_t id = pes.header.streamId;
            const auto payload =
                window.At(pes.PayloadBegin(), static_cast<std::size_t>(pes.end - pes.PayloadBegin()));
            if (pes.parsed && roles.video && id == roles.main && pes.PayloadBegin() < point.position) {
                if (pes.end > point.position)
                    WritePes(out, pes.header,
                             payload.subspan(static_cast<std::size_t>(point.position - pes.PayloadBegin())),
                             point.stampIsItsOwn);
            } else if (pes.parsed && IsTrimmedAudio(roles, id) && !started[id]) {
                // Sound multiplexed ahead of the picture is left out: the clip starts with both.
                if (roles.video && (!pes.header.hasPts || TicksSince(pes.header.pts, origin) < point.time))
                    continue;
                const std::size_t frame = FindMpegAudioFrame(payload);
                if (frame < payload.size()) {
                    WritePes(out, pes.header, payload.subspan(frame), true);
                    started[id] = true;
                }
            } else {
                const auto raw = window.At(pes.offset, static_cast<std::size_t>(pes.end - pes.offset));
                out.insert(out.end(), raw.begin(), raw.end());
            }
        }
        if (std::all_of(started.begin(), started.end(), [](const auto& entry) { return entry.second; }))
            break;
    }
    return at;
}

// Rewrites the packs from the end cut on so that the main stream ends before the access unit
// at the cut and each MPEG audio stream with the frame before the first one presented after
// `target`.
// Audio streams the start's rewrite did not reach start here the same way.
void RewriteEnd(SourceWindow& window, const StreamRoles& roles, const EndCut& cut, std::uint64_t origin,
                std::int64_t startTime, std::int64_t target, AudioStarted& started,
                std::vector<std::uint8_t>& out) {
    std::map<std::uint8_t, bool> stopped;
    for (const std::uint8_t id : roles.audio)
        stopped[id] = false;
    if (!roles.video)
        stopped[roles.main] = false;
    Pack pack;
    std::uint64_t at = cut.packOffset;
    for (std::size_t count = 0; count < kRewrittenPacks && ReadPack(window, at, pack); ++count) {
        at = pack.end;
        std::vector<std::uint8_t> packets;
        for (const PesRef& pes : pack.packets) {
            const std::uint8_t id = pes.header.streamId;
            const auto payload =
                window.At(pes.PayloadBegin(), static_cast<std::size_t>(pes.end - pes.PayloadBegin()));
            if (pes.parsed && stopped.contains(id)) {
                if (stopped[id])
                    continue;
                const std::int64_t pts = TicksSince(pes.header.pts, origin);
                if (started.contains(id) && !started[id]) {
                    if (!pes.header.hasPts || (roles.video && pts < startTime))
                        continue;
                    const std::size_t frame = FindMpegAudioFrame(payload);
                    if (pts > target)
                        stopped[id] = true;
                    else if (frame < payload.size()) {
                        WritePes(packets, pes.header, payload.subspan(frame), true);
                        started[id] = true;
                    }
                    continue;
                }
                if (pes.header.hasPts && pts > target) {
                    const std::size_t frame = FindMpegAudioFrame(payload);
                    if (frame > 0)
                        WritePes(packets, pes.header, payload.first(std::min(frame, payload.size())), false);
                    stopped[id] = true;
                    continue;
                }
            } else if (pes.parsed && id == roles.main && pes.end > cut.position) {
                if (pes.PayloadBegin() < cut.position)
                    WritePes(packets, pes.header,
                             payload.first(static_cast<std::size_t>(cut.position - pes.PayloadBegin())),
                             false);
                continue;
            } else if (pes.end > cut.position) {
                continue; // padding and other streams after the cut are of no use
            }
            const auto raw = window.At(pes.offset, static_cast<std::size_t>(pes.end - pes.offset));
            packets.insert(packets.end(), raw.begin(), raw.end());
        }
        if (!packets.empty()) {
            const auto header =
                window.At(pack.offset, static_cast<std::size_t>(pack.headerEnd - pack.offset));
            out.insert(out.end(), header.begin(), header.end());
            out.insert(out.end(), packets.begin(), packets.end());
        }
        if (std::all_of(stopped.begin(), stopped.end(), [](const auto& entry) { return entry.second; }))
            break;
    }
}

} // namespace

PlanResult PlanMpegProgramStream(ByteSource& source, Marks marks) {
    // The signature first, so that other formats cost the dispatcher four bytes.
    std::array<std::uint8_t, 4> signature{};
    if (!ReadExact(source, 0, signature) || signature != std::array<std::uint8_t, 4>{0, 0, 1, 0xBA})
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an MPEG program stream");
    SourceWindow window(source, kReadLimit);
    Pack first;
    if (!ReadPack(window, 0, first))
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an MPEG program stream");
    const auto roles = FindStreams(window, 0);
    if (!roles)
        return PlanResult::Fail(PlanStatus::Damaged, "the program stream holds no audio or video");
    const auto timeline = ReadTimeline(window);
    if (!timeline)
        return PlanResult::Fail(PlanStatus::Damaged, "the program stream carries no time stamps");
    const std::int64_t start = SecondsToTicks(marks.start);
    const std::int64_t end = SecondsToTicks(marks.end);
    if (!(marks.start >= 0) || !(marks.end > marks.start) || start >= timeline->last)
        return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies outside the media");
    const auto point = FindStart(window, *roles, timeline->origin, start);
    if (!point)
        return PlanResult::Fail(window.LimitReached() ? PlanStatus::Unsupported : PlanStatus::Damaged,
                                "no picture to start from lies near the start point");
    // A pack cut off by the end of the file is left out.
    std::optional<EndCut> cut = EndCut{timeline->end, timeline->end};
    if (end < timeline->last)
        cut = FindEnd(window, *roles, timeline->origin, end);
    if (!cut)
        return PlanResult::Fail(PlanStatus::Damaged, "the time stamps near the end point are out of order");
    if (cut->packOffset <= point->packOffset)
        return PlanResult::Fail(PlanStatus::BadMarks, "the start and end points lie too close together");

    PlanResult result;
    result.status = PlanStatus::Planned;
    ClipPlan& plan = result.plan;
    AudioStarted started;
    plan.rangeBegin =
        RewriteStart(window, *roles, *point, timeline->origin, cut->packOffset, plan.header, started);
    plan.rangeEnd = std::max(plan.rangeBegin, cut->packOffset);
    if (cut->position != cut->packOffset)
        RewriteEnd(window, *roles, *cut, timeline->origin, point->time, end, started, plan.trailer);
    const auto last = window.At(plan.rangeEnd, 4);
    const bool endsWithEndCode = last.size() == 4 && IsStartCode(last) && last[3] == 0xB9;
    if (endsWithEndCode && plan.trailer.empty())
        plan.rangeEnd += 4;
    else
        plan.trailer.insert(plan.trailer.end(), {0, 0, 1, 0xB9});
    plan.start = TicksToSeconds(std::max<std::int64_t>(point->time, 0));
    plan.duration = std::max(0.0, std::min(marks.end, TicksToSeconds(timeline->last)) - plan.start);
    return result;
}

} // namespace klevotrim::clip
