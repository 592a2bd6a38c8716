// The preference texts: Boolean reading, registry root names and what a stored value reads as.
#include "ui/chrome/Preferences.h"

#include <gtest/gtest.h>

#include <string>

namespace klevotrim {
namespace {

TEST(PreferenceBoolean, TrueAndFalseInAnyCaseAndNumbers) {
    for (const char* t :
         {"True", "TRUE", "true", "tRuE", "  True ", "1", "-1", "2.5", "0.5", "+7", "1e3", ".5"})
        EXPECT_TRUE(ReadPreferenceBoolean(t)) << t;
    for (const char* t : {"False", "false", "FALSE", "0", "-0", "0.0", "000", "0e5", " 0 "})
        EXPECT_FALSE(ReadPreferenceBoolean(t)) << t;
}

TEST(PreferenceBoolean, AnythingElseIsFalse) {
    for (const char* t : {"", "   ", "yes", "no", "on", "Truee", "T", "1x", "0x10", "inf", "nan", ".", "-",
                          "1e", "True False", "1 1"})
        EXPECT_FALSE(ReadPreferenceBoolean(t)) << t;
}

TEST(PreferenceRoots, ShortNamesInAnyCase) {
    EXPECT_EQ(RegistryRootFromName("hkcu"), RegistryRoot::CurrentUser);
    EXPECT_EQ(RegistryRootFromName("HKCU"), RegistryRoot::CurrentUser);
    EXPECT_EQ(RegistryRootFromName("HkCr"), RegistryRoot::ClassesRoot);
    EXPECT_EQ(RegistryRootFromName("hklm"), RegistryRoot::LocalMachine);
    EXPECT_EQ(RegistryRootFromName("hkcc"), RegistryRoot::CurrentConfig);
    for (const char* t : {"", "hku", "hkey_current_user", "hkcu ", "hk"})
        EXPECT_EQ(RegistryRootFromName(t), RegistryRoot::None) << t;
}

std::optional<std::string> Read(const std::string& bytes, bool isText = true, bool ok = true) {
    return StoredPreferenceText(ok, isText, bytes.data(), bytes.size());
}

TEST(PreferenceStoredText, EndsAtTheFirstZeroWithoutLeadingSpaces) {
    EXPECT_EQ(Read(std::string("True\0", 5)), "True");
    EXPECT_EQ(Read(std::string("   True \0", 9)), "True ");
    EXPECT_EQ(Read(std::string("ab\0cd\0", 6)), "ab");
    EXPECT_EQ(Read("unterminated"), "unterminated");
    EXPECT_EQ(Read(std::string("\0", 1)), "");
    EXPECT_EQ(Read(""), "");
}

TEST(PreferenceStoredText, OnlyTextThatFitsTheBufferCounts) {
    const std::string full(kPreferenceBufferSize, 'a');
    EXPECT_EQ(Read(full), full); // exactly 260 bytes without a zero still fit
    EXPECT_EQ(Read(full + "a"), std::nullopt);
    EXPECT_EQ(Read(std::string("\1\0\0\0", 4), false), std::nullopt); // a number value
    EXPECT_EQ(Read("True", true, false), std::nullopt);               // the read failed
    EXPECT_EQ(StoredPreferenceText(true, true, nullptr, 0), std::nullopt);
}

TEST(PreferenceStoredText, EmptyOrSpacesGiveTheDefault) {
    EXPECT_EQ(PreferenceOrDefault(std::nullopt, "False"), "False");
    EXPECT_EQ(PreferenceOrDefault(std::string(""), "False"), "False");
    EXPECT_EQ(PreferenceOrDefault(std::string("   "), "False"), "False");
    EXPECT_EQ(PreferenceOrDefault(Read("     "), "dflt"), "dflt");
    EXPECT_EQ(PreferenceOrDefault(std::string("True"), "False"), "True");
    EXPECT_EQ(PreferenceOrDefault(std::string("yes"), "False"), "yes");
}

} // namespace
} // namespace klevotrim
