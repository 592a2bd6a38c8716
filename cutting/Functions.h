#pragma once
// Small helpers shared by the program that need no window system: the extension of a path,
// the "hh:mm:ss" time text and the maker's web pages. The Win32 helpers are in
// cutting/FunctionsWin.h.
#include <cstdint>
#include <string>
#include <string_view>

namespace klevotrim {

// The maker's pages, opened through the shell. Placeholder addresses: change them here only.
struct WebPages {
    static constexpr wchar_t kHome[] = L"https://klevotrim.example.org/";
    static constexpr wchar_t kProduct[] = L"https://klevotrim.example.org/klevotrim/";
    static constexpr wchar_t kForum[] = L"https://klevotrim.example.org/forum/";
};

// What a page that cannot be opened shows.
inline constexpr wchar_t kInternetErrorText[] =
    L"An error has occured while trying to connect to the internet\r\n"
    L"Please ensure that your internet connection is functioning correctly and try again.";
inline constexpr wchar_t kInternetErrorTitle[] = L"Error!";

// The text after the last "." anywhere in the path (folder names included), in its own
// case; the empty text when there is no dot or the dot is the last character.
std::wstring GetExtension(std::wstring_view path);

// Hours, minutes and seconds of two digits at least, joined by ":". The seconds are first
// rounded to a whole number, halves to the even neighbour: 59.5 -> "00:01:00",
// 58.5 -> "00:00:58", 360000 -> "100:00:00". A negative time gets a "-" before each non-zero
// field. Not a number, infinity and times beyond the 64-bit range give the empty text.
std::wstring TimeText(double seconds);

// What ShellOpen reports for a ShellExecute return value: 0 means the system ran out of
// memory or the program file is corrupt; every other value (errors below 33 included) gives
// the empty text.
std::wstring ShellOpenResultText(std::intptr_t shellExecuteResult);

} // namespace klevotrim
