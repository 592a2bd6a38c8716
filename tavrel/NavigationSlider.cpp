#include "tavrel/NavigationSlider.h"

#include "tavrel/AboutWindow.h"
#include "tavrel/Contract.h"
#include "tavrel/Server.h"
#include "tavrel/TipWindow.h"

#include "common/Rounding.h"

#include <windowsx.h>

#include <new>

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kWindowClass[] = L"TavrelNavigationSlider";
constexpr int kMaxPumpedMessages = 512; // one pass over what is queued, never an endless loop

bool RegisterWindowClass() {
    // No class cursor: the control sets its hand cursor itself.
    return EnsureWindowClass(kWindowClass, NavigationSlider::WindowProc, nullptr);
}

LONG PixelsToHimetric(LONG pixels, int dpi) {
    return MulDiv(pixels, 2540, dpi);
}

int ScreenDpi() {
    win::WindowDc screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
}

// Numeric reading of an automation value: numbers and text that reads as a number.
std::optional<double> AsNumber(const VARIANT& value) {
    Variant source, number;
    if (FAILED(VariantCopyInd(source.put(), const_cast<VARIANT*>(&value))))
        return std::nullopt;
    if (FAILED(VariantChangeTypeEx(number.put(), source.get(), LOCALE_USER_DEFAULT, 0, VT_R8)))
        return std::nullopt;
    return number.get()->dblVal;
}

VARIANT Int32Variant(std::int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// Whether an automation value equals a number (a stored default).
bool EqualsNumber(const VARIANT& value, double number) {
    auto n = AsNumber(value);
    return n && *n == number && value.vt != VT_BSTR && value.vt != VT_EMPTY;
}

int ButtonBitsFromKeys(WPARAM keys) {
    return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) | ((keys & MK_MBUTTON) ? 4 : 0);
}

} // namespace

HRESULT NavigationSlider::Create(REFIID iid, void** object) {
    auto* slider = new (std::nothrow) NavigationSlider();
    if (!slider)
        return E_OUTOFMEMORY;
    HRESULT hr = slider->Initialise();
    if (SUCCEEDED(hr))
        hr = slider->QueryInterface(iid, object);
    slider->Release();
    return hr;
}

NavigationSlider::NavigationSlider()
    : events_(this, DIID_NavigationSliderEvents), notify_(this, IID_IPropertyNotifySink) {
    ObjectCreated();
    max_.get()->vt = VT_I4;
    max_.get()->lVal = static_cast<LONG>(kDefaultMax);
    const int dpi = ScreenDpi();
    extent_ = {PixelsToHimetric(size_.cx, dpi), PixelsToHimetric(size_.cy, dpi)};
}

NavigationSlider::~NavigationSlider() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    ObjectDestroyed();
}

HRESULT NavigationSlider::Initialise() {
    HRESULT hr = LoadOwnTypeLib(&library_);
    if (FAILED(hr))
        return hr;
    hr = library_->GetTypeInfoOfGuid(IID_NavigationSlider, &dispatchInfo_);
    if (FAILED(hr))
        return hr;
    // A dual interface's type info is the dispatch side; its vtable side is reference -1.
    HREFTYPE vtable = 0;
    hr = dispatchInfo_->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable);
    if (SUCCEEDED(hr))
        hr = dispatchInfo_->GetRefTypeInfo(vtable, &dualInfo_);
    return hr;
}

// ---- IUnknown ----

STDMETHODIMP NavigationSlider::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_NavigationSlider)
        *object = static_cast<INavigationSlider*>(this);
    else if (iid == IID_IOleObject)
        *object = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
        *object = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IOleInPlaceActiveObject)
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == IID_IOleControl)
        *object = static_cast<IOleControl*>(this);
    else if (iid == IID_IViewObject || iid == IID_IViewObject2)
        *object = static_cast<IViewObject2*>(this);
    else if (iid == IID_IPersistPropertyBag)
        *object = static_cast<IPersistPropertyBag*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
        *object = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        *object = static_cast<IProvideClassInfo2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) NavigationSlider::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) NavigationSlider::Release() {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

// ---- IDispatch ----

STDMETHODIMP NavigationSlider::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return dispatchInfo_.CopyTo(info);
}

STDMETHODIMP NavigationSlider::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    return DispGetIDsOfNames(dualInfo_.Get(), names, count, ids);
}

