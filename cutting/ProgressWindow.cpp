#include "cutting/ProgressWindow.h"

#include "cutting/ClipWriterText.h"
#include "cutting/ProgressBar.h"

#include <new>

namespace klevotrim {
namespace {

constexpr wchar_t ProgressClassName[] = L"KlevotrimProgressWindow";
constexpr DWORD ProgressStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD ProgressExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW;

// Prg: 4,815 x 255 twips at 120, 240 twips.
constexpr int BarLeft = 8;
constexpr int BarTop = 16;
constexpr int BarWidth = 321;
constexpr int BarHeight = 17;

// Over the middle of the owner, or of the screen without one; always on a monitor.
POINT CentredOrigin(HWND owner, int width, int height) {
    RECT area{};
    if (!owner || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    POINT origin{area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (origin.x + width > work.right)
            origin.x = work.right - width;
        if (origin.y + height > work.bottom)
            origin.y = work.bottom - height;
        if (origin.x < work.left)
            origin.x = work.left;
        if (origin.y < work.top)
            origin.y = work.top;
    }
    return origin;
}

} // namespace

ProgressWindow::~ProgressWindow() {
    Unload();
}

bool ProgressWindow::RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &ProgressWindow::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = ProgressClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

bool ProgressWindow::Show(HWND owner, bool alwaysOnTop) {
    if (!window_) {
        if (!RegisterClassOnce())
            return false;
        RECT frame{0, 0, ClientWidth, ClientHeight};
        AdjustWindowRectEx(&frame, ProgressStyle, FALSE, ProgressExStyle);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        const POINT origin = CentredOrigin(owner, width, height);
        // The window procedure stores the handles in this object while the window is created.
        if (!CreateWindowExW(ProgressExStyle, ProgressClassName, ProgressCaption, ProgressStyle, origin.x,
                             origin.y, width, height, owner, nullptr, GetModuleHandleW(nullptr), this))
            return false;
        // Z-order band only; a failure leaves the window in the normal band, which is harmless.
        SetWindowPos(window_, alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    }
    if (!IsWindowVisible(window_)) {
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
    return true;
}

void ProgressWindow::SetProgress(std::int32_t maximum, std::int32_t value) {
    if (!bar_)
        return;
    ProgressBar::SetMaximum(bar_, maximum);
    ProgressBar::SetValue(bar_, value);
}

void ProgressWindow::Unload() {
    if (window_) {
        ShowWindow(window_, SW_HIDE);
        DestroyWindow(window_); // WM_NCDESTROY clears window_ and bar_
    }
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE: {
        self = static_cast<ProgressWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        break;
    }
    case WM_CREATE:
        if (self)
            return self->OnCreate();
        break;
    case WM_CLOSE:
        if (self)
            return self->OnClose();
        break;
    case WM_NCDESTROY:
        // Also reached when the owner goes first: the object then only forgets the handles.
        if (self)
            self->OnNcDestroy();
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT ProgressWindow::OnCreate() {
    bar_ = ProgressBar::Create(window_, BarLeft, BarTop, BarWidth, BarHeight, BarId);
    if (!bar_)
        return -1;
    ProgressBar::SetValue(bar_, 0);
    return 0;
}

void ProgressWindow::OnNcDestroy() {
    window_ = nullptr;
    bar_ = nullptr;
}

} // namespace klevotrim
