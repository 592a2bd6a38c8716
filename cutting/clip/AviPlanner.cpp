// AVI clips: a new header list with the stream lengths of the clip, one run of the source's
// movie chunks from a video keyframe to the frame holding the end point, and a new idx1.
#include "cutting/clip/AviPlanner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cutting/clip/Bytes.h"
#include "cutting/clip/MemorySource.h"
#include "cutting/clip/Riff.h"

namespace klevotrim::clip {
namespace {

constexpr std::uint32_t kKeyFrameFlag = 0x10; // AVIIF_KEYFRAME in idx1
constexpr std::uint32_t kListFlag = 0x01;     // AVIIF_LIST: an index entry for a 'rec ' list
constexpr std::uint32_t kHasIndexFlag = 0x10; // AVIF_HASINDEX in avih
constexpr std::uint64_t kMaxHeaderList = 1 << 20;
constexpr std::uint64_t kMaxInfoList = 1 << 16;
// Beyond this, players look for OpenDML's indexes: a larger clip gets them as well as idx1.
constexpr std::uint64_t kMaxPlainMovie = std::uint64_t{1} << 30;
// A clip is one RIFF chunk, whose size has 32 bits.
constexpr std::uint64_t kMaxClip = 0xFFFFFFFF;
constexpr std::size_t kMaxStreams = 100; // chunk ids number streams with two digits

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
    std::vector<std::uint8_t> openDmlEntries; // of the clip's standard index, when it has one
    std::size_t superIndexAt = 0;             // of its super index's data in the header

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

struct Failure {
    PlanStatus status;
    std::string reason;
};

std::optional<std::uint16_t> StreamOfChunk(std::uint32_t id) {
    const auto digit = [](std::uint32_t c) { return c >= '0' && c <= '9' ? static_cast<int>(c - '0') : -1; };
    const int tens = digit(id & 0xFF);
    const int units = digit((id >> 8) & 0xFF);
    if (tens < 0 || units < 0)
        return std::nullopt;
    return static_cast<std::uint16_t>(tens * 10 + units);
}

bool IsPaletteChange(std::uint32_t id) {
    return (id >> 16) == ('p' | ('c' << 8));
}

bool IsOneOf(std::uint32_t code, std::initializer_list<std::uint32_t> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Codecs whose every frame is a picture of its own.
bool IsIntraOnly(std::uint32_t compression) {
    return compression <= 3 /* BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS */ ||
           IsOneOf(compression,
                   {FourCC("MJPG"), FourCC("mjpg"), FourCC("dmb1"), FourCC("AVRn"), FourCC("JPEG"),
                    FourCC("HFYU"), FourCC("FFV1"), FourCC("FFVH"), FourCC("UYVY"), FourCC("YUY2"),
                    FourCC("YV12"), FourCC("I420"), FourCC("DIB "), FourCC("Y800"), FourCC("v210"),
                    FourCC("LJPG"), FourCC("dvsd"), FourCC("CDVC"), FourCC("ULRG"), FourCC("ULY0"),
                    FourCC("ULY2"), FourCC("UQY2")});
}

bool IsMpeg4Part2(std::uint32_t compression) {
    return IsOneOf(compression, {FourCC("FMP4"), FourCC("fmp4"), FourCC("XVID"), FourCC("xvid"),
                                 FourCC("DIVX"), FourCC("divx"), FourCC("DX50"), FourCC("dx50"),
                                 FourCC("MP4V"), FourCC("mp4v"), FourCC("3IV2"), FourCC("M4S2")});
}

bool IsH264(std::uint32_t compression) {
    return IsOneOf(compression, {FourCC("H264"), FourCC("h264"), FourCC("X264"), FourCC("x264"),
                                 FourCC("AVC1"), FourCC("avc1"), FourCC("DAVC")});
}

// Serves a walk's chunk headers from blocks read ahead while the chunks are small, so a long
// file of small frames takes few reads; after a large chunk, only the next header is read.
class ReadAhead final : public ByteSource {
  public:
    explicit ReadAhead(ByteSource& source) : source_(source) {}
    std::uint64_t Size() const override { return source_.Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset < blockAt_ || offset - blockAt_ > block_.size() ||
            block_.size() - (offset - blockAt_) < buffer.size()) {
            if (!readAhead_)
                return source_.ReadAt(offset, buffer);
            block_.resize(
                static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, Size() - std::min(offset, Size()))));
            blockAt_ = offset;
            block_.resize(source_.ReadAt(offset, block_));
        }
        const std::size_t count =
            std::min(buffer.size(), static_cast<std::size_t>(block_.size() - (offset - blockAt_)));
        std::copy_n(block_.begin() + static_cast<std::ptrdiff_t>(offset - blockAt_), count, buffer.begin());
        return count;
    }
    // Whether the next headers are likely close together.
    void ExpectSmallChunks(bool small) { readAhead_ = small; }

