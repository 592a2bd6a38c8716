#pragma once
// The source file as the playable-clip planners and writer read it: opened once, read-only
// and shared every way (a playing graph keeps its own handle undisturbed), read at any offset.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win/UniqueHandle.h"
#include "cutting/clip/ClipPlan.h"

namespace klevotrim {

class FileByteSource final : public clip::ByteSource {
  public:
    HRESULT Open(const std::wstring& path);
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override;
    // Why the last read came back short: the system's error, or ERROR_HANDLE_EOF.
    HRESULT LastReadError() const { return lastReadError_; }

  private:
    win::UniqueFile file_;
    std::uint64_t size_ = 0;
    HRESULT lastReadError_ = S_OK;
};

} // namespace klevotrim
