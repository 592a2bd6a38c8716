#pragma once
// The text rules of the preference store, free of <windows.h>.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace klevotrim {

// "True"/"False" in any case, or a number (non-zero is true); anything else is false.
// Surrounding spaces are ignored.
bool ReadPreferenceBoolean(std::string_view text);

// Registry roots by short name ("hkcr", "hklm", "hkcu", "hkcc", any case); None otherwise.
enum class RegistryRoot { None, ClassesRoot, LocalMachine, CurrentUser, CurrentConfig };
RegistryRoot RegistryRootFromName(std::string_view name);

// Size of the buffer a stored text is read into, terminating zero included.
inline constexpr std::size_t kPreferenceBufferSize = 260;

// The text a read of a stored value gives: only a text value (REG_SZ / REG_EXPAND_SZ types
// given as `isText`) that fit in the buffer counts; it ends at its first zero (or at
// `size`), and leading spaces are removed. nullopt for anything else.
std::optional<std::string> StoredPreferenceText(bool readOk, bool isText, const char* data, std::size_t size);

// LoadKey's rule: the default when there is no text or it is empty after trimming.
std::string PreferenceOrDefault(const std::optional<std::string>& stored, const std::string& defaultValue);

} // namespace klevotrim
