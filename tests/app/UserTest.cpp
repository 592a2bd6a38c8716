// What a user meets around the commands: the buttons after a save resumes, a file that cannot
// play, saving over the source, and the window's keys wherever the focus is.
#include "AppTestSupport.h"

#include "app/AppRules.h"
#include "media/Media.h"

#include <filesystem>
#include <fstream>

using namespace klevotrim;
using namespace klevotrim::app;
using namespace klevotrim::test;

namespace {

class UserTest : public AppTest {
  protected:
    void Click(Cmd command) { SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(command), 0); }
    // A key as the message loop sees it, aimed at `target` (the control with the focus).
    bool Key(UINT virtualKey, HWND target = nullptr, bool ctrl = false) {
        BYTE state[256] = {};
        if (ctrl)
            state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        MSG msg{target ? target : Main().hwnd(), WM_KEYDOWN, virtualKey, 1, 0, {}};
        const bool taken = Main().TranslateKey(msg);
        BYTE none[256] = {};
        SetKeyboardState(none);
        return taken;
    }
    // Drops a 30 s WAV and marks 0 s to its end while paused (the bar held, so the timer leaves
    // it), the way the seek bar and the range commands are used.
    std::wstring PlayAndMarkAll() {
        const std::wstring source = folder_.File(L"long.wav");
        WriteSilentWav(source, 30);
        PlayByDrop(source);
        EXPECT_TRUE(PumpUntil([&] { return Main().Pos().Max() == 30; }, 5000));
        Click(Cmd::Pause);
        Main().Media().SetPos(0);
        Main().Pos().SetValue(0);
        Click(Cmd::Start);
        Main().Pos().SetValue(30);
        Click(Cmd::End);
        EXPECT_TRUE(Main().Button(kSave).Enabled());
        return source;
    }
    void SaveTo(const std::wstring& destination) {
        Main().CD().SetSaveCall([destination](OPENFILENAMEW& ofn) {
            wcscpy_s(ofn.lpstrFile, ofn.nMaxFile, destination.c_str());
            return true;
        });
        Click(Cmd::Save);
    }

    ScratchFolder folder_;
};

TEST_F(UserTest, AfterASaveResumesPauseWorksAndTheRangeCommandsStayOff) {
    PlayAndMarkAll();
    SaveTo(folder_.File(L"clip.wav"));
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back().text, L"Part of file has been saved successfully");
    ASSERT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_TRUE(Main().Button(kPause).Enabled());
    EXPECT_TRUE(Main().Button(kStop).Enabled());
    EXPECT_FALSE(Main().Button(kEnd).Enabled());
    EXPECT_FALSE(Main().Button(kSave).Enabled());
    Click(Cmd::Pause);
    EXPECT_EQ(Main().Media().Status(), L"Paused");
    EXPECT_FALSE(Main().Button(kPause).Enabled());
}

TEST_F(UserTest, SavingOverTheSourceIsRefusedWithoutTheReplaceQuestion) {
    const std::wstring source = PlayAndMarkAll();
    const auto size = std::filesystem::file_size(source);
    SaveTo(source);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, L"Save Clip") << messages_[0].text;
    EXPECT_EQ(std::filesystem::file_size(source), size);
    EXPECT_EQ(Main().Media().Status(), L"Playing");
}

TEST_F(UserTest, AFileThatCannotPlayIsNamedAndLeavesNothingOpen) {
    PlayByDrop(TestMediaPath(L"tone-10s.wav"));
    ASSERT_TRUE(PumpUntil([&] { return TextOf(Main().lblTime()) != L"Time:00:00:00/00:00:00"; }, 5000));
    Click(Cmd::Start);
    const std::wstring bad = TestMediaPath(L"not-media.mp3");
    ASSERT_TRUE(DropFiles(Main().hwnd(), {bad}));
    ASSERT_TRUE(PumpUntil([&] { return !messages_.empty(); }, 5000));
    EXPECT_NE(messages_[0].text.find(bad), std::wstring::npos) << messages_[0].text;
    EXPECT_EQ(Main().Media().Status(), L"");
    EXPECT_EQ(Main().CurrentFile(), L"");
    EXPECT_FALSE(Main().Media().Max().has_value());
    for (ButtonIndex button : {kPause, kStop, kStart, kEnd, kSave})
        EXPECT_FALSE(Main().Button(button).Enabled()) << button;
    EXPECT_TRUE(Main().Button(kPlay).Enabled());
    EXPECT_EQ(Main().Pos().Enabled(), false);
    EXPECT_FALSE(IsWindowVisible(Main().Cutsld()));
    PumpMessages(700); // two timer ticks
    EXPECT_EQ(TextOf(Main().lblTime()), L"Time:00:00:00/00:00:00");
    EXPECT_EQ(TextOf(Main().lblName()), L" Klevotrim 1.0 ");
    Click(Cmd::Play); // nothing to play, nothing to say
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(UserTest, KeysRunTheCommandsWhereverTheFocusIsAndOnlyWhenEnabled) {
    EXPECT_TRUE(Key('I'));
    EXPECT_FALSE(IsWindowVisible(Main().Cutsld())) << "Start Point is off without media";
    EXPECT_FALSE(Key('A')) << "unbound keys go on to the control";
    PlayByDrop(TestMediaPath(L"tone-10s.wav"));
    ASSERT_TRUE(PumpUntil([&] { return Main().Pos().Max() == 10; }, 5000));
    const HWND bar = Main().Pos().Window();
    const HWND pauseButton = Main().Button(kPause).hwnd();
    EXPECT_TRUE(Key(VK_SPACE, bar));
    EXPECT_EQ(Main().Media().Status(), L"Paused");
    EXPECT_TRUE(Key(VK_SPACE, Main().Button(kStop).hwnd()));
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_TRUE(Key(VK_SPACE, pauseButton));
    EXPECT_TRUE(Key(VK_HOME, bar));
    EXPECT_EQ(Main().Pos().Value(), 0);
    EXPECT_TRUE(Key(VK_RIGHT, bar));
    std::int32_t seconds = -1;
    Main().Media().Pos(seconds);
    EXPECT_EQ(seconds, 5);
    EXPECT_TRUE(Key('I', pauseButton));
    EXPECT_TRUE(IsWindowVisible(Main().Cutsld()));
    EXPECT_TRUE(Key(VK_END, bar));
    EXPECT_TRUE(Key('O', bar));
    EXPECT_TRUE(Main().Button(kSave).Enabled());
    // While a dialog or message box is up the main window is disabled: its keys are the dialog's.
    EnableWindow(Main().hwnd(), FALSE);
    EXPECT_FALSE(Key('S', bar, true));
    EnableWindow(Main().hwnd(), TRUE);
    bool asked = false;
    Main().CD().SetSaveCall([&](OPENFILENAMEW&) { return asked = true, false; });
    EXPECT_TRUE(Key('S', bar, true));
    EXPECT_TRUE(asked) << "Ctrl+S runs Save";
    // Enter toggles full screen and Esc only leaves it.
    EXPECT_TRUE(Key(VK_ESCAPE));
    EXPECT_FALSE(Main().IsFullScreen());
    EXPECT_TRUE(Key(VK_RETURN));
    EXPECT_TRUE(Main().IsFullScreen());
    EXPECT_TRUE(Key(VK_ESCAPE));
    EXPECT_FALSE(Main().IsFullScreen());
}

} // namespace
