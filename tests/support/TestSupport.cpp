#include "TestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace klevotrim::test {

std::wstring ToWindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring result = L"Z:" + path;
    for (auto& c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

std::wstring TestMediaPath(std::wstring_view fileName) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(L"KLEVOTRIM_TEST_MEDIA", buffer, MAX_PATH * 2);
    std::wstring folder = length ? std::wstring(buffer, length) : std::wstring(L"media");
    folder = ToWindowsPath(folder);
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + std::wstring(fileName);
}

std::string HostPathQuoted(const std::wstring& path) {
    using HostName = char*(CDECL*)(const wchar_t*);
    const auto hostName = reinterpret_cast<HostName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    std::string name;
    if (char* unix = hostName ? hostName(path.c_str()) : nullptr) {
        name = unix;
        HeapFree(GetProcessHeap(), 0, unix);
    }
    std::string quoted = "'";
    for (const char c : name)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::optional<std::string> RunHostCommand(const std::string& command, DWORD timeoutMs) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring stem = std::wstring(temp) + L"klevotrim-host-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    const std::wstring script = stem + L".sh", output = stem + L".out", done = stem + L".done";
    {
        std::ofstream out(std::filesystem::path(script), std::ios::binary);
        out << "( " << command << " ) > " << HostPathQuoted(output) << " 2>&1 < /dev/null\n"
            << "echo $? > " << HostPathQuoted(done + L".part") << " && mv " << HostPathQuoted(done + L".part")
            << " " << HostPathQuoted(done) << "\n";
    }
    // Wine hands the command line to the host program split by the Windows rules.
    const std::string hostScript = HostPathQuoted(script);
    std::wstring commandLine = L"sh \"" + std::wstring(hostScript.begin() + 1, hostScript.end() - 1) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return std::nullopt;
    // Host programs come back without handles; close any that Windows itself would give.
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() >= deadline)
            return std::nullopt;
        Sleep(20);
    }
    std::ifstream in(std::filesystem::path(output), std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    for (const std::wstring& file : {script, output, done})
        DeleteFileW(file.c_str());
    return text;
}

void PumpMessages(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)), QS_ALLINPUT);
    }
}

bool DropFiles(HWND window, const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const auto& path : paths)
        chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    if (!memory)
        return false;
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
    if (PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0))
        return true;
    GlobalFree(memory);
    return false;
}

void WriteTestWav(const std::wstring& path, int seconds, std::uint32_t step, std::uint32_t shift) {
    const std::uint32_t rate = 44100, channels = 2, bits = 16;
    const std::uint32_t dataBytes = rate * channels * (bits / 8) * static_cast<std::uint32_t>(seconds);
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
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
    std::vector<char> block(1 << 16);
    std::uint32_t written = 0, counter = 0;
    while (written < dataBytes) {
        for (auto& b : block)
            b = static_cast<char>((counter++ * step) >> shift);
        const std::uint32_t n =
            std::min<std::uint32_t>(static_cast<std::uint32_t>(block.size()), dataBytes - written);
        out.write(block.data(), n);
        written += n;
    }
}

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"klevotrim-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    // SHFileOperation wants a double-terminated list.
    std::vector<wchar_t> from(path_.begin(), path_.end());
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op); // best effort: a leftover temp folder harms nothing
}

} // namespace klevotrim::test
