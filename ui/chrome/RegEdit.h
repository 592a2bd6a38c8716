#pragma once
// The program's preference store: text values under HKEY_CURRENT_USER
// "Software\Parvane\Klevotrim", stored as ANSI REG_SZ.
#include "ui/chrome/Preferences.h"

#include <string>

namespace klevotrim {

inline constexpr const char* kPreferenceKey = "Software\\Parvane\\Klevotrim";

class regEdit {
  public:
    // Creates the key when missing; failures are ignored (nothing is written).
    void WriteKey(const std::string& name, const std::string& data);
    // The stored text without leading spaces, or `defaultValue` when the value is missing,
    // empty, only spaces, not a text value, or too long for the 260-byte read.
    std::string LoadKey(const std::string& name, const std::string& defaultValue);
};

} // namespace klevotrim
