#include "app/Startup.h"

#include "app/MainWindow.h"
#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "tavrel/Contract.h"

#include <commctrl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace klevotrim::app {

namespace {

// Loads on a second thread, while this one builds the main window, what the window needs
// there: the bitmaps of its skin and buttons, the seek bar's control library with OLE's
// libraries that it brings, its type library, and the shell library (drops, web pages).
// Klevotrim.exe imports these system libraries as delayed (app/CMakeLists.txt), so that the
// process starts without them; a call into one on the window's thread while it still loads
// waits for the loading, and a failure here only leaves the loading to that first call.
// Nothing is created but bitmaps, and nothing written or shown, on the second thread; no
// library whose start registers window classes (the common controls) is loaded there: under
// Wine that waits for the window system, which the window's thread may be starting at that
// moment while it waits for the loader in turn.
class StartupPreload {
  public:
    StartupPreload(HINSTANCE instance, std::vector<int> bitmapIds)
        : instance_(instance), bitmapIds_(std::move(bitmapIds)),
          bitmapsLoaded_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        if (bitmapsLoaded_)
            thread_.reset(CreateThread(nullptr, 0, &Run, this, 0, nullptr));
        started_ = static_cast<bool>(thread_);
    }
    StartupPreload(const StartupPreload&) = delete;
    StartupPreload& operator=(const StartupPreload&) = delete;
    ~StartupPreload() { Finish(); }
    // Waits for the loading; what it loaded stays held until this object goes.
    void Finish() {
        if (thread_)
            WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    // Hands over the bitmap loaded for `resourceId` once the bitmaps are loaded; null when it
    // was not loaded (also when the thread could not start).
    HBITMAP TakeBitmap(int resourceId) {
        if (!started_ || WaitForSingleObject(bitmapsLoaded_.get(), INFINITE) != WAIT_OBJECT_0)
            return nullptr;
        for (size_t i = 0; i < bitmapIds_.size(); ++i)
            if (bitmapIds_[i] == resourceId && bitmaps_[i])
                return bitmaps_[i].release();
        return nullptr;
    }

  private:
    static DWORD WINAPI Run(void* self) {
        static_cast<StartupPreload*>(self)->Load();
        return 0;
    }
    // In the order the window needs them: the bitmaps first in its controls, then the seek
    // bar, the drops after.
    void Load() {
        bitmaps_.resize(bitmapIds_.size());
        for (size_t i = 0; i < bitmapIds_.size(); ++i)
            bitmaps_[i].reset(LoadArtwork(instance_, bitmapIds_[i]));
        SetEvent(bitmapsLoaded_.get()); // the window's thread only reads the bitmaps from now on
        LoadSeekBarLibrary();
        shell_.reset(LoadLibraryW(L"shell32.dll"));
    }
    void LoadSeekBarLibrary() {
        // The control's class identity is fixed by its contract: no COM call is needed here.
        const std::wstring key = std::wstring(L"CLSID\\") + tavrel::kClsidText + L"\\InprocServer32";
        wchar_t path[MAX_PATH] = {};
        DWORD size = sizeof(path);
        if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) !=
            ERROR_SUCCESS)
            return;
        library_.reset(LoadLibraryExW(path, nullptr, 0));
        // The loaded type library stays cached while it is held; a failure is the creation's to report.
        if (library_ && FAILED(LoadTypeLibEx(path, REGKIND_NONE, &typeLibrary_)))
            typeLibrary_.Reset();
    }

    HINSTANCE instance_;
    std::vector<int> bitmapIds_;
    std::vector<win::UniqueBitmap> bitmaps_; // bitmapIds_'s, written before bitmapsLoaded_ is set
    win::UniqueKernelHandle bitmapsLoaded_;
    win::UniqueModule library_;
    Microsoft::WRL::ComPtr<ITypeLib> typeLibrary_;
    win::UniqueModule shell_;
    win::UniqueKernelHandle thread_;
    bool started_ = false;
};

// The thread's message loop until WM_QUIT, with the main window's keys taken first.
int RunMainLoop(MainWindow& window) {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        if (window.TranslateKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

} // namespace

int RunKlevotrim(HINSTANCE instance) {
    // A failure of either does not stop the program: the styles are a nicety, and the seek
    // bar's creation reports a failure of OLE.
    InitCommonControls();
    HRESULT ole = E_FAIL;
    int result = 0;
    {
        StartupPreload preload(instance, MainWindow::StartBitmapIds());
        MainWindow window;
        window.SetBitmapSource([&preload](int resourceId) { return preload.TakeBitmap(resourceId); });
        window.SetSeekBarPreparation([&ole] { ole = OleInitialize(nullptr); });
        const bool started = window.Start(instance, true);
        preload.Finish();
        result = started ? RunMainLoop(window) : 1;
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return result;
}

} // namespace klevotrim::app
