#include "tavrel/SliderSurface.h"

namespace klevotrim::tavrel {

void GradientTwoColour(HDC dc, GRADIENT_DIRECT direction, std::uint32_t startColour, std::uint32_t endColour,
                       LONG left, LONG top, LONG right, LONG bottom) {
    RECT rect;
    SetRect(&rect, left, top, right, bottom);
    const Channels16 start = ToVertexChannels(startColour);
    const Channels16 end = ToVertexChannels(endColour);
    TRIVERTEX vertices[2] = {
        {rect.left, rect.top, start.red, start.green, start.blue, 0},
        {rect.right, rect.bottom, end.red, end.green, end.blue, 0},
    };
    GRADIENT_RECT record{0, 1};
    const ULONG mode = direction == TopToBottom ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H;
    GradientFill(dc, vertices, 2, &record, 1, mode); // result not examined by design
}

void PaintTrack(HDC dc, const Palette& palette, int width, int height) {
    const LONG half = HalfHeight(height);
    GradientTwoColour(dc, TopToBottom, palette[0], palette[2], 0, 0, width, half);
    GradientTwoColour(dc, TopToBottom, palette[4], palette[6], 0, half, width, height);
}

void PaintFilledPart(HDC dc, const Palette& palette, int x, int height) {
    const LONG half = HalfHeight(height);
    GradientTwoColour(dc, TopToBottom, palette[8], palette[10], 0, 0, x, half);
    GradientTwoColour(dc, TopToBottom, palette[12], palette[14], 0, half, x, height);
}

SliderSurface::~SliderSurface() {
    Release();
}

void SliderSurface::Release() {
    if (dc_) {
        if (originalFont_)
            SelectObject(dc_.get(), originalFont_);
        if (originalBitmap_)
            SelectObject(dc_.get(), originalBitmap_);
    }
    originalFont_ = nullptr;
    originalBitmap_ = nullptr;
    bitmap_.reset();
    dc_.reset();
    width_ = height_ = 0;
}

bool SliderSurface::EnsureSize(int width, int height) {
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    if (dc_ && width == width_ && height == height_)
        return true;
    HGDIOBJ font = dc_ ? GetCurrentObject(dc_.get(), OBJ_FONT) : nullptr;
    const bool hadFont = originalFont_ != nullptr;
    Release();
    dc_.reset(CreateCompatibleDC(nullptr));
    if (!dc_)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_) {
        dc_.reset();
        return false;
    }
    originalBitmap_ = SelectObject(dc_.get(), bitmap_.get());
    width_ = width;
    height_ = height;
    if (hadFont && font)
        UseFont(static_cast<HFONT>(font));
    Clear();
    return true;
}

void SliderSurface::Clear() {
    if (!dc_)
        return;
    RECT all{0, 0, width_, height_};
    FillRect(dc_.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
}

void SliderSurface::UseFont(HFONT font) {
    if (!dc_ || !font)
        return;
    HGDIOBJ previous = SelectObject(dc_.get(), font);
    if (!originalFont_ && previous && previous != HGDI_ERROR)
        originalFont_ = previous;
}

void SliderSurface::Present(HDC target, const RECT& bounds) const {
    if (!dc_ || !target)
        return;
    const int w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    if (w == width_ && h == height_)
        BitBlt(target, bounds.left, bounds.top, w, h, dc_.get(), 0, 0, SRCCOPY);
    else
        StretchBlt(target, bounds.left, bounds.top, w, h, dc_.get(), 0, 0, width_, height_, SRCCOPY);
}

} // namespace klevotrim::tavrel
