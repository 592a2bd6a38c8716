#pragma once
// What the MPEG program and transport stream planners share: the 33-bit 90 kHz clock, the
// packetised elementary stream (PES) header, and a bounded, buffered view of the source.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip::mpeg {

constexpr std::int64_t kTicksPerSecond = 90000;
constexpr std::uint64_t kClockMask = (std::uint64_t{1} << 33) - 1;

// Ticks from `origin` to `stamp` on the 33-bit clock, across at most one wrap either way
// (stamps up to about 13 hours after or before the origin).
std::int64_t TicksSince(std::uint64_t stamp, std::uint64_t origin);

// The 33-bit time stamp coded in five bytes with marker bits (PTS, DTS, MPEG-1 SCR).
std::uint64_t ReadStamp(const std::uint8_t* five);
void WriteStamp(std::uint8_t* five, std::uint8_t prefix, std::uint64_t stamp);

// How far before a mark the search for a cut first looks; it looks twice as far back each
// time that finds nothing. The stamps of a stream rise, so a search from closer by that finds
// its answer finds the one a search from further back would, having walked less.
constexpr std::int64_t kFirstLookBack = kTicksPerSecond / 8;

std::int64_t SecondsToTicks(double seconds);
double TicksToSeconds(std::int64_t ticks);

struct PesHeader {
    std::uint8_t streamId = 0;
    bool mpeg2 = false;
    bool hasPts = false;
    bool hasDts = false;
    std::uint64_t pts = 0;
    std::uint64_t dts = 0;
    std::size_t payloadStart = 0; // from the first byte of the start code
    std::size_t packetEnd = 0;    // 6 + PES_packet_length; 6 when the length is unbounded (0)

    // The decode time of the first access unit starting in the packet.
    std::uint64_t DecodeStamp() const { return hasDts ? dts : pts; }
};

// Parses the header of a PES packet at the start of `bytes` (00 00 01 id ...), in either
// the MPEG-1 or the MPEG-2 syntax. False when the header does not fit in `bytes` or is not
// a valid header. Stream ids without the optional header (padding, private 2) parse with
// payloadStart 6.
bool ParsePesHeader(std::span<const std::uint8_t> bytes, PesHeader& header);

inline bool IsVideoStreamId(std::uint8_t id) {
    return (id & 0xF0) == 0xE0;
}
inline bool IsMpegAudioStreamId(std::uint8_t id) {
    return (id & 0xE0) == 0xC0;
}

// The length of the MPEG audio frame whose header starts at `at`, or 0 when there is no
// valid header there.
std::size_t MpegAudioFrameLength(std::span<const std::uint8_t> bytes, std::size_t at);

// The offset of the first MPEG audio frame in `bytes` whose header is valid and, where the
// next header lies within `bytes`, followed by another valid header; bytes.size() if none.
std::size_t FindMpegAudioFrame(std::span<const std::uint8_t> bytes);

// Cached, bounded reading for the planners: the source is read in aligned blocks, the most
// recently used of which are kept, so that bisection probes cost a block each and stretches
// walked twice (once to find a cut, again to write it) are read once. The total read is
// capped so that a hostile or endless file cannot make planning read it all.
class SourceWindow {
  public:
    SourceWindow(ByteSource& source, std::uint64_t readLimit);
    std::uint64_t Size() const { return size_; }
    // `count` bytes at `offset`, valid until the next call; empty when they lie beyond the
    // end of the source, a read fails or the read limit is spent.
    std::span<const std::uint8_t> At(std::uint64_t offset, std::size_t count);
    bool LimitReached() const { return limitReached_; }
    std::uint64_t BytesRead() const { return bytesRead_; }

    static constexpr std::size_t kBlock = 16 * 1024;
    static constexpr std::size_t kCachedBlocks = 256;

  private:
    struct Block {
        std::uint64_t index = 0;
        std::uint64_t lastUse = 0;
        std::vector<std::uint8_t> bytes; // shorter than kBlock at the end or after a short read
    };
    const Block* Load(std::uint64_t index);

    ByteSource& source_;
    std::uint64_t size_;
    std::uint64_t readLimit_;
    std::uint64_t bytesRead_ = 0;
    bool limitReached_ = false;
    std::vector<Block> blocks_;
    std::size_t lastBlock_ = 0;
    std::uint64_t useClock_ = 0;
    std::vector<std::uint8_t> joined_; // a request that spans blocks
};

} // namespace klevotrim::clip::mpeg
