#pragma once
// A font as the standard font object describes it, compared by value: the saved "Font" is
// left out when it equals the host form's font, whichever object holds it.
#include <cstdint>
#include <string>

namespace klevotrim::tavrel {

struct FontFace {
    std::wstring name;
    std::int64_t size = 0; // points times 10,000, as the font object keeps it
    std::int16_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::int16_t charset = 1; // DEFAULT_CHARSET
};

// Equal in every field; names compare without regard to case, as font names do.
bool SameFont(const FontFace& a, const FontFace& b);

// A new control's own font (8.25-point MS Sans Serif) and the tooltip's standard font
// (8-point Verdana).
FontFace ControlStandardFace();
FontFace TipStandardFace();

} // namespace klevotrim::tavrel
