// Reading an AVI file's chunk index: idx1 in a single-part file, OpenDML's indexes, or else
// a walk over the movie lists, looking into frames for keyframes where nothing marks them.
#include <algorithm>
#include <initializer_list>
#include <limits>

#include "cutting/clip/AviPlanning.h"

namespace klevotrim::clip::avi {
namespace {

constexpr std::uint32_t kListFlag = 0x01; // AVIIF_LIST: an index entry for a 'rec ' list

std::optional<std::uint16_t> StreamOfChunk(std::uint32_t id) {
    const auto digit = [](std::uint32_t c) { return c >= '0' && c <= '9' ? static_cast<int>(c - '0') : -1; };
    const int tens = digit(id & 0xFF);
    const int units = digit((id >> 8) & 0xFF);
    if (tens < 0 || units < 0)
        return std::nullopt;
    return static_cast<std::uint16_t>(tens * 10 + units);
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

} // namespace

// The chunks of every stream, in file order: from idx1 in a single-part file, from the
// OpenDML indexes when every stream has one, else by walking the movie lists.
std::optional<Failure> AviPlanner::ReadIndex() {
    std::optional<Failure> failure;
    const bool everyStreamIndexed =
        std::all_of(streams_.begin(), streams_.end(), [](const Stream& s) { return !s.superIndex.empty(); });
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
const MovieExtent* AviPlanner::MovieHolding(std::uint64_t offset, std::uint32_t size) const {
    for (const MovieExtent& movie : movies_)
        if (offset >= movie.begin && offset < movie.end && movie.end - offset >= 8 &&
            movie.end - offset - 8 >= size)
            return &movie;
    return nullptr;
}

std::optional<Failure> AviPlanner::AddEntry(std::uint32_t id, std::uint64_t offset, std::uint32_t size,
                                            bool key, bool keyKnown) {
    const std::optional<std::uint16_t> stream = StreamOfChunk(id);
    if (!stream || *stream >= streams_.size())
        return std::nullopt; // not stream data; it stays in the copy but not in the index
    if (!MovieHolding(offset, size))
        return Damaged("the AVI index points outside the movie data");
    entries_.push_back({offset, id, size, *stream, key, keyKnown});
    return std::nullopt;
}

std::optional<Failure> AviPlanner::ReadIdx1() {
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
std::optional<std::uint64_t> AviPlanner::Idx1Base(std::uint32_t id, std::uint32_t offset) {
    for (const std::uint64_t base : {movies_.front().fourCC, std::uint64_t{0}}) {
        std::array<std::uint8_t, 4> found{};
        if (ReadExact(source_, base + offset, found) && ReadU32LE(found, 0) == id)
            return base;
    }
    return std::nullopt;
}

// Every stream's super index lists its standard indexes (ix##): chunk data offsets from a
// base, sizes with bit 31 set for frames that are not keyframes.
std::optional<Failure> AviPlanner::ReadOpenDmlIndexes() {
    // Each chunk takes at least 8 bytes of the file, so more entries than that is a lie.
    const std::uint64_t maxEntries = size_ / 8;
    std::vector<std::uint8_t> index;
    for (const Stream& stream : streams_) {
        const std::span<const std::uint8_t> super(stream.superIndex);
        const std::uint16_t longsPerEntry = ReadU16LE(super, 0);
        if (super[3] != 0 /* AVI_INDEX_OF_INDEXES */ || longsPerEntry != 4)
            return Unsupported("the AVI file's OpenDML index is of an unknown kind");
        const std::uint64_t inUse = std::min<std::uint64_t>(ReadU32LE(super, 4), (super.size() - 24) / 16);
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
std::optional<Failure> AviPlanner::WalkMovies() {
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
std::optional<bool> AviPlanner::LooksLikeKeyframe(const Entry& frame) {
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

std::optional<Failure> AviPlanner::SettleKey(Entry& frame) {
    if (frame.keyKnown)
        return std::nullopt;
    const std::optional<bool> key = LooksLikeKeyframe(frame);
    if (!key)
        return Unsupported("the AVI file has no index, and its video keyframes cannot be found");
    frame.key = *key;
    frame.keyKnown = true;
    return std::nullopt;
}

} // namespace klevotrim::clip::avi
