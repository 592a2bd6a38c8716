#pragma once
// Chunks of RIFF files (AVI, WAVE): a four-character code, a 32-bit little-endian size, the
// data and one pad byte when the size is odd. Nothing here trusts a size: a header is only
// returned when it lies inside the limit given, and callers check the data against it.
#include <cstdint>
#include <optional>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

// "RIFF" as the little-endian integer the file holds.
constexpr std::uint32_t FourCC(const char (&text)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24);
}

struct RiffChunk {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    std::uint64_t offset = 0;   // of the chunk's header
    std::uint32_t listType = 0; // the form or list type of a RIFF or LIST chunk, else 0

    std::uint64_t DataBegin() const { return offset + 8; }
    std::uint64_t DataEnd() const { return offset + 8 + size; }
    // Where the next chunk starts; always at least 8 bytes on, so walks end.
    std::uint64_t Next() const { return DataEnd() + (size & 1); }
    bool IsList() const { return listType != 0; }
    // The contents of a RIFF or LIST chunk, after its type.
    std::uint64_t ListBegin() const { return offset + 12; }
};

// Reads the chunk header at `offset` when the header (and, for RIFF and LIST chunks, the list
// type) ends at or before `limit`. The data may run past `limit`: callers decide what that means.
std::optional<RiffChunk> ReadRiffChunk(ByteSource& source, std::uint64_t offset, std::uint64_t limit);

} // namespace klevotrim::clip
