#pragma once
// CD: the open and save file dialogs over the common dialogs (Unicode). The dialog call itself
// can be replaced, so that tests can answer a dialog without a user.
#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <functional>
#include <string>

namespace klevotrim::app {

class FileDialog {
  public:
    using DialogCall = std::function<bool(OPENFILENAMEW&)>;

    FileDialog();

    // The open dialog; returns the chosen full path, or the empty text when cancelled.
    std::wstring ShowOpen(HWND owner, const std::wstring& filter, int filterIndex, const std::wstring& title,
                          const std::wstring& initialFolder, const std::wstring& defaultExtension,
                          const std::wstring& fileName, std::uint32_t flags, std::uint32_t flagsEx);

    // The save dialog with the current filter; FileName() tells the choice ("" when cancelled).
    void Filter(const std::wstring& filter) { filter_ = filter; }
    const std::wstring& Filter() const { return filter_; }
    void ShowSave(HWND owner);
    const std::wstring& FileName() const { return fileName_; }

    void SetOpenCall(DialogCall call) { openCall_ = std::move(call); }
    void SetSaveCall(DialogCall call) { saveCall_ = std::move(call); }

  private:
    std::wstring filter_;
    std::wstring fileName_;
    DialogCall openCall_;
    DialogCall saveCall_;
};

} // namespace klevotrim::app
