#include "ClipWriterTestSupport.h"
#include "TestSupport.h"
#include "cutting/PlayableClipText.h"
#include "cutting/PlayableClipWriter.h"
#include "cutting/ProgressBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <memory>

using namespace klevotrim;
using namespace klevotrim::test;

namespace {

constexpr std::int64_t MiB = 1048576;

// The bytes [from, from + length) of a pattern file.
std::vector<std::uint8_t> PatternRange(std::int64_t from, std::int64_t length) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    for (std::int64_t i = 0; i < length; ++i)
        bytes[static_cast<std::size_t>(i)] = PatternByte(from + i);
    return bytes;
}

bool HasPartFiles(const std::wstring& folder) {
    auto files = FilesIn(folder);
    return std::any_of(files.begin(), files.end(),
                       [](const std::wstring& name) { return name.find(L".part") != std::wstring::npos; });
}

struct ProgressSeen {
    std::int64_t block;
    std::int64_t blocks;
    std::int32_t maximum;
    std::int32_t value;
};

class ClipWriterCopy : public ::testing::Test {
  protected:
    ScratchFolder folder;
    OwnerWindow owner;
    std::wstring source = folder.File(L"source.mpg");
    std::wstring destination = folder.File(L"clip.mpg");
};

} // namespace

TEST_F(ClipWriterCopy, WorkedExampleCopiesTheRangeByteForByteWithProgress) {
    WritePatternFile(source, 10485760);
    ScriptedMessageBoxes boxes;
    std::vector<ProgressSeen> seen;
    HWND progressWindow = nullptr;
    ObserveBlocks observe([&](const CutProgress& p) {
        seen.push_back(
            {p.block, p.blocks, ProgressBar::Maximum(p.progressBar), ProgressBar::Value(p.progressBar)});
        if (p.block != 1)
            return;
        progressWindow = p.progressWindow;
        // frmProgress: "Progress...", client 335 x 49, owned by the main window, visible, not topmost.
        wchar_t caption[64] = {};
        GetWindowTextW(p.progressWindow, caption, 64);
        EXPECT_STREQ(caption, L"Progress...");
        RECT client{};
        GetClientRect(p.progressWindow, &client);
        EXPECT_EQ(client.right, 335);
        EXPECT_EQ(client.bottom, 49);
        EXPECT_EQ(GetWindow(p.progressWindow, GW_OWNER), owner.get());
        EXPECT_TRUE(IsWindowVisible(p.progressWindow));
        EXPECT_FALSE(GetWindowLongPtrW(p.progressWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
        // Prg: 321 x 17 at (8, 16) of the client area.
        RECT bar{};
        GetWindowRect(p.progressBar, &bar);
        MapWindowPoints(nullptr, p.progressWindow, reinterpret_cast<POINT*>(&bar), 2);
        EXPECT_EQ(bar.left, 8);
        EXPECT_EQ(bar.top, 16);
        EXPECT_EQ(bar.right - bar.left, 321);
        EXPECT_EQ(bar.bottom - bar.top, 17);
        // The clip is written beside the destination while the copy runs.
        EXPECT_FALSE(FileIsThere(destination));
        EXPECT_TRUE(FileIsThere(p.temporaryPath));
    });

    CutResult result = CutFile(source, destination, 25, 75, 100.4, owner.get(), false);

    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(result.bytesWritten, 5242880);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(2097152, 5242880));
    ASSERT_EQ(seen.size(), 5u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].block, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(seen[i].maximum, 4);
        EXPECT_EQ(seen[i].value, static_cast<std::int32_t>(i));
    }
    EXPECT_FALSE(IsWindow(progressWindow)) << "the progress window is unloaded at the end";
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, L"Part of file has been saved successfully");
    EXPECT_EQ(boxes.shown()[0].title, L"Finish");
    EXPECT_EQ(boxes.shown()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(boxes.shown()[0].owner, owner.get());
    EXPECT_EQ(FilesIn(folder.path()).size(), 2u) << "nothing but the source and the clip";
}

TEST_F(ClipWriterCopy, OneBlockCopySetsTheBarToZeroOfZero) {
    WritePatternFile(source, 3 * MiB + 123);
    ScriptedMessageBoxes boxes;
    std::vector<ProgressSeen> seen;
    ObserveBlocks observe([&](const CutProgress& p) {
        seen.push_back(
            {p.block, p.blocks, ProgressBar::Maximum(p.progressBar), ProgressBar::Value(p.progressBar)});
    });
    CutResult result = CutFile(source, destination, 1, 2, 3.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].maximum, 0);
    EXPECT_EQ(seen[0].value, 0);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, MiB));
}

