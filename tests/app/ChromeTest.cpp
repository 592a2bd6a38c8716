// Layout after real resizes, the preset sizes, full screen, the window's region, the caption
// strip, the panel in the maximized layout and the right-click menu's states.
#include "AppTestSupport.h"

#include "app/AppRules.h"
#include "common/win/Window.h"
#include "media/Media.h"

#include "ui/chrome/About.h"

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace klevotrim;
using namespace klevotrim::app;
using namespace klevotrim::test;

namespace {

class Chrome : public AppTest {
  protected:
    void Command(Cmd command) {
        SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(command), 0);
        PumpMessages(50);
    }
    SIZE WindowSize() {
        RECT rect{};
        GetWindowRect(Main().hwnd(), &rect);
        return SIZE{rect.right - rect.left, rect.bottom - rect.top};
    }
    // The popup's states when the menu opens after a right press on the window's surface.
    HMENU OpenMenuOnSurface() {
        HMENU shown = nullptr;
        Main().SetPopupCall([&](HMENU menu, POINT) { shown = menu; });
        SendMessageW(Main().hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(200, 10));
        SendMessageW(Main().hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(200, 10));
        return shown;
    }
    static bool Grayed(HMENU menu, Cmd id) {
        return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) != 0;
    }
    static bool Checked(HMENU menu, Cmd id) {
        return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool CornerIsCut() {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        int kind = GetWindowRgn(Main().hwnd(), region);
        bool cut = kind != ERROR && !PtInRegion(region, 0, 0) && PtInRegion(region, 10, 10);
        DeleteObject(region);
        return cut;
    }
};

} // namespace

TEST_F(Chrome, ThePresetSizesLayOutTheVideoAreaPanelAndSeekBar) {
    struct Preset {
        Cmd command;
        int width, height;
    };
    for (Preset preset :
         {Preset{Cmd::mnu100, 640, 480}, Preset{Cmd::mnu200, 740, 580}, Preset{Cmd::mnu300, 840, 680}}) {
        Command(preset.command);
        SIZE size = WindowSize();
        ASSERT_EQ(size.cx, preset.width);
        ASSERT_EQ(size.cy, preset.height);
        const int W = preset.width, H = preset.height;
        RECT pic = RectIn(Main().Pic(), Main().hwnd());
        EXPECT_EQ(pic.left, 0);
        EXPECT_EQ(pic.top, 18);
        EXPECT_EQ(pic.right, W);
        EXPECT_EQ(pic.bottom - pic.top, H - 85);
        RECT panel = RectIn(Main().PicPanel(), Main().hwnd());
        EXPECT_EQ(panel.top, H - 59 - 4);
        EXPECT_EQ(panel.right - panel.left, W);
        EXPECT_EQ(panel.bottom - panel.top, 59);
        RECT bar = RectIn(Main().Pos().Window(), Main().PicPanel());
        EXPECT_EQ(bar.left, 83);
        EXPECT_EQ(bar.right - bar.left, W - 85);
        RECT strip = RectIn(Main().PicButton(), Main().hwnd());
        EXPECT_EQ(strip.left, W - 41 - 1);
        EXPECT_TRUE(IsWindowVisible(Main().PicButton()));
        RECT display = RectIn(Main().PicDisPlay(), Main().PicPanel());
        EXPECT_EQ(display.left, W - 125 - 3);
        EXPECT_TRUE(CornerIsCut());
    }
}

