// What registration writes for the control class.
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
    auto entries = ClassRegistryEntries(L"C:\\x\\Tavrel.ocx");
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

TEST(ClassRegistration, EveryEntryLiesUnderAKeyThatUnregistrationRemoves) {
    auto keys = ClassRegistryKeys();
    for (const auto& entry : ClassRegistryEntries(L"C:\\Tavrel.ocx")) {
        bool covered = std::any_of(keys.begin(), keys.end(), [&](const std::wstring& k) {
            return entry.key == k || entry.key.rfind(k + L"\\", 0) == 0;
        });
        EXPECT_TRUE(covered) << std::string(entry.key.begin(), entry.key.end());
    }
    EXPECT_EQ(keys.size(), 2u); // the class and its ProgID, nothing broader
}
