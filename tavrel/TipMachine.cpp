#include "tavrel/TipMachine.h"

#include "common/Rounding.h"

namespace klevotrim::tavrel {

TipEffects TipMachine::Request(std::uintptr_t owner, const std::wstring& text, TipPoint cursor) {
    TipEffects effects;
    if (text.empty())
        return effects; // an empty text leaves a shown or pending tip alone
    const bool newText = text != text_;
    const bool newOwner = owner != owner_;
    const bool moved = cursor != lastCursor_;
    if (!(newText || newOwner || (moved && !visible_)))
        return effects;
    effects.accepted = true;
    lastCursor_ = cursor;
    owner_ = owner;
    text_ = text;
    processOn_ = true;
    if (visible_) {
        // Redrawn and re-placed at once, and the display time starts again.
        showCounter_ = 1;
        TipEffects tick = TickWaitStart();
        effects.show = tick.show;
    } else {
        showCounter_ = 0;
        waitStartOn_ = true;
    }
    return effects;
}

bool TipMachine::DependsOnPointer(std::uintptr_t owner, const std::wstring& text) const {
    return text.empty() ? false : !(visible_ && owner == owner_ && text == text_);
}

TipEffects TipMachine::TickWaitStart() {
    TipEffects effects;
    if (showCounter_ == 1) {
        hideCounter_ = 0;
        effects.show = true;
        visible_ = true;
        waitEndOn_ = true;
        waitStartOn_ = false;
    }
    ++showCounter_;
    return effects;
}

TipEffects TipMachine::TickProcess(std::uintptr_t underPointer) {
    if (underPointer == owner_)
        return {};
    waitStartOn_ = false; // a pending show is dropped
    return Hide();
}

TipEffects TipMachine::TickWaitEnd() {
    TipEffects effects;
    if (hideCounter_ == 10)
        effects = Hide();
    ++hideCounter_;
    return effects;
}

TipEffects TipMachine::Hide() {
    processOn_ = false;
    waitEndOn_ = false;
    visible_ = false;
    TipEffects effects;
    effects.hide = true;
    return effects;
}

std::int32_t TipTextRight(std::int32_t textWidth, std::int32_t tipWidthMax) {
    return textWidth > tipWidthMax ? tipWidthMax + 6 : 3 + textWidth;
}

TipRect PlaceTip(TipPoint p, std::int32_t textRight, std::int32_t textHeight, double screenWidthTwips) {
    TipRect rect{p.x + 1, p.y + 22, textRight + 3, textHeight + 6};
    const double screenWidth = screenWidthTwips / 15.0;
    if (screenWidth < static_cast<double>(rect.x) + rect.width)
        rect.x = static_cast<std::int32_t>(RoundHalfEven(screenWidth - rect.width));
    return rect;
}

} // namespace klevotrim::tavrel
