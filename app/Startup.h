#pragma once
// The program's start: what Klevotrim.exe runs.
#include <windows.h>

namespace klevotrim::app {

// Prepares the platform, starts the main window and runs the thread's messages until the window
// unloads; returns the program's exit code.
int RunKlevotrim(HINSTANCE instance);

} // namespace klevotrim::app
