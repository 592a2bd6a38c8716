// Tavrel.ocx as a COM server: exports, class factory, registration, type library, resources.
#include "OleEnvironment.h"
#include "SliderTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavrel_test;

namespace {

constexpr CLSID kClsid = klevotrim::win::ToGuid(klevotrim::tavrel::kClsid);
constexpr GUID kLibid = klevotrim::win::ToGuid(klevotrim::tavrel::kLibid);
constexpr IID kIid = klevotrim::win::ToGuid(klevotrim::tavrel::kIid);
constexpr GUID kEnumGuid = klevotrim::win::ToGuid(klevotrim::tavrel::kGradientDirect);
constexpr wchar_t kClsidKey[] = L"CLSID\\{E675B1F4-28A6-455E-86A7-8EA468C5B969}";

std::wstring OcxPath() {
    wchar_t build[MAX_PATH] = {};
    GetEnvironmentVariableW(L"KLEVOTRIM_BUILD_DIR", build, MAX_PATH);
    return klevotrim::test::ToWindowsPath(std::wstring(build) + L"/tavrel/Tavrel.ocx");
}

// The library loaded as a plain DLL (COM loads the same module, so counts are shared).
struct Library {
    HMODULE module = LoadLibraryW(OcxPath().c_str());
    ~Library() { FreeLibrary(module); }
    template <typename F> F Export(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
};
using Entry = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::wstring RegText(const std::wstring& key, const wchar_t* value = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return data;
}

bool KeyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL, std::wstring* doc = nullptr) {
    BSTR name = nullptr, help = nullptr;
    info->GetDocumentation(id, &name, &help, nullptr, nullptr);
    std::wstring result = name ? name : L"";
    if (doc)
        *doc = help ? help : L"";
    SysFreeString(name);
    SysFreeString(help);
    return result;
}

} // namespace

TEST(ServerExports, RegisterByDirectCallAndByRegsvr32) {
    Library library;
    ASSERT_NE(library.module, nullptr);
    auto registerServer = library.Export<Entry>("DllRegisterServer");
    ASSERT_NE(registerServer, nullptr);
    EXPECT_EQ(S_OK, registerServer());

    std::wstring command = L"regsvr32.exe /s \"" + OcxPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
}

TEST(ServerExports, RegistryHoldsTheStandardControlEntries) {
    const std::wstring clsid = kClsidKey;
    EXPECT_EQ(RegText(clsid + L"\\InprocServer32"), OcxPath());
    EXPECT_EQ(RegText(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_TRUE(KeyExists(clsid + L"\\Control"));
    EXPECT_EQ(RegText(clsid + L"\\ToolboxBitmap32"), OcxPath() + L", 30000");
    EXPECT_EQ(RegText(clsid + L"\\MiscStatus\\1"), L"131473");
    EXPECT_EQ(RegText(clsid + L"\\TypeLib"), L"{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}");
    EXPECT_EQ(RegText(clsid + L"\\Version"), L"2.0");
    EXPECT_EQ(RegText(clsid + L"\\ProgID"), L"Tavrel_pro.NavigationSlider");
    EXPECT_EQ(RegText(L"Tavrel_pro.NavigationSlider\\CLSID"), L"{E675B1F4-28A6-455E-86A7-8EA468C5B969}");
    EXPECT_TRUE(KeyExists(L"TypeLib\\{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}\\2.0"));
    const wchar_t* automation = L"{00020424-0000-0000-C000-000000000046}";
    EXPECT_EQ(RegText(L"Interface\\{8E64614F-5440-4435-8E8A-94DE55FEF456}\\ProxyStubClsid32"), automation);
    EXPECT_NE(RegText(L"Interface\\{AD4DEC08-1ED3-4A01-A09E-25A2526E2656}\\ProxyStubClsid32"), L"<missing>");
}

TEST(ServerExports, ClassFactoryServesOnlyItsClassAndCountsHonestly) {
    Library library;
    auto getClassObject = library.Export<GetClassObjectFn>("DllGetClassObject");
    auto canUnload = library.Export<Entry>("DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnload);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(kEventsIid, IID_PPV_ARGS(&factory)));
    EXPECT_EQ(factory, nullptr);
    ASSERT_EQ(S_OK, getClassObject(kClsid, IID_PPV_ARGS(&factory)));
    EXPECT_EQ(S_OK, canUnload());

    ComPtr<IUnknown> outer, aggregated;
    outer = factory; // any unknown will do as a would-be outer object
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.Get(), IID_PPV_ARGS(&aggregated)));

    ComPtr<IDispatch> slider;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_PPV_ARGS(&slider)));
    EXPECT_EQ(S_FALSE, canUnload());
    slider.Reset();
    EXPECT_EQ(S_OK, canUnload());

    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, canUnload());
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, canUnload());
}

