#pragma once
// The screen's resolution, for the conversions in common/ScreenUnits.h.
#include "common/ScreenUnits.h"
#include "common/win/UniqueHandle.h"

namespace klevotrim::win {

struct Dpi {
    int x = kDefaultDpi;
    int y = kDefaultDpi;
};

// The default resolution when no screen DC can be had.
inline Dpi ScreenDpi() noexcept {
    WindowDc screen(nullptr);
    if (!screen)
        return {};
    return {::GetDeviceCaps(screen.get(), LOGPIXELSX), ::GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

} // namespace klevotrim::win
