#pragma once
#include <windows.h>

namespace klevotrim {

// Placeholder main window: opens titled "Klevotrim 1.0" and closes cleanly.
class MainWindow {
  public:
    bool Create(HINSTANCE instance);
    HWND hwnd() const { return hwnd_; }

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

} // namespace klevotrim
