#include "app/Startup.h"

#include "app/MainWindow.h"
#include "common/win/Window.h"

#include <commctrl.h>
#include <ole2.h>

namespace klevotrim::app {

namespace {

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
        MainWindow window;
        result = window.Start(instance, true) ? RunMainLoop(window) : 1;
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return result;
}

} // namespace klevotrim::app
