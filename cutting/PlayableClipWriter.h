#pragma once
// Saving a playable clip: a planner turns the marks into a header, one byte range of the
// source and a trailer; the writer puts them into a temporary file beside the destination
// (both files held open for the whole copy, read in large blocks) and moves it into place
// only once it is complete. Same progress window, messages and failure handling as CutFile.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "cutting/ClipWriter.h"
#include "cutting/clip/ClipPlan.h"

namespace klevotrim {

// Bytes moved per read and write; the progress window counts in MiB all the same.
inline constexpr std::size_t PlayableCopyBlock = 4 * 1048576;

// Writes `plan` of the file `source` to `destination` and shows the completion message or
// what went wrong. A plan whose range lies outside the source fails without writing.
CutResult WriteClipPlan(const std::wstring& source, const std::wstring& destination,
                        const clip::ClipPlan& plan, HWND owner, bool alwaysOnTop);

// The designed Save's inputs, for saving the exact block range instead.
struct BlockCut {
    std::int32_t cutStart = 0;
    std::int32_t cutEnd = 0;
    std::optional<double> duration;
};

struct PlayableSaveResult {
    CutResult save; // what was written and shown (the block range's, when the user chose it)
    clip::PlanStatus planStatus = clip::PlanStatus::NotThisFormat;
    std::string reason; // the planner's, when it planned nothing
    bool blockRangeOffered = false;
    bool blockRangeSaved = false; // the user chose the exact block range instead
    double start = 0;             // where the clip begins in the source, as planned
    double duration = 0;
};

// The Save command with Playable Clips on. `marks` are the engine's positions at the Start
// Point and End Point commands (nullopt when none was kept). A file no planner can cut gives
// a message with the planner's reason and offers the exact block range (Yes/No; nothing is
// written on No); bad marks give a message and write nothing.
PlayableSaveResult SavePlayableClip(const std::wstring& source, const std::wstring& destination,
                                    std::optional<clip::Marks> marks, const BlockCut& blockCut, HWND owner,
                                    bool alwaysOnTop);

} // namespace klevotrim
