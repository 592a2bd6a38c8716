#include "tavrel/FontFace.h"

#include <algorithm>

namespace klevotrim::tavrel {

namespace {

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

bool SameFont(const FontFace& a, const FontFace& b) {
    const bool sameName = std::equal(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                     [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); });
    return sameName && a.size == b.size && a.weight == b.weight && a.italic == b.italic &&
           a.underline == b.underline && a.strikethrough == b.strikethrough && a.charset == b.charset;
}

FontFace ControlStandardFace() {
    return {.name = L"MS Sans Serif", .size = 82500};
}

FontFace TipStandardFace() {
    return {.name = L"Verdana", .size = 80000};
}

} // namespace klevotrim::tavrel
