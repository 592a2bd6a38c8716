#include "cutting/ClipWriterText.h"
#include "cutting/PlayableClipText.h"

#include <gtest/gtest.h>

using namespace klevotrim;

TEST(SaveFilter, LabelUpperCasesTheExtensionAndThePatternKeepsIt) {
    EXPECT_EQ(SaveFilter(L"C:\\Music\\song.mp3"), L"MP3 File (*.mp3)|*.mp3");
    EXPECT_EQ(SaveFilter(L"C:\\v\\clip.part.Mpg"), L"MPG File (*.Mpg)|*.Mpg");
    EXPECT_EQ(SaveFilter(L"C:\\v\\film.dvr-ms"), L"DVR-MS File (*.dvr-ms)|*.dvr-ms");
}

TEST(SaveFilter, NamesWithoutAnExtensionGiveAnEmptyOne) {
    EXPECT_EQ(SaveFilter(L"C:\\v\\noext"), L" File (*.)|*.");
    EXPECT_EQ(SaveFilter(L"C:\\v\\dot."), L" File (*.)|*.");
    // The scan does not stop at folder separators.
    EXPECT_EQ(SaveFilter(L"C:\\my.dir\\noext"), L"DIR\\NOEXT File (*.dir\\noext)|*.dir\\noext");
}

TEST(ClipWriterText, ReplaceQuestionNamesTheFullPath) {
    EXPECT_EQ(ReplaceQuestion(L"C:\\out\\clip.mp3"),
              L"C:\\out\\clip.mp3 already exists.\r\nDo you want to replace it?");
}

TEST(ClipWriterText, TheTemporaryFileLiesBesideTheDestination) {
    EXPECT_EQ(TemporaryClipName(L"C:\\clips\\a.mp3", 4242, 0), L"C:\\clips\\a.mp3.4242-0.part");
    EXPECT_EQ(TemporaryClipName(L"b", 1, 17), L"b.1-17.part");
}

TEST(ClipWriterText, NothingSavedSaysSoAndWhy) {
    for (auto reason : {EmptyRangeReason::NoDuration, EmptyRangeReason::SourceTooSmall,
                        EmptyRangeReason::TooShort, EmptyRangeReason::EndBeforeStart}) {
        std::wstring text = NothingSavedText(reason);
        EXPECT_EQ(text.rfind(L"Nothing was saved", 0), 0u);
        EXPECT_NE(text,
                  NothingSavedText(reason == EmptyRangeReason::NoDuration ? EmptyRangeReason::TooShort
                                                                          : EmptyRangeReason::NoDuration));
        EXPECT_EQ(text.find(L"successfully"), std::wstring::npos);
    }
}

TEST(ClipWriterText, FailureNamesWhatFailedAndThatNothingWasSaved) {
    auto read = FailureText(ClipFailure::ReadSource, L"C:\\in.mpg", L"C:\\out.mpg", L"Access denied.");
    EXPECT_NE(read.find(L"reading C:\\in.mpg"), std::wstring::npos);
    EXPECT_NE(read.find(L"Access denied."), std::wstring::npos);
    EXPECT_NE(read.find(L"Nothing was saved"), std::wstring::npos);
    auto write = FailureText(ClipFailure::WriteClip, L"C:\\in.mpg", L"C:\\out.mpg", L"");
    EXPECT_NE(write.find(L"writing"), std::wstring::npos);
    EXPECT_NE(write.find(L"C:\\out.mpg"), std::wstring::npos);
    auto same = FailureText(ClipFailure::SameFile, L"C:\\in.mpg", L"c:\\IN.mpg", L"");
    EXPECT_NE(same.find(L"c:\\IN.mpg"), std::wstring::npos);
    EXPECT_NE(same.find(L"cut from"), std::wstring::npos);
}

TEST(ClipWriterText, PlayableClipMessagesGiveThePlannersReason) {
    EXPECT_EQ(NotPlayableQuestion("the MP4 file keeps its index after the media data"),
              L"This file cannot be saved as a playable clip: the MP4 file keeps its index after the media "
              L"data.\r\nDo you want to save the exact block range between the start and end points instead "
              L"(as with Playable Clips turned off)?");
    const std::wstring bad = BadMarksText("the end point must lie after the start point");
    EXPECT_EQ(
        bad.rfind(L"The playable clip cannot be saved: the end point must lie after the start point.", 0),
        0u);
    EXPECT_NE(bad.find(L"Nothing was saved"), std::wstring::npos);
    // Reasons come from parsers of untrusted files: no control or non-ASCII bytes reach the box.
    EXPECT_EQ(ReasonText("bad \x01tag \xC3\xA9"), L"bad ?tag ??");
    EXPECT_EQ(ReasonText(""), L"its contents could not be read");
}
