#include "cutting/CutPoints.h"

namespace klevotrim {

CutBarUpdate CutPoints::StartPoint(const SeekBarPlacement& pos) {
    CutBarUpdate update;
    cutStart_ = 0;
    update.height = BarThickness;
    // With a 2-pixel bar its top sits half a pixel above the seek bar's middle line.
    update.top = pos.top + pos.height / 2.0 - BarThickness / 4.0;
    update.bringToFront = true;
    cutStart_ = pos.value;
    startSeconds_ = pos.mediaSeconds;
    update.width = BarThickness;
    // A start at the very end keeps the bar's left edge and visibility as they were.
    if (pos.max == cutStart_)
        return update;
    update.left = pos.left - BarThickness / 2.0 + pos.width * cutStart_ / pos.max;
    update.show = true;
    update.endButton = ButtonChange::Enable;
    return update;
}

CutBarUpdate CutPoints::EndPoint(const SeekBarPlacement& pos) {
    cutEnd_ = pos.value;
    endSeconds_ = pos.mediaSeconds;
    if (cutEnd_ > cutStart_) {
        CutBarUpdate update;
        // A bar without a scale has no length to show; the range itself still counts.
        if (pos.max != 0)
            update.width = pos.width * (static_cast<double>(cutEnd_) - cutStart_) / pos.max;
        update.saveButton = ButtonChange::Enable;
        return update;
    }
    if (cutEnd_ == cutStart_)
        return {};
    CutBarUpdate update = StartPoint(pos);
    update.saveButton = ButtonChange::Disable;
    return update;
}

std::optional<MediaMarks> CutPoints::Marks() const {
    if (!startSeconds_ || !endSeconds_)
        return std::nullopt;
    return MediaMarks{*startSeconds_, *endSeconds_};
}

} // namespace klevotrim
