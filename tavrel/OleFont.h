#pragma once
// The platform's standard font objects by value: one made from a face, and the face of one.
#include "tavrel/FontFace.h"

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <optional>

namespace klevotrim::tavrel {

// A new standard font object; empty when the platform cannot make one.
Microsoft::WRL::ComPtr<IFontDisp> CreateFontObject(const FontFace& face);

// The face of a font object; nothing for an object that is no font or cannot be read.
std::optional<FontFace> ReadFontFace(IUnknown* font);

} // namespace klevotrim::tavrel
