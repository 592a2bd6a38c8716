#pragma once
// EBML, the binary element format of Matroska and WebM: element headers (a variable-length
// ID and a variable-length size), the integer and float payloads, and writing them back.
// Every read is bounded by a limit the caller knows from the enclosing element or the file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip::ebml {

// A size field with every value bit set: the element runs until something that cannot be
// its child (live recordings write Segments and Clusters this way).
inline constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

struct Element {
    std::uint32_t id = 0;         // with its length marker, as the format documents it
    std::uint64_t offset = 0;     // first byte of the ID
    std::uint64_t dataOffset = 0; // first byte of the payload
    std::uint64_t size = 0;       // payload bytes, or kUnknownSize
    bool UnknownSize() const { return size == kUnknownSize; }
    std::uint64_t HeaderSize() const { return dataOffset - offset; }
    // One past the payload; only for a known size.
    std::uint64_t End() const { return dataOffset + size; }
};

// The element header at `offset` of `bytes` (offsets in the result are relative to `bytes`).
// Nothing when the header is malformed, or when a known size runs past the end of `bytes`.
std::optional<Element> ReadHeader(std::span<const std::uint8_t> bytes, std::size_t offset);

// The element header at `offset` of the source, which must end (for a known size, with its
// payload) at or before `limit`.
std::optional<Element> ReadHeader(ByteSource& source, std::uint64_t offset, std::uint64_t limit);

// A block's leading fields: its track number (a size-like vint) and signed timestamp relative
// to its cluster; `flags` is the byte after them. Nothing when `bytes` is too short.
struct BlockHeader {
    std::uint64_t track = 0;
    std::int16_t relativeTimestamp = 0;
    std::uint8_t flags = 0;
};
std::optional<BlockHeader> ReadBlockHeader(std::span<const std::uint8_t> bytes);

// Payload values; nothing when the length is not one the format allows.
std::optional<std::uint64_t> ReadUnsigned(std::span<const std::uint8_t> payload);
std::optional<double> ReadFloat(std::span<const std::uint8_t> payload);

// Writers append to a buffer. Sizes are written in the fewest bytes unless a width is given.
void WriteId(std::vector<std::uint8_t>& out, std::uint32_t id);
void WriteSize(std::vector<std::uint8_t>& out, std::uint64_t size, int width = 0);
void WriteUnsigned(std::vector<std::uint8_t>& out, std::uint32_t id, std::uint64_t value, int width = 0);
void WriteFloat(std::vector<std::uint8_t>& out, std::uint32_t id, double value);
void WriteMaster(std::vector<std::uint8_t>& out, std::uint32_t id, std::span<const std::uint8_t> body);

} // namespace klevotrim::clip::ebml
