#include "ui/chrome/Border.h"

#include <objbase.h> // UniqueHandle.h uses CoInitializeEx, which lean windows.h leaves out

#include "common/win/UniqueHandle.h"

namespace klevotrim {

namespace {

// The resize zones and the pointer they chose: one set for the process, since one window at
// a time is pressed.
struct ResizeState {
    ResizeFlags flags;
    ResizePointer pointer = ResizePointer::Default;
};
ResizeState g_resize;

struct WindowSize {
    int widthTwips = 0;
    int heightTwips = 0;
    int widthPixels = 0;
    int heightPixels = 0;
};

WindowSize SizeOf(HWND form) {
    RECT rect{};
    if (!::GetWindowRect(form, &rect))
        return {};
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    return {w * kTwipsPerPixel, h * kTwipsPerPixel, w, h};
}

LPCWSTR CursorFor(ResizePointer pointer) {
    switch (pointer) {
    case ResizePointer::SizeWE:
        return IDC_SIZEWE;
    case ResizePointer::SizeNS:
        return IDC_SIZENS;
    case ResizePointer::SizeNWSE:
        return IDC_SIZENWSE;
    case ResizePointer::Default:
        break;
    }
    return IDC_ARROW;
}

void ResizeTo(HWND form, int widthPixels, int heightPixels) {
    // A failed resize leaves the window as it was; the next move tries again.
    ::SetWindowPos(form, nullptr, 0, 0, widthPixels, heightPixels,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Gives a region to a window; the window owns it from then on.
void ApplyRegion(HWND form, win::UniqueRegion region) {
    if (region && ::SetWindowRgn(form, region.get(), TRUE))
        region.release();
}

} // namespace

FormStyles FormBorderStyles(const FormBorder& border, bool mdiChild) {
    FormStyles s;
    if (border.clipChildren)
        s.style |= WS_CLIPCHILDREN;
    if (border.systemMenu)
        s.style |= WS_SYSMENU;
    if (border.maxBox)
        s.style |= WS_MAXIMIZEBOX;
    if (border.minBox)
        s.style |= WS_MINIMIZEBOX;
    if (border.appWindow)
        s.exStyle |= WS_EX_APPWINDOW;
    if (border.contextHelp)
        s.exStyle |= WS_EX_CONTEXTHELP;
    if (mdiChild)
        s.exStyle |= WS_EX_MDICHILD;

    constexpr LONG_PTR kFramed = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION;
    switch (border.borderStyle) {
    case 0:
        s.style |= WS_VISIBLE | WS_CLIPSIBLINGS;
        break;
    case 1:
        s.style |= kFramed;
        s.exStyle |= WS_EX_WINDOWEDGE;
        break;
    case 2:
        s.style |= kFramed | WS_THICKFRAME;
        s.exStyle |= WS_EX_WINDOWEDGE;
        break;
    case 3:
        s.style |= kFramed | DS_MODALFRAME;
        s.exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case 4:
        s.style |= kFramed;
        s.exStyle |= WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
        break;
    case 5:
        s.style |= kFramed | WS_THICKFRAME;
        s.exStyle |= WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
        break;
    default:
        break;
    }
    return s;
}

void SetFormBorder(HWND form, const FormBorder& border) {
    const bool mdiChild = (::GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
    const FormStyles s = FormBorderStyles(border, mdiChild);
    ::SetWindowLongPtrW(form, GWL_STYLE, s.style);
    ::SetWindowLongPtrW(form, GWL_EXSTYLE, s.exStyle);
    // Lets the system recompute the frame for the new styles.
    ::SetWindowPos(form, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE);
}

void SetRoundRegion(HWND form, int ellipseWidth, int ellipseHeight) {
    const WindowSize size = SizeOf(form);
    ApplyRegion(form, win::UniqueRegion(::CreateRoundRectRgn(0, 0, size.widthPixels, size.heightPixels,
                                                             ellipseWidth, ellipseHeight)));
}

void SetRectRegion(HWND form) {
    const WindowSize size = SizeOf(form);
    ApplyRegion(form, win::UniqueRegion(::CreateRectRgn(0, 0, size.widthPixels, size.heightPixels)));
}

void DragWindow(HWND form) {
    // The system's move loop ends on the button's release; started without a held button
    // it would carry the window with the mouse until the next click.
    if ((::GetKeyState(VK_LBUTTON) & 0x8000) == 0)
        return;
    ::ReleaseCapture();
    // The system runs its move loop as if the caption were dragged; the result means nothing.
    ::SendMessageW(form, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void BeginResize(int xTwips, int yTwips, HWND form) {
    const WindowSize size = SizeOf(form);
    g_resize.flags = PressFlags(xTwips, yTwips, size.widthTwips, size.heightTwips, g_resize.flags);
}

void TrackResize(int xTwips, int yTwips, HWND form, int button) {
    const WindowSize size = SizeOf(form);
    g_resize.pointer =
        MovePointer(xTwips, yTwips, size.widthTwips, size.heightTwips, g_resize.flags, g_resize.pointer);
    ::SetCursor(::LoadCursorW(nullptr, CursorFor(g_resize.pointer)));

    const ResizeStep step = MoveStep(xTwips, yTwips, g_resize.flags, button);
    switch (step.kind) {
    case ResizeStep::Width:
        ResizeTo(form, TwipsToPixels(step.widthTwips), size.heightPixels);
        break;
    case ResizeStep::Height:
        ResizeTo(form, size.widthPixels, TwipsToPixels(step.heightTwips));
        break;
    case ResizeStep::Both:
        ResizeTo(form, TwipsToPixels(step.widthTwips), TwipsToPixels(step.heightTwips));
        break;
    case ResizeStep::Drag:
        DragWindow(form);
        break;
    case ResizeStep::None:
        break;
    }
}

void EndResize() {
    g_resize.flags = {};
}

LPCWSTR CurrentResizeCursor() {
    return CursorFor(g_resize.pointer);
}

ResizeFlags CurrentResizeFlags() {
    return g_resize.flags;
}

} // namespace klevotrim
