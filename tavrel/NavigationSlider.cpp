// The control's core: creation, IUnknown, IDispatch with its call checks, the property model,
// drawing, and its connection points and class information.
#include "tavrel/NavigationSlider.h"

#include "tavrel/AboutWindow.h"
#include "tavrel/AutomationNumbers.h"
#include "tavrel/Contract.h"
#include "tavrel/Server.h"

#include "common/Rounding.h"
#include "common/ScreenUnits.h"
#include "common/win/ComObject.h"
#include "common/win/ScreenDpi.h"

#include <new>

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

namespace {
constexpr int kMaxPumpedMessages = 512; // one pass over what is queued, never an endless loop
} // namespace

std::optional<double> AsNumber(const VARIANT& value) {
    win::Variant source, number;
    if (FAILED(VariantCopyInd(source.put(), const_cast<VARIANT*>(&value))))
        return std::nullopt;
    if (FAILED(VariantChangeTypeEx(number.put(), source.address(), LOCALE_USER_DEFAULT, 0, VT_R8)))
        return std::nullopt;
    return number.get().dblVal;
}

VARIANT Int32Variant(std::int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

bool EqualsNumber(const VARIANT& value, double number) {
    auto n = AsNumber(value);
    return n && *n == number && value.vt != VT_BSTR && value.vt != VT_EMPTY;
}

HRESULT NavigationSlider::Create(REFIID iid, void** object) {
    ComPtr<NavigationSlider> slider = win::Adopt(new (std::nothrow) NavigationSlider());
    if (!slider)
        return E_OUTOFMEMORY;
    HRESULT hr = slider->Initialise();
    if (SUCCEEDED(hr))
        hr = slider->QueryInterface(iid, object);
    return hr;
}

NavigationSlider::NavigationSlider()
    : events_(this, DIID_NavigationSliderEvents), notify_(this, IID_IPropertyNotifySink) {
    ObjectCreated();
    max_ = win::Variant(static_cast<std::int32_t>(kDefaultMax));
    const int dpi = win::ScreenDpi().x;
    extent_ = {PixelsToHimetric(size_.cx, dpi), PixelsToHimetric(size_.cy, dpi)};
}

NavigationSlider::~NavigationSlider() {
    // The window goes first, without its handlers, while every member is still whole.
    if (HWND window = hwnd()) {
        Unbind();
        DestroyWindow(window);
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
    win::ExcepInfo raised;
    // Only the kind of call matched above goes on: with get and put bits mixed, the type
    // information's Invoke (Wine's) picks the getter and faults on the put's argument.
    const WORD kinds = put ? (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
                           : (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET));
    HRESULT hr = DispInvoke(static_cast<INavigationSlider*>(this), dualInfo_.Get(), id, kinds, params, result,
                            raised.get(), argError);
    // A member that fails with an automation error (a Max that is not a number) gives that
    // error itself, as the caller of a property expects, not a wrapped exception.
    if (hr == DISP_E_EXCEPTION && HRESULT_FACILITY(raised.info().scode) == FACILITY_DISPATCH)
        hr = raised.info().scode;
    else if (exception)
        *exception = raised.release();
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
    auto number = AsNumber(max_.get());
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
    win::RunPendingMessages(kMaxPumpedMessages); // a quit request is left for the host's own loop
}

STDMETHODIMP NavigationSlider::put_Value(VARIANT value) {
    if (!enabled_)
        return S_OK;
    ComPtr<INavigationSlider> keepAlive(this); // the pump may run a host handler that releases us
    win::Variant assigned;
    if (FAILED(VariantCopyInd(assigned.put(), &value)))
        return S_OK;
    PumpPendingMessages();
    auto number = AsNumber(assigned.get());
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
    return VariantCopy(value, smallChange_.address());
}
STDMETHODIMP NavigationSlider::put_SmallChange(VARIANT value) {
    dirty_ = true;
    return VariantCopyInd(smallChange_.put(), &value);
}
STDMETHODIMP NavigationSlider::get_LargeChange(VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, largeChange_.address());
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
    if (hwnd() && GetClientRect(hwnd(), &client))
        return client.right - client.left;
    return size_.cx;
}

int NavigationSlider::Height() const {
    RECT client;
    if (hwnd() && GetClientRect(hwnd(), &client))
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
    if (hwnd()) {
        win::UniqueRegion region(CreateRoundRectRgn(0, 0, width, height, roundedValue_, roundedValue_));
        // The window owns the region once it accepts it.
        if (region && SetWindowRgn(hwnd(), region.get(), TRUE))
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
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
    if (viewSink_)
        viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

void NavigationSlider::PropertyChanged(DISPID id) {
    dirty_ = true;
    NotifyChanged(notify_, id);
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

} // namespace klevotrim::tavrel
