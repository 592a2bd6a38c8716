#include "tavrel/PropertyStore.h"

#include <wrl/client.h>

#include <cstdint>
#include <vector>

namespace klevotrim::tavrel {

namespace {

constexpr std::uint32_t kMagic = 0x4C525654; // "TVRL"
constexpr std::uint32_t kFormat = 1;
constexpr std::uint32_t kMaxText = 1u << 20;
constexpr std::uint32_t kMaxEntries = 256;

HRESULT WriteBytes(IStream* stream, const void* data, ULONG size) {
    ULONG written = 0;
    HRESULT hr = stream->Write(data, size, &written);
    return FAILED(hr) ? hr : (written == size ? S_OK : STG_E_MEDIUMFULL);
}

HRESULT ReadBytes(IStream* stream, void* data, ULONG size) {
    ULONG read = 0;
    HRESULT hr = stream->Read(data, size, &read);
    return FAILED(hr) ? hr : (read == size ? S_OK : STG_E_READFAULT);
}

template <typename T> HRESULT WriteValue(IStream* stream, const T& value) {
    return WriteBytes(stream, &value, sizeof(value));
}
template <typename T> HRESULT ReadValue(IStream* stream, T& value) {
    return ReadBytes(stream, &value, sizeof(value));
}

HRESULT WriteText(IStream* stream, const wchar_t* text, std::uint32_t length) {
    HRESULT hr = WriteValue(stream, length);
    if (SUCCEEDED(hr) && length)
        hr = WriteBytes(stream, text, length * sizeof(wchar_t));
    return hr;
}

HRESULT ReadText(IStream* stream, std::wstring& text) {
    std::uint32_t length = 0;
    HRESULT hr = ReadValue(stream, length);
    if (FAILED(hr))
        return hr;
    if (length > kMaxText)
        return STG_E_READFAULT; // a damaged stream, not a huge allocation
    text.assign(length, L'\0');
    return length ? ReadBytes(stream, text.data(), length * sizeof(wchar_t)) : S_OK;
}

} // namespace

STDMETHODIMP MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value)
        return E_POINTER;
    auto it = values_.find(name);
    if (it == values_.end())
        return E_INVALIDARG;
    const VARTYPE wanted = value->vt;
    VariantInit(value);
    if (wanted == VT_EMPTY || wanted == it->second.get().vt)
        return VariantCopy(value, it->second.address());
    return VariantChangeType(value, it->second.address(), 0, wanted);
}

STDMETHODIMP MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value)
        return E_POINTER;
    win::Variant copy;
    HRESULT hr = VariantCopyInd(copy.put(), value);
    if (FAILED(hr))
        return hr;
    values_[name] = copy;
    return S_OK;
}

HRESULT MemoryPropertyBag::SaveTo(IStream* stream) const {
    HRESULT hr = WriteValue(stream, kMagic);
    if (SUCCEEDED(hr))
        hr = WriteValue(stream, kFormat);
    if (SUCCEEDED(hr))
        hr = WriteValue(stream, static_cast<std::uint32_t>(values_.size()));
    for (const auto& [name, variant] : values_) {
        if (FAILED(hr))
            break;
        hr = WriteText(stream, name.c_str(), static_cast<std::uint32_t>(name.size()));
        const VARIANT* v = &variant.get();
        if (FAILED(hr))
            break;
        switch (v->vt) {
        case VT_EMPTY:
        case VT_NULL:
            hr = WriteValue(stream, v->vt);
            break;
        case VT_BSTR:
            hr = WriteValue(stream, v->vt);
            if (SUCCEEDED(hr))
                hr = WriteText(stream, v->bstrVal, SysStringLen(v->bstrVal));
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH: {
            // Objects (fonts, pictures) persist themselves; one that cannot is stored as nothing.
            Microsoft::WRL::ComPtr<IPersistStream> persist;
            if (!v->punkVal || FAILED(v->punkVal->QueryInterface(IID_PPV_ARGS(&persist)))) {
                hr = WriteValue(stream, static_cast<VARTYPE>(VT_EMPTY));
                break;
            }
            hr = WriteValue(stream, v->vt);
            if (SUCCEEDED(hr))
                hr = OleSaveToStream(persist.Get(), stream);
            break;
        }
        default: {
            // Numbers, dates, Booleans, currency: kept as double-precision numbers or text.
            win::Variant number;
            if (SUCCEEDED(VariantChangeType(number.put(), const_cast<VARIANT*>(v), 0, VT_R8))) {
                hr = WriteValue(stream, v->vt);
                if (SUCCEEDED(hr))
                    hr = WriteValue(stream, number.get().dblVal);
            } else {
                hr = WriteValue(stream, static_cast<VARTYPE>(VT_EMPTY));
            }
            break;
        }
        }
    }
    return hr;
}

HRESULT MemoryPropertyBag::LoadFrom(IStream* stream) {
    std::uint32_t magic = 0, format = 0, count = 0;
    HRESULT hr = ReadValue(stream, magic);
    if (SUCCEEDED(hr))
        hr = ReadValue(stream, format);
    if (SUCCEEDED(hr))
        hr = ReadValue(stream, count);
    if (FAILED(hr))
        return hr;
    if (magic != kMagic || format != kFormat || count > kMaxEntries)
        return STG_E_INVALIDHEADER;
    values_.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::wstring name;
        VARTYPE vt = VT_EMPTY;
        hr = ReadText(stream, name);
        if (SUCCEEDED(hr))
            hr = ReadValue(stream, vt);
        if (FAILED(hr))
            return hr;
        win::Variant value;
        VARIANT* v = value.put();
        switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
            v->vt = vt;
            break;
        case VT_BSTR: {
            std::wstring text;
            hr = ReadText(stream, text);
            if (FAILED(hr))
                return hr;
            v->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!v->bstrVal)
                return E_OUTOFMEMORY;
            v->vt = VT_BSTR;
            break;
        }
        case VT_UNKNOWN:
        case VT_DISPATCH: {
            IUnknown* object = nullptr;
            hr = OleLoadFromStream(stream, vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                   reinterpret_cast<void**>(&object));
            if (FAILED(hr))
                return hr;
            v->vt = vt;
            v->punkVal = object;
            break;
        }
        default: {
            double number = 0;
            hr = ReadValue(stream, number);
            if (FAILED(hr))
                return hr;
            win::Variant stored;
            stored.address()->vt = VT_R8;
            stored.address()->dblVal = number;
            if (FAILED(VariantChangeType(v, stored.address(), 0, vt)))
                VariantCopy(v, stored.address()); // keep the number if the old type cannot come back
            break;
        }
        }
        values_[name] = value;
    }
    return S_OK;
}

} // namespace klevotrim::tavrel
