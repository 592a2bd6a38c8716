// DllRegisterServer / DllUnregisterServer: the registry table of RegistryLayout.h, written and
// removed value by value, the same table the installer package carries.
#include "tavrel/Contract.h"
#include "tavrel/Interfaces.h"
#include "tavrel/RegistryLayout.h"
#include "tavrel/Server.h"

#include "common/win/ComValues.h"
#include "common/win/UniqueHandle.h"

#include <wrl/client.h>

namespace klevotrim::tavrel {

namespace {

HRESULT WriteEntry(const RegistryEntry& entry) {
    win::UniqueKey key;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    const auto bytes = static_cast<DWORD>((entry.data.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(key.get(), entry.valueName.empty() ? nullptr : entry.valueName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(entry.data.c_str()), bytes);
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

// Deletes a key only when nothing is left in it: a value or subkey that another registration
// (the other bitness, another program) added keeps it.
LSTATUS DeleteKeyIfEmpty(const std::wstring& path) {
    win::UniqueKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS)
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    DWORD subkeys = 0, values = 0;
    status = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS || subkeys != 0 || values != 0)
        return status;
    key.reset();
    status = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// Whether the other bitness's build is registered, read from its own view of the class keys.
// Without a second view (32-bit Windows) the view flag is ignored and the read finds this
// library's own path, which is not another registration.
bool OtherBitnessRegistered(const std::wstring& ownPath) {
    const REGSAM otherView = kSysKind == SYS_WIN64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::wstring key = std::wstring(L"CLSID\\") + kClsidText + L"\\InprocServer32";
    win::UniqueKey server;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | otherView, server.put()) !=
        ERROR_SUCCESS)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (RegGetValueW(server.get(), nullptr, nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return false;
    return path[0] != L'\0' && CompareStringOrdinal(path, -1, ownPath.c_str(), -1, TRUE) != CSTR_EQUAL;
}

std::vector<RegistryEntry> OwnEntries(const std::wstring& path) {
    return RegistryEntries(path, kSysKind == SYS_WIN64 ? Bitness::x64 : Bitness::x86);
}

} // namespace

HRESULT RegisterServer() {
    const std::wstring path = ModulePath();
    if (path.empty())
        return HRESULT_FROM_WIN32(GetLastError());
    // The table names the embedded type library; a module without a loadable one registers nothing.
    Microsoft::WRL::ComPtr<ITypeLib> library;
    HRESULT hr = LoadOwnTypeLib(&library);
    if (FAILED(hr))
        return hr;
    for (const RegistryEntry& entry : OwnEntries(path)) {
        hr = WriteEntry(entry);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    const std::wstring path = ModulePath();
    const std::vector<RegistryEntry> entries = OwnEntries(path);
    const bool otherStays = OtherBitnessRegistered(path);
    HRESULT result = S_OK;
    auto keep = [&](LSTATUS status) {
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(result))
            result = HRESULT_FROM_WIN32(status);
    };
    for (const RegistryEntry& entry : entries) {
        if (otherStays && SharedByBothBitnesses(entry))
            continue; // the other bitness still names them; its own unregistration removes them
        keep(RegDeleteKeyValueW(HKEY_CLASSES_ROOT, entry.key.c_str(),
                                entry.valueName.empty() ? nullptr : entry.valueName.c_str()));
    }
    for (const std::wstring& key : KeysToRemove(entries))
        keep(DeleteKeyIfEmpty(key));
    return result;
}

} // namespace klevotrim::tavrel
