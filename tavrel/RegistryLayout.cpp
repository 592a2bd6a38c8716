#include "tavrel/RegistryLayout.h"

#include "tavrel/Contract.h"

namespace klevotrim::tavrel {

std::vector<RegistryEntry> ClassRegistryEntries(std::wstring_view modulePath) {
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const std::wstring path(modulePath);
    const std::wstring misc = std::to_wstring(kMiscStatus);
    const std::wstring version = std::to_wstring(kLibraryMajor) + L"." + std::to_wstring(kLibraryMinor);
    return {
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
    };
}

std::vector<std::wstring> ClassRegistryKeys() {
    return {std::wstring(L"CLSID\\") + kClsidText, std::wstring(kProgId)};
}

} // namespace klevotrim::tavrel
