// WAV (RIFF/WAVE, RF64/BW64): the clip is a new header with the source's format chunk, then the
// sample frames from the start mark to the end mark, copied unchanged.
#include <array>
#include <cstring>
#include <limits>

#include "cutting/clip/AudioPlanners.h"
#include "cutting/clip/Bytes.h"
#include "cutting/clip/Riff.h"

namespace klevotrim::clip {
namespace {

constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatFloat = 0x0003;
constexpr std::uint16_t kFormatALaw = 0x0006;
constexpr std::uint16_t kFormatMuLaw = 0x0007;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// Format chunks are 16 to 40 bytes; a larger one is not a format chunk we can trust.
constexpr std::uint32_t kMaxFormatChunk = 1024;
constexpr int kMaxChunks = 4096;
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;

bool Is(std::span<const std::uint8_t> bytes, std::size_t at, const char* fourCC) {
    return std::memcmp(bytes.data() + at, fourCC, 4) == 0;
}

struct WavSource {
    std::vector<std::uint8_t> format;
    std::uint64_t dataBegin = 0;
    std::uint64_t dataSize = 0;
    bool haveData = false;
};

// Walks the chunks; fills `wav` or returns the failure.
std::optional<PlanResult> ReadChunks(ByteSource& source, bool rf64, WavSource& wav) {
    const std::uint64_t size = source.Size();
    std::uint64_t ds64DataSize = 0;
    bool haveDs64 = false;
    std::uint64_t at = 12;
    for (int chunk = 0; chunk < kMaxChunks && !(wav.haveData && !wav.format.empty()); ++chunk) {
        const std::optional<RiffChunk> head = ReadRiffChunk(source, at, size);
        if (!head) {
            if (!wav.haveData)
                return PlanResult::Fail(PlanStatus::Damaged, "the WAV header ends before its data chunk");
            break; // a format chunk after the data, if any, is cut off
        }
        const std::uint32_t chunkSize = head->size;
        const std::uint64_t body = head->DataBegin();
        if (head->id == FourCC("ds64") && rf64 && chunk == 0) {
            std::array<std::uint8_t, 24> sizes{};
            if (chunkSize < sizes.size() || !ReadExact(source, body, sizes))
                return PlanResult::Fail(PlanStatus::Damaged, "the RF64 size chunk is cut short");
            ds64DataSize = ReadU64LE(sizes, 8);
            haveDs64 = true;
        } else if (head->id == FourCC("fmt ") && wav.format.empty()) {
            if (chunkSize < 16)
                return PlanResult::Fail(PlanStatus::Damaged, "the WAV format chunk is too short");
            if (chunkSize > kMaxFormatChunk)
                return PlanResult::Fail(PlanStatus::Damaged, "the WAV format chunk is too long");
            wav.format.resize(chunkSize);
            if (!ReadExact(source, body, wav.format))
                return PlanResult::Fail(PlanStatus::Damaged, "the WAV header ends inside its format chunk");
        } else if (head->id == FourCC("data") && !wav.haveData) {
            wav.haveData = true;
            wav.dataBegin = body;
            wav.dataSize = (rf64 && haveDs64 && chunkSize == kUnknownSize) ? ds64DataSize : chunkSize;
            // A recording that stopped early, or one written without going back to fill in the
            // size, holds less than it says: keep what is there.
            if (body > size)
                return PlanResult::Fail(PlanStatus::Damaged, "the WAV header ends before its data chunk");
            if (wav.dataSize > size - body || (!rf64 && chunkSize == kUnknownSize))
                wav.dataSize = size - body;
            if (!wav.format.empty())
                break;
        }
        // Chunks are padded to an even length.
        const std::uint64_t next =
            body + ((wav.haveData && wav.dataBegin == body) ? wav.dataSize : chunkSize);
        at = next + (next & 1);
    }
    if (wav.format.empty())
        return PlanResult::Fail(PlanStatus::Damaged, "the WAV file has no format chunk before its end");
    if (!wav.haveData)
        return PlanResult::Fail(PlanStatus::Damaged, "the WAV header ends before its data chunk");
    return std::nullopt;
}

std::optional<PlanResult> CheckFormat(std::span<const std::uint8_t> format) {
    std::uint16_t tag = ReadU16LE(format, 0);
    if (tag == kFormatExtensible) {
        // The sub-format GUID's first two bytes carry the real format tag.
        if (format.size() < 40)
            return PlanResult::Fail(PlanStatus::Damaged, "the WAV extensible format chunk is too short");
        tag = ReadU16LE(format, 24);
    }
    if (tag != kFormatPcm && tag != kFormatFloat && tag != kFormatALaw && tag != kFormatMuLaw)
        return PlanResult::Fail(PlanStatus::Unsupported, "the WAV file holds compressed audio");
    if (ReadU16LE(format, 2) == 0 || ReadU32LE(format, 4) == 0)
        return PlanResult::Fail(PlanStatus::Damaged, "the WAV format gives no channels or no sample rate");
    if (ReadU16LE(format, 12) == 0)
        return PlanResult::Fail(PlanStatus::Damaged, "the WAV format gives a block size of 0");
    return std::nullopt;
}

std::vector<std::uint8_t> MakeHeader(std::span<const std::uint8_t> format, std::uint64_t dataSize,
                                     std::uint64_t sampleFrames) {
    std::vector<std::uint8_t> header;
    ByteWriter out(header);
    const std::uint64_t formatChunk = 8 + format.size() + (format.size() & 1);
    const std::uint64_t dataChunk = 8 + dataSize + (dataSize & 1);
    std::uint64_t riffSize = 4 + formatChunk + dataChunk;
    const bool rf64 = riffSize > std::numeric_limits<std::uint32_t>::max();
    if (rf64) {
        constexpr std::uint64_t kDs64Chunk = 8 + 28;
        riffSize += kDs64Chunk;
        out.Text("RF64");
        out.U32LE(kUnknownSize);
        out.Text("WAVE");
        out.Text("ds64");
        out.U32LE(28);
        out.U64LE(riffSize);
        out.U64LE(dataSize);
        out.U64LE(sampleFrames);
        out.U32LE(0); // no table of other large chunks
    } else {
        out.Text("RIFF");
        out.U32LE(static_cast<std::uint32_t>(riffSize));
        out.Text("WAVE");
    }
    out.Text("fmt ");
    out.U32LE(static_cast<std::uint32_t>(format.size()));
    out.Bytes(format);
    if (format.size() & 1)
        out.U8(0);
    out.Text("data");
    out.U32LE(rf64 ? kUnknownSize : static_cast<std::uint32_t>(dataSize));
    return header;
}

} // namespace

PlanResult PlanWav(ByteSource& source, Marks marks) {
    std::array<std::uint8_t, 12> riff{};
    if (!ReadExact(source, 0, riff) || !Is(riff, 8, "WAVE"))
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not a WAV file");
    const bool rf64 = Is(riff, 0, "RF64") || Is(riff, 0, "BW64");
    if (!rf64 && !Is(riff, 0, "RIFF"))
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not a WAV file");

    WavSource wav;
    if (std::optional<PlanResult> failed = ReadChunks(source, rf64, wav))
        return std::move(*failed);
    if (std::optional<PlanResult> failed = CheckFormat(wav.format))
        return std::move(*failed);

    const std::uint32_t sampleRate = ReadU32LE(wav.format, 4);
    const std::uint16_t blockAlign = ReadU16LE(wav.format, 12);
    const std::uint64_t totalFrames = wav.dataSize / blockAlign;
    if (totalFrames == 0)
        return PlanResult::Fail(PlanStatus::Damaged, "the WAV data chunk holds no whole sample frame");

    std::string reason;
    const std::optional<UnitRange> frames = UnitsForMarks(marks, sampleRate, totalFrames, reason);
    if (!frames)
        return PlanResult::Fail(PlanStatus::BadMarks, reason);

    PlanResult result;
    result.status = PlanStatus::Planned;
    ClipPlan& plan = result.plan;
    const std::uint64_t dataSize = (frames->end - frames->first) * blockAlign;
    plan.header = MakeHeader(wav.format, dataSize, frames->end - frames->first);
    plan.rangeBegin = wav.dataBegin + frames->first * blockAlign;
    plan.rangeEnd = plan.rangeBegin + dataSize;
    if (dataSize & 1)
        plan.trailer.push_back(0); // the data chunk's pad byte
    plan.start = static_cast<double>(frames->first) / sampleRate;
    plan.duration = static_cast<double>(frames->end - frames->first) / sampleRate;
    return result;
}

} // namespace klevotrim::clip
