// The control placed by the platform's own ATL container, driven by real window messages.
#include "OleEnvironment.h"
#include "SliderTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavrel_test;

namespace {
constexpr DISPID kMouseMove = 1, kMouseUP = 2, kMouseDown = 3, kChange = 4, kKeyDown = 6, kKeyPress = 7,
                 kKeyUp = 8;

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}
} // namespace

TEST(AtlContainer, ActivatesInPlaceWithTheContainersSize) {
    AtlHost host(377, 9);
    ASSERT_TRUE(host.ok());
    HWND window = host.controlWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetParent(window), host.container());
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 377);
    EXPECT_EQ(client.bottom, 9);
}

TEST(AtlContainer, AnswersTheFixedDispatchIds) {
    AtlHost host(377, 9);
    ASSERT_TRUE(host.ok());
    IDispatch* slider = host.control();
    EXPECT_EQ(GetInt(slider, dispid::Max), 100);
    EXPECT_EQ(GetInt(slider, dispid::Value), 50);
    EXPECT_EQ(S_OK, Put(slider, dispid::Max, Var(3600)));
    EXPECT_EQ(S_OK, Put(slider, dispid::Value, Var(1000)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 1000);
    Var enabled = Get(slider, dispid::Enabled);
    EXPECT_EQ(enabled.v.vt, VT_BOOL);
    EXPECT_EQ(enabled.v.boolVal, VARIANT_TRUE);
    EXPECT_EQ(S_OK, Put(slider, dispid::Color0 - 16, Var(0x00123456)));
    EXPECT_EQ(GetInt(slider, dispid::Color0 - 16), 0x00123456);
    EXPECT_EQ(S_OK, Put(slider, dispid::TipText, Var(L"Seek")));
    Var tip = Get(slider, dispid::TipText);
    ASSERT_EQ(tip.v.vt, VT_BSTR);
    EXPECT_STREQ(tip.v.bstrVal, L"Seek");
    EXPECT_EQ(S_OK, Put(slider, dispid::RoundedValue, Var(9)));
}

class SliderEvents : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(host.ok());
        window = host.controlWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(S_OK, sink.Connect(host.control()));
        ASSERT_EQ(S_OK, Put(host.control(), dispid::Max, Var(100)));
    }
    void TearDown() override { sink.Disconnect(); }
    void Send(UINT message, WPARAM keys, int x, int y = 4) { SendMessageW(window, message, keys, At(x, y)); }

    AtlHost host{377, 9};
    HWND window = nullptr;
    EventSink sink;
};

TEST_F(SliderEvents, ValueInsideMouseDownIsAlreadyThePressedValue) {
    int valueInDown = -1, valueInUp = -1;
    sink.onEvent = [&](DISPID id) {
        if (id == kMouseDown)
            valueInDown = GetInt(host.control(), dispid::Value);
        if (id == kMouseUP)
            valueInUp = GetInt(host.control(), dispid::Value);
    };
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 188);
    EXPECT_EQ(valueInDown, 50);
    EXPECT_EQ(GetCapture(), window); // held from press to release
    Send(WM_LBUTTONUP, 0, 94);
    EXPECT_EQ(valueInUp, 25);
    EXPECT_NE(GetCapture(), window);
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0].id, kMouseDown);
    EXPECT_EQ(sink.events[0].numbers, (std::vector<double>{1, 0, 188, 4}));
    EXPECT_EQ(sink.events[1].id, kMouseUP);
}

TEST_F(SliderEvents, DragPastEitherEndPinsTheMarker) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 100);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 377 + 30);
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 100);
    Send(WM_MOUSEMOVE, MK_LBUTTON, -7);
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 0);
    Send(WM_LBUTTONUP, 0, -7);
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 0);
    ASSERT_EQ(sink.Count(kMouseMove), 2u);
    EXPECT_EQ(sink.events[1].numbers[2], 407); // x as received, not pinned
    EXPECT_EQ(sink.Count(kChange), 0u);
}

TEST_F(SliderEvents, RightButtonRaisesNothingAndLeavesTheMarker) {
    Send(WM_RBUTTONDOWN, MK_RBUTTON, 300);
    Send(WM_MOUSEMOVE, MK_RBUTTON, 320);
    Send(WM_RBUTTONUP, 0, 320);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 50);
}

