#pragma once
// A playable clip is written as: a header the program makes, one contiguous byte range of
// the source copied unchanged, and a trailer (index) the program makes. A planner reads the
// source through ByteSource, finds the range from the container's own timestamps and
// returns the plan; one writer executes any plan. Planners never trust a size or an offset
// read from the file: every one is checked against the source's size before it is used.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace klevotrim::clip {

// Random access to the source file.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to buffer.size() bytes at `offset`; returns how many were read (fewer only at
    // the end of the file or on a read error).
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) = 0;
};

// True when exactly buffer.size() bytes could be read at `offset`.
bool ReadExact(ByteSource& source, std::uint64_t offset, std::span<std::uint8_t> buffer);

// The user's marks, in seconds of the source's timeline (start of the file = 0).
struct Marks {
    double start = 0;
    double end = 0;
};

// Bytes written in the middle of the range: the copy stops before source offset `at`, `bytes`
// are written, and the copy goes on from `resume` (the source bytes between are left out).
// Only a clip that cannot be one run has any (an AVI clip of several RIFF parts).
struct Splice {
    std::uint64_t at = 0;
    std::uint64_t resume = 0;
    std::vector<std::uint8_t> bytes;
};

struct ClipPlan {
    std::vector<std::uint8_t> header;
    std::uint64_t rangeBegin = 0; // first source byte copied
    std::uint64_t rangeEnd = 0;   // one past the last source byte copied
    std::vector<Splice> splices;  // in source order, inside the range
    std::vector<std::uint8_t> trailer;
    // Where the clip begins and how long it plays, in seconds of the source, as planned
    // (the start may lie before the start mark: a keyframe, a frame or a pack boundary).
    double start = 0;
    double duration = 0;

    std::uint64_t RangeLength() const { return rangeEnd - rangeBegin; }
    // The source bytes copied: the range less what the splices leave out.
    std::uint64_t CopiedLength() const;
    std::uint64_t ClipLength() const;
    // Whether the range lies inside a source of `sourceSize` bytes and each splice inside the
    // range, after the one before.
    bool Fits(std::uint64_t sourceSize) const;
};

enum class PlanStatus {
    Planned,       // `plan` is ready to be written
    NotThisFormat, // the planner does not recognise the file; another planner may
    Unsupported,   // recognised, but holds something this planner cannot cut (reason says what)
    Damaged,       // recognised, but truncated or inconsistent (reason says where)
    BadMarks       // the marks are outside the media or the end is not after the start
};

struct PlanResult {
    PlanStatus status = PlanStatus::NotThisFormat;
    ClipPlan plan;
    // For anything but Planned: why, as one short English sentence for the user, without
    // a trailing full stop (e.g. "the WAV header ends before its data chunk").
    std::string reason;

    static PlanResult Fail(PlanStatus status, std::string reason) {
        PlanResult result;
        result.status = status;
        result.reason = std::move(reason);
        return result;
    }
};

// Tries every planner on the file's own signature (never its extension) and returns the
// first one's result that is not NotThisFormat.
PlanResult PlanPlayableClip(ByteSource& source, Marks marks);

} // namespace klevotrim::clip