TEST(ServerExports, ProgIdAndClsidCreateTheSameClass) {
    CLSID fromProgId{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"Tavrel_pro.NavigationSlider", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(fromProgId, kClsid));
    ComPtr<IPersist> byProgId, byClsid;
    ASSERT_EQ(S_OK, CoCreateInstance(fromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byProgId)));
    ASSERT_EQ(S_OK, CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byClsid)));
    CLSID a{}, b{};
    byProgId->GetClassID(&a);
    byClsid->GetClassID(&b);
    EXPECT_TRUE(IsEqualCLSID(a, b));
    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(S_OK, byClsid.As(&classInfo));
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, classInfo->GetClassInfo(&coclass));
    EXPECT_EQ(Name(coclass.Get()), L"NavigationSlider");
    GUID source{};
    ASSERT_EQ(S_OK, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualIID(source, kEventsIid));
}

class RegisteredTypeLibrary : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(S_OK, LoadRegTypeLib(kLibid, 2, 0, 0, &library)); }
    ComPtr<ITypeInfo> Info(UINT index) {
        ComPtr<ITypeInfo> info;
        library->GetTypeInfo(index, &info);
        return info;
    }
    ComPtr<ITypeLib> library;
};

TEST_F(RegisteredTypeLibrary, IdentityAndOrderOfTypes) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(attr->guid, kLibid));
    EXPECT_EQ(attr->wMajorVerNum, 2);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    EXPECT_TRUE(attr->wLibFlags & LIBFLAG_FCONTROL);
    library->ReleaseTLibAttr(attr);
    BSTR name = nullptr, doc = nullptr;
    library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    EXPECT_STREQ(name, L"Tavrel_pro");
    EXPECT_STREQ(doc, L"Tavrel_pro");
    SysFreeString(name);
    SysFreeString(doc);

    ASSERT_EQ(library->GetTypeInfoCount(), 4u);
    const wchar_t* names[] = {L"_NavigationSlider", L"NavigationSlider", L"__NavigationSlider",
                              L"GRADIENT_DIRECT"};
    const TYPEKIND kinds[] = {TKIND_DISPATCH, TKIND_COCLASS, TKIND_DISPATCH, TKIND_ENUM};
    const GUID guids[] = {kIid, kClsid, kEventsIid, kEnumGuid};
    for (UINT i = 0; i < 4; ++i) {
        auto info = Info(i);
        EXPECT_EQ(Name(info.Get()), names[i]);
        TYPEATTR* type = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&type));
        EXPECT_EQ(type->typekind, kinds[i]) << i;
        EXPECT_TRUE(IsEqualGUID(type->guid, guids[i])) << i;
        if (i == 0) {
            EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FDUAL);
            EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FHIDDEN);
        }
        if (i == 1) {
            EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCONTROL);
            EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCANCREATE);
            EXPECT_EQ(type->cImplTypes, 2);
        }
        info->ReleaseTypeAttr(type);
    }
    auto coclass = Info(1);
    INT flags0 = 0, flags1 = 0;
    coclass->GetImplTypeFlags(0, &flags0);
    coclass->GetImplTypeFlags(1, &flags1);
    EXPECT_EQ(flags0, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(flags1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
}

TEST_F(RegisteredTypeLibrary, ControlMembersByNameIdAndAccess) {
    auto info = Info(0);
    struct Expected {
        const wchar_t* name;
        MEMBERID id;
        std::vector<INVOKEKIND> kinds;
    };
    std::vector<Expected> table = {
        {L"TipText", dispid::TipText, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}},
        {L"Font", dispid::Font, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUTREF}},
        {L"HoverPic", dispid::HoverPic, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUTREF, INVOKE_PROPERTYPUT}},
        {L"NormalPic", dispid::NormalPic, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUTREF, INVOKE_PROPERTYPUT}},
        {L"Max", dispid::Max, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}},
        {L"Value", dispid::Value, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}},
        {L"SmallChange", dispid::SmallChange, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}},
        {L"LargeChange", dispid::LargeChange, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}},
        {L"RoundedValue", dispid::RoundedValue, {INVOKE_PROPERTYPUT}},
        {L"Enabled", dispid::Enabled, {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}},
        {L"GradientTwoColour", dispid::GradientTwoColour, {INVOKE_FUNC}},
        {L"About", dispid::About, {INVOKE_FUNC}},
    };
    static const std::wstring colours[17] = {L"Color0",  L"Color1",  L"Color2",  L"Color3",  L"Color4",
                                             L"Color5",  L"Color6",  L"Color7",  L"Color8",  L"Color9",
                                             L"Color10", L"Color11", L"Color12", L"Color13", L"Color14",
                                             L"Color15", L"Color16"};
    for (int n = 0; n < 17; ++n)
        table.push_back({colours[n].c_str(), dispid::Color(n), {INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT}});

    TYPEATTR* type = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&type));
    const WORD functions = type->cFuncs;
    info->ReleaseTypeAttr(type);
    size_t ownMembers = 0;
    for (const auto& expected : table) {
        LPOLESTR name = const_cast<LPOLESTR>(expected.name);
        MEMBERID id = 0;
        ASSERT_EQ(S_OK, info->GetIDsOfNames(&name, 1, &id)) << expected.name;
        EXPECT_EQ(id, expected.id) << expected.name;
        std::vector<INVOKEKIND> found;
        for (WORD i = 0; i < functions; ++i) {
            FUNCDESC* f = nullptr;
            info->GetFuncDesc(i, &f);
            if (f->memid == expected.id)
                found.push_back(f->invkind);
            info->ReleaseFuncDesc(f);
        }
        EXPECT_EQ(found, expected.kinds) << expected.name;
        ownMembers += found.size();
    }
    EXPECT_EQ(functions - ownMembers, 7u); // the rest are IUnknown's and IDispatch's

    std::wstring help;
    Name(info.Get(), dispid::RoundedValue, &help);
    EXPECT_EQ(help, L"Progressbar Rounded Corner Value.");
    Name(info.Get(), dispid::Enabled, &help);
    EXPECT_EQ(help, L"Progressbar Enabled/Disabled.");

    BSTR names[9] = {};
    UINT count = 0;
    ASSERT_EQ(S_OK, info->GetNames(dispid::GradientTwoColour, names, 9, &count));
    ASSERT_EQ(count, 9u);
    const wchar_t* expectedNames[] = {L"GradientTwoColour",
                                      L"hDC",
                                      L"Direction",
                                      L"StartColor",
                                      L"EndColor",
                                      L"Left",
                                      L"Top",
                                      L"Width",
                                      L"Height"};
    for (UINT i = 0; i < count; ++i) {
        EXPECT_STREQ(names[i], expectedNames[i]);
        SysFreeString(names[i]);
    }
}

