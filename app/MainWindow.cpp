// frmMain: window life (load, query-unload, unload), its controls, timers, drops and the
// seek bar's events.
#include "app/MainWindow.h"

#include "app/AppRules.h"
#include "art/ArtworkIds.h"
#include "common/Centring.h"
#include "common/Rounding.h"
#include "cutting/ClipWriter.h"
#include "cutting/Functions.h"
#include "cutting/FunctionsWin.h"
#include "media/Media.h"
#include "ui/chrome/Border.h"
#include "ui/chrome/RegEdit.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace klevotrim::app {

namespace {

struct ButtonDesign {
    const wchar_t* tip;
    const wchar_t* label;
    bool enabled;
};
constexpr ButtonDesign kButtons[7] = {
    {L"Open Media", L"Open", true},           {L"Play Media", L"Play", true},
    {L"Pause Media", L"Pause", false},        {L"Stop Media", L"Stop", false},
    {L"Select Start Point", L"Start", false}, {L"Select End Point", L"End", false},
    {L"Save Clip", L"Save", false},
};

constexpr int kPicId = 10, kPanelId = 11, kDisplayId = 12, kCaptionId = 13, kCutsldId = 14;
constexpr int kNameId = 20, kTimeId = 21, kImgId = 22;

std::string ToAnsi(const std::wstring& text) {
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring ModulePath() {
    std::vector<wchar_t> module(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    return std::wstring(module.data(), length);
}

} // namespace

std::wstring MainWindow::ProgramFolder() {
    const std::wstring full = ModulePath();
    const size_t slash = full.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
}

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    if (hwnd())
        DestroyWindow(hwnd()); // runs the unload if it did not run yet
}

clsMedia& MainWindow::Media() {
    if (!media_)
        media_ = std::make_unique<clsMedia>();
    return *media_;
}

regEdit& MainWindow::Preferences() {
    if (!preferences_)
        preferences_ = std::make_unique<regEdit>();
    return *preferences_;
}

void MainWindow::ShowMessage(const std::wstring& text, const std::wstring& title, UINT type) {
    ShowMessageBox(hwnd(), text, title, type);
}

bool MainWindow::Start(HINSTANCE instance, bool quitOnUnload) {
    instance_ = instance;
    quitOnUnload_ = quitOnUnload;
    // No class pointer: WM_SETCURSOR picks the resize pointers.
    if (!win::EnsureWindowClass({.name = kClassName,
                                 .instance = instance,
                                 .background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                                 .style = CS_DBLCLKS}))
        return false;

    // The designed window: client area 696 x 608 with a normal frame until the border is set.
    RECT design{0, 0, kDesignClient.width, kDesignClient.height};
    AdjustWindowRectEx(&design, kDesignStyle, FALSE, 0);
    if (!CreateBound({.className = kClassName,
                      .title = kAppTitle,
                      .style = kDesignStyle,
                      .width = design.right - design.left,
                      .height = design.bottom - design.top,
                      .instance = instance}))
        return false;
    Form_Load();
    if (!hwnd())
        return false;
    SetFormBorder(hwnd(), kBorderless);
    ShowWindow(hwnd(), SW_SHOW);
    // The frame change moved the client area; paint everything afresh.
    RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    alwaysOnTop_ = ReadPreferenceBoolean(Preferences().LoadKey(kAlwaysOnTopValue, "False"));
    playableClips_ = ReadPreferenceBoolean(Preferences().LoadKey(kPlayableClipsValue, "False"));
    if (alwaysOnTop_)
        SetTopMost(hwnd());
    else
        SetNotTopMost(hwnd());
    return true;
}

void MainWindow::Close() {
    if (hwnd())
        SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_CLOSE:
        return Form_QueryUnload();
    case WM_DESTROY:
        Form_Unload();
        return 0;
    case WM_SIZE:
        return Form_Resize();
    case WM_PAINT:
        return Form_Paint();
    case WM_ERASEBKGND:
        return 1; // Form_Paint covers the surface
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_TIMER:
        return OnTimer(wParam);
    case WM_DROPFILES:
        return OnDropFiles(reinterpret_cast<HDROP>(wParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return Form_MouseDown(msg, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                              wParam);
    case WM_MOUSEMOVE:
        return Form_MouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), wParam);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        return Form_MouseUp();
    case WM_LBUTTONDBLCLK:
        return Form_DblClick();
    case WM_SETCURSOR:
        return OnSetCursor(wParam, lParam);
    default:
        return DefaultHandling(msg, wParam, lParam);
    }
}

LRESULT MainWindow::OnCreate() {
    CreateControls();
    BuildMenu();
    DragAcceptFiles(hwnd(), TRUE);
    return 0;
}

