// Open, play, follow, seek, mark a range and save a clip, as a user drives them.
#include "AppTestSupport.h"

#include "app/AppRules.h"
#include "cutting/PlayableClipWriter.h"
#include "media/Media.h"

#include <commctrl.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

using namespace klevotrim;
using namespace klevotrim::app;
using namespace klevotrim::test;

namespace {

class MediaCommands : public AppTest {
  protected:
    void Click(Cmd command) { SendMessageW(Main().hwnd(), WM_COMMAND, static_cast<WPARAM>(command), 0); }
    void ExpectButtons(bool pause, bool stop, bool start, bool end, bool save) {
        EXPECT_EQ(Main().Button(kPause).Enabled(), pause);
        EXPECT_EQ(Main().Button(kStop).Enabled(), stop);
        EXPECT_EQ(Main().Button(kStart).Enabled(), start);
        EXPECT_EQ(Main().Button(kEnd).Enabled(), end);
        EXPECT_EQ(Main().Button(kSave).Enabled(), save);
    }
    std::int32_t MediaSeconds() {
        std::int32_t seconds = -1;
        Main().Media().Pos(seconds);
        return seconds;
    }
    // A press, drag or release of the left button on the seek bar's own window.
    void BarMouse(UINT message, int x) {
        HWND bar = Main().Pos().Window();
        ASSERT_NE(bar, nullptr);
        WPARAM keys = message == WM_LBUTTONUP ? 0 : MK_LBUTTON;
        SendMessageW(bar, message, keys, MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), 5));
    }
    // Pauses, then at each point seeks the media and the bar there and marks it, as a user
    // does after releasing the seek bar.
    void MarkRange(std::int32_t start, std::int32_t end) {
        ASSERT_TRUE(PumpUntil([&] { return Main().Pos().Max().value_or(0) >= end; }, 5000));
        Click(Cmd::Pause);
        for (const auto& [seconds, command] : {std::pair{start, Cmd::Start}, std::pair{end, Cmd::End}}) {
            Main().Media().SetPos(seconds);
            ASSERT_EQ(Main().Pos().SetValue(seconds), S_OK);
            Click(command);
        }
        ASSERT_TRUE(Main().Button(kSave).Enabled());
    }
    // Marks the range while the media plays on, as a user does at the moments they want.
    // (Wine cannot seek every container, transport streams among them.)
    void MarkWhilePlaying(double start, double end) {
        for (const auto& [seconds, command] : {std::pair{start, Cmd::Start}, std::pair{end, Cmd::End}}) {
            ASSERT_TRUE(PumpUntil([&] { return Main().Media().Position().value_or(0) >= seconds; }, 15000));
            Click(command);
        }
        ASSERT_TRUE(Main().Button(kSave).Enabled());
    }
    // Saves through the real command with Playable Clips on.
    void SavePlayableAs(const std::wstring& clip) {
        if (!Main().PlayableClips())
            Click(Cmd::mnuPlayable);
        Main().CD().SetSaveCall([clip](OPENFILENAMEW& ofn) {
            wcscpy_s(ofn.lpstrFile, ofn.nMaxFile, clip.c_str());
            return true;
        });
        Click(Cmd::Save);
    }
    int BarWidth() {
        RECT client{};
        GetClientRect(Main().Pos().Window(), &client);
        return client.right;
    }
};

std::vector<char> ReadAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// Answers the real open dialog from another thread: types the path into its file-name box and
// presses Open (or Cancel when the path is empty).
class DialogAnswerer {
  public:
    DialogAnswerer(HWND owner, std::wstring path) : thread_([this, owner, path] { Run(owner, path); }) {}
    ~DialogAnswerer() { thread_.join(); }
    bool Answered() const { return answered_; }
    std::wstring Title() const { return title_; }

