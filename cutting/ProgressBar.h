#pragma once
// Prg: the program's own progress bar. A solid bar of value / maximum of the width in
// RGB(192, 192, 0), with the value written as text in the middle. Driven by the common
// progress-bar messages so that anyone can set and read it:
//   PBM_SETRANGE32 (0, maximum), PBM_SETPOS (value), PBM_GETRANGE, PBM_GETPOS.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "common/win/Window.h"

namespace klevotrim {

class ProgressBar final : public win::Window {
  public:
    static constexpr COLORREF BarColour = RGB(192, 192, 0);
    static constexpr wchar_t ClassName[] = L"KlevotrimProgressBar";

    // Creates the control as a child of `parent`; nullptr on failure.
    static HWND Create(HWND parent, int x, int y, int width, int height, int id);

    // Message helpers for callers and tests.
    static void SetMaximum(HWND bar, std::int32_t maximum);
    static void SetValue(HWND bar, std::int32_t value);
    static std::int32_t Maximum(HWND bar);
    static std::int32_t Value(HWND bar);

    ProgressBar() = default; // made by its window, see Create

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    LRESULT OnSetRange32(std::int32_t minimum, std::int32_t maximum);
    LRESULT OnSetPos(std::int32_t value);
    LRESULT OnGetRange(BOOL wantLow, PPBRANGE range) const;
    LRESULT OnGetPos() const { return value_; }
    void OnPaint();
    void OnTimer(UINT_PTR id);
    // Repaints at most every RepaintInterval ms: a fast copy sets the value thousands of times
    // a second, and drawing each one would cost more than the copy itself.
    void ScheduleRepaint();

    static constexpr UINT_PTR RepaintTimer = 1;
    static constexpr ULONGLONG RepaintInterval = 30;

    ULONGLONG lastPaint_ = 0;
    bool repaintPending_ = false;
    std::int32_t minimum_ = 0;
    std::int32_t maximum_ = 100;
    std::int32_t value_ = 0;
};

} // namespace klevotrim
