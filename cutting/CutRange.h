#pragma once
// Turns the cut points (seconds) into a block-aligned byte range of the source file.
// All byte arithmetic is 64-bit, so sources of 2 GiB and more cut correctly.
#include <cstdint>
#include <optional>

namespace klevotrim {

inline constexpr std::int64_t BlockSize = 1048576;

struct CutRange {
    std::int64_t B = 0;  // whole blocks in the source
    std::int64_t D = 0;  // duration, rounded (halves to even); 0 when unknown
    std::int64_t S = 0;  // start block, at least 1 (the first block is never copied)
    std::int64_t E = 0;  // end block, never beyond the source's last whole block
    std::int64_t O1 = 0; // start offset, S * BlockSize
    std::int64_t O2 = 0; // end offset, E * BlockSize
    std::int64_t L = 0;  // O2 - O1 (negative when the end lies before the start)
    std::int64_t N = 0;  // whole blocks to copy, L / BlockSize
    std::int64_t R = 0;  // rest, L % BlockSize

    // Blocks CutFile copies: the whole blocks, plus one more when a positive rest remains.
    std::int64_t BlockCount() const;
    bool IsEmpty() const { return BlockCount() == 0; }
    // Bytes of copy step `index` (0-based): BlockSize for whole blocks, R for the rest.
    std::int64_t BlockLength(std::int64_t index) const;
    // 1-based positions of copy step `index` in the source and in the clip.
    std::int64_t SourcePosition(std::int64_t index) const { return index * BlockSize + O1 + 1; }
    std::int64_t ClipPosition(std::int64_t index) const { return index * BlockSize + 1; }
    // Length of the finished clip in bytes (0 when nothing is copied).
    std::int64_t ClipLength() const;
};

// Why a range holds nothing to copy.
enum class EmptyRangeReason {
    None,           // the range holds at least one block
    NoDuration,     // the media's duration is unknown (or rounds to 0)
    SourceTooSmall, // the source holds no whole block beyond the first
    TooShort,       // both cut points fall in the same block
    EndBeforeStart  // the end point lies before the start point
};

// Integer divisions truncate towards zero; the duration is rounded with halves to even.
// Without a duration, S is 1 and E stays 0, so nothing is copied.
CutRange ComputeCutRange(std::int64_t sourceLength, std::int32_t cutStart, std::int32_t cutEnd,
                         std::optional<double> duration);

EmptyRangeReason WhyEmpty(const CutRange& range, std::int32_t cutStart, std::int32_t cutEnd);

} // namespace klevotrim