TEST_F(ClipWriterCopy, ReplacingALongerFileLeavesExactlyTheClip) {
    WritePatternFile(source, 10 * MiB);
    WriteFilledFile(destination, 20 * MiB + 7, 0xEE);
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 25, 75, 100.4, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(2 * MiB, 5 * MiB));
    EXPECT_FALSE(HasPartFiles(folder.path()));
}

TEST_F(ClipWriterCopy, StartAtZeroSkipsTheFirstBlock) {
    WritePatternFile(source, 4 * MiB);
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 0, 4, 4.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, 3 * MiB));
}

TEST_F(ClipWriterCopy, UnicodeNamesWorkEndToEnd) {
    const std::wstring unicodeSource = folder.File(L"T\u00f6ne \u043a\u043b\u0438\u043f \u97f3.wav");
    const std::wstring unicodeClip = folder.File(L"\u0421\u0440\u0435\u0437 \u00e9t\u00e9.wav");
    WritePatternFile(unicodeSource, 3 * MiB);
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(unicodeSource, unicodeClip, 1, 3, 3.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(unicodeClip), PatternRange(MiB, 2 * MiB));
}

TEST_F(ClipWriterCopy, ProgressWindowFollowsTheAlwaysOnTopFlag) {
    WritePatternFile(source, 3 * MiB);
    ScriptedMessageBoxes boxes;
    bool topmost = false;
    ObserveBlocks observe([&](const CutProgress& p) {
        topmost = (GetWindowLongPtrW(p.progressWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    });
    CutFile(source, destination, 1, 3, 3.0, owner.get(), true);
    EXPECT_TRUE(topmost);
}

TEST_F(ClipWriterCopy, PendingEventsRunAfterEveryBlock) {
    WritePatternFile(source, 5 * MiB);
    ScriptedMessageBoxes boxes;
    std::vector<int> handled;
    PostMessageW(owner.get(), WM_APP, 0, 0);
    ObserveBlocks observe([&](const CutProgress&) {
        handled.push_back(owner.appMessages());
        PostMessageW(owner.get(), WM_APP, 0, 0);
    });
    CutFile(source, destination, 1, 5, 5.0, owner.get(), false);
    EXPECT_EQ(handled, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ClipWriterCopy, OwnerClosedDuringTheCopyDoesNotStopIt) {
    WritePatternFile(source, 5 * MiB);
    ScriptedMessageBoxes boxes;
    ObserveBlocks observe([&](const CutProgress& p) {
        if (p.block == 2)
            DestroyWindow(owner.get());
    });
    HWND ownerWindow = owner.get();
    CutResult result = CutFile(source, destination, 1, 5, 5.0, ownerWindow, false);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, 4 * MiB));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].owner, nullptr);
}

TEST_F(ClipWriterCopy, SourceHeldOpenByAPlayerThatDeniesWritersIsStillRead) {
    WritePatternFile(source, 3 * MiB);
    // A graph typically reads with read sharing only: any writer would be refused.
    HANDLE player = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(player, INVALID_HANDLE_VALUE);
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 1, 3, 3.0, owner.get(), false);
    CloseHandle(player);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, 2 * MiB));
}

// ---- Playable clips: the plan's header, source range and trailer, saved as the block range is.