TEST_F(Chrome, AtTheMinimumSizeTheBarIs395PixelsWide) {
    SetWindowPos(Main().hwnd(), nullptr, 0, 0, 480, 360, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages(50);
    RECT pic = RectIn(Main().Pic(), Main().hwnd());
    EXPECT_EQ(pic.right - pic.left, 480);
    EXPECT_EQ(pic.bottom - pic.top, 275);
    RECT panel = RectIn(Main().PicPanel(), Main().hwnd());
    EXPECT_EQ(panel.top, 297);
    RECT bar = RectIn(Main().Pos().Window(), Main().PicPanel());
    EXPECT_EQ(bar.right - bar.left, 395);
    // Buttons in a row at top 6, 6 pixels apart.
    RECT open = RectIn(Main().Button(kOpen).hwnd(), Main().PicPanel());
    RECT play = RectIn(Main().Button(kPlay).hwnd(), Main().PicPanel());
    EXPECT_EQ(open.left, 9);
    EXPECT_EQ(open.top, 6);
    EXPECT_EQ(play.left, open.right + 6);
}

TEST_F(Chrome, DoubleClickTogglesFullScreenAndBack) {
    SendMessageW(Main().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(200, 8));
    PumpMessages(100);
    EXPECT_TRUE(IsZoomed(Main().hwnd()));
    EXPECT_TRUE(Main().IsFullScreen());
    EXPECT_FALSE(IsWindowVisible(Main().PicButton()));
    EXPECT_FALSE(CornerIsCut()) << "square in the maximized layout";
    RECT client{};
    GetClientRect(Main().hwnd(), &client);
    RECT pic = RectIn(Main().Pic(), Main().hwnd());
    EXPECT_EQ(pic.top, 0);
    EXPECT_EQ(pic.bottom, client.bottom);
    EXPECT_EQ(RectIn(Main().PicPanel(), Main().hwnd()).top, client.bottom - 59);

    SendMessageW(Main().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(200, 8));
    PumpMessages(100);
    EXPECT_FALSE(IsZoomed(Main().hwnd()));
    EXPECT_FALSE(Main().IsFullScreen());
    EXPECT_TRUE(CornerIsCut());
    EXPECT_TRUE(IsWindowVisible(Main().PicButton()));
}

TEST_F(Chrome, FitToScreenThenFullscreenReturnsToTheNormalLayout) {
    Command(Cmd::mnuFit);
    EXPECT_TRUE(IsZoomed(Main().hwnd()));
    EXPECT_TRUE(Main().IsFullScreen());
    Command(Cmd::mnuFullscreen);
    EXPECT_FALSE(IsZoomed(Main().hwnd()));
    EXPECT_FALSE(Main().IsFullScreen());
    EXPECT_TRUE(CornerIsCut());
}

TEST_F(Chrome, ThePanelShowsNearTheBottomOnlyWhenMaximized) {
    Command(Cmd::mnuFullscreen);
    ASSERT_TRUE(IsZoomed(Main().hwnd()));
    RECT client{};
    GetClientRect(Main().hwnd(), &client);
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, client.bottom - 200));
    EXPECT_FALSE(IsWindowVisible(Main().PicPanel()));
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, client.bottom - 79));
    EXPECT_TRUE(IsWindowVisible(Main().PicPanel()));
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, client.bottom - 80));
    EXPECT_FALSE(IsWindowVisible(Main().PicPanel()));
}

TEST_F(Chrome, TheCaptionStripShowsItsZonesAndBoundariesDoNothing) {
    HWND strip = Main().PicButton();
    SendMessageW(strip, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Main().CaptionImage(), 106);
    SendMessageW(strip, WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
    EXPECT_EQ(Main().CaptionImage(), 104);
    SendMessageW(strip, WM_MOUSEMOVE, 0, MAKELPARAM(30, 5));
    EXPECT_EQ(Main().CaptionImage(), 102);
    SendMessageW(strip, WM_MOUSEMOVE, 0, MAKELPARAM(13, 5));
    EXPECT_EQ(Main().CaptionImage(), 107);
    SendMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(26, 5));
    EXPECT_EQ(Main().CaptionImage(), 107);
    EXPECT_FALSE(IsZoomed(Main().hwnd()));
    EXPECT_TRUE(Main().Loaded());
    // A move over the window's own surface resets the strip.
    SendMessageW(strip, WM_MOUSEMOVE, 0, MAKELPARAM(30, 5));
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(200, 300));
    EXPECT_EQ(Main().CaptionImage(), 107);
    // The full-screen zone.
    SendMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
    PumpMessages(50);
    EXPECT_EQ(Main().CaptionImage(), 103);
    EXPECT_TRUE(IsZoomed(Main().hwnd()));
}

