// frmAbout: its texts, "&Ok", the always-on-top flag and its modal wait over the owner.
#include "ui/chrome/About.h"

#include "TestSupport.h"
#include "cutting/ClipWriter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace klevotrim;

namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// Runs `action` on the About window from a timer of this thread while ShowAbout waits.
std::function<void(HWND)> g_action;
void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND about = FindWindowW(kAboutClassName, nullptr);
    if (!about || !g_action)
        return;
    KillTimer(nullptr, timer);
    auto action = std::move(g_action);
    g_action = nullptr;
    action(about);
}

class About : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 400,
                                 nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }
    void Show(bool alwaysOnTop, std::function<void(HWND)> action) {
        g_action = std::move(action);
        SetTimer(nullptr, 0, 100, OnTick);
        ShowAbout(owner_, alwaysOnTop);
    }
    HWND owner_ = nullptr;
};

} // namespace

TEST_F(About, ShowsItsTextsOnceEachOpeningAndOkUnloadsIt) {
    for (int opening = 0; opening < 2; ++opening) {
        std::wstring caption, info, ok, link;
        bool ownerEnabled = true;
        Show(false, [&](HWND about) {
            caption = TextOf(about);
            info = TextOf(GetDlgItem(about, kAboutInfoId));
            ok = TextOf(GetDlgItem(about, kAboutOkId));
            link = TextOf(GetDlgItem(about, kAboutLinkId));
            ownerEnabled = IsWindowEnabled(owner_) != FALSE;
            SendMessageW(GetDlgItem(about, kAboutOkId), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(caption, L"About Klevotrim 1.0");
        EXPECT_EQ(info, AboutInfoText());
        EXPECT_EQ(info.rfind(L"Klevotrim\r\n\r\nVersion : 1.0\r\n\r\n", 0), 0u);
        EXPECT_TRUE(info.ends_with(L"\r\n"));
        EXPECT_EQ(ok, L"&Ok");
        EXPECT_EQ(link.rfind(L"https://", 0), 0u);
        EXPECT_FALSE(ownerEnabled) << "modal over its owner";
        EXPECT_TRUE(IsWindowEnabled(owner_));
        EXPECT_EQ(FindWindowW(kAboutClassName, nullptr), nullptr) << "unloaded";
    }
}

TEST_F(About, FollowsTheAlwaysOnTopFlag) {
    for (bool onTop : {true, false}) {
        bool topmost = !onTop;
        HWND owner = nullptr;
        Show(onTop, [&](HWND about) {
            topmost = (GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            owner = GetWindow(about, GW_OWNER);
            PostMessageW(about, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(topmost, onTop);
        EXPECT_EQ(owner, owner_);
    }
}

TEST_F(About, EscapeAndEnterCloseIt) {
    for (WPARAM key : {static_cast<WPARAM>(VK_ESCAPE), static_cast<WPARAM>(VK_RETURN)}) {
        bool shown = false;
        Show(false, [&](HWND about) {
            shown = true;
            HWND focus = GetDlgItem(about, kAboutOkId);
            PostMessageW(focus, WM_KEYDOWN, key, 0);
            PostMessageW(focus, WM_KEYUP, key, 0);
        });
        EXPECT_TRUE(shown);
        EXPECT_EQ(FindWindowW(kAboutClassName, nullptr), nullptr) << key;
    }
}

TEST_F(About, TheOwnerGoingAwayEndsTheWait) {
    Show(false, [&](HWND) { DestroyWindow(owner_); });
    EXPECT_FALSE(IsWindow(owner_));
    EXPECT_EQ(FindWindowW(kAboutClassName, nullptr), nullptr);
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
}
