#include "cutting/clip/Mp4Boxes.h"

#include "cutting/clip/Bytes.h"

namespace klevotrim::clip::mp4 {

std::string TypeName(std::uint32_t type) {
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((type >> shift) & 0xFF);
        name += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return name;
}

bool BoxReader::Next(Box& box) {
    if (rest_.empty() || damaged_)
        return false;
    if (rest_.size() < 8) {
        damaged_ = true;
        return false;
    }
    std::uint64_t size = ReadU32BE(rest_, 0);
    std::size_t header = 8;
    if (size == 1) {
        if (rest_.size() < 16) {
            damaged_ = true;
            return false;
        }
        size = ReadU64BE(rest_, 8);
        header = 16;
    } else if (size == 0) {
        size = rest_.size(); // the box runs to the end of its parent
    }
    if (size < header || size > rest_.size()) {
        damaged_ = true;
        return false;
    }
    box.type = ReadU32BE(rest_, 4);
    box.whole = rest_.first(static_cast<std::size_t>(size));
    box.payload = box.whole.subspan(header);
    rest_ = rest_.subspan(static_cast<std::size_t>(size));
    return true;
}

std::optional<Box> FindChild(std::span<const std::uint8_t> payload, std::uint32_t type) {
    BoxReader reader(payload);
    Box box;
    while (reader.Next(box))
        if (box.type == type)
            return box;
    return std::nullopt;
}

} // namespace klevotrim::clip::mp4
