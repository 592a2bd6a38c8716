#pragma once
// Portable rules of the main window: texts, the status table, the open filter, the name
// scroller, the media timer's decisions and the right-click menu states. No <windows.h> here,
// so every rule is unit-tested natively; MainWindow*.cpp apply them to real windows.
#include "KlevotrimVersion.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace klevotrim::app {

inline constexpr wchar_t kAppTitle[] = L"Klevotrim " KLEVOTRIM_VERSION_WTEXT;
inline constexpr wchar_t kIdleName[] = L" Klevotrim " KLEVOTRIM_VERSION_WTEXT L" ";
inline constexpr wchar_t kZeroTime[] = L"Time:00:00:00/00:00:00";
inline constexpr wchar_t kVersion[] = KLEVOTRIM_VERSION_WTEXT;

// The stored preferences' value names.
inline constexpr char kAlwaysOnTopValue[] = "Always On Top";
inline constexpr char kPlayableClipsValue[] = "Playable Clips";

// Open dialog: flags (hide read-only, no change of folder, create prompt, explorer, no
// dereferenced links, long names, resizable, show hidden) and the filter with "|" separators.
inline constexpr std::uint32_t kOpenFlags = 0x10B8200C;
std::wstring OpenFilter();

// The common dialogs want NUL between label and pattern and a double NUL at the end.
std::wstring FilterForDialog(std::wstring_view barSeparated);

// What iStatus does with the controls for a media status.
enum class Switch { Keep, On, Off };
struct StatusView {
    Switch pause = Switch::Keep;
    Switch stop = Switch::Keep;
    Switch start = Switch::Keep;
    Switch endAndSave = Switch::Keep;
    Switch seekBar = Switch::Keep;
    bool hideCutBar = false;
};
StatusView StatusRule(std::wstring_view status);

// What the controls go through once a file is opened or dropped, in this order. The range
// buttons go off and the cut bar hides before the status decides, so that Start follows the
// new status. After the open dialog, Open and Play (taken away while it was up) come back
// first, with fresh pictures.
enum class OpeningStep { OpenAndPlayBack, RefreshPictures, RangeButtonsOff, HideCutBar, ShowStatus };
std::vector<OpeningStep> OpeningSteps(bool afterDialog);

// After Save resumes playback: the status table for the status the engine reports then, with
// End Point and Save off, since the range they served has been saved.
StatusView ResumeAfterSaveRule(std::wstring_view status);

// Whether a file just given to the engine can be played: it must exist, the engine must have
// rendered it, and a duration it knows must be above zero.
enum class OpenProblem { None, Missing, Unplayable };
OpenProblem OpenedFileProblem(bool exists, bool rendered, std::optional<double> duration);
// What the user is told about a file that opened as nothing (the empty text for None).
std::wstring OpenProblemText(OpenProblem problem, std::wstring_view path);

// Save's order once a destination is chosen: writing over the source is refused before any
// question; an existing file is replaced only after asking.
enum class SaveStep { RefuseSameFile, AskReplace, Write };
SaveStep SaveDestinationStep(bool sameAsSource, bool exists);

// The main window's keys. Each runs the handler of a button or menu item, and only while that
// command is enabled.
enum class KeyCommand {
    PlayPause,       // Space: Pause while Pause is enabled, else Play
    Open,            // Ctrl+O
    StartPoint,      // I or [
    EndPoint,        // O or ]
    Save,            // Ctrl+S
    SeekBy,          // Left/Right: 5 s back or on; with Shift 1 s
    SeekHome,        // Home: to the start
    SeekEnd,         // End: to the end
    FullScreen,      // F11 or Enter: the Fullscreen toggle
    LeaveFullScreen, // Esc, only while full screen
    Help,            // F1: the local help page
};
struct KeyPress {
    std::uint32_t virtualKey = 0;
    wchar_t character = 0; // what the key types without Shift in the present layout, 0 if none
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    bool repeat = false; // held down: only the seeks repeat
};
struct KeyBinding {
    KeyCommand command;
    std::int32_t seekSeconds = 0; // SeekBy's step, negative backwards
};
std::optional<KeyBinding> BindingForKey(const KeyPress& key);

// What the commands allow at the moment a key comes.
struct CommandStates {
    bool open = false, play = false, pause = false, start = false, end = false, save = false;
    bool seekBar = false;
    bool fullScreen = false;
};
// The handler a key runs, with the seek bar's target for the seeks; None when the command is
// disabled now.
enum class KeyAction { None, Open, Play, Pause, StartPoint, EndPoint, Save, Seek, FullScreen, Help };
struct KeyDecision {
    KeyAction action = KeyAction::None;
    std::int32_t seekTo = 0; // whole seconds on the seek bar, within 0..max
};
KeyDecision DecideKey(const KeyBinding& binding, const CommandStates& states, std::int32_t barValue,
                      std::int32_t barMax);

// The local help page, installed beside the program.
inline constexpr wchar_t kHelpPageName[] = L"Klevotrim.html";
std::wstring HelpPagePath(std::wstring_view programFolder);

// lblName: the title when no file is current, otherwise the full path.
std::wstring NameCaption(std::wstring_view currentFile);

// tmrScroll: the first character moves to the end.
std::wstring RotateLeft(std::wstring_view text);

// tmrMedia: the duration a tick follows, read once from the media; nothing while seeking,
// without a duration or below 2 seconds.
std::optional<double> FollowedDuration(bool seeking, std::optional<double> duration);
// Whether the bar has reached its end (Value >= Max as the seek bar reports them).
inline bool ReachedEnd(std::int32_t value, std::int32_t max) {
    return value >= max;
}
std::wstring TimeCaption(std::wstring_view position, std::wstring_view duration);

// "Application Path": folder, "\", name and ".exe" (a folder ending in "\" doubles it).
std::wstring ApplicationPath(std::wstring_view folder, std::wstring_view baseName);

// Window sizes of the view commands, in pixels (twips / 15).
struct Size {
    std::int32_t width;
    std::int32_t height;
};
inline constexpr std::int32_t kPixelTwips = 15;
inline constexpr Size kLoadSize{8865 / kPixelTwips, 7065 / kPixelTwips};      // 591 x 471
inline constexpr Size kDesignClient{10440 / kPixelTwips, 9120 / kPixelTwips}; // 696 x 608
inline constexpr Size kMinimumSize{480, 360};
inline constexpr Size kSize50{9600 / kPixelTwips, 7200 / kPixelTwips};    // 640 x 480
inline constexpr Size kSize100{11100 / kPixelTwips, 8700 / kPixelTwips};  // 740 x 580
inline constexpr Size kSize200{12600 / kPixelTwips, 10200 / kPixelTwips}; // 840 x 680

} // namespace klevotrim::app