TEST_F(Chrome, TheCloseZoneExitsAndStoresThePreference) {
    SendMessageW(Main().PicButton(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(35, 5));
    PumpMessages(50);
    EXPECT_FALSE(Main().Loaded());
    EXPECT_EQ(ReadPreference("Always On Top"), std::optional<std::string>("False"));
}

TEST_F(Chrome, MenuStatesFollowTheButtonsTheFlagsAndTheWindowState) {
    HMENU menu = OpenMenuOnSurface();
    ASSERT_NE(menu, nullptr);
    for (Cmd off : {Cmd::mnuStop, Cmd::mnuPause, Cmd::mnuStart, Cmd::mnuEnd, Cmd::mnuSave})
        EXPECT_TRUE(Grayed(menu, off));
    for (Cmd size : {Cmd::mnu100, Cmd::mnu200, Cmd::mnu300, Cmd::mnuFit})
        EXPECT_FALSE(Grayed(menu, size));
    EXPECT_FALSE(Checked(menu, Cmd::mnuOOt));
    EXPECT_FALSE(Checked(menu, Cmd::mnuFullscreen));

    PlayByDrop(TestMediaPath(L"tone-10s.wav"));
    Command(Cmd::mnuOOt);
    Command(Cmd::mnuFullscreen);
    ASSERT_TRUE(IsZoomed(Main().hwnd()));
    menu = OpenMenuOnSurface();
    for (Cmd on : {Cmd::mnuStop, Cmd::mnuPause, Cmd::mnuStart})
        EXPECT_FALSE(Grayed(menu, on));
    EXPECT_TRUE(Grayed(menu, Cmd::mnuEnd));
    for (Cmd size : {Cmd::mnu100, Cmd::mnu200, Cmd::mnu300, Cmd::mnuFit})
        EXPECT_TRUE(Grayed(menu, size));
    EXPECT_TRUE(Checked(menu, Cmd::mnuOOt));
    EXPECT_TRUE(Checked(menu, Cmd::mnuFullscreen));
}

TEST_F(Chrome, MenuKeepsItsCaptionsAndPlayableClipsEndsTheWindowSubmenuAndIsKeptAcrossARestart) {
    HMENU menu = OpenMenuOnSurface();
    ASSERT_NE(menu, nullptr);
    auto captions = [](HMENU popup) { // a separator reads "-"
        std::vector<std::wstring> all;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            wchar_t caption[32] = {};
            GetMenuStringW(popup, static_cast<UINT>(i), caption, 32, MF_BYPOSITION);
            // A submenu's state holds its item count in the high byte, which can look like MF_SEPARATOR.
            const bool separator = !GetSubMenu(popup, i) &&
                                   (GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR);
            all.push_back(separator ? L"-" : caption);
        }
        return all;
    };
    // The additions (Playable Clips) come last and rename nothing.
    EXPECT_EQ(captions(menu), (std::vector<std::wstring>{L"Open",       L"-",
                                                         L"Play",       L"Stop",
                                                         L"Pause",      L"-",
                                                         L"Fullscreen", L"Window",
                                                         L"-",          L"Start Point",
                                                         L"End Point",  L"Save Clip",
                                                         L"-",          L"Help",
                                                         L"-",          L"Check for Update",
                                                         L"On the Web", L"Support Forum",
                                                         L"About",      L"-",
                                                         L"Exit"}));
    HMENU window = GetSubMenu(menu, 7);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(captions(window), (std::vector<std::wstring>{L"Always On Top", L"-", L"50%", L"100%", L"200%",
                                                           L"Fit to Screen", L"-", L"Playable Clips"}));
    const int count = GetMenuItemCount(window);
    ASSERT_EQ(count, 8) << "Always On Top, -, four sizes, -, Playable Clips";
    EXPECT_EQ(GetMenuItemID(window, count - 1), static_cast<UINT>(Cmd::mnuPlayable));
    wchar_t caption[32] = {};
    GetMenuStringW(window, static_cast<UINT>(count - 1), caption, 32, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"Playable Clips");
    EXPECT_TRUE(GetMenuState(window, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_FALSE(Checked(menu, Cmd::mnuPlayable)) << "off by default";

    Command(Cmd::mnuPlayable);
    EXPECT_TRUE(Main().PlayableClips());
    EXPECT_TRUE(Checked(OpenMenuOnSurface(), Cmd::mnuPlayable));
    EXPECT_FALSE(ReadPreference("Playable Clips").has_value()) << "written only at unload";
    Main().Close();
    PumpMessages(50);
    EXPECT_EQ(ReadPreference("Playable Clips"), std::optional<std::string>("True"));

    window_.reset();
    StartWindow();
    EXPECT_TRUE(Main().PlayableClips());
    EXPECT_TRUE(Checked(OpenMenuOnSurface(), Cmd::mnuPlayable));
    Command(Cmd::mnuPlayable);
    EXPECT_FALSE(Checked(OpenMenuOnSurface(), Cmd::mnuPlayable));
    Main().Close();
    EXPECT_EQ(ReadPreference("Playable Clips"), std::optional<std::string>("False"));
}

TEST_F(Chrome, ARightPressOnThePanelShowsTheMenuWithoutRefreshingIt) {
    ASSERT_TRUE(Grayed(OpenMenuOnSurface(), Cmd::mnuStop)); // the last refresh
    POINT at{};
    Main().SetPopupCall([&](HMENU, POINT screen) { at = screen; });
    Main().Button(kStop).Enabled(true); // states change, but no refresh happens on the panel
    SendMessageW(Main().PicPanel(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 20));
    POINT expected{300, 20};
    ClientToScreen(Main().PicPanel(), &expected);
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
    EXPECT_TRUE((GetMenuState(Main().Menu(), static_cast<UINT>(Cmd::mnuStop), MF_BYCOMMAND) & MF_GRAYED) !=
                0);
}

TEST_F(Chrome, ThePressInTheIconCornerOpensTheMenuBelowIt) {
    POINT at{};
    Main().SetPopupCall([&](HMENU, POINT screen) { at = screen; });
    SendMessageW(Main().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(Main().hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    POINT expected{2, 18};
    ClientToScreen(Main().hwnd(), &expected);
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
}

TEST_F(Chrome, TheAboutWindowShowsItsTextsOnEachOpening) {
    for (int opening = 0; opening < 2; ++opening) {
        std::wstring caption, info, ok;
        bool wasTopmost = false;
        SetTimer(Main().hwnd(), 77, 300, nullptr);
        // The About window is modal: read it and press "&Ok" from a timer of this thread.
        static std::function<void()> onTick;
        onTick = [&] {
            HWND about = FindWindowW(kAboutClassName, nullptr);
            if (!about)
                return;
            caption = TextOf(about);
            info = TextOf(GetDlgItem(about, kAboutInfoId));
            ok = TextOf(GetDlgItem(about, kAboutOkId));
            wasTopmost = (GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            SendMessageW(about, WM_COMMAND, MAKEWPARAM(kAboutOkId, BN_CLICKED), 0);
        };
        UINT_PTR timer = SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) { onTick(); });
        KillTimer(Main().hwnd(), 77);
        if (opening == 1)
            Command(Cmd::mnuOOt);
        Command(Cmd::mnuAbou);
        KillTimer(nullptr, timer);
        EXPECT_EQ(caption, L"About Klevotrim 1.0");
        EXPECT_EQ(info.rfind(L"Klevotrim\r\n\r\nVersion : 1.0\r\n\r\n", 0), 0u) << opening;
        EXPECT_TRUE(info.ends_with(L"\r\n"));
        EXPECT_EQ(info.find(L"Version : 1.0", 20), std::wstring::npos) << "the lines appear once";
        EXPECT_EQ(ok, L"&Ok");
        EXPECT_EQ(wasTopmost, opening == 1);
        EXPECT_TRUE(IsWindowEnabled(Main().hwnd()));
    }
}

// Not a check: pictures of the window for the documentation, when KLEVOTRIM_SCREENSHOTS names a
// folder. The screen's pixels are saved as BMP files.
TEST_F(Chrome, Screenshots) {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"KLEVOTRIM_SCREENSHOTS", folder, MAX_PATH))
        GTEST_SKIP() << "KLEVOTRIM_SCREENSHOTS not set";
    auto save = [&](const wchar_t* name) {
        RECT rect{};
        GetWindowRect(Main().hwnd(), &rect);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof(header);
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        std::vector<BYTE> pixels(stride * static_cast<DWORD>(height));
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                  reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(header);
        file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
        std::wstring path = std::wstring(folder) + L"\\" + name;
        HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(out, &file, sizeof(file), &written, nullptr);
        WriteFile(out, &header, sizeof(header), &written, nullptr);
        WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
        CloseHandle(out);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    };
    Command(Cmd::mnu200);
    PlayByDrop(TestMediaPath(L"clip-10s.mp4"));
    Command(Cmd::mnu200);
    PumpMessages(2500);
    BringWindowToTop(Main().hwnd());
    PumpMessages(300);
    save(L"klevotrim-normal.bmp");
    Command(Cmd::mnuFullscreen);
    RECT client{};
    GetClientRect(Main().hwnd(), &client);
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, client.bottom - 20)); // shows the panel
    PumpMessages(1500);
    save(L"klevotrim-maximized.bmp");
}

