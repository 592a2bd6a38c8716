// MPEG audio (layers I, II and III of MPEG-1, MPEG-2 and MPEG-2.5): the clip is the source's
// ID3v2 tag, a new Xing header frame when the source had a Xing, Info or VBRI header (so that a
// variable-bitrate clip reports its own length), then whole frames from the one holding the
// start mark to the one holding the end mark.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {
namespace {

// Versions as coded: 0 = MPEG-2.5, 2 = MPEG-2, 3 = MPEG-1. Layers as coded: 1 = III, 2 = II, 3 = I.
constexpr std::array<std::array<std::uint16_t, 16>, 6> kBitrates{{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // MPEG-1 layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // MPEG-1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // MPEG-1 layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // MPEG-2 layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},         // MPEG-2 layers II, III
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
}};
constexpr std::array<std::uint32_t, 3> kMpeg1Rates{44100, 48000, 32000};

struct MpegHeader {
    int version = 0; // as coded
    int layer = 0;   // as coded
    bool mono = false;
    bool crc = false;
    std::uint32_t bitrateKbps = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t samples = 0;
    std::uint32_t size = 0;
};

std::uint32_t FrameBytes(int version, int layer, std::uint32_t bitrateKbps, std::uint32_t sampleRate,
                         bool padding) {
    if (layer == 3)
        return (12 * bitrateKbps * 1000 / sampleRate + (padding ? 1 : 0)) * 4;
    const std::uint32_t perKbps = (layer == 1 && version != 3) ? 72 : 144;
    return perKbps * bitrateKbps * 1000 / sampleRate + (padding ? 1 : 0);
}

const std::array<std::uint16_t, 16>& BitrateTable(int version, int layer) {
    if (version == 3)
        return kBitrates[static_cast<std::size_t>(3 - layer)];
    return layer == 3 ? kBitrates[3] : kBitrates[4];
}

bool ParseMpeg(std::span<const std::uint8_t> b, MpegHeader& h) {
    if (b.size() < 4 || b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return false;
    h.version = (b[1] >> 3) & 3;
    h.layer = (b[1] >> 1) & 3;
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (h.version == 1 || h.layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        (b[3] & 3) == 2)
        return false; // reserved values; free-format streams are not cut
    h.crc = (b[1] & 1) == 0;
    h.mono = (b[3] >> 6) == 3;
    h.bitrateKbps = BitrateTable(h.version, h.layer)[static_cast<std::size_t>(bitrateIndex)];
    h.sampleRate = kMpeg1Rates[static_cast<std::size_t>(rateIndex)] >> (h.version == 3   ? 0
                                                                        : h.version == 2 ? 1
                                                                                         : 2);
    h.samples = h.layer == 3 ? 384 : (h.layer == 1 && h.version != 3) ? 576 : 1152;
    h.size = FrameBytes(h.version, h.layer, h.bitrateKbps, h.sampleRate, (b[2] >> 1) & 1);
    return true;
}

// Where a layer III frame's side information ends, that is where a Xing header would start.
std::size_t SideInfoEnd(const MpegHeader& h) {
    if (h.version == 3)
        return 4 + (h.mono ? 17 : 32);
    return 4 + (h.mono ? 9 : 17);
}

// What the first frame says about the stream, when it is a Xing, Info or VBRI header frame.
struct SeekHeader {
    bool present = false;
    bool constantBitrate = false; // an Info header: the encoder wrote a constant bitrate
    std::uint64_t frames = 0;     // audio frames after the header frame, 0 when unknown
    std::uint64_t bytes = 0;      // bytes from the header frame's start, 0 when unknown
    FrameMap map;
    std::array<std::uint8_t, 4> frameHeader{};
};

constexpr std::uint32_t kXingFrames = 1, kXingBytes = 2, kXingToc = 4;

SeekHeader ReadSeekHeader(ByteSource& source, std::uint64_t at, std::uint64_t streamEnd) {
    SeekHeader seek;
    std::array<std::uint8_t, 4 + 32 + 2 + 120> frame{}; // up to the end of a Xing TOC
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(frame.size(), streamEnd - at));
    MpegHeader h;
    if (!ReadExact(source, at, std::span(frame).first(length)) || !ParseMpeg(frame, h) || h.layer != 1)
        return seek;
    const std::span<const std::uint8_t> bytes =
        std::span<const std::uint8_t>(frame).first(std::min<std::size_t>(length, h.size));
    std::copy_n(frame.begin(), 4, seek.frameHeader.begin());
    // Some encoders count the CRC in, most do not: look at both places.
    for (std::size_t tag : {SideInfoEnd(h), SideInfoEnd(h) + 2}) {
        if (tag + 8 > bytes.size())
            continue;
        const bool xing = std::memcmp(&bytes[tag], "Xing", 4) == 0;
        const bool info = std::memcmp(&bytes[tag], "Info", 4) == 0;
        if (!xing && !info)
            continue;
        seek.present = true;
        seek.constantBitrate = info;
        const std::uint32_t flags = ReadU32BE(bytes, tag + 4);
        std::size_t field = tag + 8;
        if ((flags & kXingFrames) && field + 4 <= bytes.size()) {
            seek.frames = ReadU32BE(bytes, field);
            field += 4;
        }
        if ((flags & kXingBytes) && field + 4 <= bytes.size()) {
            seek.bytes = ReadU32BE(bytes, field);
            field += 4;
        }
        if ((flags & kXingToc) && field + 100 <= bytes.size() && seek.frames > 0 && seek.bytes > 0) {
            for (std::size_t i = 0; i < 100; ++i)
                seek.map.Add(static_cast<double>(seek.frames) * static_cast<double>(i) / 100.0,
                             static_cast<double>(at) + static_cast<double>(bytes[field + i]) *
                                                           static_cast<double>(seek.bytes) / 256.0);
            seek.map.Add(static_cast<double>(seek.frames), static_cast<double>(at + seek.bytes));
        }
        return seek;
    }
    // VBRI sits right after 32 bytes of side information, whatever the channels.
    if (bytes.size() >= 36 + 26 && std::memcmp(&bytes[36], "VBRI", 4) == 0) {
        seek.present = true;
        seek.bytes = ReadU32BE(bytes, 36 + 10);
        seek.frames = ReadU32BE(bytes, 36 + 14);
        const std::uint16_t entries = ReadU16BE(bytes, 36 + 18);
        const std::uint16_t scale = ReadU16BE(bytes, 36 + 20);
        const std::uint16_t entryBytes = ReadU16BE(bytes, 36 + 22);
        const std::uint16_t framesPerEntry = ReadU16BE(bytes, 36 + 24);
        if (entries == 0 || entryBytes == 0 || entryBytes > 4 || framesPerEntry == 0)
            return seek;
        std::vector<std::uint8_t> table(static_cast<std::size_t>(entries) * entryBytes);
        if (!ReadExact(source, at + 36 + 26, table))
            return seek;
        // Each entry is the byte length of the next `framesPerEntry` frames, counted from
        // the frame after the header frame.
        double offset = static_cast<double>(at + h.size);
        seek.map.Add(0, offset);
        for (std::size_t i = 0; i < entries; ++i) {
            std::uint32_t value = 0;
            for (std::size_t k = 0; k < entryBytes; ++k)
                value = value << 8 | table[i * entryBytes + k];
            offset += static_cast<double>(value) * scale;
            seek.map.Add(static_cast<double>((i + 1) * framesPerEntry), offset);
        }
    }
    return seek;
}

// A Xing header frame for the clip: the source's header frame's header (a bigger bitrate when
// the table does not fit), no side information, the counts and the table, nothing else.
std::vector<std::uint8_t> MakeXingFrame(std::array<std::uint8_t, 4> sourceHeader, bool constantBitrate,
                                        std::uint64_t frames, std::uint64_t rangeBytes,
                                        const std::array<std::uint64_t, 100>& offsets) {
    MpegHeader h;
    sourceHeader[1] |= 1;    // no CRC
    sourceHeader[2] &= 0xFD; // no padding
    ParseMpeg(sourceHeader, h);
    const std::size_t tag = SideInfoEnd(h);
    const std::size_t needed = tag + 4 + 4 + 4 + 4 + 100;
    int bitrateIndex = sourceHeader[2] >> 4;
    while (FrameBytes(h.version, h.layer,
                      BitrateTable(h.version, h.layer)[static_cast<std::size_t>(bitrateIndex)], h.sampleRate,
                      false) < needed &&
           bitrateIndex < 14)
        ++bitrateIndex;
    sourceHeader[2] = static_cast<std::uint8_t>((sourceHeader[2] & 0x0F) | (bitrateIndex << 4));
    ParseMpeg(sourceHeader, h);

    if (h.size < needed)
        return {};
    std::vector<std::uint8_t> frame(h.size, 0);
    std::copy(sourceHeader.begin(), sourceHeader.end(), frame.begin());
    std::vector<std::uint8_t> fields;
    ByteWriter out(fields);
    out.Text(constantBitrate ? "Info" : "Xing");
    out.U32BE(kXingFrames | kXingBytes | kXingToc);
    const std::uint64_t totalBytes = h.size + rangeBytes;
    out.U32BE(static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, 0xFFFFFFFF)));
    out.U32BE(static_cast<std::uint32_t>(std::min<std::uint64_t>(totalBytes, 0xFFFFFFFF)));
    std::uint8_t previous = 0;
    for (std::uint64_t offset : offsets) {
        // Offsets count from the header frame's start, in 256ths of all the bytes.
        const std::uint64_t scaled = std::min<std::uint64_t>(255, (h.size + offset) * 256 / totalBytes);
        previous = std::max(previous, static_cast<std::uint8_t>(scaled));
        out.U8(previous);
    }
    std::copy(fields.begin(), fields.end(), frame.begin() + static_cast<std::ptrdiff_t>(tag));
    return frame;
}