  private:
    void Run(HWND owner, const std::wstring& path) {
        for (int i = 0; i < 500 && !answered_; ++i) {
            Sleep(20);
            HWND dialog = nullptr;
            EnumThreadWindows(
                GetWindowThreadProcessId(owner, nullptr),
                [](HWND window, LPARAM found) -> BOOL {
                    wchar_t name[32] = {};
                    GetClassNameW(window, name, 32);
                    if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) {
                        *reinterpret_cast<HWND*>(found) = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&dialog));
            if (!dialog)
                continue;
            Sleep(200); // let the dialog finish its own start
            wchar_t title[64] = {};
            GetWindowTextW(dialog, title, 64);
            title_ = title;
            if (path.empty()) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            } else {
                HWND name = GetDlgItem(dialog, 0x47C); // cmb13: the file-name box (a ComboBoxEx32 here)
                HWND edit =
                    name ? reinterpret_cast<HWND>(SendMessageW(name, CBEM_GETEDITCONTROL, 0, 0)) : nullptr;
                if (!edit && name)
                    edit = FindWindowExW(name, nullptr, L"Edit", nullptr);
                if (!edit)
                    edit = GetDlgItem(dialog, 0x480); // edt1
                if (!edit)
                    continue;
                SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
            }
            answered_ = true;
        }
    }
    std::atomic<bool> answered_{false};
    std::wstring title_;
    std::thread thread_;
};

// How ffprobe and the engine read a clip's times.
enum class ClipTimes {
    FromZero,   // the clip starts at 0 and lasts its duration
    SourceSpan, // it keeps the source's time stamps; the duration is its span
};

// One container a playable-clip planner reads, as the sample media hold it.
struct PlayableFormat {
    const char* name;
    const wchar_t* media;
    const wchar_t* extension;
    double keyframeGap; // how far before the start mark the clip may begin (its random-access point)
    double endGap;      // how far after the end mark it may end (the rest of a packet or cluster)
    double accuracy;    // seconds, for the clip's edges and the duration the engine finds
    ClipTimes times;
    const char* allowedDecodeError = nullptr; // a complaint ffmpeg may print about a clip's first frame
    bool engineTimesIt = true; // Wine's engine gives the file a duration (a transport stream it gives none)
};

// ffmpeg's complaints while decoding a clip, and ffprobe's start (0 when it has none) and
// duration (-1 when unknown) of the clip and its source: one host command, as each costs a second.
struct ClipProbe {
    std::string decodeErrors;
    double sourceStart = 0, start = 0, duration = -1;
};

ClipProbe ProbeClip(const std::wstring& clip, const std::wstring& source) {
    const std::string times =
        "ffprobe -v error -show_entries format=start_time,duration -of default=noprint_wrappers=1 ";
    const std::string separator = "--- probe ---";
    const std::optional<std::string> output =
        RunHostCommand("ffmpeg -hide_banner -nostdin -v error -i " + HostPathQuoted(clip) +
                       " -f null -; echo '" + separator + "'; " + times + HostPathQuoted(source) +
                       "; echo '" + separator + "'; " + times + HostPathQuoted(clip));
    ClipProbe probe;
    const std::string text = output.value_or("");
    const std::size_t first = text.find(separator + "\n");
    const std::size_t second = text.find(separator + "\n", first == std::string::npos ? 0 : first + 1);
    if (second == std::string::npos) {
        probe.decodeErrors = "the host command failed: " + text;
        return probe;
    }
    probe.decodeErrors = text.substr(0, first);
    const auto read = [&](std::size_t from, std::size_t to, double& start, double& duration) {
        std::istringstream lines(text.substr(from, to - from));
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "start_time=%lf", &start);
            std::sscanf(line.c_str(), "duration=%lf", &duration);
        }
    };
    double sourceDuration = -1;
    read(first, second, probe.sourceStart, sourceDuration);
    read(second, text.size(), probe.start, probe.duration);
    return probe;
}

