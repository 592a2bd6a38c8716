// The control's persistence: its properties to and from a property bag, and through the same
// keys to and from a stream.
#include "tavrel/NavigationSlider.h"

#include "tavrel/AutomationNumbers.h"
#include "tavrel/Contract.h"
#include "tavrel/OleFont.h"

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

// ---- Persistence ----

ComPtr<IFontDisp> NavigationSlider::AmbientFont() {
    ComPtr<IDispatch> ambients;
    if (!clientSite_ || FAILED(clientSite_.As(&ambients)))
        return CreateFontObject(ControlStandardFace()); // hosts without ambient properties: the standard font
    DISPPARAMS none{};
    win::Variant result;
    ComPtr<IFontDisp> font;
    if (SUCCEEDED(ambients->Invoke(DISPID_AMBIENT_FONT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                   &none, result.put(), nullptr, nullptr)) &&
        (result.get().vt == VT_DISPATCH || result.get().vt == VT_UNKNOWN) && result.get().punkVal &&
        SUCCEEDED(result.get().punkVal->QueryInterface(IID_PPV_ARGS(&font))))
        return font;
    return CreateFontObject(ControlStandardFace());
}

void NavigationSlider::InitProperties() {
    markerPicture_.Reset();
    putref_Font(CreateFontObject(ControlStandardFace()).Get());
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
    auto read = [&](const wchar_t* key, VARTYPE hint, win::Variant& out) {
        if (FAILED(bag->Read(key, out.putRequest(hint), log)))
            out.put(); // whatever the failing bag left is freed; the value reads as empty
        return out.get().vt != VT_EMPTY || hint == VT_EMPTY;
    };
    auto number = [&](const wchar_t* key, double fallback) {
        win::Variant v;
        read(key, VT_EMPTY, v);
        if (v.get().vt == VT_EMPTY)
            v = win::Variant(fallback);
        return v;
    };
    for (int i = 0; i < kColourCount; ++i) {
        win::Variant v = number(std::wstring(kStoredKeys[i]).c_str(), kDefaultColours[i]);
        win::Variant colour;
        if (SUCCEEDED(VariantChangeType(colour.put(), v.address(), 0, VT_I4)))
            PutColour(i, static_cast<OLE_COLOR>(colour.get().lVal));
        else if (SUCCEEDED(VariantChangeType(colour.put(), v.address(), 0, VT_UI4)))
            PutColour(i, static_cast<OLE_COLOR>(colour.get().ulVal));
    }
    {
        win::Variant v;
        ComPtr<IFontDisp> font;
        if (read(L"Font", VT_DISPATCH, v) && (v.get().vt == VT_DISPATCH || v.get().vt == VT_UNKNOWN) &&
            v.get().punkVal)
            v.get().punkVal->QueryInterface(IID_PPV_ARGS(&font));
        font_ = font ? font : AmbientFont(); // directly: no notification, no redraw
    }
    {
        win::Variant v, text;
        read(L"TipText", VT_EMPTY, v);
        if (v.get().vt == VT_EMPTY) {
            v.address()->vt = VT_BSTR;
            v.address()->bstrVal = SysAllocString(std::wstring(kStoredTipTextDefault).c_str());
        }
        if (SUCCEEDED(VariantChangeType(text.put(), v.address(), 0, VT_BSTR)))
            put_TipText(text.get().bstrVal);
    }
    using PictureSetter = HRESULT (STDMETHODCALLTYPE NavigationSlider::*)(IPictureDisp*);
    for (auto [key, setter] :
         {std::pair<const wchar_t*, PictureSetter>{L"HoverPic", &NavigationSlider::putref_HoverPic},
          std::pair<const wchar_t*, PictureSetter>{L"NormalPic", &NavigationSlider::putref_NormalPic}}) {
        win::Variant v;
        ComPtr<IPictureDisp> picture;
        if (read(key, VT_DISPATCH, v) && (v.get().vt == VT_DISPATCH || v.get().vt == VT_UNKNOWN) &&
            v.get().punkVal && FAILED(v.get().punkVal->QueryInterface(IID_PPV_ARGS(&picture))))
            continue; // something that is not a picture: skipped
        (this->*setter)(picture.Get());
    }
    put_SmallChange(number(L"SmallChange", 1).get());
    put_LargeChange(number(L"LargeChange", 1).get());
    put_Max(number(L"Max", kDefaultMax).get()); // a non-numeric Max is skipped
    put_Value(number(L"Value", kStoredValueDefault).get());
    {
        win::Variant v = number(L"RoundedValue", kStoredRoundedValueDefault), rounded;
        if (SUCCEEDED(VariantChangeType(rounded.put(), v.address(), 0, VT_I4)))
            put_RoundedValue(rounded.get().lVal);
    }
    {
        win::Variant v, flag;
        read(L"Enabled", VT_EMPTY, v);
        if (v.get().vt == VT_EMPTY) {
            v = win::Variant(true);
        }
        if (SUCCEEDED(VariantChangeType(flag.put(), v.address(), 0, VT_BOOL)))
            put_Enabled(flag.get().boolVal);
    }
    Redraw();
    dirty_ = false;
}

HRESULT NavigationSlider::WriteProperties(IPropertyBag* bag) {
    HRESULT result = S_OK;
    auto write = [&](const wchar_t* key, const VARIANT& value) {
        // IPropertyBag::Write takes the value without const; it only reads it.
        HRESULT hr = bag->Write(key, const_cast<VARIANT*>(&value));
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    };
    for (int i = 0; i < kColourCount; ++i) {
        if (colours_[i] == kDefaultColours[i])
            continue;
        VARIANT v = Int32Variant(static_cast<std::int32_t>(colours_[i]));
        write(std::wstring(kStoredKeys[i]).c_str(), v);
    }
    // The host form's font is the default, compared by value: the object may be a copy.
    const std::optional<FontFace> face = ReadFontFace(font_.Get());
    const std::optional<FontFace> defaultFace = ReadFontFace(AmbientFont().Get());
    if (font_ && !(face && defaultFace && SameFont(*face, *defaultFace))) {
        VARIANT v;
        v.vt = VT_DISPATCH;
        v.pdispVal = font_.Get();
        write(L"Font", v);
    }
    if (tipText_ != kStoredTipTextDefault) {
        win::Variant v;
        v.address()->vt = VT_BSTR;
        v.address()->bstrVal = SysAllocStringLen(tipText_.data(), static_cast<UINT>(tipText_.size()));
        write(L"TipText", v.get());
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
    for (auto [key, stored] : {std::pair{L"SmallChange", smallChange_.address()},
                               std::pair{L"LargeChange", largeChange_.address()}}) {
        if (!EqualsNumber(*stored, 1))
            write(key, *stored);
    }
    if (!EqualsNumber(max_.get(), kDefaultMax))
        write(L"Max", max_.get());
    {
        win::Variant value;
        get_Value(value.put());
        if (!EqualsNumber(value.get(), kStoredValueDefault))
            write(L"Value", value.get());
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

} // namespace klevotrim::tavrel
