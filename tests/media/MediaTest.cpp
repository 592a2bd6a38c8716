#include "media/Media.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "cutting/FunctionsWin.h"

#include <dshow.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using klevotrim::clsMedia;
using klevotrim::test::PumpMessages;
using klevotrim::test::PumpUntil;
using klevotrim::test::TestMediaPath;
using klevotrim::win::ComApartment;
using klevotrim::win::UniqueWindow;
using Microsoft::WRL::ComPtr;

namespace {

constexpr COLORREF kOwnerBackground = RGB(255, 0, 255);
constexpr wchar_t kUnicodeWav[] = L"T\u00f6ne \u043a\u043b\u0438\u043f \u97f3.wav";

// A plain window to own the video picture, painted in a colour no sample frame has.
UniqueWindow MakeOwner(int width = 320, int height = 240, bool visible = false) {
    static const bool registered =
        klevotrim::win::EnsureWindowClass({.name = L"KlevotrimMediaTestOwner",
                                           .instance = GetModuleHandleW(nullptr),
                                           // lives as long as the class
                                           .background = CreateSolidBrush(kOwnerBackground),
                                           .procedure = DefWindowProcW});
    EXPECT_TRUE(registered);
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOPMOST);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"KlevotrimMediaTestOwner", L"owner",
                                  WS_POPUP | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    return UniqueWindow(window);
}

int Position(const clsMedia& media) {
    std::int32_t seconds = -1;
    EXPECT_EQ(media.Pos(seconds), S_OK);
    return seconds;
}

// Runs `work` on a thread of its own (with its own COM apartment and message loop) and
// waits at most `timeoutMs`. A graph that deadlocks would otherwise hang the whole run: on a
// timeout the failure is reported and the test program ends at once.
void MustFinishWithin(DWORD timeoutMs, const char* what, std::function<void()> work) {
    struct Job {
        std::function<void()> work;
    };
    auto job = std::make_unique<Job>(Job{std::move(work)});
    klevotrim::win::UniqueKernelHandle thread(CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            ComApartment com;
            static_cast<Job*>(parameter)->work();
            return 0;
        },
        job.get(), 0, nullptr));
    ASSERT_TRUE(thread);
    if (!PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, timeoutMs)) {
        ADD_FAILURE() << what << " did not finish within " << timeoutMs / 1000 << " s: the graph hangs";
        std::fflush(stdout);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

class MediaTest : public ::testing::Test {
  protected:
    ComApartment com_;
};

} // namespace

// --- A new engine, and calls without a graph -------------------------------------------

TEST_F(MediaTest, NewEngineHasNoStatusPositionDurationOrPicture) {
    clsMedia media;
    EXPECT_EQ(media.Status(), L"");
    std::int32_t seconds = 42;
    EXPECT_EQ(media.Pos(seconds), S_OK);
    EXPECT_EQ(seconds, 0);
    EXPECT_FALSE(media.Max().has_value());
    EXPECT_EQ(media.VideoWidth(), 0);
    EXPECT_EQ(media.VideoHeight(), 0);
    EXPECT_FALSE(media.IzVideo());
}

TEST_F(MediaTest, CommandsWithoutAGraphChangeNothingNotEvenTheStatus) {
    clsMedia media;
    EXPECT_EQ(media.Play(), S_OK);
    EXPECT_EQ(media.Pause(), S_OK);
    EXPECT_EQ(media.Stop_(), S_OK);
    EXPECT_EQ(media.Close_(), S_OK);
    EXPECT_EQ(media.Volume(-500), S_OK);
    media.SetPos(5);
    media.AutoResize();
    EXPECT_EQ(media.Status(), L"");
    EXPECT_EQ(Position(media), 0);
    EXPECT_FALSE(media.Max().has_value());
}

