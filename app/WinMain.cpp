// Klevotrim.exe: starts the program's main window and runs its message loop.
#include "app/MainWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    klevotrim::MainWindow window;
    if (!window.Create(instance))
        return 1;
    ShowWindow(window.hwnd(), show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
