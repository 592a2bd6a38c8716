#pragma once
// frmMain: the program's main window. It owns the media engine, the preference store, the
// seek bar Pos, the seven image buttons and the rest of its controls, and runs the commands.
#include <windows.h>

#include <shellapi.h>

#include "app/AppRules.h"
#include "app/FileDialog.h"
#include "app/ImageButton.h"
#include "app/PictureBox.h"
#include "app/SeekBar.h"
#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "cutting/CutPoints.h"
#include "ui/chrome/Border.h"
#include "ui/chrome/Layout.h"
#include "ui/subclass/Subclass.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace klevotrim {
class clsMedia;
class regEdit;
} // namespace klevotrim

namespace klevotrim::app {

enum class Cmd : int {
    Open = 1001,
    Play,
    Pause,
    Stop,
    Start,
    End,
    Save,
    // menu items
    mnuOpen = 2001,
    mnuPlay,
    mnuStop,
    mnuPause,
    mnuFullscreen,
    mnuOOt,
    mnu100,
    mnu200,
    mnu300,
    mnuFit,
    mnuStart,
    mnuEnd,
    mnuSave,
    mnuHelp,
    mnuUpdate,
    mnuWeb,
    mnuForum,
    mnuAbou,
    mnuExit,
    mnuPlayable, // "Playable Clips", at the end of the "Window" submenu
};

enum ButtonIndex { kOpen, kPlay, kPause, kStop, kStart, kEnd, kSave };

class MainWindow final : public win::Window, public PictureBoxHandler, public ISubclass {
  public:
    static constexpr wchar_t kClassName[] = L"KlevotrimMain";
    static constexpr UINT_PTR kMediaTimer = 1;
    static constexpr UINT_PTR kScrollTimer = 2;
    static constexpr UINT kTimerInterval = 300;
    // The window's style as designed, before the borderless style is given at start-up.
    static constexpr DWORD kDesignStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    // The style it gets: borderless, but with a system menu, both boxes and a taskbar button.
    static constexpr FormBorder kBorderless{
        .clipChildren = true, .systemMenu = true, .maxBox = true, .minBox = true, .appWindow = true};

    MainWindow();
    ~MainWindow() override;

    // Start-up after the platform is prepared: loads the window (its load handler runs), gives
    // it the borderless style, shows it and applies the stored always-on-top preference.
    // With `quitOnUnload` the unload ends the thread's message loop.
    bool Start(HINSTANCE instance, bool quitOnUnload);
    // The seek bar's ProgID (before Start); a host without the control library can be tried.
    void SetSeekBarProgId(std::wstring progId) { seekBarProgId_ = std::move(progId); }
    // Runs on the window's thread right before the seek bar is created (during Start), the
    // first moment OLE is needed: the program's start initializes OLE there rather than before
    // the window, so that OLE's libraries can load on another thread meanwhile.
    void SetSeekBarPreparation(std::function<void()> prepare) { prepareSeekBar_ = std::move(prepare); }
    // Where the window takes the bitmaps of its skin and buttons from (before Start): the
    // program's start hands over those it loaded ahead on another thread. The window owns what
    // the source returns; without a source, or for a null answer, it loads from its resources.
    using BitmapSource = std::function<HBITMAP(int resourceId)>;
    void SetBitmapSource(BitmapSource source) { bitmapSource_ = std::move(source); }
    // The bitmap resources that Start loads, for a source to load ahead.
    static std::vector<int> StartBitmapIds();
    // Unloads the window as the Exit command does.
    void Close();

    bool Loaded() const { return hwnd() != nullptr; }
    // Whether the media engine exists (created on first use, released at unload).
    bool HasMediaEngine() const { return media_ != nullptr; }

    // What tests and the other windows look at.
    clsMedia& Media();
    FileDialog& CD() { return cd_; }
    SeekBar& Pos() { return pos_; }
    ImageButton& Button(ButtonIndex index) { return buttons_[index]; }
    HWND Cutsld() const { return cutsld_.hwnd(); }
    HWND lblName() const { return lblName_; }
    HWND lblTime() const { return lblTime_; }
    HWND Pic() const { return pic_.hwnd(); }
    HWND PicPanel() const { return picPanel_.hwnd(); }
    HWND PicButton() const { return picButton_.hwnd(); }
    HWND PicDisPlay() const { return picDisplay_.hwnd(); }
    HMENU Menu() const { return menuFile_; }
    const std::wstring& CurrentFile() const { return currentFile_; }
    bool Seeking() const { return seeking_; }
    bool AlwaysOnTop() const { return alwaysOnTop_; }
    bool PlayableClips() const { return playableClips_; }
    bool IsFullScreen() const { return isFullScreen_; }
    const CutPoints& Cuts() const { return cuts_; }
    // Cutsld's placement as last set, unrounded (left, top, width, height in panel pixels).
    std::array<double, 4> CutBarGeometryUnrounded() const {
        return {cutBar_.left, cutBar_.top, cutBar_.width, cutBar_.height};
    }
    int CaptionImage() const { return captionImage_; }
    const LayoutResult& LastLayout() const { return layout_; }

    // The right-click menu is shown through this (default TrackPopupMenu); tests replace it.
    using PopupCall = std::function<void(HMENU menu, POINT screen)>;
    void SetPopupCall(PopupCall call) { popupCall_ = std::move(call); }

