#pragma once
// Shared by the planner tests: the generated media and a source over a file's bytes.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cutting/clip/ClipPlan.h"
#include "cutting/clip/MemorySource.h"

namespace klevotrim::clip::test {

// The folder the media scripts wrote to (KLEVOTRIM_CLIP_MEDIA).
std::filesystem::path MediaFolder();
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A generated file, kept in memory for the test's lifetime.
struct MediaFile {
    std::vector<std::uint8_t> bytes;
    MemorySource Source() const { return MemorySource(bytes); }
};
MediaFile LoadMedia(const std::string& name);

// The clip a plan describes, assembled in memory.
std::vector<std::uint8_t> AssembleClip(const ClipPlan& plan, std::span<const std::uint8_t> source);

// Runs `ffprobe`/`ffmpeg` on a clip written to a temporary file.
struct ProbeResult {
    bool decodesCleanly = false; // ffmpeg -v error ... -f null - printed nothing
    std::string errors;
    double start = 0;
    double duration = 0;
    std::string streams; // the streams' codec types in order, e.g. "video,audio,"
};
ProbeResult Probe(std::span<const std::uint8_t> clip, const std::string& extension);

// Where ffprobe finds each packet of a generated file's first stream, in file order: an
// independent account of the frame boundaries.
std::vector<std::uint64_t> PacketOffsets(const std::string& name);

// A source of `size` bytes, for files of gigabytes made in memory: `head` at the start, any
// further runs of bytes put where they belong, zeros everywhere else.
class SparseSource final : public ByteSource {
  public:
    SparseSource(std::vector<std::uint8_t> head, std::uint64_t size);
    void Put(std::uint64_t at, std::vector<std::uint8_t> bytes) { runs_[at] = std::move(bytes); }
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;
    std::uint64_t BytesRead() const { return bytesRead_; }
    const std::vector<std::uint8_t>& Head() const { return runs_.at(0); }

  private:
    std::map<std::uint64_t, std::vector<std::uint8_t>> runs_;
    std::uint64_t size_;
    std::uint64_t bytesRead_ = 0;
};

// A recording of hours made by playing a generated MPEG program stream (MPEG-1 packs) or
// 188-byte transport stream over and over: each copy's pack clocks, PCRs and PES stamps are
// moved on by `period` seconds per copy, so the whole reads as one steady timeline.
class LoopedMpegSource final : public ByteSource {
  public:
    LoopedMpegSource(std::vector<std::uint8_t> recording, double period, std::uint64_t size);
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;
    std::uint64_t CopySize() const { return copy_.size(); }
    std::uint64_t BytesRead() const { return bytesRead_; }
    std::uint64_t Reads() const { return reads_; }

  private:
    struct Stamp {
        std::size_t at;
        bool pcr; // six bytes of program clock reference rather than five of a 33-bit stamp
    };
    void MoveStamp(const Stamp& stamp, std::uint64_t copy, std::uint8_t* field) const;

    std::vector<std::uint8_t> copy_;
    std::vector<Stamp> stamps_; // in file order
    std::uint64_t periodTicks_;
    std::uint64_t size_;
    std::uint64_t bytesRead_ = 0;
    std::uint64_t reads_ = 0;
};

} // namespace klevotrim::clip::test
