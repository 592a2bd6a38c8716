// frmMain: the media commands, the cut points, the save command and the menu commands.
#include "app/MainWindow.h"

#include "app/AppRules.h"
#include "common/Rounding.h"
#include "cutting/ClipWriter.h"
#include "cutting/ClipWriterText.h"
#include "cutting/FunctionsWin.h"
#include "cutting/PlayableClipWriter.h"
#include "media/Media.h"
#include "ui/chrome/About.h"
#include "ui/chrome/Border.h"

namespace klevotrim::app {

namespace {

void Apply(Switch change, ImageButton& button) {
    if (change != Switch::Keep)
        button.Enabled(change == Switch::On);
}

void Apply(ButtonChange change, ImageButton& button) {
    if (change != ButtonChange::Keep)
        button.Enabled(change == ButtonChange::Enable);
}

int Pixels(double value) {
    return ToInt32(value).value_or(0);
}

} // namespace

void MainWindow::cmdOpen_Click() {
    buttons_[kOpen].Enabled(false);
    buttons_[kPlay].Enabled(false);
    currentFile_.clear();
    currentFile_ = cd_.ShowOpen(hwnd(), OpenFilter(), 0, L"Open", L"", L"", L"", kOpenFlags, 0);
    if (!hwnd())
        return; // the window went away while the dialog was up
    RunOpeningSteps(true);
    if (currentFile_.empty())
        return;
    buttons_[kOpen].Enabled(false);
    buttons_[kPlay].Enabled(false);
    Media().FileName(currentFile_, pic_.hwnd());
    const std::wstring problem = CloseIfUnplayable();
    if (problem.empty()) {
        Media().Play();
        OpenedFile();
    }
    RunOpeningSteps(true);
    ReportOpenProblem(problem);
}

std::wstring MainWindow::CloseIfUnplayable() {
    const OpenProblem problem =
        OpenedFileProblem(GetFileAttributesW(currentFile_.c_str()) != INVALID_FILE_ATTRIBUTES,
                          Media().Rendered(), Media().Max());
    if (problem == OpenProblem::None)
        return {};
    std::wstring text = OpenProblemText(problem, currentFile_);
    // Back to the state at start: no graph, the empty status, no current file, zero time.
    media_.reset();
    currentFile_.clear();
    seeking_ = false;
    SetWindowTextW(lblTime_, kZeroTime);
    if (pos_.IsCreated())
        (void)pos_.SetValue(0); // only the marker's place; the status disables the bar
    return text;
}

void MainWindow::ReportOpenProblem(const std::wstring& text) {
    if (!text.empty() && hwnd())
        ShowMessage(text, kAppTitle, MB_OK | MB_ICONWARNING);
}

void MainWindow::cmdPlay_Click() {
    // Every error is ignored and the next step runs.
    const std::wstring status = Media().Status();
    if (status == L"Playing")
        return;
    if (status == L"Stopped") {
        // A fresh graph, so playback starts from the beginning.
        Media().FileName(currentFile_, pic_.hwnd());
        if (const std::wstring problem = currentFile_.empty() ? std::wstring() : CloseIfUnplayable();
            !problem.empty()) {
            iStatus();
            ReportOpenProblem(problem);
            return;
        }
        Media().Play();
        if (Media().IzVideo())
            Media().AutoResize();
    }
    if (Media().Status() == L"Paused")
        Media().Play();
    iStatus();
}

void MainWindow::cmdPause_Click() {
    Media().Pause(); // a refusing graph keeps its status, which iStatus shows
    iStatus();
}

void MainWindow::cmdStop_Click() {
    Media().Stop_(); // as above
    iStatus();
}

void MainWindow::RunOpeningSteps(bool afterDialog) {
    for (OpeningStep step : OpeningSteps(afterDialog)) {
        switch (step) {
        case OpeningStep::OpenAndPlayBack:
            buttons_[kOpen].Enabled(true);
            buttons_[kPlay].Enabled(true);
            break;
        case OpeningStep::RefreshPictures:
            iRefresh();
            break;
        case OpeningStep::RangeButtonsOff:
            buttons_[kStart].Enabled(false);
            buttons_[kEnd].Enabled(false);
            buttons_[kSave].Enabled(false);
            break;
        case OpeningStep::HideCutBar:
            cutsld_.Show(false);
            break;
        case OpeningStep::ShowStatus:
            iStatus();
            break;
        }
    }
}

void MainWindow::iStatus() {
    ApplyStatusView(StatusRule(Media().Status()));
    nameCaption_ = NameCaption(currentFile_);
    SetWindowTextW(lblName_, nameCaption_.c_str());
}

void MainWindow::ApplyStatusView(const StatusView& view) {
    Apply(view.pause, buttons_[kPause]);
    Apply(view.stop, buttons_[kStop]);
    Apply(view.start, buttons_[kStart]);
    Apply(view.endAndSave, buttons_[kEnd]);
    Apply(view.endAndSave, buttons_[kSave]);
    if (view.seekBar != Switch::Keep && pos_.IsCreated())
        pos_.SetEnabled(view.seekBar == Switch::On);
    if (view.hideCutBar)
        cutsld_.Show(false);
}

void MainWindow::iRefresh() {
    for (auto& button : buttons_)
        button.Picture(button.Picture());
}

SeekBarPlacement MainWindow::PosPlacement() {
    SeekBarPlacement placement;
    placement.value = pos_.Value().value_or(0);
    placement.max = pos_.Max().value_or(0);
    if (media_)
        placement.mediaSeconds = media_->Position();
    if (HWND window = pos_.Window()) {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(HWND_DESKTOP, picPanel_.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        placement.left = rect.left;
        placement.top = rect.top;
        placement.width = rect.right - rect.left;
        placement.height = rect.bottom - rect.top;
    } else {
        placement.left = layout_.pos.left;
        placement.top = layout_.pos.top;
        placement.width = layout_.pos.width;
        placement.height = layout_.pos.height;
    }
    return placement;
}

void MainWindow::ApplyCutBar(const CutBarUpdate& update) {
    if (update.height)
        cutBar_.height = *update.height;
    if (update.top)
        cutBar_.top = *update.top;
    if (update.width)
        cutBar_.width = *update.width;
    if (update.left)
        cutBar_.left = *update.left;
    // The window gets whole pixels; the commands keep the exact values.
    SetWindowPos(cutsld_.hwnd(), update.bringToFront ? HWND_TOP : nullptr, Pixels(cutBar_.left),
                 Pixels(cutBar_.top), std::max(0, Pixels(cutBar_.width)), std::max(0, Pixels(cutBar_.height)),
                 SWP_NOACTIVATE | (update.bringToFront ? 0 : SWP_NOZORDER));
    if (update.show)
        cutsld_.Show(true);
    Apply(update.endButton, buttons_[kEnd]);
    Apply(update.saveButton, buttons_[kSave]);
}

void MainWindow::cmdStart_Click() {
    ApplyCutBar(cuts_.StartPoint(PosPlacement()));
}

void MainWindow::cmdEnd_Click() {
    ApplyCutBar(cuts_.EndPoint(PosPlacement()));
}

void MainWindow::cmdSave_Click() {
    cd_.Filter(SaveFilter(currentFile_));
    cd_.ShowSave(hwnd());
    const std::wstring destination = cd_.FileName();
    if (destination.empty() || !hwnd())
        return;
    Media().Pause(); // a graph that cannot pause goes on playing during the copy
    buttons_[kSave].Enabled(false);
    buttons_[kEnd].Enabled(false);
    // The copy keeps what it starts with, whatever happens during it.
    const std::wstring source = currentFile_;
    const std::int32_t cutStart = cuts_.CutStart();
    const std::int32_t cutEnd = cuts_.CutEnd();
    const SaveStep step = SaveDestinationStep(IsSameFile(source, destination), FileExists(destination));
    if (step == SaveStep::RefuseSameFile) {
        ShowMessage(FailureText(ClipFailure::SameFile, source, destination, {}), ClipErrorTitle,
                    MB_OK | MB_ICONWARNING);
    } else if (step == SaveStep::Write || AskReplace(hwnd(), destination)) {
        if (playableClips_) {
            std::optional<clip::Marks> marks;
            if (const std::optional<MediaMarks> kept = cuts_.Marks())
                marks = clip::Marks{kept->start, kept->end};
            SavePlayableClip(source, destination, marks, BlockCut{cutStart, cutEnd, Media().Max()}, hwnd(),
                             alwaysOnTop_);
        } else {
            CutFile(source, destination, cutStart, cutEnd, Media().Max(), hwnd(), alwaysOnTop_);
        }
    }
    if (!hwnd())
        return;
    Media().Play(); // resumes also when it was paused before
    cutsld_.Show(false);
    // The buttons follow the status playback really has now, so Pause works again.
    const StatusView view = ResumeAfterSaveRule(Media().Status());
    ApplyStatusView(view);
}

bool MainWindow::TranslateKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    if (!hwnd() || !msg.hwnd || (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)))
        return false;
    // A dialog, message box or the About window disables this window while it is up.
    if (!IsWindowEnabled(hwnd()))
        return false;
    KeyPress key;
    key.virtualKey = static_cast<std::uint32_t>(msg.wParam);
    // The low word is the character; dead keys set the high bit and type nothing here.
    const UINT typed = MapVirtualKeyW(key.virtualKey, MAPVK_VK_TO_CHAR);
    key.character = (typed & 0x80000000u) ? 0 : static_cast<wchar_t>(LOWORD(typed));
    key.ctrl = GetKeyState(VK_CONTROL) < 0;
    key.shift = GetKeyState(VK_SHIFT) < 0;
    key.alt = (HIWORD(msg.lParam) & KF_ALTDOWN) != 0;
    key.repeat = (HIWORD(msg.lParam) & KF_REPEAT) != 0;
    const std::optional<KeyBinding> binding = BindingForKey(key);
    if (!binding)
        return false;
    CommandStates states;
    states.open = buttons_[kOpen].Enabled();
    states.play = buttons_[kPlay].Enabled();
    states.pause = buttons_[kPause].Enabled();
    states.start = buttons_[kStart].Enabled();
    states.end = buttons_[kEnd].Enabled();
    states.save = buttons_[kSave].Enabled();
    states.seekBar = pos_.IsCreated() && !seeking_ && pos_.Enabled().value_or(false);
    states.fullScreen = isFullScreen_;
    const KeyDecision decision =
        DecideKey(*binding, states, pos_.Value().value_or(0), pos_.Max().value_or(0));
    switch (decision.action) {
    case KeyAction::None:
        break; // a bound key whose command is off now still goes no further
    case KeyAction::Open:
        cmdOpen_Click();
        break;
    case KeyAction::Play:
        cmdPlay_Click();
        break;
    case KeyAction::Pause:
        cmdPause_Click();
        break;
    case KeyAction::StartPoint:
        cmdStart_Click();
        break;
    case KeyAction::EndPoint:
        cmdEnd_Click();
        break;
    case KeyAction::Save:
        cmdSave_Click();
        break;
    case KeyAction::Seek:
        // As a release of the seek bar at that value seeks.
        if (SUCCEEDED(pos_.SetValue(decision.seekTo)))
            Media().SetPos(decision.seekTo);
        break;
    case KeyAction::FullScreen:
        mnuFullscreen_Click();
        break;
    case KeyAction::Help:
        OpenHelpPage();
        break;
    }
    return true;
}

