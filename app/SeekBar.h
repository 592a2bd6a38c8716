#pragma once
// Pos: the embedded NavigationSlider of the Tavrel library, driven through its contract.
#include "app/ControlHost.h"
#include "common/win/ComValues.h"
#include "tavrel/Contract.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace klevotrim::app {

inline constexpr const wchar_t* kSeekBarProgId = tavrel::kProgId;

class SeekBar final : private ControlEventHandler {
  public:
    struct Events {
        std::function<void()> mouseDown;
        std::function<void()> mouseUp;
    };

    // Creates the control with its design properties (TipText "Navigational slider",
    // RoundedValue 2); the HRESULT tells why it could not be created.
    HRESULT Create(HWND parent, const RECT& position, Events events, const wchar_t* progId = kSeekBarProgId);
    void Destroy() { host_.Destroy(); }
    bool IsCreated() const { return host_.IsCreated(); }
    HWND Window() const { return host_.Window(); }
    void Move(const RECT& position) { host_.Move(position); }

    HRESULT SetMax(double max);
    HRESULT SetValue(std::int32_t value);
    HRESULT SetEnabled(bool enabled);
    HRESULT SetColor(int index, std::uint32_t colour);
    // Value and Max as the control reports them (whole numbers); nothing when it cannot.
    std::optional<std::int32_t> Value();
    std::optional<std::int32_t> Max();
    std::optional<bool> Enabled();
    std::optional<std::wstring> TipText();

  private:
    void OnControlEvent(DISPID dispid, const std::vector<VARIANT>& arguments) override;
    // A property converted to `type`; nothing when it cannot be read or converted.
    std::optional<win::Variant> Read(DISPID dispid, VARTYPE type);

    ControlHost host_;
    Events events_;
};

} // namespace klevotrim::app
