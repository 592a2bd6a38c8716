// Build-time generator: writes the type library Tavrel_pro (with the enum members whose
// names contain blanks, which no IDL compiler accepts) through ICreateTypeLib2, and the
// 16 x 15 toolbox bitmap and the control's 32 x 32 hand cursor.
// Usage: TavrelTypeLibGen <out.tlb> <out.bmp> <out.cur> [win32|win64]
// The last argument names the Windows the library is for (default: the generator's own), so
// that a 64-bit generator can write the 32-bit library when no 32-bit program can run here.
#include "tavrel/Interfaces.h"
#include "tavrel/SliderModel.h"

#include <wrl/client.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using namespace klevotrim::tavrel;

namespace {

// stdole2's identities of the types the library borrows.
constexpr GUID kStdOleFont = {0xBEF6E003, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
constexpr GUID kStdOlePicture = {
    0x7BF80981, 0xBF32, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
constexpr GUID kStdOleColor = {0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};

#define CHECK(expr)                                                                                          \
    do {                                                                                                     \
        HRESULT hr_ = (expr);                                                                                \
        if (FAILED(hr_)) {                                                                                   \
            std::fprintf(stderr, "TavrelTypeLibGen: %s failed: 0x%08lx (line %d)\n", #expr,                  \
                         static_cast<unsigned long>(hr_), __LINE__);                                         \
            return hr_;                                                                                      \
        }                                                                                                    \
    } while (0)

// The Windows a library describes: pointer-sized values and vtable slots follow it.
struct Target {
    SYSKIND sysKind;
    int pointerSize;
    VARTYPE handleType;
};
constexpr Target kWin32{SYS_WIN32, 4, VT_I4};
constexpr Target kWin64{SYS_WIN64, 8, VT_I8};

// A parameter or return type; nested pointers keep their pointee alive in a list.
struct Type {
    VARTYPE vt;
    HREFTYPE href = 0;
    int pointers = 0; // levels of VT_PTR around it
};

struct Param {
    Type type;
    USHORT flags = PARAMFLAG_FIN;
    const wchar_t* name = nullptr;
};

struct Member {
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    std::vector<Param> params; // for the dual side, a trailing retval param included
    const wchar_t* help = nullptr;
};

class TypeBuilder {
  public:
    TYPEDESC* Make(const Type& type) {
        auto base = std::make_unique<TYPEDESC>();
        base->vt = type.vt;
        if (type.vt == VT_USERDEFINED)
            base->hreftype = type.href;
        TYPEDESC* current = base.get();
        owned_.push_back(std::move(base));
        for (int i = 0; i < type.pointers; ++i) {
            auto pointer = std::make_unique<TYPEDESC>();
            pointer->vt = VT_PTR;
            pointer->lptdesc = current;
            current = pointer.get();
            owned_.push_back(std::move(pointer));
        }
        return current;
    }

  private:
    std::vector<std::unique_ptr<TYPEDESC>> owned_;
};

HRESULT AddMembers(ICreateTypeInfo2* info, const std::vector<Member>& members, bool dual,
                   const Target& target) {
    TypeBuilder types;
    for (UINT index = 0; index < members.size(); ++index) {
        const Member& member = members[index];
        std::vector<ELEMDESC> params(member.params.size());
        for (size_t i = 0; i < params.size(); ++i) {
            params[i].tdesc = *types.Make(member.params[i].type);
            params[i].paramdesc.wParamFlags = member.params[i].flags;
        }
        FUNCDESC desc{};
        desc.memid = member.id;
        desc.funckind = dual ? FUNC_PUREVIRTUAL : FUNC_DISPATCH;
        desc.invkind = member.kind;
        desc.callconv = CC_STDCALL;
        desc.cParams = static_cast<SHORT>(params.size());
        desc.lprgelemdescParam = params.empty() ? nullptr : params.data();
        desc.elemdescFunc.tdesc.vt = dual ? VT_HRESULT : VT_VOID;
        desc.oVft = dual ? static_cast<SHORT>((7 + index) * target.pointerSize) : 0;
        CHECK(info->AddFuncDesc(index, &desc));
        std::vector<LPOLESTR> names{const_cast<LPOLESTR>(member.name)};
        // Property arguments carry no names; method arguments do.
        if (member.kind == INVOKE_FUNC)
            for (const Param& param : member.params)
                if (param.name && !(param.flags & PARAMFLAG_FRETVAL))
                    names.push_back(const_cast<LPOLESTR>(param.name));
        CHECK(info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())));
        if (member.help)
            CHECK(info->SetFuncDocString(index, const_cast<LPOLESTR>(member.help)));
    }
    return S_OK;
}

HRESULT Reference(ICreateTypeInfo2* from, ITypeInfo* to, HREFTYPE* href) {
    return from->AddRefTypeInfo(to, href);
}

HRESULT Reference(ICreateTypeInfo2* from, ICreateTypeInfo2* to, HREFTYPE* href) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = to->QueryInterface(IID_PPV_ARGS(&info));
    if (FAILED(hr))
        return hr;
    return from->AddRefTypeInfo(info.Get(), href);
}

