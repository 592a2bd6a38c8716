#include "app/PictureBox.h"

#include <windowsx.h>

namespace klevotrim::app {

bool PictureBox::Create(HWND parent, int id, COLORREF background, PictureBoxHandler* handler, bool visible) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc); // a second registration fails harmlessly
    background_ = background;
    handler_ = handler;
    id_ = id;
    brush_.reset(CreateSolidBrush(background));
    HWND hwnd = CreateWindowExW(
        0, kClassName, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0), 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (!hwnd)
        return false;
    hwnd_.reset(hwnd);
    return true;
}

void PictureBox::Move(int left, int top, int width, int height) {
    if (hwnd_)
        SetWindowPos(hwnd_.get(), nullptr, left, top, width < 0 ? 0 : width, height < 0 ? 0 : height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void PictureBox::Show(bool visible) {
    if (hwnd_ && (IsWindowVisible(hwnd_.get()) != FALSE) != visible)
        ShowWindow(hwnd_.get(), visible ? SW_SHOWNA : SW_HIDE);
}

LRESULT CALLBACK PictureBox::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_PAINT:
        return self->OnPaint();
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
        return self->OnMouse(msg, wParam, lParam);
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_DROPFILES:
        return self->OnForward(msg, wParam, lParam);
    case WM_NCDESTROY:
        self->OnNcDestroy();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT PictureBox::OnPaint() {
    win::PaintScope paint(hwnd_.get());
    RECT client{};
    GetClientRect(hwnd_.get(), &client);
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
    return SendMessageW(GetParent(hwnd_.get()), message, wParam, lParam);
}

void PictureBox::OnNcDestroy() {
    SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
    hwnd_.release(); // the window is going away on its own
}

} // namespace klevotrim::app
