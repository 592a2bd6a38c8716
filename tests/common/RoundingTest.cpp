#include "common/Rounding.h"

#include <gtest/gtest.h>

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
