#pragma once
// frmProgress: a small modeless window "Progress..." owned by the main window, holding the
// progress bar Prg. It never blocks its owner; the clip writer updates it after every block.
// Esc or closing it asks the copy to stop; the copy decides when the window goes.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <utility>

#include "common/win/Window.h"

namespace klevotrim {

class ProgressWindow final : public win::Window {
  public:
    static constexpr int ClientWidth = 335;
    static constexpr int ClientHeight = 49;
    static constexpr int BarId = 100;

    ProgressWindow() = default;
    ~ProgressWindow() override; // unloads the window if it is still there

    // Loads the window (when not loaded), owned by `owner`, in or out of the topmost band,
    // and makes it visible. Returns false when the window could not be created.
    bool Show(HWND owner, bool alwaysOnTop);
    void SetProgress(std::int32_t maximum, std::int32_t value);
    void Unload();
    // Called for Esc while the window has the keyboard, and when the user closes it (Alt+F4,
    // the window manager's close). A WM_CLOSE alone, as the main window's unload sends, does
    // not stop the copy: it goes on, as a copy whose owner went does.
    void OnStopRequest(std::function<void()> handler) { onStopRequest_ = std::move(handler); }

    HWND Window() const { return hwnd(); }
    HWND Bar() const { return bar_; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCreate();
    LRESULT OnClose() { return 0; } // the copy decides when the window goes
    LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM key);
    void OnNcDestroy() noexcept override;

    HWND bar_ = nullptr;
    std::function<void()> onStopRequest_;
};

} // namespace klevotrim
