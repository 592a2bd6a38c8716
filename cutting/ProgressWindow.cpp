#include "cutting/ProgressWindow.h"

#include "common/Centring.h"
#include "cutting/ClipWriterText.h"
#include "cutting/ProgressBar.h"

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
POINT CentredOver(HWND owner, int width, int height) {
    RECT area{};
    if (!owner || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    POINT origin{area.left + CentredOrigin(area.right - area.left, width),
                 area.top + CentredOrigin(area.bottom - area.top, height)};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        origin.x = KeptInside(origin.x, width, work.left, work.right);
        origin.y = KeptInside(origin.y, height, work.top, work.bottom);
    }
    return origin;
}

} // namespace

ProgressWindow::~ProgressWindow() {
    Unload();
}

bool ProgressWindow::Show(HWND owner, bool alwaysOnTop) {
    if (!hwnd()) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (!win::EnsureWindowClass({.name = ProgressClassName,
                                     .instance = instance,
                                     .cursor = LoadCursorW(nullptr, IDC_ARROW),
                                     .background = GetSysColorBrush(COLOR_BTNFACE)}))
            return false;
        RECT frame{0, 0, ClientWidth, ClientHeight};
        AdjustWindowRectEx(&frame, ProgressStyle, FALSE, ProgressExStyle);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        const POINT origin = CentredOver(owner, width, height);
        if (!CreateBound({.className = ProgressClassName,
                          .title = ProgressCaption,
                          .style = ProgressStyle,
                          .exStyle = ProgressExStyle,
                          .x = origin.x,
                          .y = origin.y,
                          .width = width,
                          .height = height,
                          .parent = owner,
                          .instance = instance}))
            return false;
        // Z-order band only; a failure leaves the window in the normal band, which is harmless.
        SetWindowPos(hwnd(), alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    }
    if (!IsWindowVisible(hwnd())) {
        ShowWindow(hwnd(), SW_SHOW);
        UpdateWindow(hwnd());
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
    if (hwnd()) {
        ShowWindow(hwnd(), SW_HIDE);
        DestroyWindow(hwnd()); // WM_NCDESTROY forgets the window and the bar
    }
}

LRESULT ProgressWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_CLOSE:
        return OnClose();
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam);
    case WM_KEYDOWN:
        return OnKeyDown(wParam);
    default:
        return DefaultHandling(msg, wParam, lParam);
    }
}

LRESULT ProgressWindow::OnCreate() {
    bar_ = ProgressBar::Create(hwnd(), BarLeft, BarTop, BarWidth, BarHeight, BarId);
    if (!bar_)
        return -1;
    ProgressBar::SetValue(bar_, 0);
    return 0;
}

LRESULT ProgressWindow::OnSysCommand(WPARAM command, LPARAM lParam) {
    if ((command & 0xFFF0) != SC_CLOSE)
        return DefaultHandling(WM_SYSCOMMAND, command, lParam);
    if (onStopRequest_)
        onStopRequest_();
    return 0;
}

LRESULT ProgressWindow::OnKeyDown(WPARAM key) {
    if (key == VK_ESCAPE && onStopRequest_)
        onStopRequest_();
    return 0;
}

void ProgressWindow::OnNcDestroy() noexcept {
    // Also reached when the owner goes first: the object then only forgets the bar.
    bar_ = nullptr;
}

} // namespace klevotrim
