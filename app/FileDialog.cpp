#include "app/FileDialog.h"

#include "app/AppRules.h"

#include <vector>

namespace klevotrim::app {

namespace {
constexpr DWORD kPathBuffer = 32768; // long paths

using DialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW);

// The dialog library is loaded at the first dialog rather than with the program: under Wine
// it brings the printing libraries along, which cost the start-up time for nothing. Kept
// loaded for the rest of the run, as an import would be.
bool RunDialog(const char* name, OPENFILENAMEW& ofn) {
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    if (!library)
        return false; // no dialog: the same as a cancel to the callers
    auto function = reinterpret_cast<DialogFunction>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function && function(&ofn) != FALSE;
}
} // namespace

FileDialog::FileDialog()
    : openCall_([](OPENFILENAMEW& ofn) { return RunDialog("GetOpenFileNameW", ofn); }),
      saveCall_([](OPENFILENAMEW& ofn) { return RunDialog("GetSaveFileNameW", ofn); }) {}

std::wstring FileDialog::ShowOpen(HWND owner, const std::wstring& filter, int filterIndex,
                                  const std::wstring& title, const std::wstring& initialFolder,
                                  const std::wstring& defaultExtension, const std::wstring& fileName,
                                  std::uint32_t flags, std::uint32_t flagsEx) {
    std::wstring dialogFilter = FilterForDialog(filter);
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    fileName.copy(buffer.data(), buffer.size() - 1);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = dialogFilter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kPathBuffer;
    ofn.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    ofn.Flags = flags;
    ofn.FlagsEx = flagsEx;
    if (!openCall_ || !openCall_(ofn))
        return {}; // cancelled, or the dialog could not be shown
    return std::wstring(buffer.data());
}

void FileDialog::ShowSave(HWND owner) {
    std::wstring dialogFilter = FilterForDialog(filter_);
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = dialogFilter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kPathBuffer;
    // The program asks about replacing itself, so no overwrite prompt here.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_LONGNAMES;
    fileName_.clear();
    if (saveCall_ && saveCall_(ofn))
        fileName_ = buffer.data();
}

} // namespace klevotrim::app
