#include "ClipWriterTestSupport.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <algorithm>

namespace klevotrim::test {

ScriptedMessageBoxes::ScriptedMessageBoxes(int answer) : answer_(answer) {
    previous_ = SetMessageBoxFunction(
        [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
            shown_.push_back({owner, text, title, type});
            return answer_;
        });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    SetMessageBoxFunction(std::move(previous_));
}

std::uint8_t PatternByte(std::int64_t offset) {
    return static_cast<std::uint8_t>((offset * 7 + (offset >> 12) * 13 + (offset >> 20) * 101) & 0xFF);
}

namespace {

void WriteChunks(const std::wstring& path, std::int64_t length,
                 const std::function<void(std::int64_t, std::vector<std::uint8_t>&)>& fill) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create test file";
    std::vector<std::uint8_t> chunk;
    for (std::int64_t at = 0; at < length;) {
        const std::int64_t size = std::min<std::int64_t>(length - at, 1 << 20);
        chunk.resize(static_cast<std::size_t>(size));
        fill(at, chunk);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file, chunk.data(), static_cast<DWORD>(size), &written, nullptr));
        at += size;
    }
    CloseHandle(file);
}

} // namespace

void WritePatternFile(const std::wstring& path, std::int64_t length) {
    WriteChunks(path, length, [](std::int64_t at, std::vector<std::uint8_t>& chunk) {
        for (std::size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = PatternByte(at + static_cast<std::int64_t>(i));
    });
}

void WriteFilledFile(const std::wstring& path, std::int64_t length, std::uint8_t value) {
    WriteChunks(path, length, [value](std::int64_t, std::vector<std::uint8_t>& chunk) {
        std::fill(chunk.begin(), chunk.end(), value);
    });
}

void WriteSparseFile(const std::wstring& path, std::int64_t length,
                     std::initializer_list<std::pair<std::int64_t, std::uint8_t>> marks) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create test file";
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr); // where supported
    for (const auto& [offset, value] : marks) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file, &value, 1, &written, &at));
    }
    LARGE_INTEGER end{};
    end.QuadPart = length;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
}

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

bool FileIsThere(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

OwnerWindow::OwnerWindow(bool visible) {
    constexpr wchar_t kClass[] = L"KlevotrimCuttingTestOwner";
    if (win::EnsureWindowClass({.name = kClass, .instance = GetModuleHandleW(nullptr)}))
        CreateBound({.className = kClass,
                     .title = L"Owner",
                     .style = WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0u),
                     .x = 100,
                     .y = 100,
                     .width = 500,
                     .height = 300,
                     .instance = GetModuleHandleW(nullptr)});
}

LRESULT OwnerWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        ++appMessages_;
        return 0;
    }
    return DefaultHandling(msg, wParam, lParam);
}

} // namespace klevotrim::test