TEST_F(Chrome, DraggingTheCornerResizesBothWaysAndTheLayoutFollows) {
    SIZE before = WindowSize(); // 591 x 471
    // 4 pixels in from the right and the bottom: the corner zone, outside both 2-pixel edges.
    const int x = before.cx - 4, y = before.cy - 4;
    SendMessageW(Main().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(699, 499));
    SendMessageW(Main().hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(699, 499));
    PumpMessages(50);
    SIZE after = WindowSize();
    EXPECT_EQ(after.cx, 700); // x + 15 twips
    EXPECT_EQ(after.cy, 500);
    RECT bar = RectIn(Main().Pos().Window(), Main().PicPanel());
    EXPECT_EQ(bar.right - bar.left, 700 - 85);
    EXPECT_EQ(RectIn(Main().PicPanel(), Main().hwnd()).top, 500 - 63);
    EXPECT_TRUE(CornerIsCut());
    // After the release a move no longer resizes.
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(600, 450));
    EXPECT_EQ(WindowSize().cx, 700);
}

TEST_F(Chrome, APressOnTheRightEdgeResizesOnlyTheWidth) {
    SIZE before = WindowSize();
    SendMessageW(Main().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(before.cx - 1, before.cy - 1));
    SendMessageW(Main().hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(649, 600));
    SendMessageW(Main().hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(649, 600));
    SIZE after = WindowSize();
    EXPECT_EQ(after.cx, 651); // Width := 649 x 15 + 35 twips = 651.33 pixels
    EXPECT_EQ(after.cy, before.cy);
}

