#include "cutting/clip/MpegTsPlanner.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>

#include "cutting/clip/MpegCommon.h"

// The clip is the source's PAT and PMT packets, then the packets from the one that starts
// the random-access picture at or before the start mark up to a packet boundary after the
// end mark where no elementary stream is cut in the middle of a PES packet.
namespace klevotrim::clip {
namespace {

using namespace mpeg;

constexpr std::size_t kTsPacket = 188;
constexpr std::uint64_t kReadLimit = 96ull << 20;
constexpr std::uint64_t kPacketsPerProbe = 8192;
constexpr std::size_t kRandomAccessBytes = 4096;

struct Layout {
    std::uint64_t stride = 0; // 188, 192 or 204
    std::uint64_t prefix = 0; // bytes before the sync byte (4 in 192-byte packets)
    std::uint64_t first = 0;  // offset of the first packet
    std::uint64_t end = 0;    // one past the last whole packet
};

struct Packet {
    std::uint64_t offset = 0;
    std::uint16_t pid = 0;
    bool unitStart = false;
    bool randomAccess = false;
    bool hasPcr = false;
    std::uint64_t pcr = 0;
    std::uint8_t continuity = 0;
    std::span<const std::uint8_t> payload;
    std::span<const std::uint8_t> raw; // the whole packet, prefix included
};

enum class Codec { MpegVideo, H264, Hevc, OtherVideo, Audio };

struct Stream {
    std::uint16_t pid = 0;
    Codec codec = Codec::Audio;
};

struct Program {
    std::vector<std::uint8_t> patPackets;
    std::vector<std::uint8_t> pmtPackets;
    std::uint16_t pmtPid = 0;
    std::uint16_t pcrPid = 0x1FFF;
    std::vector<Stream> streams;
    Stream main;
    bool IsElementary(std::uint16_t pid) const {
        return std::any_of(streams.begin(), streams.end(), [pid](const Stream& s) { return s.pid == pid; });
    }
};

bool ParsePacket(std::span<const std::uint8_t> raw, const Layout& layout, std::uint64_t offset,
                 Packet& packet) {
    const std::span<const std::uint8_t> b = raw.subspan(static_cast<std::size_t>(layout.prefix), kTsPacket);
    if (b[0] != 0x47)
        return false;
    packet = Packet{};
    packet.offset = offset;
    packet.raw = raw;
    packet.unitStart = (b[1] & 0x40) != 0;
    packet.pid = static_cast<std::uint16_t>(((b[1] & 0x1F) << 8) | b[2]);
    packet.continuity = b[3] & 0x0F;
    const int control = (b[3] >> 4) & 3;
    std::size_t payloadStart = 4;
    if (control & 2) {
        const std::size_t length = b[4];
        if (5 + length > kTsPacket)
            return true; // a broken adaptation field: no payload, nothing trusted
        if (length > 0) {
            packet.randomAccess = (b[5] & 0x40) != 0;
            if ((b[5] & 0x10) && length >= 7) {
                packet.hasPcr = true;
                packet.pcr = (static_cast<std::uint64_t>(b[6]) << 25) |
                             (static_cast<std::uint64_t>(b[7]) << 17) |
                             (static_cast<std::uint64_t>(b[8]) << 9) |
                             (static_cast<std::uint64_t>(b[9]) << 1) | (b[10] >> 7);
            }
        }
        payloadStart = 5 + length;
    }
    if (control & 1)
        packet.payload = b.subspan(payloadStart);
    return true;
}

class PacketReader {
  public:
    PacketReader(SourceWindow& window, Layout layout) : window_(window), layout_(layout) {}
    const Layout& layout() const { return layout_; }

    // The first packet at or after `offset`, finding the sync again if it was lost.
    bool NextFrom(std::uint64_t offset, Packet& packet) {
        std::uint64_t at = Align(offset);
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (at >= layout_.end)
                return false;
            const auto raw = window_.At(at, static_cast<std::size_t>(layout_.stride));
            if (raw.empty())
                return false;
            if (ParsePacket(raw, layout_, at, packet))
                return true;
            if (!Resync(at, at))
                return false;
        }
        return false;
    }
    std::uint64_t After(const Packet& packet) const { return packet.offset + layout_.stride; }

