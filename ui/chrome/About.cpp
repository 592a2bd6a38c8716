#include "ui/chrome/About.h"

#include <objbase.h>

#include "common/Centring.h"
#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "cutting/Functions.h"
#include "cutting/FunctionsWin.h"

#include "KlevotrimVersion.h"

#include <commctrl.h>

namespace klevotrim {

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 240;

class AboutWindow final : public win::Window {
  public:
    explicit AboutWindow(bool alwaysOnTop) : alwaysOnTop_(alwaysOnTop) {}

    HWND Create(HWND owner) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (!win::EnsureWindowClass({.name = kAboutClassName,
                                     .instance = instance,
                                     .cursor = LoadCursorW(nullptr, IDC_ARROW),
                                     .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}))
            return nullptr;
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        RECT rect{0, 0, kClientWidth, kClientHeight};
        AdjustWindowRectEx(&rect, style, FALSE, WS_EX_DLGMODALFRAME);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        RECT ownerRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (owner)
            GetWindowRect(owner, &ownerRect);
        const int left = ownerRect.left + CentredOrigin(ownerRect.right - ownerRect.left, width);
        const int top = ownerRect.top + CentredOrigin(ownerRect.bottom - ownerRect.top, height);
        return CreateBound({.className = kAboutClassName,
                            .title = kAboutCaption,
                            .style = style,
                            .exStyle = WS_EX_DLGMODALFRAME,
                            .x = left,
                            .y = top,
                            .width = width,
                            .height = height,
                            .parent = owner,
                            .instance = instance});
    }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_CREATE:
            return Form_Load();
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_PAINT:
            return OnPaint();
        case WM_CLOSE:
            DestroyWindow(hwnd());
            return 0;
        default:
            return DefaultHandling(msg, wParam, lParam);
        }
    }

    LRESULT Form_Load() {
        if (alwaysOnTop_)
            SetTopMost(hwnd());
        else
            SetNotTopMost(hwnd());
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
                            16, 16, kClientWidth - 32, 140, hwnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAboutInfoId)), instance, nullptr);
        HWND link =
            CreateWindowExW(0, L"STATIC", WebPages::kProduct, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX,
                            16, 168, kClientWidth - 32, 18, hwnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAboutLinkId)), instance, nullptr);
        HWND ok =
            CreateWindowExW(0, L"BUTTON", L"&Ok", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            kClientWidth - 16 - 88, kClientHeight - 16 - 26, 88, 26, hwnd(),
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
            tool.hwnd = hwnd();
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

    void cmdClose_Click() { DestroyWindow(hwnd()); }

    void lblEMail_Click() { OpenWebPage(hwnd(), WebPages::kProduct); }

    LRESULT OnCtlColorStatic(HDC dc, HWND control) {
        if (GetDlgCtrlID(control) == kAboutLinkId) {
            SetTextColor(dc, RGB(0, 0, 204));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return DefaultHandling(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(control));
    }

    LRESULT OnPaint() {
        win::PaintScope paint(hwnd());
        // Shape1: a thin frame around the information.
        RECT frame{8, 8, kClientWidth - 8, 194};
        FrameRect(paint.dc(), &frame, GetSysColorBrush(COLOR_BTNSHADOW));
        return 0;
    }

    bool alwaysOnTop_;
    win::UniqueFont font_, linkFont_;
    win::UniqueWindow tip_;
};

} // namespace

std::wstring AboutInfoText() {
    std::wstring text;
    for (const wchar_t* line : {L"Klevotrim", L"", L"Version : " KLEVOTRIM_VERSION_WTEXT, L"",
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
    // Modal: the caller waits here while the thread's messages go on.
    win::RunModal({.window = window, .owner = owner, .preview = [window](MSG& msg) {
                       return IsDialogMessageW(window, &msg) != FALSE;
                   }});
}

} // namespace klevotrim