    // ISubclass: WM_GETMINMAXINFO keeps the window at 480 x 360 at least.
    // The system never sees WM_GETMINMAXINFO: the minimum size is all that answer needs.
    SubclassResponse MsgResponse() override { return ResponseConsume; }
    void MsgResponse(SubclassResponse) override {} // the answer above is fixed
    LRESULT WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) override;

    // The commands, as the buttons and the menu run them.
    void cmdOpen_Click();
    void cmdPlay_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void cmdStart_Click();
    void cmdEnd_Click();
    void cmdSave_Click();
    void mnuFullscreen_Click();
    void mnuOOt_Click();
    void mnuPlayable_Click();
    void mnuSize_Click(int width, int height);
    void mnuFit_Click();
    void mnuWebPage_Click(const wchar_t* address);
    void mnuAbou_Click();
    void mnuExit_Click();
    void iStatus();
    void iRefresh();

    // The window's keys, seen in the message loop before dispatch so that no control that has
    // the focus eats them; true when `msg` was one of them and has been handled.
    bool TranslateKey(const MSG& msg);

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Window life (MainWindow.cpp).
    LRESULT OnCreate();
    void Form_Load();
    LRESULT Form_QueryUnload();
    void Form_Unload();
    LRESULT OnCommand(int id);
    LRESULT OnTimer(UINT_PTR id);
    void tmrMedia_Timer();
    void tmrScroll_Timer();
    LRESULT OnDropFiles(HDROP drop);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void Pos_MouseDown();
    void Pos_MouseUP();
    void OpenedFile(); // the video sizing shared by open and drop
    // After FileName: when the file cannot be played, nothing stays open (no graph, no current
    // file, zero time) and the text to tell the user is returned; the empty text otherwise.
    std::wstring CloseIfUnplayable();
    void ReportOpenProblem(const std::wstring& text);
    void ApplyStatusView(const StatusView& view);
    void OpenHelpPage();
    static std::wstring ProgramFolder();
    void RunOpeningSteps(bool afterDialog);
    void ApplyCutBar(const CutBarUpdate& update);
    SeekBarPlacement PosPlacement();
    void ShowMessage(const std::wstring& text, const std::wstring& title, UINT type);
    regEdit& Preferences();
    void CreateControls();
    void BuildMenu();

    // Layout and chrome (MainWindowLayout.cpp).
    LRESULT Form_Resize();
    LRESULT Form_Paint();
    LRESULT Form_MouseDown(UINT message, int x, int y, WPARAM keys);
    LRESULT Form_MouseMove(int x, int y, WPARAM keys);
    LRESULT Form_MouseUp();
    LRESULT Form_DblClick();
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnBoxPaint(PictureBox& box, HDC dc) override;
    void OnBoxMouse(PictureBox& box, UINT message, int x, int y, WPARAM keys) override;
    void PicButton_MouseMove(int x);
    void PicButton_MouseDown(int x);
    void PicPanel_Mouse(UINT message, int x, int y, WPARAM keys);
    void SetCaptionImage(int image);
    void RefreshMenuStates();
    void ShowPopup(POINT client);
    void LoadSkin();
    static void ButtonLooks(int button, std::array<int, static_cast<int>(ButtonLook::Count)>& looks);
    // A bitmap of the program's resources (null without one), from the bitmap source when it has it.
    HBITMAP ArtworkBitmap(int resourceId);
    void BlitSkin(HDC dc, HBITMAP skin, const LayoutBlit& blit);

    HINSTANCE instance_ = nullptr;
    bool quitOnUnload_ = false;
    bool unloaded_ = false;

    std::unique_ptr<clsMedia> media_;      // created on first use
    std::unique_ptr<regEdit> preferences_; // created on first use
    std::wstring currentFile_;
    std::wstring nameCaption_;
    bool seeking_ = false;
    bool alwaysOnTop_ = false;
    bool playableClips_ = false; // Save writes a playable clip instead of the block range
    bool isFullScreen_ = false;
    bool inMediaTick_ = false;
    CutPoints cuts_;
    struct CutBarGeometry {
        double left = 0, top = 0, width = 0, height = 0;
    } cutBar_; // Cutsld as the commands set it, before rounding to pixels
    FileDialog cd_;
    PopupCall popupCall_;

    PictureBox pic_, picPanel_, picDisplay_, picButton_, cutsld_;
    HWND img_ = nullptr;
    HWND lblName_ = nullptr;
    HWND lblTime_ = nullptr;
    std::array<ImageButton, 7> buttons_;
    SeekBar pos_;
    std::wstring seekBarProgId_ = kSeekBarProgId;
    std::function<void()> prepareSeekBar_;
    BitmapSource bitmapSource_;
    HRESULT posResult_ = S_OK;
    win::UniqueBrush labelBrush_;
    win::UniqueFont labelFont_;

    win::UniqueMenu menuBar_;  // "File", whose submenu is the right-click menu
    HMENU menuFile_ = nullptr; // owned by menuBar_

    // Skin artwork (loaded from the program's resources when present).
    win::UniqueBitmap skinTitle_, skinPanel_, skinDisplay_, skinLogo_;
    std::array<win::UniqueBitmap, 7> skinCaption_; // 101..107
    int captionImage_ = kCaptionNormal;
    LayoutResult layout_;
};

} // namespace klevotrim::app
