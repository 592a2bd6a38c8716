#include "cutting/CutRange.h"

#include "common/Rounding.h"

#include <cmath>
#include <limits>

namespace klevotrim {
namespace {

// (value * blocks) / divisor, truncated towards zero; no value when the division cannot be
// made (divisor 0) or the product does not fit, which then leaves the result unchanged.
std::optional<std::int64_t> ScaleBlocks(std::int64_t value, std::int64_t blocks, std::int64_t divisor) {
    if (divisor == 0)
        return std::nullopt;
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    if (value != 0 && blocks != 0 && (value > 0 ? value : -value) > limit / blocks)
        return std::nullopt;
    return value * blocks / divisor;
}

} // namespace

std::int64_t CutRange::BlockCount() const {
    std::int64_t count = N > 0 ? N : 0;
    if (R > 0)
        ++count;
    return count;
}

std::int64_t CutRange::BlockLength(std::int64_t index) const {
    return index < N ? BlockSize : R;
}

std::int64_t CutRange::ClipLength() const {
    return L > 0 ? L : 0;
}

CutRange ComputeCutRange(std::int64_t sourceLength, std::int32_t cutStart, std::int32_t cutEnd,
                         std::optional<double> duration) {
    CutRange r;
    r.B = sourceLength > 0 ? sourceLength / BlockSize : 0;
    if (duration && std::isfinite(*duration) && std::fabs(*duration) < 9.0e18)
        r.D = static_cast<std::int64_t>(RoundHalfEven(*duration));
    if (auto s = ScaleBlocks(cutStart, r.B, r.D))
        r.S = *s;
    // The first block of the source is never copied.
    if (r.S < 1)
        r.S = 1;
    r.O1 = r.S * BlockSize;
    if (auto e = ScaleBlocks(cutEnd, r.B, r.D))
        r.E = *e;
    // An end point beyond the duration must not reach past the source's last whole block.
    if (r.E > r.B)
        r.E = r.B;
    r.O2 = r.E * BlockSize;
    r.L = r.O2 - r.O1;
    r.N = r.L / BlockSize;
    r.R = r.L % BlockSize;
    return r;
}

EmptyRangeReason WhyEmpty(const CutRange& range, std::int32_t cutStart, std::int32_t cutEnd) {
    if (!range.IsEmpty())
        return EmptyRangeReason::None;
    if (range.D == 0)
        return EmptyRangeReason::NoDuration;
    if (range.B <= 1)
        return EmptyRangeReason::SourceTooSmall;
    if (cutEnd < cutStart)
        return EmptyRangeReason::EndBeforeStart;
    return EmptyRangeReason::TooShort;
}

} // namespace klevotrim
