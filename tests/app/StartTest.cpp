// Start-up, unload and the stored preferences, as a user sees them.
#include "AppTestSupport.h"

#include "app/AppRules.h"
#include "art/ArtworkIds.h"
#include "common/Centring.h"
#include "app/ControlHost.h"
#include "tavrel/Contract.h"
#include "cutting/ProgressWindow.h"
#include "media/Media.h"
#include "ui/chrome/About.h"

#include <thread>
#include <utility>

using namespace klevotrim;
using namespace klevotrim::app;
using namespace klevotrim::test;

namespace {

bool IsTopmost(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class StartUp : public AppTest {};

class StoredPreference : public AppTest {
  protected:
    StoredPreference() { startInSetUp_ = false; }
};

} // namespace

TEST_F(StartUp, WindowTakesTheLoadSizeAtTheCornerWhereCentringPutIt) {
    RECT design{0, 0, kDesignClient.width, kDesignClient.height};
    AdjustWindowRectEx(&design, MainWindow::kDesignStyle, FALSE, 0);
    const int expectedLeft = CentredOrigin(GetSystemMetrics(SM_CXSCREEN), design.right - design.left);
    const int expectedTop = CentredOrigin(GetSystemMetrics(SM_CYSCREEN), design.bottom - design.top);

    RECT rect{};
    GetWindowRect(Main().hwnd(), &rect);
    EXPECT_EQ(rect.right - rect.left, 591);
    EXPECT_EQ(rect.bottom - rect.top, 471);
    EXPECT_EQ(rect.left, expectedLeft);
    EXPECT_EQ(rect.top, expectedTop);
    // Borderless, but a taskbar window that is shown.
    const LONG_PTR style = GetWindowLongPtrW(Main().hwnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_NE(GetWindowLongPtrW(Main().hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_TRUE(IsWindowVisible(Main().hwnd()));
    RECT client{};
    GetClientRect(Main().hwnd(), &client);
    EXPECT_EQ(client.right, 591);
    EXPECT_EQ(client.bottom, 471);
}

TEST_F(StartUp, CaptionsAndButtonStatesAreTheDesignedOnes) {
    EXPECT_EQ(TextOf(Main().hwnd()), L"Klevotrim 1.0");
    EXPECT_EQ(TextOf(Main().lblName()), L" Klevotrim 1.0 ");
    EXPECT_EQ(TextOf(Main().lblTime()), L"Time:00:00:00/00:00:00");
    EXPECT_TRUE(Main().Button(kOpen).Enabled());
    EXPECT_TRUE(Main().Button(kPlay).Enabled());
    for (ButtonIndex off : {kPause, kStop, kStart, kEnd, kSave})
        EXPECT_FALSE(Main().Button(off).Enabled()) << off;
    EXPECT_FALSE(IsWindowVisible(Main().Cutsld()));
    EXPECT_EQ(Main().Button(kOpen).TipText(), L"Open Media");
    EXPECT_EQ(Main().Button(kEnd).TipText(), L"Select End Point");
    EXPECT_TRUE(Main().CurrentFile().empty());
    EXPECT_TRUE(messages_.empty()) << "no message at a normal start";
}

TEST_F(StartUp, SeekBarIsEmbeddedWithItsDesignPropertiesAndDisabled) {
    ASSERT_TRUE(Main().Pos().IsCreated());
    HWND bar = Main().Pos().Window();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(GetAncestor(bar, GA_ROOT), Main().hwnd());
    EXPECT_EQ(Main().Pos().Enabled(), std::optional<bool>(false));
    EXPECT_EQ(Main().Pos().TipText(), std::optional<std::wstring>(L"Navigational slider"))
        << "restored from the bag";
    // The placement of the layout pass: left 83, top 42 in the panel, 10 high.
    RECT rect = RectIn(bar, Main().PicPanel());
    EXPECT_EQ(rect.left, 83);
    EXPECT_EQ(rect.top, 42);
    EXPECT_EQ(rect.bottom - rect.top, 10);
    EXPECT_EQ(rect.right - rect.left, 591 - 85);
}

// As the program starts it: bitmaps loaded ahead come from a source, and OLE is prepared only
// right before the seek bar. Every bitmap Start loads is asked for once, in the listed order
// (a bitmap missing from the list would not be loaded ahead); the window shows what the source
// handed over and loads itself what it did not.
TEST_F(StoredPreference, BitmapsFromTheStartsSourceOrTheResourcesAndThePreparationBeforeTheSeekBar) {
    const int handedId = IDB_BUTTON(kOpen, 0);
    const HBITMAP handed = static_cast<HBITMAP>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(handedId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(handed, nullptr);
    std::vector<int> asked;
    int preparations = 0;
    bool barBeforePreparation = false;
    window_ = std::make_unique<MainWindow>();
    window_->SetBitmapSource([&](int id) -> HBITMAP {
        asked.push_back(id);
        return id == handedId ? handed : nullptr;
    });
    window_->SetSeekBarPreparation([&] {
        ++preparations;
        barBeforePreparation = window_->Pos().IsCreated();
    });
    ASSERT_TRUE(window_->Start(GetModuleHandleW(nullptr), false));
    PumpMessages(100);

    EXPECT_EQ(asked, MainWindow::StartBitmapIds());
    EXPECT_EQ(Main().Button(kOpen).Picture(), handed) << "the window owns and shows what it was handed";
    EXPECT_NE(Main().Button(kPlay).Picture(), nullptr) << "a null answer loads from the resources";
    EXPECT_EQ(preparations, 1);
    EXPECT_FALSE(barBeforePreparation);
    EXPECT_TRUE(Main().Pos().IsCreated());
}

TEST(SeekBarHost, UnknownControlFailsCleanlyWithTheRegistrationError) {
    HRESULT ole = OleInitialize(nullptr);
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    {
        ControlHost host;
        HRESULT hr =
            host.Create(parent, RECT{0, 0, 50, 10}, L"Tavrel_pro.NoSuchControl", IID_IDispatch, {}, nullptr);
        EXPECT_TRUE(hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) << std::hex << hr;
        EXPECT_FALSE(host.IsCreated());
        EXPECT_EQ(host.Window(), nullptr);
        VARIANT value;
        EXPECT_EQ(host.Get(tavrel::dispid::Value, &value), E_UNEXPECTED);
    }
    DestroyWindow(parent);
    if (SUCCEEDED(ole))
        OleUninitialize();
}

TEST_F(StartUp, FirstRunExitStoresFalseAndTheIdentityValues) {
    EXPECT_FALSE(IsTopmost(Main().hwnd()));
    EXPECT_EQ(ReadPreference("Application Name"), std::optional<std::string>("Klevotrim 1.0"));
    EXPECT_EQ(ReadPreference("Version"), std::optional<std::string>("1.0"));
    EXPECT_FALSE(ReadPreference("Always On Top").has_value()) << "written only at unload";
    Main().Close();
    PumpMessages(50);
    EXPECT_FALSE(Main().Loaded());
    EXPECT_EQ(ReadPreference("Always On Top"), std::optional<std::string>("False"));
    std::optional<std::string> path = ReadPreference("Application Path");
    ASSERT_TRUE(path.has_value());
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(_stricmp(path->c_str(), module), 0) << *path << " vs " << module;
}

TEST_F(StartUp, AlwaysOnTopTogglesTheBandAndTwiceStoresFalseAgain) {
    SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::mnuOOt), 0);
    EXPECT_TRUE(Main().AlwaysOnTop());
    EXPECT_TRUE(IsTopmost(Main().hwnd()));
    EXPECT_FALSE(ReadPreference("Always On Top").has_value()) << "the command writes nothing";
    SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::mnuOOt), 0);
    EXPECT_FALSE(IsTopmost(Main().hwnd()));
    Main().Close();
    EXPECT_EQ(ReadPreference("Always On Top"), std::optional<std::string>("False"));
}

TEST_F(StoredPreference, TruePutsTheWindowInTheTopmostBandAndIsKept) {
    WritePreference("Always On Top", "True");
    StartWindow();
    EXPECT_TRUE(Main().AlwaysOnTop());
    EXPECT_TRUE(IsTopmost(Main().hwnd()));
    Main().Close();
    EXPECT_EQ(ReadPreference("Always On Top"), std::optional<std::string>("True"));
}

TEST_F(StoredPreference, TextsThatAreNoBooleanDoNotStopTheStartUp) {
    for (const char* stored : {"yes", "   ", "", "1", "tRUE"}) {
        WritePreference("Always On Top", stored);
        StartWindow();
        ASSERT_TRUE(Main().Loaded()) << stored;
        const bool expected = std::string(stored) == "1" || std::string(stored) == "tRUE";
        EXPECT_EQ(Main().AlwaysOnTop(), expected) << stored;
        EXPECT_EQ(IsTopmost(Main().hwnd()), expected) << stored;
        Main().Close();
        EXPECT_EQ(ReadPreference("Always On Top"), std::optional<std::string>(expected ? "True" : "False"));
        window_.reset();
    }
}

TEST_F(StartUp, TrackingTheWindowSmallerThan480By360IsRefused) {
    MINMAXINFO info{};
    info.ptMinTrackSize = POINT{1, 1};
    SendMessageW(Main().hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 480);
    EXPECT_EQ(info.ptMinTrackSize.y, 360);
    SetWindowPos(Main().hwnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    RECT rect{};
    GetWindowRect(Main().hwnd(), &rect);
    EXPECT_EQ(rect.right - rect.left, 480);
    EXPECT_EQ(rect.bottom - rect.top, 360);
}

TEST_F(StartUp, UnloadReleasesTheMediaAndClosesTheOtherWindows) {
    ScratchFolder folder;
    const std::wstring clip = folder.File(L"playing.wav");
    WriteSilentWav(clip, 5);
    PlayByDrop(clip);
    ProgressWindow progress;
    ASSERT_TRUE(progress.Show(Main().hwnd(), false));
    HWND other = progress.Window();
    ASSERT_TRUE(IsWindow(other));

    Main().Close();
    PumpMessages(100);
    EXPECT_FALSE(Main().Loaded());
    EXPECT_FALSE(Main().HasMediaEngine());
    EXPECT_FALSE(IsWindow(other));
    // The graph let go of the file.
    EXPECT_TRUE(DeleteFileW(clip.c_str())) << GetLastError();
}

TEST_F(StartUp, UnloadWhileTheAboutWindowIsUpClosesItAndEndsItsWait) {
    std::thread closer([hwnd = Main().hwnd()] {
        for (int i = 0; i < 200; ++i) {
            if (HWND about = FindWindowW(kAboutClassName, nullptr)) {
                (void)about;
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
                return;
            }
            Sleep(20);
        }
    });
    SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::mnuAbou), 0);
    closer.join();
    PumpMessages(50);
    EXPECT_FALSE(Main().Loaded());
    EXPECT_EQ(FindWindowW(kAboutClassName, nullptr), nullptr);
}