STDMETHODIMP NavigationSlider::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                      VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!params)
        return E_INVALIDARG;
    // Check the member and the argument count first, so that every wrong call gets a clear
    // DISP_E_* answer whatever the type-info implementation would make of it.
    TYPEATTR* attributes = nullptr;
    if (FAILED(dualInfo_->GetTypeAttr(&attributes)))
        return E_UNEXPECTED;
    const WORD functions = attributes->cFuncs;
    dualInfo_->ReleaseTypeAttr(attributes);
    bool known = false, matched = false, countOk = false;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    for (WORD i = 0; i < functions && !countOk; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(dualInfo_->GetFuncDesc(i, &desc)))
            continue;
        if (desc->memid == id) {
            known = true;
            const bool kindOk =
                put ? ((desc->invkind == INVOKE_PROPERTYPUT && (flags & DISPATCH_PROPERTYPUT)) ||
                       (desc->invkind == INVOKE_PROPERTYPUTREF && (flags & DISPATCH_PROPERTYPUTREF)))
                    : ((desc->invkind == INVOKE_PROPERTYGET && (flags & DISPATCH_PROPERTYGET)) ||
                       (desc->invkind == INVOKE_FUNC && (flags & DISPATCH_METHOD)));
            if (kindOk) {
                matched = true;
                UINT expected = 0;
                for (SHORT p = 0; p < desc->cParams; ++p)
                    if (!(desc->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
                        ++expected;
                countOk = params->cArgs == expected;
            }
        }
        dualInfo_->ReleaseFuncDesc(desc);
    }
    if (!known || !matched)
        return DISP_E_MEMBERNOTFOUND;
    if (!countOk)
        return DISP_E_BADPARAMCOUNT;
    if (put && (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
                params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTOPTIONAL;
    // The control may be released by a host handler running inside the call.
    ComPtr<INavigationSlider> keepAlive(this);
    EXCEPINFO raised{};
    // Only the kind of call matched above goes on: with get and put bits mixed, the type
    // information's Invoke (Wine's) picks the getter and faults on the put's argument.
    const WORD kinds = put ? (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
                           : (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
    HRESULT hr = DispInvoke(static_cast<INavigationSlider*>(this), dualInfo_.Get(), id, kinds, params, result,
                            &raised, argError);
    // A member that fails with an automation error (a Max that is not a number) gives that
    // error itself, as the caller of a property expects, not a wrapped exception.
    if (hr == DISP_E_EXCEPTION && HRESULT_FACILITY(raised.scode) == FACILITY_DISPATCH) {
        hr = raised.scode;
        SysFreeString(raised.bstrSource);
        SysFreeString(raised.bstrDescription);
        SysFreeString(raised.bstrHelpFile);
    } else if (exception) {
        *exception = raised;
    } else {
        SysFreeString(raised.bstrSource);
        SysFreeString(raised.bstrDescription);
        SysFreeString(raised.bstrHelpFile);
    }
    return hr;
}

// ---- Properties ----

STDMETHODIMP NavigationSlider::get_TipText(BSTR* value) {
    if (!value)
        return E_POINTER;
    *value = SysAllocStringLen(tipText_.data(), static_cast<UINT>(tipText_.size()));
    return *value ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP NavigationSlider::put_TipText(BSTR value) {
    tipText_.assign(value ? value : L"", value ? SysStringLen(value) : 0);
    PropertyChanged(dispid::TipText);
    Redraw();
    return S_OK;
}

STDMETHODIMP NavigationSlider::get_Font(IFontDisp** value) {
    if (!value)
        return E_POINTER;
    return font_.CopyTo(value);
}

STDMETHODIMP NavigationSlider::putref_Font(IFontDisp* value) {
    font_ = value;
    PropertyChanged(dispid::Font);
    ComPtr<IFont> font;
    HFONT handle = nullptr;
    if (font_ && SUCCEEDED(font_.As(&font)) && SUCCEEDED(font->get_hFont(&handle)))
        surface_.UseFont(handle);
    Redraw();
    return S_OK;
}

HRESULT NavigationSlider::GetColour(int index, OLE_COLOR* value) {
    if (!value)
        return E_POINTER;
    *value = colours_[index];
    return S_OK;
}

HRESULT NavigationSlider::PutColour(int index, OLE_COLOR value) {
    colours_[index] = value;
    PropertyChanged(dispid::Color(index));
    Redraw();
    return S_OK;
}

HRESULT NavigationSlider::SetPicture(ComPtr<IPictureDisp>& slot, IPictureDisp* value, DISPID id) {
    slot = value;
    PropertyChanged(id);
    Redraw();
    return S_OK;
}

STDMETHODIMP NavigationSlider::get_HoverPic(IPictureDisp** value) {
    if (!value)
        return E_POINTER;
    return hoverPic_.CopyTo(value);
}
STDMETHODIMP NavigationSlider::putref_HoverPic(IPictureDisp* value) {
    return SetPicture(hoverPic_, value, dispid::HoverPic);
}
STDMETHODIMP NavigationSlider::put_HoverPic(IPictureDisp* value) {
    return SetPicture(hoverPic_, value, dispid::HoverPic);
}
STDMETHODIMP NavigationSlider::get_NormalPic(IPictureDisp** value) {
    if (!value)
        return E_POINTER;
    return normalPic_.CopyTo(value);
}
STDMETHODIMP NavigationSlider::putref_NormalPic(IPictureDisp* value) {
    return SetPicture(normalPic_, value, dispid::NormalPic);
}
STDMETHODIMP NavigationSlider::put_NormalPic(IPictureDisp* value) {
    return SetPicture(normalPic_, value, dispid::NormalPic);
}

std::optional<std::int32_t> NavigationSlider::MaxRead() const {
    auto number = AsNumber(*max_.get());
    return number ? ReadMax(*number) : std::nullopt;
}

std::optional<std::int32_t> NavigationSlider::ValueRead() const {
    return PositionToValue(marker_, Width(), MaxRead());
}

STDMETHODIMP NavigationSlider::get_Max(VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value); // a Max that cannot be read gives an empty value, never an error
    if (auto max = MaxRead())
        *value = Int32Variant(*max);
    return S_OK;
}

STDMETHODIMP NavigationSlider::put_Max(VARIANT value) {
    auto number = AsNumber(value);
    if (!number)
        return DISP_E_TYPEMISMATCH;
    if (MaxNeedsMinimum(*number)) {
        VARIANT one = Int32Variant(1);
        VariantCopy(max_.put(), &one);
    } else {
        HRESULT hr = VariantCopyInd(max_.put(), &value);
        if (FAILED(hr))
            return hr;
    }
    dirty_ = true;
    Redraw();
    return S_OK;
}

STDMETHODIMP NavigationSlider::get_Value(VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    if (auto read = ValueRead())
        *value = Int32Variant(*read);
    return S_OK;
}

void NavigationSlider::PumpPendingMessages() {
    MSG msg;
    for (int i = 0; i < kMaxPumpedMessages && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // leave it for the host's own loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

STDMETHODIMP NavigationSlider::put_Value(VARIANT value) {
    if (!enabled_)
        return S_OK;
    ComPtr<INavigationSlider> keepAlive(this); // the pump may run a host handler that releases us
    Variant assigned;
    if (FAILED(VariantCopyInd(assigned.put(), &value)))
        return S_OK;
    PumpPendingMessages();
    auto number = AsNumber(*assigned.get());
    if (!number)
        return S_OK; // not numeric: ignored silently
    auto marker = MarkerForValue(*number, MaxRead(), Width());
    if (!marker)
        return S_OK;
    marker_ = *marker;
    dirty_ = true;
    Redraw();
    return S_OK;
}

STDMETHODIMP NavigationSlider::get_SmallChange(VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, smallChange_.get());
}
STDMETHODIMP NavigationSlider::put_SmallChange(VARIANT value) {
    dirty_ = true;
    return VariantCopyInd(smallChange_.put(), &value);
}
STDMETHODIMP NavigationSlider::get_LargeChange(VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, largeChange_.get());
}
STDMETHODIMP NavigationSlider::put_LargeChange(VARIANT value) {
    dirty_ = true;
    return VariantCopyInd(largeChange_.put(), &value);
}

STDMETHODIMP NavigationSlider::put_RoundedValue(LONG value) {
    roundedValue_ = value;
    PropertyChanged(dispid::RoundedValue);
    ApplyShape();
    return S_OK;
}

STDMETHODIMP NavigationSlider::get_Enabled(VARIANT_BOOL* value) {
    if (!value)
        return E_POINTER;
    *value = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP NavigationSlider::put_Enabled(VARIANT_BOOL value) {
    enabled_ = value != VARIANT_FALSE;
    PropertyChanged(dispid::Enabled);
    ApplyShape();
    Redraw();
    return S_OK;
}

STDMETHODIMP NavigationSlider::GradientTwoColour(LONG_PTR hDC, GRADIENT_DIRECT Direction, LONG StartColor,
                                                 LONG EndColor, LONG* Left, LONG* Top, LONG* Width,
                                                 LONG* Height) {
    if (!Left || !Top || !Width || !Height)
        return E_POINTER;
    tavrel::GradientTwoColour(reinterpret_cast<HDC>(hDC), Direction, static_cast<std::uint32_t>(StartColor),
                              static_cast<std::uint32_t>(EndColor), *Left, *Top, *Width, *Height);
    return S_OK;
}

STDMETHODIMP NavigationSlider::About(VARIANT* result) {
    if (result)
        VariantInit(result);
    ComPtr<INavigationSlider> keepAlive(this);
    ShowAbout(HostWindow()); // any failure inside is ignored
    return S_OK;
}

// ---- Value model geometry ----

int NavigationSlider::Width() const {
    RECT client;
    if (window_ && GetClientRect(window_, &client))
        return client.right - client.left;
    return size_.cx;
}

int NavigationSlider::Height() const {
    RECT client;
    if (window_ && GetClientRect(window_, &client))
        return client.bottom - client.top;
    return size_.cy;
}

// ---- Drawing ----

void NavigationSlider::LoadColours() {
    palette_ = colours_;
}

void NavigationSlider::Redraw() {
    if (!enabled_)
        return; // the marker stays hidden and the greyed image stays as it is
    markerPicture_ = hoverPic_;
    // Start from the property colours, so that a colour just assigned shows at once.
    LoadColours();
    const int width = Width(), height = Height();
    if (!surface_.EnsureSize(width, height))
        return;
    surface_.Clear();
    PaintTrack(surface_.dc(), palette_, width, height);
    if (auto value = ValueRead(); value && *value >= 1)
        PaintFilledPart(surface_.dc(), palette_, static_cast<int>(RoundHalfEven(marker_)), height);
    LoadColours();
    Present();
}

void NavigationSlider::ApplyShape() {
    const int width = Width(), height = Height();
    if (window_) {
        win::UniqueRegion region(CreateRoundRectRgn(0, 0, width, height, roundedValue_, roundedValue_));
        // The window owns the region once it accepts it.
        if (region && SetWindowRgn(window_, region.get(), TRUE))
            region.release();
    }
    if (!enabled_)
        for (auto& colour : palette_)
            colour = GreyOf(colour);
    if (surface_.EnsureSize(width, height)) {
        surface_.Clear();
        PaintTrack(surface_.dc(), palette_, width, height);
    }
    LoadColours();
    Present();
}

void NavigationSlider::PointerRepaint(std::int32_t x) {
    const int width = Width(), height = Height();
    if (!surface_.EnsureSize(width, height))
        return;
    surface_.Clear();
    PaintTrack(surface_.dc(), palette_, width, height);
    if (auto value = ValueRead(); value && *value >= 1)
        PaintFilledPart(surface_.dc(), palette_, x < 0 ? 0 : (x > width ? width : x), height);
    LoadColours();
    Present();
}

void NavigationSlider::Present() {
    // The window blits the image at its next paint; bursts of repaints (a drag) reach the
    // screen once the thread is idle instead of once per step.
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
    if (viewSink_)
        viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

void NavigationSlider::PropertyChanged(DISPID id) {
    dirty_ = true;
    NotifyChanged(notify_, id);
}

// ---- Persistence ----

ComPtr<IFontDisp> NavigationSlider::NewStandardFont() {
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.lpstrName = const_cast<LPOLESTR>(L"MS Sans Serif");
    desc.cySize.int64 = 82500; // 8.25 points
    desc.sWeight = FW_NORMAL;
    desc.sCharset = DEFAULT_CHARSET;
    ComPtr<IFontDisp> font;
    OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(font.GetAddressOf()));
    return font;
}

ComPtr<IFontDisp> NavigationSlider::AmbientFont() {
    ComPtr<IDispatch> ambients;
    if (!clientSite_ || FAILED(clientSite_.As(&ambients)))
        return NewStandardFont(); // hosts without ambient properties: the standard font
    DISPPARAMS none{};
    Variant result;
    ComPtr<IFontDisp> font;
    if (SUCCEEDED(ambients->Invoke(DISPID_AMBIENT_FONT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &none, result.get(), nullptr, nullptr)) &&
        (result.get()->vt == VT_DISPATCH || result.get()->vt == VT_UNKNOWN) && result.get()->punkVal &&
        SUCCEEDED(result.get()->punkVal->QueryInterface(IID_PPV_ARGS(&font))))
        return font;
    return NewStandardFont();
}

void NavigationSlider::InitProperties() {
    markerPicture_.Reset();
    putref_Font(NewStandardFont().Get());
    VARIANT max = Int32Variant(static_cast<std::int32_t>(kDefaultMax));
    put_Max(max);
    VARIANT value = Int32Variant(static_cast<std::int32_t>(kInitialValue));
    put_Value(value);
    put_RoundedValue(kInitialRoundedValue);
    put_Enabled(VARIANT_TRUE);
    LoadColours();
    for (int i = 0; i < kColourCount; ++i)
        PutColour(i, kDefaultColours[i]);
    dirty_ = false;
}

void NavigationSlider::ReadProperties(IPropertyBag* bag, IErrorLog* log) {
    // Reads one key: its stored value, or `fallback` when the bag has none.
    auto read = [&](const wchar_t* key, VARTYPE hint, Variant& out) {
        out.put()->vt = hint;
        if (FAILED(bag->Read(key, out.get(), log)))
            VariantInit(out.put());
        return out.get()->vt != VT_EMPTY || hint == VT_EMPTY;
    };
    auto number = [&](const wchar_t* key, double fallback) {
        Variant v;
        read(key, VT_EMPTY, v);
        if (v.get()->vt == VT_EMPTY) {
            v.get()->vt = VT_R8;
            v.get()->dblVal = fallback;
        }
        return v;
    };
    for (int i = 0; i < kColourCount; ++i) {
        Variant v = number(std::wstring(kStoredKeys[i]).c_str(), kDefaultColours[i]);
        Variant colour;
        if (SUCCEEDED(VariantChangeType(colour.put(), v.get(), 0, VT_I4)))
            PutColour(i, static_cast<OLE_COLOR>(colour.get()->lVal));
        else if (SUCCEEDED(VariantChangeType(colour.put(), v.get(), 0, VT_UI4)))
            PutColour(i, static_cast<OLE_COLOR>(colour.get()->ulVal));
    }
    {
        Variant v;
        ComPtr<IFontDisp> font;
        if (read(L"Font", VT_DISPATCH, v) && (v.get()->vt == VT_DISPATCH || v.get()->vt == VT_UNKNOWN) &&
            v.get()->punkVal)
            v.get()->punkVal->QueryInterface(IID_PPV_ARGS(&font));
        font_ = font ? font : AmbientFont(); // directly: no notification, no redraw
    }
    {
        Variant v, text;
        read(L"TipText", VT_EMPTY, v);
        if (v.get()->vt == VT_EMPTY) {
            v.get()->vt = VT_BSTR;
            v.get()->bstrVal = SysAllocString(std::wstring(kStoredTipTextDefault).c_str());
        }
        if (SUCCEEDED(VariantChangeType(text.put(), v.get(), 0, VT_BSTR)))
            put_TipText(text.get()->bstrVal);
    }
    using PictureSetter = HRESULT (STDMETHODCALLTYPE NavigationSlider::*)(IPictureDisp*);
    for (auto [key, setter] :
         {std::pair<const wchar_t*, PictureSetter>{L"HoverPic", &NavigationSlider::putref_HoverPic},
          std::pair<const wchar_t*, PictureSetter>{L"NormalPic", &NavigationSlider::putref_NormalPic}}) {
        Variant v;
        ComPtr<IPictureDisp> picture;
        if (read(key, VT_DISPATCH, v) && (v.get()->vt == VT_DISPATCH || v.get()->vt == VT_UNKNOWN) &&
            v.get()->punkVal && FAILED(v.get()->punkVal->QueryInterface(IID_PPV_ARGS(&picture))))
            continue; // something that is not a picture: skipped
        (this->*setter)(picture.Get());
    }
    put_SmallChange(*number(L"SmallChange", 1).get());
    put_LargeChange(*number(L"LargeChange", 1).get());
    put_Max(*number(L"Max", kDefaultMax).get()); // a non-numeric Max is skipped
    put_Value(*number(L"Value", kStoredValueDefault).get());
    {
        Variant v = number(L"RoundedValue", kStoredRoundedValueDefault), rounded;
        if (SUCCEEDED(VariantChangeType(rounded.put(), v.get(), 0, VT_I4)))
            put_RoundedValue(rounded.get()->lVal);
    }
    {
        Variant v, flag;
        read(L"Enabled", VT_EMPTY, v);
        if (v.get()->vt == VT_EMPTY) {
            v.get()->vt = VT_BOOL;
            v.get()->boolVal = VARIANT_TRUE;
        }
        if (SUCCEEDED(VariantChangeType(flag.put(), v.get(), 0, VT_BOOL)))
            put_Enabled(flag.get()->boolVal);
    }
    Redraw();
    dirty_ = false;
}

HRESULT NavigationSlider::WriteProperties(IPropertyBag* bag) {
    HRESULT result = S_OK;
    auto write = [&](const wchar_t* key, VARIANT& value) {
        HRESULT hr = bag->Write(key, &value);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    };
    for (int i = 0; i < kColourCount; ++i) {
        if (colours_[i] == kDefaultColours[i])
            continue;
        VARIANT v = Int32Variant(static_cast<std::int32_t>(colours_[i]));
        write(std::wstring(kStoredKeys[i]).c_str(), v);
    }
    ComPtr<IFontDisp> defaultFont = AmbientFont();
    if (font_ && font_ != defaultFont) {
        VARIANT v;
        v.vt = VT_DISPATCH;
        v.pdispVal = font_.Get();
        write(L"Font", v);
    }
    if (tipText_ != kStoredTipTextDefault) {
        Variant v;
        v.get()->vt = VT_BSTR;
        v.get()->bstrVal = SysAllocStringLen(tipText_.data(), static_cast<UINT>(tipText_.size()));
        write(L"TipText", *v.get());
    }
    for (auto [key, picture] :
         {std::pair{L"HoverPic", hoverPic_.Get()}, std::pair{L"NormalPic", normalPic_.Get()}}) {
        if (!picture)
            continue;
        VARIANT v;
        v.vt = VT_DISPATCH;
        v.pdispVal = picture;
        write(key, v);
    }
    for (auto [key, stored] :
         {std::pair{L"SmallChange", smallChange_.get()}, std::pair{L"LargeChange", largeChange_.get()}}) {
        if (!EqualsNumber(*stored, 1))
            write(key, *stored);
    }
    if (!EqualsNumber(*max_.get(), kDefaultMax))
        write(L"Max", *max_.get());
    {
        Variant value;
        get_Value(value.get());
        if (!EqualsNumber(*value.get(), kStoredValueDefault))
            write(L"Value", *value.get());
    }
    if (roundedValue_ != kStoredRoundedValueDefault) {
        VARIANT v = Int32Variant(roundedValue_);
        write(L"RoundedValue", v);
    }
    if (!enabled_) {
        VARIANT v;
        v.vt = VT_BOOL;
        v.boolVal = VARIANT_FALSE;
        write(L"Enabled", v);
    }
    Redraw();
    return result;
}

// ---- IPersist* ----

STDMETHODIMP NavigationSlider::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_NavigationSlider;
    return S_OK;
}

STDMETHODIMP NavigationSlider::InitNew() {
    InitProperties();
    return S_OK;
}

STDMETHODIMP NavigationSlider::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag)
        return E_POINTER;
    ReadProperties(bag, log);
    return S_OK;
}

STDMETHODIMP NavigationSlider::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag)
        return E_POINTER;
    HRESULT hr = WriteProperties(bag);
    if (SUCCEEDED(hr) && clearDirty)
        dirty_ = false;
    return hr;
}

