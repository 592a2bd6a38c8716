#include "app/SeekBar.h"

#include "common/win/Guid.h"

namespace klevotrim::app {

HRESULT SeekBar::Create(HWND parent, const RECT& position, Events events, const wchar_t* progId) {
    events_ = std::move(events);
    std::vector<StoredProperty> stored(2);
    stored[0].name = L"TipText";
    VariantInit(&stored[0].value);
    stored[0].value.vt = VT_BSTR;
    stored[0].value.bstrVal = SysAllocString(L"Navigational slider");
    stored[1].name = L"RoundedValue";
    VariantInit(&stored[1].value);
    stored[1].value.vt = VT_I4;
    stored[1].value.lVal = 2;
    HRESULT hr = host_.Create(parent, position, progId, win::ToGuid(tavrel::kEventsIid), stored, this);
    for (auto& property : stored)
        VariantClear(&property.value);
    return hr;
}

HRESULT SeekBar::SetMax(double max) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = max;
    return host_.Put(tavrel::dispid::Max, value);
}

HRESULT SeekBar::SetValue(std::int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return host_.Put(tavrel::dispid::Value, v);
}

HRESULT SeekBar::SetEnabled(bool enabled) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return host_.Put(tavrel::dispid::Enabled, v);
}

HRESULT SeekBar::SetColor(int index, std::uint32_t colour) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = static_cast<LONG>(colour);
    return host_.Put(tavrel::dispid::Color(index), v);
}

std::optional<std::int32_t> SeekBar::ReadInt(DISPID dispid) {
    VARIANT result;
    if (FAILED(host_.Get(dispid, &result)))
        return std::nullopt;
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &result, 0, VT_I4);
    VariantClear(&result);
    if (FAILED(hr))
        return std::nullopt;
    return static_cast<std::int32_t>(converted.lVal);
}

std::optional<std::int32_t> SeekBar::Value() {
    return ReadInt(tavrel::dispid::Value);
}
std::optional<std::int32_t> SeekBar::Max() {
    return ReadInt(tavrel::dispid::Max);
}

std::optional<bool> SeekBar::Enabled() {
    VARIANT result;
    if (FAILED(host_.Get(tavrel::dispid::Enabled, &result)))
        return std::nullopt;
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &result, 0, VT_BOOL);
    VariantClear(&result);
    if (FAILED(hr))
        return std::nullopt;
    return converted.boolVal != VARIANT_FALSE;
}

std::optional<std::wstring> SeekBar::TipText() {
    VARIANT result;
    if (FAILED(host_.Get(tavrel::dispid::TipText, &result)))
        return std::nullopt;
    std::optional<std::wstring> text;
    if (result.vt == VT_BSTR)
        text = result.bstrVal ? std::wstring(result.bstrVal, SysStringLen(result.bstrVal)) : std::wstring();
    VariantClear(&result);
    return text;
}

void SeekBar::OnControlEvent(DISPID dispid, const std::vector<VARIANT>&) {
    if (dispid == tavrel::event::MouseDown && events_.mouseDown)
        events_.mouseDown();
    else if (dispid == tavrel::event::MouseUP && events_.mouseUp)
        events_.mouseUp();
}

} // namespace klevotrim::app
