#include "ui/chrome/RegEdit.h"

#include <objbase.h> // UniqueHandle.h uses CoInitializeEx, which lean windows.h leaves out

#include "common/win/UniqueHandle.h"

#include <array>

namespace klevotrim {

namespace {

HKEY RootKey(std::string_view name) {
    switch (RegistryRootFromName(name)) {
    case RegistryRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegistryRoot::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegistryRoot::CurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case RegistryRoot::None:
        break;
    }
    return nullptr;
}

// Writes a text value, creating the key when missing. Failures are ignored: the store
// simply keeps what it had.
void WriteText(std::string_view rootName, const char* subKey, const std::string& name,
               const std::string& data) {
    HKEY root = RootKey(rootName);
    if (!root)
        return;
    win::UniqueKey key;
    if (::RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return;
    const std::string text(data.c_str()); // stored up to its first zero, with the zero
    ::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
}

// Reads a text value into a 260-byte buffer: nothing for a missing key or value, a value of
// another type, or one that does not fit.
std::optional<std::string> ReadText(std::string_view rootName, const char* subKey, const std::string& name) {
    HKEY root = RootKey(rootName);
    if (!root)
        return std::nullopt;
    win::UniqueKey key;
    if (::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    std::array<char, kPreferenceBufferSize> buffer{};
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(buffer.size());
    const LSTATUS status = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                                              reinterpret_cast<BYTE*>(buffer.data()), &size);
    return StoredPreferenceText(status == ERROR_SUCCESS, type == REG_SZ || type == REG_EXPAND_SZ,
                                buffer.data(), size);
}

} // namespace

void regEdit::WriteKey(const std::string& name, const std::string& data) {
    WriteText("hkcu", kPreferenceKey, name, data);
}

std::string regEdit::LoadKey(const std::string& name, const std::string& defaultValue) {
    return PreferenceOrDefault(ReadText("hkcu", kPreferenceKey, name), defaultValue);
}

} // namespace klevotrim
