#include "ui/chrome/About.h"

#include <objbase.h>

#include "app/AppRules.h"
#include "common/win/UniqueHandle.h"
#include "cutting/ClipWriter.h"
#include "cutting/FunctionsWin.h"

#include <commctrl.h>

namespace klevotrim {

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 240;

class AboutWindow {
  public:
    explicit AboutWindow(bool alwaysOnTop) : alwaysOnTop_(alwaysOnTop) {}

    HWND Create(HWND owner) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = WndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kAboutClassName;
        RegisterClassExW(&wc); // a second registration fails harmlessly
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        RECT rect{0, 0, kClientWidth, kClientHeight};
        AdjustWindowRectEx(&rect, style, FALSE, WS_EX_DLGMODALFRAME);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        RECT ownerRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (owner)
            GetWindowRect(owner, &ownerRect);
        const int left = ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2;
        const int top = ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2;
        return CreateWindowExW(WS_EX_DLGMODALFRAME, kAboutClassName, kAboutCaption, style, left, top, width,
                               height, owner, nullptr, instance, this);
    }

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            auto* self = static_cast<AboutWindow*>(create->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<AboutWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        switch (msg) {
        case WM_CREATE:
            return self->Form_Load();
        case WM_COMMAND:
            return self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_CTLCOLORSTATIC:
            return self->OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_PAINT:
            return self->OnPaint();
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    }

    LRESULT Form_Load() {
        if (alwaysOnTop_)
            SetTopMost(hwnd_);
        else
            SetNotTopMost(hwnd_);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        font_.reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
        linkFont_.reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
        HWND info =
            CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                            16, 16, kClientWidth - 32, 140, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAboutInfoId)), instance, nullptr);
        HWND link = CreateWindowExW(
            0, L"STATIC", app::WebPages::kProduct, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX, 16, 168,
            kClientWidth - 32, 18, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAboutLinkId)),
            instance, nullptr);
        HWND ok =
            CreateWindowExW(0, L"BUTTON", L"&Ok", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            kClientWidth - 16 - 88, kClientHeight - 16 - 26, 88, 26, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAboutOkId)), instance, nullptr);
        for (HWND control : {info, ok})
            if (control)
                SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (link) {
            SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);
            SetClassLongPtrW(link, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, IDC_HAND)));
        }
        // The text box is filled line by line, as its text plus the line and a line break.
        if (info)
            SetWindowTextW(info, AboutInfoText().c_str());
        // No owner: under Wine an owned topmost tip keeps its owner out of the topmost band.
        tip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                   nullptr, instance, nullptr));
        if (tip_ && link) {
            static wchar_t tipText[] = L"Click here to visit the Klevotrim web site";
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(link);
            tool.lpszText = tipText;
            SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        if (ok)
            SetFocus(ok);
        return 0;
    }

    LRESULT OnCommand(int id, int code) {
        if (id == kAboutOkId || id == IDCANCEL)
            cmdClose_Click();
        else if (id == kAboutLinkId && code == STN_CLICKED)
            lblEMail_Click();
        return 0;
    }

    void cmdClose_Click() { DestroyWindow(hwnd_); }

    void lblEMail_Click() {
        // The shell's own refusal is not reported; only a failure on the way here is.
        try {
            ShellOpen(app::WebPages::kProduct, L"", L"");
        } catch (...) {
            ShowMessageBox(hwnd_, app::kInternetErrorText, app::kInternetErrorTitle,
                           MB_OK | MB_ICONINFORMATION);
        }
    }

    LRESULT OnCtlColorStatic(HDC dc, HWND control) {
        if (GetDlgCtrlID(control) == kAboutLinkId) {
            SetTextColor(dc, RGB(0, 0, 204));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }

    LRESULT OnPaint() {
        win::PaintScope paint(hwnd_);
        // Shape1: a thin frame around the information.
        RECT frame{8, 8, kClientWidth - 8, 194};
        FrameRect(paint.dc(), &frame, GetSysColorBrush(COLOR_BTNSHADOW));
        return 0;
    }

    HWND hwnd_ = nullptr;
    bool alwaysOnTop_;
    win::UniqueFont font_, linkFont_;
    win::UniqueWindow tip_;
};

} // namespace

std::wstring AboutInfoText() {
    std::wstring text;
    for (const wchar_t* line : {L"Klevotrim", L"", L"Version : 1.0", L"",
                                L"Cuts clips out of audio and video files without re-encoding.",
                                L"Seek bar: the Tavrel control library.", L"Copyright (c) Parvane"}) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

void ShowAbout(HWND owner, bool alwaysOnTop) {
    AboutWindow about(alwaysOnTop);
    HWND window = about.Create(owner);
    if (!window)
        return;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    // Modal: the caller waits here while the thread's messages go on.
    MSG msg;
    while (IsWindow(window)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam)); // leave the quit for the outer loop
            if (IsWindow(window))
                DestroyWindow(window);
            break;
        }
        if (!IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (ownerWasEnabled && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

} // namespace klevotrim
