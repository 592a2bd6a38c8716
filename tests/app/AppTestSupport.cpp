#include "AppTestSupport.h"

#include "cutting/ClipWriter.h"
#include "media/Media.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>

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

void DropFiles(HWND window, const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const auto& path : paths)
        chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    ASSERT_NE(memory, nullptr);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        std::memcpy(list, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        list += path.size() + 1;
    }
    *list = L'\0';
    GlobalUnlock(memory);
    // The window's DragFinish frees the memory.
    ASSERT_TRUE(PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0));
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
    const std::uint32_t rate = 44100, channels = 2, bits = 16;
    const std::uint32_t dataBytes = rate * channels * (bits / 8) * static_cast<std::uint32_t>(seconds);
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<std::uint16_t>(channels));
    u32(rate);
    u32(rate * channels * bits / 8);
    u16(static_cast<std::uint16_t>(channels * bits / 8));
    u16(static_cast<std::uint16_t>(bits));
    out.write("data", 4);
    u32(dataBytes);
    // Not all silence, so that a shifted copy would not compare equal.
    std::vector<char> block(1 << 16);
    std::uint32_t written = 0, counter = 0;
    while (written < dataBytes) {
        for (auto& b : block)
            b = static_cast<char>((counter++ * 7) >> 9);
        std::uint32_t n =
            std::min<std::uint32_t>(static_cast<std::uint32_t>(block.size()), dataBytes - written);
        out.write(block.data(), n);
        written += n;
    }
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
    DropFiles(Main().hwnd(), {path});
    ASSERT_TRUE(PumpUntil([&] { return Main().CurrentFile() == path; }, 5000));
    ASSERT_EQ(Main().Media().Status(), L"Playing");
}

} // namespace klevotrim::test
