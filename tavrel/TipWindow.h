#pragma once
// FTip: the library's tooltip window, one per process, created on the first request.
#include "tavrel/TipMachine.h"

#include "common/win/Window.h"

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>

namespace klevotrim::tavrel {

class FTip final : public win::Window {
  public:
    // The shared instance (its window is created by the first request that needs it).
    static FTip& Default();

    // Asks for a tip with text `s` for `owner`. `backColor` -1 means the default light yellow.
    // `font` is a font object (IFontDisp), a font name (text) or nothing (VT_EMPTY / nullptr).
    void SetTip(HWND owner, const std::wstring& s, LONG textColor, LONG backColor, bool unicode,
                const VARIANT* font, short tipWidthMax);
    // The same, with the owner and text read from the object's Hwnd and Tag properties.
    HRESULT SetTipObject(IDispatch* object, LONG textColor, LONG backColor, bool unicode, const VARIANT* font,
                         short tipWidthMax);
    // For a list box's mouse-move handler: tips the item under (x, y) (twips, list-relative).
    void SetListTooltip(HWND listBox, short button, float x, float y, short maxWidth);

    void ShowTip();
    void HideTip();
    static Microsoft::WRL::ComPtr<IFontDisp> StandFont();
    static LONG TextWidthW(HDC dc, const std::wstring& s);

    BYTE TransparentLen() const { return transparentLen_; }
    void TransparentLen(BYTE value) { transparentLen_ = value; }
    bool Unicode() const { return unicode_; }
    void Unicode(bool value) { unicode_ = value; }
    COLORREF TipBackColor() const { return backColor_; }
    void TipBackColor(COLORREF value) { backColor_ = value; }
    COLORREF TipTextColor() const { return textColor_; }
    void TipTextColor(COLORREF value) { textColor_ = value; }

    const TipMachine& machine() const { return machine_; }
    // The List-box item text last given by SetListTooltip (the list box's Tag).
    const std::wstring& ListTag() const { return listTag_; }

  private:
    FTip() = default;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool EnsureWindow();
    void Form_Load();
    void ApplyFont(const VARIANT* font);
    void Apply(const TipEffects& effects);
    void OnTimer(UINT_PTR id);
    LRESULT OnPaint();

    TipMachine machine_;
    bool timersOn_[3] = {false, false, false}; // tmWaitStart, tmProcess, tmWaitEnd
    short tipWidthMax_ = 500;
    Microsoft::WRL::ComPtr<IFont> font_;
    // The font argument font_ was built from (an object, a name, or neither).
    bool fontArgumentKnown_ = false;
    Microsoft::WRL::ComPtr<IUnknown> lastFontObject_;
    std::wstring lastFontName_;
    BYTE transparentLen_ = 255;
    bool unicode_ = false;
    COLORREF backColor_ = RGB(255, 255, 225);
    COLORREF textColor_ = 0;
    // Layout of the shown tip, kept for repainting.
    RECT textRect_{};
    std::wstring shownText_;
    std::wstring listTag_;
};

} // namespace klevotrim::tavrel
