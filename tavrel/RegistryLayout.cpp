#include "tavrel/RegistryLayout.h"

#include "tavrel/Contract.h"

#include <algorithm>

namespace klevotrim::tavrel {

namespace {

// The automation marshallers the platform names for dual and for pure dispatch interfaces.
constexpr const wchar_t* kDualMarshaller = L"{00020424-0000-0000-C000-000000000046}";
constexpr const wchar_t* kDispatchMarshaller = L"{00020420-0000-0000-C000-000000000046}";

void AddInterface(std::vector<RegistryEntry>& entries, const wchar_t* iid, const wchar_t* name,
                  const wchar_t* marshaller, const std::wstring& version) {
    const std::wstring key = std::wstring(L"Interface\\") + iid;
    entries.push_back({key, L"", name});
    entries.push_back({key + L"\\ProxyStubClsid", L"", marshaller});
    entries.push_back({key + L"\\ProxyStubClsid32", L"", marshaller});
    entries.push_back({key + L"\\TypeLib", L"", kLibidText});
    entries.push_back({key + L"\\TypeLib", L"Version", version});
}

} // namespace

std::vector<RegistryEntry> RegistryEntries(std::wstring_view modulePath, Bitness bitness) {
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const std::wstring path(modulePath);
    const std::wstring misc = std::to_wstring(kMiscStatus);
    const std::wstring version = std::to_wstring(kLibraryMajor) + L"." + std::to_wstring(kLibraryMinor);
    const std::wstring libraryKey = std::wstring(L"TypeLib\\") + kLibidText + L"\\" + version;
    std::vector<RegistryEntry> entries = {
        {clsidKey, L"", kProgId},
        {clsidKey + L"\\InprocServer32", L"", path},
        {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsidKey + L"\\Control", L"", L""},
        {clsidKey + L"\\ToolboxBitmap32", L"", path + L", " + std::to_wstring(kToolboxBitmapId)},
        {clsidKey + L"\\MiscStatus", L"", misc},
        {clsidKey + L"\\MiscStatus\\1", L"", misc},
        {clsidKey + L"\\TypeLib", L"", kLibidText},
        {clsidKey + L"\\Version", L"", version},
        {clsidKey + L"\\ProgID", L"", kProgId},
        {std::wstring(kProgId), L"", kProgId},
        {std::wstring(kProgId) + L"\\CLSID", L"", kClsidText},
        {libraryKey, L"", kLibraryName},
        {libraryKey + (bitness == Bitness::x64 ? L"\\0\\win64" : L"\\0\\win32"), L"", path},
        {libraryKey + L"\\FLAGS", L"", std::to_wstring(kLibraryFlags)},
    };
    AddInterface(entries, kIidText, kInterfaceName, kDualMarshaller, version);
    AddInterface(entries, kEventsIidText, kEventsInterfaceName, kDispatchMarshaller, version);
    return entries;
}

std::vector<std::wstring> KeysToRemove(const std::vector<RegistryEntry>& entries) {
    std::vector<std::wstring> keys;
    auto add = [&](const std::wstring& key) {
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    };
    for (const RegistryEntry& entry : entries) {
        add(entry.key);
        // The keys between the entry and its top-level key ("TypeLib\{libid}\2.0\0").
        for (auto cut = entry.key.rfind(L'\\'); cut != std::wstring::npos && cut > 0;
             cut = entry.key.rfind(L'\\', cut - 1)) {
            const std::wstring parent = entry.key.substr(0, cut);
            if (parent.find(L'\\') == std::wstring::npos)
                break; // a top-level collection such as "CLSID"
            add(parent);
        }
    }
    auto depth = [](const std::wstring& key) { return std::count(key.begin(), key.end(), L'\\'); };
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const std::wstring& a, const std::wstring& b) { return depth(a) > depth(b); });
    return keys;
}

bool SharedByBothBitnesses(const RegistryEntry& entry) {
    const std::wstring_view key = entry.key;
    if (key.starts_with(L"CLSID\\") || key.starts_with(L"Interface\\"))
        return false;
    return !key.ends_with(L"\\0\\win32") && !key.ends_with(L"\\0\\win64");
}

} // namespace klevotrim::tavrel
