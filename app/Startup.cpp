#include "app/Startup.h"

#include "app/MainWindow.h"
#include "common/win/Window.h"

#include <commctrl.h>
#include <ole2.h>

namespace klevotrim::app {

int RunKlevotrim(HINSTANCE instance) {
    // Neither failure stops the program: the styles and OLE extras are only niceties here.
    LoadLibraryA("shell32.dll");
    InitCommonControls();
    HRESULT ole = OleInitialize(nullptr);
    int result = 0;
    {
        MainWindow window;
        result = window.Start(instance, true) ? win::RunMessageLoop() : 1;
    }
    if (SUCCEEDED(ole))
        OleUninitialize();
    return result;
}

} // namespace klevotrim::app
