// The control under real mouse and keyboard input: dragging, hovering with the capture, the
// disabled state, sizing, drawing, and Value/Max assignments from the host.
#include "SliderTestHost.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klevotrim::test {
namespace {

using Microsoft::WRL::ComPtr;

struct Raised {
    std::wstring event;
    std::int16_t button = 0;
    std::int16_t shift = 0;
    VARIANT value{}; // VT_I4 or VT_EMPTY: nothing to free
    float x = 0;
    float y = 0;
};

class SliderWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(slider().hwnd(), nullptr);
        slider().onChange = [this](std::int16_t button, const VARIANT& value, float x, float y) {
            events.push_back({L"Change", button, 0, value, x, y});
        };
        slider().onMouseDown = [this](std::int16_t button, std::int16_t shift, float x, float y) {
            events.push_back({L"MouseDown", button, shift, {}, x, y});
        };
        slider().onMouseUp = [this](std::int16_t button, std::int16_t shift, float x, float y) {
            events.push_back({L"MouseUp", button, shift, {}, x, y});
        };
        // Start with the pointer well away from the control.
        MouseMoveTo(control(), -30, 80);
        events.clear();
    }
    void TearDown() override {
        // Never leave a button held for the next test.
        if (GetAsyncKeyState(VK_LBUTTON) < 0)
            MouseUp(control(), -30, 80);
    }

    Slider& slider() { return host.slider(); }
    HWND control() { return slider().hwnd(); }
    std::int32_t ValueNow() {
        win::Variant value = slider().Value();
        EXPECT_EQ(value.get().vt, VT_I4);
        return value.get().lVal;
    }
    void SetValue(std::int32_t value) { slider().Value(win::Variant(value).get()); }
    SIZE ClientSize() {
        RECT rect{};
        GetClientRect(control(), &rect);
        return {rect.right, rect.bottom};
    }
    // The colour the control draws at (x, y), taken from a print of its client area.
    COLORREF DrawnPixel(int x, int y) {
        win::WindowDc screen(nullptr);
        win::UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
        SIZE size = ClientSize();
        win::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
        win::SelectScope select(dc.get(), bitmap.get());
        SendMessageW(control(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        return GetPixel(dc.get(), x, y);
    }
    int CountOf(const wchar_t* name) const {
        int count = 0;
        for (const Raised& e : events)
            count += e.event == name;
        return count;
    }

    SliderTestHost host;
    std::vector<Raised> events;
};

TEST_F(SliderWindowTest, ANewControlWorksAtOnceWithItsBuiltInSkin) {
    EXPECT_EQ(ClientSize().cx, 234);
    EXPECT_EQ(ClientSize().cy, 9);
    EXPECT_TRUE(slider().Enabled());
    EXPECT_EQ(slider().Max().get().lVal, 10);
    EXPECT_EQ(ValueNow(), 1);
    EXPECT_EQ(slider().SmallChange().get().lVal, 1);
    EXPECT_EQ(slider().LargeChange().get().lVal, 1);
    EXPECT_DOUBLE_EQ(slider().Travel(), 208);
    ASSERT_TRUE(slider().imgNormal());
    EXPECT_EQ(PicturePixelSize(slider().imgNormal().Get()).cx, 234);
    for (auto picture : {slider().imgBarNormal(), slider().imgBarHover(), slider().imgBarInactive()}) {
        ASSERT_TRUE(picture);
        SIZE size = PicturePixelSize(picture.Get());
        EXPECT_EQ(size.cx, 26);
        EXPECT_EQ(size.cy, 9);
    }
    // Thumb at 20.8 px: its middle shows the thumb, the far end shows the track.
    EXPECT_NE(DrawnPixel(34, 4), DrawnPixel(200, 4));
}

TEST_F(SliderWindowTest, AHostResizeSnapsBackToTheTrackPicture) {
    SetWindowPos(control(), nullptr, 0, 0, 400, 40, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientSize().cx, 234);
    EXPECT_EQ(ClientSize().cy, 9);
    MoveWindow(control(), 10, 10, 5, 5, TRUE);
    EXPECT_EQ(ClientSize().cx, 234);

    // Another track picture gives another size and another travel; no picture falls back.
    ComPtr<IPictureDisp> wide = MakeDefaultPicture(SliderPicture::Track);
    ComPtr<IPictureDisp> thumb = MakeDefaultPicture(SliderPicture::BarNormal);
    slider().imgBarNormal(slider().imgBarHover().Get());
    SetValue(10);
    slider().imgNormal(thumb.Get()); // a 26-pixel track: no room to travel
    EXPECT_EQ(ClientSize().cx, 26);
    EXPECT_DOUBLE_EQ(slider().Travel(), 0);
    EXPECT_EQ(ValueNow(), 0);
    slider().imgNormal(nullptr);
    EXPECT_FALSE(slider().imgNormal());
    EXPECT_EQ(ClientSize().cx, 234);
    EXPECT_DOUBLE_EQ(slider().Travel(), 208);
}

TEST_F(SliderWindowTest, AClickJumpsTheThumbUnderThePointerBeforeMouseDown) {
    MouseDown(control(), 117, 4);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 104);
    // The press raises Change first (with the new value), then MouseDown.
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event, L"Change");
    EXPECT_EQ(events[0].value.lVal, 5);
    EXPECT_EQ(events[0].button, 1);
    EXPECT_EQ(events[1].event, L"MouseDown");
    EXPECT_EQ(events[1].button, 1);
    EXPECT_FLOAT_EQ(events[1].x, 117);
    EXPECT_FLOAT_EQ(events[1].y, 4);
    EXPECT_EQ(GetCapture(), control());
    MouseUp(control(), 117, 4);
    EXPECT_EQ(events.back().event, L"MouseUp");
    EXPECT_EQ(ValueNow(), 5);
}

