#include "cutting/ClipWriterProgress.h"

#include <algorithm>
#include <limits>

namespace klevotrim {
namespace {

std::int32_t ToBar(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

CopyProgress::CopyId CopyProgress::Begin() {
    copies_.push_back(Copy{next_, {}, false});
    return next_++;
}

std::size_t CopyProgress::IndexOf(CopyId id) const {
    auto found =
        std::find_if(copies_.begin(), copies_.end(), [id](const Copy& copy) { return copy.id == id; });
    return static_cast<std::size_t>(found - copies_.begin());
}

ProgressShown CopyProgress::Step(CopyId id, std::int64_t step, std::int64_t steps) {
    const ProgressShown shown{ToBar(steps - 1), ToBar(step - 1)};
    if (const std::size_t at = IndexOf(id); at < copies_.size())
        copies_[at].shown = shown;
    return shown;
}

bool CopyProgress::RequestStop() {
    if (copies_.empty())
        return false;
    copies_.back().stopRequested = true;
    return true;
}

bool CopyProgress::StopRequested(CopyId id) const {
    const std::size_t at = IndexOf(id);
    return at < copies_.size() && copies_[at].stopRequested;
}

CopyProgress::AfterCopy CopyProgress::End(CopyId id) {
    AfterCopy after;
    const std::size_t at = IndexOf(id);
    if (at < copies_.size()) {
        after.shown = {copies_[at].shown.maximum, 0};
        copies_.erase(copies_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    if (Running()) {
        after.windowStays = true;
        after.shown = copies_.back().shown;
    }
    return after;
}

} // namespace klevotrim
