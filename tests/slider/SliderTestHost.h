#pragma once
// A small top-level window that places one Slider, and real mouse and keyboard input aimed at
// points of the control.
#include "controls/slider/Slider.h"

#include "common/win/UniqueHandle.h"

#include <windows.h>

#include <functional>

namespace klevotrim::test {

// OLE for the thread (drag and drop needs it), undone at the end of the scope. Shutting OLE
// down costs Wine about two seconds, so the tests keep one for the whole program.
class OleScope {
  public:
    OleScope() : result_(OleInitialize(nullptr)) {}
    ~OleScope() {
        if (SUCCEEDED(result_))
            OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

  private:
    HRESULT result_;
};

class SliderTestHost {
  public:
    SliderTestHost();
    ~SliderTestHost();
    SliderTestHost(const SliderTestHost&) = delete;
    SliderTestHost& operator=(const SliderTestHost&) = delete;

    HWND hwnd() const { return window_; }
    Slider& slider() { return slider_; }
    // Runs for every WM_APP the host window receives.
    std::function<void(WPARAM)> onApp;

    // Where the control sits in the host.
    static constexpr int kLeft = 40;
    static constexpr int kTop = 60;

    // The host window's procedure: hands WM_APP to onApp of the host in charge.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    // One host window serves every test of the program: Wine takes about two seconds to tear
    // down a top-level window on a display without a window manager.
    HWND window_ = nullptr;
    Slider slider_;
};

// Mouse input through the system's input queue, at a point given in the control's client
// pixels (which may lie outside it). Each call waits until the input has been handled.
void MouseMoveTo(HWND control, int x, int y);
void MouseDown(HWND control, int x, int y, DWORD downFlag = MOUSEEVENTF_LEFTDOWN);
void MouseUp(HWND control, int x, int y, DWORD upFlag = MOUSEEVENTF_LEFTUP);
void PressKey(WORD virtualKey, bool withShift = false);

} // namespace klevotrim::test
