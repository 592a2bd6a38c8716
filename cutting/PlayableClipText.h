#pragma once
// The messages of a playable-clip save, kept apart from the Win32 code so that they can be
// checked exactly. A planner's reason is one short English sentence without a full stop.
#include <string>
#include <string_view>

namespace klevotrim {

// Asked when the file cannot be cut into a playable clip (Yes saves the exact block range).
std::wstring NotPlayableQuestion(std::string_view reason);

// Shown when the marks cannot make a clip; nothing is written.
std::wstring BadMarksText(std::string_view reason);

// The reason given when no engine position was kept for a mark (no media was open).
inline constexpr char UnmarkedReason[] = "the start and end points were not marked while the media was open";

// A reason as the message shows it: ASCII kept, anything else replaced by '?'.
std::wstring ReasonText(std::string_view reason);

} // namespace klevotrim