// True when the frames from `at` on share one bitrate (`header` is the first one's).
bool SameBitrateFrom(FrameStream& stream, ByteSource& source, std::uint64_t at, MpegHeader& header) {
    constexpr int kFramesCompared = 4;
    for (int i = 0; i < kFramesCompared; ++i) {
        std::array<std::uint8_t, 4> bytes{};
        MpegHeader h;
        if (!stream.FrameAt(at) || !ReadExact(source, at, bytes) || !ParseMpeg(bytes, h))
            return i > 0; // the stream ends
        if (i == 0)
            header = h;
        else if (h.bitrateKbps != header.bitrateKbps)
            return false;
        at += h.size;
    }
    return true;
}

// True when the stream has one bitrate: its first frames, and unless an Info header says so,
// a few frames a third and two thirds of the way in (a stream without a header frame may be
// of variable bitrate all the same).
bool ConstantBitrate(FrameStream& stream, ByteSource& source, std::uint64_t begin, bool declared,
                     MpegHeader& header) {
    if (!SameBitrateFrom(stream, source, begin, header))
        return false;
    constexpr std::uint64_t kSyncWindow = 8192;
    for (std::uint64_t third = 1; third <= 2 && !declared; ++third) {
        const std::optional<std::uint64_t> at =
            stream.Sync(begin + (stream.End() - begin) / 3 * third, kSyncWindow);
        MpegHeader there;
        if (at && (!SameBitrateFrom(stream, source, *at, there) || there.bitrateKbps != header.bitrateKbps))
            return false;
    }
    return true;
}

} // namespace