TEST_F(SliderEvents, MiddleButtonRaisesMouseDownWithoutAMove) {
    Send(WM_MBUTTONDOWN, MK_MBUTTON, 300);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].id, kMouseDown);
    EXPECT_EQ(sink.events[0].numbers[0], 4);
    Send(WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 300); // left and right together: no move
    EXPECT_EQ(sink.Count(kMouseMove), 1u);
    EXPECT_EQ(sink.events.back().numbers[0], 3);
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 50);
    Send(WM_MBUTTONUP, 0, 300);
}

TEST_F(SliderEvents, DisabledControlRaisesNoMouseEvents) {
    ASSERT_EQ(S_OK, Put(host.control(), dispid::Enabled, Var::Bool(false)));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 20);
    Send(WM_MOUSEMOVE, 0, 30);
    Send(WM_LBUTTONUP, 0, 20);
    EXPECT_TRUE(sink.events.empty());
    ASSERT_EQ(S_OK, Put(host.control(), dispid::Enabled, Var::Bool(true)));
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 50);
}

TEST_F(SliderEvents, KeysArePassedOnAndChangeNothing) {
    SendMessageW(window, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(window, WM_CHAR, L'a', 0);
    SendMessageW(window, WM_KEYUP, VK_RIGHT, 0);
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].id, kKeyDown);
    EXPECT_EQ(sink.events[0].numbers[0], VK_RIGHT);
    EXPECT_EQ(sink.events[1].id, kKeyPress);
    EXPECT_EQ(sink.events[1].numbers[0], L'a');
    EXPECT_EQ(sink.events[2].id, kKeyUp);
    EXPECT_EQ(GetInt(host.control(), dispid::Value), 50);

    // Alt+key arrives as a system key: the same events, with Alt in the shift state.
    const LPARAM altContext = LPARAM{1} << 29;
    SendMessageW(window, WM_SYSKEYDOWN, 'X', altContext);
    SendMessageW(window, WM_SYSKEYUP, 'X', altContext | (LPARAM{3} << 30));
    ASSERT_EQ(sink.events.size(), 5u);
    EXPECT_EQ(sink.events[3].id, kKeyDown);
    EXPECT_EQ(sink.events[3].numbers, (std::vector<double>{'X', 4}));
    EXPECT_EQ(sink.events[4].id, kKeyUp);
    EXPECT_EQ(sink.events[4].numbers, (std::vector<double>{'X', 4}));
}

TEST_F(SliderEvents, DialogNavigationHandsOverTabEnterEscAndArrows) {
    for (WPARAM key : {VK_TAB, VK_RETURN, VK_ESCAPE, VK_LEFT, VK_DOWN}) {
        sink.events.clear();
        MSG msg{window, WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(host.frame(), &msg));
        ASSERT_EQ(sink.events.size(), 1u) << key;
        EXPECT_EQ(sink.events[0].id, kKeyDown);
        EXPECT_EQ(sink.events[0].numbers[0], static_cast<double>(key));
    }
}

TEST_F(SliderEvents, ShowsItsOwnHandCursor) {
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    HCURSOR own = LoadCursorW(GetModuleHandleW(L"Tavrel.ocx"), MAKEINTRESOURCEW(101));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(GetCursor(), own);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(own, &info));
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, info.hbmColor ? 32 : 64); // monochrome: AND and XOR masks stacked
    EXPECT_FALSE(info.fIcon);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

TEST(AtlContainer, HostsAgainAfterTheLibraryWasUnloaded) {
    {
        AtlHost host(200, 9);
        ASSERT_TRUE(host.ok());
    }
    klevotrim::test::PumpMessages(20);
    CoFreeUnusedLibrariesEx(0, 0);
    klevotrim::test::PumpMessages(20);
    CoFreeUnusedLibrariesEx(0, 0);
    AtlHost again(200, 9);
    ASSERT_TRUE(again.ok());
    HWND window = again.controlWindow();
    ASSERT_NE(window, nullptr);
    EventSink sink;
    ASSERT_EQ(S_OK, sink.Connect(again.control()));
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 4)); // reaches this load's code
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(50, 4));
    EXPECT_EQ(sink.events.size(), 2u);
    sink.Disconnect();
}
