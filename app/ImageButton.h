#pragma once
// The image button: a picture button with seven looks (normal, hover, pressed, disabled, mask,
// selected, selected-and-hover), a tooltip, an enabled state and one click (WM_COMMAND with
// BN_CLICKED to the parent) per click of the enabled button.
#include <windows.h>

#include <objbase.h>

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

#include <array>
#include <string>

namespace klevotrim::app {

// A bitmap of the program's artwork resources, as a DIB section as the skin and the buttons
// draw it; null without one.
HBITMAP LoadArtwork(HINSTANCE module, int resourceId);

enum class ButtonLook { Normal, Hover, Down, Disabled, Mask, Selected, SelectedHover, Count };

class ImageButton final : public win::Window {
  public:
    static constexpr wchar_t kClassName[] = L"KlevotrimImageButton";

    ImageButton() = default;

    // `looks` are bitmap resource ids of `module` (0 for none); `label` is drawn when there is no
    // picture for a look.
    bool Create(HWND parent, int id, const RECT& position, const std::wstring& tipText, bool enabled,
                HINSTANCE module, const std::array<int, static_cast<int>(ButtonLook::Count)>& looks,
                const std::wstring& label);
    // The same with the looks' pictures already loaded (null for none); the button owns them.
    using Looks = std::array<win::UniqueBitmap, static_cast<int>(ButtonLook::Count)>;
    bool Create(HWND parent, int id, const RECT& position, const std::wstring& tipText, bool enabled,
                Looks looks, const std::wstring& label);

    bool Enabled() const;
    void Enabled(bool enabled);
    // The picture (normal look): reading it and writing the same one back repaints the button.
    HBITMAP Picture() const { return looks_[0].get(); }
    void Picture(HBITMAP picture);
    // Size of the normal look, or the placeholder size without one.
    SIZE PictureSize() const;
    void Move(int left, int top);
    std::wstring TipText() const { return tipText_; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnPaint();
    LRESULT OnMouseMove(int x, int y, WPARAM keys);
    void EnsureTip(const MSG& firstMove);
    LRESULT OnMouseLeave();
    LRESULT OnLButtonDown();
    LRESULT OnLButtonUp(int x, int y);
    LRESULT OnCaptureChanged();
    LRESULT OnEnable();
    void OnNcDestroy() noexcept override;
    HBITMAP LookFor() const;
    bool Inside(int x, int y) const;

    win::UniqueWindow tip_;
    Looks looks_;
    std::wstring tipText_;
    std::wstring label_;
    bool hover_ = false;
    bool pressed_ = false;
    bool tracking_ = false;
    bool tipTried_ = false; // the tooltip is made at the first pointer move
};

} // namespace klevotrim::app
