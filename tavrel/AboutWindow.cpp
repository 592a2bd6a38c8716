#include "tavrel/AboutWindow.h"

#include "tavrel/Server.h"

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

namespace klevotrim::tavrel {

namespace {

constexpr wchar_t kWindowClass[] = L"TavrelAbout";
constexpr int kArtWidth = 364;
constexpr int kArtHeight = 172;
constexpr int kOkId = 1;

HWND g_current = nullptr; // the one About window while it is shown

// frmAbout: a frameless window exactly the size of its artwork, with an OK button.
class AboutWindow final : public win::Window {
  public:
    AboutWindow() = default;
    bool Create(HWND owner);
    void cmdOK_Click() { DestroyWindow(hwnd()); }
    // Keys that reach the window itself (or, as a key preview, its OK button).
    bool Form_KeyDown(WPARAM key) {
        if (key != VK_ESCAPE && key != VK_RETURN)
            return false;
        cmdOK_Click();
        return true;
    }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Form_Load();
    void OnPaint();
    void Form_MouseMove(WPARAM keys);
    void DragForm();
    bool DrawArtwork();

    HWND cmdOK_ = nullptr;
    win::UniqueMemoryDc artDc_;
    win::UniqueBitmap art_;
    HGDIOBJ originalBitmap_ = nullptr;

  public:
    ~AboutWindow() override {
        if (artDc_ && originalBitmap_)
            SelectObject(artDc_.get(), originalBitmap_);
    }
};

bool AboutWindow::DrawArtwork() {
    artDc_.reset(CreateCompatibleDC(nullptr));
    if (!artDc_)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kArtWidth;
    info.bmiHeader.biHeight = -kArtHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    art_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!art_)
        return false;
    originalBitmap_ = SelectObject(artDc_.get(), art_.get());
    HDC dc = artDc_.get();
    TRIVERTEX v[2] = {{0, 0, 0xEF00, 0xD500, 0x8500, 0}, {kArtWidth, kArtHeight, 0x7E00, 0x9700, 0xA100, 0}};
    GRADIENT_RECT r{0, 1};
    GradientFill(dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V);
    SetBkMode(dc, TRANSPARENT);
    LOGFONTW title{};
    title.lfHeight = -28;
    title.lfWeight = FW_BOLD;
    wcscpy_s(title.lfFaceName, L"Verdana");
    win::UniqueFont big(CreateFontIndirectW(&title));
    RECT text{16, 20, kArtWidth - 16, 60};
    {
        win::SelectScope font(dc, big.get());
        SetTextColor(dc, RGB(40, 40, 48));
        DrawTextW(dc, L"Tavrel_pro", -1, &text, DT_LEFT | DT_SINGLELINE);
    }
    LOGFONTW body = title;
    body.lfHeight = -12;
    body.lfWeight = FW_NORMAL;
    win::UniqueFont small(CreateFontIndirectW(&body));
    win::SelectScope font(dc, small.get());
    RECT line{18, 66, kArtWidth - 16, 120};
    DrawTextW(dc, L"NavigationSlider control\nVersion 1.00", -1, &line, DT_LEFT);
    return true;
}

bool AboutWindow::Create(HWND owner) {
    if (!win::EnsureWindowClass(
            {.name = kWindowClass, .instance = ModuleInstance(), .cursor = LoadCursorW(nullptr, IDC_ARROW)}))
        return false;
    // 5475 x 2595 twips until the load handler fits it to the artwork.
    if (!CreateBound({.className = kWindowClass,
                      .title = L"About",
                      .style = WS_POPUP | WS_CLIPCHILDREN,
                      .exStyle = WS_EX_TOOLWINDOW,
                      .width = 365,
                      .height = 173,
                      .parent = owner,
                      .instance = ModuleInstance()}))
        return false;
    cmdOK_ = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 264,
                             136, 81, 25, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOkId)),
                             ModuleInstance(), nullptr);
    SendMessageW(cmdOK_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    Form_Load();
    return true;
}

void AboutWindow::Form_Load() {
    DrawArtwork(); // without artwork the window still shows and closes
    // Exactly the size of the artwork, centred over the screen's work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - kArtWidth) / 2;
    const int y = work.top + (work.bottom - work.top - kArtHeight) / 2;
    SetWindowPos(hwnd(), nullptr, x, y, kArtWidth, kArtHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::OnPaint() {
    win::PaintScope paint(hwnd());
    if (artDc_)
        BitBlt(paint.dc(), 0, 0, kArtWidth, kArtHeight, artDc_.get(), 0, 0, SRCCOPY);
}

void AboutWindow::Form_MouseMove(WPARAM keys) {
    if ((keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == MK_LBUTTON)
        DragForm();
}

void AboutWindow::DragForm() {
    ReleaseCapture();
    SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_KEYDOWN:
        if (Form_KeyDown(wParam))
            return 0;
        return DefaultHandling(message, wParam, lParam);
    case WM_MOUSEMOVE:
        Form_MouseMove(wParam);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kOkId && HIWORD(wParam) == BN_CLICKED)
            cmdOK_Click();
        return 0;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace

void UnregisterAboutClass() {
    UnregisterClassW(kWindowClass, ModuleInstance()); // fails harmlessly when never registered
}

HWND CurrentAboutWindow() {
    return g_current;
}

void ShowAbout(HWND owner) {
    if (g_current)
        return; // already shown modally further up this thread's stack
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    AboutWindow about;
    if (!about.Create(root))
        return; // failures are ignored: About returns as if closed
    g_current = about.hwnd();
    const HWND window = about.hwnd();
    win::RunModal({.window = window,
                   .owner = root,
                   .focus = GetDlgItem(window, kOkId),
                   // Key preview: Esc and Enter close the window wherever its focus is.
                   .preview = [&about, window](MSG& msg) {
                       return msg.message == WM_KEYDOWN &&
                              (msg.hwnd == window || IsChild(window, msg.hwnd)) &&
                              about.Form_KeyDown(msg.wParam);
                   }});
    g_current = nullptr;
}

} // namespace klevotrim::tavrel
