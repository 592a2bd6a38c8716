#include "controls/slider/SliderPictures.h"

#include "common/ScreenUnits.h"
#include "common/win/ScreenDpi.h"
#include "common/win/UniqueHandle.h"

namespace klevotrim {
namespace {

using Microsoft::WRL::ComPtr;

struct Palette {
    COLORREF fill;
    COLORREF light; // top edge
    COLORREF dark;  // bottom edge and sides
};

void FillRectColor(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    win::UniqueBrush brush(CreateSolidBrush(color));
    RECT rect{left, top, right, bottom};
    FillRect(dc, &rect, brush.get());
}

// A sunken dark-grey groove the whole width of the track.
void DrawTrack(HDC dc, int width, int height) {
    FillRectColor(dc, 0, 0, width, height, RGB(38, 39, 43));
    FillRectColor(dc, 0, 0, width, 1, RGB(22, 22, 25));
    FillRectColor(dc, 0, height - 1, width, height, RGB(72, 74, 80));
    FillRectColor(dc, 2, height / 2 - 1, width - 2, height / 2 + 2, RGB(58, 60, 66));
}

// A flat bevelled thumb: a lit top edge, a darker rim, and a grip line in the middle.
void DrawThumb(HDC dc, int width, int height, const Palette& colors) {
    FillRectColor(dc, 0, 0, width, height, colors.dark);
    FillRectColor(dc, 1, 1, width - 1, height - 1, colors.fill);
    FillRectColor(dc, 1, 1, width - 1, 2, colors.light);
    FillRectColor(dc, width / 2 - 1, 3, width / 2 + 1, height - 2, colors.dark);
}

} // namespace

ComPtr<IPictureDisp> MakeDefaultPicture(SliderPicture which) {
    const bool track = which == SliderPicture::Track;
    const int width = track ? kDefaultTrackWidth : kDefaultThumbWidth;
    const int height = track ? kDefaultTrackHeight : kDefaultThumbHeight;

    win::WindowDc screen(nullptr);
    if (!screen)
        return nullptr;
    win::UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    win::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!dc || !bitmap)
        return nullptr;
    {
        win::SelectScope select(dc.get(), bitmap.get());
        switch (which) {
        case SliderPicture::Track:
            DrawTrack(dc.get(), width, height);
            break;
        case SliderPicture::BarNormal:
            DrawThumb(dc.get(), width, height, {RGB(74, 158, 230), RGB(140, 196, 245), RGB(36, 92, 150)});
            break;
        case SliderPicture::BarHover:
            DrawThumb(dc.get(), width, height, {RGB(120, 196, 255), RGB(196, 230, 255), RGB(58, 128, 196)});
            break;
        case SliderPicture::BarInactive:
            DrawThumb(dc.get(), width, height, {RGB(112, 114, 120), RGB(150, 152, 158), RGB(78, 80, 86)});
            break;
        }
    }

    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap.get();
    ComPtr<IPictureDisp> picture;
    // fOwn: the picture object deletes the bitmap when its last reference goes.
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE,
                                        reinterpret_cast<void**>(picture.GetAddressOf()))))
        return nullptr;
    bitmap.release();
    return picture;
}

SIZE PicturePixelSize(IPictureDisp* picture) {
    SIZE size{0, 0};
    ComPtr<IPicture> pic;
    if (!picture ||
        FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(pic.GetAddressOf()))))
        return size;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (SUCCEEDED(pic->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(pic->get_Handle(&handle))) {
        BITMAP info{};
        if (GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof(info), &info)) {
            size.cx = info.bmWidth;
            size.cy = info.bmHeight;
            return size;
        }
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(pic->get_Width(&width)) || FAILED(pic->get_Height(&height)))
        return size;
    const win::Dpi dpi = win::ScreenDpi();
    size.cx = HimetricToPixels(width, dpi.x);
    size.cy = HimetricToPixels(height, dpi.y);
    return size;
}

void DrawPicture(HDC dc, IPictureDisp* picture, int x, int y) {
    ComPtr<IPicture> pic;
    if (!picture ||
        FAILED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(pic.GetAddressOf()))))
        return;
    SIZE pixels = PicturePixelSize(picture);
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(pic->get_Width(&width)) || FAILED(pic->get_Height(&height)))
        return;
    // HIMETRIC runs bottom-up: start at the bottom edge and go up by the height.
    pic->Render(dc, x, y, pixels.cx, pixels.cy, 0, height, width, -height,
                nullptr); // a picture that fails to draw just leaves the background
}

} // namespace klevotrim