class CutPointsOnTheBar : public MediaCommands {
  protected:
    void SetUp() override {
        MediaCommands::SetUp();
        ASSERT_TRUE(Main().Pos().IsCreated());
        // A 377-pixel seek bar with Max 200, at the layout's place in the panel.
        Main().Pos().Move(RECT{83, 42, 83 + 377, 52});
        PumpMessages(20);
        ASSERT_EQ(Main().Pos().SetEnabled(true), S_OK);
        ASSERT_EQ(Main().Pos().SetMax(200), S_OK);
    }
    void MarkAt(std::int32_t value, Cmd command) {
        ASSERT_EQ(Main().Pos().SetValue(value), S_OK);
        ASSERT_EQ(Main().Pos().Value(), std::optional<std::int32_t>(value));
        Click(command);
    }
};

} // namespace

TEST_F(MediaCommands, OpenThroughTheRealDialogPlaysTheVideoAndTheTimerFollowsIt) {
    const std::wstring video = TestMediaPath(L"clip-10s.mpg");
    {
        DialogAnswerer answerer(Main().hwnd(), video);
        Click(Cmd::Open);
        EXPECT_TRUE(answerer.Answered());
        EXPECT_EQ(answerer.Title(), L"Open");
    }
    EXPECT_EQ(Main().CurrentFile(), video);
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_TRUE(Main().Media().IzVideo());
    // The window takes the picture's size (320 x 240), as far as the minimum size allows.
    RECT rect{};
    GetWindowRect(Main().hwnd(), &rect);
    EXPECT_EQ(rect.right - rect.left, std::max(320, 480));
    EXPECT_EQ(rect.bottom - rect.top, std::max(240, 360));
    ExpectButtons(true, true, true, false, false);
    EXPECT_TRUE(Main().Button(kOpen).Enabled());
    EXPECT_TRUE(Main().Button(kPlay).Enabled());
    EXPECT_EQ(Main().Pos().Enabled(), std::optional<bool>(true));
    EXPECT_EQ(TextOf(Main().lblName()).size(), video.size());
    // The picture fills the video area exactly.
    RECT area{};
    GetClientRect(Main().Pic(), &area);
    int pictures = 0;
    for (HWND child = GetWindow(Main().Pic(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (_wcsicmp(name, L"Static") == 0) // the logo
            continue;
        ++pictures;
        RECT shown = RectIn(child, Main().Pic());
        EXPECT_EQ(shown.left, 0);
        EXPECT_EQ(shown.top, 0);
        EXPECT_EQ(shown.right, area.right);
        EXPECT_EQ(shown.bottom, area.bottom);
    }
    EXPECT_EQ(pictures, 1);

    const std::wregex followed(L"Time:00:00:0[1-9]/00:00:10");
    ASSERT_TRUE(PumpUntil([&] { return std::regex_match(TextOf(Main().lblTime()), followed); }, 6000))
        << TextOf(Main().lblTime());
    EXPECT_EQ(Main().Pos().Max(), std::optional<std::int32_t>(10));
    EXPECT_GE(Main().Pos().Value().value_or(0), 1);
}

TEST_F(MediaCommands, OpenDialogGetsTheDesignedFilterTitleFlagsAndOwner) {
    OPENFILENAMEW seen{};
    std::wstring filter, title;
    Main().CD().SetOpenCall([&](OPENFILENAMEW& ofn) {
        seen = ofn;
        title = ofn.lpstrTitle;
        const wchar_t* p = ofn.lpstrFilter;
        while (*p) { // pairs of NUL-terminated texts, ended by an empty one
            filter += p;
            filter += L'|';
            p += wcslen(p) + 1;
        }
        return false;
    });
    Click(Cmd::mnuOpen);
    EXPECT_EQ(seen.hwndOwner, Main().hwnd());
    EXPECT_EQ(seen.Flags, 0x10B8200Cu);
    EXPECT_EQ(seen.nFilterIndex, 0u);
    EXPECT_EQ(title, L"Open");
    EXPECT_EQ(filter, OpenFilter() + L"|");
    EXPECT_TRUE(Main().CurrentFile().empty());
}

TEST_F(MediaCommands, DroppingTwoFilesOpensOnlyTheFirst) {
    const std::wstring first = TestMediaPath(L"tone-10s.wav");
    ASSERT_TRUE(DropFiles(Main().hwnd(), {first, TestMediaPath(L"clip-10s.mpg")}));
    ASSERT_TRUE(PumpUntil([&] { return !Main().CurrentFile().empty(); }, 5000));
    EXPECT_EQ(Main().CurrentFile(), first);
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_FALSE(Main().Media().IzVideo()) << "the second file (a video) was not opened";
    ExpectButtons(true, true, true, false, false);
}

TEST_F(MediaCommands, AUnicodeNamedFileOpensByDrop) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(TestMediaPath(L"T*.wav").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    const std::wstring path = TestMediaPath(found.cFileName);
    PlayByDrop(path);
    EXPECT_EQ(TextOf(Main().lblName()).find(found.cFileName) != std::wstring::npos ||
                  TextOf(Main().lblName()).size() == path.size(),
              true);
}

TEST_F(MediaCommands, AFileOfOneAndAHalfSecondsPlaysButTheBarNeverMoves) {
    PlayByDrop(TestMediaPath(L"short-1.5s.wav"));
    const std::optional<std::int32_t> before = Main().Pos().Value();
    PumpMessages(1200);
    EXPECT_EQ(TextOf(Main().lblTime()), L"Time:00:00:00/00:00:00");
    EXPECT_EQ(Main().Pos().Value(), before);
    EXPECT_NE(Main().Pos().Max(), std::optional<std::int32_t>(2));
}

TEST_F(MediaCommands, CancellingTheDialogWhilePlayingKeepsThePlayback) {
    const std::wstring tone = TestMediaPath(L"tone-10s.wav");
    PlayByDrop(tone);
    Click(Cmd::Start); // a start mark that the open must take back
    EXPECT_TRUE(Main().Button(kEnd).Enabled());
    {
        DialogAnswerer cancel(Main().hwnd(), L"");
        Click(Cmd::Open);
        EXPECT_TRUE(cancel.Answered());
    }
    EXPECT_TRUE(Main().CurrentFile().empty());
    EXPECT_EQ(TextOf(Main().lblName()), L" Klevotrim 1.0 ");
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    ExpectButtons(true, true, true, false, false);
    EXPECT_FALSE(IsWindowVisible(Main().Cutsld()));
}

TEST_F(MediaCommands, PauseStopAndPlayFollowTheStatusTable) {
    PlayByDrop(TestMediaPath(L"tone-10s.wav"));
    ASSERT_TRUE(PumpUntil([&] { return MediaSeconds() >= 2; }, 5000));
    Click(Cmd::Play); // playing: nothing changes
    EXPECT_EQ(Main().Media().Status(), L"Playing");

    Click(Cmd::Pause);
    EXPECT_EQ(Main().Media().Status(), L"Paused");
    ExpectButtons(false, true, true, false, false);
    EXPECT_EQ(Main().Pos().Enabled(), std::optional<bool>(true));
    const std::int32_t pausedAt = MediaSeconds();

    Click(Cmd::mnuPlay); // resumes where it was
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_GE(MediaSeconds(), pausedAt);
    ExpectButtons(true, true, true, false, false);

    Click(Cmd::Stop);
    EXPECT_EQ(Main().Media().Status(), L"Stopped");
    ExpectButtons(false, false, false, false, false);
    EXPECT_EQ(Main().Pos().Enabled(), std::optional<bool>(false));
    EXPECT_FALSE(Main().Button(kPause).Enabled());

    Click(Cmd::Play); // a fresh graph: from the beginning
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_LE(MediaSeconds(), 1);
}

TEST_F(MediaCommands, TheNameScrollsWhilePlayingAndComesBackUnrotated) {
    const std::wstring tone = TestMediaPath(L"tone-10s.wav");
    PlayByDrop(tone);
    ASSERT_TRUE(PumpUntil([&] { return TextOf(Main().lblName()) != tone; }, 2000));
    const std::wstring scrolled = TextOf(Main().lblName());
    EXPECT_EQ(scrolled.size(), tone.size());
    EXPECT_NE((tone + tone).find(scrolled), std::wstring::npos) << "a rotation of the path";
    Click(Cmd::Pause);
    EXPECT_EQ(TextOf(Main().lblName()), tone);
    PumpMessages(700);
    EXPECT_EQ(TextOf(Main().lblName()), tone) << "no scrolling while paused";
}

TEST_F(MediaCommands, PressingTheSeekBarHoldsItAndReleasingSeeksThere) {
    PlayByDrop(TestMediaPath(L"tone-10s.wav"));
    ASSERT_TRUE(PumpUntil([&] { return Main().Pos().Max() == 10; }, 5000));
    const int width = BarWidth();
    BarMouse(WM_LBUTTONDOWN, width * 7 / 10);
    EXPECT_TRUE(Main().Seeking());
    EXPECT_EQ(Main().Pos().Value(), std::optional<std::int32_t>(7));
    PumpMessages(800);
    EXPECT_LE(MediaSeconds(), 3) << "no seek before the release";
    EXPECT_EQ(Main().Pos().Value(), std::optional<std::int32_t>(7)) << "the timer leaves the bar alone";

    BarMouse(WM_MOUSEMOVE, width * 8 / 10);
    EXPECT_EQ(Main().Pos().Value(), std::optional<std::int32_t>(8));
    BarMouse(WM_LBUTTONUP, width * 8 / 10);
    EXPECT_FALSE(Main().Seeking());
    EXPECT_GE(MediaSeconds(), 8);
    EXPECT_LE(MediaSeconds(), 9);
}

TEST_F(MediaCommands, TheEndOfTheMediaStopsAndClosesTheEngineButKeepsTheButtons) {
    ScratchFolder folder;
    const std::wstring clip = folder.File(L"three.wav");
    WriteSilentWav(clip, 3);
    PlayByDrop(clip);
    ASSERT_TRUE(PumpUntil([&] { return Main().Media().Status() == L"Stopped"; }, 8000));
    EXPECT_FALSE(Main().Media().Max().has_value()) << "closed";
    EXPECT_EQ(TextOf(Main().lblTime()).substr(0, 5), L"Time:");
    EXPECT_TRUE(Main().Button(kPause).Enabled()) << "the buttons change only at the next command";
    Click(Cmd::Play); // opens the file again from its beginning
    EXPECT_EQ(Main().Media().Status(), L"Playing");
}

TEST_F(CutPointsOnTheBar, StartAt50AndEndAt150OnA377PixelBar) {
    MarkAt(50, Cmd::Start);
    EXPECT_EQ(Main().Cuts().CutStart(), 50);
    EXPECT_TRUE(IsWindowVisible(Main().Cutsld()));
    EXPECT_TRUE(Main().Button(kEnd).Enabled());
    EXPECT_FALSE(Main().Button(kSave).Enabled());

    MarkAt(150, Cmd::mnuEnd);
    EXPECT_EQ(Main().Cuts().CutEnd(), 150);
    const auto bar = Main().CutBarGeometryUnrounded();
    EXPECT_DOUBLE_EQ(bar[0], 83 + 93.25);
    EXPECT_DOUBLE_EQ(bar[1], 42 + 5 - 0.5);
    EXPECT_DOUBLE_EQ(bar[2], 188.5);
    EXPECT_DOUBLE_EQ(bar[3], 2.0);
    // On screen, in whole pixels (halves to even): 176, 46, 188 x 2.
    RECT shown = RectIn(Main().Cutsld(), Main().PicPanel());
    EXPECT_EQ(shown.left, 176);
    EXPECT_EQ(shown.top, 46);
    EXPECT_EQ(shown.right - shown.left, 188);
    EXPECT_EQ(shown.bottom - shown.top, 2);
    EXPECT_TRUE(Main().Button(kSave).Enabled());
    // In front of the seek bar.
    for (HWND child = GetWindow(Main().Cutsld(), GW_HWNDPREV); child; child = GetWindow(child, GW_HWNDPREV))
        EXPECT_NE(child, Main().Pos().Window());
}

TEST_F(CutPointsOnTheBar, AnEndBeforeTheStartMovesTheStartThere) {
    MarkAt(150, Cmd::Start);
    MarkAt(160, Cmd::End);
    EXPECT_TRUE(Main().Button(kSave).Enabled());
    MarkAt(50, Cmd::End);
    EXPECT_EQ(Main().Cuts().CutStart(), 50);
    EXPECT_FALSE(Main().Button(kSave).Enabled());
    EXPECT_TRUE(Main().Button(kEnd).Enabled());
    const auto bar = Main().CutBarGeometryUnrounded();
    EXPECT_DOUBLE_EQ(bar[0], 83 - 1 + 377.0 * 50 / 200);
    EXPECT_DOUBLE_EQ(bar[2], 2.0);
}

TEST_F(CutPointsOnTheBar, AStartAtTheEndKeepsTheMarkAndDoesNotOfferTheEnd) {
    MarkAt(0, Cmd::Start);
    EXPECT_EQ(RectIn(Main().Cutsld(), Main().PicPanel()).left, 82) << "one pixel left of the bar";
    Main().Button(kEnd).Enabled(false);
    MarkAt(200, Cmd::Start);
    EXPECT_EQ(Main().Cuts().CutStart(), 200);
    EXPECT_FALSE(Main().Button(kEnd).Enabled());
    RECT shown = RectIn(Main().Cutsld(), Main().PicPanel());
    EXPECT_EQ(shown.left, 82);
    EXPECT_EQ(shown.right - shown.left, 2);
    EXPECT_TRUE(IsWindowVisible(Main().Cutsld()));
}

TEST_F(MediaCommands, SaveEndToEndCopiesTheBlockAlignedRange) {
    ScratchFolder folder;
    const std::wstring source = folder.File(L"long.wav");
    const std::wstring clip = folder.File(L"clip.wav");
    WriteSilentWav(source, 30); // 5,292,044 bytes: 5 whole blocks
    PlayByDrop(source);
    ASSERT_TRUE(PumpUntil([&] { return Main().Pos().Max() == 30; }, 5000));
    BarMouse(WM_LBUTTONDOWN, 0); // hold the bar, so the timer leaves it alone
    Click(Cmd::Start);
    BarMouse(WM_MOUSEMOVE, BarWidth() + 30);
    Click(Cmd::End);
    ASSERT_TRUE(Main().Button(kSave).Enabled());
    std::wstring filter;
    Main().CD().SetSaveCall([&](OPENFILENAMEW& ofn) {
        filter = std::wstring(ofn.lpstrFilter, 22);
        wcscpy_s(ofn.lpstrFile, ofn.nMaxFile, clip.c_str());
        return true;
    });
    Click(Cmd::Save);
    BarMouse(WM_LBUTTONUP, 0);
    EXPECT_EQ(filter, std::wstring(L"WAV File (*.wav)\0*.wav", 22));
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back().text, L"Part of file has been saved successfully");
    EXPECT_EQ(messages_.back().title, L"Finish");
    const std::vector<char> all = ReadAll(source);
    const std::vector<char> copied = ReadAll(clip);
    ASSERT_EQ(copied.size(), 4u * 1048576u); // blocks 1 to 4 (the first block is never copied)
    EXPECT_TRUE(std::equal(copied.begin(), copied.end(), all.begin() + 1048576));
    EXPECT_EQ(Main().Media().Status(), L"Playing");
    EXPECT_FALSE(IsWindowVisible(Main().Cutsld()));
    EXPECT_FALSE(Main().Button(kSave).Enabled());
    EXPECT_FALSE(Main().Button(kEnd).Enabled());
}

TEST_F(MediaCommands, AnsweringNoToTheReplaceQuestionWritesNothingAndResumes) {
    ScratchFolder folder;
    const std::wstring source = folder.File(L"long.wav");
    const std::wstring existing = folder.File(L"keep.wav");
    WriteSilentWav(source, 30);
    { std::ofstream(std::filesystem::path(existing), std::ios::binary) << "keep me"; }
    PlayByDrop(source);
    ASSERT_TRUE(PumpUntil([&] { return Main().Pos().Max() == 30; }, 5000));
    BarMouse(WM_LBUTTONDOWN, 0);
    Click(Cmd::Start);
    BarMouse(WM_MOUSEMOVE, BarWidth());
    Click(Cmd::End);
    BarMouse(WM_LBUTTONUP, 0);
    Click(Cmd::Pause);
    Main().CD().SetSaveCall([&](OPENFILENAMEW& ofn) {
        wcscpy_s(ofn.lpstrFile, ofn.nMaxFile, existing.c_str());
        return true;
    });
    answer_ = IDNO;
    Click(Cmd::mnuSave);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, L"Save File");
    EXPECT_EQ(messages_[0].text, existing + L" already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(messages_[0].type & MB_YESNO, static_cast<UINT>(MB_YESNO));
    const std::vector<char> kept = ReadAll(existing);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
    EXPECT_EQ(Main().Media().Status(), L"Playing") << "resumed, although it was paused before";
    EXPECT_FALSE(IsWindowVisible(Main().Cutsld()));
}

TEST_F(MediaCommands, ACancelledSaveDialogChangesNothing) {
    PlayByDrop(TestMediaPath(L"tone-10s.wav"));
    Click(Cmd::Start);
    Main().CD().SetSaveCall([](OPENFILENAMEW&) { return false; });
    Main().Button(kSave).Enabled(true);
    Click(Cmd::Save);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(Main().Button(kSave).Enabled());
    EXPECT_TRUE(IsWindowVisible(Main().Cutsld()));
    EXPECT_EQ(Main().Media().Status(), L"Playing");
}

TEST_F(MediaCommands, PlayableSaveOfAContainerNoPlannerReadsSaysWhyAndNoWritesNothing) {
    ScratchFolder folder;
    const std::wstring clip = folder.File(L"clip.ogg");
    PlayByDrop(TestMediaPath(L"tone-10s.ogg"));
    MarkRange(2, 6);
    answer_ = IDNO;
    SavePlayableAs(clip);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text.rfind(L"This file cannot be saved as a playable clip: ", 0), 0u)
        << messages_[0].text;
    EXPECT_EQ(messages_[0].type & MB_YESNO, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(folder.path()))) << "nothing written on No";
    EXPECT_EQ(Main().Media().Status(), L"Playing");
}

