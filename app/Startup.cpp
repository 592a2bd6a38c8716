#include "app/Startup.h"

#include "app/MainWindow.h"
#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "tavrel/Contract.h"

#include <commctrl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

namespace klevotrim::app {

namespace {

// Maps the seek bar's control library and reads its type library on a second thread while
// this one builds the main window's other controls, so that creating the seek bar later
// finds both in memory. It only loads: nothing is created, written or shown there, and a
// failure merely leaves the work to the seek bar's own creation.
class SeekBarPreload {
  public:
    SeekBarPreload() { thread_.reset(CreateThread(nullptr, 0, &Run, this, 0, nullptr)); }
    SeekBarPreload(const SeekBarPreload&) = delete;
    SeekBarPreload& operator=(const SeekBarPreload&) = delete;
    ~SeekBarPreload() { Finish(); }
    // Waits for the loading; what it loaded stays held until this object goes.
    void Finish() {
        if (thread_)
            WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }

  private:
    static DWORD WINAPI Run(void* self) {
        static_cast<SeekBarPreload*>(self)->Load();
        return 0;
    }
    void Load() {
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

    win::UniqueModule library_;
    Microsoft::WRL::ComPtr<ITypeLib> typeLibrary_;
    win::UniqueKernelHandle thread_;
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
    // Neither failure stops the program: the styles and OLE extras are only niceties here.
    LoadLibraryA("shell32.dll");
    InitCommonControls();
    HRESULT ole = OleInitialize(nullptr);
    int result = 0;
    {
        SeekBarPreload preload;
        MainWindow window;
        const bool started = window.Start(instance, true);
        preload.Finish();
        result = started ? RunMainLoop(window) : 1;
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return result;
}

} // namespace klevotrim::app
