#include "app/AppRules.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    EXPECT_FALSE(TimerFollows(false, std::nullopt));
    EXPECT_FALSE(TimerFollows(false, 1.5));
    EXPECT_FALSE(TimerFollows(false, 1.999));
    EXPECT_TRUE(TimerFollows(false, 2.0));
    EXPECT_FALSE(TimerFollows(true, 200.0));
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