void MainWindow::CreateControls() {
    LoadSkin();
    pic_.Create(hwnd(), kPicId, RGB(63, 63, 63), this);
    picPanel_.Create(hwnd(), kPanelId, RGB(0, 0, 0), this);
    picButton_.Create(hwnd(), kCaptionId, RGB(0, 0, 0), this);
    picDisplay_.Create(picPanel_.hwnd(), kDisplayId, ART_DISPLAY_BACK_COLOR, this);

    img_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, 209, 209, pic_.hwnd(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kImgId)), instance_, nullptr);
    if (img_ && skinLogo_)
        SendMessageW(img_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(skinLogo_.get()));

    labelFont_.reset(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
    labelBrush_.reset(CreateSolidBrush(ART_DISPLAY_BACK_COLOR));
    const DWORD labelStyle = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    lblName_ = CreateWindowExW(0, L"STATIC", kIdleName, labelStyle, 2, 2, 121, 16, picDisplay_.hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNameId)), instance_, nullptr);
    lblTime_ = CreateWindowExW(0, L"STATIC", kZeroTime, labelStyle, 2, 20, 121, 14, picDisplay_.hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTimeId)), instance_, nullptr);
    for (HWND label : {lblName_, lblTime_})
        if (label)
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);

    for (int i = 0; i < 7; ++i) {
        std::array<int, static_cast<int>(ButtonLook::Count)> looks{};
        ButtonLooks(i, looks);
        ImageButton::Looks pictures;
        for (size_t look = 0; look < looks.size(); ++look)
            if (looks[look] != 0)
                pictures[look].reset(ArtworkBitmap(looks[look]));
        RECT position{0, 0, 0, 0};
        buttons_[i].Create(picPanel_.hwnd(), static_cast<int>(Cmd::Open) + i, position, kButtons[i].tip,
                           kButtons[i].enabled, std::move(pictures), kButtons[i].label);
        SIZE size = buttons_[i].PictureSize();
        SetWindowPos(buttons_[i].hwnd(), nullptr, 0, 6, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    cutsld_.Create(picPanel_.hwnd(), kCutsldId, RGB(255, 0, 0), nullptr, false);
    // The panel and the caption strip lie over the video area in the maximized layout.
    for (HWND front : {picPanel_.hwnd(), picButton_.hwnd()})
        SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    if (prepareSeekBar_)
        prepareSeekBar_();
    RECT posRect{83, 42, 83 + 100, 52};
    posResult_ = pos_.Create(picPanel_.hwnd(), posRect,
                             SeekBar::Events{[this] { Pos_MouseDown(); }, [this] { Pos_MouseUP(); }},
                             seekBarProgId_.c_str());
}

void MainWindow::BuildMenu() {
    HMENU file = CreatePopupMenu();
    HMENU window = CreatePopupMenu();
    auto item = [](HMENU menu, Cmd id, const wchar_t* caption) {
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), caption);
    };
    item(window, Cmd::mnuOOt, L"Always On Top");
    AppendMenuW(window, MF_SEPARATOR, 0, nullptr);
    item(window, Cmd::mnu100, L"50%");
    item(window, Cmd::mnu200, L"100%");
    item(window, Cmd::mnu300, L"200%");
    item(window, Cmd::mnuFit, L"Fit to Screen");
    AppendMenuW(window, MF_SEPARATOR, 0, nullptr);
    item(window, Cmd::mnuPlayable, L"Playable Clips");

    item(file, Cmd::mnuOpen, L"Open");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, Cmd::mnuPlay, L"Play");
    item(file, Cmd::mnuStop, L"Stop");
    item(file, Cmd::mnuPause, L"Pause");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, Cmd::mnuFullscreen, L"Fullscreen");
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(window), L"Window");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, Cmd::mnuStart, L"Start Point");
    item(file, Cmd::mnuEnd, L"End Point");
    item(file, Cmd::mnuSave, L"Save Clip");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, Cmd::mnuHelp, L"Help");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, Cmd::mnuUpdate, L"Check for Update");
    item(file, Cmd::mnuWeb, L"On the Web");
    item(file, Cmd::mnuForum, L"Support Forum");
    item(file, Cmd::mnuAbou, L"About");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, Cmd::mnuExit, L"Exit");

    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    menuBar_.reset(bar); // destroys both submenus with it
    menuFile_ = file;
}

