#pragma once
// frmAbout: the program's About window, shown modally over its owner.
#include <windows.h>

#include <string>

namespace klevotrim {

inline constexpr wchar_t kAboutCaption[] = L"About Klevotrim 1.0";
inline constexpr wchar_t kAboutClassName[] = L"KlevotrimAbout";
inline constexpr int kAboutOkId = 1;   // cmdClose
inline constexpr int kAboutInfoId = 2; // txtInfo
inline constexpr int kAboutLinkId = 3; // lblEMail

// The lines of txtInfo, each followed by a line break.
std::wstring AboutInfoText();

// Loads the window afresh (topmost when `alwaysOnTop`), disables `owner` while it is up, and
// returns when "&Ok" (or closing) unloads it.
void ShowAbout(HWND owner, bool alwaysOnTop);

} // namespace klevotrim
