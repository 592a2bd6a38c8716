#include "cutting/ClipWriter.h"

#include <objbase.h> // UniqueHandle.h also owns COM apartments

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "cutting/FunctionsWin.h"
#include "cutting/ProgressBar.h"
#include "cutting/ProgressWindow.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace klevotrim {
namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile move at most this much per call.
constexpr std::size_t MaxTransfer = 0x40000000;

BlockObserver& BlockObserverSlot() {
    static BlockObserver observer;
    return observer;
}

HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

std::wstring ErrorDescription(HRESULT error) {
    wchar_t buffer[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(error), 0, buffer, ARRAYSIZE(buffer), nullptr);
    while (length > 0 &&
           (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' || buffer[length - 1] == L' '))
        --length;
    return std::wstring(buffer, length);
}

// An OVERLAPPED that addresses the 1-based `position` + `done` of a synchronous handle, so
// each transfer states its own offset (no separate seek call per block).
HRESULT OffsetOf(std::int64_t position, std::size_t done, OVERLAPPED& at) {
    if (position < 1)
        return E_INVALIDARG;
    const auto offset = static_cast<std::uint64_t>(position - 1) + done;
    at = OVERLAPPED{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return S_OK;
}

HRESULT FileLength(const std::wstring& path, std::int64_t& length) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return LastErrorResult();
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    length = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return S_OK;
}

// A new, empty file beside `destination` (same folder, so the final move is a rename).
HRESULT CreateTemporaryBeside(const std::wstring& destination, std::wstring& temporary) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring candidate = TemporaryClipName(destination, GetCurrentProcessId(), attempt);
        win::UniqueFile file(CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            temporary = std::move(candidate);
            return S_OK;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

std::int32_t ToProgress(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

HWND LiveWindow(HWND window) {
    return window && IsWindow(window) ? window : nullptr;
}

} // namespace

BlockObserver SetBlockObserver(BlockObserver observer) {
    return std::exchange(BlockObserverSlot(), std::move(observer));
}

HRESULT ReadBlock(const std::wstring& path, std::int64_t position, std::size_t count,
                  std::vector<std::uint8_t>& bytes) {
    // Read-only and shared every way: a graph playing the file keeps working undisturbed.
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        bytes.clear();
        return LastErrorResult();
    }
    OVERLAPPED at{};
    if (HRESULT hr = OffsetOf(position, 0, at); FAILED(hr)) {
        bytes.clear();
        return hr;
    }
    bytes.resize(count);
    std::size_t total = 0;
    while (total < count) {
        const DWORD want = static_cast<DWORD>(std::min(count - total, MaxTransfer));
        DWORD got = 0;
        OffsetOf(position, total, at);
        if (!ReadFile(file.get(), bytes.data() + total, want, &got, &at)) {
            HRESULT hr = GetLastError() == ERROR_HANDLE_EOF ? S_OK : LastErrorResult();
            if (FAILED(hr)) {
                bytes.resize(total);
                return hr;
            }
        }
        if (got == 0)
            break;
        total += got;
    }
    if (total < count) {
        bytes.resize(total);
        return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
    }
    return S_OK;
}

HRESULT WriteBlock(const std::wstring& path, std::int64_t position, std::span<const std::uint8_t> bytes) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastErrorResult();
    OVERLAPPED at{};
    if (HRESULT hr = OffsetOf(position, 0, at); FAILED(hr))
        return hr;
    std::size_t total = 0;
    while (total < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min(bytes.size() - total, MaxTransfer));
        DWORD put = 0;
        OffsetOf(position, total, at);
        if (!WriteFile(file.get(), bytes.data() + total, want, &put, &at))
            return LastErrorResult();
        if (put == 0)
            return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        total += put;
    }
    // Closing can report a late write error (full disk, network share): it counts.
    if (!CloseHandle(file.release()))
        return LastErrorResult();
    return S_OK;
}

