#include "common/Guid.h"

#include <gtest/gtest.h>

#include <stdexcept>

using klevotrim::Guid;
using klevotrim::GuidFromText;

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
