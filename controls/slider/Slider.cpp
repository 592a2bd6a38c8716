#include "controls/slider/Slider.h"

#include "common/Rounding.h"
#include "common/win/ComObject.h"

#include <windowsx.h>

#include <cmath>

namespace klevotrim {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kClassName[] = L"KlevotrimSlider";
constexpr COLORREF kBackground = RGB(224, 224, 224);

std::int16_t ShiftState(WPARAM keys) {
    std::int16_t shift = 0;
    if (keys & MK_SHIFT)
        shift |= kShiftMask;
    if (keys & MK_CONTROL)
        shift |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= kAltMask;
    return shift;
}

std::int16_t ButtonsHeld(WPARAM keys) {
    std::int16_t button = 0;
    if (keys & MK_LBUTTON)
        button |= kLeftButton;
    if (keys & MK_RBUTTON)
        button |= kRightButton;
    if (keys & MK_MBUTTON)
        button |= kMiddleButton;
    return button;
}

std::optional<double> AsNumber(const VARIANT& value) {
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_R8)))
        return std::nullopt;
    return number.dblVal;
}

win::Variant FromInt(std::optional<std::int32_t> number) {
    return number ? win::Variant(*number) : win::Variant();
}

// Reads one property; false when the bag has none (or cannot give it), so the caller
// uses the default.
bool ReadBag(IPropertyBag* bag, const wchar_t* name, VARTYPE type, win::Variant& out) {
    if (FAILED(bag->Read(name, out.putRequest(type), nullptr))) {
        out.put();
        return false;
    }
    return true;
}

// Writes one property unless it equals its default.
HRESULT WriteBag(IPropertyBag* bag, const wchar_t* name, const VARIANT& value, const VARIANT& defaultValue) {
    if (VarCmp(const_cast<VARIANT*>(&value), const_cast<VARIANT*>(&defaultValue), LOCALE_USER_DEFAULT, 0) ==
        VARCMP_EQ)
        return S_OK;
    return bag->Write(name, const_cast<VARIANT*>(&value));
}

HRESULT WritePicture(IPropertyBag* bag, const wchar_t* name, IPictureDisp* picture) {
    if (!picture)
        return S_OK; // no picture is the default
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = picture;
    return bag->Write(name, &value);
}

ComPtr<IPictureDisp> ReadPicture(IPropertyBag* bag, const wchar_t* name) {
    win::Variant value;
    // Asking for an object lets a bag that stores pictures as data create the picture.
    if (!ReadBag(bag, name, VT_DISPATCH, value))
        return nullptr;
    const VARIANT& v = value.get();
    IUnknown* object = nullptr;
    if (v.vt == VT_DISPATCH)
        object = v.pdispVal;
    else if (v.vt == VT_UNKNOWN)
        object = v.punkVal;
    ComPtr<IPictureDisp> picture;
    if (object)
        object->QueryInterface(IID_IPictureDisp, reinterpret_cast<void**>(picture.GetAddressOf()));
    return picture; // anything that is not a picture reads as no picture
}

} // namespace

