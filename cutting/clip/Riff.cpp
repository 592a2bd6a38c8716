#include "cutting/clip/Riff.h"

#include <array>

#include "cutting/clip/Bytes.h"

namespace klevotrim::clip {

std::optional<RiffChunk> ReadRiffChunk(ByteSource& source, std::uint64_t offset, std::uint64_t limit) {
    std::array<std::uint8_t, 12> header{};
    if (offset > limit || limit - offset < 8 || !ReadExact(source, offset, std::span(header).first(8)))
        return std::nullopt;
    RiffChunk chunk;
    chunk.offset = offset;
    chunk.id = ReadU32LE(header, 0);
    chunk.size = ReadU32LE(header, 4);
    if (chunk.id == FourCC("RIFF") || chunk.id == FourCC("LIST")) {
        if (chunk.size < 4 || limit - offset < 12 ||
            !ReadExact(source, offset + 8, std::span(header).subspan(8)))
            return std::nullopt;
        chunk.listType = ReadU32LE(header, 8);
    }
    return chunk;
}

} // namespace klevotrim::clip