class PlayableClips : public MediaCommands {
  protected:
    // Plays the sample, marks 1.5 s to 3.5 s while it plays and saves it through the real
    // Save; the clip must decode, cover the marks and reopen in the engine.
    void SaveAndCheck(const PlayableFormat& format, const ScratchFolder& folder) {
        const std::wstring source = TestMediaPath(format.media);
        const std::wstring clip =
            folder.File(std::wstring(L"clip-") + format.media + L"." + format.extension);
        messages_.clear();
        std::optional<MediaMarks> marks;
        if (format.engineTimesIt) {
            PlayByDrop(source);
            MarkWhilePlaying(1.5, 3.5);
            marks = Main().Cuts().Marks();
            ASSERT_TRUE(marks);
            SavePlayableAs(clip);
            EXPECT_EQ(Main().Media().Status(), L"Playing");
        } else {
            // Without a duration the program does not open the file: the writer that Save
            // uses writes the clip of the marks a user would make.
            marks = MediaMarks{1.5, 3.5};
            SavePlayableClip(source, clip, klevotrim::clip::Marks{marks->start, marks->end},
                             BlockCut{1, 4, std::nullopt}, Main().hwnd(), false);
        }
        ASSERT_EQ(messages_.size(), 1u)
            << (messages_.empty() ? "" : ::testing::PrintToString(messages_[0].text));
        EXPECT_EQ(messages_[0].text, L"Part of file has been saved successfully");
        EXPECT_EQ(messages_[0].title, L"Finish");

        // It decodes without a complaint (but the one its format may make about its first frame).
        const ClipProbe probe = ProbeClip(clip, source);
        std::istringstream lines(probe.decodeErrors);
        for (std::string line; std::getline(lines, line);) {
            const bool allowed =
                format.allowedDecodeError && line.find(format.allowedDecodeError) != std::string::npos;
            EXPECT_TRUE(allowed) << line;
        }
        // It begins at the start mark or at the random-access point before it, and ends at the
        // end mark or with the packet or cluster that holds it.
        const double wanted = marks->end - marks->start;
        if (format.times == ClipTimes::FromZero) {
            EXPECT_NEAR(probe.start, 0.0, format.accuracy);
            EXPECT_GE(probe.duration, wanted - format.accuracy);
            EXPECT_LE(probe.duration, wanted + format.keyframeGap + format.endGap + format.accuracy);
        } else {
            const double begins = probe.start - probe.sourceStart;
            EXPECT_GE(begins, marks->start - format.keyframeGap - format.accuracy);
            EXPECT_LE(begins, marks->start + format.accuracy);
            EXPECT_GE(begins + probe.duration, marks->end - format.accuracy);
            EXPECT_LE(begins + probe.duration, marks->end + format.endGap + format.accuracy);
        }

        // The program's own engine opens the clip and finds that duration.
        HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                     nullptr, nullptr);
        {
            clsMedia reopened;
            reopened.FileName(clip, owner);
            if (format.engineTimesIt) {
                EXPECT_TRUE(reopened.Max());
                EXPECT_NEAR(reopened.Max().value_or(-1), probe.duration, format.accuracy);
            } else {
                // Wine gives a transport stream no duration (nor its source): the clip must play.
                EXPECT_EQ(reopened.Play(), S_OK);
                EXPECT_TRUE(PumpUntil([&] { return reopened.Position().value_or(0) >= 0.5; }, 3000));
            }
        }
        DestroyWindow(owner);
    }
};

