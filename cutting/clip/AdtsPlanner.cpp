// ADTS AAC (.aac): the clip is the source's ID3v2 tag, if any, then whole frames from the one
// holding the start mark to the one holding the end mark. ADTS has no index and no time
// stamps: a frame's time is its number times its samples.
#include <array>

#include "cutting/clip/AudioPlanners.h"

namespace klevotrim::clip {
namespace {

constexpr std::array<std::uint32_t, 13> kSampleRates{96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                     22050, 16000, 12000, 11025, 8000,  7350};

bool ParseAdtsFrame(std::span<const std::uint8_t> b, FrameHeader& frame) {
    if (b.size() < 7 || b[0] != 0xFF || (b[1] & 0xF6) != 0xF0)
        return false; // twelve sync bits, then the layer, always 0
    const std::size_t rateIndex = (b[2] >> 2) & 0x0F;
    if (rateIndex >= kSampleRates.size())
        return false;
    const std::uint32_t headerBytes = (b[1] & 1) ? 7 : 9;
    const std::uint32_t size = static_cast<std::uint32_t>((b[3] & 0x03) << 11 | b[4] << 3 | b[5] >> 5);
    if (size <= headerBytes)
        return false;
    frame.size = size;
    frame.samples = 1024 * ((b[6] & 0x03) + 1u);
    frame.sampleRate = kSampleRates[rateIndex];
    // MPEG version, CRC, profile, sample rate and channels stay the same through a stream.
    frame.streamKey =
        static_cast<std::uint32_t>(b[1]) << 16 | static_cast<std::uint32_t>(b[2] & 0xFD) << 8 | (b[3] & 0xC0);
    return true;
}

} // namespace

PlanResult PlanAdts(ByteSource& source, Marks marks) {
    const std::optional<std::uint64_t> tagLength = Id3v2Length(source, 0);
    if (!tagLength)
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an ADTS file");
    FrameStream stream(source, *tagLength, AudioEnd(source, *tagLength), 7, ParseAdtsFrame);
    if (!stream.StartAfterTag())
        return PlanResult::Fail(PlanStatus::NotThisFormat, "not an ADTS file");

    FrameMap map;
    const std::uint64_t totalFrames = CountFrames(stream, stream.FirstAt(), map);
    const FrameHeader& format = stream.First();
    const double framesPerSecond = static_cast<double>(format.sampleRate) / format.samples;
    std::string reason;
    const std::optional<UnitRange> wanted = UnitsForMarks(marks, framesPerSecond, totalFrames, reason);
    if (!wanted)
        return PlanResult::Fail(PlanStatus::BadMarks, reason);
    const std::optional<FrameSpan> span = LocateFrames(stream, stream.FirstAt(), map, *wanted);
    if (!span)
        return PlanResult::Fail(PlanStatus::Damaged, "the ADTS frames near a mark are damaged");
    if (span->endFrame <= span->firstFrame)
        return PlanResult::Fail(PlanStatus::BadMarks, "the start point lies after the end of the audio");

    PlanResult result;
    result.status = PlanStatus::Planned;
    ClipPlan& plan = result.plan;
    plan.header = LeadingTag(source, *tagLength);
    plan.rangeBegin = span->firstOffset;
    plan.rangeEnd = span->endOffset;
    plan.start = static_cast<double>(span->firstFrame) / framesPerSecond;
    plan.duration = static_cast<double>(span->endFrame - span->firstFrame) / framesPerSecond;
    return result;
}

} // namespace klevotrim::clip
