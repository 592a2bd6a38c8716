#pragma once
// What registration writes under HKEY_CLASSES_ROOT for the control class, as plain data,
// so that the layout is checked without a registry. The type library and its interfaces
// are registered by the platform's type-library registration.
#include <string>
#include <string_view>
#include <vector>

namespace klevotrim::tavrel {

struct RegistryEntry {
    std::wstring key;       // below HKEY_CLASSES_ROOT
    std::wstring valueName; // empty: the key's default value
    std::wstring data;      // REG_SZ
};

std::vector<RegistryEntry> ClassRegistryEntries(std::wstring_view modulePath);

// The keys registration creates for the class (and nothing else); removed as whole trees.
std::vector<std::wstring> ClassRegistryKeys();

} // namespace klevotrim::tavrel
