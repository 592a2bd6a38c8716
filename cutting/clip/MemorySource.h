#pragma once
// A ByteSource over bytes in memory, for tests and fuzzing; counts what planning reads.
#include <algorithm>
#include <cstring>
#include <vector>

#include "cutting/clip/ClipPlan.h"

namespace klevotrim::clip {

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset >= bytes_.size() || buffer.empty())
            return 0; // an empty span may hold no pointer, which memcpy must not get
        const std::size_t count = std::min<std::uint64_t>(buffer.size(), bytes_.size() - offset);
        std::memcpy(buffer.data(), bytes_.data() + offset, count);
        bytesRead_ += count;
        return count;
    }
    std::uint64_t BytesRead() const { return bytesRead_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::uint64_t bytesRead_ = 0;
};

} // namespace klevotrim::clip
