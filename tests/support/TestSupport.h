#pragma once
// Small helpers for the Windows-side tests: sample media, message pumping, scratch folders.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace klevotrim::test {

// Full Windows path of a generated sample file (scripts/make-test-media.sh).
std::wstring TestMediaPath(std::wstring_view fileName);

// Turns a path given by the build (a Unix path under Wine) into a Windows path.
std::wstring ToWindowsPath(const std::wstring& path);

// Runs the thread's message loop for about `milliseconds`.
void PumpMessages(DWORD milliseconds);

// Runs the message loop until `done` answers true or `timeoutMs` pass; returns the last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A real HDROP (GlobalAlloc + DROPFILES, wide paths) posted to `window` as WM_DROPFILES;
// false when it could not be made or posted.
bool DropFiles(HWND window, const std::vector<std::wstring>& paths);

// Writes a 44.1 kHz 16-bit stereo PCM WAV file `seconds` long. The sample bytes follow
// (i * step) >> shift over the running byte index i: not silence, so a copy that lost or
// shifted bytes does not compare equal to it.
void WriteTestWav(const std::wstring& path, int seconds, std::uint32_t step, std::uint32_t shift);

// Under Wine: runs `command` with the host system's shell (ffmpeg, ffprobe) and waits up to
// `timeoutMs` for it; returns its standard output and error together, or nullopt when it did
// not run or end in time. Wine starts host programs without a process handle to wait on, so
// the script marks its own end in a file.
std::optional<std::string> RunHostCommand(const std::string& command, DWORD timeoutMs = 60000);

// The host system's name (UTF-8) of a Windows path, quoted for its shell.
std::string HostPathQuoted(const std::wstring& path);

// A fresh folder under %TEMP%, removed with its contents when the object ends.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring File(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

  private:
    std::wstring path_;
};

} // namespace klevotrim::test
