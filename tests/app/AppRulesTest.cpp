#include "app/AppRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace klevotrim::app;

TEST(OpenFilter, KeepsTheExactTextsSpacesAndOddPatterns) {
    const std::wstring filter = OpenFilter();
    EXPECT_EQ(filter.rfind(L"All Supported Formats |*.wav;*.snd;", 0), 0u);
    EXPECT_NE(
        filter.find(
            L"|Windows Media Files (*.asf ;*wmv;*.wma;*.wmx;*.dvr-ms)|*.asf ;*wmv;*.wma;*.wmx;*.dvr-ms|"),
        std::wstring::npos);
    EXPECT_NE(filter.find(L"|Video Files (*.mpg;*.mpeg;*.dat;*.vob;*.avi;*.flv;*.wmv;*.asf)|"
                          L"*.mpg;*.mpeg;*.dat;*.vob;*.avi;*.wmv;*.asf|"),
              std::wstring::npos);
    EXPECT_TRUE(filter.ends_with(L"|Flash live video (*.flv)|*.flv|"
                                 L"Windows Media Files (*.asf ;*wmv;*.wma;*.wmx;"
                                 L"*.dvr-ms)|*.asf ;*wmv;*.wma;*.wmx;*.dvr-ms|All Files (*.*)|*.*"));
    // Six pairs: eleven separators.
    EXPECT_EQ(std::count(filter.begin(), filter.end(), L'|'), 11);
}

TEST(OpenFilter, DialogFormHasNulsForBarsAndEndsWithTwo) {
    const std::wstring dialog = FilterForDialog(L"A|*.a|B|*.b");
    EXPECT_EQ(dialog, std::wstring(L"A\0*.a\0B\0*.b\0\0", 13));
    EXPECT_EQ(FilterForDialog(L""), std::wstring(L"\0\0", 2));
}

TEST(StatusTable, PlayingPausedStoppedAndEmpty) {
    StatusView playing = StatusRule(L"Playing");
    EXPECT_EQ(playing.pause, Switch::On);
    EXPECT_EQ(playing.stop, Switch::On);
    EXPECT_EQ(playing.start, Switch::On);
    EXPECT_EQ(playing.endAndSave, Switch::Keep);
    EXPECT_EQ(playing.seekBar, Switch::On);
    EXPECT_FALSE(playing.hideCutBar);

    StatusView paused = StatusRule(L"Paused");
    EXPECT_EQ(paused.pause, Switch::Off);
    EXPECT_EQ(paused.stop, Switch::On);
    EXPECT_EQ(paused.start, Switch::On);
    EXPECT_EQ(paused.endAndSave, Switch::Keep);
    EXPECT_EQ(paused.seekBar, Switch::On);
    EXPECT_FALSE(paused.hideCutBar);

    for (const wchar_t* status : {L"Stopped", L"", L"playing"}) {
        StatusView off = StatusRule(status);
        EXPECT_EQ(off.pause, Switch::Off) << status;
        EXPECT_EQ(off.stop, Switch::Off);
        EXPECT_EQ(off.start, Switch::Off);
        EXPECT_EQ(off.endAndSave, Switch::Off);
        EXPECT_EQ(off.seekBar, Switch::Off);
        EXPECT_TRUE(off.hideCutBar);
    }
}

TEST(StatusTable, AfterOpeningTheStatusDecidesLast) {
    const std::vector<OpeningStep> dropped = OpeningSteps(false);
    EXPECT_EQ(dropped, (std::vector<OpeningStep>{OpeningStep::RangeButtonsOff, OpeningStep::HideCutBar,
                                                 OpeningStep::ShowStatus}));
    const std::vector<OpeningStep> opened = OpeningSteps(true);
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened.front(), OpeningStep::OpenAndPlayBack);
    EXPECT_EQ(opened.back(), OpeningStep::ShowStatus);
}

