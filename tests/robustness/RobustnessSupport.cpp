#include "RobustnessSupport.h"

#include <shellapi.h>

#include <fstream>
#include <filesystem>

#include "TestSupport.h"
#include "cutting/ClipWriter.h"
#include "cutting/FunctionsWin.h"

namespace klevotrim::test {

namespace {

constexpr std::int64_t kMiB = 1048576;

void HashBytes(std::uint64_t& hash, const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) { // FNV-1a
        hash ^= b;
        hash *= 1099511628211ull;
    }
}

} // namespace

bool Fingerprint::operator==(const Fingerprint& other) const {
    return length == other.length && lastWrite.dwLowDateTime == other.lastWrite.dwLowDateTime &&
           lastWrite.dwHighDateTime == other.lastWrite.dwHighDateTime && hash == other.hash;
}

Fingerprint FingerprintOf(const std::wstring& path,
                          const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges) {
    Fingerprint print;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return print;
    print.length = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    print.lastWrite = data.ftLastWriteTime;
    print.hash = 14695981039346656037ull;
    if (print.length <= 64 * kMiB) {
        HashBytes(print.hash, ReadBytes(path, 0, print.length));
    } else {
        HashBytes(print.hash, ReadBytes(path, 0, kMiB));
        HashBytes(print.hash, ReadBytes(path, print.length - kMiB, kMiB));
        for (const auto& [offset, count] : ranges)
            HashBytes(print.hash, ReadBytes(path, offset, count));
    }
    return print;
}

MessageRecorder::MessageRecorder(int answer) {
    SetMessageBoxFunction(
        [this, answer](HWND, const std::wstring& text, const std::wstring& title, UINT type) {
            messages_.push_back({text, title, type});
            return answer;
        });
}

MessageRecorder::~MessageRecorder() {
    SetMessageBoxFunction({});
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path, std::int64_t offset, std::int64_t count) {
    std::vector<std::uint8_t> bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) {
        bytes.resize(static_cast<size_t>(count));
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 16 * kMiB));
            if (!ReadFile(file, bytes.data() + done, want, &got, nullptr) || got == 0)
                break;
            done += got;
        }
        bytes.resize(done);
    }
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void WritePatternWav(const std::wstring& path, int seconds) {
    WriteTestWav(path, seconds, 13, 8);
}

bool RemoveBehindTheProgramsBack(const std::wstring& path) {
    // Under Wine the file lives on a Unix file system where any other program may unlink it
    // while the media graph holds it open; do what that program does. (DeleteFileW there only
    // marks the file for deletion when its last handle closes, so it stays readable.)
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return DeleteFileW(path.c_str()) != FALSE; // Windows refuses while the graph holds it
    char* name = unixName(path.c_str());
    if (!name)
        return false;
    const std::string unixPath = name;
    HeapFree(GetProcessHeap(), 0, name);
    std::wstring command = L"/bin/rm -f \"" + std::wstring(unixPath.begin(), unixPath.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\rm", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Wine starts a Unix program detached: its handle ends before the program has run.
    return PumpUntil([&] { return !Exists(path); }, 10000);
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> VolumeSpace(const std::wstring& folder) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW((folder + L"\\").c_str(), &available, &total, &free))
        return std::nullopt;
    return std::make_pair(available.QuadPart, total.QuadPart);
}

std::wstring FolderFromEnvironment(const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2)
        return L"";
    return ToWindowsPath(std::wstring(buffer, length));
}

} // namespace klevotrim::test

namespace {
// A crash here must end the test program at once with its report, not wait on the system's
// crash dialog until the test runner's timeout.
const bool kNoCrashDialog = [] {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    return true;
}();
} // namespace
