#include "app/AppRules.h"

#include <algorithm>

namespace klevotrim::app {

std::wstring OpenFilter() {
    // Exact texts, spaces and odd patterns included.
    static constexpr const wchar_t* kPairs[][2] = {
        {L"All Supported Formats ", L"*.wav;*.snd;*.au;*.aif;*.aiff;*.aifc;*.ogg;*.ape;*.mid;*.rmi;*.midi;*."
                                    L"mpeg;*.mpg;*.dat;*.vob;*.m1v;"
                                    L"*.mp2;*.mpa;*.mp3;*.avi;*.wma;*.wmv;*.3gp;*.flv;*.3gpp;*.3g2;*.mov;*."
                                    L"qt;*.mp4;*.asf;*.asx;*.dvr-ms"},
        {L"Audio Files (*.mp3;*.wma;*.wav;*.ogg;*.ape;*.ac3;*.aob;*.au;*.snd;*.mpa;*.aif;*.aiff;*.aifc;*.voc;"
         L"*.vox;*.mid;*.rmi;*.midi;*.mp2;*.m1v)",
         L"*.mp3;*.wma;*.wav;*.ogg;*.ape;*.ac3;*.aob;*.au;*.snd;*.mpa;*.aif;*.aiff;*.aifc;*.voc;*.vox;*.mid;*"
         L".rmi;"
         L"*.midi;*.mp2;*.m1v"},
        {L"Video Files (*.mpg;*.mpeg;*.dat;*.vob;*.avi;*.flv;*.wmv;*.asf)",
         L"*.mpg;*.mpeg;*.dat;*.vob;*.avi;*.wmv;*.asf"},
        {L"Flash live video (*.flv)", L"*.flv"},
        {L"Windows Media Files (*.asf ;*wmv;*.wma;*.wmx;*.dvr-ms)", L"*.asf ;*wmv;*.wma;*.wmx;*.dvr-ms"},
        {L"All Files (*.*)", L"*.*"},
    };
    std::wstring filter;
    for (const auto& pair : kPairs) {
        if (!filter.empty())
            filter += L'|';
        filter += pair[0];
        filter += L'|';
        filter += pair[1];
    }
    return filter;
}

std::wstring FilterForDialog(std::wstring_view barSeparated) {
    std::wstring result(barSeparated);
    for (auto& c : result)
        if (c == L'|')
            c = L'\0';
    // Each text ends with a NUL and the list with one more.
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

StatusView StatusRule(std::wstring_view status) {
    StatusView view;
    if (status == L"Playing") {
        view.pause = view.stop = view.start = view.seekBar = Switch::On;
    } else if (status == L"Paused") {
        view.pause = Switch::Off;
        view.stop = view.start = view.seekBar = Switch::On;
    } else {
        // "Stopped", the empty text and anything unknown: everything off.
        view.pause = view.stop = view.start = view.endAndSave = view.seekBar = Switch::Off;
        view.hideCutBar = true;
    }
    return view;
}

StatusView ResumeAfterSaveRule(std::wstring_view status) {
    StatusView view = StatusRule(status);
    view.endAndSave = Switch::Off;
    return view;
}

OpenProblem OpenedFileProblem(bool exists, bool rendered, std::optional<double> duration) {
    if (!exists)
        return OpenProblem::Missing;
    if (!rendered)
        return OpenProblem::Unplayable;
    // A rendered graph without a duration still plays: some engines cannot time a stream
    // (transport streams under Wine), and Save then explains the unknown length. A graph that
    // knows its duration is zero has nothing to play.
    if (duration && !(*duration > 0.0))
        return OpenProblem::Unplayable;
    return OpenProblem::None;
}

std::wstring OpenProblemText(OpenProblem problem, std::wstring_view path) {
    switch (problem) {
    case OpenProblem::None:
        break;
    case OpenProblem::Missing:
        return L"Klevotrim cannot find this file:\r\n" + std::wstring(path);
    case OpenProblem::Unplayable:
        return L"Klevotrim cannot play this file:\r\n" + std::wstring(path) +
               L"\r\n\r\nIt is not a media file, it is damaged, or this computer has no decoder for its "
               L"format. Nothing is open now.";
    }
    return {};
}

SaveStep SaveDestinationStep(bool sameAsSource, bool exists) {
    if (sameAsSource)
        return SaveStep::RefuseSameFile;
    return exists ? SaveStep::AskReplace : SaveStep::Write;
}

namespace {
// The platform's virtual-key codes of the keys bound here.
enum : std::uint32_t {
    kKeyEnter = 0x0D,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyRight = 0x27,
    kKeyF1 = 0x70,
    kKeyF11 = 0x7A,
};
constexpr std::int32_t kSeekStep = 5;
constexpr std::int32_t kShortSeekStep = 1;
} // namespace

std::optional<KeyBinding> BindingForKey(const KeyPress& key) {
    if (key.alt)
        return std::nullopt; // Alt belongs to the system menu
    if (key.ctrl) {
        if (key.shift || key.repeat)
            return std::nullopt;
        if (key.virtualKey == 'O')
            return KeyBinding{KeyCommand::Open};
        if (key.virtualKey == 'S')
            return KeyBinding{KeyCommand::Save};
        return std::nullopt;
    }
    switch (key.virtualKey) {
    case kKeyLeft:
    case kKeyRight: {
        const std::int32_t step = key.shift ? kShortSeekStep : kSeekStep;
        return KeyBinding{KeyCommand::SeekBy, key.virtualKey == kKeyLeft ? -step : step};
    }
    default:
        break;
    }
    if (key.repeat)
        return std::nullopt;
    switch (key.virtualKey) {
    case kKeySpace:
        return KeyBinding{KeyCommand::PlayPause};
    case 'I':
        return KeyBinding{KeyCommand::StartPoint};
    case 'O':
        return KeyBinding{KeyCommand::EndPoint};
    case kKeyHome:
        return KeyBinding{KeyCommand::SeekHome};
    case kKeyEnd:
        return KeyBinding{KeyCommand::SeekEnd};
    case kKeyF11:
    case kKeyEnter:
        return KeyBinding{KeyCommand::FullScreen};
    case kKeyEscape:
        return KeyBinding{KeyCommand::LeaveFullScreen};
    case kKeyF1:
        return KeyBinding{KeyCommand::Help};
    default:
        break;
    }
    // The brackets sit on different keys in different layouts: they go by what they type.
    if (key.character == L'[')
        return KeyBinding{KeyCommand::StartPoint};
    if (key.character == L']')
        return KeyBinding{KeyCommand::EndPoint};
    return std::nullopt;
}

KeyDecision DecideKey(const KeyBinding& binding, const CommandStates& states, std::int32_t barValue,
                      std::int32_t barMax) {
    auto only = [](bool enabled, KeyAction action) {
        return KeyDecision{enabled ? action : KeyAction::None};
    };
    auto seek = [&](std::int64_t target) {
        if (!states.seekBar || barMax <= 0)
            return KeyDecision{};
        const std::int64_t clamped = std::clamp<std::int64_t>(target, 0, barMax);
        return KeyDecision{KeyAction::Seek, static_cast<std::int32_t>(clamped)};
    };
    switch (binding.command) {
    case KeyCommand::PlayPause:
        if (states.pause)
            return KeyDecision{KeyAction::Pause};
        return only(states.play, KeyAction::Play);
    case KeyCommand::Open:
        return only(states.open, KeyAction::Open);
    case KeyCommand::StartPoint:
        return only(states.start, KeyAction::StartPoint);
    case KeyCommand::EndPoint:
        return only(states.end, KeyAction::EndPoint);
    case KeyCommand::Save:
        return only(states.save, KeyAction::Save);
    case KeyCommand::SeekBy:
        return seek(static_cast<std::int64_t>(barValue) + binding.seekSeconds);
    case KeyCommand::SeekHome:
        return seek(0);
    case KeyCommand::SeekEnd:
        return seek(barMax);
    case KeyCommand::FullScreen:
        return KeyDecision{KeyAction::FullScreen};
    case KeyCommand::LeaveFullScreen:
        return only(states.fullScreen, KeyAction::FullScreen);
    case KeyCommand::Help:
        return KeyDecision{KeyAction::Help};
    }
    return {};
}

std::wstring HelpPagePath(std::wstring_view programFolder) {
    std::wstring path(programFolder);
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    path += kHelpPageName;
    return path;
}

std::vector<OpeningStep> OpeningSteps(bool afterDialog) {
    std::vector<OpeningStep> steps;
    if (afterDialog)
        steps = {OpeningStep::OpenAndPlayBack, OpeningStep::RefreshPictures};
    steps.insert(steps.end(),
                 {OpeningStep::RangeButtonsOff, OpeningStep::HideCutBar, OpeningStep::ShowStatus});
    return steps;
}

std::wstring NameCaption(std::wstring_view currentFile) {
    return currentFile.empty() ? std::wstring(kIdleName) : std::wstring(currentFile);
}

std::wstring RotateLeft(std::wstring_view text) {
    if (text.empty())
        return {};
    std::wstring result(text.substr(1));
    result += text.front();
    return result;
}

std::optional<double> FollowedDuration(bool seeking, std::optional<double> duration) {
    if (seeking || duration.value_or(0.0) < 2.0)
        return std::nullopt;
    return duration;
}

std::wstring TimeCaption(std::wstring_view position, std::wstring_view duration) {
    std::wstring text = L"Time:";
    text += position;
    text += L'/';
    text += duration;
    return text;
}

std::wstring ApplicationPath(std::wstring_view folder, std::wstring_view baseName) {
    std::wstring path(folder);
    path += L'\\';
    path += baseName;
    path += L".exe";
    return path;
}

} // namespace klevotrim::app
