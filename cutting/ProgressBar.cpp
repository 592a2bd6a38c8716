#include "cutting/ProgressBar.h"

#include <commctrl.h>

#include <string>

#include <objbase.h> // UniqueHandle.h also owns COM apartments

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

namespace klevotrim {

HWND ProgressBar::Create(HWND parent, int x, int y, int width, int height, int id) {
    // Anyone may make the control by its class name: each window makes its own object.
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!win::EnsureWindowClass({.name = ClassName,
                                 .instance = instance,
                                 .cursor = LoadCursorW(nullptr, IDC_ARROW),
                                 .procedure = &win::Window::SelfOwnedProcedure<ProgressBar>}))
        return nullptr;
    return CreateWindowExW(WS_EX_STATICEDGE, ClassName, L"", WS_CHILD | WS_VISIBLE, x, y, width, height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void ProgressBar::SetMaximum(HWND bar, std::int32_t maximum) {
    SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum));
}

void ProgressBar::SetValue(HWND bar, std::int32_t value) {
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

std::int32_t ProgressBar::Maximum(HWND bar) {
    return static_cast<std::int32_t>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
}

std::int32_t ProgressBar::Value(HWND bar) {
    return static_cast<std::int32_t>(SendMessageW(bar, PBM_GETPOS, 0, 0));
}

LRESULT ProgressBar::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case PBM_SETRANGE32:
        return OnSetRange32(static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam));
    case PBM_SETPOS:
        return OnSetPos(static_cast<std::int32_t>(wParam));
    case PBM_GETRANGE:
        return OnGetRange(static_cast<BOOL>(wParam), reinterpret_cast<PPBRANGE>(lParam));
    case PBM_GETPOS:
        return OnGetPos();
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills every pixel
    case WM_PAINT:
        OnPaint();
        return 0;
    default:
        return DefaultHandling(msg, wParam, lParam);
    }
}

LRESULT ProgressBar::OnSetRange32(std::int32_t minimum, std::int32_t maximum) {
    LRESULT previous = MAKELRESULT(LOWORD(minimum_), LOWORD(maximum_));
    minimum_ = minimum;
    maximum_ = maximum;
    ScheduleRepaint();
    return previous;
}

LRESULT ProgressBar::OnSetPos(std::int32_t value) {
    LRESULT previous = value_;
    value_ = value;
    ScheduleRepaint();
    return previous;
}

LRESULT ProgressBar::OnGetRange(BOOL wantLow, PPBRANGE range) const {
    if (range) {
        range->iLow = minimum_;
        range->iHigh = maximum_;
    }
    return wantLow ? minimum_ : maximum_;
}

void ProgressBar::ScheduleRepaint() {
    const ULONGLONG now = GetTickCount64();
    if (now - lastPaint_ >= RepaintInterval) {
        InvalidateRect(hwnd(), nullptr, FALSE);
        return;
    }
    if (!repaintPending_) {
        // Without the timer the last value would only show at the next change; if it cannot
        // be set, paint now instead.
        if (SetTimer(hwnd(), RepaintTimer, static_cast<UINT>(RepaintInterval - (now - lastPaint_)), nullptr))
            repaintPending_ = true;
        else
            InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void ProgressBar::OnTimer(UINT_PTR id) {
    if (id != RepaintTimer)
        return;
    KillTimer(hwnd(), RepaintTimer);
    repaintPending_ = false;
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void ProgressBar::OnPaint() {
    lastPaint_ = GetTickCount64();
    win::PaintScope paint(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int width = client.right - client.left;

    // Share of the bar: value / maximum, where a bar whose maximum is reached is full
    // (a one-block copy runs from 0 to 0).
    double share = 0.0;
    const double span = static_cast<double>(maximum_) - minimum_;
    if (span > 0.0)
        share = (static_cast<double>(value_) - minimum_) / span;
    else if (value_ >= maximum_)
        share = 1.0;
    share = share < 0.0 ? 0.0 : (share > 1.0 ? 1.0 : share);
    const int filled = static_cast<int>(width * share + 0.5);

    RECT bar = client;
    bar.right = bar.left + filled;
    RECT rest = client;
    rest.left = bar.right;
    win::UniqueBrush barBrush(CreateSolidBrush(BarColour));
    if (barBrush)
        FillRect(paint.dc(), &bar, barBrush.get());
    FillRect(paint.dc(), &rest, GetSysColorBrush(COLOR_WINDOW));

    const std::wstring text = std::to_wstring(value_);
    SetBkMode(paint.dc(), TRANSPARENT);
    SetTextColor(paint.dc(), GetSysColor(COLOR_WINDOWTEXT));
    win::SelectScope font(paint.dc(), GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(paint.dc(), text.c_str(), static_cast<int>(text.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace klevotrim