namespace {

// A parent that counts the image button's clicks.
struct ClickCounter {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == 42)
            ++clicks;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    static inline int clicks = 0;
};

} // namespace

TEST(ImageButtonControl, OneClickPerClickOfTheEnabledButtonOnly) {
    ASSERT_TRUE(win::EnsureWindowClass({.name = L"ClickCounterParent",
                                        .instance = GetModuleHandleW(nullptr),
                                        .procedure = ClickCounter::Proc}));
    HWND parent = CreateWindowExW(0, L"ClickCounterParent", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                  200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ImageButton button;
    std::array<int, static_cast<int>(ButtonLook::Count)> looks{};
    ASSERT_TRUE(
        button.Create(parent, 42, RECT{10, 10, 46, 40}, L"Open Media", true, nullptr, looks, L"Open"));
    auto click = [&](int downX, int upX) {
        SendMessageW(button.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(downX, 5));
        SendMessageW(button.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(upX, 5));
    };
    ClickCounter::clicks = 0;
    click(5, 5);
    EXPECT_EQ(ClickCounter::clicks, 1);
    click(5, 200); // released outside: no click
    EXPECT_EQ(ClickCounter::clicks, 1);
    button.Enabled(false);
    EXPECT_FALSE(button.Enabled());
    EXPECT_FALSE(IsWindowEnabled(button.hwnd()));
    // A disabled window gets no mouse input from the system; even a sent press does nothing.
    click(5, 5);
    EXPECT_EQ(ClickCounter::clicks, 1);
    button.Enabled(true);
    click(5, 5);
    EXPECT_EQ(ClickCounter::clicks, 2);
    // The picture read and written back is the same one, and the button survives it.
    HBITMAP picture = button.Picture();
    button.Picture(picture);
    EXPECT_EQ(button.Picture(), picture);
    EXPECT_EQ(button.TipText(), L"Open Media");
    DestroyWindow(parent);
}

namespace {

// The tooltip windows of this thread that hold a tool for `button`, with that tool's text.
std::vector<std::pair<HWND, std::wstring>> TipsFor(HWND button) {
    struct Search {
        HWND button;
        std::vector<std::pair<HWND, std::wstring>> found;
    } search{button, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* search = reinterpret_cast<Search*>(param);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (_wcsicmp(name, TOOLTIPS_CLASSW) != 0)
                return TRUE;
            const auto count = static_cast<UINT>(SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0));
            for (UINT i = 0; i < count; ++i) {
                wchar_t text[128] = {};
                TTTOOLINFOW tool{};
                tool.cbSize = sizeof(tool);
                tool.lpszText = text;
                if (SendMessageW(window, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool)) &&
                    tool.uId == reinterpret_cast<UINT_PTR>(search->button))
                    search->found.emplace_back(window, text);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

TEST(ImageButtonControl, TooltipComesWithTheFirstPointerMoveOnceAndGoesWithTheButton) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ImageButton button;
    std::array<int, static_cast<int>(ButtonLook::Count)> looks{};
    ASSERT_TRUE(button.Create(parent, 43, RECT{10, 10, 46, 40}, L"Save Clip", true, nullptr, looks, L"Save"));
    EXPECT_TRUE(TipsFor(button.hwnd()).empty()) << "no tooltip before the pointer comes";

    SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    auto tips = TipsFor(button.hwnd());
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].second, L"Save Clip");
    const HWND tip = tips[0].first;

    // Later moves, also after leaving and coming back, keep the one tip.
    SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
    SendMessageW(button.hwnd(), WM_MOUSELEAVE, 0, 0);
    SendMessageW(button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(7, 5));
    tips = TipsFor(button.hwnd());
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].first, tip);

    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(tip)) << "the button takes its tooltip along";
}
