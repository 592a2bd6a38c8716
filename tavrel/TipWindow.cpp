#include "tavrel/TipWindow.h"

#include "tavrel/OleFont.h"
#include "tavrel/Server.h"

#include "common/ScreenUnits.h"
#include "common/win/ComValues.h"
#include "common/win/ScreenDpi.h"
#include "common/win/UniqueHandle.h"

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kWindowClass[] = L"TavrelFTip";
constexpr UINT_PTR kWaitStart = 1;
constexpr UINT_PTR kProcess = 2;
constexpr UINT_PTR kWaitEnd = 3;
constexpr UINT kTextFlags = DT_WORDBREAK | DT_CENTER; // 0x11
constexpr COLORREF kDefaultBack = RGB(255, 255, 225);

HFONT FontHandle(IFont* font) {
    HFONT handle = nullptr;
    if (font)
        font->get_hFont(&handle);
    return handle;
}

bool IsMissing(const VARIANT* value) {
    return !value || value->vt == VT_EMPTY || (value->vt == VT_ERROR && value->scode == DISP_E_PARAMNOTFOUND);
}

HRESULT ReadProperty(IDispatch* object, const wchar_t* name, VARIANT* result) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none{};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result, nullptr,
                          nullptr);
}

} // namespace

FTip& FTip::Default() {
    // The one tooltip of the process. Never destroyed: it lives until the process ends, and
    // releasing its font object from a static destructor could run after COM is gone.
    static FTip* tip = new FTip();
    return *tip;
}

bool FTip::EnsureWindow() {
    if (hwnd())
        return true;
    if (!win::EnsureWindowClass(
            {.name = kWindowClass, .instance = ModuleInstance(), .cursor = LoadCursorW(nullptr, IDC_ARROW)}))
        return false;
    // No frame or caption, topmost, never activated, never in the taskbar.
    if (!CreateBound({.className = kWindowClass,
                      .title = L"FTip",
                      .style = WS_POPUP,
                      .exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                      .width = 165,
                      .height = 26,
                      .instance = ModuleInstance()}))
        return false;
    // The window lives until the process ends: keep the code of its class loaded for as long.
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&kWindowClass), &pinned);
    Form_Load();
    return true;
}

void FTip::Form_Load() {
    const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, style | WS_EX_LAYERED);
    backColor_ = kDefaultBack;
    textColor_ = 0;
    tipWidthMax_ = 500;
    transparentLen_ = 255;
    machine_ = TipMachine{};
    SetTimer(hwnd(), kWaitStart, TipMachine::kWaitStartMs, nullptr);
    timersOn_[0] = true;
}

ComPtr<IFontDisp> FTip::StandFont() {
    return CreateFontObject(TipStandardFace());
}

LONG FTip::TextWidthW(HDC dc, const std::wstring& s) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &extent);
    return extent.cx;
}

void FTip::ApplyFont(const VARIANT* font) {
    // The same font argument as last time gives the same font: skip rebuilding it, so that
    // a stream of requests from one owner costs no object creation either.
    ComPtr<IUnknown> object;
    std::wstring name;
    const bool missing = IsMissing(font);
    if (!missing && (font->vt == VT_DISPATCH || font->vt == VT_UNKNOWN) && font->punkVal)
        font->punkVal->QueryInterface(IID_PPV_ARGS(&object));
    else if (!missing) {
        win::Variant text;
        if (SUCCEEDED(VariantChangeType(text.put(), const_cast<VARIANT*>(font), 0, VT_BSTR)) &&
            text.get().bstrVal)
            name.assign(text.get().bstrVal, SysStringLen(text.get().bstrVal));
    }
    if (font_ && fontArgumentKnown_ && object == lastFontObject_ && name == lastFontName_)
        return;
    fontArgumentKnown_ = true;
    lastFontObject_ = object;
    lastFontName_ = name;

    ComPtr<IFont> standard;
    if (auto disp = StandFont())
        disp.As(&standard);
    font_ = standard;
    // A font object is used unchanged; a name gives the standard font under that name.
    // Whatever fails here is skipped.
    ComPtr<IFont> given;
    if (object && SUCCEEDED(object.As(&given))) {
        font_ = given;
        return;
    }
    if (font_ && !name.empty()) {
        if (win::Bstr face(name); face.get())
            font_->put_Name(face.get());
    }
}