bool ParseMpegFrame(std::span<const std::uint8_t> bytes, FrameHeader& frame) {
    MpegHeader h;
    if (!ParseMpeg(bytes, h))
        return false;
    frame.size = h.size;
    frame.samples = h.samples;
    frame.sampleRate = h.sampleRate;
    // Version, layer and sample rate stay the same through a stream.
    frame.streamKey = static_cast<std::uint32_t>(bytes[1] & 0xFE) << 8 | (bytes[2] & 0x0C);
    return true;
}

PlanResult PlanMpegAudio(ByteSource& source, Marks marks) {
    const std::optional<std::uint64_t> tagLength = Id3v2Length(source, 0);
    if (!tagLength)
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an MPEG audio file");
    const std::uint64_t streamEnd = AudioEnd(source, *tagLength);
    FrameStream stream(source, *tagLength, streamEnd, 4, ParseMpegFrame);
    if (!stream.StartAfterTag())
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an MPEG audio file");

    const FrameHeader& format = stream.First();
    const SeekHeader seek = ReadSeekHeader(source, stream.FirstAt(), streamEnd);
    const std::uint64_t audioStart = seek.present ? stream.FirstAt() + format.size : stream.FirstAt();

    // The media's length in frames and a map to land near a frame.
    FrameMap map = seek.map;
    std::uint64_t totalFrames = seek.frames;
    std::uint64_t walkLimit = kExactWalkFrames;
    MpegHeader audio;
    if ((!seek.present || seek.constantBitrate) &&
        ConstantBitrate(stream, source, audioStart, seek.constantBitrate, audio)) {
        // Frame n starts at n times the mean frame size (padding spreads the fraction): the
        // landing is exact, and checked by a sync.
        const double meanSize =
            static_cast<double>(audio.samples) / 8.0 * audio.bitrateKbps * 1000.0 / audio.sampleRate;
        // (A byte of slack: the padding may run a fraction ahead.)
        const double frames = std::floor((static_cast<double>(streamEnd - audioStart) + 1) / meanSize);
        if (totalFrames == 0)
            totalFrames = static_cast<std::uint64_t>(frames);
        map = FrameMap();
        map.Add(0, static_cast<double>(audioStart));
        map.Add(frames, static_cast<double>(audioStart) + frames * meanSize);
        constexpr std::uint64_t kConstantBitrateWalk = 16;
        walkLimit = kConstantBitrateWalk;
    }
    if (totalFrames == 0)
        totalFrames = CountFrames(stream, audioStart, map);
    if (totalFrames == 0)
        return PlanResult::Fail(PlanStatus::Damaged, "the MPEG audio file holds no audio frame");

    const double framesPerSecond = static_cast<double>(format.sampleRate) / format.samples;
    std::string reason;
    const std::optional<UnitRange> wanted = UnitsForMarks(marks, framesPerSecond, totalFrames, reason);
    if (!wanted)
        return PlanResult::Fail(PlanStatus::BadMarks, reason);
    const std::optional<FrameSpan> span = LocateFrames(stream, audioStart, map, *wanted, walkLimit);
    if (!span)
        return PlanResult::Fail(PlanStatus::Damaged, "the MPEG audio frames near a mark are damaged");
    if (span->endFrame <= span->firstFrame)
        return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies after the end of the audio");

    PlanResult result;
    result.status = PlanStatus::Planned;
    ClipPlan& plan = result.plan;
    plan.rangeBegin = span->firstOffset;
    plan.rangeEnd = span->endOffset;
    plan.start = static_cast<double>(span->firstFrame) / framesPerSecond;
    plan.duration = static_cast<double>(span->endFrame - span->firstFrame) / framesPerSecond;

    plan.header = LeadingTag(source, *tagLength);
    if (seek.present) {
        const std::uint64_t clipFrames = span->endFrame - span->firstFrame;
        std::array<std::uint64_t, 100> offsets{};
        for (std::size_t i = 0; i < 100; ++i) {
            const double sourceOffset =
                span->hundredths.empty()
                    ? map.OffsetOf(static_cast<double>(span->firstFrame) +
                                   static_cast<double>(clipFrames) * static_cast<double>(i) / 100.0)
                    : static_cast<double>(span->hundredths[i]);
            offsets[i] =
                static_cast<std::uint64_t>(std::clamp(sourceOffset, static_cast<double>(plan.rangeBegin),
                                                      static_cast<double>(plan.rangeEnd)) -
                                           static_cast<double>(plan.rangeBegin));
        }
        const std::vector<std::uint8_t> xing =
            MakeXingFrame(seek.frameHeader, seek.constantBitrate, clipFrames, plan.RangeLength(), offsets);
        plan.header.insert(plan.header.end(), xing.begin(), xing.end());
    }
    return result;
}

} // namespace klevotrim::clip