TEST(NameScroller, RotatesOneCharacterAndComesBackAfterAFullTurn) {
    EXPECT_EQ(RotateLeft(L" Klevotrim 1.0 "), L"Klevotrim 1.0  ");
    EXPECT_EQ(RotateLeft(L""), L"");
    EXPECT_EQ(RotateLeft(L"a"), L"a");
    std::wstring text = L"C:\\clips\\клип.mp3";
    std::wstring turned = text;
    for (size_t i = 0; i < text.size(); ++i)
        turned = RotateLeft(turned);
    EXPECT_EQ(turned, text);
    EXPECT_EQ(NameCaption(L""), L" Klevotrim 1.0 ");
    EXPECT_EQ(NameCaption(L"C:\\a.wav"), L"C:\\a.wav");
}

TEST(MediaTimer, FollowsOnlyWhenNotSeekingAndTwoSecondsOrMore) {
    EXPECT_FALSE(FollowedDuration(false, std::nullopt));
    EXPECT_FALSE(FollowedDuration(false, 1.5));
    EXPECT_FALSE(FollowedDuration(false, 1.999));
    EXPECT_EQ(FollowedDuration(false, 2.0), 2.0);
    EXPECT_EQ(FollowedDuration(false, 200.75), 200.75); // the one reading, fraction kept
    EXPECT_FALSE(FollowedDuration(true, 200.0));
    EXPECT_TRUE(ReachedEnd(10, 10));
    EXPECT_TRUE(ReachedEnd(11, 10));
    EXPECT_FALSE(ReachedEnd(9, 10));
    EXPECT_EQ(TimeCaption(L"00:01:05", L"00:03:20"), L"Time:00:01:05/00:03:20");
}

TEST(StartUp, ApplicationPathAndCentring) {
    EXPECT_EQ(ApplicationPath(L"C:\\Program Files\\Klevotrim", L"Klevotrim"),
              L"C:\\Program Files\\Klevotrim\\Klevotrim.exe");
    EXPECT_EQ(ApplicationPath(L"C:\\", L"Klevotrim"), L"C:\\\\Klevotrim.exe"); // doubled, as designed
    EXPECT_EQ(kLoadSize.width, 591);
    EXPECT_EQ(kLoadSize.height, 471);
    EXPECT_EQ(kDesignClient.width, 696);
    EXPECT_EQ(kDesignClient.height, 608);
    EXPECT_EQ(kSize50.width, 640);
    EXPECT_EQ(kSize100.height, 580);
    EXPECT_EQ(kSize200.width, 840);
}

TEST(AfterSave, ResumeFollowsTheRealStatusAndKeepsEndAndSaveOff) {
    const StatusView playing = ResumeAfterSaveRule(L"Playing");
    EXPECT_EQ(playing.pause, Switch::On) << "Pause must work again once playback resumed";
    EXPECT_EQ(playing.stop, Switch::On);
    EXPECT_EQ(playing.start, Switch::On);
    EXPECT_EQ(playing.endAndSave, Switch::Off);
    // A graph that could not run again stays paused: Pause off, Play is how to go on.
    const StatusView paused = ResumeAfterSaveRule(L"Paused");
    EXPECT_EQ(paused.pause, Switch::Off);
    EXPECT_EQ(paused.stop, Switch::On);
    EXPECT_EQ(paused.endAndSave, Switch::Off);
    // Stopped meanwhile (or the media ended during the copy): everything off, bar hidden.
    const StatusView stopped = ResumeAfterSaveRule(L"Stopped");
    EXPECT_EQ(stopped.pause, Switch::Off);
    EXPECT_EQ(stopped.seekBar, Switch::Off);
    EXPECT_TRUE(stopped.hideCutBar);
}

