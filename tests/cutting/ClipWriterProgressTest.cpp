#include "cutting/ClipWriterProgress.h"
#include "cutting/ClipWriterText.h"

#include <gtest/gtest.h>

using namespace klevotrim;

TEST(CopyProgress, NestedCopiesShareTheBarAndAStopBelongsToTheCopyItShows) {
    CopyProgress progress;
    EXPECT_FALSE(progress.RequestStop()) << "no copy runs";
    const auto outer = progress.Begin();
    EXPECT_EQ(progress.Step(outer, 2, 6), (ProgressShown{5, 1}));
    const auto inner = progress.Begin();
    EXPECT_EQ(progress.Step(inner, 1, 1), (ProgressShown{0, 0})) << "one block: 0 of 0";
    EXPECT_TRUE(progress.RequestStop());
    EXPECT_TRUE(progress.StopRequested(inner));
    EXPECT_FALSE(progress.StopRequested(outer)) << "the outer copy goes on";
    // The inner copy hands the window back with the outer copy's own maximum and value.
    EXPECT_EQ(progress.End(inner).shown, (ProgressShown{5, 1}));
    const auto next = progress.Begin();
    EXPECT_FALSE(progress.StopRequested(next)) << "a request ends with its copy";
    EXPECT_TRUE(progress.End(next).windowStays);
    const auto last = progress.End(outer);
    EXPECT_FALSE(last.windowStays);
    EXPECT_EQ(last.shown, (ProgressShown{5, 0})) << "the bar goes to 0 before the window goes";
}

TEST(ClipWriterText, CancelledSaysNothingWasSavedAndNamesAKeptFile) {
    EXPECT_EQ(CancelledText(L"C:\\c.mpg", false),
              L"The clip was not saved because you cancelled the save.\r\nNo file was created.");
    EXPECT_NE(CancelledText(L"C:\\c.mpg", true).find(L"C:\\c.mpg was left as it was"), std::wstring::npos);
}
