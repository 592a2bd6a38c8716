#pragma once
// The program's small Win32 helpers: window icons, the file test, shell open and the
// always-on-top band.
#include <windows.h>

#include <string>

namespace klevotrim {

// Loads the icon resource `iconName` of the program's own module in the large and the small
// system size and sends both to `window` with WM_SETICON. With `setOnOwner` the window's
// top-level owner (the end of its GW_OWNER chain, the window itself when it has none) gets
// them first. The icons are shared and never destroyed; a failed load sends a null icon.
void SetIcon(HWND window, const wchar_t* iconName, bool setOnOwner);

// True when `path` names an existing file; folders and missing paths give false.
bool FileExists(const std::wstring& path);

// Opens `file` through the shell (verb "open", no owner, SW_SHOW). Empty `parameters` and
// `directory` are passed as none. Returns the empty text, or the out-of-memory text when the
// shell reports 0.
std::wstring ShellOpen(const std::wstring& file, const std::wstring& parameters,
                       const std::wstring& directory);

// Puts the window into, or takes it out of, the topmost band without moving or sizing it.
void SetTopMost(HWND window);
void SetNotTopMost(HWND window);

} // namespace klevotrim
