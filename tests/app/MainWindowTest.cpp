#include "app/MainWindow.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(MainWindowStart, OpensTitledAndClosesCleanly) {
    klevotrim::MainWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
    wchar_t title[64] = {};
    GetWindowTextW(window.hwnd(), title, 64);
    EXPECT_STREQ(title, L"Klevotrim 1.0");
    ShowWindow(window.hwnd(), SW_SHOW);
    klevotrim::test::PumpMessages(50);
    DestroyWindow(window.hwnd());
    EXPECT_FALSE(IsWindow(window.hwnd()));
}