TEST_F(SliderWindowTest, DraggingPastEitherEndKeepsTheThumbOnTheTrack) {
    SetValue(0);
    MouseDown(control(), 13, 4);
    events.clear();
    MouseMoveTo(control(), 150, 4);
    MouseMoveTo(control(), 600, 40); // far past the right end and below the control
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().event, L"Change");
    EXPECT_EQ(events.back().value.lVal, 10);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 208);
    size_t before = events.size();
    MouseMoveTo(control(), 620, 44);
    EXPECT_GT(events.size(), before); // raised again although the value stays 10
    EXPECT_EQ(events.back().value.lVal, 10);
    MouseMoveTo(control(), -35, -20); // past the left end
    EXPECT_EQ(events.back().value.lVal, 0);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 0);
    EXPECT_EQ(CountOf(L"MouseDown"), 0);

    // Released outside: the control lets the mouse go and rests.
    MouseUp(control(), -35, -20);
    EXPECT_EQ(events.back().event, L"MouseUp");
    EXPECT_NE(GetCapture(), control());
    EXPECT_EQ(slider().Look(), ThumbLook::Normal);
    EXPECT_EQ(ValueNow(), 0);
}

TEST_F(SliderWindowTest, HoverHoldsTheCaptureUntilThePointerLeaves) {
    const COLORREF resting = DrawnPixel(34, 4);
    MouseMoveTo(control(), 100, 4);
    EXPECT_EQ(GetCapture(), control());
    EXPECT_EQ(slider().Look(), ThumbLook::Hover);
    EXPECT_NE(DrawnPixel(34, 4), resting);
    // Hovering is not dragging.
    EXPECT_EQ(CountOf(L"Change"), 0);
    EXPECT_EQ(ValueNow(), 1);

    MouseMoveTo(control(), 120, 30); // out, below the control, still over the host
    EXPECT_NE(GetCapture(), control());
    EXPECT_EQ(slider().Look(), ThumbLook::Normal);
    EXPECT_EQ(DrawnPixel(34, 4), resting);

    MouseMoveTo(control(), 5, 8); // back in at a corner
    EXPECT_EQ(GetCapture(), control());
    EXPECT_EQ(slider().Look(), ThumbLook::Hover);

    // Released after a drag while still over the control: hover goes on.
    MouseDown(control(), 60, 4);
    MouseUp(control(), 60, 4);
    EXPECT_EQ(GetCapture(), control());
    EXPECT_EQ(slider().Look(), ThumbLook::Hover);
    MouseMoveTo(control(), 300, 4);
    EXPECT_NE(GetCapture(), control());
}

TEST_F(SliderWindowTest, DisablingParksTheThumbAndIgnoresTheMouse) {
    std::vector<std::wstring> changed;
    slider().onPropertyChanged = [&](std::wstring_view name) { changed.emplace_back(name); };
    SetValue(7);
    MouseMoveTo(control(), 100, 4);
    ASSERT_EQ(GetCapture(), control());

    slider().Enabled(false);
    EXPECT_EQ(changed, std::vector<std::wstring>{L"Enabled"});
    EXPECT_NE(GetCapture(), control()); // a disabled control must not keep the mouse
    EXPECT_EQ(slider().Look(), ThumbLook::Inactive);
    EXPECT_EQ(ValueNow(), 0);
    const COLORREF inactive = DrawnPixel(13, 4);

    MouseMoveTo(control(), 150, 4);
    EXPECT_NE(GetCapture(), control());
    MouseDown(control(), 150, 4);
    MouseMoveTo(control(), 200, 4);
    MouseUp(control(), 200, 4);
    EXPECT_EQ(CountOf(L"Change"), 0);
    EXPECT_EQ(CountOf(L"MouseDown"), 1); // still raised
    EXPECT_EQ(CountOf(L"MouseUp"), 0);   // not while disabled
    EXPECT_EQ(ValueNow(), 0);
    EXPECT_EQ(DrawnPixel(13, 4), inactive);

    SetValue(4); // assigned while disabled: parked again
    EXPECT_EQ(ValueNow(), 0);
    slider().Enabled(true);
    EXPECT_EQ(ValueNow(), 0); // the former position does not come back
    EXPECT_NE(DrawnPixel(13, 4), inactive);
}

