#include "cutting/clip/Ebml.h"

#include <array>
#include <algorithm>
#include <bit>
#include <cstring>

namespace klevotrim::clip::ebml {
namespace {

// Length of a vint from its first byte (the position of the first set bit); 0 when invalid.
int VintLength(std::uint8_t first) {
    if (first == 0)
        return 0;
    return std::countl_zero(first) + 1;
}

struct Vint {
    std::uint64_t value = 0; // without the length marker
    int length = 0;
    bool allOnes = false;
};

std::optional<Vint> ReadVint(std::span<const std::uint8_t> bytes, std::size_t offset, int maxLength) {
    if (offset >= bytes.size())
        return std::nullopt;
    const int length = VintLength(bytes[offset]);
    if (length == 0 || length > maxLength || static_cast<std::size_t>(length) > bytes.size() - offset)
        return std::nullopt;
    Vint vint;
    vint.length = length;
    vint.value = bytes[offset] & ((0xFFu >> length));
    for (int i = 1; i < length; ++i)
        vint.value = (vint.value << 8) | bytes[offset + i];
    vint.allOnes = vint.value == (std::uint64_t{1} << (7 * length)) - 1;
    return vint;
}

// The header in `head`, which starts at `offset` of a stream whose payloads must end by `limit`.
std::optional<Element> ParseHeader(std::span<const std::uint8_t> head, std::uint64_t offset,
                                   std::uint64_t limit) {
    const auto id = ReadVint(head, 0, 4);
    if (!id)
        return std::nullopt;
    const auto size = ReadVint(head, id->length, 8);
    if (!size)
        return std::nullopt;
    Element element;
    for (int i = 0; i < id->length; ++i)
        element.id = (element.id << 8) | head[i];
    element.offset = offset;
    element.dataOffset = offset + id->length + size->length;
    element.size = size->allOnes ? kUnknownSize : size->value;
    if (!element.UnknownSize() && element.size > limit - element.dataOffset)
        return std::nullopt;
    return element;
}

} // namespace

std::optional<Element> ReadHeader(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset >= bytes.size())
        return std::nullopt;
    return ParseHeader(bytes.subspan(offset, std::min<std::size_t>(12, bytes.size() - offset)), offset,
                       bytes.size());
}

std::optional<Element> ReadHeader(ByteSource& source, std::uint64_t offset, std::uint64_t limit) {
    limit = std::min(limit, source.Size());
    if (offset >= limit)
        return std::nullopt;
    std::array<std::uint8_t, 12> buffer{};
    const auto available = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), limit - offset));
    if (!ReadExact(source, offset, std::span(buffer).first(available)))
        return std::nullopt;
    return ParseHeader(std::span<const std::uint8_t>(buffer.data(), available), offset, limit);
}

std::optional<BlockHeader> ReadBlockHeader(std::span<const std::uint8_t> bytes) {
    const auto track = ReadVint(bytes, 0, 8);
    if (!track || bytes.size() < static_cast<std::size_t>(track->length) + 3)
        return std::nullopt;
    BlockHeader header;
    header.track = track->value;
    header.relativeTimestamp = static_cast<std::int16_t>(
        static_cast<std::uint16_t>((bytes[track->length] << 8) | bytes[track->length + 1]));
    header.flags = bytes[track->length + 2];
    return header;
}

std::optional<std::uint64_t> ReadUnsigned(std::span<const std::uint8_t> payload) {
    if (payload.size() > 8)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const std::uint8_t byte : payload)
        value = (value << 8) | byte;
    return value;
}

std::optional<double> ReadFloat(std::span<const std::uint8_t> payload) {
    if (payload.size() == 4) {
        const auto bits = static_cast<std::uint32_t>(*ReadUnsigned(payload));
        return static_cast<double>(std::bit_cast<float>(bits));
    }
    if (payload.size() == 8)
        return std::bit_cast<double>(*ReadUnsigned(payload));
    if (payload.empty())
        return 0.0;
    return std::nullopt;
}

void WriteId(std::vector<std::uint8_t>& out, std::uint32_t id) {
    const int bytes = id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : id > 0xFF ? 2 : 1;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
}

void WriteSize(std::vector<std::uint8_t>& out, std::uint64_t size, int width) {
    if (width == 0) {
        width = 1;
        // A value of all ones in its width would read as an unknown size.
        while (width < 8 && size >= (std::uint64_t{1} << (7 * width)) - 1)
            ++width;
    }
    const std::uint64_t marked = size | (std::uint64_t{1} << (7 * width));
    for (int i = width - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(marked >> (8 * i)));
}

void WriteUnsigned(std::vector<std::uint8_t>& out, std::uint32_t id, std::uint64_t value, int width) {
    if (width == 0) {
        width = 1;
        while (width < 8 && (value >> (8 * width)) != 0)
            ++width;
    }
    WriteId(out, id);
    WriteSize(out, static_cast<std::uint64_t>(width));
    for (int i = width - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void WriteFloat(std::vector<std::uint8_t>& out, std::uint32_t id, double value) {
    WriteUnsigned(out, id, std::bit_cast<std::uint64_t>(value), 8);
}

void WriteMaster(std::vector<std::uint8_t>& out, std::uint32_t id, std::span<const std::uint8_t> body) {
    WriteId(out, id);
    WriteSize(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
}

} // namespace klevotrim::clip::ebml
