#pragma once
// frmAbout: the library's About window, shown modally over a host window.
#include <windows.h>

namespace klevotrim::tavrel {

// Creates frmAbout and runs it modally; returns when it is closed. Failures are ignored.
void ShowAbout(HWND owner);

// Removes the window class when the library is unloaded.
void UnregisterAboutClass();

// The window while it is shown (for tests driving it from a timer), else nullptr.
HWND CurrentAboutWindow();

} // namespace klevotrim::tavrel