STDMETHODIMP NavigationSlider::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

STDMETHODIMP NavigationSlider::Load(LPSTREAM stream) {
    if (!stream)
        return E_POINTER;
    MemoryPropertyBag bag;
    HRESULT hr = bag.LoadFrom(stream);
    if (FAILED(hr))
        return hr;
    ReadProperties(&bag, nullptr);
    return S_OK;
}

STDMETHODIMP NavigationSlider::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream)
        return E_POINTER;
    MemoryPropertyBag bag;
    HRESULT hr = WriteProperties(&bag);
    if (SUCCEEDED(hr))
        hr = bag.SaveTo(stream);
    if (SUCCEEDED(hr) && clearDirty)
        dirty_ = false;
    return hr;
}

STDMETHODIMP NavigationSlider::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = 64 * 1024; // keys and small values; fonts and pictures add their own
    return S_OK;
}

// ---- IConnectionPointContainer, IProvideClassInfo2 ----

STDMETHODIMP NavigationSlider::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return EnumeratePoints({&events_, &notify_}, points);
}

STDMETHODIMP NavigationSlider::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid == DIID_NavigationSliderEvents)
        *point = &events_;
    else if (iid == IID_IPropertyNotifySink)
        *point = &notify_;
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetClassInfo(ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    return library_->GetTypeInfoOfGuid(CLSID_NavigationSlider, info);
}