TEST_F(MediaTest, EmptyFileNameChangesNothing) {
    clsMedia fresh;
    fresh.FileName(L"", nullptr);
    EXPECT_FALSE(fresh.Max().has_value());
    EXPECT_EQ(fresh.Status(), L"");

    clsMedia media;
    media.FileName(TestMediaPath(L"tone-10s.wav"), nullptr);
    ASSERT_EQ(media.Play(), S_OK);
    PumpMessages(300);
    media.FileName(L"", nullptr);
    EXPECT_EQ(media.Status(), L"Playing");
    ASSERT_TRUE(media.Max().has_value());
    EXPECT_NEAR(*media.Max(), 10.0, 0.1) << "the playing graph is still there";
    EXPECT_TRUE(PumpUntil([&] { return Position(media) >= 1; }, 5000)) << "and still plays";
    EXPECT_EQ(media.Stop_(), S_OK);
}

// --- Rendering every kind of sample ----------------------------------------------------

TEST_F(MediaTest, AudioRendersWithoutASoundCard) {
    // Without a (null) sound device RenderFile refuses audio with VFW_E_CANNOT_RENDER, or
    // drops the sound of a film with VFW_S_PARTIAL_RENDER.
    for (const wchar_t* name : {L"tone-10s.wav", L"tone-10s.mp3", L"clip-10s.avi", L"clip-10s.mpg"}) {
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)),
                  S_OK);
        EXPECT_EQ(graph->RenderFile(TestMediaPath(name).c_str(), nullptr), S_OK) << "rendering " << name;
    }
    clsMedia media;
    media.FileName(TestMediaPath(L"tone-10s.mp3"), nullptr);
    EXPECT_EQ(media.Volume(-1000), S_OK) << "the graph has an audio renderer";
}

TEST_F(MediaTest, DurationsMatchTheGeneratedFiles) {
    // The MPEG-1 program streams come out of the generator 9.92 s long (ffprobe says so too).
    const struct {
        const wchar_t* name;
        double seconds;
    } samples[] = {{L"tone-10s.wav", 10},   {L"tone-10s.mp3", 10},         {L"short-1.5s.wav", 1.5},
                   {L"clip-10s.mpg", 9.92}, {L"clip-10s.avi", 10},         {L"clip-10s.wmv", 10},
                   {L"clip-10s.mp4", 10},   {L"video-only-10s.mpg", 9.92}, {kUnicodeWav, 10}};
    clsMedia media; // one engine, so that each FileName also replaces the previous graph
    for (const auto& sample : samples) {
        media.FileName(TestMediaPath(sample.name), nullptr);
        const auto duration = media.Max();
        ASSERT_TRUE(duration.has_value()) << "no duration for " << sample.name;
        EXPECT_NEAR(*duration, sample.seconds, 0.1) << sample.name;
    }
}

TEST_F(MediaTest, VideoReportsItsPictureSizeAndAudioNone) {
    UniqueWindow owner = MakeOwner();
    ASSERT_TRUE(owner);
    for (const wchar_t* name :
         {L"clip-10s.mpg", L"clip-10s.avi", L"clip-10s.wmv", L"clip-10s.mp4", L"video-only-10s.mpg"}) {
        clsMedia media;
        media.FileName(TestMediaPath(name), owner.get());
        EXPECT_EQ(media.VideoWidth(), 320) << name;
        EXPECT_EQ(media.VideoHeight(), 240) << name;
        EXPECT_TRUE(media.IzVideo()) << name;
        EXPECT_NE(GetWindow(owner.get(), GW_CHILD), nullptr) << "the picture moved into the owner: " << name;
    }
    PumpMessages(50);
    EXPECT_EQ(GetWindow(owner.get(), GW_CHILD), nullptr) << "released graphs take their picture along";

    for (const wchar_t* name : {L"tone-10s.wav", L"tone-10s.mp3"}) {
        clsMedia media;
        media.FileName(TestMediaPath(name), owner.get());
        EXPECT_EQ(media.VideoWidth(), 0) << name;
        EXPECT_EQ(media.VideoHeight(), 0) << name;
        EXPECT_FALSE(media.IzVideo()) << name;
        EXPECT_EQ(GetWindow(owner.get(), GW_CHILD), nullptr) << "audio leaves the owner alone: " << name;
        media.AutoResize(); // no picture: nothing to fit, nothing to fail
    }
}

