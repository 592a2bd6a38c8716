#include "app/ImageButton.h"

#include <commctrl.h>
#include <windowsx.h>

namespace klevotrim::app {

namespace {

constexpr SIZE kPlaceholderSize{36, 30}; // the artwork's button size

} // namespace

HBITMAP LoadArtwork(HINSTANCE module, int resourceId) {
    return static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

bool ImageButton::Create(HWND parent, int id, const RECT& position, const std::wstring& tipText, bool enabled,
                         HINSTANCE module, const std::array<int, static_cast<int>(ButtonLook::Count)>& looks,
                         const std::wstring& label) {
    Looks pictures;
    for (size_t i = 0; i < looks.size(); ++i) {
        if (looks[i] != 0)
            pictures[i].reset(LoadArtwork(module, looks[i]));
    }
    return Create(parent, id, position, tipText, enabled, std::move(pictures), label);
}

bool ImageButton::Create(HWND parent, int id, const RECT& position, const std::wstring& tipText, bool enabled,
                         Looks looks, const std::wstring& label) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!win::EnsureWindowClass(
            {.name = kClassName, .instance = instance, .cursor = LoadCursorW(nullptr, IDC_HAND)}))
        return false;
    tipText_ = tipText;
    label_ = label;
    looks_ = std::move(looks);
    HWND hwnd = CreateBound({.className = kClassName,
                             .title = label.c_str(),
                             .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                             .x = position.left,
                             .y = position.top,
                             .width = position.right - position.left,
                             .height = position.bottom - position.top,
                             .parent = parent,
                             .id = id,
                             .instance = instance});
    if (!hwnd)
        return false;
    EnableWindow(hwnd, enabled ? TRUE : FALSE);
    // The tooltip comes with the first pointer move over the button (EnsureTip): seven tooltip
    // windows made here took about a quarter of the program's start-up, and a tip has nothing
    // to do before the pointer arrives.
    return true;
}

bool ImageButton::Enabled() const {
    return hwnd() && IsWindowEnabled(hwnd());
}

void ImageButton::Enabled(bool enabled) {
    if (!hwnd())
        return;
    if (!enabled) {
        pressed_ = false;
        hover_ = false;
    }
    EnableWindow(hwnd(), enabled ? TRUE : FALSE);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void ImageButton::Picture(HBITMAP picture) {
    if (picture != looks_[0].get())
        looks_[0].reset(picture); // the button owns the pictures it shows
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
        UpdateWindow(hwnd());
    }
}

SIZE ImageButton::PictureSize() const {
    BITMAP info{};
    if (looks_[0] && GetObjectW(looks_[0].get(), sizeof(info), &info))
        return SIZE{info.bmWidth, info.bmHeight};
    return kPlaceholderSize;
}

void ImageButton::Move(int left, int top) {
    if (hwnd())
        SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT ImageButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        return OnPaint();
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_MOUSEMOVE:
        return OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return OnLButtonDown();
    case WM_LBUTTONUP:
        return OnLButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_CAPTURECHANGED:
        return OnCaptureChanged();
    case WM_ENABLE:
        return OnEnable();
    default:
        return DefaultHandling(msg, wParam, lParam);
    }
}

HBITMAP ImageButton::LookFor() const {
    ButtonLook look = ButtonLook::Normal;
    if (!IsWindowEnabled(hwnd()))
        look = ButtonLook::Disabled;
    else if (pressed_ && hover_)
        look = ButtonLook::Down;
    else if (hover_)
        look = ButtonLook::Hover;
    HBITMAP bitmap = looks_[static_cast<int>(look)].get();
    return bitmap ? bitmap : looks_[0].get();
}

LRESULT ImageButton::OnPaint() {
    win::PaintScope paint(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    const bool enabled = IsWindowEnabled(hwnd()) != FALSE;
    if (HBITMAP bitmap = LookFor()) {
        win::UniqueMemoryDc memory(CreateCompatibleDC(paint.dc()));
        if (memory) {
            win::SelectScope select(memory.get(), bitmap);
            BITMAP info{};
            GetObjectW(bitmap, sizeof(info), &info);
            StretchBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, info.bmWidth,
                       info.bmHeight, SRCCOPY);
            return 0;
        }
    }
    // No artwork: a drawn stand-in that still shows the state.
    COLORREF face = !enabled               ? RGB(70, 70, 70)
                    : (pressed_ && hover_) ? RGB(40, 90, 150)
                    : hover_               ? RGB(90, 150, 210)
                                           : RGB(60, 120, 190);
    win::UniqueBrush brush(CreateSolidBrush(face));
    FillRect(paint.dc(), &client, brush.get());
    DrawEdge(paint.dc(), &client, (pressed_ && hover_) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    SetBkMode(paint.dc(), TRANSPARENT);
    SetTextColor(paint.dc(), enabled ? RGB(255, 255, 255) : RGB(140, 140, 140));
    DrawTextW(paint.dc(), label_.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return 0;
}

bool ImageButton::Inside(int x, int y) const {
    RECT client{};
    GetClientRect(hwnd(), &client);
    POINT point{x, y};
    return PtInRect(&client, point) != FALSE;
}

void ImageButton::EnsureTip(const MSG& firstMove) {
    if (tipTried_)
        return;
    tipTried_ = true; // a tip that cannot be made is not retried on every move
    // No owner: under Wine a topmost window owned by the main window keeps the main window
    // itself out of the topmost band. The button destroys its tip.
    tip_.reset(CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!tip_)
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(hwnd());
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.lpszText = tipText_.data();
    SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // The tip watches the button's messages from the next one on; it sees this move too, so
    // that it starts its delay now as it would have with a tip made beforehand.
    MSG relay = firstMove;
    SendMessageW(tip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
}

LRESULT ImageButton::OnMouseMove(int x, int y, WPARAM keys) {
    if (!tipTried_) {
        const DWORD pos = GetMessagePos();
        EnsureTip(MSG{hwnd(), WM_MOUSEMOVE, keys, MAKELPARAM(x, y), static_cast<DWORD>(GetMessageTime()),
                      POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)}});
    }
    bool inside = Inside(x, y);
    if (inside != hover_) {
        hover_ = inside;
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    return 0;
}

LRESULT ImageButton::OnMouseLeave() {
    tracking_ = false;
    if (hover_ && GetCapture() != hwnd()) {
        hover_ = false;
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
    return 0;
}

LRESULT ImageButton::OnLButtonDown() {
    pressed_ = true;
    hover_ = true;
    SetCapture(hwnd());
    InvalidateRect(hwnd(), nullptr, FALSE);
    return 0;
}

LRESULT ImageButton::OnLButtonUp(int x, int y) {
    const bool click = pressed_ && Inside(x, y);
    pressed_ = false;
    if (GetCapture() == hwnd())
        ReleaseCapture();
    InvalidateRect(hwnd(), nullptr, FALSE);
    if (click && IsWindowEnabled(hwnd())) {
        const int id = GetDlgCtrlID(hwnd());
        SendMessageW(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd()));
    }
    return 0;
}

LRESULT ImageButton::OnCaptureChanged() {
    if (pressed_) {
        pressed_ = false;
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
    return 0;
}

LRESULT ImageButton::OnEnable() {
    InvalidateRect(hwnd(), nullptr, FALSE);
    return 0;
}

void ImageButton::OnNcDestroy() noexcept {
    tip_.reset(); // it has no owner to take it along
}

} // namespace klevotrim::app
