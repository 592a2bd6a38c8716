#include "cutting/FileByteSource.h"

#include <algorithm>

#include "cutting/ClipSession.h"

namespace klevotrim {

HRESULT FileByteSource::Open(const std::wstring& path) {
    // Never opened for writing: the source is only ever read.
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_)
        return LastErrorResult();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) {
        const HRESULT hr = LastErrorResult();
        file_.reset();
        return hr;
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return S_OK;
}

std::size_t FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    lastReadError_ = S_OK;
    std::size_t total = 0;
    while (total < buffer.size()) {
        if (offset + total >= size_) {
            lastReadError_ = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
            break;
        }
        // ReadFile moves at most a DWORD per call; the OVERLAPPED states the offset, so no
        // separate seek is needed and the planners may read in any order.
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - total, 0x40000000));
        const std::uint64_t at = offset + total;
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        if (!ReadFile(file_.get(), buffer.data() + total, want, &got, &position)) {
            lastReadError_ =
                GetLastError() == ERROR_HANDLE_EOF ? HRESULT_FROM_WIN32(ERROR_HANDLE_EOF) : LastErrorResult();
            break;
        }
        if (got == 0) {
            lastReadError_ = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
            break;
        }
        total += got;
    }
    return total;
}

} // namespace klevotrim
