// The window base every window of the program and the control library stands on: binding,
// unbinding, exceptions in handlers, the pending-message pump and the modal loop.
#include "common/win/Window.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

namespace klevotrim {
namespace {

constexpr wchar_t kProbeClass[] = L"KlevotrimWindowProbe";
constexpr wchar_t kSelfOwnedClass[] = L"KlevotrimWindowSelfOwned";
constexpr UINT kThrow = WM_APP + 1;

class Probe final : public win::Window {
  public:
    ~Probe() override { ++destroyed; }

    bool Create(HWND owner = nullptr) {
        if (!win::EnsureWindowClass({.name = kProbeClass, .instance = GetModuleHandleW(nullptr)}))
            return false;
        return CreateBound({.className = kProbeClass,
                            .style = WS_POPUP,
                            .width = 50,
                            .height = 40,
                            .parent = owner,
                            .instance = GetModuleHandleW(nullptr)}) != nullptr;
    }

    std::vector<UINT> seen;
    bool handleAtNcCreate = false;
    bool ncDestroyed = false;
    static inline int destroyed = 0;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_NCCREATE)
            handleAtNcCreate = hwnd() != nullptr;
        if (message == kThrow)
            throw std::runtime_error("handler failure");
        return DefaultHandling(message, wParam, lParam);
    }
    void OnNcDestroy() noexcept override { ncDestroyed = true; }
};

TEST(WindowBase, BindsBeforeTheFirstHandlerAndUnbindsWhenTheWindowGoes) {
    Probe probe;
    ASSERT_TRUE(probe.Create());
    ASSERT_FALSE(probe.seen.empty());
    EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_TRUE(probe.handleAtNcCreate);

    HWND window = probe.hwnd();
    DestroyWindow(window);
    EXPECT_TRUE(probe.ncDestroyed);
    EXPECT_EQ(probe.hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST(WindowBase, AnExceptionInAHandlerNeverCrossesTheWindowProcedure) {
    Probe probe;
    ASSERT_TRUE(probe.Create());
    EXPECT_EQ(SendMessageW(probe.hwnd(), kThrow, 0, 0), 0);
    EXPECT_TRUE(IsWindow(probe.hwnd()));
}

TEST(WindowBase, AnObjectGoingFirstTakesItsWindowAlongWithoutItsHandlers) {
    HWND window = nullptr;
    {
        Probe probe;
        ASSERT_TRUE(probe.Create());
        window = probe.hwnd();
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST(WindowBase, AControlCreatedByClassNameOwnsItsObject) {
    ASSERT_TRUE(win::EnsureWindowClass({.name = kSelfOwnedClass,
                                        .instance = GetModuleHandleW(nullptr),
                                        .procedure = &win::Window::SelfOwnedProcedure<Probe>}));
    // A second registration of the same class is no failure.
    ASSERT_TRUE(win::EnsureWindowClass({.name = kSelfOwnedClass,
                                        .instance = GetModuleHandleW(nullptr),
                                        .procedure = &win::Window::SelfOwnedProcedure<Probe>}));
    const int before = Probe::destroyed;
    HWND window = CreateWindowExW(0, kSelfOwnedClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    DestroyWindow(window);
    EXPECT_EQ(Probe::destroyed, before + 1);
}

TEST(PendingMessages, AQuitRequestIsKeptForTheCallerAndStopsTheRun) {
    Probe probe;
    ASSERT_TRUE(probe.Create());
    {
        win::KeptQuit quit;
        PostQuitMessage(7);
        EXPECT_FALSE(win::RunPendingMessages(quit));
        EXPECT_TRUE(quit.Held());
        PostMessageW(probe.hwnd(), WM_APP + 2, 0, 0);
        EXPECT_FALSE(win::RunPendingMessages(quit)) << "nothing runs while a quit request is held";
        EXPECT_EQ(std::count(probe.seen.begin(), probe.seen.end(), static_cast<UINT>(WM_APP + 2)), 0);
    }
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "posted again for the caller";
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_TRUE(win::RunPendingMessages());
    EXPECT_EQ(std::count(probe.seen.begin(), probe.seen.end(), static_cast<UINT>(WM_APP + 2)), 1);
}

TEST(ModalLoop, AQuitRequestClosesTheWindowFreesTheOwnerAndIsPostedAgain) {
    Probe owner;
    ASSERT_TRUE(owner.Create());
    Probe modal;
    ASSERT_TRUE(modal.Create(owner.hwnd()));
    std::optional<bool> ownerEnabledMeanwhile;
    PostMessageW(owner.hwnd(), WM_APP + 3, 0, 0); // posted messages come before the quit
    PostQuitMessage(3);
    win::RunModal({.window = modal.hwnd(), .owner = owner.hwnd(), .preview = [&](MSG& msg) {
                       if (msg.message == WM_APP + 3)
                           ownerEnabledMeanwhile = IsWindowEnabled(owner.hwnd()) != FALSE;
                       return false;
                   }});
    EXPECT_EQ(ownerEnabledMeanwhile, std::optional<bool>(false));
    EXPECT_EQ(modal.hwnd(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

} // namespace
} // namespace klevotrim