TEST_F(RegisteredTypeLibrary, EventsAndEnumeration) {
    auto events = Info(2);
    const std::pair<MEMBERID, const wchar_t*> table[] = {
        {1, L"MouseMove"}, {2, L"MouseUP"},  {3, L"MouseDown"}, {4, L"Change"},     {5, L"OLEDragDrop"},
        {6, L"KeyDown"},   {7, L"KeyPress"}, {8, L"KeyUp"},     {9, L"OLEDragOver"}};
    const SHORT counts[] = {4, 4, 4, 4, 6, 2, 1, 2, 7};
    TYPEATTR* type = nullptr;
    ASSERT_EQ(S_OK, events->GetTypeAttr(&type));
    const WORD functions = type->cFuncs;
    events->ReleaseTypeAttr(type);
    int seen = 0;
    for (WORD i = 0; i < functions; ++i) {
        FUNCDESC* f = nullptr;
        events->GetFuncDesc(i, &f);
        for (int t = 0; t < 9; ++t) {
            if (f->memid != table[t].first)
                continue;
            ++seen;
            EXPECT_EQ(Name(events.Get(), f->memid), table[t].second);
            EXPECT_EQ(f->cParams, counts[t]) << table[t].second;
            for (SHORT p = 0; p < f->cParams; ++p)
                EXPECT_EQ(f->lprgelemdescParam[p].tdesc.vt, VT_PTR) << table[t].second; // by reference
        }
        events->ReleaseFuncDesc(f);
    }
    EXPECT_EQ(seen, 9);

    auto gradient = Info(3);
    const wchar_t* members[] = {L"Left to Right", L"Top to Bottom"};
    for (UINT i = 0; i < 2; ++i) {
        VARDESC* var = nullptr;
        ASSERT_EQ(S_OK, gradient->GetVarDesc(i, &var));
        EXPECT_EQ(var->lpvarValue->vt, VT_I4);
        EXPECT_EQ(var->lpvarValue->lVal, static_cast<LONG>(i));
        std::wstring help;
        EXPECT_EQ(Name(gradient.Get(), var->memid, &help), members[i]);
        EXPECT_EQ(help, members[i]);
        gradient->ReleaseVarDesc(var);
    }
}