HRESULT WriteTypeLibrary(const std::wstring& path, const Target& target) {
    ComPtr<ITypeLib> stdole;
    CHECK(LoadTypeLib(L"stdole2.tlb", &stdole));
    ComPtr<ITypeInfo> dispatchInfo, fontInfo, pictureInfo, colourInfo;
    CHECK(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatchInfo));
    CHECK(stdole->GetTypeInfoOfGuid(kStdOleFont, &fontInfo));
    CHECK(stdole->GetTypeInfoOfGuid(kStdOlePicture, &pictureInfo));
    CHECK(stdole->GetTypeInfoOfGuid(kStdOleColor, &colourInfo));

    ComPtr<ICreateTypeLib2> lib;
    CHECK(CreateTypeLib2(target.sysKind, path.c_str(), &lib));
    CHECK(lib->SetGuid(LIBID_Tavrel_pro));
    CHECK(lib->SetVersion(kLibraryMajor, kLibraryMinor));
    CHECK(lib->SetName(const_cast<LPOLESTR>(kLibraryName)));
    CHECK(lib->SetDocString(const_cast<LPOLESTR>(kLibraryName)));
    CHECK(lib->SetLibFlags(kLibraryFlags));
    CHECK(lib->SetLcid(0));

    // Created in the library's order; filled in afterwards since they refer to each other.
    ComPtr<ICreateTypeInfo> dualBase, coclassBase, eventsBase, enumBase;
    CHECK(lib->CreateTypeInfo(const_cast<LPOLESTR>(kInterfaceName), TKIND_INTERFACE, &dualBase));
    CHECK(lib->CreateTypeInfo(const_cast<LPOLESTR>(kClassName), TKIND_COCLASS, &coclassBase));
    CHECK(lib->CreateTypeInfo(const_cast<LPOLESTR>(kEventsInterfaceName), TKIND_DISPATCH, &eventsBase));
    CHECK(lib->CreateTypeInfo(const_cast<LPOLESTR>(L"GRADIENT_DIRECT"), TKIND_ENUM, &enumBase));
    ComPtr<ICreateTypeInfo2> dual, coclass, events, gradient;
    CHECK(dualBase.As(&dual));
    CHECK(coclassBase.As(&coclass));
    CHECK(eventsBase.As(&events));
    CHECK(enumBase.As(&gradient));

    // GRADIENT_DIRECT.
    CHECK(gradient->SetGuid(GUID_GRADIENT_DIRECT));
    const wchar_t* enumNames[] = {L"Left to Right", L"Top to Bottom"};
    for (UINT i = 0; i < 2; ++i) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = static_cast<LONG>(i);
        VARDESC var{};
        var.memid = static_cast<MEMBERID>(0x40000000 + i);
        var.lpvarValue = &value;
        var.elemdescVar.tdesc.vt = VT_I4;
        var.varkind = VAR_CONST;
        CHECK(gradient->AddVarDesc(i, &var));
        CHECK(gradient->SetVarName(i, const_cast<LPOLESTR>(enumNames[i])));
        CHECK(gradient->SetVarDocString(i, const_cast<LPOLESTR>(enumNames[i])));
    }

    // _NavigationSlider: dual, hidden.
    HREFTYPE hrefDispatch, hrefFont, hrefPicture, hrefColour, hrefEnum;
    CHECK(dual->SetGuid(IID_NavigationSlider));
    CHECK(dual->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                             TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE));
    CHECK(Reference(dual.Get(), dispatchInfo.Get(), &hrefDispatch));
    CHECK(dual->AddImplType(0, hrefDispatch));
    CHECK(Reference(dual.Get(), fontInfo.Get(), &hrefFont));
    CHECK(Reference(dual.Get(), pictureInfo.Get(), &hrefPicture));
    CHECK(Reference(dual.Get(), colourInfo.Get(), &hrefColour));
    CHECK(Reference(dual.Get(), gradient.Get(), &hrefEnum));

    const USHORT retval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    const Type text{VT_BSTR}, variant{VT_VARIANT}, boolean{VT_BOOL}, int32{VT_I4};
    const Type font{VT_USERDEFINED, hrefFont, 1}, picture{VT_USERDEFINED, hrefPicture, 1};
    const Type colour{VT_USERDEFINED, hrefColour, 0};
    auto out = [](Type t) {
        ++t.pointers;
        return t;
    };
    std::vector<Member> members;
    auto getLet = [&](const wchar_t* name, MEMBERID id, Type type, INVOKEKIND put) {
        members.push_back({name, id, INVOKE_PROPERTYGET, {{out(type), retval}}});
        members.push_back({name, id, put, {{type}}});
    };
    getLet(L"TipText", dispid::TipText, text, INVOKE_PROPERTYPUT);
    getLet(L"Font", dispid::Font, font, INVOKE_PROPERTYPUTREF);
    static const wchar_t* colourNames[] = {L"Color0",  L"Color1",  L"Color2",  L"Color3",  L"Color4",
                                           L"Color5",  L"Color6",  L"Color7",  L"Color8",  L"Color9",
                                           L"Color10", L"Color11", L"Color12", L"Color13", L"Color14",
                                           L"Color15", L"Color16"};
    for (int n = 0; n < kColourCount; ++n)
        getLet(colourNames[n], dispid::Color(n), colour, INVOKE_PROPERTYPUT);
    for (auto [name, id] :
         {std::pair{L"HoverPic", dispid::HoverPic}, std::pair{L"NormalPic", dispid::NormalPic}}) {
        getLet(name, id, picture, INVOKE_PROPERTYPUTREF);
        members.push_back({name, id, INVOKE_PROPERTYPUT, {{picture}}});
    }
    getLet(L"Max", dispid::Max, variant, INVOKE_PROPERTYPUT);
    getLet(L"Value", dispid::Value, variant, INVOKE_PROPERTYPUT);
    getLet(L"SmallChange", dispid::SmallChange, variant, INVOKE_PROPERTYPUT);
    getLet(L"LargeChange", dispid::LargeChange, variant, INVOKE_PROPERTYPUT);
    members.push_back({L"RoundedValue",
                       dispid::RoundedValue,
                       INVOKE_PROPERTYPUT,
                       {{int32}},
                       L"Progressbar Rounded Corner Value."});
    members.push_back({L"Enabled",
                       dispid::Enabled,
                       INVOKE_PROPERTYGET,
                       {{out(boolean), retval}},
                       L"Progressbar Enabled/Disabled."});
    members.push_back(
        {L"Enabled", dispid::Enabled, INVOKE_PROPERTYPUT, {{boolean}}, L"Progressbar Enabled/Disabled."});
    const Type handle{target.handleType};
    const USHORT inOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
    members.push_back({L"GradientTwoColour",
                       dispid::GradientTwoColour,
                       INVOKE_FUNC,
                       {{handle, PARAMFLAG_FIN, L"hDC"},
                        {Type{VT_USERDEFINED, hrefEnum}, PARAMFLAG_FIN, L"Direction"},
                        {int32, PARAMFLAG_FIN, L"StartColor"},
                        {int32, PARAMFLAG_FIN, L"EndColor"},
                        {out(int32), inOut, L"Left"},
                        {out(int32), inOut, L"Top"},
                        {out(int32), inOut, L"Width"},
                        {out(int32), inOut, L"Height"}}});
    members.push_back({L"About", dispid::About, INVOKE_FUNC, {{out(variant), retval}}});
    if (HRESULT hr = AddMembers(dual.Get(), members, true, target); FAILED(hr))
        return hr;

    // __NavigationSlider: the events, every argument by reference.
    CHECK(events->SetGuid(DIID_NavigationSliderEvents));
    CHECK(events->SetTypeFlags(0));
    HREFTYPE hrefEventsDispatch;
    CHECK(Reference(events.Get(), dispatchInfo.Get(), &hrefEventsDispatch));
    CHECK(events->AddImplType(0, hrefEventsDispatch));
    const Type i16{VT_I2, 0, 1}, single{VT_R4, 0, 1}, i32{VT_I4, 0, 1}, data{VT_DISPATCH, 0, 1};
    auto p = [&](Type t, const wchar_t* name) { return Param{t, inOut, name}; };
    std::vector<Member> eventMembers = {
        {L"MouseMove",
         event::MouseMove,
         INVOKE_FUNC,
         {p(i16, L"Button"), p(i16, L"Shift"), p(single, L"x"), p(single, L"y")}},
        {L"MouseUP",
         event::MouseUP,
         INVOKE_FUNC,
         {p(i16, L"Button"), p(i16, L"Shift"), p(single, L"x"), p(single, L"y")}},
        {L"MouseDown",
         event::MouseDown,
         INVOKE_FUNC,
         {p(i16, L"Button"), p(i16, L"Shift"), p(single, L"x"), p(single, L"y")}},
        {L"Change",
         event::Change,
         INVOKE_FUNC,
         {p(i16, L"Button"), p(i32, L"Value"), p(single, L"x"), p(single, L"y")}},
        {L"OLEDragDrop",
         event::OLEDragDrop,
         INVOKE_FUNC,
         {p(data, L"Data"), p(i32, L"Effect"), p(i16, L"Button"), p(i16, L"Shift"), p(single, L"x"),
          p(single, L"y")}},
        {L"KeyDown", event::KeyDown, INVOKE_FUNC, {p(i16, L"KeyCode"), p(i16, L"Shift")}},
        {L"KeyPress", event::KeyPress, INVOKE_FUNC, {p(i16, L"KeyAscii")}},
        {L"KeyUp", event::KeyUp, INVOKE_FUNC, {p(i16, L"KeyCode"), p(i16, L"Shift")}},
        {L"OLEDragOver",
         event::OLEDragOver,
         INVOKE_FUNC,
         {p(data, L"Data"), p(i32, L"Effect"), p(i16, L"Button"), p(i16, L"Shift"), p(single, L"x"),
          p(single, L"y"), p(i16, L"State")}},
    };
    if (HRESULT hr = AddMembers(events.Get(), eventMembers, false, target); FAILED(hr))
        return hr;

    // NavigationSlider: a creatable control.
    CHECK(coclass->SetGuid(CLSID_NavigationSlider));
    CHECK(coclass->SetTypeFlags(TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL));
    HREFTYPE hrefDual, hrefEvents;
    CHECK(Reference(coclass.Get(), dual.Get(), &hrefDual));
    CHECK(Reference(coclass.Get(), events.Get(), &hrefEvents));
    CHECK(coclass->AddImplType(0, hrefDual));
    CHECK(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT));
    CHECK(coclass->AddImplType(1, hrefEvents));
    CHECK(coclass->SetImplTypeFlags(1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE));

    CHECK(dual->LayOut());
    CHECK(coclass->LayOut());
    CHECK(events->LayOut());
    CHECK(gradient->LayOut());
    CHECK(lib->SaveAllChanges());
    return S_OK;
}