TEST_F(ClipWriterCopy, APlanIsWrittenAsHeaderRangeAndTrailerWithProgressInMiB) {
    WritePatternFile(source, 12 * MiB);
    // A player holding the source with read sharing only: any writer would be refused.
    HANDLE player = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(player, INVALID_HANDLE_VALUE);
    clip::ClipPlan plan;
    plan.header = {'h', 'e', 'a', 'd'};
    plan.rangeBegin = MiB + 5; // unaligned, and longer than two large reads
    plan.rangeEnd = plan.rangeBegin + 9 * MiB + 3;
    plan.trailer = {'t', 'a', 'i', 'l', '!'};
    // Bytes of its own in the middle, in place of two of the source's.
    const std::uint64_t spliceAt = plan.rangeBegin + 5 * MiB + 1;
    plan.splices.push_back({spliceAt, spliceAt + 2, {'m', 'i', 'd'}});
    ScriptedMessageBoxes boxes;
    std::vector<ProgressSeen> seen;
    ObserveBlocks observe([&](const CutProgress& p) {
        seen.push_back(
            {p.block, p.blocks, ProgressBar::Maximum(p.progressBar), ProgressBar::Value(p.progressBar)});
        EXPECT_FALSE(FileIsThere(destination)) << "the clip appears only once complete";
    });

    CutResult result = WriteClipPlan(source, destination, plan, owner.get(), false);
    CloseHandle(player);

    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    std::vector<std::uint8_t> expected = plan.header;
    const auto before = PatternRange(static_cast<std::int64_t>(plan.rangeBegin), 5 * MiB + 1);
    const auto after = PatternRange(static_cast<std::int64_t>(spliceAt + 2), 4 * MiB);
    expected.insert(expected.end(), before.begin(), before.end());
    expected.insert(expected.end(), {'m', 'i', 'd'});
    expected.insert(expected.end(), after.begin(), after.end());
    expected.insert(expected.end(), plan.trailer.begin(), plan.trailer.end());
    EXPECT_EQ(result.bytesWritten, static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(ReadWholeFile(destination), expected);
    // Ten MiB (the last one partly) in reads of several MiB: the bar counts MiB to its end,
    // shown after the first read, now and then, and after the last.
    ASSERT_GE(seen.size(), 2u);
    ASSERT_LE(seen.size(), (9 * MiB + 3 + PlayableCopyBlock - 1) / PlayableCopyBlock);
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_GT(seen[i].value, seen[i - 1].value);
    EXPECT_EQ(seen.back().block, 10);
    EXPECT_EQ(seen.back().blocks, 10);
    EXPECT_EQ(seen.back().maximum, 9);
    EXPECT_EQ(seen.back().value, 9);
    EXPECT_EQ(seen.front().value, static_cast<std::int32_t>(PlayableCopyBlock / MiB) - 1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, L"Part of file has been saved successfully");
    EXPECT_EQ(boxes.shown()[0].title, L"Finish");
    EXPECT_EQ(FilesIn(folder.path()).size(), 2u);
}

TEST_F(ClipWriterCopy, APlanReachingBeyondTheSourceWritesNothing) {
    WritePatternFile(source, 3 * MiB);
    WriteFilledFile(destination, 100, 0xEE);
    clip::ClipPlan plan;
    plan.rangeBegin = MiB;
    plan.rangeEnd = 3 * MiB + 1;
    ScriptedMessageBoxes boxes;
    CutResult result = WriteClipPlan(source, destination, plan, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_EQ(ReadWholeFile(destination), std::vector<std::uint8_t>(100, 0xEE));
    EXPECT_FALSE(HasPartFiles(folder.path()));
}

TEST_F(ClipWriterCopy, AFileNoPlannerKnowsOffersTheExactBlockRangeAndNoWritesNothing) {
    WritePatternFile(source, 5 * MiB); // no container's signature
    {
        ScriptedMessageBoxes boxes(IDNO);
        PlayableSaveResult result = SavePlayableClip(source, destination, clip::Marks{1.5, 3.5},
                                                     BlockCut{1, 4, 5.0}, owner.get(), false);
        EXPECT_EQ(result.save.outcome, CutOutcome::NothingSaved);
        EXPECT_EQ(result.planStatus, clip::PlanStatus::NotThisFormat);
        EXPECT_TRUE(result.blockRangeOffered);
        EXPECT_FALSE(result.blockRangeSaved);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, NotPlayableQuestion(result.reason));
        EXPECT_EQ(boxes.shown()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
        EXPECT_EQ(FilesIn(folder.path()).size(), 1u) << "nothing written on No";
    }
    ScriptedMessageBoxes boxes(IDYES);
    PlayableSaveResult result =
        SavePlayableClip(source, destination, clip::Marks{1.5, 3.5}, BlockCut{1, 4, 5.0}, owner.get(), false);
    EXPECT_TRUE(result.blockRangeSaved);
    EXPECT_EQ(result.save.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, 3 * MiB)) << "exactly the designed range";
    EXPECT_EQ(boxes.shown().back().text, L"Part of file has been saved successfully");
}

TEST_F(ClipWriterCopy, MarksThatMakeNoClipAreExplainedAndWriteNothing) {
    WritePatternFile(source, 3 * MiB);
    for (const std::optional<clip::Marks> marks :
         {std::optional<clip::Marks>{}, std::optional(clip::Marks{2, 2}), std::optional(clip::Marks{2, 1}),
          std::optional(clip::Marks{-1, 2})}) {
        ScriptedMessageBoxes boxes;
        PlayableSaveResult result =
            SavePlayableClip(source, destination, marks, BlockCut{1, 3, 3.0}, owner.get(), false);
        EXPECT_EQ(result.save.outcome, CutOutcome::NothingSaved);
        EXPECT_EQ(result.planStatus, clip::PlanStatus::BadMarks);
        EXPECT_FALSE(result.blockRangeOffered);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, BadMarksText(result.reason));
        EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
    }
}

