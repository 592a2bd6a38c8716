#pragma once
// Reading and writing the integers of container headers, in either byte order.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace klevotrim::clip {

inline std::uint16_t ReadU16LE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t ReadU32LE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint64_t ReadU64LE(std::span<const std::uint8_t> b, std::size_t at) {
    return ReadU32LE(b, at) | (static_cast<std::uint64_t>(ReadU32LE(b, at + 4)) << 32);
}
inline std::uint16_t ReadU16BE(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}
inline std::uint32_t ReadU32BE(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16) |
           (static_cast<std::uint32_t>(b[at + 2]) << 8) | static_cast<std::uint32_t>(b[at + 3]);
}
inline std::uint64_t ReadU64BE(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint64_t>(ReadU32BE(b, at)) << 32) | ReadU32BE(b, at + 4);
}

// Appends integers to a header or trailer being built.
class ByteWriter {
  public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16LE(std::uint16_t v) { Little(v, 2); }
    void U32LE(std::uint32_t v) { Little(v, 4); }
    void U64LE(std::uint64_t v) { Little(v, 8); }
    void U16BE(std::uint16_t v) { Big(v, 2); }
    void U32BE(std::uint32_t v) { Big(v, 4); }
    void U64BE(std::uint64_t v) { Big(v, 8); }
    void Bytes(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    void Text(const char* fourCC) {
        for (int i = 0; i < 4; ++i)
            U8(static_cast<std::uint8_t>(fourCC[i]));
    }
    std::size_t Size() const { return out_.size(); }
    // Overwrites a 32-bit field written earlier (a size known only later).
    void PatchU32LE(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void PatchU32BE(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_[at + i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
    }

  private:
    void Little(std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void Big(std::uint64_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t>& out_;
};

} // namespace klevotrim::clip