// --- Playing, seeking, pausing, stopping, closing ---------------------------------------

TEST_F(MediaTest, PositionAdvancesWhilePlayingAndWritingItSeeks) {
    clsMedia media;
    media.FileName(TestMediaPath(L"tone-10s.wav"), nullptr);
    EXPECT_EQ(Position(media), 0);
    ASSERT_EQ(media.Play(), S_OK);
    EXPECT_EQ(media.Status(), L"Playing");
    EXPECT_TRUE(PumpUntil([&] { return Position(media) >= 1; }, 5000));

    media.SetPos(7);
    EXPECT_EQ(Position(media), 7);
    EXPECT_TRUE(PumpUntil([&] { return Position(media) >= 8; }, 5000)) << "plays on from the new place";
    media.SetPos(2);
    EXPECT_EQ(Position(media), 2) << "and seeks back as well";
    EXPECT_EQ(media.Status(), L"Playing") << "seeking is no command";
    EXPECT_EQ(media.Stop_(), S_OK);
}

TEST_F(MediaTest, PauseHoldsThePositionStopKeepsItCloseDropsTheGraph) {
    clsMedia media;
    media.FileName(TestMediaPath(L"tone-10s.mp3"), nullptr);
    ASSERT_EQ(media.Play(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return Position(media) >= 1; }, 5000));

    ASSERT_EQ(media.Pause(), S_OK);
    EXPECT_EQ(media.Status(), L"Paused");
    media.SetPos(4);
    EXPECT_EQ(Position(media), 4);
    PumpMessages(1200);
    EXPECT_EQ(Position(media), 4) << "paused media does not move";

    ASSERT_EQ(media.Stop_(), S_OK);
    EXPECT_EQ(media.Status(), L"Stopped");
    EXPECT_EQ(Position(media), 4) << "stopping keeps the position";
    PumpMessages(600);
    EXPECT_EQ(Position(media), 4);

    ASSERT_EQ(media.Play(), S_OK);
    EXPECT_EQ(media.Status(), L"Playing");
    EXPECT_TRUE(PumpUntil([&] { return Position(media) >= 5; }, 5000)) << "plays on from there";

    ASSERT_EQ(media.Close_(), S_OK);
    EXPECT_EQ(media.Status(), L"Playing") << "closing changes no flag";
    EXPECT_FALSE(media.Max().has_value());
    EXPECT_EQ(Position(media), 0);
}

TEST_F(MediaTest, AfterStopAndCloseTheStatusStaysStoppedAndPlayDoesNothing) {
    clsMedia media;
    media.FileName(TestMediaPath(L"short-1.5s.wav"), nullptr);
    ASSERT_EQ(media.Play(), S_OK);
    ASSERT_EQ(media.Stop_(), S_OK);
    ASSERT_EQ(media.Close_(), S_OK);
    EXPECT_EQ(media.Status(), L"Stopped");
    EXPECT_FALSE(media.Max().has_value());

    EXPECT_EQ(media.Play(), S_OK);
    EXPECT_EQ(media.Pause(), S_OK);
    EXPECT_EQ(media.Status(), L"Stopped") << "no graph, no command";
    EXPECT_EQ(Position(media), 0);
    EXPECT_EQ(media.Close_(), S_OK) << "a second close is harmless";

    media.FileName(TestMediaPath(L"short-1.5s.wav"), nullptr);
    EXPECT_EQ(media.Status(), L"Stopped") << "opening keeps the reported status";
    ASSERT_TRUE(media.Max().has_value());
    EXPECT_NEAR(*media.Max(), 1.5, 0.1);
    EXPECT_EQ(media.Play(), S_OK);
    EXPECT_EQ(media.Status(), L"Playing");
}

