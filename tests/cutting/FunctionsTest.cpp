#include "cutting/Functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using klevotrim::GetExtension;
using klevotrim::ShellOpenResultText;
using klevotrim::TimeText;

TEST(GetExtension, TakesTheTextAfterTheLastDot) {
    EXPECT_EQ(GetExtension(L"clip.part.mp3"), L"mp3");
    EXPECT_EQ(GetExtension(L"C:\\Media\\movie.MPG"), L"MPG") << "case is kept";
    EXPECT_EQ(GetExtension(L"a.b"), L"b");
    EXPECT_EQ(GetExtension(L".wav"), L"wav");
    EXPECT_EQ(GetExtension(L"C:\\M\\T\u00f6ne \u043a\u043b\u0438\u043f.w\u00e4v"), L"w\u00e4v");
}

TEST(GetExtension, IsEmptyWithoutADotOrWithATrailingDot) {
    EXPECT_EQ(GetExtension(L""), L"");
    EXPECT_EQ(GetExtension(L"README"), L"");
    EXPECT_EQ(GetExtension(L"C:\\Media\\clip."), L"");
    EXPECT_EQ(GetExtension(L"."), L"");
}

TEST(GetExtension, DoesNotStopAtFolderSeparators) {
    EXPECT_EQ(GetExtension(L"C:\\my.folder\\clip"), L"folder\\clip");
    EXPECT_EQ(GetExtension(L"/home/x.y/file"), L"y/file");
}

TEST(TimeText, FormatsHoursMinutesSecondsWithTwoDigitsAtLeast) {
    EXPECT_EQ(TimeText(0), L"00:00:00");
    EXPECT_EQ(TimeText(3725.4), L"01:02:05");
    EXPECT_EQ(TimeText(86399), L"23:59:59");
    EXPECT_EQ(TimeText(3600), L"01:00:00");
    EXPECT_EQ(TimeText(59), L"00:00:59");
    EXPECT_EQ(TimeText(60), L"00:01:00");
    EXPECT_EQ(TimeText(360000), L"100:00:00") << "hours grow beyond two digits";
    EXPECT_EQ(TimeText(359999), L"99:59:59");
}

TEST(TimeText, RoundsHalvesToTheEvenSecond) {
    EXPECT_EQ(TimeText(59.5), L"00:01:00");
    EXPECT_EQ(TimeText(58.5), L"00:00:58");
    EXPECT_EQ(TimeText(2.5), L"00:00:02");
    EXPECT_EQ(TimeText(3.5), L"00:00:04");
    EXPECT_EQ(TimeText(0.5), L"00:00:00");
    EXPECT_EQ(TimeText(0.5000001), L"00:00:01");
    EXPECT_EQ(TimeText(3599.5), L"01:00:00") << "a carry through minutes into hours";
    EXPECT_EQ(TimeText(9.99), L"00:00:10");
}

TEST(TimeText, GivesNoTextForTimesThatCannotBeCounted) {
    EXPECT_EQ(TimeText(std::nan("")), L"");
    EXPECT_EQ(TimeText(std::numeric_limits<double>::infinity()), L"");
    EXPECT_EQ(TimeText(-std::numeric_limits<double>::infinity()), L"");
    EXPECT_EQ(TimeText(1e19), L"");
    EXPECT_EQ(TimeText(9.2e18), L"2555555555555555:33:20");
}

TEST(TimeText, MarksNegativeFields) {
    EXPECT_EQ(TimeText(-5), L"00:00:-05");
    EXPECT_EQ(TimeText(-3725), L"-01:-02:-05");
}

TEST(ShellOpenResultText, OnlyZeroIsReported) {
    EXPECT_EQ(ShellOpenResultText(0), L"Insufficent system memory or corrupt program file");
    EXPECT_EQ(ShellOpenResultText(2), L"") << "file not found";
    EXPECT_EQ(ShellOpenResultText(31), L"") << "no association";
    EXPECT_EQ(ShellOpenResultText(42), L"") << "success";
}
