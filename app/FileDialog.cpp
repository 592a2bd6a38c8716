#include "app/FileDialog.h"

#include "app/AppRules.h"

#include <vector>

namespace klevotrim::app {

namespace {
constexpr DWORD kPathBuffer = 32768; // long paths
}

FileDialog::FileDialog()
    : openCall_([](OPENFILENAMEW& ofn) { return GetOpenFileNameW(&ofn) != FALSE; }),
      saveCall_([](OPENFILENAMEW& ofn) { return GetSaveFileNameW(&ofn) != FALSE; }) {}

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
