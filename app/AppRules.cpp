#include "app/AppRules.h"

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

bool TimerFollows(bool seeking, std::optional<double> duration) {
    if (seeking)
        return false;
    return duration.value_or(0.0) >= 2.0;
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
