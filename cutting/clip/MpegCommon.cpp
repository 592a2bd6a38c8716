#include "cutting/clip/MpegCommon.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace klevotrim::clip::mpeg {

std::int64_t TicksSince(std::uint64_t stamp, std::uint64_t origin) {
    const std::uint64_t ahead = (stamp - origin) & kClockMask;
    // Past half the clock's range the stamp is taken to lie before the origin.
    return ahead > (kClockMask >> 1)
               ? static_cast<std::int64_t>(ahead) - static_cast<std::int64_t>(kClockMask + 1)
               : static_cast<std::int64_t>(ahead);
}

std::uint64_t ReadStamp(const std::uint8_t* b) {
    return (static_cast<std::uint64_t>((b[0] >> 1) & 0x07) << 30) | (static_cast<std::uint64_t>(b[1]) << 22) |
           (static_cast<std::uint64_t>(b[2] >> 1) << 15) | (static_cast<std::uint64_t>(b[3]) << 7) |
           static_cast<std::uint64_t>(b[4] >> 1);
}

void WriteStamp(std::uint8_t* b, std::uint8_t prefix, std::uint64_t stamp) {
    b[0] = static_cast<std::uint8_t>((prefix << 4) | (((stamp >> 30) & 0x07) << 1) | 1);
    b[1] = static_cast<std::uint8_t>(stamp >> 22);
    b[2] = static_cast<std::uint8_t>(((stamp >> 14) & 0xFE) | 1);
    b[3] = static_cast<std::uint8_t>(stamp >> 7);
    b[4] = static_cast<std::uint8_t>(((stamp << 1) & 0xFE) | 1);
}

std::int64_t SecondsToTicks(double seconds) {
    // Marks far beyond any media are clamped rather than overflowing.
    const double ticks = std::clamp(seconds * kTicksPerSecond, -1e15, 1e15);
    return static_cast<std::int64_t>(std::llround(ticks));
}

double TicksToSeconds(std::int64_t ticks) {
    return static_cast<double>(ticks) / kTicksPerSecond;
}

namespace {
bool HasOptionalHeader(std::uint8_t id) {
    // program_stream_map, padding, private_stream_2, ECM, EMM, directory, DSMCC, H.222.1 E
    return id != 0xBC && id != 0xBE && id != 0xBF && id != 0xF0 && id != 0xF1 && id != 0xFF && id != 0xF2 &&
           id != 0xF8;
}
} // namespace

bool ParsePesHeader(std::span<const std::uint8_t> b, PesHeader& header) {
    header = PesHeader{};
    if (b.size() < 6 || b[0] != 0 || b[1] != 0 || b[2] != 1 || b[3] < 0xBC)
        return false;
    header.streamId = b[3];
    const std::size_t length = (static_cast<std::size_t>(b[4]) << 8) | b[5];
    header.packetEnd = 6 + length;
    if (!HasOptionalHeader(header.streamId)) {
        header.payloadStart = 6;
        return true;
    }
    std::size_t at = 6;
    if (at < b.size() && (b[at] & 0xC0) == 0x80) {
        header.mpeg2 = true;
        if (b.size() < 9)
            return false;
        const std::uint8_t flags = b[7];
        const std::size_t headerLength = b[8];
        header.payloadStart = 9 + headerLength;
        if (b.size() < header.payloadStart)
            return false;
        const std::uint8_t ptsDts = flags >> 6;
        if (ptsDts == 1)
            return false;
        if (ptsDts >= 2) {
            if (headerLength < 5)
                return false;
            header.hasPts = true;
            header.pts = ReadStamp(&b[9]);
        }
        if (ptsDts == 3) {
            if (headerLength < 10)
                return false;
            header.hasDts = true;
            header.dts = ReadStamp(&b[14]);
        }
    } else {
        // MPEG-1: up to 16 stuffing bytes, an optional STD buffer size, then the stamps.
        for (int stuffing = 0; at < b.size() && b[at] == 0xFF; ++stuffing, ++at)
            if (stuffing == 16)
                return false;
        if (at < b.size() && (b[at] & 0xC0) == 0x40)
            at += 2;
        if (at >= b.size())
            return false;
        const std::uint8_t kind = b[at] >> 4;
        if (kind == 2 || kind == 3) {
            const std::size_t stampBytes = kind == 2 ? 5 : 10;
            if (b.size() < at + stampBytes)
                return false;
            header.hasPts = true;
            header.pts = ReadStamp(&b[at]);
            if (kind == 3) {
                header.hasDts = true;
                header.dts = ReadStamp(&b[at + 5]);
            }
            at += stampBytes;
        } else if (b[at] == 0x0F) {
            ++at;
        } else {
            return false;
        }
        header.payloadStart = at;
    }
    return length == 0 || header.payloadStart <= header.packetEnd;
}