  private:
    std::uint64_t Align(std::uint64_t offset) const {
        if (offset <= layout_.first)
            return layout_.first;
        const std::uint64_t into = (offset - layout_.first) % layout_.stride;
        return into == 0 ? offset : offset + (layout_.stride - into);
    }
    // Looks for five sync bytes a packet apart within 64 KiB after `from`; the packets are
    // counted from there on.
    bool Resync(std::uint64_t from, std::uint64_t& found) {
        const std::uint64_t span = 64 * 1024 + 5 * layout_.stride;
        const std::uint64_t available = std::min<std::uint64_t>(span, window_.Size() - from);
        const auto bytes = window_.At(from, static_cast<std::size_t>(available));
        for (std::uint64_t at = 1; at + 5 * layout_.stride <= bytes.size(); ++at) {
            bool synced = true;
            for (std::uint64_t k = 0; k < 5 && synced; ++k)
                synced = bytes[static_cast<std::size_t>(at + layout_.prefix + k * layout_.stride)] == 0x47;
            if (synced) {
                found = from + at;
                layout_.first = found % layout_.stride;
                layout_.end =
                    layout_.first + (window_.Size() - layout_.first) / layout_.stride * layout_.stride;
                return true;
            }
        }
        return false;
    }

    SourceWindow& window_;
    Layout layout_;
};

std::optional<Layout> DetectLayout(SourceWindow& window) {
    struct Candidate {
        std::uint64_t stride, prefix;
    };
    static constexpr std::array<Candidate, 3> kCandidates{{{188, 0}, {192, 4}, {204, 0}}};
    constexpr std::uint64_t kPackets = 5;
    for (const Candidate& c : kCandidates) {
        const auto bytes = window.At(
            0, static_cast<std::size_t>(std::min<std::uint64_t>(window.Size(), c.stride * (kPackets + 1))));
        for (std::uint64_t first = 0; first < c.stride && first + c.stride * kPackets <= bytes.size();
             ++first) {
            bool synced = true;
            for (std::uint64_t k = 0; k < kPackets && synced; ++k)
                synced = bytes[static_cast<std::size_t>(first + c.prefix + k * c.stride)] == 0x47;
            if (synced)
                return Layout{c.stride, c.prefix, first,
                              first + (window.Size() - first) / c.stride * c.stride};
        }
    }
    return std::nullopt;
}

Codec CodecOf(std::uint8_t streamType) {
    switch (streamType) {
    case 0x01:
    case 0x02:
        return Codec::MpegVideo;
    case 0x1B:
        return Codec::H264;
    case 0x24:
        return Codec::Hevc;
    case 0x10:
    case 0x42:
    case 0xD1:
    case 0xEA:
        return Codec::OtherVideo;
    default:
        return Codec::Audio;
    }
}

// Gathers one PSI section (a PAT or a PMT) from the packets of its PID, keeping the packets.
struct SectionCollector {
    std::uint16_t pid = 0;
    std::vector<std::uint8_t> section;
    std::vector<std::uint8_t> packets;
    std::size_t wanted = 0;