void MainWindow::OpenHelpPage() {
    const std::wstring page = HelpPagePath(ProgramFolder());
    if (!FileExists(page)) {
        ShowMessage(L"The help page is missing:\r\n" + page, kAppTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    OpenWebPage(hwnd(), page.c_str());
}

void MainWindow::mnuFullscreen_Click() {
    const bool was = isFullScreen_;
    isFullScreen_ = !isFullScreen_;
    ShowWindow(hwnd(), was ? SW_SHOWNORMAL : SW_SHOWMAXIMIZED);
}

void MainWindow::mnuOOt_Click() {
    const bool was = alwaysOnTop_;
    alwaysOnTop_ = !alwaysOnTop_;
    if (was)
        SetNotTopMost(hwnd());
    else
        SetTopMost(hwnd());
}

void MainWindow::mnuPlayable_Click() {
    // Stored at unload, as Always On Top is; the check mark follows when the menu opens.
    playableClips_ = !playableClips_;
}

void MainWindow::mnuSize_Click(int width, int height) {
    SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::mnuFit_Click() {
    SetFormBorder(hwnd(), kBorderless);
    ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
    isFullScreen_ = true;
}

void MainWindow::mnuWebPage_Click(const wchar_t* address) {
    OpenWebPage(hwnd(), address);
}

void MainWindow::mnuAbou_Click() {
    ShowAbout(hwnd(), alwaysOnTop_);
}

void MainWindow::mnuExit_Click() {
    Close();
}

} // namespace klevotrim::app