TEST_F(StoredPreference, AMissingControlLibraryIsExplainedAndTheWindowStillWorks) {
    window_ = std::make_unique<MainWindow>();
    window_->SetSeekBarProgId(L"Tavrel_pro.NotRegisteredHere");
    ASSERT_TRUE(window_->Start(GetModuleHandleW(nullptr), false));
    PumpMessages(100);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_NE(messages_[0].text.find(L"Tavrel.ocx"), std::wstring::npos);
    EXPECT_NE(messages_[0].text.find(L"regsvr32 Tavrel.ocx"), std::wstring::npos);
    EXPECT_NE(messages_[0].type & MB_ICONERROR, 0u);
    EXPECT_FALSE(Main().Pos().IsCreated());
    // Playback, the status and the timer go on without a seek bar.
    ScratchFolder folder;
    const std::wstring clip = folder.File(L"four.wav");
    WriteSilentWav(clip, 4);
    PlayByDrop(clip);
    EXPECT_TRUE(Main().Button(kPause).Enabled());
    ASSERT_TRUE(PumpUntil([&] { return TextOf(Main().lblTime()) == L"Time:00:00:01/00:00:04"; }, 4000))
        << TextOf(Main().lblTime());
    Main().Button(kStart).Enabled(true);
    SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(Cmd::Start), 0);
    EXPECT_EQ(Main().Cuts().CutStart(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Main().Media().Status() == L"Stopped"; }, 6000))
        << "the end is still found";
}