TEST_F(ClipWriterCopy, SourcesBeyondFourGibibytesCutAt64BitOffsets) {
    // 5 GiB, sparse: only the marker blocks take space on disk.
    constexpr std::int64_t length = 5LL * 1024 * MiB;
    const std::int64_t first = 4500LL * MiB;    // offset of the clip's first byte
    const std::int64_t last = 4502LL * MiB - 1; // offset of its last byte
    WriteSparseFile(source, length,
                    {{first - 1, 0x11}, {first, 0xA1}, {first + MiB, 0xB2}, {last, 0xC3}, {last + 1, 0x44}});
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 4500, 4502, 5120.0, owner.get(), false);
    DeleteFileW(source.c_str());
    ASSERT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(result.range.O1, first);
    auto clip = ReadWholeFile(destination);
    ASSERT_EQ(clip.size(), static_cast<std::size_t>(2 * MiB));
    EXPECT_EQ(clip.front(), 0xA1);
    EXPECT_EQ(clip[MiB], 0xB2);
    EXPECT_EQ(clip.back(), 0xC3);
}

TEST_F(ClipWriterCopy, QuitDuringTheCopyLetsItFinishAndIsPassedOn) {
    WritePatternFile(source, 5 * MiB);
    ScriptedMessageBoxes boxes;
    int blocksAfterQuit = 0;
    ObserveBlocks observe([&](const CutProgress& p) {
        if (p.block == 1)
            PostQuitMessage(7);
        else
            ++blocksAfterQuit;
    });
    CutResult result = CutFile(source, destination, 1, 5, 5.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Saved);
    EXPECT_EQ(blocksAfterQuit, 3);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, 4 * MiB));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request is not lost";
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ClipWriterCopy, ASaveStartedDuringACopyRunsInsideItInTheSameProgressWindow) {
    WritePatternFile(source, 6 * MiB);
    const std::wstring second = folder.File(L"second.mpg");
    ScriptedMessageBoxes boxes;
    bool nested = false;
    CutResult inner;
    HWND outerWindow = nullptr;
    std::vector<HWND> innerWindows;
    std::vector<std::int32_t> outerValues;
    ObserveBlocks observe([&](const CutProgress& p) {
        if (nested) {
            innerWindows.push_back(p.progressWindow);
            return;
        }
        outerWindow = p.progressWindow;
        outerValues.push_back(ProgressBar::Value(p.progressBar));
        if (p.block != 2)
            return;
        nested = true;
        inner = CutFile(source, second, 3, 5, 6.0, owner.get(), false);
        nested = false;
        // Handed back at once with the outer copy's own maximum and value.
        EXPECT_EQ(ProgressBar::Maximum(p.progressBar), 4);
        EXPECT_EQ(ProgressBar::Value(p.progressBar), 1);
    });
    CutResult outer = CutFile(source, destination, 1, 6, 6.0, owner.get(), false);
    EXPECT_EQ(outer.outcome, CutOutcome::Saved);
    EXPECT_EQ(inner.outcome, CutOutcome::Saved);
    EXPECT_EQ(ReadWholeFile(destination), PatternRange(MiB, 5 * MiB));
    EXPECT_EQ(ReadWholeFile(second), PatternRange(3 * MiB, 2 * MiB));
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_FALSE(HasPartFiles(folder.path()));
    EXPECT_EQ(innerWindows, (std::vector<HWND>{outerWindow, outerWindow})) << "one window, never two";
    EXPECT_EQ(outerValues, (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(IsWindow(outerWindow)) << "unloaded when the outer copy ends";
}

// ---- Stopping a save: Esc in the progress window, or closing it ----

TEST_F(ClipWriterCopy, ClosingTheProgressWindowStopsAfterTheBlockAndKeepsTheOldFile) {
    WriteSparseFile(source, 1024 * MiB);
    WriteFilledFile(destination, 3 * MiB, 0x77);
    ScriptedMessageBoxes boxes;
    std::vector<std::int64_t> blocks;
    HWND progressWindow = nullptr;
    ObserveBlocks observe([&](const CutProgress& p) {
        blocks.push_back(p.block);
        progressWindow = p.progressWindow;
        if (p.block == 2)
            PostMessageW(p.progressWindow, WM_SYSCOMMAND, SC_CLOSE, 0); // seen in the next block's events
    });
    CutResult result = CutFile(source, destination, 1, 1000, 1024.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Cancelled);
    EXPECT_EQ(blocks, (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(ReadWholeFile(destination), std::vector<std::uint8_t>(3 * MiB, 0x77));
    EXPECT_FALSE(HasPartFiles(folder.path()));
    EXPECT_FALSE(IsWindow(progressWindow));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, CancelledText(destination, true));
}

TEST_F(ClipWriterCopy, EscStopsAPlayableClipAndEvenDuringTheLastStepLeavesNoClip) {
    WriteSparseFile(source, 1024 * MiB);
    clip::ClipPlan plan;
    plan.rangeBegin = MiB;
    plan.rangeEnd = 1000 * MiB;
    ScriptedMessageBoxes boxes;
    int steps = 0;
    ObserveBlocks observe([&](const CutProgress& p) {
        if (++steps == 1 || p.block == p.blocks)
            SendMessageW(p.progressWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(WriteClipPlan(source, destination, plan, owner.get(), false).outcome, CutOutcome::Cancelled);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(CutFile(source, destination, 1, 2, 1024.0, owner.get(), false).outcome, CutOutcome::Cancelled);
    EXPECT_FALSE(FileIsThere(destination));
    EXPECT_FALSE(HasPartFiles(folder.path()));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, CancelledText(destination, false));
}

// ---- Ranges without a whole block ----

namespace {

struct EmptyCase {
    const char* name;
    std::int64_t sourceLength;
    std::int32_t cutStart;
    std::int32_t cutEnd;
    std::optional<double> duration;
};

class ClipWriterNothingSaved : public ClipWriterCopy, public ::testing::WithParamInterface<EmptyCase> {};

} // namespace

TEST_P(ClipWriterNothingSaved, CreatesNoFileAndSaysWhy) {
    const EmptyCase& c = GetParam();
    WritePatternFile(source, c.sourceLength);
    ScriptedMessageBoxes boxes;
    bool copied = false;
    ObserveBlocks observe([&](const CutProgress&) { copied = true; });
    CutResult result = CutFile(source, destination, c.cutStart, c.cutEnd, c.duration, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::NothingSaved);
    EXPECT_FALSE(copied);
    EXPECT_FALSE(FileIsThere(destination));
    EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind(L"Nothing was saved", 0), 0u) << c.name;
    EXPECT_NE(boxes.shown()[0].title, L"Finish");
}

INSTANTIATE_TEST_SUITE_P(Ranges, ClipWriterNothingSaved,
                         ::testing::Values(EmptyCase{"source under one block", MiB - 1, 0, 10, 10.0},
                                           EmptyCase{"no duration", 10 * MiB, 25, 75, std::nullopt},
                                           EmptyCase{"both points in one block", 10 * MiB, 30, 39, 100.0},
                                           EmptyCase{"end before start", 10 * MiB, 80, 20, 100.0}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(ClipWriterCopy, NothingSavedLeavesAnExistingDestinationAlone) {
    WritePatternFile(source, 10 * MiB);
    WriteFilledFile(destination, 1000, 0x5A);
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 30, 39, 100.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::NothingSaved);
    EXPECT_EQ(ReadWholeFile(destination), std::vector<std::uint8_t>(1000, 0x5A));
}

// ---- Failures ----

using ClipWriterFailure = ClipWriterCopy;

TEST_F(ClipWriterFailure, MissingDestinationFolderSaysWritingFailed) {
    WritePatternFile(source, 3 * MiB);
    const std::wstring nowhere = folder.File(L"missing\\clip.mpg");
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, nowhere, 1, 3, 3.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_TRUE(FAILED(result.error));
    EXPECT_FALSE(FileIsThere(nowhere));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(L"writing"), std::wstring::npos);
    EXPECT_EQ(boxes.shown()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(ClipWriterFailure, SourceRemovedMidCopyLeavesNoClipAndTheOldFileUntouched) {
    WritePatternFile(source, 6 * MiB);
    WriteFilledFile(destination, 3 * MiB, 0x77);
    ScriptedMessageBoxes boxes;
    ObserveBlocks observe([&](const CutProgress& p) {
        if (p.block == 2) {
            EXPECT_TRUE(DeleteFileW(source.c_str()));
        }
    });
    CutResult result = CutFile(source, destination, 1, 6, 6.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_EQ(result.bytesWritten, 0);
    EXPECT_EQ(ReadWholeFile(destination), std::vector<std::uint8_t>(3 * MiB, 0x77));
    EXPECT_FALSE(HasPartFiles(folder.path()));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(L"reading"), std::wstring::npos);
    EXPECT_EQ(boxes.shown()[0].text.find(L"successfully"), std::wstring::npos);
}

TEST_F(ClipWriterFailure, SourceShrunkMidCopyIsAReadFailureNotZeroFilledClip) {
    WritePatternFile(source, 6 * MiB);
    ScriptedMessageBoxes boxes;
    ObserveBlocks observe([&](const CutProgress& p) {
        if (p.block == 1) {
            HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            LARGE_INTEGER at{};
            at.QuadPart = 3 * MiB - 10;
            SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
            CloseHandle(file);
        }
    });
    CutResult result = CutFile(source, destination, 1, 6, 6.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_FALSE(FileIsThere(destination));
    EXPECT_FALSE(HasPartFiles(folder.path()));
}

TEST_F(ClipWriterFailure, DestinationLockedOpenIsNotReplacedOrDamaged) {
    WritePatternFile(source, 3 * MiB);
    WriteFilledFile(destination, 5000, 0x42);
    HANDLE locker = CreateFileW(destination.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locker, INVALID_HANDLE_VALUE);
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 1, 3, 3.0, owner.get(), false);
    // Read what the destination holds through the locking handle.
    std::vector<std::uint8_t> held(6000);
    DWORD read = 0;
    ReadFile(locker, held.data(), static_cast<DWORD>(held.size()), &read, nullptr);
    held.resize(read);
    CloseHandle(locker);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_EQ(held, std::vector<std::uint8_t>(5000, 0x42));
    EXPECT_EQ(ReadWholeFile(destination), std::vector<std::uint8_t>(5000, 0x42));
    EXPECT_FALSE(HasPartFiles(folder.path()));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.find(L"successfully"), std::wstring::npos);
}

TEST_F(ClipWriterFailure, ReadOnlyDestinationIsNotReplaced) {
    WritePatternFile(source, 3 * MiB);
    WriteFilledFile(destination, 4000, 0x31);
    ASSERT_TRUE(SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY));
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 1, 3, 3.0, owner.get(), false);
    SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_EQ(ReadWholeFile(destination), std::vector<std::uint8_t>(4000, 0x31));
    EXPECT_FALSE(HasPartFiles(folder.path()));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(L"could not be created or replaced"), std::wstring::npos);
}

TEST_F(ClipWriterFailure, FolderOfTheDestinationsNameIsNotReplaced) {
    WritePatternFile(source, 3 * MiB);
    ASSERT_TRUE(CreateDirectoryW(destination.c_str(), nullptr));
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 1, 3, 3.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_TRUE(GetFileAttributesW(destination.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(HasPartFiles(folder.path()));
}

TEST_F(ClipWriterFailure, MissingSourceSaysReadingFailed) {
    ScriptedMessageBoxes boxes;
    CutResult result = CutFile(source, destination, 1, 3, 3.0, owner.get(), false);
    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    EXPECT_FALSE(FileIsThere(destination));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(L"reading"), std::wstring::npos);
}

TEST_F(ClipWriterFailure, DestinationThatIsTheSourceIsRefusedWhateverTheSpelling) {
    WritePatternFile(source, 3 * MiB);
    std::wstring upper = source;
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    std::wstring dotted = folder.path() + L"\\.\\source.mpg";
    std::wstring slashes = source;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    for (const auto& spelling : {source, upper, dotted, slashes}) {
        ScriptedMessageBoxes boxes;
        CutResult result = CutFile(source, spelling, 1, 3, 3.0, owner.get(), false);
        EXPECT_EQ(result.outcome, CutOutcome::Refused);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_NE(boxes.shown()[0].text.find(L"cut from"), std::wstring::npos);
    }
    EXPECT_EQ(ReadWholeFile(source), PatternRange(0, 3 * MiB));
    EXPECT_EQ(FilesIn(folder.path()).size(), 1u);
}

// ---- Same-file test ----

TEST(IsSameFile, TellsFilesApartAndMatchesSpellingsOfOne) {
    ScratchFolder folder;
    const std::wstring a = folder.File(L"a.bin");
    const std::wstring b = folder.File(L"b.bin");
    WriteFilledFile(a, 10, 1);
    WriteFilledFile(b, 10, 1);
    EXPECT_TRUE(IsSameFile(a, a));
    EXPECT_FALSE(IsSameFile(a, b));
    EXPECT_FALSE(IsSameFile(a, folder.File(L"missing.bin")));
    EXPECT_TRUE(IsSameFile(folder.File(L"missing.bin"), folder.File(L"MISSING.bin")));
    EXPECT_TRUE(IsSameFile(a, folder.path() + L"\\sub\\..\\a.bin"));
}

// ---- Block routines ----

TEST(BlockIo, PositionsAreOneBasedAndWritesNeverShortenTheFile) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"blocks.bin");
    const std::uint8_t abc[] = {'a', 'b', 'c', 'd', 'e'};
    ASSERT_EQ(WriteBlock(path, 1, abc), S_OK); // creates the file
    const std::uint8_t xy[] = {'X', 'Y'};
    ASSERT_EQ(WriteBlock(path, 2, xy), S_OK); // does not cut it to 3 bytes
    EXPECT_EQ(ReadWholeFile(path), (std::vector<std::uint8_t>{'a', 'X', 'Y', 'd', 'e'}));

    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadBlock(path, 2, 3, bytes), S_OK);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'X', 'Y', 'd'}));

    const std::uint8_t z[] = {'Z'};
    ASSERT_EQ(WriteBlock(path, 8, z), S_OK); // beyond the end: the gap is zeros
    EXPECT_EQ(ReadWholeFile(path), (std::vector<std::uint8_t>{'a', 'X', 'Y', 'd', 'e', 0, 0, 'Z'}));
}

