#include "cutting/FunctionsWin.h"

#include "cutting/Functions.h"

#include <shellapi.h>

#include <cstdint>
#include <utility>

namespace klevotrim {

namespace {

MessageBoxFunction& MessageBoxSlot() {
    static MessageBoxFunction function;
    return function;
}

HWND TopLevelOwner(HWND window) {
    HWND owner = window;
    while (HWND next = GetWindow(owner, GW_OWNER))
        owner = next;
    return owner;
}

void SendIcon(HWND owner, HWND window, WPARAM which, const wchar_t* iconName, int widthMetric,
              int heightMetric) {
    // Shared icons belong to the system cache: never destroyed here. A failed load sends a
    // null icon, which clears the window's icon, as callers expect.
    auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), iconName, IMAGE_ICON,
                                              GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                              LR_SHARED));
    // A window without an owner is its own top-level owner: it gets the icon once, since every
    // WM_SETICON costs (under Wine it converts both of the window's icons for the X server).
    if (owner && owner != window)
        SendMessageW(owner, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
}

} // namespace

void SetIcon(HWND window, const wchar_t* iconName, bool setOnOwner) {
    const HWND owner = setOnOwner ? TopLevelOwner(window) : nullptr;
    SendIcon(owner, window, ICON_BIG, iconName, SM_CXICON, SM_CYICON);
    SendIcon(owner, window, ICON_SMALL, iconName, SM_CXSMICON, SM_CYSMICON);
}

bool FileExists(const std::wstring& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring ShellOpen(const std::wstring& file, const std::wstring& parameters,
                       const std::wstring& directory) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                      directory.empty() ? nullptr : directory.c_str(), SW_SHOW);
    return ShellOpenResultText(reinterpret_cast<std::intptr_t>(result));
}

void OpenWebPage(HWND owner, const wchar_t* address) {
    try {
        ShellOpen(address, L"", L"");
    } catch (...) {
        ShowMessageBox(owner, kInternetErrorText, kInternetErrorTitle, MB_OK | MB_ICONINFORMATION);
    }
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    return std::exchange(MessageBoxSlot(), std::move(function));
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
    // Copied, so that a function replacing itself while it runs stays alive.
    if (MessageBoxFunction function = MessageBoxSlot())
        return function(owner, text, title, type);
    return MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

void SetTopMost(HWND window) {
    // Only the Z-order band changes; callers have no use for a failure.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void SetNotTopMost(HWND window) {
    // As above: a failure leaves the band as it was, which callers accept.
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

} // namespace klevotrim
