// The control's window: its class, messages, mouse and keys.
#include "tavrel/NavigationSlider.h"

#include "tavrel/Contract.h"
#include "tavrel/Server.h"
#include "tavrel/TipWindow.h"

#include <windowsx.h>

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kWindowClass[] = L"TavrelNavigationSlider";

int ButtonBitsFromKeys(WPARAM keys) {
    return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) | ((keys & MK_MBUTTON) ? 4 : 0);
}

} // namespace

HRESULT NavigationSlider::CreateControlWindow(HWND host, const RECT& placed) {
    // No class cursor: the control sets its hand cursor itself.
    if (!win::EnsureWindowClass({.name = kWindowClass, .instance = ModuleInstance()}))
        return E_FAIL;
    HWND created = CreateBound({.className = kWindowClass,
                                .style = WS_CHILD | WS_CLIPSIBLINGS,
                                .x = placed.left,
                                .y = placed.top,
                                .width = placed.right - placed.left,
                                .height = placed.bottom - placed.top,
                                .parent = host,
                                .instance = ModuleInstance()});
    return created ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void NavigationSlider::UnregisterWindowClass() {
    UnregisterClassW(kWindowClass, ModuleInstance()); // fails harmlessly when never registered
}

LRESULT NavigationSlider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A host handler raised from here may release the control: keep it alive meanwhile.
    ComPtr<INavigationSlider> keepAlive(this);
    switch (message) {
    case WM_PAINT:
        return OnPaint();
    case WM_PRINTCLIENT:
        return OnPrintClient(reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
        return 1; // the image covers everything: no flicker
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_LBUTTONDOWN:
        OnMouse(static_cast<int>(MouseKind::Down), wParam, lParam, 1);
        return 0;
    case WM_RBUTTONDOWN:
        OnMouse(static_cast<int>(MouseKind::Down), wParam, lParam, 2);
        return 0;
    case WM_MBUTTONDOWN:
        OnMouse(static_cast<int>(MouseKind::Down), wParam, lParam, 4);
        return 0;
    case WM_LBUTTONUP:
        OnMouse(static_cast<int>(MouseKind::Up), wParam, lParam, 1);
        return 0;
    case WM_RBUTTONUP:
        OnMouse(static_cast<int>(MouseKind::Up), wParam, lParam, 2);
        return 0;
    case WM_MBUTTONUP:
        OnMouse(static_cast<int>(MouseKind::Up), wParam, lParam, 4);
        return 0;
    case WM_MOUSEMOVE:
        OnMouse(static_cast<int>(MouseKind::Move), wParam, lParam, ButtonBitsFromKeys(wParam));
        return 0;
    case WM_KEYDOWN:
        return OnKeyMessage(KeyMessage::KeyDown, message, wParam, lParam);
    case WM_KEYUP:
        return OnKeyMessage(KeyMessage::KeyUp, message, wParam, lParam);
    case WM_CHAR:
        return OnKeyMessage(KeyMessage::Char, message, wParam, lParam);
    case WM_SYSKEYDOWN:
        return OnKeyMessage(KeyMessage::SysKeyDown, message, wParam, lParam);
    case WM_SYSKEYUP:
        return OnKeyMessage(KeyMessage::SysKeyUp, message, wParam, lParam);
    case WM_SYSCHAR:
        return OnKeyMessage(KeyMessage::SysChar, message, wParam, lParam);
    case WM_GETDLGCODE:
        // Every key raises the key events, so a host's dialog navigation must hand over Tab,
        // Enter, Esc and the arrows too.
        return DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETCURSOR:
        return OnSetCursor(hwnd(), message, wParam, lParam);
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

LRESULT NavigationSlider::OnPaint() {
    win::PaintScope paint(hwnd());
    RECT client;
    GetClientRect(hwnd(), &client);
    if (surface_.dc() && surface_.width() == client.right && surface_.height() == client.bottom)
        BitBlt(paint.dc(), 0, 0, client.right, client.bottom, surface_.dc(), 0, 0, SRCCOPY);
    else
        surface_.Present(paint.dc(), client);
    return 0;
}

LRESULT NavigationSlider::OnPrintClient(HDC dc) {
    RECT client;
    GetClientRect(hwnd(), &client);
    surface_.Present(dc, client);
    return 0;
}

void NavigationSlider::OnSize() {
    RECT client;
    GetClientRect(hwnd(), &client);
    size_ = {client.right, client.bottom};
    ApplyShape(); // the marker keeps its pixel position
}

void NavigationSlider::OnMouse(int kindValue, WPARAM keys, LPARAM position, int button) {
    const auto kind = static_cast<MouseKind>(kindValue);
    const float x = static_cast<float>(GET_X_LPARAM(position));
    const float y = static_cast<float>(GET_Y_LPARAM(position));
    const int shift = ShiftBits((keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
    // The mouse stays with the control from a press until the last button is released.
    if (kind == MouseKind::Down) {
        SetCapture(hwnd());
        SetFocus(hwnd());
    } else if (kind == MouseKind::Up && ButtonBitsFromKeys(keys) == 0 && GetCapture() == hwnd()) {
        ReleaseCapture();
    }
    const MouseDecision decision = DecideMouse(kind, button, enabled_);
    if (decision.askTip) {
        VARIANT font;
        VariantInit(&font);
        if (font_) {
            font.vt = VT_DISPATCH;
            font.pdispVal = font_.Get();
        }
        FTip::Default().SetTip(hwnd(), tipText_, 0, -1, true, &font, 300);
    }
    if (decision.moveMarker) {
        const PointerMove move = MarkerForPointer(x, Width());
        marker_ = move.marker;
        dirty_ = true;
        PointerRepaint(move.paintX);
    }
    if (decision.raise) {
        const DISPID id = kind == MouseKind::Down
                              ? event::MouseDown
                              : (kind == MouseKind::Up ? event::MouseUP : event::MouseMove);
        RaiseMouseEvent(id, static_cast<short>(button), static_cast<short>(shift), x, y);
    }
}

void NavigationSlider::RaiseMouseEvent(DISPID event, short button, short shift, float x, float y) {
    std::vector<VARIANT> arguments(4);
    for (auto& a : arguments)
        VariantInit(&a);
    arguments[0].vt = VT_I2 | VT_BYREF;
    arguments[0].piVal = &button;
    arguments[1].vt = VT_I2 | VT_BYREF;
    arguments[1].piVal = &shift;
    arguments[2].vt = VT_R4 | VT_BYREF;
    arguments[2].pfltVal = &x;
    arguments[3].vt = VT_R4 | VT_BYREF;
    arguments[3].pfltVal = &y;
    FireEvent(events_, event, std::move(arguments));
}

LRESULT NavigationSlider::OnKeyMessage(KeyMessage kind, UINT message, WPARAM wParam, LPARAM lParam) {
    const KeyDecision decision = DecideKey(kind);
    if (decision.raise != KeyEvent::None) {
        short code = static_cast<short>(wParam);
        // Bit 29 is the Alt context: set for Alt+key even when the key state was not seen.
        const bool alt = GetKeyState(VK_MENU) < 0 || (lParam & (LPARAM{1} << 29)) != 0;
        short shift =
            static_cast<short>(ShiftBits(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, alt));
        std::vector<VARIANT> arguments(decision.raise == KeyEvent::KeyPress ? 1 : 2);
        for (auto& a : arguments)
            VariantInit(&a);
        arguments[0].vt = VT_I2 | VT_BYREF;
        arguments[0].piVal = &code;
        if (arguments.size() == 2) {
            arguments[1].vt = VT_I2 | VT_BYREF;
            arguments[1].piVal = &shift;
        }
        const DISPID id = decision.raise == KeyEvent::KeyDown
                              ? event::KeyDown
                              : (decision.raise == KeyEvent::KeyUp ? event::KeyUp : event::KeyPress);
        FireEvent(events_, id, std::move(arguments));
    }
    return decision.systemHandling ? DefaultHandling(message, wParam, lParam) : 0;
}

LRESULT NavigationSlider::OnSetCursor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) == HTCLIENT) {
        // The control's own hand; the system's if the resource is missing (a static link).
        HCURSOR hand = LoadCursorW(ModuleInstance(), MAKEINTRESOURCEW(kHandCursorId));
        SetCursor(hand ? hand : LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void NavigationSlider::OnSetFocus() {
    if (inPlaceSite_ && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate(); // tells the host the control holds the focus
    }
}

} // namespace klevotrim::tavrel