TEST(BlockIo, ShortReadsMissingFilesAndBadPositionsAreErrors) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"short.bin");
    WriteFilledFile(path, 10, 9);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadBlock(path, 8, 5, bytes), HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
    EXPECT_EQ(bytes.size(), 3u);
    EXPECT_TRUE(FAILED(ReadBlock(folder.File(L"none.bin"), 1, 5, bytes)));
    EXPECT_EQ(ReadBlock(path, 0, 5, bytes), E_INVALIDARG);
    const std::uint8_t one[] = {1};
    EXPECT_EQ(WriteBlock(path, 0, one), E_INVALIDARG);
    EXPECT_TRUE(FAILED(WriteBlock(folder.File(L"no\\such\\folder.bin"), 1, one)));
    EXPECT_EQ(ReadWholeFile(path), std::vector<std::uint8_t>(10, 9));
}

// ---- The replace question ----

TEST(AskReplace, AsksWithTheFullPathAndAnswersYesOrNo) {
    ScratchFolder folder;
    OwnerWindow owner;
    const std::wstring path = folder.File(L"clip.mp3");
    WriteFilledFile(path, 100, 3);
    {
        ScriptedMessageBoxes boxes(IDNO);
        EXPECT_FALSE(AskReplace(owner.get(), path));
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, path + L" already exists.\r\nDo you want to replace it?");
        EXPECT_EQ(boxes.shown()[0].title, L"Save File");
        EXPECT_EQ(boxes.shown()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
        EXPECT_EQ(boxes.shown()[0].owner, owner.get());
    }
    {
        ScriptedMessageBoxes boxes(IDYES);
        EXPECT_TRUE(AskReplace(owner.get(), path));
    }
    // Asking writes nothing.
    EXPECT_EQ(ReadWholeFile(path), std::vector<std::uint8_t>(100, 3));
}
