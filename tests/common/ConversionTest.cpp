#include "common/Guid.h"
#include "common/ScreenUnits.h"

#include <gtest/gtest.h>

#include <stdexcept>

using klevotrim::Guid;
using klevotrim::GuidFromText;
using namespace klevotrim;

TEST(GuidText, ReadsEveryFieldInRegistryOrder) {
    constexpr Guid guid = GuidFromText(L"{E675B1F4-28A6-455E-86a7-8EA468C5B969}");
    static_assert(guid.data1 == 0xE675B1F4u); // usable at compile time
    EXPECT_EQ(guid.data2, 0x28A6);
    EXPECT_EQ(guid.data3, 0x455E);
    const std::array<std::uint8_t, 8> tail = {0x86, 0xA7, 0x8E, 0xA4, 0x68, 0xC5, 0xB9, 0x69};
    EXPECT_EQ(guid.data4, tail);
}

TEST(GuidText, RefusesWhatIsNotABracedGuid) {
    EXPECT_THROW(GuidFromText(L"E675B1F4-28A6-455E-86A7-8EA468C5B969"), std::invalid_argument);
    EXPECT_THROW(GuidFromText(L"{E675B1F4-28A6-455E-86A7-8EA468C5B969}x"), std::invalid_argument);
    EXPECT_THROW(GuidFromText(L"{E675B1F4-28A6-455E-86A7-8EA468C5B96}"), std::invalid_argument);
    EXPECT_THROW(GuidFromText(L"{E675B1F4+28A6-455E-86A7-8EA468C5B969}"), std::invalid_argument);
    EXPECT_THROW(GuidFromText(L"{G675B1F4-28A6-455E-86A7-8EA468C5B969}"), std::invalid_argument);
    EXPECT_THROW(GuidFromText(L""), std::invalid_argument);
}

TEST(ScreenUnits, HimetricAndPixelsRoundHalfAwayFromZeroLikeMulDiv) {
    EXPECT_EQ(PixelsToHimetric(377, 96), 9975); // 9974.79
    EXPECT_EQ(PixelsToHimetric(9, 96), 238);    // 238.125
    EXPECT_EQ(HimetricToPixels(9975, 96), 377);
    EXPECT_EQ(HimetricToPixels(-9975, 96), -377);
    EXPECT_EQ(MulDivRounded(5, 1, 2), 3);
    EXPECT_EQ(MulDivRounded(-5, 1, 2), -3);
    EXPECT_EQ(MulDivRounded(5, 1, -2), -3);
}

TEST(ScreenUnits, ImpossibleResultsAreMinusOne) {
    EXPECT_EQ(PixelsToHimetric(100, 0), -1);
    EXPECT_EQ(PixelsToHimetric(1000000000, 96), -1); // 26 billion HIMETRIC
    EXPECT_EQ(MulDivRounded(2147483647, 2, 1), -1);
}

TEST(ScreenUnits, TwipsGoToWholePixelsHalvesToEven) {
    EXPECT_EQ(TwipsToPixels(1440.0, 96), 96.0);
    EXPECT_EQ(TwipsToPixels(37.5, 96), 2.0); // 2.5 pixels
    EXPECT_EQ(TwipsToPixels(52.5, 96), 4.0); // 3.5 pixels
    EXPECT_DOUBLE_EQ(PixelsToTwips(1024, 96), 15360.0);
}
