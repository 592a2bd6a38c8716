#include "cutting/ProgressBar.h"

#include <commctrl.h>

#include <new>
#include <string>

#include <objbase.h> // UniqueHandle.h also owns COM apartments

#include "common/win/UniqueHandle.h"

namespace klevotrim {

bool ProgressBar::RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &ProgressBar::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = ClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

HWND ProgressBar::Create(HWND parent, int x, int y, int width, int height, int id) {
    if (!RegisterClassOnce())
        return nullptr;
    return CreateWindowExW(WS_EX_STATICEDGE, ClassName, L"", WS_CHILD | WS_VISIBLE, x, y, width, height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
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

LRESULT CALLBACK ProgressBar::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ProgressBar*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_NCCREATE:
        self = new (std::nothrow) ProgressBar(hwnd);
        if (!self)
            return FALSE;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete self;
        return 0;
    case PBM_SETRANGE32:
        if (self)
            return self->OnSetRange32(static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam));
        break;
    case PBM_SETPOS:
        if (self)
            return self->OnSetPos(static_cast<std::int32_t>(wParam));
        break;
    case PBM_GETRANGE:
        if (self)
            return self->OnGetRange(static_cast<BOOL>(wParam), reinterpret_cast<PPBRANGE>(lParam));
        break;
    case PBM_GETPOS:
        if (self)
            return self->OnGetPos();
        break;
    case WM_TIMER:
        if (self) {
            self->OnTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills every pixel
    case WM_PAINT:
        if (self) {
            self->OnPaint();
            return 0;
        }
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
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
        InvalidateRect(window_, nullptr, FALSE);
        return;
    }
    if (!repaintPending_) {
        // Without the timer the last value would only show at the next change; if it cannot
        // be set, paint now instead.
        if (SetTimer(window_, RepaintTimer, static_cast<UINT>(RepaintInterval - (now - lastPaint_)), nullptr))
            repaintPending_ = true;
        else
            InvalidateRect(window_, nullptr, FALSE);
    }
}

void ProgressBar::OnTimer(UINT_PTR id) {
    if (id != RepaintTimer)
        return;
    KillTimer(window_, RepaintTimer);
    repaintPending_ = false;
    InvalidateRect(window_, nullptr, FALSE);
}

void ProgressBar::OnPaint() {
    lastPaint_ = GetTickCount64();
    win::PaintScope paint(window_);
    RECT client{};
    GetClientRect(window_, &client);
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