TEST(ServerResources, InterfaceIdsToolboxPictureAndVersion) {
    Library library;
    ASSERT_NE(library.module, nullptr);
    for (auto [name, iid] :
         {std::pair{L"_IID_NAVIGATIONSLIDER", kIid}, std::pair{L"_SRCIID_NAVIGATIONSLIDER", kEventsIid}}) {
        HRSRC resource = FindResourceW(library.module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
        ASSERT_NE(resource, nullptr) << name;
        ASSERT_EQ(SizeofResource(library.module, resource), sizeof(GUID));
        const void* data = LockResource(LoadResource(library.module, resource));
        EXPECT_EQ(memcmp(data, &iid, sizeof(GUID)), 0) << name;
    }
    HRSRC bitmap = FindResourceW(library.module, MAKEINTRESOURCEW(30000), MAKEINTRESOURCEW(2)); // RT_BITMAP
    ASSERT_NE(bitmap, nullptr);
    auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(library.module, bitmap)));
    EXPECT_EQ(header->biWidth, 16);
    EXPECT_EQ(header->biHeight, 15);
    EXPECT_EQ(header->biBitCount, 24);
    EXPECT_NE(FindResourceW(library.module, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);

    const std::wstring path = OcxPath();
    DWORD ignored = 0;
    std::vector<BYTE> version(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    auto text = [&](const wchar_t* key) {
        wchar_t* value = nullptr;
        UINT length = 0;
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
        if (!VerQueryValueW(version.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"OriginalFilename"), L"Tavrel.ocx");
    EXPECT_EQ(text(L"InternalName"), L"Tavrel");
    EXPECT_EQ(text(L"ProductName"), L"Tavrel_pro");
    EXPECT_EQ(text(L"FileVersion"), L"1.00");
    EXPECT_EQ(text(L"OLESelfRegister"), L"");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

// Runs last in this program: other programs need the registration back afterwards.
TEST(ServerUnregistration, LeavesNeitherProgIdNorClsidThenRegistersAgain) {
    Library library;
    auto unregisterServer = library.Export<Entry>("DllUnregisterServer");
    auto registerServer = library.Export<Entry>("DllRegisterServer");
    ASSERT_TRUE(unregisterServer && registerServer);
    EXPECT_EQ(S_OK, unregisterServer());
    CLSID clsid{};
    EXPECT_NE(S_OK, CLSIDFromProgID(L"Tavrel_pro.NavigationSlider", &clsid));
    EXPECT_FALSE(KeyExists(kClsidKey));
    EXPECT_FALSE(KeyExists(L"Tavrel_pro.NavigationSlider"));
    EXPECT_FALSE(KeyExists(L"TypeLib\\{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}"));
    ComPtr<IUnknown> object;
    EXPECT_NE(S_OK, CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)));
    EXPECT_TRUE(KeyExists(L"CLSID"));    // nothing beyond its own keys
    EXPECT_EQ(S_OK, unregisterServer()); // twice is harmless

    EXPECT_EQ(S_OK, registerServer());
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"Tavrel_pro.NavigationSlider", &clsid));
}