void MainWindow::Form_Load() {
    // Texts.
    SetWindowTextW(lblName_, kIdleName);
    SetWindowTextW(lblTime_, kZeroTime);
    nameCaption_ = kIdleName;

    // Centre by the designed size, then take the load size with the top-left corner kept.
    RECT window{};
    GetWindowRect(hwnd(), &window);
    const int left = CentredOrigin(GetSystemMetrics(SM_CXSCREEN), window.right - window.left);
    const int top = CentredOrigin(GetSystemMetrics(SM_CYSCREEN), window.bottom - window.top);
    SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    HRESULT attached = AttachMessage(this, hwnd(), WM_GETMINMAXINFO);
    if (FAILED(attached)) {
        // Without the routing the window merely loses its minimum size.
        ShowMessage(L"The window could not watch its minimum size (error " + std::to_wstring(attached) +
                        L").",
                    kAppTitle, MB_OK | MB_ICONWARNING);
    }
    SetIcon(hwnd(), L"MAINICON", true);

    regEdit& store = Preferences();
    store.WriteKey("Application Name", "Klevotrim " KLEVOTRIM_VERSION_TEXT);
    store.WriteKey("Version", KLEVOTRIM_VERSION_TEXT);
    const std::wstring full = ModulePath();
    size_t slash = full.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash);
    std::wstring file = slash == std::wstring::npos ? full : full.substr(slash + 1);
    size_t dot = file.find_last_of(L'.');
    if (dot != std::wstring::npos)
        file.resize(dot);
    store.WriteKey("Application Path", ToAnsi(ApplicationPath(folder, file)));

    SetWindowPos(hwnd(), nullptr, 0, 0, kLoadSize.width, kLoadSize.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    SetTimer(hwnd(), kMediaTimer, kTimerInterval, nullptr);
    SetTimer(hwnd(), kScrollTimer, kTimerInterval, nullptr);

    iStatus();
    iRefresh();

    if (FAILED(posResult_)) {
        ShowMessage(L"The seek bar could not be created: the control library Tavrel.ocx "
                    L"(Tavrel_pro.NavigationSlider) is missing or not registered.\r\n"
                    L"Register it with \"regsvr32 Tavrel.ocx\" and start Klevotrim again.",
                    kAppTitle, MB_OK | MB_ICONERROR);
    }
}

LRESULT MainWindow::Form_QueryUnload() {
    DetachMessage(this, hwnd(), WM_GETMINMAXINFO);
    DestroyWindow(hwnd()); // never cancelled
    return 0;
}

void MainWindow::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    // Also when the window goes without WM_CLOSE: the service must not keep a dead client.
    DetachMessage(this, hwnd(), WM_GETMINMAXINFO);
    KillTimer(hwnd(), kMediaTimer);
    KillTimer(hwnd(), kScrollTimer);
    Preferences().WriteKey(kAlwaysOnTopValue, alwaysOnTop_ ? "True" : "False");
    Preferences().WriteKey(kPlayableClipsValue, playableClips_ ? "True" : "False");
    media_.reset(); // ends playback
    preferences_.reset();
    pos_.Destroy();

    // The other windows of the program (About, progress) go before the main window.
    struct Collect {
        HWND main;
        std::vector<HWND> others;
    } collect{hwnd(), {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* collect = reinterpret_cast<Collect*>(param);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (window != collect->main && GetWindow(window, GW_OWNER) == collect->main &&
                _wcsicmp(className, TOOLTIPS_CLASSW) != 0)
                collect->others.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&collect));
    for (HWND other : collect.others) {
        if (!IsWindow(other))
            continue;
        SendMessageW(other, WM_CLOSE, 0, 0);
        if (IsWindow(other))
            DestroyWindow(other);
        win::RunPendingMessages();
    }
    if (quitOnUnload_)
        PostQuitMessage(0);
}

LRESULT MainWindow::WindowProc(HWND, UINT iMsg, WPARAM, LPARAM lParam) {
    if (iMsg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = kMinimumSize.width;
        info->ptMinTrackSize.y = kMinimumSize.height;
    }
    return 0;
}

