// What registration writes: the control class, its ProgID, the type library and its interfaces.
#include "tavrel/RegistryLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace klevotrim::tavrel;

namespace {
const RegistryEntry* Find(const std::vector<RegistryEntry>& entries, const std::wstring& key,
                          const std::wstring& name = L"") {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const RegistryEntry& e) { return e.key == key && e.valueName == name; });
    return it == entries.end() ? nullptr : &*it;
}
} // namespace

TEST(ClassRegistration, WritesAStandardInprocControl) {
    const std::wstring clsid = L"CLSID\\{E675B1F4-28A6-455E-86A7-8EA468C5B969}";
    auto entries = RegistryEntries(L"C:\\x\\Tavrel.ocx", Bitness::x64);
    ASSERT_TRUE(Find(entries, clsid + L"\\InprocServer32"));
    EXPECT_EQ(Find(entries, clsid + L"\\InprocServer32")->data, L"C:\\x\\Tavrel.ocx");
    EXPECT_EQ(Find(entries, clsid + L"\\InprocServer32", L"ThreadingModel")->data, L"Apartment");
    EXPECT_TRUE(Find(entries, clsid + L"\\Control"));
    EXPECT_EQ(Find(entries, clsid + L"\\ToolboxBitmap32")->data, L"C:\\x\\Tavrel.ocx, 30000");
    EXPECT_EQ(Find(entries, clsid + L"\\MiscStatus\\1")->data, L"131473");
    EXPECT_EQ(Find(entries, clsid + L"\\TypeLib")->data, L"{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}");
    EXPECT_EQ(Find(entries, clsid + L"\\Version")->data, L"2.0");
    EXPECT_EQ(Find(entries, clsid + L"\\ProgID")->data, L"Tavrel_pro.NavigationSlider");
    EXPECT_EQ(Find(entries, L"Tavrel_pro.NavigationSlider\\CLSID")->data,
              L"{E675B1F4-28A6-455E-86A7-8EA468C5B969}");
}

TEST(ClassRegistration, TypeLibraryAndInterfacesInTheStandardLayoutOfEachBitness) {
    const std::wstring library = L"TypeLib\\{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}\\2.0";
    auto x64 = RegistryEntries(L"C:\\p\\Tavrel.ocx", Bitness::x64);
    auto x86 = RegistryEntries(L"C:\\q\\Tavrel.ocx", Bitness::x86);
    ASSERT_TRUE(Find(x64, library + L"\\0\\win64") && Find(x86, library + L"\\0\\win32"));
    EXPECT_EQ(Find(x64, library + L"\\0\\win64")->data, L"C:\\p\\Tavrel.ocx");
    EXPECT_FALSE(Find(x64, library + L"\\0\\win32"));
    EXPECT_FALSE(Find(x86, library + L"\\0\\win64"));
    // The version's own values are shared by both registrations, so they must agree.
    for (const auto& shared : {library, library + L"\\FLAGS"})
        EXPECT_EQ(Find(x64, shared)->data, Find(x86, shared)->data);
    EXPECT_EQ(Find(x64, library + L"\\FLAGS")->data, L"2");
    EXPECT_EQ(Find(x64, library)->data, L"Tavrel_pro");
    const std::wstring dual = L"Interface\\{8E64614F-5440-4435-8E8A-94DE55FEF456}";
    const std::wstring events = L"Interface\\{AD4DEC08-1ED3-4A01-A09E-25A2526E2656}";
    EXPECT_EQ(Find(x64, dual)->data, L"_NavigationSlider");
    EXPECT_EQ(Find(x64, dual + L"\\ProxyStubClsid32")->data, L"{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(Find(x64, events + L"\\ProxyStubClsid32")->data, L"{00020420-0000-0000-C000-000000000046}");
    EXPECT_EQ(Find(x64, events + L"\\TypeLib", L"Version")->data, L"2.0");
    EXPECT_EQ(x64.size(), x86.size()); // the same table, only the paths differ
}

TEST(ClassRegistration, UnregistrationEmptiesEveryKeyDeepestFirstAndNoTopLevelCollection) {
    auto entries = RegistryEntries(L"C:\\Tavrel.ocx", Bitness::x64);
    auto keys = KeysToRemove(entries);
    auto position = [&](const std::wstring& key) {
        return std::find(keys.begin(), keys.end(), key) - keys.begin();
    };
    for (const auto& entry : entries) { // every key the table writes goes, each after its subkeys
        for (auto cut = entry.key.rfind(L'\\'); cut != std::wstring::npos && cut > 0;
             cut = entry.key.rfind(L'\\', cut - 1)) {
            const std::wstring parent = entry.key.substr(0, cut);
            if (parent.find(L'\\') != std::wstring::npos) {
                EXPECT_LT(position(entry.key), position(parent)) << std::string(parent.begin(), parent.end());
            }
        }
    }
    // The intermediate "0" key of the type library goes too, and so does its version key.
    const std::wstring library = L"TypeLib\\{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}";
    EXPECT_LT(position(library + L"\\2.0\\0"), position(library + L"\\2.0"));
    EXPECT_LT(position(library + L"\\2.0"), position(library));
    for (const wchar_t* collection : {L"CLSID", L"TypeLib", L"Interface"})
        EXPECT_EQ(position(collection), static_cast<std::ptrdiff_t>(keys.size()));
    EXPECT_NE(position(L"Tavrel_pro.NavigationSlider"), static_cast<std::ptrdiff_t>(keys.size()));

    // While the other bitness stays registered, only the ProgID and the version's own values
    // are left to it: the class, the interfaces and this bitness's library path still go.
    std::vector<std::wstring> shared;
    for (const auto& entry : entries)
        if (SharedByBothBitnesses(entry))
            shared.push_back(entry.key);
    EXPECT_EQ(shared, (std::vector<std::wstring>{L"Tavrel_pro.NavigationSlider",
                                                 L"Tavrel_pro.NavigationSlider\\CLSID", library + L"\\2.0",
                                                 library + L"\\2.0\\FLAGS"}));
}