// One window saves every sample in turn, as a user does, to keep the run short.
TEST_F(PlayableClips, TheRealSaveWritesClipsThatDecodeCoverTheMarksAndReopen) {
    const ClipTimes zero = ClipTimes::FromZero, span = ClipTimes::SourceSpan;
    // clang-format off
    const PlayableFormat formats[] = {
        {"WAV", L"tone-10s.wav", L"wav", 0.0, 0.0, 0.05, zero},
        // The first frame may lean on the bit reservoir of frames left behind.
        {"MP3", L"tone-10s.mp3", L"mp3", 0.05, 0.05, 0.1, zero, "reservoir"},
        {"ADTS AAC", L"tone-10s.aac", L"aac", 0.05, 0.05, 0.1, zero},
        {"AVI", L"clip-10s.avi", L"avi", 0.05, 0.05, 0.1, zero},
        {"MP4", L"keyed-10s.mp4", L"mp4", 1.0, 0.05, 0.1, zero},
        {"MOV", L"keyed-10s.mov", L"mov", 1.0, 0.05, 0.1, zero},
        {"Matroska", L"keyed-10s.mkv", L"mkv", 1.0, 1.0, 0.1, span},
        {"WebM", L"keyed-10s.webm", L"webm", 1.0, 1.0, 0.1, span},
        // Wine's engine finds a program stream about 0.15 s shorter than ffprobe does (the source too).
        {"MPEG program stream", L"clip-10s.mpg", L"mpg", 0.5, 0.1, 0.2, span},
        {"MPEG transport stream", L"keyed-10s.ts", L"ts", 1.0, 0.25, 0.15, span, nullptr, false},
        {"WMV", L"clip-10s.wmv", L"wmv", 0.5, 0.15, 0.1, span},
        {"WMA", L"tone-10s.wma", L"wma", 0.2, 0.15, 0.1, span},
    };
    // clang-format on
    ScratchFolder folder;
    for (const PlayableFormat& format : formats) {
        SCOPED_TRACE(format.name);
        SaveAndCheck(format, folder);
    }
}
