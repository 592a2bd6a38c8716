#include "app/SeekBar.h"

#include "common/win/ComValues.h"
#include "common/win/Guid.h"

namespace klevotrim::app {

HRESULT SeekBar::Create(HWND parent, const RECT& position, Events events, const wchar_t* progId) {
    events_ = std::move(events);
    const win::Variant tipText(L"Navigational slider");
    const win::Variant roundedValue(2);
    const std::vector<StoredProperty> stored = {{L"TipText", tipText.get()},
                                                {L"RoundedValue", roundedValue.get()}};
    return host_.Create(parent, position, progId, win::ToGuid(tavrel::kEventsIid), stored, this);
}

HRESULT SeekBar::SetMax(double max) {
    return host_.Put(tavrel::dispid::Max, win::Variant(max).get());
}

HRESULT SeekBar::SetValue(std::int32_t value) {
    return host_.Put(tavrel::dispid::Value, win::Variant(value).get());
}

HRESULT SeekBar::SetEnabled(bool enabled) {
    return host_.Put(tavrel::dispid::Enabled, win::Variant(enabled).get());
}

HRESULT SeekBar::SetColor(int index, std::uint32_t colour) {
    return host_.Put(tavrel::dispid::Color(index), win::Variant(static_cast<std::int32_t>(colour)).get());
}

std::optional<win::Variant> SeekBar::Read(DISPID dispid, VARTYPE type) {
    win::Variant result, converted;
    if (FAILED(host_.Get(dispid, result.put())) ||
        FAILED(VariantChangeType(converted.put(), result.address(), 0, type)))
        return std::nullopt;
    return converted;
}

std::optional<std::int32_t> SeekBar::Value() {
    auto value = Read(tavrel::dispid::Value, VT_I4);
    return value ? std::optional<std::int32_t>(value->get().lVal) : std::nullopt;
}

std::optional<std::int32_t> SeekBar::Max() {
    auto max = Read(tavrel::dispid::Max, VT_I4);
    return max ? std::optional<std::int32_t>(max->get().lVal) : std::nullopt;
}

std::optional<bool> SeekBar::Enabled() {
    auto enabled = Read(tavrel::dispid::Enabled, VT_BOOL);
    return enabled ? std::optional<bool>(enabled->get().boolVal != VARIANT_FALSE) : std::nullopt;
}

std::optional<std::wstring> SeekBar::TipText() {
    win::Variant result;
    if (FAILED(host_.Get(tavrel::dispid::TipText, result.put())))
        return std::nullopt;
    if (result.get().vt != VT_BSTR)
        return std::nullopt;
    const BSTR text = result.get().bstrVal;
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

void SeekBar::OnControlEvent(DISPID dispid, const std::vector<VARIANT>&) {
    if (dispid == tavrel::event::MouseDown && events_.mouseDown)
        events_.mouseDown();
    else if (dispid == tavrel::event::MouseUP && events_.mouseUp)
        events_.mouseUp();
}

} // namespace klevotrim::app