STDMETHODIMP NavigationSlider::GetGUID(DWORD kind, GUID* guid) {
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = DIID_NavigationSliderEvents;
    return S_OK;
}

// ---- IOleObject ----

STDMETHODIMP NavigationSlider::SetClientSite(IOleClientSite* site) {
    if (!site && window_)
        InPlaceDeactivate();
    clientSite_ = site;
    if (!site)
        inPlaceSite_.Reset();
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetClientSite(IOleClientSite** site) {
    if (!site)
        return E_POINTER;
    return clientSite_.CopyTo(site);
}

STDMETHODIMP NavigationSlider::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::Close(DWORD) {
    ComPtr<INavigationSlider> keepAlive(this);
    InPlaceDeactivate();
    if (adviseHolder_)
        adviseHolder_->SendOnClose();
    return S_OK;
}

STDMETHODIMP NavigationSlider::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::GetClipboardData(DWORD, IDataObject** data) {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                      LPCRECT position) {
    if (site && !clientSite_)
        clientSite_ = site;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(verb, parent, position);
    case OLEIVERB_HIDE:
        if (window_)
            ShowWindow(window_, SW_HIDE);
        return S_OK;
    default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

STDMETHODIMP NavigationSlider::EnumVerbs(IEnumOLEVERB** verbs) {
    return OleRegEnumVerbs(CLSID_NavigationSlider, verbs);
}

STDMETHODIMP NavigationSlider::Update() {
    return S_OK;
}

STDMETHODIMP NavigationSlider::IsUpToDate() {
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetUserClassID(CLSID* clsid) {
    return GetClassID(clsid);
}

STDMETHODIMP NavigationSlider::GetUserType(DWORD form, LPOLESTR* type) {
    return OleRegGetUserType(CLSID_NavigationSlider, form, type);
}

STDMETHODIMP NavigationSlider::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // Kept for the host; the window's size comes from the in-place rectangles.
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP NavigationSlider::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!adviseHolder_) {
        HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
        if (FAILED(hr))
            return hr;
    }
    return adviseHolder_->Advise(sink, connection);
}

STDMETHODIMP NavigationSlider::Unadvise(DWORD connection) {
    return adviseHolder_ ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP NavigationSlider::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : E_FAIL;
}

STDMETHODIMP NavigationSlider::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

STDMETHODIMP NavigationSlider::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// ---- In-place activation ----

HWND NavigationSlider::HostWindow() const {
    if (window_)
        return GetParent(window_);
    HWND host = nullptr;
    if (inPlaceSite_)
        inPlaceSite_->GetWindow(&host);
    return host;
}

HRESULT NavigationSlider::InPlaceActivate(LONG verb, HWND parent, LPCRECT position) {
    if (!clientSite_)
        return E_UNEXPECTED;
    if (!inPlaceSite_ && FAILED(clientSite_.As(&inPlaceSite_)))
        return E_NOINTERFACE;
    if (!window_) {
        if (inPlaceSite_->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        HRESULT hr = inPlaceSite_->OnInPlaceActivate();
        if (FAILED(hr))
            return hr;
        HWND host = nullptr;
        if (FAILED(inPlaceSite_->GetWindow(&host)) || !host)
            host = parent;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT placed{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(frameInfo);
        // The in-place rectangles, not the extent, give the size (some hosts convert the
        // extent with a wrong factor).
        if (FAILED(inPlaceSite_->GetWindowContext(&frame, &document, &placed, &clip, &frameInfo))) {
            if (position)
                placed = *position;
            else
                placed = {0, 0, size_.cx, size_.cy};
        }
        if (!host || !RegisterWindowClass())
            return E_FAIL;
        HWND created = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, placed.left,
                                       placed.top, placed.right - placed.left, placed.bottom - placed.top,
                                       host, nullptr, ModuleInstance(), this);
        if (!created)
            return HRESULT_FROM_WIN32(GetLastError());
        size_ = {placed.right - placed.left, placed.bottom - placed.top};
        ApplyShape();
        Redraw();
        ShowWindow(window_, SW_SHOWNA);
    }
    if ((verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate(); // focus handling is the host's choice
    }
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP NavigationSlider::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::InPlaceDeactivate() {
    if (!window_ && !inPlaceSite_)
        return S_OK;
    ComPtr<INavigationSlider> keepAlive(this);
    UIDeactivate();
    if (window_) {
        HWND window = window_;
        window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
        if (inPlaceSite_)
            inPlaceSite_->OnInPlaceDeactivate();
    }
    return S_OK;
}

STDMETHODIMP NavigationSlider::UIDeactivate() {
    if (uiActive_) {
        uiActive_ = false;
        if (inPlaceSite_)
            inPlaceSite_->OnUIDeactivate(FALSE);
    }
    return S_OK;
}

STDMETHODIMP NavigationSlider::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position)
        return E_POINTER;
    if (window_)
        MoveWindow(window_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    else
        size_ = {position->right - position->left, position->bottom - position->top};
    return S_OK;
}

STDMETHODIMP NavigationSlider::ReactivateAndUndo() {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::TranslateAccelerator(LPMSG) {
    return S_FALSE;
}

STDMETHODIMP NavigationSlider::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::OnDocWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::EnableModeless(BOOL) {
    return S_OK;
}

// ---- IOleControl ----

STDMETHODIMP NavigationSlider::GetControlInfo(CONTROLINFO* info) {
    if (!info)
        return E_POINTER;
    info->cb = sizeof(*info);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP NavigationSlider::OnMnemonic(MSG*) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::FreezeEvents(BOOL) {
    return S_OK;
}

// ---- IViewObject2 ----

STDMETHODIMP NavigationSlider::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                    LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc || !bounds)
        return E_INVALIDARG;
    if (!surface_.dc()) {
        ApplyShape();
        Redraw();
    }
    RECT target{bounds->left, bounds->top, bounds->right, bounds->bottom};
    surface_.Present(dc, target);
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
    if (colours)
        *colours = nullptr;
    return S_FALSE;
}

STDMETHODIMP NavigationSlider::Freeze(DWORD, LONG, void*, DWORD*) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewSink_ = sink;
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = viewAspects_;
    if (flags)
        *flags = viewFlags_;
    if (sink)
        viewSink_.CopyTo(sink);
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

// ---- Window ----

void NavigationSlider::UnregisterWindowClass() {
    UnregisterClassW(kWindowClass, ModuleInstance()); // fails harmlessly when never registered
}

LRESULT CALLBACK NavigationSlider::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<NavigationSlider*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<NavigationSlider*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // A host handler raised from here may release the control: keep it alive meanwhile.
    ComPtr<INavigationSlider> keepAlive(self);
    switch (message) {
    case WM_PAINT:
        return self->OnPaint();
    case WM_PRINTCLIENT:
        return self->OnPrintClient(reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
        return 1; // the image covers everything: no flicker
    case WM_SIZE:
        self->OnSize();
        return 0;
    case WM_LBUTTONDOWN:
        self->OnMouse(static_cast<int>(MouseKind::Down), wParam, lParam, 1);
        return 0;
    case WM_RBUTTONDOWN:
        self->OnMouse(static_cast<int>(MouseKind::Down), wParam, lParam, 2);
        return 0;
    case WM_MBUTTONDOWN:
        self->OnMouse(static_cast<int>(MouseKind::Down), wParam, lParam, 4);
        return 0;
    case WM_LBUTTONUP:
        self->OnMouse(static_cast<int>(MouseKind::Up), wParam, lParam, 1);
        return 0;
    case WM_RBUTTONUP:
        self->OnMouse(static_cast<int>(MouseKind::Up), wParam, lParam, 2);
        return 0;
    case WM_MBUTTONUP:
        self->OnMouse(static_cast<int>(MouseKind::Up), wParam, lParam, 4);
        return 0;
    case WM_MOUSEMOVE:
        self->OnMouse(static_cast<int>(MouseKind::Move), wParam, lParam, ButtonBitsFromKeys(wParam));
        return 0;
    case WM_KEYDOWN:
        self->OnKey(event::KeyDown, wParam);
        return 0;
    case WM_KEYUP:
        self->OnKey(event::KeyUp, wParam);
        return 0;
    case WM_CHAR:
        self->OnKey(event::KeyPress, wParam);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETCURSOR:
        return self->OnSetCursor(hwnd, message, wParam, lParam);
    case WM_SETFOCUS:
        self->OnSetFocus();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self->window_ == hwnd)
            self->window_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT NavigationSlider::OnPaint() {
    win::PaintScope paint(window_);
    RECT client;
    GetClientRect(window_, &client);
    if (surface_.dc() && surface_.width() == client.right && surface_.height() == client.bottom)
        BitBlt(paint.dc(), 0, 0, client.right, client.bottom, surface_.dc(), 0, 0, SRCCOPY);
    else
        surface_.Present(paint.dc(), client);
    return 0;
}

LRESULT NavigationSlider::OnPrintClient(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    surface_.Present(dc, client);
    return 0;
}

void NavigationSlider::OnSize() {
    RECT client;
    GetClientRect(window_, &client);
    size_ = {client.right, client.bottom};
    ApplyShape(); // the marker keeps its pixel position
}

void NavigationSlider::OnMouse(int kindValue, WPARAM keys, LPARAM position, int button) {
    const auto kind = static_cast<MouseKind>(kindValue);
    const float x = static_cast<float>(GET_X_LPARAM(position));
    const float y = static_cast<float>(GET_Y_LPARAM(position));
    const int shift = ShiftBits((keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0, GetKeyState(VK_MENU) < 0);
    // The mouse stays with the control from a press until the last button is released.
    if (kind == MouseKind::Down) {
        SetCapture(window_);
        SetFocus(window_);
    } else if (kind == MouseKind::Up && ButtonBitsFromKeys(keys) == 0 && GetCapture() == window_) {
        ReleaseCapture();
    }
    const MouseDecision decision = DecideMouse(kind, button, enabled_);
    if (decision.askTip) {
        VARIANT font;
        VariantInit(&font);
        if (font_) {
            font.vt = VT_DISPATCH;
            font.pdispVal = font_.Get();
        }
        FTip::Default().SetTip(window_, tipText_, 0, -1, true, &font, 300);
    }
    if (decision.moveMarker) {
        const PointerMove move = MarkerForPointer(x, Width());
        marker_ = move.marker;
        dirty_ = true;
        PointerRepaint(move.paintX);
    }
    if (decision.raise) {
        const DISPID id = kind == MouseKind::Down
                              ? event::MouseDown
                              : (kind == MouseKind::Up ? event::MouseUP : event::MouseMove);
        RaiseMouseEvent(id, static_cast<short>(button), static_cast<short>(shift), x, y);
    }
}

void NavigationSlider::RaiseMouseEvent(DISPID event, short button, short shift, float x, float y) {
    std::vector<VARIANT> arguments(4);
    for (auto& a : arguments)
        VariantInit(&a);
    arguments[0].vt = VT_I2 | VT_BYREF;
    arguments[0].piVal = &button;
    arguments[1].vt = VT_I2 | VT_BYREF;
    arguments[1].piVal = &shift;
    arguments[2].vt = VT_R4 | VT_BYREF;
    arguments[2].pfltVal = &x;
    arguments[3].vt = VT_R4 | VT_BYREF;
    arguments[3].pfltVal = &y;
    FireEvent(events_, event, std::move(arguments));
}

void NavigationSlider::OnKey(DISPID event, WPARAM key) {
    short code = static_cast<short>(key);
    short shift = static_cast<short>(
        ShiftBits(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0));
    std::vector<VARIANT> arguments(event == event::KeyPress ? 1 : 2);
    for (auto& a : arguments)
        VariantInit(&a);
    arguments[0].vt = VT_I2 | VT_BYREF;
    arguments[0].piVal = &code;
    if (arguments.size() == 2) {
        arguments[1].vt = VT_I2 | VT_BYREF;
        arguments[1].piVal = &shift;
    }
    FireEvent(events_, event, std::move(arguments));
}

LRESULT NavigationSlider::OnSetCursor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) == HTCLIENT) {
        // The control's own hand; the system's if the resource is missing (a static link).
        HCURSOR hand = LoadCursorW(ModuleInstance(), MAKEINTRESOURCEW(kHandCursorId));
        SetCursor(hand ? hand : LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void NavigationSlider::OnSetFocus() {
    if (inPlaceSite_ && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate(); // tells the host the control holds the focus
    }
}

} // namespace klevotrim::tavrel