// The toolbox picture: a small seek bar, track and filled part, 16 x 15, 24 bits.
bool WriteToolboxBitmap(const std::wstring& path) {
    constexpr int width = 16, height = 15, stride = width * 3;
    std::vector<unsigned char> pixels(stride * height, 0xC0);
    auto put = [&](int x, int y, COLORREF c) {
        unsigned char* p = &pixels[(height - 1 - y) * stride + x * 3]; // bottom-up rows
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
    };
    for (int y = 5; y <= 9; ++y)
        for (int x = 1; x <= 14; ++x)
            put(x, y,
                x <= 8 ? (y < 7 ? RGB(239, 213, 133) : RGB(203, 166, 57))
                       : (y < 7 ? RGB(174, 188, 195) : RGB(145, 167, 175)));
    for (int y = 3; y <= 11; ++y)
        put(8, y, RGB(64, 64, 64));
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    HANDLE out =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = ::WriteFile(out, &file, sizeof(file), &written, nullptr) &&
              ::WriteFile(out, &info, sizeof(info), &written, nullptr) &&
              ::WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(out);
    return ok;
}

bool WriteBytesToFile(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    HANDLE out =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(out);
    return ok;
}

// The seek bar's pointer: a pointing hand, black outline, white inside, hot spot at the
// fingertip. 'X' black, '.' white, ' ' transparent.
bool WriteHandCursor(const std::wstring& path) {
    static const char* const art[] = {
        "     XX         ", "    X..X        ", "    X..X        ", "    X..X        ", "    X..X        ",
        "    X..XXX      ", "    X..X..XX    ", "    X..X..X.XX  ", " XX X..X..X.X.X ", "X..XX.......X.X ",
        "X...X.........X ", " X............X ", "  X...........X ", "  X..........X  ", "   X.........X  ",
        "   X........X   ", "    X.......X   ", "    X.......X   ", "    XXXXXXXXX   ",
    };
    constexpr int size = 32, rowBytes = 4;
    std::vector<unsigned char> xorMask(size * rowBytes, 0), andMask(size * rowBytes, 0xFF);
    for (int y = 0; y < static_cast<int>(sizeof(art) / sizeof(art[0])); ++y) {
        for (int x = 0; art[y][x]; ++x) {
            if (art[y][x] == ' ')
                continue;
            const int row = size - 1 - y; // bottom-up
            const unsigned char bit = static_cast<unsigned char>(0x80 >> (x % 8));
            andMask[row * rowBytes + x / 8] &= static_cast<unsigned char>(~bit);
            if (art[y][x] == '.')
                xorMask[row * rowBytes + x / 8] |= bit;
        }
    }
    std::vector<unsigned char> bytes;
    auto put16 = [&](unsigned v) {
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto put32 = [&](unsigned v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const unsigned imageSize = 40 + 8 + static_cast<unsigned>(xorMask.size() + andMask.size());
    put16(0); // reserved
    put16(2); // cursor
    put16(1); // one image
    bytes.push_back(size);
    bytes.push_back(size);
    bytes.push_back(0);
    bytes.push_back(0);
    put16(5); // hot spot x
    put16(0); // hot spot y
    put32(imageSize);
    put32(22);
    put32(40); // BITMAPINFOHEADER
    put32(size);
    put32(size * 2); // XOR and AND masks
    put16(1);
    put16(1);
    for (int i = 0; i < 6; ++i)
        put32(0);
    put32(0x00000000); // black
    put32(0x00FFFFFF); // white
    bytes.insert(bytes.end(), xorMask.begin(), xorMask.end());
    bytes.insert(bytes.end(), andMask.begin(), andMask.end());
    return WriteBytesToFile(path, bytes);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring targetName = argc == 5 ? argv[4] : (kSysKind == SYS_WIN64 ? L"win64" : L"win32");
    if ((argc != 4 && argc != 5) || (targetName != L"win32" && targetName != L"win64")) {
        std::fprintf(stderr, "usage: TavrelTypeLibGen <out.tlb> <out.bmp> <out.cur> [win32|win64]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    HRESULT hr = WriteTypeLibrary(argv[1], targetName == L"win64" ? kWin64 : kWin32);
    CoUninitialize();
    if (FAILED(hr))
        return 1;
    return WriteToolboxBitmap(argv[2]) && WriteHandCursor(argv[3]) ? 0 : 1;
}
