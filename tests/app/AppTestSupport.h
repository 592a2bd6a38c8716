#pragma once
// The main window under test: started in-process as the program starts it, with message boxes
// answered by the test and the preferences of a clean first run.
#include "app/MainWindow.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace klevotrim::test {

// HKCU\Software\Parvane\Klevotrim
void ClearPreferences();
void WritePreference(const char* name, const char* value);
// The stored text, or nullopt when the value is missing.
std::optional<std::string> ReadPreference(const char* name);

// A window's rectangle relative to `parent`'s client area.
RECT RectIn(HWND window, HWND parent);
std::wstring TextOf(HWND window);

// A PCM WAV of `seconds` of silence, 44.1 kHz 16-bit stereo.
void WriteSilentWav(const std::wstring& path, int seconds);

struct ShownMessage {
    std::wstring text;
    std::wstring title;
    UINT type;
};

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Starts the window (after the test arranged the stored preferences).
    void StartWindow();
    app::MainWindow& Main() { return *window_; }
    // Drops one file and waits until it plays.
    void PlayByDrop(const std::wstring& path);

    std::unique_ptr<app::MainWindow> window_;
    std::vector<ShownMessage> messages_;
    int answer_ = IDOK; // what the next message boxes answer
    bool startInSetUp_ = true;

  private:
    HRESULT ole_ = E_FAIL;
};

} // namespace klevotrim::test