// Drops on the control raise its OLEDragDrop event.
class SliderDropTarget final : public win::ComObject<IDropTarget> {
  public:
    explicit SliderDropTarget(Slider* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        return Offer(effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return Offer(effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
        if (!effect)
            return E_INVALIDARG;
        Offer(effect);
        if (owner_)
            owner_->RaiseDrop(data, keys, point, effect);
        return S_OK;
    }

  private:
    // Copy when the source allows it, otherwise whatever it allows.
    HRESULT Offer(DWORD* effect) {
        if (!effect)
            return E_INVALIDARG;
        if (!owner_)
            *effect = DROPEFFECT_NONE;
        else if (*effect & DROPEFFECT_COPY)
            *effect = DROPEFFECT_COPY;
        else if (*effect & DROPEFFECT_MOVE)
            *effect = DROPEFFECT_MOVE;
        else
            *effect &= DROPEFFECT_LINK;
        return S_OK;
    }

    Slider* owner_;
};

Slider::Slider() {
    for (SliderPicture which : {SliderPicture::Track, SliderPicture::BarNormal, SliderPicture::BarHover,
                                SliderPicture::BarInactive}) {
        builtIn_[Index(which)] = MakeDefaultPicture(which);
        // A control without saved properties starts with the built-in skin as its pictures.
        pictures_[Index(which)] = builtIn_[Index(which)];
    }
    SIZE track = PicturePixelSize(Shown(SliderPicture::Track));
    SIZE thumb = PicturePixelSize(Shown(SliderPicture::BarNormal));
    model_.SetSizes(track.cx, track.cy, thumb.cx);
    model_.SetEnabledFlag(true);
    model_.SetValue(SliderModel::kDefaultValue);
}

Slider::~Slider() {
    if (hwnd())
        DestroyWindow(hwnd()); // with its handlers: the drop target is revoked
    if (dropTarget_)
        dropTarget_->Detach();
}

bool Slider::Create(HWND parent, int x, int y, int controlId) {
    if (hwnd())
        return false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // No class pointer: it is set per WM_SETCURSOR.
    if (!win::EnsureWindowClass({.name = kClassName, .instance = instance}))
        return false;
    SIZE track = PicturePixelSize(Shown(SliderPicture::Track));
    return CreateBound({.className = kClassName,
                        .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                        .x = x,
                        .y = y,
                        .width = track.cx,
                        .height = track.cy,
                        .parent = parent,
                        .id = controlId,
                        .instance = instance}) != nullptr;
}

void Slider::Enabled(bool enabled) {
    model_.SetEnabledFlag(enabled);
    PropertyChanged(L"Enabled");
    RefreshSkin();
}

win::Variant Slider::Max() const {
    return FromInt(model_.Max());
}

HRESULT Slider::Max(const VARIANT& value) {
    std::optional<double> number = AsNumber(value);
    if (!number)
        return DISP_E_TYPEMISMATCH;
    return model_.SetMax(*number) ? S_OK : DISP_E_OVERFLOW;
}

win::Variant Slider::Value() const {
    return FromInt(model_.Value());
}

void Slider::Value(const VARIANT& value) {
    // Copy first: the pending messages may change whatever `value` refers to.
    win::Variant copy(value);
    win::RunPendingMessages();
    std::optional<double> number = AsNumber(copy.get());
    if (!number)
        return;
    model_.SetValue(*number);
    RefreshSkin();
}

HRESULT Slider::OnlyNumber(std::wstring_view text, std::int32_t& number) {
    std::optional<std::int32_t> result = klevotrim::OnlyNumber(text);
    if (!result)
        return DISP_E_OVERFLOW;
    number = *result;
    return S_OK;
}

HRESULT Slider::WriteProperties(IPropertyBag* bag) const {
    if (!bag)
        return E_POINTER;
    const win::Variant enabled(model_.Enabled());
    const win::Variant enabledDefault(true);
    const win::Variant one(1);
    const win::Variant maxDefault(static_cast<std::int32_t>(SliderModel::kDefaultMax));
    // Max is saved as stored; a whole number goes out as a 32-bit integer.
    const double storedMax = model_.StoredMax();
    const std::optional<std::int32_t> wholeMax = model_.Max();
    const win::Variant max = wholeMax && static_cast<double>(*wholeMax) == storedMax
                                 ? win::Variant(*wholeMax)
                                 : win::Variant(storedMax);
    const win::Variant value = Value();

    HRESULT hr = WriteBag(bag, L"Enabled", enabled.get(), enabledDefault.get());
    if (SUCCEEDED(hr))
        hr = WriteBag(bag, L"SmallChange", smallChange_.get(), one.get());
    if (SUCCEEDED(hr))
        hr = WriteBag(bag, L"LargeChange", largeChange_.get(), one.get());
    if (SUCCEEDED(hr))
        hr = WritePicture(bag, L"imgNormal", pictures_[Index(SliderPicture::Track)].Get());
    if (SUCCEEDED(hr))
        hr = WritePicture(bag, L"imgBarNormal", pictures_[Index(SliderPicture::BarNormal)].Get());
    if (SUCCEEDED(hr))
        hr = WritePicture(bag, L"imgBarHover", pictures_[Index(SliderPicture::BarHover)].Get());
    if (SUCCEEDED(hr))
        hr = WritePicture(bag, L"imgBarInactive", pictures_[Index(SliderPicture::BarInactive)].Get());
    if (SUCCEEDED(hr))
        hr = WriteBag(bag, L"Max", max.get(), maxDefault.get());
    // A position that cannot be read has no value to save.
    if (SUCCEEDED(hr) && !value.empty())
        hr = WriteBag(bag, L"Value", value.get(), one.get());
    return hr;
}

HRESULT Slider::ReadProperties(IPropertyBag* bag) {
    if (!bag)
        return E_POINTER;
    win::Variant read;

    bool enabled = true;
    if (ReadBag(bag, L"Enabled", VT_EMPTY, read)) {
        VARIANT flag;
        VariantInit(&flag);
        // An unreadable flag keeps the default.
        if (SUCCEEDED(VariantChangeType(&flag, const_cast<VARIANT*>(&read.get()), 0, VT_BOOL)))
            enabled = flag.boolVal != VARIANT_FALSE;
    }
    model_.SetEnabledFlag(enabled);

    const win::Variant one(1);
    SmallChange(ReadBag(bag, L"SmallChange", VT_EMPTY, read) ? read.get() : one.get());
    LargeChange(ReadBag(bag, L"LargeChange", VT_EMPTY, read) ? read.get() : one.get());

    pictures_[Index(SliderPicture::Track)] = ReadPicture(bag, L"imgNormal");
    pictures_[Index(SliderPicture::BarNormal)] = ReadPicture(bag, L"imgBarNormal");
    pictures_[Index(SliderPicture::BarHover)] = ReadPicture(bag, L"imgBarHover");
    pictures_[Index(SliderPicture::BarInactive)] = ReadPicture(bag, L"imgBarInactive");

    // A saved Max that is not a usable number falls back to the default rather than failing
    // the whole load.
    const win::Variant maxDefault(static_cast<std::int32_t>(SliderModel::kDefaultMax));
    if (!ReadBag(bag, L"Max", VT_EMPTY, read) || FAILED(Max(read.get())))
        Max(maxDefault.get()); // 10 is always a valid Max

    const win::Variant valueDefault(SliderModel::kDefaultValue);
    Value(ReadBag(bag, L"Value", VT_EMPTY, read) ? read.get() : valueDefault.get());
    // Value repositions and redraws; make sure the loaded pictures show even when it was
    // ignored as not numeric.
    RefreshSkin();
    return S_OK;
}

IDropTarget* Slider::DropTarget() const {
    return dropTarget_.Get();
}

void Slider::SetPicture(SliderPicture which, IPictureDisp* picture, std::wstring_view name) {
    pictures_[Index(which)] = picture;
    PropertyChanged(name);
    RefreshSkin();
}

IPictureDisp* Slider::Shown(SliderPicture which) const {
    IPictureDisp* picture = pictures_[Index(which)].Get();
    return picture ? picture : builtIn_[Index(which)].Get();
}

void Slider::RefreshSkin() {
    SIZE track = PicturePixelSize(Shown(SliderPicture::Track));
    SIZE thumb = PicturePixelSize(Shown(SliderPicture::BarNormal));
    model_.SetSizes(track.cx, track.cy, thumb.cx);
    model_.Refresh();
    HWND hwnd = this->hwnd();
    if (!hwnd)
        return;
    // A disabled control ignores the mouse, so it must not keep holding the capture.
    if (!model_.Enabled() && GetCapture() == hwnd)
        ReleaseCapture();
    RECT client{};
    GetClientRect(hwnd, &client);
    if (client.right != track.cx || client.bottom != track.cy)
        SetWindowPos(hwnd, nullptr, 0, 0, track.cx, track.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Slider::PropertyChanged(std::wstring_view name) {
    if (onPropertyChanged)
        onPropertyChanged(name);
}

LRESULT Slider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = this->hwnd();
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_ERASEBKGND:
        return 1; // painting covers the whole client area
    case WM_PAINT: {
        win::PaintScope paint(hwnd);
        OnPaint(paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        OnPaint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(kLeftButton, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        OnButtonDown(kRightButton, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        OnButtonDown(kMiddleButton, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(kLeftButton, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        OnButtonUp(kRightButton, wParam, lParam);
        return 0;
    case WM_MBUTTONUP:
        OnButtonUp(kMiddleButton, wParam, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam)))
            return TRUE;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS; // arrow keys reach KeyDown inside dialogs too
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        OnKeyDown(wParam);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void Slider::OnCreate() {
    cursor_ = LoadCursorW(nullptr, IDC_HAND);
    dropTarget_ = win::MakeComObject<SliderDropTarget>(this);
    // Drops need OLE on this thread; without it the control simply accepts none.
    dropRegistered_ = SUCCEEDED(RegisterDragDrop(hwnd(), dropTarget_.Get()));
    RefreshSkin();
}

void Slider::OnSize() {
    RefreshSkin();
}

void Slider::OnPaint(HDC dc) {
    HWND hwnd = this->hwnd();
    RECT client{};
    GetClientRect(hwnd, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    // Compose off screen so that a moving thumb does not flicker.
    win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    win::UniqueBitmap canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
    HDC target = dc;
    std::optional<win::SelectScope> select;
    if (memory && canvas) {
        select.emplace(memory.get(), canvas.get());
        target = memory.get();
    }
    win::UniqueBrush background(CreateSolidBrush(kBackground));
    FillRect(target, &client, background.get());
    DrawPicture(target, Shown(SliderPicture::Track), 0, 0);
    SliderPicture thumb = SliderPicture::BarNormal;
    if (model_.Look() == ThumbLook::Hover)
        thumb = SliderPicture::BarHover;
    else if (model_.Look() == ThumbLook::Inactive)
        thumb = SliderPicture::BarInactive;
    DrawPicture(target, Shown(thumb), static_cast<int>(RoundHalfEven(model_.ThumbLeft())), 0);
    if (target != dc)
        BitBlt(dc, 0, 0, client.right, client.bottom, target, 0, 0, SRCCOPY);
}

void Slider::MouseMoveHandling(std::int16_t button, std::int16_t shift, float x, float y) {
    (void)shift; // the move rule does not look at the shift keys
    HWND hwnd = this->hwnd();
    MouseMoveOutcome outcome = model_.MouseMove(button, x, y, GetCapture() == hwnd);
    if (outcome.capture == CaptureAction::Take)
        SetCapture(hwnd);
    else if (outcome.capture == CaptureAction::Release && GetCapture() == hwnd)
        ReleaseCapture();
    if (outcome.redraw)
        InvalidateRect(hwnd, nullptr, FALSE);
    if (outcome.raiseChange && onChange) {
        win::Variant value = Value();
        onChange(button, value.get(), x, y);
    }
}

void Slider::OnMouseMove(WPARAM keys, LPARAM point) {
    MouseMoveHandling(ButtonsHeld(keys), ShiftState(keys), static_cast<float>(GET_X_LPARAM(point)),
                      static_cast<float>(GET_Y_LPARAM(point)));
}

void Slider::OnButtonDown(std::int16_t button, WPARAM keys, LPARAM point) {
    HWND hwnd = this->hwnd();
    const float x = static_cast<float>(GET_X_LPARAM(point));
    const float y = static_cast<float>(GET_Y_LPARAM(point));
    const std::int16_t shift = ShiftState(keys);
    SetFocus(hwnd); // keys go to the control that was clicked
    MouseMoveHandling(button, shift, x, y);
    if (!this->hwnd())
        return;
    // Hold the mouse while a button is down, so that a drag goes on outside the control.
    if (GetCapture() != hwnd)
        SetCapture(hwnd);
    if (onMouseDown)
        onMouseDown(button, shift, x, y);
}

void Slider::OnButtonUp(std::int16_t button, WPARAM keys, LPARAM point) {
    HWND hwnd = this->hwnd();
    const float x = static_cast<float>(GET_X_LPARAM(point));
    const float y = static_cast<float>(GET_Y_LPARAM(point));
    if (model_.Enabled() && onMouseUp)
        onMouseUp(button, ShiftState(keys), x, y);
    if (!this->hwnd() || ButtonsHeld(keys) != 0)
        return;
    // The press's hold ends; from here the pointer's place decides between hover and rest.
    if (GetCapture() == hwnd)
        ReleaseCapture();
    MouseMoveHandling(0, ShiftState(keys), x, y);
}

void Slider::OnCaptureChanged(HWND newCapture) {
    if (newCapture != hwnd() && model_.CaptureLost())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

bool Slider::OnSetCursor(HWND over, UINT hitTest) {
    if (over != hwnd() || hitTest != HTCLIENT || !cursor_)
        return false;
    SetCursor(cursor_);
    return true;
}

void Slider::OnKeyDown(WPARAM key) {
    if (!onKeyDown)
        return;
    std::int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= kShiftMask;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0)
        shift |= kAltMask;
    onKeyDown(static_cast<std::int16_t>(key), shift);
}

void Slider::OnDestroy() {
    if (dropRegistered_)
        RevokeDragDrop(hwnd()); // the window is going; nothing to do if it fails
    dropRegistered_ = false;
    if (dropTarget_)
        dropTarget_->Detach();
    dropTarget_.Reset();
}

void Slider::RaiseDrop(IDataObject* data, DWORD keys, POINTL screenPoint, DWORD* effect) {
    POINT point{screenPoint.x, screenPoint.y};
    ScreenToClient(hwnd(), &point);
    std::int16_t button = ButtonsHeld(keys);
    std::int16_t shift = ShiftState(keys);
    if (keys & MK_ALT)
        shift |= kAltMask;
    std::int32_t result = static_cast<std::int32_t>(*effect);
    if (onOLEDragDrop)
        onOLEDragDrop(data, result, button, shift, static_cast<float>(point.x), static_cast<float>(point.y));
    *effect = static_cast<DWORD>(result);
}

} // namespace klevotrim