void FTip::SetTip(HWND owner, const std::wstring& s, LONG textColor, LONG backColor, bool unicode,
                  const VARIANT* font, short tipWidthMax) {
    if (s.empty())
        return;
    if (!EnsureWindow()) // the first request creates the window (with its defaults) first
        return;
    tipWidthMax_ = tipWidthMax;
    ApplyFont(font);
    const auto ownerId = reinterpret_cast<std::uintptr_t>(owner);
    if (!machine_.DependsOnPointer(ownerId, s))
        return; // refused wherever the pointer is: no need to ask where it is
    POINT p{};
    GetCursorPos(&p);
    TipEffects effects = machine_.Request(ownerId, s, {p.x, p.y});
    if (effects.accepted) {
        textColor_ = static_cast<COLORREF>(textColor);
        backColor_ = backColor == -1 ? kDefaultBack : static_cast<COLORREF>(backColor);
        unicode_ = unicode;
    }
    Apply(effects);
}

HRESULT FTip::SetTipObject(IDispatch* object, LONG textColor, LONG backColor, bool unicode,
                           const VARIANT* font, short tipWidthMax) {
    if (!object)
        return E_POINTER;
    win::Variant hwnd, tag, text, handle;
    HRESULT hr = ReadProperty(object, L"Hwnd", hwnd.put());
    if (SUCCEEDED(hr))
        hr = ReadProperty(object, L"Tag", tag.put());
    if (SUCCEEDED(hr))
        hr = VariantChangeType(handle.put(), hwnd.address(), 0, sizeof(void*) == 8 ? VT_I8 : VT_I4);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(text.put(), tag.address(), 0, VT_BSTR);
    if (SUCCEEDED(hr)) {
        HWND owner = reinterpret_cast<HWND>(sizeof(void*) == 8 ? static_cast<LONG_PTR>(handle.get().llVal)
                                                               : static_cast<LONG_PTR>(handle.get().lVal));
        const BSTR chars = text.get().bstrVal;
        SetTip(owner, std::wstring(chars ? chars : L"", SysStringLen(chars)), textColor, backColor, unicode,
               font, tipWidthMax);
    }
    return hr;
}

void FTip::SetListTooltip(HWND listBox, short button, float x, float y, short maxWidth) {
    if (button != 0)
        return;
    const win::Dpi dpi = win::ScreenDpi();
    const auto px = static_cast<LONG>(TwipsToPixels(x, dpi.x));
    const auto py = static_cast<LONG>(TwipsToPixels(y, dpi.y));
    const LRESULT item = SendMessageW(listBox, LB_ITEMFROMPOINT, 0, static_cast<LPARAM>(py * 65536 + px));
    const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    listTag_.clear();
    if (item >= 0 && item < count) {
        const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
        if (length > 0) {
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            const LRESULT copied = SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(item),
                                                reinterpret_cast<LPARAM>(text.data()));
            text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
            listTag_ = text;
        }
    }
    SetTip(listBox, listTag_, 0, -1, true, nullptr, maxWidth);
}

void FTip::Apply(const TipEffects& effects) {
    if (effects.show)
        ShowTip();
    if (effects.hide && hwnd())
        ShowWindow(hwnd(), SW_HIDE);
    // Timers follow the machine: started when it turns one on, stopped when it turns one off.
    const bool wanted[3] = {machine_.WaitStartOn(), machine_.ProcessOn(), machine_.WaitEndOn()};
    const UINT_PTR ids[3] = {kWaitStart, kProcess, kWaitEnd};
    const UINT intervals[3] = {TipMachine::kWaitStartMs, TipMachine::kProcessMs, TipMachine::kWaitEndMs};
    for (int i = 0; i < 3; ++i) {
        if (wanted[i] == timersOn_[i] || !hwnd())
            continue;
        if (wanted[i])
            SetTimer(hwnd(), ids[i], intervals[i], nullptr);
        else
            KillTimer(hwnd(), ids[i]);
        timersOn_[i] = wanted[i];
    }
}

