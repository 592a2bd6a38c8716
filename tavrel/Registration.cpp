// DllRegisterServer / DllUnregisterServer: the class, its ProgID, the type library and
// the interfaces (through the platform's type-library registration, which gives the
// interfaces the automation marshaller).
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

HRESULT RemoveClassKeys() {
    HRESULT result = S_OK;
    for (const std::wstring& key : ClassRegistryKeys()) {
        LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(result))
            result = HRESULT_FROM_WIN32(status);
    }
    return result;
}

} // namespace

HRESULT RegisterServer() {
    const std::wstring path = ModulePath();
    if (path.empty())
        return HRESULT_FROM_WIN32(GetLastError());
    Microsoft::WRL::ComPtr<ITypeLib> library;
    HRESULT hr = LoadOwnTypeLib(&library);
    if (FAILED(hr))
        return hr;
    hr = RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
    if (FAILED(hr))
        return hr;
    for (const RegistryEntry& entry : ClassRegistryEntries(path)) {
        hr = WriteEntry(entry);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    HRESULT result = RemoveClassKeys();
    win::Bstr registeredPath;
    // Only a library that is still registered is unregistered (a second call finds none).
    if (SUCCEEDED(
            QueryPathOfRegTypeLib(LIBID_Tavrel_pro, kLibraryMajor, kLibraryMinor, 0, registeredPath.put()))) {
        HRESULT hr = UnRegisterTypeLib(LIBID_Tavrel_pro, kLibraryMajor, kLibraryMinor, 0, kSysKind);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}

} // namespace klevotrim::tavrel
