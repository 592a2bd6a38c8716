#pragma once
// The contract's identities as COM GUIDs, and the vtable of the dual interface _NavigationSlider.
// The vtable order here must match the order in which TypeLibGen.cpp adds the members.
#include "common/win/Guid.h"
#include "tavrel/Contract.h"

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

namespace klevotrim::tavrel {

inline constexpr CLSID CLSID_NavigationSlider = win::ToGuid(kClsid);
inline constexpr GUID LIBID_Tavrel_pro = win::ToGuid(kLibid);
inline constexpr IID IID_NavigationSlider = win::ToGuid(kIid);
inline constexpr IID DIID_NavigationSliderEvents = win::ToGuid(kEventsIid);
inline constexpr GUID GUID_GRADIENT_DIRECT = win::ToGuid(kGradientDirect);

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
