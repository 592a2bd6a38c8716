#pragma once
// Pos: the embedded NavigationSlider of the Tavrel library, driven by its fixed DISPIDs.
#include "app/ControlHost.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace klevotrim::app {

inline constexpr wchar_t kSeekBarProgId[] = L"Tavrel_pro.NavigationSlider";
// {AD4DEC08-1ED3-4A01-A09E-25A2526E2656}: the control's event interface.
inline constexpr IID kSeekBarEventsIid = {
    0xAD4DEC08, 0x1ED3, 0x4A01, {0xA0, 0x9E, 0x25, 0xA2, 0x52, 0x6E, 0x26, 0x56}};

namespace seekbar {
inline constexpr DISPID kEnabled = 0x68030000;
inline constexpr DISPID kRoundedValue = 0x68030001;
inline constexpr DISPID kValue = 0x68030004;
inline constexpr DISPID kMax = 0x68030005;
inline constexpr DISPID kTipText = 0x6803001A;
inline constexpr DISPID Color(int n) {
    return 0x68030018 - n;
}
inline constexpr DISPID kMouseUp = 2;
inline constexpr DISPID kMouseDown = 3;
} // namespace seekbar

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
    std::optional<std::int32_t> ReadInt(DISPID dispid);

    ControlHost host_;
    Events events_;
};

} // namespace klevotrim::app
