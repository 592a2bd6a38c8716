#pragma once
// What the AVI planner's two halves share: the streams and chunks planning learns about, and
// the planner itself, whose reading of the chunk index lives apart from the cut.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cutting/clip/Bytes.h"
#include "cutting/clip/ClipPlan.h"
#include "cutting/clip/MemorySource.h"
#include "cutting/clip/Riff.h"

namespace klevotrim::clip::avi {

constexpr std::uint32_t kKeyFrameFlag = 0x10; // AVIIF_KEYFRAME in idx1

struct Stream {
    std::uint32_t type = 0;
    std::uint32_t compression = 0; // the video's biCompression
    std::uint32_t scale = 0;
    std::uint32_t rate = 0;
    std::uint32_t start = 0;
    std::uint32_t sampleSize = 0; // bytes per sample; 0: one sample per chunk
    std::size_t strhAt = 0;       // of the strh data in the header being built
    std::vector<std::uint8_t> superIndex;
    // Counted while planning.
    std::uint64_t unitsBefore = 0;
    std::uint64_t unitsInClip = 0;
    std::uint32_t chunkId = 0;
    std::size_t superIndexAt = 0; // of its super index's data in the header
    std::uint32_t partsWithChunks = 0;

    std::uint64_t Units(std::uint32_t chunkSize) const { return sampleSize ? chunkSize / sampleSize : 1; }
    double Seconds(std::uint64_t units) const { return static_cast<double>(units) * scale / rate; }
};

struct Entry {
    std::uint64_t offset = 0; // of the chunk header in the source
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    std::uint16_t stream = 0;
    bool key = false;
    bool keyKnown = true; // false for chunks found by walking the movie list

    std::uint64_t End() const { return offset + 8 + size; }
};

// A movie list's chunks: [begin, end) of the source.
struct MovieExtent {
    std::uint64_t fourCC = 0; // where its 'movi' code lies
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// One RIFF part of the clip ('AVI ', then 'AVIX'): runs of source bytes copied one after the
// other, and the clip's chunks in them.
struct Part {
    struct Run {
        std::uint64_t begin = 0;
        std::uint64_t end = 0;
    };
    std::vector<Run> runs;
    std::size_t firstChunk = 0; // of the clip's chunks
    std::size_t endChunk = 0;
    std::uint64_t dataBytes = 0; // of its runs together
};

struct Failure {
    PlanStatus status;
    std::string reason;
};

inline bool IsPaletteChange(std::uint32_t id) {
    return (id >> 16) == ('p' | ('c' << 8));
}

class AviPlanner {
  public:
    AviPlanner(ByteSource& source, Marks marks) : source_(source), size_(source.Size()), marks_(marks) {}

    PlanResult Plan();

  private:
    static PlanResult Fail(const Failure& failure) {
        return PlanResult::Fail(failure.status, failure.reason);
    }
    static Failure Damaged(std::string reason) { return {PlanStatus::Damaged, std::move(reason)}; }
    static Failure Unsupported(std::string reason) { return {PlanStatus::Unsupported, std::move(reason)}; }

    // Reading the headers and cutting, in AviPlanner.cpp.
    std::optional<Failure> ReadTopLevel();
    std::optional<Failure> ReadHeaderList();
    std::optional<Failure> ReadStreamList(MemorySource& list, const RiffChunk& strl);
    PlanResult Cut();
    std::vector<Part> SplitIntoParts(const std::vector<std::size_t>& chunks) const;
    std::vector<std::uint8_t> BuildHeader(double clipStart, std::uint64_t movieBytes,
                                          std::uint64_t indexBytes, bool openDml);
    void WriteStreamList(ByteWriter& out, MemorySource& list, const RiffChunk& strl, Stream& stream,
                         double clipStart, bool openDml);

    // Reading the chunk index, in AviIndex.cpp.
    std::optional<Failure> ReadIndex();
    const MovieExtent* MovieHolding(std::uint64_t offset, std::uint32_t size) const;
    std::optional<Failure> AddEntry(std::uint32_t id, std::uint64_t offset, std::uint32_t size, bool key,
                                    bool keyKnown = true);
    std::optional<Failure> ReadIdx1();
    std::optional<std::uint64_t> Idx1Base(std::uint32_t id, std::uint32_t offset);
    std::optional<Failure> ReadOpenDmlIndexes();
    std::optional<Failure> WalkMovies();
    std::optional<bool> LooksLikeKeyframe(const Entry& frame);
    std::optional<Failure> SettleKey(Entry& frame);

    ByteSource& source_;
    const std::uint64_t size_;
    const Marks marks_;
    std::vector<std::uint8_t> headerList_; // the hdrl list's contents, after its type
    std::vector<std::uint8_t> infoList_;   // the whole INFO list, kept as it is
    std::vector<MovieExtent> movies_;
    std::optional<RiffChunk> idx1_;
    std::vector<Stream> streams_;
    std::uint16_t video_ = 0;
    std::vector<Entry> entries_;      // every stream's chunks, in file order
    std::vector<std::size_t> frames_; // the video frames' entries
};

} // namespace klevotrim::clip::avi
