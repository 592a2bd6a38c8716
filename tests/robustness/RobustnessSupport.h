#pragma once
// Helpers for the robustness tests: fingerprints of files that must not change, message boxes
// answered and recorded, file drops, and the few Unix tools a test under Wine may use.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klevotrim::test {

// What must stay the same about a source file: its length, its last-write time and a hash
// of its bytes (of every byte up to 64 MiB; beyond that of the first and last MiB and of
// the ranges given).
struct Fingerprint {
    std::int64_t length = -1;
    FILETIME lastWrite{};
    std::uint64_t hash = 0;
    bool operator==(const Fingerprint& other) const;
};
Fingerprint FingerprintOf(const std::wstring& path,
                          const std::vector<std::pair<std::int64_t, std::int64_t>>& ranges = {});

// Every message box of the clip writer and of the main window, answered with `answer`.
struct ShownMessage {
    std::wstring text;
    std::wstring title;
    UINT type = 0;
};
class MessageRecorder {
  public:
    explicit MessageRecorder(int answer = IDOK);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    const std::vector<ShownMessage>& Messages() const { return messages_; }
    void Clear() { messages_.clear(); }

  private:
    std::vector<ShownMessage> messages_;
};

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::wstring& path, std::int64_t offset, std::int64_t count);
bool Exists(const std::wstring& path);
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// A PCM WAV of `seconds` (44.1 kHz, 16-bit stereo) whose samples follow a pattern, so that
// a shifted copy never compares equal.
void WritePatternWav(const std::wstring& path, int seconds);

// Deletes a file even while another handle holds it open, as another program (or a user
// in a shell) can on the system the tests run on. False when it cannot.
bool RemoveBehindTheProgramsBack(const std::wstring& path);

// Free and total bytes of the volume holding `folder`.
std::optional<std::pair<std::uint64_t, std::uint64_t>> VolumeSpace(const std::wstring& folder);

// The folder named by an environment variable (a Unix path from the build), or "".
std::wstring FolderFromEnvironment(const wchar_t* name);

} // namespace klevotrim::test