    // True once the section is complete.
    bool Add(const Packet& packet) {
        if (packet.pid != pid || packet.payload.empty())
            return false;
        if (packet.unitStart) {
            const std::size_t pointer = packet.payload[0];
            section.clear();
            packets.clear();
            wanted = 0;
            if (1 + pointer >= packet.payload.size())
                return false;
            section.assign(packet.payload.begin() + 1 + static_cast<std::ptrdiff_t>(pointer),
                           packet.payload.end());
        } else if (packets.empty()) {
            return false;
        } else {
            section.insert(section.end(), packet.payload.begin(), packet.payload.end());
        }
        packets.insert(packets.end(), packet.raw.begin(), packet.raw.end());
        if (wanted == 0 && section.size() >= 3)
            wanted = 3 + (((section[1] & 0x0F) << 8) | section[2]);
        if (section.size() > 4096) {
            packets.clear();
            return false;
        }
        return wanted != 0 && section.size() >= wanted;
    }
};

// The section's length without its CRC, or 0 when it is too short to hold a table.
std::size_t TableEnd(const std::vector<std::uint8_t>& s, std::uint8_t tableId, std::size_t minimum) {
    if (s.size() < minimum || s[0] != tableId)
        return 0;
    const std::size_t length = ((s[1] & 0x0F) << 8) | s[2];
    return length + 3 >= minimum ? std::min(length + 3 - 4, s.size()) : 0;
}

bool ParsePat(const std::vector<std::uint8_t>& s, std::uint16_t& pmtPid) {
    const std::size_t end = TableEnd(s, 0x00, 12);
    if (end == 0)
        return false;
    for (std::size_t at = 8; at + 4 <= end && at + 4 <= s.size(); at += 4) {
        const int programNumber = (s[at] << 8) | s[at + 1];
        if (programNumber != 0) {
            pmtPid = static_cast<std::uint16_t>(((s[at + 2] & 0x1F) << 8) | s[at + 3]);
            return true;
        }
    }
    return false;
}

bool ParsePmt(const std::vector<std::uint8_t>& s, Program& program) {
    const std::size_t end = TableEnd(s, 0x02, 16);
    if (end == 0)
        return false;
    program.pcrPid = static_cast<std::uint16_t>(((s[8] & 0x1F) << 8) | s[9]);
    std::size_t at = 12 + (((s[10] & 0x0F) << 8) | s[11]);
    for (; at + 5 <= end; at += 5 + (((s[at + 3] & 0x0F) << 8) | s[at + 4])) {
        const Stream stream{static_cast<std::uint16_t>(((s[at + 1] & 0x1F) << 8) | s[at + 2]),
                            CodecOf(s[at])};
        program.streams.push_back(stream);
    }
    if (program.streams.empty())
        return false;
    const auto video = std::find_if(program.streams.begin(), program.streams.end(),
                                    [](const Stream& st) { return st.codec != Codec::Audio; });
    program.main = video != program.streams.end() ? *video : program.streams.front();
    return true;
}

std::optional<Program> ReadProgram(PacketReader& reader) {
    SectionCollector pat;
    SectionCollector pmt;
    Program program;
    bool havePat = false;
    Packet packet;
    std::uint64_t at = reader.layout().first;
    for (std::uint64_t n = 0; n < kPacketsPerProbe * 4 && reader.NextFrom(at, packet); ++n) {
        at = reader.After(packet);
        if (!havePat && pat.Add(packet)) {
            if (ParsePat(pat.section, program.pmtPid)) {
                havePat = true;
                program.patPackets = pat.packets;
                pmt.pid = program.pmtPid;
            }
        } else if (havePat && pmt.Add(packet)) {
            if (!ParsePmt(pmt.section, program))
                return std::nullopt;
            program.pmtPackets = pmt.packets;
            return program;
        }
    }
    return std::nullopt;
}

// Whether the first bytes of a PES payload start a picture a decoder can start from.
bool StartsRandomAccess(Codec codec, std::span<const std::uint8_t> b) {
    for (std::size_t at = 0; at + 4 <= b.size(); ++at) {
        if (b[at] != 0 || b[at + 1] != 0 || b[at + 2] != 1)
            continue;
        const std::uint8_t code = b[at + 3];
        switch (codec) {
        case Codec::MpegVideo:
            if (code == 0xB3 || code == 0xB8)
                return true;
            if (code == 0x00)
                return false; // a picture without a sequence or GOP header before it
            break;
        case Codec::H264: {
            const int type = code & 0x1F;
            if (type == 5)
                return true;
            if (type == 6 && at + 5 < b.size() && b[at + 4] == 6)
                return true; // recovery point SEI
            if (type == 1)
                return false;
            break;
        }
        case Codec::Hevc: {
            const int type = (code >> 1) & 0x3F;
            if (type >= 16 && type <= 23)
                return true;
            if (type < 16)
                return false;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

// A PES packet of the main stream, once it is known whether a decoder can start at it.
struct MainUnit {
    std::uint64_t offset = 0;
    bool hasTime = false;
    std::int64_t presentation = 0; // ticks since the origin
    std::int64_t decode = 0;
    bool randomAccess = false;
};

// Walks packets from an offset and reports the main stream's PES packets in order.
class MainWalker {
  public:
    MainWalker(PacketReader& reader, const Program& program, std::uint64_t origin, std::uint64_t from)
        : reader_(reader), program_(program), origin_(origin), at_(from) {}

    bool Next(MainUnit& unit) {
        Packet packet;
        for (;;) {
            if (pending_ && !reported_ && Decided())
                return Report(unit);
            if (!reader_.NextFrom(at_, packet))
                break;
            at_ = reader_.After(packet);
            if (packet.pid != program_.main.pid)
                continue;
            if (packet.unitStart) {
                if (pending_ && !reported_) {
                    at_ = packet.offset; // begins the next unit on the next call
                    return Report(unit);
                }
                Begin(packet);
            } else if (pending_ && !reported_) {
                collected_.insert(collected_.end(), packet.payload.begin(), packet.payload.end());
            }
        }
        if (pending_ && !reported_)
            return Report(unit);
        return false;
    }

  private:
    void Begin(const Packet& packet) {
        pending_ = MainUnit{};
        pending_->offset = packet.offset;
        pending_->randomAccess = packet.randomAccess;
        reported_ = false;
        collected_.clear();
        PesHeader header;
        if (ParsePesHeader(packet.payload, header)) {
            if (header.hasPts) {
                pending_->hasTime = true;
                pending_->presentation = TicksSince(header.pts, origin_);
                pending_->decode = TicksSince(header.DecodeStamp(), origin_);
            }
            collected_.assign(packet.payload.begin() + static_cast<std::ptrdiff_t>(header.payloadStart),
                              packet.payload.end());
        }
    }
    bool Report(MainUnit& unit) {
        reported_ = true;
        unit = *pending_;
        return true;
    }
    // Audio units and units the adaptation field marks need no look at the payload.
    bool Decided() {
        if (program_.main.codec == Codec::Audio) {
            pending_->randomAccess = pending_->hasTime;
            return true;
        }
        if (pending_->randomAccess)
            return true;
        if (StartsRandomAccess(program_.main.codec, collected_)) {
            pending_->randomAccess = true;
            return true;
        }
        return collected_.size() >= kRandomAccessBytes;
    }

    PacketReader& reader_;
    const Program& program_;
    std::uint64_t origin_;
    std::uint64_t at_;
    std::optional<MainUnit> pending_;
    bool reported_ = true;
    std::vector<std::uint8_t> collected_;
};

struct Clock {
    std::uint64_t offset = 0;
    std::int64_t ticks = 0;
};

// The first time stamp at or after `offset`: a PCR, or the decode time of a PES packet.
// Either lies within the multiplexer's delay (under a second) of the data around it.
std::optional<Clock> ClockFrom(PacketReader& reader, const Program& program, std::uint64_t origin,
                               std::uint64_t offset) {
    Packet packet;
    for (std::uint64_t n = 0; n < kPacketsPerProbe && reader.NextFrom(offset, packet); ++n) {
        offset = reader.After(packet);
        if (packet.hasPcr && packet.pid == program.pcrPid)
            return Clock{packet.offset, TicksSince(packet.pcr, origin)};
        PesHeader header;
        if (packet.unitStart && program.IsElementary(packet.pid) && ParsePesHeader(packet.payload, header) &&
            header.hasPts)
            return Clock{packet.offset, TicksSince(header.DecodeStamp(), origin)};
    }
    return std::nullopt;
}

// An offset whose clock is at or before `target`, close to the last such offset.
std::uint64_t Bisect(PacketReader& reader, const Program& program, std::uint64_t origin,
                     std::int64_t target) {
    std::uint64_t low = reader.layout().first;
    std::uint64_t high = reader.layout().end;
    while (high - low > 64 * 1024) {
        const std::uint64_t middle = low + (high - low) / 2;
        const auto clock = ClockFrom(reader, program, origin, middle);
        if (clock && clock->ticks <= target)
            low = middle;
        else
            high = middle;
    }
    return low;
}

struct Span {
    std::int64_t last = 0;
    std::uint64_t origin = 0;
};

// The presentation times of the first and last PES packets of the file.
std::optional<Span> MediaSpan(PacketReader& reader, const Program& program) {
    // `visit` sees each stamped PES header and says whether the scan may stop.
    const auto scan = [&](std::uint64_t from, auto&& visit) {
        Packet packet;
        for (std::uint64_t n = 0; n < kPacketsPerProbe && reader.NextFrom(from, packet); ++n) {
            from = reader.After(packet);
            PesHeader header;
            if (packet.unitStart && program.IsElementary(packet.pid) &&
                ParsePesHeader(packet.payload, header) && header.hasPts && visit(packet.pid, header))
                return;
        }
    };
    std::optional<std::uint64_t> firstSeen;
    std::int64_t earliest = 0;
    std::map<std::uint16_t, std::int64_t> latestDecode;
    scan(reader.layout().first, [&](std::uint16_t pid, const PesHeader& header) {
        if (!firstSeen)
            firstSeen = header.pts;
        earliest = std::min(earliest, TicksSince(header.pts, *firstSeen));
        latestDecode[pid] = TicksSince(header.DecodeStamp(), *firstSeen);
        // A stream's decode stamps rise and none of its packets is shown before it is decoded:
        // once every stream has been decoded past the earliest stamp, no later one is earlier.
        return latestDecode.size() == program.streams.size() &&
               std::all_of(latestDecode.begin(), latestDecode.end(),
                           [&](const auto& entry) { return entry.second >= earliest; });
    });
    if (!firstSeen)
        return std::nullopt;
    Span span;
    span.origin = (*firstSeen + static_cast<std::uint64_t>(earliest)) & kClockMask;
    const std::uint64_t tail = kPacketsPerProbe * reader.layout().stride;
    const std::uint64_t end = reader.layout().end;
    bool any = false;
    scan(end - std::min(end - reader.layout().first, tail), [&](std::uint16_t, const PesHeader& header) {
        const std::int64_t ticks = TicksSince(header.pts, span.origin);
        span.last = any ? std::max(span.last, ticks) : ticks;
        any = true;
        return false;
    });
    return span;
}

std::optional<MainUnit> FindStart(PacketReader& reader, const Program& program, std::uint64_t origin,
                                  std::int64_t target) {
    for (std::int64_t back = kFirstLookBack; back <= 64 * kTicksPerSecond; back *= 2) {
        const std::uint64_t from = Bisect(reader, program, origin, target - back);
        MainWalker walker(reader, program, origin, from);
        std::optional<MainUnit> best;
        MainUnit unit;
        while (walker.Next(unit) && !(unit.hasTime && unit.decode > target))
            if (unit.randomAccess && unit.hasTime && unit.presentation <= target)
                best = unit;
        if (best)
            return best;
        if (from <= reader.layout().first)
            return MainUnit{reader.layout().first, true, 0, 0, true};
    }
    return std::nullopt;
}

// The first main-stream PES packet that is decoded after `target`, or the end of the file.
std::optional<std::uint64_t> FindEndCut(PacketReader& reader, const Program& program, std::uint64_t origin,
                                        std::int64_t target) {
    for (std::int64_t back = kFirstLookBack; back <= 64 * kTicksPerSecond; back *= 2) {
        const std::uint64_t from = Bisect(reader, program, origin, target - back);
        MainWalker walker(reader, program, origin, from);
        MainUnit unit;
        bool sawEarlier = from <= reader.layout().first;
        while (walker.Next(unit)) {
            if (!unit.hasTime)
                continue;
            if (unit.decode <= target)
                sawEarlier = true;
            else if (sawEarlier)
                return unit.offset;
            else
                break;
        }
        if (sawEarlier)
            return reader.layout().end;
    }
    return std::nullopt;
}

// The first packet boundary at or after `cut` before which no elementary stream leaves a
// PES packet unfinished. Gives up on that after a bounded look ahead and keeps `cut`.
std::uint64_t CleanBoundary(PacketReader& reader, const Program& program, std::uint64_t cut) {
    std::uint64_t boundary = cut;
    std::set<std::uint16_t> seenSinceBoundary;
    std::map<std::uint16_t, std::uint64_t> lastPacket;
    Packet packet;
    std::uint64_t at = cut;
    for (std::uint64_t n = 0; n < kPacketsPerProbe; ++n) {
        if (!reader.NextFrom(at, packet))
            return boundary;
        at = reader.After(packet);
        if (!program.IsElementary(packet.pid) || packet.payload.empty())
            continue;
        if (!packet.unitStart && !seenSinceBoundary.contains(packet.pid)) {
            // This PID's PES packet runs across the boundary: move past it.
            boundary = at;
            seenSinceBoundary.clear();
        } else {
            seenSinceBoundary.insert(packet.pid);
        }
        lastPacket[packet.pid] = packet.offset;
        if (std::all_of(lastPacket.begin(), lastPacket.end(),
                        [&](const auto& entry) { return seenSinceBoundary.contains(entry.first); }))
            return boundary;
    }
    return cut;
}

// Renumbers the header's copies of the PAT or the PMT so that the copies in the range
// continue their continuity counter.
void ChainContinuity(PacketReader& reader, std::uint64_t begin, std::uint16_t pid,
                     std::vector<std::uint8_t>& copies) {
    const Layout& layout = reader.layout();
    Packet packet;
    std::uint64_t at = begin;
    for (std::uint64_t n = 0; n < kPacketsPerProbe && reader.NextFrom(at, packet); ++n) {
        at = reader.After(packet);
        if (packet.pid != pid || packet.payload.empty())
            continue;
        const std::size_t count = copies.size() / layout.stride;
        for (std::size_t k = 0; k < count; ++k) {
            std::uint8_t& field = copies[k * layout.stride + layout.prefix + 3];
            field =
                static_cast<std::uint8_t>((field & 0xF0) | ((packet.continuity + 16 - (count - k)) & 0x0F));
        }
        return;
    }
}

} // namespace

PlanResult PlanMpegTransportStream(ByteSource& source, Marks marks) {
    SourceWindow window(source, kReadLimit);
    const auto layout = DetectLayout(window);
    if (!layout)
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an MPEG transport stream");
    PacketReader reader(window, *layout);
    const auto program = ReadProgram(reader);
    if (!program)
        return PlanResult::Fail(PlanStatus::Damaged, "the transport stream has no readable program table");
    const auto span = MediaSpan(reader, *program);
    if (!span)
        return PlanResult::Fail(PlanStatus::Damaged, "the transport stream carries no time stamps");
    const std::int64_t start = SecondsToTicks(marks.start);
    const std::int64_t end = SecondsToTicks(marks.end);
    if (!(marks.start >= 0) || !(marks.end > marks.start) || start >= span->last)
        return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies outside the media");

    const auto first = FindStart(reader, *program, span->origin, start);
    if (!first)
        return PlanResult::Fail(window.LimitReached() ? PlanStatus::Unsupported : PlanStatus::Damaged,
                                "no picture to start from lies near the start point");
    std::uint64_t rangeEnd = reader.layout().end;
    if (end < span->last) {
        const auto cut = FindEndCut(reader, *program, span->origin, end);
        if (!cut)
            return PlanResult::Fail(PlanStatus::Damaged,
                                    "the time stamps near the end point are out of order");
        rangeEnd = CleanBoundary(reader, *program, *cut);
    }
    if (rangeEnd <= first->offset)
        return PlanResult::Fail(PlanStatus::Damaged, "the time stamps near the end point are out of order");

    PlanResult result;
    result.status = PlanStatus::Planned;
    ClipPlan& plan = result.plan;
    plan.rangeBegin = first->offset;
    plan.rangeEnd = rangeEnd;
    std::vector<std::uint8_t> pat = program->patPackets;
    std::vector<std::uint8_t> pmt = program->pmtPackets;
    ChainContinuity(reader, plan.rangeBegin, 0, pat);
    ChainContinuity(reader, plan.rangeBegin, program->pmtPid, pmt);
    if (layout->prefix != 0) {
        // The copies take the arrival time of the first packet they precede.
        const auto prefix = window.At(plan.rangeBegin, static_cast<std::size_t>(layout->prefix));
        for (auto* copies : {&pat, &pmt})
            for (std::size_t at = 0; !prefix.empty() && at + layout->stride <= copies->size();
                 at += layout->stride)
                std::copy(prefix.begin(), prefix.end(), copies->begin() + static_cast<std::ptrdiff_t>(at));
    }
    plan.header = std::move(pat);
    plan.header.insert(plan.header.end(), pmt.begin(), pmt.end());
    plan.start = TicksToSeconds(std::max<std::int64_t>(first->presentation, 0));
    plan.duration = std::max(0.0, std::min(marks.end, TicksToSeconds(span->last)) - plan.start);
    return result;
}

} // namespace klevotrim::clip
