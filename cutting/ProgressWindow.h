#pragma once
// frmProgress: a small modeless window "Progress..." owned by the main window, holding the
// progress bar Prg. It never blocks its owner; the clip writer updates it after every block.
#include <windows.h>

#include <cstdint>

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

    HWND Window() const { return hwnd(); }
    HWND Bar() const { return bar_; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCreate();
    LRESULT OnClose() { return 0; } // the copy decides when the window goes
    void OnNcDestroy() noexcept override;

    HWND bar_ = nullptr;
};

} // namespace klevotrim