std::size_t MpegAudioFrameLength(std::span<const std::uint8_t> b, std::size_t at) {
    if (at > b.size() || b.size() - at < 4 || b[at] != 0xFF || (b[at + 1] & 0xE0) != 0xE0)
        return 0;
    const int version = (b[at + 1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (b[at + 1] >> 1) & 3;   // 1: III, 2: II, 3: I
    const int bitrateIndex = b[at + 2] >> 4;
    const int rateIndex = (b[at + 2] >> 2) & 3;
    const int padding = (b[at + 2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static constexpr std::array<std::array<int, 14>, 5> kBitrates{{
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // 1, I
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // 1, II
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // 1, III
        {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // 2, I
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // 2, II and III
    }};
    static constexpr std::array<int, 3> kRates{44100, 48000, 32000};
    const bool version1 = version == 3;
    const int table = version1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const long bitrate = kBitrates[table][bitrateIndex - 1] * 1000L;
    const long rate = kRates[rateIndex] >> (version1 ? 0 : (version == 2 ? 1 : 2));
    if (layer == 3)
        return static_cast<std::size_t>((12 * bitrate / rate + padding) * 4);
    const long factor = (layer == 1 && !version1) ? 72 : 144;
    return static_cast<std::size_t>(factor * bitrate / rate + padding);
}

std::size_t FindMpegAudioFrame(std::span<const std::uint8_t> b) {
    for (std::size_t at = 0; at + 4 <= b.size(); ++at) {
        const std::size_t length = MpegAudioFrameLength(b, at);
        if (length == 0)
            continue;
        if (at + length + 4 > b.size() || MpegAudioFrameLength(b, at + length) != 0)
            return at;
    }
    return b.size();
}

SourceWindow::SourceWindow(ByteSource& source, std::uint64_t readLimit)
    : source_(source), size_(source.Size()), readLimit_(readLimit) {}

const SourceWindow::Block* SourceWindow::Load(std::uint64_t index) {
    if (lastBlock_ < blocks_.size() && blocks_[lastBlock_].index == index) {
        blocks_[lastBlock_].lastUse = ++useClock_;
        return &blocks_[lastBlock_];
    }
    for (std::size_t k = 0; k < blocks_.size(); ++k)
        if (blocks_[k].index == index) {
            lastBlock_ = k;
            blocks_[k].lastUse = ++useClock_;
            return &blocks_[k];
        }
    const std::uint64_t begin = index * kBlock;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size_ - begin));
    if (bytesRead_ + want > readLimit_) {
        limitReached_ = true;
        return nullptr;
    }
    if (blocks_.size() < kCachedBlocks) {
        lastBlock_ = blocks_.size();
        blocks_.emplace_back();
    } else {
        lastBlock_ = static_cast<std::size_t>(
            std::min_element(blocks_.begin(), blocks_.end(),
                             [](const Block& a, const Block& b) { return a.lastUse < b.lastUse; }) -
            blocks_.begin());
    }
    Block& block = blocks_[lastBlock_];
    block.index = index;
    block.lastUse = ++useClock_;
    block.bytes.resize(want);
    const std::size_t got = source_.ReadAt(begin, block.bytes);
    bytesRead_ += got;
    block.bytes.resize(std::min(got, want));
    return &block;
}

std::span<const std::uint8_t> SourceWindow::At(std::uint64_t offset, std::size_t count) {
    if (offset > size_ || count > size_ - offset || count == 0)
        return {};
    const std::uint64_t first = offset / kBlock;
    const std::uint64_t last = (offset + count - 1) / kBlock;
    if (first == last) {
        const Block* block = Load(first);
        const std::size_t into = static_cast<std::size_t>(offset - first * kBlock);
        if (block == nullptr || block->bytes.size() < into + count)
            return {};
        return std::span<const std::uint8_t>(block->bytes).subspan(into, count);
    }
    joined_.resize(count);
    for (std::uint64_t index = first, done = 0; index <= last; ++index) {
        const Block* block = Load(index);
        const std::size_t into = static_cast<std::size_t>(index == first ? offset - first * kBlock : 0);
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock - into, count - done));
        if (block == nullptr || block->bytes.size() < into + take)
            return {};
        std::copy_n(block->bytes.begin() + static_cast<std::ptrdiff_t>(into), take,
                    joined_.begin() + static_cast<std::ptrdiff_t>(done));
        done += take;
    }
    return joined_;
}

} // namespace klevotrim::clip::mpeg
