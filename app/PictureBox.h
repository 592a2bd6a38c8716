#pragma once
// A plain picture box: a child window with a background colour that lets its owner paint on it
// and hear its mouse, and passes commands and label colours up to its parent.
#include <windows.h>

#include <objbase.h>

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

namespace klevotrim::app {

class PictureBox;

class PictureBoxHandler {
  public:
    virtual ~PictureBoxHandler() = default;
    virtual void OnBoxPaint(PictureBox& box, HDC dc) = 0;
    // WM_MOUSEMOVE, WM_xBUTTONDOWN/UP, WM_xBUTTONDBLCLK with the client position and MK_ keys.
    virtual void OnBoxMouse(PictureBox& box, UINT message, int x, int y, WPARAM keys) = 0;
};

class PictureBox final : public win::Window {
  public:
    static constexpr wchar_t kClassName[] = L"KlevotrimPictureBox";

    PictureBox() = default;

    bool Create(HWND parent, int id, COLORREF background, PictureBoxHandler* handler, bool visible = true);
    int Id() const { return id_; }
    COLORREF Background() const { return background_; }
    void Move(int left, int top, int width, int height);
    void Show(bool visible);
    bool Visible() const { return hwnd() && IsWindowVisible(hwnd()); }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnPaint();
    LRESULT OnMouse(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnForward(UINT message, WPARAM wParam, LPARAM lParam);

    win::UniqueBrush brush_;
    COLORREF background_ = 0;
    PictureBoxHandler* handler_ = nullptr;
    int id_ = 0;
};

} // namespace klevotrim::app
