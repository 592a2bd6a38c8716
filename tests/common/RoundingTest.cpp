#include "common/Centring.h"
#include "common/Rounding.h"

#include <gtest/gtest.h>

using klevotrim::CentredOrigin;
using klevotrim::KeptInside;
using klevotrim::RoundHalfEven;
using klevotrim::ToInt32;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5), 4.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
    EXPECT_EQ(RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(100.5), 100.0);
    EXPECT_EQ(RoundHalfEven(101.5), 102.0);
}

TEST(Rounding, OtherFractionsGoToTheNearest) {
    EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5001), 3.0);
    EXPECT_EQ(RoundHalfEven(-0.4), 0.0);
    EXPECT_EQ(RoundHalfEven(-7.6), -8.0);
}

TEST(Rounding, Int32ConversionRefusesWhatDoesNotFit) {
    EXPECT_EQ(ToInt32(2147483647.4), 2147483647);
    EXPECT_FALSE(ToInt32(2147483647.6).has_value());
    EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_FALSE(ToInt32(-2147483649.0).has_value());
    EXPECT_FALSE(ToInt32(std::nan("")).has_value());
}

TEST(Centring, HalvesGoToTheEvenPixel) {
    EXPECT_EQ(CentredOrigin(1280, 591), 344); // 344.5 -> 344
    EXPECT_EQ(CentredOrigin(1280, 589), 346); // 345.5 -> 346
    EXPECT_EQ(CentredOrigin(400, 591), -96);  // a window wider than the screen
}

TEST(Centring, AWindowIsKeptOnTheWorkArea) {
    EXPECT_EQ(KeptInside(100, 50, 0, 1000), 100);
    EXPECT_EQ(KeptInside(980, 50, 0, 1000), 950); // past the far edge: moved back
    EXPECT_EQ(KeptInside(-30, 50, 0, 1000), 0);   // before the near edge
    EXPECT_EQ(KeptInside(-30, 2000, 0, 1000), 0); // larger than the area: at its start
    EXPECT_EQ(KeptInside(2147483000, 2147483000, -2147483647, 2147483647), 647); // no overflow
}