void FTip::ShowTip() {
    if (!hwnd())
        return;
    const std::wstring text = machine_.Text();
    POINT p{};
    GetCursorPos(&p);
    win::WindowDc dc(hwnd());
    if (!dc)
        return;
    HFONT font = FontHandle(font_.Get());
    win::SelectScope selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    const LONG width = TextWidthW(dc.get(), text);
    const LONG right = TipTextRight(width, tipWidthMax_);
    RECT layout{3, 3, right, 3};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &layout, kTextFlags | DT_CALCRECT);
    const LONG textHeight = layout.bottom - layout.top;
    ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    int dpi = GetDeviceCaps(dc.get(), LOGPIXELSX);
    if (dpi <= 0)
        dpi = kDefaultDpi;
    const double screenTwips = PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi);
    const TipRect place = PlaceTip({p.x, p.y}, right, textHeight, screenTwips);
    SetWindowPos(hwnd(), HWND_TOPMOST, place.x, place.y, place.width, place.height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    textRect_ = {3, 3, right, 3 + textHeight};
    shownText_ = text;
    InvalidateRect(hwnd(), nullptr, TRUE);
    UpdateWindow(hwnd());
    SetLayeredWindowAttributes(hwnd(), 0, transparentLen_, LWA_ALPHA);
}

void FTip::HideTip() {
    Apply(machine_.Hide());
}

void FTip::OnTimer(UINT_PTR id) {
    TipEffects effects;
    if (id == kWaitStart) {
        effects = machine_.TickWaitStart();
    } else if (id == kProcess) {
        POINT p{};
        GetCursorPos(&p);
        effects = machine_.TickProcess(reinterpret_cast<std::uintptr_t>(WindowFromPoint(p)));
    } else if (id == kWaitEnd) {
        effects = machine_.TickWaitEnd();
    }
    Apply(effects);
}

LRESULT FTip::OnPaint() {
    win::PaintScope paint(hwnd());
    RECT client;
    GetClientRect(hwnd(), &client);
    win::UniqueBrush back(CreateSolidBrush(backColor_));
    FillRect(paint.dc(), &client, back.get());
    HFONT font = FontHandle(font_.Get());
    win::SelectScope selected(paint.dc(),
                              font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(paint.dc(), textColor_);
    SetBkColor(paint.dc(), backColor_);
    RECT text = textRect_;
    DrawTextW(paint.dc(), shownText_.c_str(), static_cast<int>(shownText_.size()), &text, kTextFlags);
    // Frame: light grey top and left edges, black bottom and right edges.
    const int sw = client.right, sh = client.bottom;
    win::UniquePen light(CreatePen(PS_SOLID, 1, RGB(220, 223, 228)));
    win::UniquePen dark(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    {
        win::SelectScope pen(paint.dc(), light.get());
        MoveToEx(paint.dc(), 0, 0, nullptr);
        LineTo(paint.dc(), sw, 0);
        MoveToEx(paint.dc(), 0, 0, nullptr);
        LineTo(paint.dc(), 0, sh);
    }
    {
        win::SelectScope pen(paint.dc(), dark.get());
        MoveToEx(paint.dc(), 0, sh - 1, nullptr);
        LineTo(paint.dc(), sw, sh - 1);
        MoveToEx(paint.dc(), sw - 1, 0, nullptr);
        LineTo(paint.dc(), sw - 1, sh);
    }
    return 0;
}

LRESULT FTip::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_PAINT:
        return OnPaint();
    case WM_ERASEBKGND:
        return 1; // the paint fills everything
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefaultHandling(message, wParam, lParam);
    }
}

} // namespace klevotrim::tavrel
