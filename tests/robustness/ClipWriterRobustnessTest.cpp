// The clip writer fed with bad sources and bad destinations: every case ends in one clear
// message, never in a false success, never with a half-written clip, and the source's bytes
// and time stamp never change.
#include <gtest/gtest.h>

#include "RobustnessSupport.h"
#include "TestSupport.h"
#include "cutting/ClipWriter.h"

#include <winioctl.h>

#include <algorithm>

namespace klevotrim::test {
namespace {

constexpr std::int64_t kBlock = 1048576;

std::vector<std::uint8_t> Pattern(std::int64_t length, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(static_cast<size_t>(length));
    std::uint32_t x = seed;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

class ClipWriterRobustness : public ::testing::Test {
  protected:
    // A source of `blocks` whole blocks plus a few bytes, with recognisable bytes.
    std::wstring MakeSource(const std::wstring& name, std::int64_t blocks) {
        std::wstring path = scratch_.File(name);
        WriteBytes(path, Pattern(blocks * kBlock + 123, 7));
        return path;
    }

    // The one message the copy showed: present, not the success text, and saying something.
    void ExpectOneRefusal() {
        ASSERT_EQ(messages_.Messages().size(), 1u);
        const ShownMessage& shown = messages_.Messages().front();
        EXPECT_NE(shown.text, SavedText);
        EXPECT_GT(shown.text.size(), 10u) << "a refusal says what went wrong";
        EXPECT_NE(shown.type & (MB_ICONWARNING | MB_ICONERROR | MB_ICONINFORMATION), 0u);
    }

    ScratchFolder scratch_;
    MessageRecorder messages_;
};

TEST_F(ClipWriterRobustness, ZeroByteSourceSavesNothingAndSaysSo) {
    const std::wstring source = scratch_.File(L"empty.mpg");
    WriteBytes(source, {});
    const Fingerprint before = FingerprintOf(source);
    const std::wstring clip = scratch_.File(L"clip.mpg");

    const CutResult result = CutFile(source, clip, 0, 10, 10.0, nullptr, false);

    EXPECT_EQ(result.outcome, CutOutcome::NothingSaved);
    ExpectOneRefusal();
    EXPECT_FALSE(Exists(clip));
    EXPECT_EQ(FingerprintOf(source), before);
}

TEST_F(ClipWriterRobustness, NotMediaSourceUnderAMediaNameSavesNothing) {
    const std::wstring source = TestMediaPath(L"not-media.mp3");
    const Fingerprint before = FingerprintOf(source);
    ASSERT_GT(before.length, 0);
    const std::wstring clip = scratch_.File(L"clip.mp3");

    // Whatever a host believes the duration is, a 34-byte file holds no whole block.
    const CutResult result = CutFile(source, clip, 1, 9, 10.0, nullptr, false);

    EXPECT_EQ(result.outcome, CutOutcome::NothingSaved);
    ExpectOneRefusal();
    EXPECT_FALSE(Exists(clip));
    EXPECT_EQ(FingerprintOf(source), before);
}

TEST_F(ClipWriterRobustness, SourceRemovedBeforeSavingIsReportedAndNothingIsWritten) {
    const std::wstring source = MakeSource(L"gone.mpg", 8);
    ASSERT_TRUE(DeleteFileW(source.c_str()));
    const std::wstring clip = scratch_.File(L"clip.mpg");

    const CutResult result = CutFile(source, clip, 2, 6, 8.0, nullptr, false);

    EXPECT_NE(result.outcome, CutOutcome::Saved);
    ExpectOneRefusal();
    EXPECT_FALSE(Exists(clip));
    EXPECT_EQ(FilesIn(scratch_.path()).size(), 0u) << "no temporary file is left behind";
}

TEST_F(ClipWriterRobustness, MissingDestinationFolderIsReportedAndNotCreated) {
    const std::wstring source = MakeSource(L"source.mpg", 8);
    const Fingerprint before = FingerprintOf(source);
    const std::wstring folder = scratch_.File(L"no such folder");
    const std::wstring clip = folder + L"\\clip.mpg";

    const CutResult result = CutFile(source, clip, 2, 6, 8.0, nullptr, false);

    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    ExpectOneRefusal();
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(FingerprintOf(source), before);
}

TEST_F(ClipWriterRobustness, ReadOnlyDestinationIsNotReplaced) {
    const std::wstring source = MakeSource(L"source.mpg", 8);
    const Fingerprint before = FingerprintOf(source);
    const std::wstring clip = scratch_.File(L"kept.mpg");
    const std::vector<std::uint8_t> kept = Pattern(5000, 99);
    WriteBytes(clip, kept);
    ASSERT_TRUE(SetFileAttributesW(clip.c_str(), FILE_ATTRIBUTE_READONLY));

    const CutResult result = CutFile(source, clip, 2, 6, 8.0, nullptr, false);

    EXPECT_NE(result.outcome, CutOutcome::Saved);
    ExpectOneRefusal();
    EXPECT_EQ(ReadBytes(clip, 0, 1 << 20), kept) << "the read-only file keeps its bytes";
    EXPECT_EQ(FingerprintOf(source), before);
    SetFileAttributesW(clip.c_str(), FILE_ATTRIBUTE_NORMAL); // so the scratch folder can go
}

TEST_F(ClipWriterRobustness, FolderAsDestinationIsNotReplaced) {
    const std::wstring source = MakeSource(L"source.mpg", 8);
    const Fingerprint before = FingerprintOf(source);
    const std::wstring folder = scratch_.File(L"a folder.mpg");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    WriteBytes(folder + L"\\inside.txt", Pattern(100, 3));

    const CutResult result = CutFile(source, folder, 2, 6, 8.0, nullptr, false);

    EXPECT_NE(result.outcome, CutOutcome::Saved);
    ExpectOneRefusal();
    EXPECT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ReadBytes(folder + L"\\inside.txt", 0, 1000), Pattern(100, 3));
    EXPECT_EQ(FingerprintOf(source), before);
}

TEST_F(ClipWriterRobustness, ReadOnlyVolumeIsReportedAndLeftUntouched) {
    const std::wstring folder = FolderFromEnvironment(L"KLEVOTRIM_READONLY_VOLUME");
    if (folder.empty() || !Exists(folder + L"\\read-only-volume"))
        GTEST_SKIP() << "no read-only volume was mounted for this run (needs a tmpfs mount; see "
                        "tests/robustness/volumes.sh)";
    const std::wstring source = MakeSource(L"source.mpg", 8);
    const Fingerprint before = FingerprintOf(source);
    const auto filesBefore = FilesIn(folder);

    const CutResult result = CutFile(source, folder + L"\\clip.mpg", 2, 6, 8.0, nullptr, false);

    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    ExpectOneRefusal();
    EXPECT_EQ(FilesIn(folder), filesBefore);
    EXPECT_EQ(FingerprintOf(source), before);
}

TEST_F(ClipWriterRobustness, FullDiskIsReportedAndLeavesNoPartialClip) {
    const std::wstring folder = FolderFromEnvironment(L"KLEVOTRIM_SMALL_VOLUME");
    const auto space = folder.empty() ? std::nullopt : VolumeSpace(folder);
    if (!space || space->second > 64ull * kBlock)
        GTEST_SKIP() << "no small volume was mounted for this run (needs a tmpfs mount; see "
                        "tests/robustness/volumes.sh)";
    // Leave about 1.5 blocks free, then ask for a clip of 4 blocks.
    const std::wstring filler = folder + L"\\filler.bin";
    const std::int64_t fill = static_cast<std::int64_t>(space->first) - 3 * kBlock / 2;
    ASSERT_GT(fill, 0);
    WriteBytes(filler, Pattern(fill, 5));
    const auto freeBefore = VolumeSpace(folder);
    ASSERT_TRUE(freeBefore);
    ASSERT_LT(freeBefore->first, 2ull * kBlock);
    const std::wstring source = MakeSource(L"source.mpg", 8);
    const Fingerprint before = FingerprintOf(source);
    const std::wstring clip = folder + L"\\clip.mpg";

    const CutResult result = CutFile(source, clip, 1, 5, 8.0, nullptr, false);

    EXPECT_EQ(result.outcome, CutOutcome::Failed);
    ExpectOneRefusal();
    EXPECT_FALSE(Exists(clip)) << "no partial clip under the chosen name";
    EXPECT_EQ(FilesIn(folder).size(), 1u) << "only the filler stays: no temporary file is left";
    const auto freeAfter = VolumeSpace(folder);
    ASSERT_TRUE(freeAfter);
    EXPECT_EQ(freeAfter->first, freeBefore->first) << "the space the copy took is given back";
    EXPECT_EQ(FingerprintOf(source), before);
    DeleteFileW(filler.c_str());
}

TEST_F(ClipWriterRobustness, SourceBeyondFourGigabytesCopiesTheRightBytes) {
    // A sparse source of 5 GiB and a bit: only the copied range holds data.
    const std::wstring source = scratch_.File(L"huge.mpg");
    const std::int64_t blocks = 5 * 1024; // 5 GiB
    const std::int64_t from = 4100, to = 4103;
    const std::vector<std::uint8_t> marked = Pattern((to - from) * kBlock, 11);
    {
        HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD ignored = 0; // FSCTL_SET_SPARSE: a hint; the Unix file is sparse anyway
        DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = from * kBlock;
        ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file, marked.data(), static_cast<DWORD>(marked.size()), &written, nullptr));
        at.QuadPart = blocks * kBlock + 4321;
        ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file));
        CloseHandle(file);
    }
    const std::vector<std::pair<std::int64_t, std::int64_t>> region{{from * kBlock, (to - from) * kBlock}};
    const Fingerprint before = FingerprintOf(source, region);
    ASSERT_EQ(before.length, blocks * kBlock + 4321);
    const std::wstring clip = scratch_.File(L"clip.mpg");

    // One second per block: the cut points are the block numbers themselves.
    const CutResult result =
        CutFile(source, clip, static_cast<std::int32_t>(from), static_cast<std::int32_t>(to),
                static_cast<double>(blocks), nullptr, false);

    ASSERT_EQ(result.outcome, CutOutcome::Saved) << std::string(result.message.begin(), result.message.end());
    EXPECT_EQ(result.range.O1, from * kBlock);
    EXPECT_EQ(result.range.O2, to * kBlock);
    EXPECT_EQ(ReadBytes(clip, 0, 4 * kBlock), marked);
    EXPECT_EQ(FingerprintOf(source, region), before);
}

} // namespace
} // namespace klevotrim::test