  private:
    static constexpr std::uint64_t kBlock = 16 * 1024;
    ByteSource& source_;
    std::vector<std::uint8_t> block_;
    std::uint64_t blockAt_ = 0;
    bool readAhead_ = true;
};

class AviPlanner {
  public:
    AviPlanner(ByteSource& source, Marks marks) : source_(source), size_(source.Size()), marks_(marks) {}

    PlanResult Plan() {
        std::array<std::uint8_t, 12> signature{};
        if (!ReadExact(source_, 0, signature) || ReadU32LE(signature, 0) != FourCC("RIFF") ||
            ReadU32LE(signature, 8) != FourCC("AVI "))
            return PlanResult::Fail(PlanStatus::NotThisFormat, "not an AVI file");
        if (!(marks_.start >= 0) || !(marks_.end > marks_.start))
            return PlanResult::Fail(PlanStatus::BadMarks, "the end point must lie after the start point");
        if (auto failure = ReadTopLevel())
            return Fail(*failure);
        if (auto failure = ReadHeaderList())
            return Fail(*failure);
        if (auto failure = ReadIndex())
            return Fail(*failure);
        return Cut();
    }

  private:
    static PlanResult Fail(const Failure& failure) {
        return PlanResult::Fail(failure.status, failure.reason);
    }
    static Failure Damaged(std::string reason) { return {PlanStatus::Damaged, std::move(reason)}; }
    static Failure Unsupported(std::string reason) { return {PlanStatus::Unsupported, std::move(reason)}; }

    // The first RIFF part's header list, movie list and idx1, then the movie lists of any
    // OpenDML 'AVIX' parts that follow.
    std::optional<Failure> ReadTopLevel() {
        std::optional<RiffChunk> riff = ReadRiffChunk(source_, 0, size_);
        std::uint64_t partEnd = std::min(riff->DataEnd(), size_);
        for (bool first = true;; first = false) {
            for (std::uint64_t at = riff->ListBegin(); at < partEnd;) {
                const std::optional<RiffChunk> chunk = ReadRiffChunk(source_, at, partEnd);
                if (!chunk)
                    break;
                const bool whole = chunk->DataEnd() <= partEnd;
                if (chunk->listType == FourCC("movi")) {
                    // A movie list cut short by a truncated file is read as far as it goes.
                    movies_.push_back(
                        {chunk->offset + 8, chunk->ListBegin(), std::min(chunk->DataEnd(), partEnd)});
                } else if (!first || !whole) {
                    // Only movie lists matter in later parts; a cut-off chunk ends the part.
                } else if (chunk->listType == FourCC("hdrl")) {
                    if (!headerList_.empty())
                        return Damaged("the AVI file has two header lists");
                    if (chunk->size > kMaxHeaderList)
                        return Unsupported("the AVI header list is too large");
                    headerList_.resize(chunk->size - 4);
                    if (!ReadExact(source_, chunk->ListBegin(), headerList_))
                        return Damaged("the AVI header list cannot be read");
                } else if (chunk->listType == FourCC("INFO") && chunk->size <= kMaxInfoList) {
                    infoList_.resize(chunk->size + (chunk->size & 1) + 8);
                    if (chunk->Next() > size_ || !ReadExact(source_, chunk->offset, infoList_))
                        infoList_.clear();
                } else if (chunk->id == FourCC("idx1") && movies_.size() == 1) {
                    idx1_ = chunk;
                }
                at = chunk->Next();
            }
            // The next part starts where this one ends (the RIFF size is even by rule, but
            // some writers forget the pad byte).
            const std::uint64_t next = riff->Next();
            riff = ReadRiffChunk(source_, next, size_);
            if (!riff || riff->id != FourCC("RIFF") || riff->listType != FourCC("AVIX"))
                break;
            partEnd = std::min(riff->DataEnd(), size_);
        }
        if (headerList_.empty())
            return Damaged("the AVI file has no header list");
        if (movies_.empty())
            return Damaged("the AVI file has no movie data");
        return std::nullopt;
    }