TEST_F(MediaTest, ANewFileReplacesAPlayingGraphAndKeepsTheStatus) {
    clsMedia media;
    media.FileName(TestMediaPath(L"tone-10s.wav"), nullptr);
    ASSERT_EQ(media.Play(), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return Position(media) >= 1; }, 5000));
    media.FileName(TestMediaPath(L"short-1.5s.wav"), nullptr);
    EXPECT_EQ(media.Status(), L"Playing");
    ASSERT_TRUE(media.Max().has_value());
    EXPECT_NEAR(*media.Max(), 1.5, 0.1);
    EXPECT_EQ(Position(media), 0) << "the new graph has not started";
}

// --- Files that cannot be played -------------------------------------------------------

TEST_F(MediaTest, NonMediaAndMissingFilesRaiseNothingAndChangeNoFlag) {
    UniqueWindow owner = MakeOwner();
    for (const std::wstring& path : {TestMediaPath(L"not-media.mp3"), TestMediaPath(L"no-such-file.wav"),
                                     std::wstring(L"Q:\\nowhere\\x.avi")}) {
        clsMedia media;
        media.FileName(TestMediaPath(L"tone-10s.wav"), owner.get());
        ASSERT_EQ(media.Pause(), S_OK);
        media.FileName(path, owner.get());
        EXPECT_EQ(media.Status(), L"Paused");
        EXPECT_FALSE(media.IzVideo());
        EXPECT_EQ(media.VideoWidth(), 0);
        EXPECT_EQ(GetWindow(owner.get(), GW_CHILD), nullptr);
        const auto duration = media.Max();
        EXPECT_TRUE(!duration || *duration == 0.0) << "nothing to play";
        media.AutoResize();
        media.SetPos(3);
        std::int32_t seconds = -1;
        (void)media.Pos(seconds); // may fail with the platform's code, must not crash
        // Closing ends the half-built graph whatever it reports.
        (void)media.Close_();
        EXPECT_EQ(media.Status(), L"Paused");
        EXPECT_FALSE(media.Max().has_value());
    }
}

// --- Unicode paths ---------------------------------------------------------------------

TEST_F(MediaTest, UnicodeNamedFileIsFoundOpensAndPlays) {
    const std::wstring path = TestMediaPath(kUnicodeWav);
    EXPECT_TRUE(klevotrim::FileExists(path));
    clsMedia media;
    media.FileName(path, nullptr);
    ASSERT_TRUE(media.Max().has_value());
    EXPECT_NEAR(*media.Max(), 10.0, 0.1);
    ASSERT_EQ(media.Play(), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return Position(media) >= 1; }, 5000));
    EXPECT_EQ(media.Stop_(), S_OK);
}

// --- Films: seeking in graphs with sound and picture -----------------------------------

TEST_F(MediaTest, SeekingAFilmWhilePlayingOrPausedDoesNotHangStopOrRelease) {
    for (const wchar_t* name : {L"clip-10s.mpg", L"clip-10s.avi"}) {
        const std::wstring path = TestMediaPath(name);
        // Seek while running, then Stop_ and Close_.
        MustFinishWithin(20000, "stop after a seek while playing", [&] {
            UniqueWindow owner = MakeOwner();
            clsMedia media;
            media.FileName(path, owner.get());
            ASSERT_TRUE(media.IzVideo());
            ASSERT_EQ(media.Play(), S_OK);
            PumpMessages(500);
            media.SetPos(5);
            EXPECT_EQ(Position(media), 5) << name;
            EXPECT_TRUE(PumpUntil([&] { return Position(media) >= 6; }, 4000)) << "plays on: " << name;
            EXPECT_EQ(media.Status(), L"Playing");
            EXPECT_EQ(media.Stop_(), S_OK);
            EXPECT_EQ(media.Close_(), S_OK);
        });
        // Seek while paused, then resume, seek again and drop the engine while running.
        MustFinishWithin(20000, "release after seeks while paused and playing", [&] {
            UniqueWindow owner = MakeOwner();
            clsMedia media;
            media.FileName(path, owner.get());
            ASSERT_EQ(media.Pause(), S_OK);
            PumpMessages(300);
            media.SetPos(3);
            EXPECT_EQ(Position(media), 3) << name;
            PumpMessages(600);
            EXPECT_EQ(Position(media), 3) << "still paused: " << name;
            EXPECT_EQ(media.Status(), L"Paused");
            ASSERT_EQ(media.Play(), S_OK);
            PumpMessages(300);
            media.SetPos(8);
            EXPECT_EQ(Position(media), 8) << name;
        });
    }
}

