#pragma once
// The clip writer: copies the block-aligned byte range between the cut points of a media
// file into a new file, block by block, with the progress window frmProgress.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cutting/ClipWriterText.h"
#include "cutting/CutRange.h"

namespace klevotrim {

// Reads `count` bytes at the 1-based `position` of `path`. The file is opened read-only,
// shared with every other user (a playing graph keeps its handle), and closed again.
// `bytes` receives what was read; a short read is an error (HRESULT_FROM_WIN32(ERROR_HANDLE_EOF)).
HRESULT ReadBlock(const std::wstring& path, std::int64_t position, std::size_t count,
                  std::vector<std::uint8_t>& bytes);

// Writes `bytes` at the 1-based `position` of `path`, creating the file when missing and
// never shortening it; the file is opened and closed within the call.
HRESULT WriteBlock(const std::wstring& path, std::int64_t position, std::span<const std::uint8_t> bytes);

enum class CutOutcome {
    Saved,        // the clip was written and the completion message shown
    NothingSaved, // the range holds no whole block: no file was created
    Refused,      // the destination is the source itself
    Failed,       // a read, write or the final move failed: no clip, destination untouched
    Cancelled     // the user stopped the copy: no clip, destination untouched
};

struct CutResult {
    CutOutcome outcome = CutOutcome::NothingSaved;
    CutRange range;                // the range that was (or would have been) copied
    std::int64_t bytesWritten = 0; // length of the saved clip
    HRESULT error = S_OK;          // the failure's HRESULT for CutOutcome::Failed
    std::wstring message;          // the text shown to the user
};

// Copies the range for the cut points and duration from `source` to `destination`.
// The clip is written to a temporary file beside the destination and moved into place only
// after a complete copy, so a replaced file holds exactly the clip and a failure leaves the
// destination as it was. Shows frmProgress owned by `owner` (topmost when `alwaysOnTop`),
// lets pending events run after every block, and ends with one message box: the completion
// message, or what went wrong / why nothing was saved. Esc in the progress window, or closing
// it, stops the copy after the current block as a failure would, with its own message.
CutResult CutFile(const std::wstring& source, const std::wstring& destination, std::int32_t cutStart,
                  std::int32_t cutEnd, std::optional<double> duration, HWND owner, bool alwaysOnTop);

// Asks "<path> already exists. / Do you want to replace it?" (Yes/No, warning icon, title
// "Save File"); true for Yes.
bool AskReplace(HWND owner, const std::wstring& path);

// True when both paths name the same file (same volume and file index, or, when a file
// cannot be opened, the same full path in any letter case).
bool IsSameFile(const std::wstring& first, const std::wstring& second);

// ---- Seams for tests and for hosts that must not block on a human ----

// Every message goes through ShowMessageBox (cutting/FunctionsWin.h), whose function tests set.

// Called after every copied block, once the progress window is updated and pending events
// have run. `progressWindow` and `progressBar` are the live windows.
struct CutProgress {
    std::int64_t block = 0; // 1-based index of the block just written
    std::int64_t blocks = 0;
    HWND progressWindow = nullptr;
    HWND progressBar = nullptr;
    std::wstring temporaryPath; // where the clip is being written
};
using BlockObserver = std::function<void(const CutProgress&)>;
BlockObserver SetBlockObserver(BlockObserver observer);

} // namespace klevotrim
