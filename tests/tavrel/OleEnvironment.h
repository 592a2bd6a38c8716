#pragma once
// Every Tavrel test program runs in one single-threaded OLE apartment, as a host's UI thread.
#include <ole2.h>

#include <gtest/gtest.h>

namespace tavrel_test {

class OleEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

inline ::testing::Environment* const kOleEnvironment =
    ::testing::AddGlobalTestEnvironment(new OleEnvironment);

} // namespace tavrel_test