bool IsSameFile(const std::wstring& first, const std::wstring& second) {
    auto open = [](const std::wstring& path) {
        // No data access: works on files others hold open, and on folders.
        return win::UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    win::UniqueFile a = open(first);
    win::UniqueFile b = open(second);
    if (a && b) {
        BY_HANDLE_FILE_INFORMATION infoA{};
        BY_HANDLE_FILE_INFORMATION infoB{};
        if (GetFileInformationByHandle(a.get(), &infoA) && GetFileInformationByHandle(b.get(), &infoB) &&
            (infoA.nFileIndexHigh | infoA.nFileIndexLow) != 0) {
            return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
                   infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
        }
    }
    auto fullPath = [](const std::wstring& path) {
        DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        if (size == 0)
            return path;
        std::wstring full(size, L'\0');
        size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        full.resize(size);
        return full;
    };
    const std::wstring fullA = fullPath(first);
    const std::wstring fullB = fullPath(second);
    return CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                                static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

bool AskReplace(HWND owner, const std::wstring& path) {
    return ShowMessageBox(owner, ReplaceQuestion(path), ReplaceTitle, MB_YESNO | MB_ICONWARNING) == IDYES;
}

CutResult CutFile(const std::wstring& source, const std::wstring& destination, std::int32_t cutStart,
                  std::int32_t cutEnd, std::optional<double> duration, HWND owner, bool alwaysOnTop) {
    // A quit request seen while events run waits until the closing message is answered:
    // declared first, it is posted again last.
    win::KeptQuit quit;
    CutResult result;
    auto finish = [&](CutOutcome outcome, std::wstring text, const wchar_t* title, UINT icon) {
        result.outcome = outcome;
        result.message = std::move(text);
        ShowMessageBox(LiveWindow(owner), result.message, title, MB_OK | icon);
        return result;
    };
    auto fail = [&](ClipFailure failure, HRESULT error) {
        result.error = error;
        result.bytesWritten = 0; // nothing of a failed copy is kept
        return finish(CutOutcome::Failed, FailureText(failure, source, destination, ErrorDescription(error)),
                      ClipErrorTitle, MB_ICONERROR);
    };

    // Writing the clip over its own source would destroy the source.
    if (IsSameFile(source, destination)) {
        return finish(CutOutcome::Refused, FailureText(ClipFailure::SameFile, source, destination, {}),
                      ClipErrorTitle, MB_ICONWARNING);
    }

    // A read-only file (or a folder) is not replaced, on any file system: Windows refuses to
    // move over one, but not every platform layer does.
    if (const DWORD existing = GetFileAttributesW(destination.c_str());
        existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return fail(ClipFailure::ReplaceDestination, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

    std::int64_t sourceLength = 0;
    if (HRESULT hr = FileLength(source, sourceLength); FAILED(hr))
        return fail(ClipFailure::ReadSource, hr);
    result.range = ComputeCutRange(sourceLength, cutStart, cutEnd, duration);
    const CutRange& range = result.range;
    const std::int64_t blocks = range.BlockCount();
    if (blocks == 0) {
        return finish(CutOutcome::NothingSaved, NothingSavedText(WhyEmpty(range, cutStart, cutEnd)),
                      ClipErrorTitle, MB_ICONWARNING);
    }

    std::wstring temporary;
    if (HRESULT hr = CreateTemporaryBeside(destination, temporary); FAILED(hr))
        return fail(ClipFailure::WriteClip, hr);
    auto discard = [&] {
        // Best effort: the partial clip is only a leftover file, never the destination.
        DeleteFileW(temporary.c_str());
    };

    std::vector<std::uint8_t> block;
    block.reserve(static_cast<std::size_t>(BlockSize));
    ProgressWindow progress;
    for (std::int64_t i = 0; i < blocks; ++i) {
        const auto length = static_cast<std::size_t>(range.BlockLength(i));
        if (HRESULT hr = ReadBlock(source, range.SourcePosition(i), length, block); FAILED(hr)) {
            progress.Unload();
            discard();
            return fail(ClipFailure::ReadSource, hr);
        }
        if (HRESULT hr = WriteBlock(temporary, range.ClipPosition(i), block); FAILED(hr)) {
            progress.Unload();
            discard();
            return fail(ClipFailure::WriteClip, hr);
        }
        result.bytesWritten += static_cast<std::int64_t>(block.size());

        // The owner may have gone while events ran; the window then stands alone.
        progress.Show(LiveWindow(owner), alwaysOnTop);
        progress.SetProgress(ToProgress(blocks - 1), ToProgress(i));
        // Both windows repaint and the main window stays usable meanwhile.
        win::RunPendingMessages(quit);
        if (BlockObserver observer = BlockObserverSlot())
            observer(CutProgress{i + 1, blocks, progress.Window(), progress.Bar(), temporary});
    }
    progress.SetProgress(ToProgress(blocks - 1), 0);
    progress.Unload();

    // The clip replaces the destination only now that it is complete.
    if (!MoveFileExW(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const HRESULT hr = LastErrorResult();
        discard();
        return fail(ClipFailure::ReplaceDestination, hr);
    }
    return finish(CutOutcome::Saved, SavedText, SavedTitle, MB_ICONINFORMATION);
}

} // namespace klevotrim
