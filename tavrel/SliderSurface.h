#pragma once
// The seek bar's retained image (a memory bitmap the window only blits) and the gradient
// painting that fills it.
#include "tavrel/Interfaces.h"
#include "tavrel/SliderModel.h"

#include "common/win/UniqueHandle.h"

#include <array>
#include <cstdint>

namespace klevotrim::tavrel {

using Palette = std::array<std::uint32_t, kColourCount>;

// Fills (left, top)-(right, bottom), right and bottom exclusive, with a two-colour gradient.
// The fill's own result is not examined.
void GradientTwoColour(HDC dc, GRADIENT_DIRECT direction, std::uint32_t startColour, std::uint32_t endColour,
                       LONG left, LONG top, LONG right, LONG bottom);

// The track: two stacked vertical gradients (palette 0 to 2 above h2, 4 to 6 below).
void PaintTrack(HDC dc, const Palette& palette, int width, int height);

// The filled part up to x (exclusive): palette 8 to 10 above h2, 12 to 14 below.
void PaintFilledPart(HDC dc, const Palette& palette, int x, int height);

class SliderSurface {
  public:
    SliderSurface() = default;
    SliderSurface(const SliderSurface&) = delete;
    SliderSurface& operator=(const SliderSurface&) = delete;
    ~SliderSurface();

    // Makes the image width x height (a new, cleared image when the size changes).
    bool EnsureSize(int width, int height);
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

    void Clear();
    // Makes `font` the image's font (the caller keeps the font alive while selected).
    void UseFont(HFONT font);
    // Copies the image to `target`, stretched to `bounds`.
    void Present(HDC target, const RECT& bounds) const;

  private:
    void Release();

    win::UniqueMemoryDc dc_;
    win::UniqueBitmap bitmap_;
    HGDIOBJ originalBitmap_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace klevotrim::tavrel
