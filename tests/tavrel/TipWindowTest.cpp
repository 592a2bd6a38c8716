// The tooltip window's entry points, called directly as the library's own code calls them.
#include "OleEnvironment.h"

#include "TestSupport.h"
#include "common/win/ComObject.h"
#include "tavrel/TipWindow.h"

#include <gtest/gtest.h>

using klevotrim::tavrel::FTip;
using Microsoft::WRL::ComPtr;

namespace {

// A plain visible window standing in for a tip's owner, shared by the tests: a visible
// top-level window takes seconds to hide or destroy under Wine without a window manager.
struct Owner {
    HWND hwnd = Shared();
    POINT Centre() const { return {400, 330}; }
    static HWND Shared() {
        static HWND window = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 300, 300, 200, 60,
                                             nullptr, nullptr, nullptr, nullptr);
        return window;
    }
};

LONG WidthWithFont(const wchar_t* face, LONG heightPoints, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(heightPoints, GetDeviceCaps(dc, LOGPIXELSY), 72);
    wcscpy_s(lf.lfFaceName, face);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    LONG width = FTip::TextWidthW(dc, text);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return width;
}

RECT TipRect() {
    RECT rect{};
    GetWindowRect(FTip::Default().hwnd(), &rect);
    return rect;
}

// An automation object with Hwnd and (optionally) Tag, as a form control has them.
class Tagged final : public klevotrim::win::UncountedComObject<IDispatch> {
  public:
    Tagged(HWND hwnd, const wchar_t* tag) : hwnd_(hwnd), tag_(tag) {}
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        if (lstrcmpiW(names[0], L"Hwnd") == 0)
            *id = 1;
        else if (lstrcmpiW(names[0], L"Tag") == 0 && tag_)
            *id = 2;
        else
            return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        VariantInit(result);
        if (id == 1) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(reinterpret_cast<LONG_PTR>(hwnd_));
        } else {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(tag_);
        }
        return S_OK;
    }

  private:
    HWND hwnd_;
    const wchar_t* tag_;
};

} // namespace

TEST(TipWindowEntry, StandardFontIsVerdanaEightPlain) {
    ComPtr<IFontDisp> disp = FTip::StandFont();
    ComPtr<IFont> font;
    ASSERT_EQ(S_OK, disp.As(&font));
    // Without Verdana installed the platform substitutes a face and reports the realised
    // size (8 points at 96 dots per inch realise as 8.25).
    CY size{};
    font->get_Size(&size);
    EXPECT_GE(size.int64, 75000);
    EXPECT_LE(size.int64, 85000);
    BOOL bold = TRUE, italic = TRUE, underline = TRUE, strike = TRUE;
    font->get_Bold(&bold);
    font->get_Italic(&italic);
    font->get_Underline(&underline);
    font->get_Strikethrough(&strike);
    EXPECT_FALSE(bold || italic || underline || strike);
}

TEST(TipWindowEntry, ColoursAndFontOfAnAcceptedRequest) {
    Owner owner;
    FTip& tip = FTip::Default();
    SetCursorPos(owner.Centre().x, owner.Centre().y);
    VARIANT face;
    VariantInit(&face);
    face.vt = VT_BSTR;
    face.bstrVal = SysAllocString(L"Arial");
    tip.SetTip(owner.hwnd, L"Colours", 0x123456, -1, true, &face, 300);
    VariantClear(&face);
    EXPECT_EQ(tip.TipBackColor(), RGB(255, 255, 225));
    EXPECT_EQ(tip.TipTextColor(), 0x123456u);
    EXPECT_TRUE(tip.Unicode());
    tip.ShowTip();
    // A font name gives that font at 8 points.
    EXPECT_EQ(TipRect().right - TipRect().left, WidthWithFont(L"Arial", 8, L"Colours") + 6);

    tip.SetTip(owner.hwnd, L"Other colours", 0, 0x00FF00, false, nullptr, 300);
    EXPECT_EQ(tip.TipBackColor(), 0x00FF00u);
    tip.HideTip();
}

TEST(TipWindowEntry, WideTextWrapsAndTheRightScreenEdgeHoldsTheTip) {
    Owner owner;
    FTip& tip = FTip::Default();
    SetCursorPos(owner.Centre().x, owner.Centre().y);
    const std::wstring wide = L"a tip text that is much wider than a hundred pixels in any font";
    tip.SetTip(owner.hwnd, wide, 0, -1, true, nullptr, 100);
    tip.ShowTip();
    RECT rect = TipRect();
    EXPECT_EQ(rect.right - rect.left, 109);
    EXPECT_GT(rect.bottom - rect.top, 30); // several lines

    const int screen = GetSystemMetrics(SM_CXSCREEN);
    SetCursorPos(screen - 3, 200);
    tip.ShowTip();
    rect = TipRect();
    EXPECT_EQ(rect.right, screen);
    EXPECT_EQ(rect.top, 222);
    tip.HideTip();
}

TEST(TipWindowEntry, TranslucencyAppliesFromTheNextShow) {
    Owner owner;
    FTip& tip = FTip::Default();
    SetCursorPos(owner.Centre().x, owner.Centre().y);
    tip.SetTip(owner.hwnd, L"Half", 0, -1, true, nullptr, 300);
    tip.TransparentLen(128);
    tip.ShowTip();
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(tip.hwnd(), nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 128);
    EXPECT_TRUE(flags & LWA_ALPHA);
    tip.TransparentLen(255);
    tip.HideTip();
}

TEST(TipWindowEntry, ObjectTipsReadHwndAndTag) {
    Owner owner;
    FTip& tip = FTip::Default();
    SetCursorPos(owner.Centre().x + 1, owner.Centre().y);
    Tagged tagged(owner.hwnd, L"From the tag");
    ASSERT_EQ(S_OK, tip.SetTipObject(&tagged, 0, -1, true, nullptr, 300));
    EXPECT_EQ(tip.machine().Text(), L"From the tag");
    EXPECT_EQ(tip.machine().Owner(), reinterpret_cast<std::uintptr_t>(owner.hwnd));

    Tagged untagged(owner.hwnd, nullptr);
    EXPECT_TRUE(FAILED(tip.SetTipObject(&untagged, 0, -1, true, nullptr, 300)));
    EXPECT_EQ(tip.machine().Text(), L"From the tag"); // nothing changed
    tip.HideTip();
}

TEST(TipWindowEntry, ListBoxTipsTheItemUnderThePointer) {
    Owner owner;
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 60, owner.hwnd, nullptr,
                                nullptr, nullptr);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"First item"));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Second item"));
    const LRESULT itemHeight = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    FTip& tip = FTip::Default();
    SetCursorPos(owner.Centre().x + 2, owner.Centre().y);
    const float twips = 15.0f;                                              // at 96 dots per inch
    tip.SetListTooltip(list, 1, 10 * twips, (itemHeight + 2) * twips, 300); // a button held: nothing
    EXPECT_NE(tip.machine().Owner(), reinterpret_cast<std::uintptr_t>(list));
    tip.SetListTooltip(list, 0, 10 * twips, (itemHeight + 2) * twips, 300);
    EXPECT_EQ(tip.ListTag(), L"Second item");
    EXPECT_EQ(tip.machine().Owner(), reinterpret_cast<std::uintptr_t>(list));
    tip.SetListTooltip(list, 0, 10 * twips, 50 * twips, 300); // below the last item
    EXPECT_EQ(tip.ListTag(), L"");
    EXPECT_EQ(tip.machine().Text(), L"Second item"); // the empty tag asked for nothing
    DestroyWindow(list);
    tip.HideTip();
}
