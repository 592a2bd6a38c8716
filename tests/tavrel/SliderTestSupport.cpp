#include "SliderTestSupport.h"

#include "TestSupport.h"

#include <cmath>
#include <functional>

namespace tavrel_test {

namespace {
LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// One visible top-level window for the whole test program: destroying a visible top-level
// window costs seconds under Wine without a window manager.
HWND SharedFrame(int width, int height) {
    static HWND frame = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavrelTestFrame";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        RegisterClassW(&wc);
        return CreateWindowExW(0, L"TavrelTestFrame", L"Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50,
                               50, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }();
    SetWindowPos(frame, nullptr, 50, 50, width + 40, height + 40, SWP_NOZORDER | SWP_NOACTIVATE);
    return frame;
}
} // namespace

ComPtr<IDispatch> CreateSlider() {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(kProgId, &clsid)))
        return nullptr;
    ComPtr<IDispatch> slider;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&slider));
    if (slider) {
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(slider.As(&persist)))
            persist->InitNew();
    }
    return slider;
}

HRESULT Get(IDispatch* object, DISPID id, Var& result) {
    DISPPARAMS none{};
    VariantClear(&result.v);
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result.v, nullptr,
                          nullptr);
}

Var Get(IDispatch* object, DISPID id) {
    Var result;
    Get(object, id, result);
    return result;
}

HRESULT Put(IDispatch* object, DISPID id, const Var& value, WORD flags) {
    Var copy = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&copy.v, &named, 1, 1};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, nullptr, nullptr);
}

HRESULT Call(IDispatch* object, DISPID id, std::vector<Var> arguments, Var* result, WORD flags) {
    std::vector<VARIANT> raw;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it)
        raw.push_back(it->v);
    DISPPARAMS params{raw.empty() ? nullptr : raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
    VARIANT scratch;
    VariantInit(&scratch);
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                result ? &result->v : &scratch, nullptr, nullptr);
    VariantClear(&scratch);
    return hr;
}

int GetInt(IDispatch* object, DISPID id) {
    Var v = Get(object, id);
    if (v.v.vt == VT_EMPTY || FAILED(VariantChangeType(&v.v, &v.v, 0, VT_I4)))
        return -999999;
    return v.v.lVal;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                               UINT*) {
    Event event{id, {}};
    for (UINT i = params->cArgs; i-- > 0;) {
        VARIANT number;
        VariantInit(&number);
        VARIANT* arg = &params->rgvarg[i];
        if (SUCCEEDED(VariantChangeType(&number, arg, 0, VT_R8)))
            event.numbers.push_back(number.dblVal);
        else
            event.numbers.push_back(std::nan(""));
    }
    events.push_back(event);
    if (onEvent)
        onEvent(id);
    return S_OK;
}

HRESULT EventSink::Connect(IUnknown* control) {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&container));
    if (SUCCEEDED(hr))
        hr = container->FindConnectionPoint(kEventsIid, &point_);
    if (SUCCEEDED(hr))
        hr = point_->Advise(static_cast<IDispatch*>(this), &cookie_);
    return hr;
}

void EventSink::Disconnect() {
    if (point_ && cookie_)
        point_->Unadvise(cookie_);
    point_.Reset();
    cookie_ = 0;
}

size_t EventSink::Count(DISPID id) const {
    size_t n = 0;
    for (const auto& e : events)
        n += e.id == id;
    return n;
}

AtlHost::AtlHost(int width, int height) {
    atl_ = LoadLibraryW(L"atl.dll");
    if (!atl_)
        return;
    using InitFn = BOOL(WINAPI*)();
    using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxWinInit")));
    auto getControl =
        reinterpret_cast<GetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxGetControl")));
    if (!init || !getControl)
        return;
    WNDCLASSW registered{};
    // A second AtlAxWinInit fails once the class exists.
    if (!GetClassInfoW(atl_, L"AtlAxWin", &registered) && !GetClassInfoW(nullptr, L"AtlAxWin", &registered) &&
        !init())
        return;
    frame_ = SharedFrame(width, height);
    container_ = CreateWindowExW(0, L"AtlAxWin", kProgId, WS_CHILD | WS_VISIBLE, 20, 20, width, height,
                                 frame_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!container_)
        return;
    ComPtr<IUnknown> unknown;
    if (SUCCEEDED(getControl(container_, &unknown)) && unknown)
        unknown.As(&control_);
    klevotrim::test::PumpMessages(50);
}

AtlHost::~AtlHost() {
    control_.Reset();
    if (container_)
        DestroyWindow(container_);
    klevotrim::test::PumpMessages(20);
    // atl.dll stays loaded: its window class may still be referenced by pending messages.
}

HWND AtlHost::controlWindow() const {
    ComPtr<IOleWindow> window;
    HWND hwnd = nullptr;
    if (control_ && SUCCEEDED(control_.As(&window)))
        window->GetWindow(&hwnd);
    return hwnd;
}

namespace {

// Runs `draw` on a memory DC (compatible with `reference`) holding a top-down 32-bit bitmap of
// width x height, and returns the bitmap's pixels.
std::vector<unsigned> DrawToPixels(HDC reference, int width, int height,
                                   const std::function<void(HDC)>& draw) {
    std::vector<unsigned> pixels(static_cast<size_t>(width) * height, 0xDEADBEEF);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(reference);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();
    memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

} // namespace

std::vector<unsigned> Render(IUnknown* control, int width, int height) {
    ComPtr<IViewObject> view;
    if (FAILED(control->QueryInterface(IID_PPV_ARGS(&view))))
        return std::vector<unsigned>(static_cast<size_t>(width) * height, 0xDEADBEEF);
    return DrawToPixels(nullptr, width, height, [&](HDC dc) {
        RECTL bounds{0, 0, width, height};
        view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
    });
}

std::vector<unsigned> Capture(HWND window, int width, int height) {
    HDC source = GetDC(window);
    std::vector<unsigned> pixels = DrawToPixels(
        source, width, height, [&](HDC dc) { BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY); });
    ReleaseDC(window, source);
    return pixels;
}

} // namespace tavrel_test
