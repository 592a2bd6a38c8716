#pragma once
// The boxes of ISO base media files (MP4, MOV, M4A) held in memory: walking a run of boxes
// laid end to end without trusting any size they declare.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace klevotrim::clip::mp4 {

constexpr std::uint32_t FourCC(const char (&text)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

// The four characters of a box type, for messages ('?' for anything unprintable).
std::string TypeName(std::uint32_t type);

struct Box {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> whole;   // header and payload
    std::span<const std::uint8_t> payload; // after the size, type and any 64-bit size
};

// Walks the boxes laid end to end in `bytes`. Next() returns false at the end and on a box
// whose size does not fit what is left; Damaged() then tells which it was.
class BoxReader {
  public:
    explicit BoxReader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}
    bool Next(Box& box);
    bool Damaged() const { return damaged_; }

  private:
    std::span<const std::uint8_t> rest_;
    bool damaged_ = false;
};

// The first child of `payload` of the given type; nothing when it is absent or when a box
// before it is damaged.
std::optional<Box> FindChild(std::span<const std::uint8_t> payload, std::uint32_t type);

} // namespace klevotrim::clip::mp4
