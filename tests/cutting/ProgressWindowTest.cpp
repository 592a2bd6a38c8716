#include "ClipWriterTestSupport.h"
#include "TestSupport.h"
#include "cutting/ProgressBar.h"
#include "cutting/ProgressWindow.h"

#include <gtest/gtest.h>

#include <memory>

using namespace klevotrim;
using namespace klevotrim::test;

namespace {

// Reads on-screen pixels of a window (what the user sees).
COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

} // namespace

TEST(ProgressBar, KeepsMaximumAndValueAndAnswersTheProgressMessages) {
    OwnerWindow owner;
    HWND bar = ProgressBar::Create(owner.get(), 10, 10, 200, 20, 7);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ProgressBar::Value(bar), 0);
    ProgressBar::SetMaximum(bar, 4);
    ProgressBar::SetValue(bar, 3);
    EXPECT_EQ(ProgressBar::Maximum(bar), 4);
    EXPECT_EQ(ProgressBar::Value(bar), 3);
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 4);
    EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 1, 0), 3) << "PBM_SETPOS answers the previous value";
    // Values beyond 16 bits are kept whole.
    ProgressBar::SetMaximum(bar, 100000);
    ProgressBar::SetValue(bar, 70000);
    EXPECT_EQ(ProgressBar::Maximum(bar), 100000);
    EXPECT_EQ(ProgressBar::Value(bar), 70000);
}

TEST(ProgressBar, DrawsTheValuesShareInSolidYellowAndTheValueAsText) {
    OwnerWindow owner(true); // pixels are read from the screen
    HWND bar = ProgressBar::Create(owner.get(), 10, 10, 321, 17, 7);
    ASSERT_NE(bar, nullptr);
    ProgressBar::SetMaximum(bar, 4);
    ProgressBar::SetValue(bar, 1);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages(50);
    RECT client{};
    GetClientRect(bar, &client);
    const int width = client.right;
    const int middleY = client.bottom / 2;
    EXPECT_EQ(PixelOf(bar, width / 8, middleY), RGB(192, 192, 0)) << "first quarter filled";
    EXPECT_NE(PixelOf(bar, width * 7 / 8, middleY), RGB(192, 192, 0)) << "the rest is empty";
    // The text "1" sits in the middle: some pixel there is neither bar nor background.
    const COLORREF empty = PixelOf(bar, width * 7 / 8, middleY);
    int textPixels = 0;
    for (int x = width / 2 - 10; x < width / 2 + 10; ++x)
        for (int y = 0; y < client.bottom; ++y) {
            COLORREF c = PixelOf(bar, x, y);
            if (c != empty && c != RGB(192, 192, 0))
                ++textPixels;
        }
    EXPECT_GT(textPixels, 0);

    // A reached maximum of 0 (a one-block copy) shows a full bar.
    ProgressBar::SetMaximum(bar, 0);
    ProgressBar::SetValue(bar, 0);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages(50);
    EXPECT_EQ(PixelOf(bar, width - 3, middleY), RGB(192, 192, 0));
}

TEST(ProgressWindow, LoadsOnceAndUnloadsCleanly) {
    OwnerWindow owner;
    ProgressWindow progress;
    ASSERT_TRUE(progress.Show(owner.get(), false));
    HWND first = progress.Window();
    ASSERT_TRUE(progress.Show(owner.get(), false));
    EXPECT_EQ(progress.Window(), first) << "a loaded window is reused";
    progress.SetProgress(9, 4);
    EXPECT_EQ(ProgressBar::Maximum(progress.Bar()), 9);
    EXPECT_EQ(ProgressBar::Value(progress.Bar()), 4);
    // The user's close only asks the copy to stop; the main window's unload (WM_CLOSE) does not.
    int stopRequests = 0;
    progress.OnStopRequest([&] { ++stopRequests; });
    SendMessageW(first, WM_CLOSE, 0, 0);
    EXPECT_EQ(stopRequests, 0);
    SendMessageW(first, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(stopRequests, 1);
    EXPECT_TRUE(IsWindow(first));
    progress.Unload();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(progress.Window(), nullptr);
    // Loads again after an unload.
    ASSERT_TRUE(progress.Show(owner.get(), true));
    EXPECT_TRUE(GetWindowLongPtrW(progress.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST(ProgressWindow, SurvivesItsOwnerGoingFirst) {
    auto owner = std::make_unique<OwnerWindow>();
    ProgressWindow progress;
    ASSERT_TRUE(progress.Show(owner->get(), false));
    HWND window = progress.Window();
    owner.reset(); // destroying the owner destroys the owned window too
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(progress.Window(), nullptr);
    progress.SetProgress(3, 1); // harmless without a window
    ASSERT_TRUE(progress.Show(nullptr, false));
    EXPECT_TRUE(IsWindowVisible(progress.Window()));
}
