#include "controls/slider/SliderModel.h"

#include "common/Rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace klevotrim {

std::optional<std::int32_t> OnlyNumber(std::wstring_view text) {
    std::int64_t number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            continue;
        number = number * 10 + (c - L'0');
        if (number > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

void SliderModel::SetSizes(double trackWidth, double trackHeight, double thumbWidth) {
    trackWidth_ = trackWidth;
    trackHeight_ = trackHeight;
    thumbWidth_ = thumbWidth;
}

double SliderModel::Travel() const {
    return std::max(0.0, trackWidth_ - thumbWidth_);
}

std::optional<std::int32_t> SliderModel::Max() const {
    return ToInt32(max_);
}

bool SliderModel::SetMax(double value) {
    std::optional<std::int32_t> whole = ToInt32(value);
    if (!whole)
        return false;
    max_ = *whole < 1 ? 1.0 : value;
    return true;
}

std::optional<double> SliderModel::PositionToValue(double p) const {
    if (p <= 0.0)
        return 0.0;
    std::optional<std::int32_t> max = Max();
    double travel = Travel();
    if (!max || travel <= 0.0)
        return std::nullopt;
    return static_cast<double>(*max) * p / travel;
}

std::optional<std::int32_t> SliderModel::Value() const {
    std::optional<double> value = PositionToValue(thumbLeft_);
    if (!value)
        return std::nullopt;
    return ToInt32(*value);
}

void SliderModel::SetValue(double value) {
    std::optional<std::int32_t> max = Max();
    if (std::isnan(value) || !max)
        return;
    if (value <= 0.0)
        value = 0.0;
    // A value too large for 32 bits is simply beyond Max.
    std::optional<std::int32_t> whole = ToInt32(value);
    if (!whole || *whole > *max)
        value = *max;
    thumbLeft_ = Travel() * (value / *max);
    Refresh();
}

double SliderModel::ClampToTravel(double p) const {
    double travel = Travel();
    if (p > travel)
        return travel;
    if (p < 0.0)
        return 0.0;
    return p;
}

void SliderModel::Refresh() {
    if (!enabled_) {
        look_ = ThumbLook::Inactive;
        thumbLeft_ = 0.0;
        hovering_ = false;
        return;
    }
    look_ = hovering_ ? ThumbLook::Hover : ThumbLook::Normal;
    thumbLeft_ = ClampToTravel(thumbLeft_);
}

MouseMoveOutcome SliderModel::MouseMove(std::int16_t button, double x, double y, bool captureIsOurs) {
    MouseMoveOutcome outcome;
    if (!enabled_)
        return outcome;
    if (button == kLeftButton) {
        double left = ClampToTravel(x - thumbWidth_ / 2.0);
        outcome.redraw = left != thumbLeft_;
        thumbLeft_ = left;
        outcome.raiseChange = true;
        return outcome;
    }
    bool inside = x >= 0.0 && x <= trackWidth_ && y >= 0.0 && y <= trackHeight_;
    if (inside) {
        if (!captureIsOurs) {
            outcome.redraw = look_ != ThumbLook::Hover;
            look_ = ThumbLook::Hover;
            hovering_ = true;
            outcome.capture = CaptureAction::Take;
        }
        return outcome;
    }
    outcome.redraw = look_ != ThumbLook::Normal;
    look_ = ThumbLook::Normal;
    hovering_ = false;
    outcome.capture = CaptureAction::Release;
    return outcome;
}

bool SliderModel::CaptureLost() {
    if (!hovering_)
        return false;
    hovering_ = false;
    if (enabled_)
        look_ = ThumbLook::Normal;
    return true;
}

} // namespace klevotrim
