#include "SliderTestHost.h"

#include "TestSupport.h"
#include "common/win/Window.h"

#include <gtest/gtest.h>

namespace klevotrim::test {
namespace {

constexpr wchar_t kHostClass[] = L"KlevotrimSliderTestHost";

SliderTestHost* g_hostInCharge = nullptr; // the test's host; the window outlives every one

// Absolute input coordinates run 0..65535 over the primary screen; this picks the value that
// maps back onto exactly pixel `p`.
LONG Normalised(LONG p, int extent) {
    return static_cast<LONG>((static_cast<long long>(p) * 65536 + extent - 1) / extent);
}

void SendMouse(HWND control, int x, int y, DWORD buttonFlags) {
    POINT point{x, y};
    ClientToScreen(control, &point);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalised(point.x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = Normalised(point.y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
    // Handled once the cursor is there and the queue has been drained.
    bool arrived = PumpUntil(
        [&] {
            POINT cursor{};
            GetCursorPos(&cursor);
            return cursor.x == point.x && cursor.y == point.y;
        },
        1000);
    if (!arrived) {
        POINT cursor{};
        GetCursorPos(&cursor);
        ADD_FAILURE() << "pointer at " << cursor.x << "," << cursor.y << " instead of " << point.x << ","
                      << point.y;
    }
    PumpMessages(20);
    if (buttonFlags) {
        // The button on its own, where the pointer now is.
        INPUT button{};
        button.type = INPUT_MOUSE;
        button.mi.dwFlags = buttonFlags;
        SendInput(1, &button, sizeof(button));
        PumpMessages(40);
    }
}

HWND SharedHostWindow() {
    static HWND window = [] {
        win::EnsureWindowClass({.name = kHostClass,
                                .instance = GetModuleHandleW(nullptr),
                                .cursor = LoadCursorW(nullptr, IDC_ARROW),
                                .background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                .procedure = &SliderTestHost::WindowProc});
        HWND created =
            CreateWindowExW(0, kHostClass, L"Slider host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100,
                            400, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(created, SW_SHOW);
        SetForegroundWindow(created);
        return created;
    }();
    return window;
}

} // namespace

SliderTestHost::SliderTestHost() {
    static OleScope ole;
    window_ = SharedHostWindow();
    g_hostInCharge = this;
    slider_.Create(window_, kLeft, kTop);
    PumpMessages(50);
}

SliderTestHost::~SliderTestHost() {
    g_hostInCharge = nullptr;
}

LRESULT CALLBACK SliderTestHost::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SliderTestHost* self = g_hostInCharge;
    if (message == WM_APP && self && self->onApp) {
        self->onApp(wParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void MouseMoveTo(HWND control, int x, int y) {
    SendMouse(control, x, y, 0);
}

void MouseDown(HWND control, int x, int y, DWORD downFlag) {
    SendMouse(control, x, y, downFlag);
}

void MouseUp(HWND control, int x, int y, DWORD upFlag) {
    SendMouse(control, x, y, upFlag);
}

void PressKey(WORD virtualKey, bool withShift) {
    INPUT inputs[4]{};
    int count = 0;
    auto key = [&](WORD vk, bool up) {
        inputs[count].type = INPUT_KEYBOARD;
        inputs[count].ki.wVk = vk;
        inputs[count].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        ++count;
    };
    if (withShift)
        key(VK_SHIFT, false);
    key(virtualKey, false);
    key(virtualKey, true);
    if (withShift)
        key(VK_SHIFT, true);
    SendInput(count, inputs, sizeof(INPUT));
    PumpMessages(60);
}

} // namespace klevotrim::test