TEST(OpeningAFile, OnlyAKnownPositiveDurationPlaysAndTheMessageNamesTheFile) {
    EXPECT_EQ(OpenedFileProblem(true, true, 1.5), OpenProblem::None);
    EXPECT_EQ(OpenedFileProblem(true, true, std::nullopt), OpenProblem::None) << "plays, length unknown";
    EXPECT_EQ(OpenedFileProblem(true, false, 60.0), OpenProblem::Unplayable);
    EXPECT_EQ(OpenedFileProblem(true, false, std::nullopt), OpenProblem::Unplayable);
    EXPECT_EQ(OpenedFileProblem(true, true, 0.0), OpenProblem::Unplayable);
    EXPECT_EQ(OpenedFileProblem(true, true, std::nan("")), OpenProblem::Unplayable);
    EXPECT_EQ(OpenedFileProblem(false, true, 60.0), OpenProblem::Missing);

    const std::wstring path = L"Z:\\clips\\not media.mp3";
    const std::wstring unplayable = OpenProblemText(OpenProblem::Unplayable, path);
    EXPECT_TRUE(unplayable.starts_with(L"Klevotrim cannot play this file:\r\n" + path + L"\r\n"));
    EXPECT_EQ(unplayable.find(L"length"), std::wstring::npos) << "nothing about the media's length";
    EXPECT_EQ(OpenProblemText(OpenProblem::Missing, path), L"Klevotrim cannot find this file:\r\n" + path);
    EXPECT_EQ(OpenProblemText(OpenProblem::None, path), L"");
}

TEST(SaveOrder, TheSourceIsRefusedBeforeAnyReplaceQuestion) {
    EXPECT_EQ(SaveDestinationStep(true, true), SaveStep::RefuseSameFile);
    EXPECT_EQ(SaveDestinationStep(false, true), SaveStep::AskReplace);
    EXPECT_EQ(SaveDestinationStep(false, false), SaveStep::Write);
}

namespace {
constexpr std::uint32_t kLeft = 0x25, kRight = 0x27, kHome = 0x24, kEnd = 0x23, kSpace = 0x20;
std::optional<KeyCommand> CommandOf(KeyPress key) {
    const auto binding = BindingForKey(key);
    return binding ? std::optional(binding->command) : std::nullopt;
}
} // namespace

TEST(Keys, TheTableBindsEachKeyWithItsModifiersOnly) {
    EXPECT_EQ(CommandOf({.virtualKey = kSpace}), KeyCommand::PlayPause);
    EXPECT_EQ(CommandOf({.virtualKey = 'O', .ctrl = true}), KeyCommand::Open);
    EXPECT_EQ(CommandOf({.virtualKey = 'O'}), KeyCommand::EndPoint);
    EXPECT_EQ(CommandOf({.virtualKey = 'I'}), KeyCommand::StartPoint);
    EXPECT_EQ(CommandOf({.virtualKey = 'S', .ctrl = true}), KeyCommand::Save);
    EXPECT_EQ(CommandOf({.virtualKey = 'S'}), std::nullopt);
    EXPECT_EQ(CommandOf({.virtualKey = 'I', .ctrl = true}), std::nullopt);
    // The brackets by what they type, on whichever key the layout puts them.
    EXPECT_EQ(CommandOf({.virtualKey = 0xDB, .character = L'['}), KeyCommand::StartPoint);
    EXPECT_EQ(CommandOf({.virtualKey = 0x38, .character = L']'}), KeyCommand::EndPoint);
    EXPECT_EQ(CommandOf({.virtualKey = 0x7A}), KeyCommand::FullScreen);
    EXPECT_EQ(CommandOf({.virtualKey = 0x0D}), KeyCommand::FullScreen);
    EXPECT_EQ(CommandOf({.virtualKey = 0x1B}), KeyCommand::LeaveFullScreen);
    EXPECT_EQ(CommandOf({.virtualKey = 0x70}), KeyCommand::Help);
    EXPECT_EQ(CommandOf({.virtualKey = kHome}), KeyCommand::SeekHome);
    EXPECT_EQ(CommandOf({.virtualKey = kEnd}), KeyCommand::SeekEnd);
    EXPECT_EQ(BindingForKey({.virtualKey = kLeft})->seekSeconds, -5);
    EXPECT_EQ(BindingForKey({.virtualKey = kRight, .shift = true})->seekSeconds, 1);
    // Alt is the system's; a held key repeats only the seeks.
    EXPECT_EQ(CommandOf({.virtualKey = kSpace, .alt = true}), std::nullopt);
    EXPECT_EQ(CommandOf({.virtualKey = kSpace, .repeat = true}), std::nullopt);
    EXPECT_EQ(CommandOf({.virtualKey = 'S', .ctrl = true, .repeat = true}), std::nullopt);
    EXPECT_EQ(BindingForKey({.virtualKey = kRight, .repeat = true})->seekSeconds, 5);
}