LRESULT MainWindow::OnCommand(int id) {
    switch (static_cast<Cmd>(id)) {
    case Cmd::Open:
    case Cmd::mnuOpen:
        cmdOpen_Click();
        break;
    case Cmd::Play:
    case Cmd::mnuPlay:
        cmdPlay_Click();
        break;
    case Cmd::Pause:
    case Cmd::mnuPause:
        cmdPause_Click();
        break;
    case Cmd::Stop:
    case Cmd::mnuStop:
        cmdStop_Click();
        break;
    case Cmd::Start:
    case Cmd::mnuStart:
        cmdStart_Click();
        break;
    case Cmd::End:
    case Cmd::mnuEnd:
        cmdEnd_Click();
        break;
    case Cmd::Save:
    case Cmd::mnuSave:
        cmdSave_Click();
        break;
    case Cmd::mnuFullscreen:
        mnuFullscreen_Click();
        break;
    case Cmd::mnuOOt:
        mnuOOt_Click();
        break;
    case Cmd::mnu100:
        mnuSize_Click(kSize50.width, kSize50.height);
        break;
    case Cmd::mnu200:
        mnuSize_Click(kSize100.width, kSize100.height);
        break;
    case Cmd::mnu300:
        mnuSize_Click(kSize200.width, kSize200.height);
        break;
    case Cmd::mnuFit:
        mnuFit_Click();
        break;
    case Cmd::mnuHelp:
    case Cmd::mnuForum:
        mnuWebPage_Click(WebPages::kForum);
        break;
    case Cmd::mnuUpdate:
        mnuWebPage_Click(WebPages::kProduct);
        break;
    case Cmd::mnuWeb:
        mnuWebPage_Click(WebPages::kHome);
        break;
    case Cmd::mnuAbou:
        mnuAbou_Click();
        break;
    case Cmd::mnuExit:
        mnuExit_Click();
        break;
    case Cmd::mnuPlayable:
        mnuPlayable_Click();
        break;
    }
    return 0;
}

LRESULT MainWindow::OnTimer(UINT_PTR id) {
    switch (id) {
    case kMediaTimer:
        tmrMedia_Timer();
        break;
    case kScrollTimer:
        tmrScroll_Timer();
        break;
    }
    return 0;
}

void MainWindow::tmrMedia_Timer() {
    // The seek bar runs pending events inside a Value assignment; a tick must not nest.
    if (inMediaTick_)
        return;
    inMediaTick_ = true;
    // Any failure ends the tick silently.
    [&] {
        const std::optional<double> followed = FollowedDuration(seeking_, Media().Max());
        if (!followed)
            return;
        const double duration = *followed;
        std::int32_t position = 0;
        if (FAILED(Media().Pos(position)))
            return;
        if (pos_.IsCreated()) {
            if (FAILED(pos_.SetMax(duration)) || FAILED(pos_.SetValue(position)))
                return;
        }
        SetWindowTextW(lblTime_, TimeCaption(TimeText(position), TimeText(duration)).c_str());
        std::optional<std::int32_t> value = pos_.Value();
        std::optional<std::int32_t> max = pos_.Max();
        if (!pos_.IsCreated()) {
            // Without a seek bar the media's own whole seconds decide.
            value = position;
            max = ToInt32(duration);
        }
        if (!value || !max)
            return;
        if (ReachedEnd(*value, *max)) {
            if (FAILED(Media().Stop_()))
                return;
            Media().Close_(); // the tick ends here either way
        }
    }();
    inMediaTick_ = false;
}

void MainWindow::tmrScroll_Timer() {
    if (!media_ || Media().Status() != L"Playing")
        return;
    nameCaption_ = RotateLeft(WindowText(lblName_));
    SetWindowTextW(lblName_, nameCaption_.c_str());
}

LRESULT MainWindow::OnDropFiles(HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count > 0) {
        UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring path(static_cast<size_t>(length) + 1, L'\0');
        DragQueryFileW(drop, 0, path.data(), length + 1);
        path.resize(length);
        currentFile_ = path;
    }
    DragFinish(drop);
    Media().FileName(currentFile_, pic_.hwnd());
    const std::wstring problem = currentFile_.empty() ? std::wstring() : CloseIfUnplayable();
    if (problem.empty()) {
        Media().Play();
        OpenedFile();
    }
    RunOpeningSteps(false);
    ReportOpenProblem(problem);
    return 0;
}

void MainWindow::OpenedFile() {
    if (!Media().IzVideo())
        return;
    if (!IsZoomed(hwnd()) && !IsIconic(hwnd())) {
        // The window's outer size becomes the picture's native size.
        SetWindowPos(hwnd(), nullptr, 0, 0, Media().VideoWidth(), Media().VideoHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Media().AutoResize();
}

void MainWindow::Pos_MouseDown() {
    seeking_ = true;
}

void MainWindow::Pos_MouseUP() {
    if (std::optional<std::int32_t> value = pos_.Value())
        Media().SetPos(*value);
    seeking_ = false;
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
    // The display's own colours: the well behind both labels, a light name and a blue time.
    SetTextColor(dc, control == lblName_ ? ART_DISPLAY_NAME_COLOR : ART_DISPLAY_TIME_COLOR);
    SetBkColor(dc, ART_DISPLAY_BACK_COLOR);
    return reinterpret_cast<LRESULT>(labelBrush_.get());
}

} // namespace klevotrim::app
