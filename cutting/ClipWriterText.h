#pragma once
// The texts of the Save command and the clip writer, kept apart from the Win32 code so that
// they can be checked exactly.
#include <cstdint>
#include <string>
#include <string_view>

#include "cutting/CutRange.h"

namespace klevotrim {

// The save dialog's filter for the current file: "MP3 File (*.mp3)|*.mp3" for song.mp3.
// The extension is the text after the path's last '.', upper-cased in the label only.
std::wstring SaveFilter(const std::wstring& currentFile);

// "<path> already exists.\r\nDo you want to replace it?"
std::wstring ReplaceQuestion(std::wstring_view path);

// The clip's temporary file: beside the destination (so the final move is a rename), named for
// the process and the attempt, "<destination>.<process>-<attempt>.part".
std::wstring TemporaryClipName(std::wstring_view destination, std::uint32_t processId, int attempt);

inline constexpr wchar_t SavedText[] = L"Part of file has been saved successfully";
inline constexpr wchar_t SavedTitle[] = L"Finish";
inline constexpr wchar_t ReplaceTitle[] = L"Save File";
inline constexpr wchar_t ProgressCaption[] = L"Progress...";
inline constexpr wchar_t ClipErrorTitle[] = L"Save Clip";

// The plain explanation shown instead of the completion message when nothing is copied.
std::wstring NothingSavedText(EmptyRangeReason reason);

// Shown when the user stopped a copy (Esc, or closing the progress window): nothing was saved,
// and an existing file of the destination's name (`destinationExists`) was left as it was.
std::wstring CancelledText(std::wstring_view destination, bool destinationExists);

// What failed, for the message shown when a copy stops. `detail` is the system's description
// of the error (may be empty).
enum class ClipFailure { ReadSource, WriteClip, ReplaceDestination, SameFile };
std::wstring FailureText(ClipFailure failure, std::wstring_view source, std::wstring_view destination,
                         std::wstring_view detail);

} // namespace klevotrim
