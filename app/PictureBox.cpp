#include "app/PictureBox.h"

#include <windowsx.h>

namespace klevotrim::app {

bool PictureBox::Create(HWND parent, int id, COLORREF background, PictureBoxHandler* handler, bool visible) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!win::EnsureWindowClass(
            {.name = kClassName, .instance = instance, .cursor = LoadCursorW(nullptr, IDC_ARROW)}))
        return false;
    background_ = background;
    handler_ = handler;
    id_ = id;
    brush_.reset(CreateSolidBrush(background));
    return CreateBound({.className = kClassName,
                        .style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0u),
                        .parent = parent,
                        .id = id,
                        .instance = instance}) != nullptr;
}

void PictureBox::Move(int left, int top, int width, int height) {
    if (hwnd())
        SetWindowPos(hwnd(), nullptr, left, top, width < 0 ? 0 : width, height < 0 ? 0 : height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void PictureBox::Show(bool visible) {
    if (hwnd() && (IsWindowVisible(hwnd()) != FALSE) != visible)
        ShowWindow(hwnd(), visible ? SW_SHOWNA : SW_HIDE);
}

LRESULT PictureBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        return OnPaint();
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
        return OnMouse(msg, wParam, lParam);
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_DROPFILES:
        return OnForward(msg, wParam, lParam);
    default:
        return DefaultHandling(msg, wParam, lParam);
    }
}

LRESULT PictureBox::OnPaint() {
    win::PaintScope paint(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    FillRect(paint.dc(), &client, brush_.get());
    if (handler_)
        handler_->OnBoxPaint(*this, paint.dc());
    return 0;
}

LRESULT PictureBox::OnMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (handler_)
        handler_->OnBoxMouse(*this, message, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
    return 0;
}

LRESULT PictureBox::OnForward(UINT message, WPARAM wParam, LPARAM lParam) {
    // Commands of the buttons and colours of the labels are the main window's business.
    return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
}

} // namespace klevotrim::app
