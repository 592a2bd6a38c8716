#pragma once
// Slider: a horizontal slider whose whole look comes from pictures, a track and a thumb that
// changes when the pointer is over it and when the control is disabled. The user drags the
// thumb with the left button; the value is read from the thumb's position on the track.
//
//   klevotrim::Slider slider;
//   slider.onChange = [](std::int16_t, const VARIANT& value, float, float) { ... };
//   slider.Create(parent, 10, 10);
//   slider.Max(win::Variant(100).get());
//   slider.Value(win::Variant(25).get());
#include "common/win/ComValues.h"
#include "controls/slider/SliderModel.h"
#include "controls/slider/SliderPictures.h"

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

#include <windows.h>

#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace klevotrim {

class SliderDropTarget;

class Slider final : public win::Window {
  public:
    // Events. X and Y are in the control's pixels; Button and Shift use 1/2/4 for
    // left/right/middle and Shift/Ctrl/Alt.
    std::function<void(std::int16_t button, std::int16_t shift, float x, float y)> onMouseUp;
    std::function<void(std::int16_t button, std::int16_t shift, float x, float y)> onMouseDown;
    // Value holds a 32-bit integer, or nothing when the position cannot be read.
    std::function<void(std::int16_t button, const VARIANT& value, float x, float y)> onChange;
    // Effect (a DROPEFFECT) may be changed by the handler; the drop source is told the result.
    std::function<void(IDataObject* data, std::int32_t& effect, std::int16_t button, std::int16_t shift,
                       float x, float y)>
        onOLEDragDrop;
    std::function<void(std::int16_t keyCode, std::int16_t shift)> onKeyDown;
    // A property that the host should save has changed (its name).
    std::function<void(std::wstring_view property)> onPropertyChanged;

    Slider();
    ~Slider() override;

    // Creates the control's window as a child of `parent` with its top-left corner at (x, y).
    bool Create(HWND parent, int x, int y, int controlId = 0);

    bool Enabled() const { return model_.Enabled(); }
    void Enabled(bool enabled);

    win::Variant SmallChange() const { return smallChange_; }
    void SmallChange(const VARIANT& value) { smallChange_ = win::Variant(value); }
    win::Variant LargeChange() const { return largeChange_; }
    void LargeChange(const VARIANT& value) { largeChange_ = win::Variant(value); }

    Microsoft::WRL::ComPtr<IPictureDisp> imgNormal() const { return pictures_[Index(SliderPicture::Track)]; }
    void imgNormal(IPictureDisp* picture) { SetPicture(SliderPicture::Track, picture, L"imgNormal"); }
    Microsoft::WRL::ComPtr<IPictureDisp> imgBarNormal() const {
        return pictures_[Index(SliderPicture::BarNormal)];
    }
    void imgBarNormal(IPictureDisp* picture) {
        SetPicture(SliderPicture::BarNormal, picture, L"imgBarNormal");
    }
    Microsoft::WRL::ComPtr<IPictureDisp> imgBarHover() const {
        return pictures_[Index(SliderPicture::BarHover)];
    }
    void imgBarHover(IPictureDisp* picture) { SetPicture(SliderPicture::BarHover, picture, L"imgBarHover"); }
    Microsoft::WRL::ComPtr<IPictureDisp> imgBarInactive() const {
        return pictures_[Index(SliderPicture::BarInactive)];
    }
    void imgBarInactive(IPictureDisp* picture) {
        SetPicture(SliderPicture::BarInactive, picture, L"imgBarInactive");
    }

    // Max as a 32-bit integer (empty when it cannot be read).
    win::Variant Max() const;
    // S_OK; DISP_E_TYPEMISMATCH for a value that is not numeric and DISP_E_OVERFLOW for one
    // beyond 32 bits (nothing stored). Values below 1 are stored as 1. The thumb stays put.
    HRESULT Max(const VARIANT& value);

    // The thumb's position read as a value from 0 to Max (empty when it cannot be read).
    win::Variant Value() const;
    // Runs the pending window messages, then places the thumb for `value` (clamped to 0..Max).
    // A value that is not numeric is ignored. Since other handlers run in between, none of them
    // may destroy this object (destroying only its window is fine).
    void Value(const VARIANT& value);

    // The decimal digits of `text` read as one number (0 without digits); DISP_E_OVERFLOW when
    // they do not fit 32 bits.
    static HRESULT OnlyNumber(std::wstring_view text, std::int32_t& number);

    // Saves and restores the properties through the host's property bag, each under its own
    // name and left out when it equals its default.
    HRESULT WriteProperties(IPropertyBag* bag) const;
    HRESULT ReadProperties(IPropertyBag* bag);

    // What is shown, for hosts that draw around the control and for tests.
    ThumbLook Look() const { return model_.Look(); }
    double ThumbLeft() const { return model_.ThumbLeft(); }
    double Travel() const { return model_.Travel(); }
    // The drop target registered for the window (null before Create).
    IDropTarget* DropTarget() const;

  private:
    friend class SliderDropTarget;

    static constexpr std::size_t Index(SliderPicture which) { return static_cast<std::size_t>(which); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void OnCreate();
    void OnSize();
    void OnPaint(HDC dc);
    void OnMouseMove(WPARAM keys, LPARAM point);
    void OnButtonDown(std::int16_t button, WPARAM keys, LPARAM point);
    void OnButtonUp(std::int16_t button, WPARAM keys, LPARAM point);
    void OnCaptureChanged(HWND newCapture);
    bool OnSetCursor(HWND over, UINT hitTest);
    void OnKeyDown(WPARAM key);
    void OnDestroy();

    // The mouse-move rule shared by moves and presses.
    void MouseMoveHandling(std::int16_t button, std::int16_t shift, float x, float y);
    void RaiseDrop(IDataObject* data, DWORD keys, POINTL screenPoint, DWORD* effect);

    void SetPicture(SliderPicture which, IPictureDisp* picture, std::wstring_view name);
    // The picture shown for a role: the property's, or the built-in one when it holds none.
    IPictureDisp* Shown(SliderPicture which) const;
    // Applies pictures and enabled state, snaps the window to the track's size and redraws.
    void RefreshSkin();
    void PropertyChanged(std::wstring_view name);

    SliderModel model_;
    win::Variant smallChange_{1};
    win::Variant largeChange_{1};
    std::array<Microsoft::WRL::ComPtr<IPictureDisp>, 4> pictures_;
    std::array<Microsoft::WRL::ComPtr<IPictureDisp>, 4> builtIn_;
    Microsoft::WRL::ComPtr<SliderDropTarget> dropTarget_;
    bool dropRegistered_ = false;
    HCURSOR cursor_ = nullptr; // a shared system cursor: never destroyed
};

} // namespace klevotrim
