#include "AppTestSupport.h"

#include "cutting/ClipWriter.h"
#include "cutting/FunctionsWin.h"
#include "media/Media.h"

#include <cstring>

namespace klevotrim::test {

namespace {
constexpr char kKey[] = "Software\\Parvane\\Klevotrim";
}

void ClearPreferences() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
}

void WritePreference(const char* name, const char* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
    RegCloseKey(key);
}

std::optional<std::string> ReadPreference(const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer);
}

RECT RectIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

void WriteSilentWav(const std::wstring& path, int seconds) {
    WriteTestWav(path, seconds, 7, 9);
}

void AppTest::SetUp() {
    ole_ = OleInitialize(nullptr);
    ClearPreferences();
    SetMessageBoxFunction([this](HWND, const std::wstring& text, const std::wstring& title, UINT type) {
        messages_.push_back({text, title, type});
        return answer_;
    });
    if (startInSetUp_)
        StartWindow();
}

void AppTest::StartWindow() {
    window_ = std::make_unique<app::MainWindow>();
    ASSERT_TRUE(window_->Start(GetModuleHandleW(nullptr), false));
    PumpMessages(100);
}

void AppTest::TearDown() {
    if (window_) {
        window_->Close();
        PumpMessages(50);
        window_.reset();
    }
    SetMessageBoxFunction({});
    if (SUCCEEDED(ole_))
        OleUninitialize();
}

void AppTest::PlayByDrop(const std::wstring& path) {
    ASSERT_TRUE(DropFiles(Main().hwnd(), {path}));
    ASSERT_TRUE(PumpUntil([&] { return Main().CurrentFile() == path; }, 5000));
    ASSERT_EQ(Main().Media().Status(), L"Playing");
}

} // namespace klevotrim::test
