#pragma once
// COM identities of the library and the vtable of its dual interface _NavigationSlider.
// The vtable order here must match the order in which TypeLibGen.cpp adds the members.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

namespace klevotrim::tavrel {

// {E675B1F4-28A6-455E-86A7-8EA468C5B969}
inline constexpr CLSID CLSID_NavigationSlider = {
    0xE675B1F4, 0x28A6, 0x455E, {0x86, 0xA7, 0x8E, 0xA4, 0x68, 0xC5, 0xB9, 0x69}};
// {06CF502A-BC79-4A2A-82DB-B8C79AC0C785}
inline constexpr GUID LIBID_Tavrel_pro = {
    0x06CF502A, 0xBC79, 0x4A2A, {0x82, 0xDB, 0xB8, 0xC7, 0x9A, 0xC0, 0xC7, 0x85}};
// {8E64614F-5440-4435-8E8A-94DE55FEF456}
inline constexpr IID IID_NavigationSlider = {
    0x8E64614F, 0x5440, 0x4435, {0x8E, 0x8A, 0x94, 0xDE, 0x55, 0xFE, 0xF4, 0x56}};
// {AD4DEC08-1ED3-4A01-A09E-25A2526E2656}
inline constexpr IID DIID_NavigationSliderEvents = {
    0xAD4DEC08, 0x1ED3, 0x4A01, {0xA0, 0x9E, 0x25, 0xA2, 0x52, 0x6E, 0x26, 0x56}};
// {64DC3E9D-C11E-4414-808B-8A1BF7712569}
inline constexpr GUID GUID_GRADIENT_DIRECT = {
    0x64DC3E9D, 0xC11E, 0x4414, {0x80, 0x8B, 0x8A, 0x1B, 0xF7, 0x71, 0x25, 0x69}};

#ifdef _WIN64
inline constexpr SYSKIND kSysKind = SYS_WIN64;
#else
inline constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

enum GRADIENT_DIRECT : LONG { LeftToRight = 0, TopToBottom = 1 };

// The vtable side of the dual interface _NavigationSlider (C++ name kept legal).
struct INavigationSlider : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_TipText(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TipText(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* value) = 0;
#define TAVREL_COLOUR_PAIR(n)                                                                                \
    virtual HRESULT STDMETHODCALLTYPE get_Color##n(OLE_COLOR* value) = 0;                                    \
    virtual HRESULT STDMETHODCALLTYPE put_Color##n(OLE_COLOR value) = 0;
    TAVREL_COLOUR_PAIR(0)
    TAVREL_COLOUR_PAIR(1)
    TAVREL_COLOUR_PAIR(2)
    TAVREL_COLOUR_PAIR(3)
    TAVREL_COLOUR_PAIR(4)
    TAVREL_COLOUR_PAIR(5)
    TAVREL_COLOUR_PAIR(6)
    TAVREL_COLOUR_PAIR(7)
    TAVREL_COLOUR_PAIR(8)
    TAVREL_COLOUR_PAIR(9)
    TAVREL_COLOUR_PAIR(10)
    TAVREL_COLOUR_PAIR(11)
    TAVREL_COLOUR_PAIR(12)
    TAVREL_COLOUR_PAIR(13)
    TAVREL_COLOUR_PAIR(14)
    TAVREL_COLOUR_PAIR(15)
    TAVREL_COLOUR_PAIR(16)
#undef TAVREL_COLOUR_PAIR
    virtual HRESULT STDMETHODCALLTYPE get_HoverPic(IPictureDisp** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_HoverPic(IPictureDisp* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_HoverPic(IPictureDisp* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NormalPic(IPictureDisp** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_NormalPic(IPictureDisp* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_NormalPic(IPictureDisp* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Max(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Max(VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Value(VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SmallChange(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SmallChange(VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LargeChange(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_LargeChange(VARIANT value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_RoundedValue(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) = 0;
    // hDC is pointer-sized so that a 64-bit device-context handle is never cut.
    virtual HRESULT STDMETHODCALLTYPE GradientTwoColour(LONG_PTR hDC, GRADIENT_DIRECT Direction,
                                                        LONG StartColor, LONG EndColor, LONG* Left, LONG* Top,
                                                        LONG* Width, LONG* Height) = 0;
    virtual HRESULT STDMETHODCALLTYPE About(VARIANT* result) = 0;
};

} // namespace klevotrim::tavrel
