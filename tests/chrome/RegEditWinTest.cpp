// The preference store against the (private) registry of the test prefix.
#include "ui/chrome/RegEdit.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace klevotrim {
namespace {

class RegEditTest : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kPreferenceKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kPreferenceKey); }

    // Stores raw bytes of any type under the program's key.
    static void Store(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kPreferenceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void StoreText(const char* name, const std::string& text, bool withZero = true) {
        Store(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + (withZero ? 1 : 0)));
    }

    regEdit store;
};

TEST_F(RegEditTest, WriteCreatesTheKeyAndStoresAnsiText) {
    store.WriteKey("Always On Top", "True");
    char buffer[32] = {};
    DWORD type = 0, size = sizeof(buffer);
    ASSERT_EQ(
        RegGetValueA(HKEY_CURRENT_USER, kPreferenceKey, "Always On Top", RRF_RT_ANY, &type, buffer, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 5u); // the text with its terminating zero
    EXPECT_STREQ(buffer, "True");
    EXPECT_EQ(store.LoadKey("Always On Top", "False"), "True");

    store.WriteKey("Always On Top", "False"); // overwrites
    EXPECT_EQ(store.LoadKey("Always On Top", "x"), "False");
}

TEST_F(RegEditTest, MissingKeyOrValueGivesTheDefault) {
    EXPECT_EQ(store.LoadKey("Always On Top", "False"), "False");
    store.WriteKey("Version", "1.0");
    EXPECT_EQ(store.LoadKey("Always On Top", "False"), "False");
    EXPECT_EQ(store.LoadKey("Version", ""), "1.0");
}

TEST_F(RegEditTest, LeadingSpacesGoAndEmptyOrSpacesGiveTheDefault) {
    StoreText("a", "   True");
    StoreText("b", "     ");
    StoreText("c", "");
    StoreText("d", "unterminated", false);
    EXPECT_EQ(store.LoadKey("a", "False"), "True");
    EXPECT_EQ(store.LoadKey("b", "False"), "False");
    EXPECT_EQ(store.LoadKey("c", "False"), "False");
    EXPECT_EQ(store.LoadKey("d", "False"), "unterminated");
}

TEST_F(RegEditTest, TooLongOrNonTextValuesGiveTheDefault) {
    const std::string fits(259, 'a'); // 260 bytes with its zero
    StoreText("fits", fits);
    StoreText("long", std::string(300, 'b'));
    const DWORD one = 1;
    Store("dword", REG_DWORD, &one, sizeof(one));
    const BYTE bytes[] = {'T', 'r', 'u', 'e', 0};
    Store("binary", REG_BINARY, bytes, sizeof(bytes));
    EXPECT_EQ(store.LoadKey("fits", "d"), fits);
    EXPECT_EQ(store.LoadKey("long", "d"), "d");
    EXPECT_EQ(store.LoadKey("dword", "False"), "False");
    EXPECT_EQ(store.LoadKey("binary", "False"), "False");
}

TEST_F(RegEditTest, StoredYesReadsAsFalse) {
    store.WriteKey("Always On Top", "yes");
    EXPECT_FALSE(ReadPreferenceBoolean(store.LoadKey("Always On Top", "False")));
    store.WriteKey("Always On Top", "   ");
    EXPECT_FALSE(ReadPreferenceBoolean(store.LoadKey("Always On Top", "False")));
    store.WriteKey("Always On Top", "TRUE");
    EXPECT_TRUE(ReadPreferenceBoolean(store.LoadKey("Always On Top", "False")));
}

TEST_F(RegEditTest, TextEndsAtAnEmbeddedZero) {
    store.WriteKey("Application Path", std::string("C:\\a\0b", 6));
    EXPECT_EQ(store.LoadKey("Application Path", ""), "C:\\a");
}

} // namespace
} // namespace klevotrim
