#pragma once
// The program's small Win32 helpers: window icons, the file test, shell open, web pages,
// message boxes and the always-on-top band.
#include <windows.h>

#include <functional>
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

// Opens one of the maker's web pages. The shell's own refusal is not reported; a failure on
// the way there shows the internet error message, owned by `owner`.
void OpenWebPage(HWND owner, const wchar_t* address);

// Shows a message box and returns the button pressed (IDOK, IDYES, ...). The default is
// MessageBoxW; tests and hosts that must not block on a human set their own function (an
// empty function restores the default). Returns the previous function.
using MessageBoxFunction =
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT type)>;
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT type);

// Puts the window into, or takes it out of, the topmost band without moving or sizing it.
void SetTopMost(HWND window);
void SetNotTopMost(HWND window);

} // namespace klevotrim
