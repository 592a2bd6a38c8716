#pragma once
// frmProgress: a small modeless window "Progress..." owned by the main window, holding the
// progress bar Prg. It never blocks its owner; the clip writer updates it after every block.
#include <windows.h>

#include <cstdint>

namespace klevotrim {

class ProgressWindow {
  public:
    static constexpr int ClientWidth = 335;
    static constexpr int ClientHeight = 49;
    static constexpr int BarId = 100;

    ProgressWindow() = default;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow(); // unloads the window if it is still there

    // Loads the window (when not loaded), owned by `owner`, in or out of the topmost band,
    // and makes it visible. Returns false when the window could not be created.
    bool Show(HWND owner, bool alwaysOnTop);
    void SetProgress(std::int32_t maximum, std::int32_t value);
    void Unload();

    HWND Window() const { return window_; }
    HWND Bar() const { return bar_; }

  private:
    static bool RegisterClassOnce();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    LRESULT OnClose() { return 0; } // the copy decides when the window goes
    void OnNcDestroy();

    HWND window_ = nullptr;
    HWND bar_ = nullptr;
};

} // namespace klevotrim
