#pragma once
// Pictures of the image slider: the built-in dark-theme skin drawn with GDI, and measuring and
// drawing any picture object (bitmap, icon or metafile) in pixels.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

namespace klevotrim {

enum class SliderPicture { Track, BarNormal, BarHover, BarInactive };

// Sizes of the built-in pictures, in pixels.
inline constexpr int kDefaultTrackWidth = 234;
inline constexpr int kDefaultTrackHeight = 9;
inline constexpr int kDefaultThumbWidth = 26;
inline constexpr int kDefaultThumbHeight = 9;

// A new picture object holding the built-in bitmap for `which`; null if it cannot be made.
Microsoft::WRL::ComPtr<IPictureDisp> MakeDefaultPicture(SliderPicture which);

// Size of a picture in pixels ({0, 0} for none): bitmaps by their own pixel size, other kinds
// from their HIMETRIC size at the screen's resolution.
SIZE PicturePixelSize(IPictureDisp* picture);

// Draws `picture` at its own size with its top-left corner at (x, y).
void DrawPicture(HDC dc, IPictureDisp* picture, int x, int y);

} // namespace klevotrim
