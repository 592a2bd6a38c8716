#include "cutting/ClipWriter.h"

#include <objbase.h> // UniqueHandle.h also owns COM apartments

#include "common/win/UniqueHandle.h"
#include "cutting/ClipSession.h"
#include "cutting/FunctionsWin.h"

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

} // namespace

BlockObserver SetBlockObserver(BlockObserver observer) {
    return std::exchange(BlockObserverSlot(), std::move(observer));
}

void NotifyBlockObserver(const CutProgress& progress) {
    if (BlockObserver observer = BlockObserverSlot())
        observer(progress);
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
    CutResult result;
    ClipSession session(source, destination, owner, alwaysOnTop, result);
    if (!session.DestinationAllowed())
        return result;

    std::int64_t sourceLength = 0;
    if (HRESULT hr = FileLength(source, sourceLength); FAILED(hr))
        return session.Fail(ClipFailure::ReadSource, hr);
    result.range = ComputeCutRange(sourceLength, cutStart, cutEnd, duration);
    const CutRange& range = result.range;
    const std::int64_t blocks = range.BlockCount();
    if (blocks == 0) {
        return session.Finish(CutOutcome::NothingSaved, NothingSavedText(WhyEmpty(range, cutStart, cutEnd)),
                              ClipErrorTitle, MB_ICONWARNING);
    }

    if (HRESULT hr = session.CreateTemporary(); FAILED(hr))
        return session.Fail(ClipFailure::WriteClip, hr);
    std::vector<std::uint8_t> block;
    block.reserve(static_cast<std::size_t>(BlockSize));
    for (std::int64_t i = 0; i < blocks; ++i) {
        const auto length = static_cast<std::size_t>(range.BlockLength(i));
        if (HRESULT hr = ReadBlock(source, range.SourcePosition(i), length, block); FAILED(hr))
            return session.Fail(ClipFailure::ReadSource, hr);
        if (HRESULT hr = WriteBlock(session.Temporary(), range.ClipPosition(i), block); FAILED(hr))
            return session.Fail(ClipFailure::WriteClip, hr);
        result.bytesWritten += static_cast<std::int64_t>(block.size());
        // A stop asked for during the last block still counts: the clip is not in place yet.
        if (!session.Advance(i + 1, blocks))
            return session.Cancel();
    }
    if (!session.Commit())
        return result;
    return session.Finish(CutOutcome::Saved, SavedText, SavedTitle, MB_ICONINFORMATION);
}

} // namespace klevotrim