// --- The picture inside its owner window -----------------------------------------------

namespace {

// Reads the owner's client area from the screen and counts the pixels the picture covers
// (those not in the owner's own colour) and how many different colours they show.
struct ScreenSample {
    int covered = 0;
    int total = 0;
    std::size_t colours = 0;
};

ScreenSample SampleClientArea(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int width = client.right, height = client.bottom;
    klevotrim::win::WindowDc screen(nullptr);
    klevotrim::win::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    klevotrim::win::UniqueBitmap bitmap(
        CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScreenSample sample;
    if (!memory || !bitmap || !bits)
        return sample;
    {
        klevotrim::win::SelectScope select(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), origin.x, origin.y, SRCCOPY);
    }
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    const std::uint32_t background = 0xFF00FF; // RGB(255, 0, 255) as 0x00RRGGBB
    std::set<std::uint32_t> seen;
    for (int i = 0; i < width * height; ++i) {
        const std::uint32_t pixel = pixels[i] & 0xFFFFFF;
        ++sample.total;
        if (pixel != background) {
            ++sample.covered;
            seen.insert(pixel & 0xF0F0F0);
        }
    }
    sample.colours = seen.size();
    return sample;
}

} // namespace

TEST_F(MediaTest, FramesShowInsideTheOwnerAndFillItAfterAutoResize) {
    UniqueWindow owner = MakeOwner(400, 300, true);
    ASSERT_TRUE(owner);
    PumpMessages(100);
    ASSERT_EQ(SampleClientArea(owner.get()).covered, 0) << "the owner shows only its own colour";

    clsMedia media;
    media.FileName(TestMediaPath(L"clip-10s.avi"), owner.get());
    ASSERT_TRUE(media.IzVideo());
    ASSERT_EQ(media.Play(), S_OK);
    media.AutoResize();

    HWND picture = GetWindow(owner.get(), GW_CHILD);
    ASSERT_NE(picture, nullptr);
    RECT pictureRect{};
    GetWindowRect(picture, &pictureRect);
    MapWindowPoints(nullptr, owner.get(), reinterpret_cast<POINT*>(&pictureRect), 2);
    EXPECT_EQ(pictureRect.left, 0);
    EXPECT_EQ(pictureRect.top, 0);
    EXPECT_EQ(pictureRect.right, 400);
    EXPECT_EQ(pictureRect.bottom, 300);

    ScreenSample sample;
    const bool shown = PumpUntil(
        [&] {
            sample = SampleClientArea(owner.get());
            return sample.covered > sample.total * 9 / 10 && sample.colours >= 6;
        },
        5000);
    EXPECT_TRUE(shown) << "covered " << sample.covered << " of " << sample.total << " pixels in "
                       << sample.colours << " colours";

    // The owner grows: AutoResize follows it.
    SetWindowPos(owner.get(), nullptr, 0, 0, 480, 360, SWP_NOMOVE | SWP_NOZORDER);
    media.AutoResize();
    GetWindowRect(picture, &pictureRect);
    EXPECT_EQ(pictureRect.right - pictureRect.left, 480);
    EXPECT_EQ(pictureRect.bottom - pictureRect.top, 360);
    EXPECT_EQ(media.Stop_(), S_OK);
}
