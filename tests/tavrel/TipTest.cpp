// The shared tooltip window shown and hidden for real, over a hosted seek bar.
#include "OleEnvironment.h"
#include "SliderTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavrel_test;
using klevotrim::test::PumpUntil;

namespace {
HWND TipWindow() {
    return FindWindowW(L"TavrelFTip", nullptr);
}

LONG TextWidth(IDispatch* slider, const wchar_t* text) {
    Var font = Get(slider, dispid::Font);
    ComPtr<IFont> ifont;
    if (font.v.vt != VT_DISPATCH || FAILED(font.v.pdispVal->QueryInterface(IID_PPV_ARGS(&ifont))))
        return -1;
    HFONT handle = nullptr;
    ifont->get_hFont(&handle);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    SIZE size{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size.cx;
}
} // namespace

TEST(TipWindowLive, AppearsAfterTheDelayAtThePointerAndHidesWhenItLeaves) {
    AtlHost host(377, 9);
    ASSERT_TRUE(host.ok());
    IDispatch* slider = host.control();
    ASSERT_EQ(S_OK, Put(slider, dispid::TipText, Var(L"Seek")));
    HWND window = host.controlWindow();
    POINT over{60, 4};
    ClientToScreen(window, &over);
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    klevotrim::test::PumpMessages(30);
    POINT pointer{};
    GetCursorPos(&pointer);
    ASSERT_EQ(WindowFromPoint(pointer), window);

    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(60, 4));
    HWND tip = TipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_FALSE(IsWindowVisible(tip)); // not before the start delay
    // Placed where the pointer is when it shows, not where it was asked for.
    SetCursorPos(over.x + 10, over.y);
    pointer.x += 10;
    const ULONGLONG asked = GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }, 3000));
    EXPECT_GE(GetTickCount64() - asked, 350u);

    RECT rect{};
    GetWindowRect(tip, &rect);
    EXPECT_EQ(rect.left, pointer.x + 1);
    EXPECT_EQ(rect.top, pointer.y + 22);
    EXPECT_EQ(rect.right - rect.left, TextWidth(slider, L"Seek") + 6);
    const LONG_PTR exStyle = GetWindowLongPtrW(tip, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW); // never in the taskbar
    EXPECT_NE(GetForegroundWindow(), tip);
    BYTE alpha = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(tip, nullptr, &alpha, &flags)) {
        EXPECT_EQ(alpha, 255);
    }

    // Requests with the same owner and text leave it where it is.
    SetCursorPos(over.x + 5, over.y);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(65, 4));
    GetWindowRect(tip, &rect);
    EXPECT_EQ(rect.left, pointer.x + 1);

    // A new text while shown: redrawn at once at the pointer, no start delay.
    ASSERT_EQ(S_OK, Put(slider, dispid::TipText, Var(L"Seek to here")));
    SetCursorPos(over.x + 20, over.y);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(80, 4));
    GetWindowRect(tip, &rect);
    EXPECT_EQ(rect.left, over.x + 21);
    EXPECT_EQ(rect.right - rect.left, TextWidth(slider, L"Seek to here") + 6);

    // Off the owner: hidden by the watch timer.
    SetCursorPos(5, 5);
    const ULONGLONG left = GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(tip); }, 2000));
    EXPECT_LT(GetTickCount64() - left, 1000u);
}

TEST(TipWindowLive, DisabledControlStillAsksForItsTipButRaisesNoMouseMove) {
    AtlHost host(377, 9);
    ASSERT_TRUE(host.ok());
    IDispatch* slider = host.control();
    ASSERT_EQ(S_OK, Put(slider, dispid::TipText, Var(L"Disabled tip")));
    ASSERT_EQ(S_OK, Put(slider, dispid::Enabled, Var::Bool(false)));
    EventSink sink;
    ASSERT_EQ(S_OK, sink.Connect(slider));
    HWND window = host.controlWindow();
    POINT over{30, 4};
    ClientToScreen(window, &over);
    SetCursorPos(over.x, over.y);
    klevotrim::test::PumpMessages(30);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(30, 4));
    HWND tip = TipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(tip) != FALSE; }, 3000));
    EXPECT_EQ(sink.Count(1), 0u);
    sink.Disconnect();
    SetCursorPos(5, 5);
    PumpUntil([&] { return !IsWindowVisible(tip); }, 2000);
}

TEST(TipWindowLive, EmptyTipTextAsksForNothing) {
    AtlHost host(377, 9);
    ASSERT_TRUE(host.ok());
    HWND tip = TipWindow(); // may exist from an earlier test: one window per process
    HWND window = host.controlWindow();
    POINT over{90, 4};
    ClientToScreen(window, &over);
    SetCursorPos(over.x, over.y);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(90, 4)); // a new control's TipText is empty
    klevotrim::test::PumpMessages(1000);
    EXPECT_EQ(TipWindow(), tip);
    if (tip) {
        EXPECT_FALSE(IsWindowVisible(tip));
    }
    SetCursorPos(5, 5);
}
