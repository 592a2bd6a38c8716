// Frame styles, regions and edge resizing applied to real windows.
#include "ui/chrome/Border.h"

#include <objbase.h> // before UniqueHandle.h, which uses CoInitializeEx

#include "TestSupport.h"
#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

#include <gtest/gtest.h>

namespace klevotrim {
namespace {

// Borderless with a system menu, both boxes and a taskbar button, as the main window is.
constexpr FormBorder kBorderless{
    .clipChildren = true, .systemMenu = true, .maxBox = true, .minBox = true, .appWindow = true};

const wchar_t* TestClass() {
    static const bool registered = win::EnsureWindowClass(
        {.name = L"KlevotrimChromeTest", .instance = GetModuleHandleW(nullptr), .procedure = DefWindowProcW});
    return registered ? L"KlevotrimChromeTest" : nullptr;
}

win::UniqueWindow MakeWindow(DWORD style, int width, int height) {
    return win::UniqueWindow(CreateWindowExW(0, TestClass(), L"chrome test", style, 20, 20, width, height,
                                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

SIZE WindowSize(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE ClientSize(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

TEST(FormBorderStyles, TableOfBorderStyles) {
    constexpr LONG_PTR base = WS_CLIPCHILDREN | WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
    constexpr LONG_PTR framed = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION;
    struct Row {
        int border;
        LONG_PTR style, exStyle;
    } rows[] = {
        {0, base | WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_APPWINDOW},
        {1, base | framed, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE},
        {2, base | framed | WS_THICKFRAME, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE},
        {3, base | framed | DS_MODALFRAME, WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE},
        {4, base | framed, WS_EX_APPWINDOW | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE},
        {5, base | framed | WS_THICKFRAME, WS_EX_APPWINDOW | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE},
        {6, base, WS_EX_APPWINDOW},
        {-1, base, WS_EX_APPWINDOW},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.border);
        const FormStyles s = FormBorderStyles({.borderStyle = row.border,
                                               .clipChildren = true,
                                               .systemMenu = true,
                                               .maxBox = true,
                                               .minBox = true,
                                               .appWindow = true},
                                              false);
        EXPECT_EQ(s.style, row.style);
        EXPECT_EQ(s.exStyle, row.exStyle);
    }
    const FormStyles bare = FormBorderStyles({.contextHelp = true}, true);
    EXPECT_EQ(bare.style, WS_VISIBLE | WS_CLIPSIBLINGS);
    EXPECT_EQ(bare.exStyle, WS_EX_CONTEXTHELP | WS_EX_MDICHILD);
}

TEST(SetFormBorder, NoBorderRemovesTheFrameAndKeepsSystemMenuAndBoxes) {
    win::UniqueWindow form = MakeWindow(WS_OVERLAPPEDWINDOW, 400, 300);
    ASSERT_TRUE(form);
    ASSERT_NE(ClientSize(form.get()).cx, WindowSize(form.get()).cx);

    SetFormBorder(form.get(), kBorderless);
    const LONG_PTR style = GetWindowLongPtrW(form.get(), GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_CLIPCHILDREN),
              WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_CLIPCHILDREN);
    EXPECT_NE(GetWindowLongPtrW(form.get(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    // The frame is recomputed at once: the client area is the whole window.
    EXPECT_EQ(ClientSize(form.get()).cx, WindowSize(form.get()).cx);
    EXPECT_EQ(ClientSize(form.get()).cy, WindowSize(form.get()).cy);
    EXPECT_EQ(WindowSize(form.get()).cx, 400);

    FormBorder sizable = kBorderless;
    sizable.borderStyle = 2;
    SetFormBorder(form.get(), sizable);
    EXPECT_NE(GetWindowLongPtrW(form.get(), GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_LT(ClientSize(form.get()).cy, WindowSize(form.get()).cy);
}

TEST(SetFormBorder, HiddenWindowGivenNoBorderShowsNormallyAfterwards) {
    win::UniqueWindow form = MakeWindow(WS_OVERLAPPEDWINDOW, 300, 200);
    ASSERT_TRUE(form);
    ASSERT_FALSE(IsWindowVisible(form.get()));
    SetFormBorder(form.get(), kBorderless); // as at start-up, before the show
    ShowWindow(form.get(), SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(form.get()));
    EXPECT_EQ(WindowSize(form.get()).cx, 300);
    EXPECT_TRUE(SetWindowPos(form.get(), nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    RECT r{};
    GetWindowRect(form.get(), &r);
    EXPECT_EQ(r.left, 40);
}

// Runs `action` on another thread after `delayMs`, unless the test ends first.
class Later {
  public:
    Later(DWORD delayMs, void (*action)(HWND), HWND window)
        : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), delay_(delayMs), action_(action),
          window_(window) {
        thread_.reset(CreateThread(nullptr, 0, &Later::Run, this, 0, nullptr));
    }
    ~Later() {
        SetEvent(done_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }

  private:
    static DWORD WINAPI Run(void* self) {
        auto* later = static_cast<Later*>(self);
        if (WaitForSingleObject(later->done_.get(), later->delay_) == WAIT_TIMEOUT)
            later->action_(later->window_);
        return 0;
    }
    win::UniqueKernelHandle done_;
    win::UniqueKernelHandle thread_;
    DWORD delay_;
    void (*action_)(HWND);
    HWND window_;
};

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = dx;
    input.mi.dy = dy;
    SendInput(1, &input, sizeof(input));
}

TEST(DragWindow, WithoutAHeldButtonReturnsAndLeavesTheWindowInPlace) {
    win::UniqueWindow form = MakeWindow(WS_POPUP | WS_VISIBLE, 200, 100);
    ASSERT_TRUE(form);
    RECT before{}, after{};
    GetWindowRect(form.get(), &before);
    // A move loop waiting for a release that never comes would hang: end it after 3 s.
    Later escape(
        3000,
        [](HWND window) {
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(window, WM_LBUTTONUP, 0, 0);
        },
        form.get());
    const DWORD start = GetTickCount();
    DragWindow(form.get());
    EXPECT_LT(GetTickCount() - start, 2500u);
    GetWindowRect(form.get(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

TEST(DragWindow, WithTheLeftButtonHeldTheWindowFollowsTheMouse) {
    win::UniqueWindow form = MakeWindow(WS_POPUP | WS_VISIBLE, 200, 100);
    ASSERT_TRUE(form);
    SetForegroundWindow(form.get());
    RECT before{};
    GetWindowRect(form.get(), &before);
    SetCursorPos(before.left + 100, before.top + 50);
    test::PumpMessages(100);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(test::PumpUntil([] { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }, 2000));

    Later release(
        300,
        [](HWND) {
            for (int i = 1; i <= 5; ++i) {
                SendMouse(MOUSEEVENTF_MOVE, 6, 4); // small steps: no pointer acceleration
                Sleep(50);
            }
            SendMouse(MOUSEEVENTF_LEFTUP);
        },
        form.get());
    DragWindow(form.get());
    test::PumpMessages(200);
    RECT after{};
    GetWindowRect(form.get(), &after);
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 20);
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0);
}

TEST(WindowRegions, RoundRegionCutsTheCornersAndRectRegionRestoresThem) {
    win::UniqueWindow form = MakeWindow(WS_POPUP, 480, 360);
    ASSERT_TRUE(form);
    SetRoundRegion(form.get(), 10, 10);
    win::UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(form.get(), region.get()), ERROR);
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 5, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 240, 180));
    RECT box{};
    GetRgnBox(region.get(), &box);
    // A round rectangle region leaves out the last column and row of its bounds.
    EXPECT_GE(box.right, 479);
    EXPECT_GE(box.bottom, 359);

    SetRectRegion(form.get());
    ASSERT_EQ(GetWindowRgn(form.get(), region.get()), SIMPLEREGION);
    EXPECT_TRUE(PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 479, 359));
    EXPECT_FALSE(PtInRegion(region.get(), 480, 100));

    // Regions set over and over are each given to the window: no GDI objects pile up.
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 50; ++i) {
        SetRoundRegion(form.get(), 10, 10);
        SetRectRegion(form.get());
    }
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before + 2);
}

class EdgeResize : public ::testing::Test {
  protected:
    void SetUp() override {
        EndResize();
        form = MakeWindow(WS_POPUP, 480, 360);
        ASSERT_TRUE(form);
    }
    void TearDown() override { EndResize(); }
    static int T(int pixels) { return pixels * 15; }
    win::UniqueWindow form;
};

TEST_F(EdgeResize, PressInTheCornerThenMovesResizeTheWidthOnly) {
    TrackResize(T(479), T(359), form.get(), 0); // hovering the corner shows the diagonal arrows
    EXPECT_EQ(CurrentResizeCursor(), IDC_SIZENWSE);
    BeginResize(T(479), T(359), form.get());
    EXPECT_EQ(CurrentResizeFlags(), (ResizeFlags{true, false, true}));
    TrackResize(T(520), T(400), form.get(), MK_LBUTTON);
    EXPECT_EQ(WindowSize(form.get()).cx, 522);
    EXPECT_EQ(WindowSize(form.get()).cy, 360);
    EXPECT_EQ(CurrentResizeCursor(), IDC_SIZENWSE); // no rule applies with the corner flag: kept
    EndResize();
    EXPECT_FALSE(CurrentResizeFlags().Any());
}

TEST_F(EdgeResize, InnerCornerPressResizesBothAndBottomEdgeTheHeight) {
    BeginResize(T(476), T(356), form.get());
    TrackResize(T(600), T(450), form.get(), MK_LBUTTON);
    EXPECT_EQ(WindowSize(form.get()).cx, 601);
    EXPECT_EQ(WindowSize(form.get()).cy, 451);
    EXPECT_EQ(CurrentResizeCursor(), IDC_SIZENWSE);
    EndResize();

    BeginResize(T(200), T(450), form.get()); // last row of the now 451-high window
    TrackResize(T(200), T(500), form.get(), MK_LBUTTON);
    EXPECT_EQ(WindowSize(form.get()).cx, 601);
    EXPECT_EQ(WindowSize(form.get()).cy, 501);
    EXPECT_EQ(CurrentResizeCursor(), IDC_SIZENS);
}

TEST_F(EdgeResize, MovesWithoutAPressOnlySetThePointer) {
    TrackResize(T(478), T(100), form.get(), 0);
    EXPECT_EQ(CurrentResizeCursor(), IDC_SIZEWE);
    TrackResize(T(200), T(100), form.get(), 0);
    EXPECT_EQ(CurrentResizeCursor(), IDC_ARROW);
    EXPECT_EQ(WindowSize(form.get()).cx, 480);
    EXPECT_EQ(WindowSize(form.get()).cy, 360);
}

TEST_F(EdgeResize, NearTheLeftEdgeTheWindowIsNotResized) {
    BeginResize(T(479), T(100), form.get());
    TrackResize(T(19), T(100), form.get(), 0); // within 20 pixels of the left edge
    EXPECT_EQ(WindowSize(form.get()).cx, 480);
    TrackResize(T(20), T(100), form.get(), 0);
    EXPECT_EQ(WindowSize(form.get()).cx, 22);
}

} // namespace
} // namespace klevotrim
