#pragma once
// Everything registration writes under HKEY_CLASSES_ROOT, as plain data: the control class,
// its ProgID, the type library and its two dispatch interfaces, in the platform's standard
// layout. DllRegisterServer writes exactly this table and the installer package is generated
// from it, so the two can never differ.
#include <string>
#include <string_view>
#include <vector>

namespace klevotrim::tavrel {

struct RegistryEntry {
    std::wstring key;       // below HKEY_CLASSES_ROOT
    std::wstring valueName; // empty: the key's default value
    std::wstring data;      // REG_SZ
};

// Which build of the library registers: its type library path lives under "win32" or "win64".
enum class Bitness { x86, x64 };

// No help folder is written: the library has no help file, and the version's key is shared by
// both bitnesses' registrations, which must not overwrite each other's values.
std::vector<RegistryEntry> RegistryEntries(std::wstring_view modulePath, Bitness bitness);

// The keys to delete on unregistration, each only once it holds no value and no subkey:
// every key an entry names and the keys between it and its top-level key, deepest first.
// Top-level keys ("CLSID", "TypeLib", "Interface") are never among them, except the ProgID's
// own key, which the table names itself.
std::vector<std::wstring> KeysToRemove(const std::vector<RegistryEntry>& entries);

// Whether a value lives in a key that both bitnesses' registrations share on 64-bit Windows:
// the ProgID and the type library's version key. The class and interface keys have a registry
// view per bitness, and each bitness names its own type library path. Unregistering one
// bitness while the other stays registered must keep the shared values, or the other loses
// its ProgID.
bool SharedByBothBitnesses(const RegistryEntry& entry);
} // namespace klevotrim::tavrel