    // avih, then one strl list per stream: strh, strf and the OpenDML super index.
    std::optional<Failure> ReadHeaderList() {
        MemorySource list(headerList_);
        bool haveMainHeader = false;
        for (std::uint64_t at = 0; at < list.Size();) {
            const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, list.Size());
            if (!chunk || chunk->DataEnd() > list.Size())
                break;
            if (chunk->id == FourCC("avih")) {
                if (chunk->size < 56)
                    return Damaged("the AVI main header is too short");
                haveMainHeader = true;
            } else if (chunk->listType == FourCC("strl")) {
                if (streams_.size() == kMaxStreams)
                    return Unsupported("the AVI file has too many streams");
                if (auto failure = ReadStreamList(list, *chunk))
                    return failure;
            }
            at = chunk->Next();
        }
        if (!haveMainHeader)
            return Damaged("the AVI file has no main header");
        for (std::size_t i = 0; i < streams_.size(); ++i)
            if (streams_[i].type == FourCC("vids")) {
                video_ = static_cast<std::uint16_t>(i);
                return std::nullopt;
            }
        return Unsupported("the AVI file has no video stream");
    }

    std::optional<Failure> ReadStreamList(MemorySource& list, const RiffChunk& strl) {
        Stream stream;
        bool haveHeader = false;
        const std::span<const std::uint8_t> bytes(headerList_);
        for (std::uint64_t at = strl.ListBegin(); at < strl.DataEnd();) {
            const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, strl.DataEnd());
            if (!chunk || chunk->DataEnd() > strl.DataEnd())
                break;
            const std::size_t data = static_cast<std::size_t>(chunk->DataBegin());
            if (chunk->id == FourCC("strh")) {
                if (chunk->size < 48)
                    return Damaged("an AVI stream header is too short");
                stream.type = ReadU32LE(bytes, data);
                stream.scale = ReadU32LE(bytes, data + 20);
                stream.rate = ReadU32LE(bytes, data + 24);
                stream.start = ReadU32LE(bytes, data + 28);
                stream.sampleSize = ReadU32LE(bytes, data + 44);
                haveHeader = true;
            } else if (chunk->id == FourCC("strf")) {
                if (stream.type == FourCC("vids") && chunk->size >= 20)
                    stream.compression = ReadU32LE(bytes, data + 16);
                // As DirectShow does: whole audio blocks, whatever the stream header says.
                if (stream.type == FourCC("auds") && chunk->size >= 14 && stream.sampleSize != 0)
                    stream.sampleSize = std::max<std::uint32_t>(ReadU16LE(bytes, data + 12), 1);
            } else if (chunk->id == FourCC("indx") && chunk->size >= 24) {
                stream.superIndex.assign(bytes.begin() + data, bytes.begin() + data + chunk->size);
            }
            at = chunk->Next();
        }
        if (!haveHeader)
            return Damaged("an AVI stream has no stream header");
        if (stream.scale == 0 || stream.rate == 0)
            return Damaged("an AVI stream has no frame rate");
        streams_.push_back(std::move(stream));
        return std::nullopt;
    }

    // The chunks of every stream, in file order: from idx1 in a single-part file, from the
    // OpenDML indexes when every stream has one, else by walking the movie lists.
    std::optional<Failure> ReadIndex() {
        std::optional<Failure> failure;
        const bool everyStreamIndexed = std::all_of(streams_.begin(), streams_.end(),
                                                    [](const Stream& s) { return !s.superIndex.empty(); });
        if (idx1_ && movies_.size() == 1) {
            failure = ReadIdx1();
        } else if (everyStreamIndexed) {
            failure = ReadOpenDmlIndexes();
        } else {
            failure = WalkMovies();
        }
        if (failure)
            return failure;
        const auto inFileOrder = [](const Entry& a, const Entry& b) { return a.offset < b.offset; };
        if (!std::is_sorted(entries_.begin(), entries_.end(), inFileOrder))
            std::stable_sort(entries_.begin(), entries_.end(), inFileOrder);
        for (std::size_t i = 1; i < entries_.size(); ++i)
            if (entries_[i].offset < entries_[i - 1].End())
                return Damaged("the AVI index lists overlapping chunks");
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].stream == video_ && !IsPaletteChange(entries_[i].id))
                frames_.push_back(i);
        if (frames_.empty())
            return Damaged("the AVI video stream has no frames");
        return std::nullopt;
    }

    // The movie extent holding the whole chunk, if any.
    const MovieExtent* MovieHolding(std::uint64_t offset, std::uint32_t size) const {
        for (const MovieExtent& movie : movies_)
            if (offset >= movie.begin && offset < movie.end && movie.end - offset >= 8 &&
                movie.end - offset - 8 >= size)
                return &movie;
        return nullptr;
    }

    std::optional<Failure> AddEntry(std::uint32_t id, std::uint64_t offset, std::uint32_t size, bool key,
                                    bool keyKnown = true) {
        const std::optional<std::uint16_t> stream = StreamOfChunk(id);
        if (!stream || *stream >= streams_.size())
            return std::nullopt; // not stream data; it stays in the copy but not in the index
        if (!MovieHolding(offset, size))
            return Damaged("the AVI index points outside the movie data");
        entries_.push_back({offset, id, size, *stream, key, keyKnown});
        return std::nullopt;
    }

    std::optional<Failure> ReadIdx1() {
        const std::uint64_t available = std::min<std::uint64_t>(idx1_->size, size_ - idx1_->DataBegin());
        const std::uint64_t count = available / 16;
        std::optional<std::uint64_t> base;
        std::vector<std::uint8_t> block;
        constexpr std::uint64_t kEntriesPerRead = 4096;
        for (std::uint64_t first = 0; first < count; first += kEntriesPerRead) {
            const std::uint64_t n = std::min(kEntriesPerRead, count - first);
            block.resize(static_cast<std::size_t>(n * 16));
            if (!ReadExact(source_, idx1_->DataBegin() + first * 16, block))
                return Damaged("the AVI index cannot be read");
            for (std::size_t e = 0; e < block.size(); e += 16) {
                const std::uint32_t id = ReadU32LE(block, e);
                const std::uint32_t flags = ReadU32LE(block, e + 4);
                const std::uint32_t offset = ReadU32LE(block, e + 8);
                const std::uint32_t length = ReadU32LE(block, e + 12);
                if (id == FourCC("rec ") || (flags & kListFlag))
                    return Unsupported("the AVI file groups its chunks in record lists");
                if (!base) {
                    base = Idx1Base(id, offset);
                    if (!base)
                        return Damaged("the AVI index does not match the movie data");
                }
                if (auto failure = AddEntry(id, *base + offset, length, (flags & kKeyFrameFlag) != 0))
                    return failure;
            }
        }
        return std::nullopt;
    }

    // idx1 offsets count from the 'movi' code as a rule, from the file's start in some files.
    std::optional<std::uint64_t> Idx1Base(std::uint32_t id, std::uint32_t offset) {
        for (const std::uint64_t base : {movies_.front().fourCC, std::uint64_t{0}}) {
            std::array<std::uint8_t, 4> found{};
            if (ReadExact(source_, base + offset, found) && ReadU32LE(found, 0) == id)
                return base;
        }
        return std::nullopt;
    }

    // Every stream's super index lists its standard indexes (ix##): chunk data offsets from a
    // base, sizes with bit 31 set for frames that are not keyframes.
    std::optional<Failure> ReadOpenDmlIndexes() {
        // Each chunk takes at least 8 bytes of the file, so more entries than that is a lie.
        const std::uint64_t maxEntries = size_ / 8;
        std::vector<std::uint8_t> index;
        for (const Stream& stream : streams_) {
            const std::span<const std::uint8_t> super(stream.superIndex);
            const std::uint16_t longsPerEntry = ReadU16LE(super, 0);
            if (super[3] != 0 /* AVI_INDEX_OF_INDEXES */ || longsPerEntry != 4)
                return Unsupported("the AVI file's OpenDML index is of an unknown kind");
            const std::uint64_t inUse =
                std::min<std::uint64_t>(ReadU32LE(super, 4), (super.size() - 24) / 16);
            for (std::uint64_t i = 0; i < inUse; ++i) {
                const std::uint64_t at = ReadU64LE(super, static_cast<std::size_t>(24 + i * 16));
                const std::optional<RiffChunk> chunk = ReadRiffChunk(source_, at, size_);
                if (!chunk || chunk->DataEnd() > size_ || chunk->size < 24)
                    return Damaged("the AVI file's OpenDML index points outside the file");
                std::array<std::uint8_t, 24> head{};
                if (!ReadExact(source_, chunk->DataBegin(), head))
                    return Damaged("the AVI file's OpenDML index cannot be read");
                const std::uint16_t stride = ReadU16LE(head, 0);
                if (head[3] != 1 /* AVI_INDEX_OF_CHUNKS */ || stride < 2)
                    return Unsupported("the AVI file's OpenDML index is of an unknown kind");
                const std::uint32_t id = ReadU32LE(head, 8);
                const std::uint64_t base = ReadU64LE(head, 12);
                // Only the entries in use are read, and never more than the file could hold.
                const std::uint64_t count = std::min<std::uint64_t>(
                    {ReadU32LE(head, 4), (chunk->size - 24) / (4u * stride), maxEntries - entries_.size()});
                index.resize(static_cast<std::size_t>(count * 4 * stride));
                if (!ReadExact(source_, chunk->DataBegin() + 24, index))
                    return Damaged("the AVI file's OpenDML index cannot be read");
                for (std::uint64_t e = 0; e < count; ++e) {
                    const std::size_t p = static_cast<std::size_t>(e * 4 * stride);
                    const std::uint32_t offset = ReadU32LE(index, p);
                    const std::uint32_t sizeAndFlag = ReadU32LE(index, p + 4);
                    if (base + offset < 8 || base > size_)
                        return Damaged("the AVI index points outside the movie data");
                    if (auto failure = AddEntry(id, base + offset - 8, sizeAndFlag & 0x7FFFFFFF,
                                                (sizeAndFlag & 0x80000000) == 0))
                        return failure;
                }
            }
        }
        return std::nullopt;
    }

    // Without an index: each chunk header of the movie lists, 8 bytes a chunk. Keyframes are
    // found later by looking into the frames the clip needs.
    std::optional<Failure> WalkMovies() {
        ReadAhead headers(source_);
        for (const MovieExtent& movie : movies_) {
            for (std::uint64_t at = movie.begin; at < movie.end;) {
                const std::optional<RiffChunk> chunk = ReadRiffChunk(headers, at, movie.end);
                if (!chunk || chunk->DataEnd() > movie.end)
                    break; // a truncated file: its last chunk is incomplete
                if (chunk->listType == FourCC("rec "))
                    return Unsupported("the AVI file groups its chunks in record lists");
                if (auto failure = AddEntry(chunk->id, chunk->offset, chunk->size, false, false))
                    return failure;
                headers.ExpectSmallChunks(chunk->size <= 2048);
                at = chunk->Next();
            }
        }
        return std::nullopt;
    }

    // Whether a video frame found by walking starts a group of pictures, from its first bytes.
    std::optional<bool> LooksLikeKeyframe(const Entry& frame) {
        const Stream& video = streams_[video_];
        if (IsIntraOnly(video.compression))
            return frame.size > 0;
        const bool mpeg4 = IsMpeg4Part2(video.compression);
        if (!mpeg4 && !IsH264(video.compression))
            return std::nullopt;
        // Most frames tell at once; a keyframe may first carry a few hundred bytes of headers.
        std::vector<std::uint8_t> head;
        for (const std::uint32_t probe : {64u, 4096u}) {
            head.resize(std::min(frame.size, probe));
            if (!ReadExact(source_, frame.offset + 8, head))
                return false;
            for (std::size_t i = 0; i + 4 < head.size(); ++i) {
                if (head[i] != 0 || head[i + 1] != 0 || head[i + 2] != 1)
                    continue;
                const std::uint8_t code = head[i + 3];
                if (mpeg4 && code == 0xB6) // a picture: intra coded when its first two bits are 0
                    return (head[i + 4] >> 6) == 0;
                if (!mpeg4 && ((code & 0x1F) == 5 || (code & 0x1F) == 1)) // IDR or other slice
                    return (code & 0x1F) == 5;
            }
            if (head.size() == frame.size)
                break;
        }
        return false;
    }

    std::optional<Failure> SettleKey(Entry& frame) {
        if (frame.keyKnown)
            return std::nullopt;
        const std::optional<bool> key = LooksLikeKeyframe(frame);
        if (!key)
            return Unsupported("the AVI file has no index, and its video keyframes cannot be found");
        frame.key = *key;
        frame.keyKnown = true;
        return std::nullopt;
    }

    PlanResult Cut() {
        const Stream& video = streams_[video_];
        const double frameSeconds = video.Seconds(1);
        const std::size_t frameCount = frames_.size();
        const double startFrame = marks_.start / frameSeconds - video.start;
        if (startFrame >= static_cast<double>(frameCount))
            return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies after the end of the video");
        std::size_t first = startFrame <= 0 ? 0 : static_cast<std::size_t>(startFrame);
        // The last frame that begins before the end point.
        const double endFrame = std::ceil(marks_.end / frameSeconds - video.start - 1e-9) - 1;
        std::size_t last =
            endFrame <= static_cast<double>(first)
                ? first
                : static_cast<std::size_t>(std::min(endFrame, static_cast<double>(frameCount - 1)));
        for (;; --first) {
            if (auto failure = SettleKey(entries_[frames_[first]]))
                return Fail(*failure);
            if (entries_[frames_[first]].key || first == 0)
                break; // a video without any keyframe flag is read from its first frame
        }
        const Entry& firstFrame = entries_[frames_[first]];
        const Entry& lastFrame = entries_[frames_[last]];
        const MovieExtent* movie = MovieHolding(firstFrame.offset, firstFrame.size);
        if (movie != MovieHolding(lastFrame.offset, lastFrame.size)) {
            // The copy would carry one part's index and the next part's headers in its middle.
            std::size_t boundary = first;
            while (boundary < last && entries_[frames_[boundary]].offset < movie->end)
                ++boundary;
            const double seconds = video.Seconds(video.start + boundary);
            return PlanResult::Fail(
                PlanStatus::Unsupported,
                "the clip would cross the boundary between two parts of the AVI file, at " +
                    std::to_string(static_cast<long long>(seconds)) +
                    " s; put both points on one side of it");
        }
        ClipPlan plan;
        plan.rangeBegin = firstFrame.offset;
        plan.rangeEnd = std::min(lastFrame.End() + (lastFrame.size & 1), movie->end);
        const bool openDml = plan.RangeLength() > kMaxPlainMovie;
        if (plan.RangeLength() > kMaxClip)
            return PlanResult::Fail(PlanStatus::Unsupported,
                                    "AVI clips larger than 4 GiB are not supported; choose a shorter clip");

        std::vector<std::uint8_t> index;
        ByteWriter indexWriter(index);
        indexWriter.Text("idx1");
        indexWriter.U32LE(0);
        for (Entry& entry : entries_) {
            Stream& stream = streams_[entry.stream];
            const std::uint64_t units = IsPaletteChange(entry.id) ? 0 : stream.Units(entry.size);
            if (entry.offset < plan.rangeBegin) {
                stream.unitsBefore += units;
                continue;
            }
            if (entry.End() > plan.rangeEnd)
                break;
            stream.unitsInClip += units;
            bool key = true;
            if (entry.stream == video_ && !IsPaletteChange(entry.id)) {
                if (auto failure = SettleKey(entry))
                    return Fail(*failure);
                key = entry.key;
            }
            indexWriter.U32LE(entry.id);
            indexWriter.U32LE(key ? kKeyFrameFlag : 0);
            indexWriter.U32LE(static_cast<std::uint32_t>(entry.offset - plan.rangeBegin + 4));
            indexWriter.U32LE(entry.size);
            if (openDml) { // data offsets from the movie's first chunk; bit 31 marks non-keyframes
                if (!stream.chunkId)
                    stream.chunkId = entry.id;
                ByteWriter ix(stream.openDmlEntries);
                ix.U32LE(static_cast<std::uint32_t>(entry.offset - plan.rangeBegin + 8));
                ix.U32LE(entry.size | (key ? 0 : 0x80000000));
            }
        }
        indexWriter.PatchU32LE(4, static_cast<std::uint32_t>(index.size() - 8));
        std::vector<std::uint8_t> trailer;
        if (openDml)
            trailer = StandardIndexes();
        const std::uint64_t movieBytes = plan.RangeLength() + trailer.size();
        trailer.insert(trailer.end(), index.begin(), index.end());

        // Every stream keeps its place against the others: the one that begins first in the
        // clip starts at 0, the others after their delay in it.
        double clipStart = std::numeric_limits<double>::max();
        double clipEnd = 0;
        for (const Stream& stream : streams_)
            if (stream.unitsInClip) {
                clipStart = std::min(clipStart, stream.Seconds(stream.start + stream.unitsBefore));
                clipEnd =
                    std::max(clipEnd, stream.Seconds(stream.start + stream.unitsBefore + stream.unitsInClip));
            }
        plan.start = clipStart;
        plan.duration = clipEnd - clipStart;
        plan.header = BuildHeader(clipStart, movieBytes, index.size(), openDml);
        if (plan.header.size() + plan.RangeLength() + trailer.size() - 8 > kMaxClip)
            return PlanResult::Fail(PlanStatus::Unsupported,
                                    "AVI clips larger than 4 GiB are not supported; choose a shorter clip");
        if (openDml)
            PointSuperIndexes(plan.header, trailer, plan.header.size() + plan.RangeLength());
        plan.trailer = std::move(trailer);
        PlanResult result;
        result.status = PlanStatus::Planned;
        result.plan = std::move(plan);
        return result;
    }

    // One standard index (ix##) per stream, to follow the copied chunks in the movie list.
    std::vector<std::uint8_t> StandardIndexes() {
        std::vector<std::uint8_t> indexes;
        ByteWriter out(indexes);
        for (std::size_t i = 0; i < streams_.size(); ++i) {
            const Stream& stream = streams_[i];
            if (stream.openDmlEntries.empty())
                continue;
            out.U8('i');
            out.U8('x');
            out.U8(static_cast<std::uint8_t>('0' + i / 10));
            out.U8(static_cast<std::uint8_t>('0' + i % 10));
            out.U32LE(static_cast<std::uint32_t>(24 + stream.openDmlEntries.size()));
            out.U16LE(2); // longs per entry
            out.U8(0);    // no sub-type
            out.U8(1);    // AVI_INDEX_OF_CHUNKS
            out.U32LE(static_cast<std::uint32_t>(stream.openDmlEntries.size() / 8));
            out.U32LE(stream.chunkId);
            out.U64LE(0); // the base offset: the movie's first chunk, known with the header
            out.U32LE(0);
            out.Bytes(stream.openDmlEntries);
        }
        return indexes;
    }

    // Fills in each super index's one entry and each standard index's base offset, now that
    // the header's length says where the movie and the indexes lie in the clip.
    void PointSuperIndexes(std::vector<std::uint8_t>& header, std::vector<std::uint8_t>& trailer,
                           std::uint64_t indexesAt) {
        ByteWriter headerWriter(header);
        ByteWriter trailerWriter(trailer);
        std::size_t at = 0;
        for (const Stream& stream : streams_) {
            if (stream.openDmlEntries.empty())
                continue;
            const std::uint64_t chunkBytes = 32 + stream.openDmlEntries.size();
            for (int half = 0; half < 2; ++half)
                trailerWriter.PatchU32LE(
                    at + 20 + 4 * half,
                    static_cast<std::uint32_t>((header.size() >> (32 * half)) & 0xFFFFFFFF));
            const std::uint64_t chunkAt = indexesAt + at;
            const std::size_t entry = stream.superIndexAt + 24;
            headerWriter.PatchU32LE(stream.superIndexAt + 4, 1);
            headerWriter.PatchU32LE(entry, static_cast<std::uint32_t>(chunkAt & 0xFFFFFFFF));
            headerWriter.PatchU32LE(entry + 4, static_cast<std::uint32_t>(chunkAt >> 32));
            headerWriter.PatchU32LE(entry + 8, static_cast<std::uint32_t>(chunkBytes));
            headerWriter.PatchU32LE(entry + 12, static_cast<std::uint32_t>(stream.unitsInClip));
            at += static_cast<std::size_t>(chunkBytes);
        }
    }

    // RIFF 'AVI ', the header list without the source's OpenDML parts and padding (with new
    // ones for a large clip), the source's INFO list, and the head of the movie list.
    std::vector<std::uint8_t> BuildHeader(double clipStart, std::uint64_t movieBytes, std::size_t indexBytes,
                                          bool openDml) {
        std::vector<std::uint8_t> header;
        ByteWriter out(header);
        out.Text("RIFF");
        out.U32LE(0);
        out.Text("AVI ");
        out.Text("LIST");
        out.U32LE(0);
        out.Text("hdrl");
        MemorySource list(headerList_);
        const std::span<const std::uint8_t> bytes(headerList_);
        std::size_t stream = 0;
        for (std::uint64_t at = 0; at < list.Size();) {
            const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, list.Size());
            if (!chunk || chunk->DataEnd() > list.Size())
                break;
            const std::span<const std::uint8_t> whole =
                bytes.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(chunk->DataEnd() - at));
            if (chunk->id == FourCC("avih")) {
                const std::size_t avih = out.Size() + 8;
                out.Bytes(whole);
                out.PatchU32LE(avih + 12,
                               ReadU32LE(bytes, static_cast<std::size_t>(at) + 8 + 12) | kHasIndexFlag);
                out.PatchU32LE(avih + 16, static_cast<std::uint32_t>(streams_[video_].unitsInClip));
            } else if (chunk->listType == FourCC("strl") && stream < streams_.size()) {
                WriteStreamList(out, list, *chunk, streams_[stream++], clipStart, openDml);
            } else if (chunk->listType != FourCC("odml") && chunk->id != FourCC("JUNK")) {
                out.Bytes(whole);
                if (chunk->size & 1)
                    out.U8(0);
            }
            at = chunk->Next();
        }
        if (openDml) { // the extended header: the clip's frame count
            out.Text("LIST");
            out.U32LE(4 + 8 + 248);
            out.Text("odml");
            out.Text("dmlh");
            out.U32LE(248);
            out.U32LE(static_cast<std::uint32_t>(streams_[video_].unitsInClip));
            header.resize(header.size() + 244);
        }
        out.PatchU32LE(16, static_cast<std::uint32_t>(out.Size() - 20));
        out.Bytes(infoList_);
        out.Text("LIST");
        out.U32LE(static_cast<std::uint32_t>(movieBytes + 4));
        out.Text("movi");
        out.PatchU32LE(4, static_cast<std::uint32_t>(out.Size() - 8 + movieBytes + indexBytes));
        return header;
    }

    void WriteStreamList(ByteWriter& out, MemorySource& list, const RiffChunk& strl, Stream& stream,
                         double clipStart, bool openDml) {
        const std::size_t listAt = out.Size();
        out.Text("LIST");
        out.U32LE(0);
        out.Text("strl");
        const std::span<const std::uint8_t> bytes(headerList_);
        for (std::uint64_t at = strl.ListBegin(); at < strl.DataEnd();) {
            const std::optional<RiffChunk> chunk = ReadRiffChunk(list, at, strl.DataEnd());
            if (!chunk || chunk->DataEnd() > strl.DataEnd())
                break;
            if (chunk->id != FourCC("indx") && chunk->id != FourCC("JUNK")) {
                const std::size_t data = out.Size() + 8;
                out.Bytes(bytes.subspan(static_cast<std::size_t>(at),
                                        static_cast<std::size_t>(chunk->DataEnd() - at)));
                if (chunk->size & 1)
                    out.U8(0);
                if (chunk->id == FourCC("strh")) {
                    const double delay = stream.unitsInClip
                                             ? stream.Seconds(stream.start + stream.unitsBefore) - clipStart
                                             : 0;
                    out.PatchU32LE(data + 28, static_cast<std::uint32_t>(
                                                  std::llround(delay * stream.rate / stream.scale)));
                    out.PatchU32LE(data + 32, static_cast<std::uint32_t>(stream.unitsInClip));
                }
            }
            at = chunk->Next();
        }
        if (openDml) { // a super index of one entry, filled in when the clip's layout is known
            out.Text("indx");
            out.U32LE(24 + 16);
            stream.superIndexAt = out.Size();
            out.U16LE(4); // longs per entry
            out.U8(0);    // no sub-type
            out.U8(0);    // AVI_INDEX_OF_INDEXES
            out.U32LE(0);
            out.U32LE(stream.chunkId);
            for (int i = 0; i < 7; ++i)
                out.U32LE(0);
        }
        out.PatchU32LE(listAt + 4, static_cast<std::uint32_t>(out.Size() - listAt - 8));
    }

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

} // namespace

PlanResult PlanAviClip(ByteSource& source, Marks marks) {
    return AviPlanner(source, marks).Plan();
}

} // namespace klevotrim::clip