TEST(Keys, ACommandRunsOnlyWhileItIsEnabled) {
    const CommandStates none;
    for (KeyCommand command :
         {KeyCommand::PlayPause, KeyCommand::Open, KeyCommand::StartPoint, KeyCommand::EndPoint,
          KeyCommand::Save, KeyCommand::SeekHome, KeyCommand::LeaveFullScreen})
        EXPECT_EQ(DecideKey({command}, none, 10, 60).action, KeyAction::None) << static_cast<int>(command);
    // The view toggle and the help page are always there.
    EXPECT_EQ(DecideKey({KeyCommand::FullScreen}, none, 0, 0).action, KeyAction::FullScreen);
    EXPECT_EQ(DecideKey({KeyCommand::Help}, none, 0, 0).action, KeyAction::Help);
    EXPECT_EQ(DecideKey({KeyCommand::LeaveFullScreen}, {.fullScreen = true}, 0, 0).action,
              KeyAction::FullScreen);

    // Space pauses while Pause is offered, and plays otherwise.
    EXPECT_EQ(DecideKey({KeyCommand::PlayPause}, {.play = true, .pause = true}, 0, 0).action,
              KeyAction::Pause);
    EXPECT_EQ(DecideKey({KeyCommand::PlayPause}, {.play = true}, 0, 0).action, KeyAction::Play);
    EXPECT_EQ(DecideKey({KeyCommand::Save}, {.save = true}, 0, 0).action, KeyAction::Save);
}

TEST(Keys, SeeksStayOnTheBarAndNeedItEnabled) {
    const CommandStates bar{.seekBar = true};
    EXPECT_EQ(DecideKey({KeyCommand::SeekBy, -5}, bar, 3, 60).seekTo, 0);
    EXPECT_EQ(DecideKey({KeyCommand::SeekBy, 5}, bar, 58, 60).seekTo, 60);
    EXPECT_EQ(DecideKey({KeyCommand::SeekBy, 1}, bar, 10, 60).seekTo, 11);
    EXPECT_EQ(DecideKey({KeyCommand::SeekHome}, bar, 30, 60).seekTo, 0);
    const KeyDecision end = DecideKey({KeyCommand::SeekEnd}, bar, 30, 60);
    EXPECT_EQ(end.action, KeyAction::Seek);
    EXPECT_EQ(end.seekTo, 60);
    // No overflow at the ends of the range; no media, no seek.
    EXPECT_EQ(DecideKey({KeyCommand::SeekBy, 5}, bar, INT32_MAX, INT32_MAX).seekTo, INT32_MAX);
    EXPECT_EQ(DecideKey({KeyCommand::SeekBy, 5}, bar, 0, 0).action, KeyAction::None);
}

TEST(HelpPage, BesideTheProgram) {
    EXPECT_EQ(HelpPagePath(L"C:\\Program Files\\Klevotrim"), L"C:\\Program Files\\Klevotrim\\Klevotrim.html");
    EXPECT_EQ(HelpPagePath(L"C:\\"), L"C:\\Klevotrim.html");
}
