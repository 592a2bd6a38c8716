#pragma once
// The planners for plain audio files: WAV (RIFF and RF64), MPEG audio (MP1/MP2/MP3) and ADTS AAC,
// and what they share: the user's marks turned into whole units (sample frames or coded frames),
// a leading ID3v2 tag, and a walk over a stream of self-delimiting frames that has no index.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

PlanResult PlanWav(ByteSource& source, Marks marks);
PlanResult PlanMpegAudio(ByteSource& source, Marks marks);
PlanResult PlanAdts(ByteSource& source, Marks marks);

// An end mark at most this far past the end of the media is taken as the end (a seek bar
// counts whole seconds); further out it is refused.
inline constexpr double kEndMarkSlackSeconds = 1.0;

// The clip's units [first, end) for the marks, `unitsPerSecond` units making one second and
// `totalUnits` the media's length; nullopt and `reason` when the marks lie outside the media.
struct UnitRange {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
};
std::optional<UnitRange> UnitsForMarks(Marks marks, double unitsPerSecond, std::uint64_t totalUnits,
                                       std::string& reason);

// The byte length of an ID3v2 tag at `offset` (header, body and footer), 0 when there is none,
// nullopt when its length runs past the end of the file.
std::optional<std::uint64_t> Id3v2Length(ByteSource& source, std::uint64_t offset);

// A copy of the ID3v2 tag at the start of the file, `length` bytes, for the clip's header;
// empty when there is none or it is too big to be worth reading (large cover pictures).
std::vector<std::uint8_t> LeadingTag(ByteSource& source, std::uint64_t length);

// The end of the audio after `begin`: before an ID3v1 tag and an APE tag at the end of the file.
std::uint64_t AudioEnd(ByteSource& source, std::uint64_t begin);

// One frame of a self-delimiting stream (MPEG audio, ADTS).
struct FrameHeader {
    std::uint32_t size = 0;    // whole frame, header included
    std::uint32_t samples = 0; // per channel
    std::uint32_t sampleRate = 0;
    std::uint32_t streamKey = 0; // what must stay the same from frame to frame
};
// Parses the frame header at the front of `bytes` (the stream's header length, or fewer at
// the end of the stream).
using FrameParser = bool (*)(std::span<const std::uint8_t> bytes, FrameHeader& header);

// An MPEG audio frame header (4 bytes).
bool ParseMpegFrame(std::span<const std::uint8_t> bytes, FrameHeader& header);

// Frames between `begin` and `end` of the source, all with the stream key of the first.
class FrameStream {
  public:
    static constexpr std::size_t kMaxHeaderBytes = 8;
    // Frames that must follow a sync word, back to back, before it counts as a frame start.
    static constexpr int kConfirmFrames = 3;

    // `headerBytes` (at most kMaxHeaderBytes) is what the parser needs of a frame.
    FrameStream(ByteSource& source, std::uint64_t begin, std::uint64_t end, std::size_t headerBytes,
                FrameParser parser)
        : source_(source), begin_(begin), end_(end), headerBytes_(std::min(headerBytes, kMaxHeaderBytes)),
          parser_(parser) {}

    // Takes the stream key from the first confirmed frame: at Begin(), or shortly after when
    // Begin() follows a tag (encoders may pad a tag with bytes it does not count); false when
    // there is none.
    bool StartAfterTag();
    std::uint64_t Begin() const { return begin_; }
    std::uint64_t End() const { return end_; }
    const FrameHeader& First() const { return first_; }
    std::uint64_t FirstAt() const { return firstAt_; }

    // The frame at `at` when it belongs to the stream and ends before the stream does.
    std::optional<FrameHeader> FrameAt(std::uint64_t at);
    // The first confirmed frame start in [from, from + window), or nullopt.
    std::optional<std::uint64_t> Sync(std::uint64_t from, std::uint64_t window);

    // Walks from the frame at `at` over up to `count` frames, skipping damaged stretches by
    // a new sync; returns where it stopped and how many frames it passed. `visit` sees every
    // frame passed (its number counted from the walk's start, and its offset).
    struct WalkEnd {
        std::uint64_t at = 0;
        std::uint64_t frames = 0;
    };
    WalkEnd Walk(std::uint64_t at, std::uint64_t count,
                 const std::function<void(std::uint64_t frame, std::uint64_t offset)>& visit = {});

  private:
    bool Confirmed(std::uint64_t at);
    bool Start(std::uint64_t at);

    ByteSource& source_;
    std::uint64_t begin_;
    std::uint64_t end_;
    std::size_t headerBytes_;
    FrameParser parser_;
    FrameHeader first_;
    std::uint64_t firstAt_ = 0;
    bool started_ = false;
};

// Frame number <-> byte offset of a frame stream, piecewise linear through known points (an
// index table, or the ends of a constant-bitrate stream). Estimates only: a landing point is
// followed by a sync and a walk.
class FrameMap {
  public:
    void Add(double frame, double offset);
    bool Empty() const { return points_.size() < 2; }
    double OffsetOf(double frame) const;
    double FrameAt(double offset) const;

  private:
    struct Point {
        double frame;
        double offset;
    };
    std::vector<Point> points_;
};

// The stream's length in frames from `start`: counted while that stays cheap, else estimated
// from the mean size of the frames counted, `map` then set to land by that mean.
std::uint64_t CountFrames(FrameStream& stream, std::uint64_t start, FrameMap& map);

// Finds the offsets of the clip's first frame and of the frame after its last one in a
// frame stream whose frame numbers are known exactly only by walking: walks from the stream's
// start (or from the clip's first frame) while that takes at most `walkLimit` frames, and
// otherwise lands near the frame by `map`, syncs and walks the rest; nullopt when no frame
// follows a landing point. A map that is exact (constant bitrate) needs only a short walk.
struct FrameSpan {
    std::uint64_t firstFrame = 0;
    std::uint64_t firstOffset = 0;
    std::uint64_t endFrame = 0;
    std::uint64_t endOffset = 0;
    // The offsets of the frames at each hundredth of the span, when the span was walked.
    std::vector<std::uint64_t> hundredths;
};
// About 1.7 hours of 44.1 kHz MP3 or AAC, 1 to 1.75 MB of frame headers.
inline constexpr std::uint64_t kExactWalkFrames = 250000;
std::optional<FrameSpan> LocateFrames(FrameStream& stream, std::uint64_t streamStart, const FrameMap& map,
                                      UnitRange frames, std::uint64_t walkLimit = kExactWalkFrames);

} // namespace klevotrim::clip