TEST_F(SliderWindowTest, ValueAssignmentsClampAndIgnoreText) {
    SetValue(-5);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 0);
    SetValue(11);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 208);
    EXPECT_EQ(ValueNow(), 10);

    ASSERT_EQ(slider().Max(win::Variant(100).get()), S_OK);
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"25");
    slider().Value(text);
    EXPECT_EQ(ValueNow(), 25);
    VariantClear(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"abc");
    slider().Value(text);
    EXPECT_EQ(ValueNow(), 25);
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    slider().Value(null);
    EXPECT_EQ(ValueNow(), 25);
    EXPECT_EQ(slider().Max(text), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(slider().Max().get().lVal, 100);
    VariantClear(&text);
    EXPECT_TRUE(events.empty()); // assignments raise no Change
}

TEST_F(SliderWindowTest, ChangingMaxRescalesWithoutMovingTheThumb) {
    SetValue(5);
    ASSERT_EQ(slider().Max(win::Variant(20).get()), S_OK);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 104);
    EXPECT_EQ(ValueNow(), 10);
    ASSERT_EQ(slider().Max(win::Variant(-3).get()), S_OK);
    EXPECT_EQ(slider().Max().get().lVal, 1);
    EXPECT_EQ(slider().Max(win::Variant(5e9).get()), DISP_E_OVERFLOW);
    EXPECT_EQ(slider().Max().get().lVal, 1);
}

TEST_F(SliderWindowTest, AValueAssignmentFirstRunsPendingMessages) {
    std::vector<std::int32_t> seen;
    host.onApp = [&](WPARAM) { seen.push_back(ValueNow()); };
    PostMessageW(host.hwnd(), WM_APP, 0, 0);
    SetValue(8);
    ASSERT_EQ(seen.size(), 1u); // handled inside the assignment, before the thumb moved
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(ValueNow(), 8);

    // A quit request met on the way is left for the host's own loop.
    PostQuitMessage(3);
    SetValue(2);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(ValueNow(), 2);
}

TEST_F(SliderWindowTest, KeysAndDropsAreReportedWithoutMovingTheThumb) {
    std::vector<std::pair<std::int16_t, std::int16_t>> keys;
    slider().onKeyDown = [&](std::int16_t key, std::int16_t shift) { keys.emplace_back(key, shift); };
    SetFocus(control());
    PressKey(VK_RIGHT);
    PressKey(VK_HOME, true);
    ASSERT_EQ(keys.size(), 3u); // Right, Shift, Home
    EXPECT_EQ(keys[0].first, VK_RIGHT);
    EXPECT_EQ(keys[0].second, 0);
    EXPECT_EQ(keys[2].first, VK_HOME);
    EXPECT_EQ(keys[2].second, 1);
    EXPECT_EQ(ValueNow(), 1);

    IDropTarget* target = slider().DropTarget();
    ASSERT_NE(target, nullptr);
    ComPtr<IDataObject> data;
    ASSERT_EQ(OleGetClipboard(data.GetAddressOf()), S_OK); // any data object will do
    POINT screen{50, 3};
    ClientToScreen(control(), &screen);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target->DragEnter(data.Get(), 0, {screen.x, screen.y}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    IDataObject* dropped = nullptr;
    float dropX = 0, dropY = 0;
    std::int16_t dropShift = 0;
    slider().onOLEDragDrop = [&](IDataObject* d, std::int32_t& e, std::int16_t, std::int16_t shift, float x,
                                 float y) {
        dropped = d;
        dropShift = shift;
        dropX = x;
        dropY = y;
        e = DROPEFFECT_MOVE; // the handler decides
    };
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target->Drop(data.Get(), MK_CONTROL, {screen.x, screen.y}, &effect), S_OK);
    EXPECT_EQ(dropped, data.Get());
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(dropShift, 2);
    EXPECT_FLOAT_EQ(dropX, 50);
    EXPECT_FLOAT_EQ(dropY, 3);
    EXPECT_EQ(ValueNow(), 1);
}

TEST_F(SliderWindowTest, TheControlOutlivesOrPrecedesItsWindowSafely) {
    // The host destroys the window first: the object stays usable without one.
    DestroyWindow(control());
    EXPECT_EQ(slider().hwnd(), nullptr);
    SetValue(6);
    EXPECT_EQ(ValueNow(), 6);
    slider().Enabled(false);
    EXPECT_EQ(ValueNow(), 0);
    // A control that never had a window works the same.
    Slider bare;
    bare.Value(win::Variant(3).get());
    EXPECT_EQ(bare.Value().get().lVal, 3);
}

} // namespace
} // namespace klevotrim::test
