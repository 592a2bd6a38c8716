#pragma once
// Helpers for driving Tavrel.ocx as a host does: creation by ProgID, dispatch calls by id,
// an event sink, and the platform's own ATL container window.
#include "common/win/ComObject.h"
#include "common/win/Guid.h"
#include "tavrel/Contract.h"

#include <windows.h>

#include <ocidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

namespace tavrel_test {

using Microsoft::WRL::ComPtr;

namespace dispid = klevotrim::tavrel::dispid;
namespace event = klevotrim::tavrel::event;
using klevotrim::tavrel::kProgId;
inline constexpr IID kEventsIid = klevotrim::win::ToGuid(klevotrim::tavrel::kEventsIid);

// A VARIANT that clears itself.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    explicit Var(int value) : Var() {
        v.vt = VT_I4;
        v.lVal = value;
    }
    explicit Var(double value) : Var() {
        v.vt = VT_R8;
        v.dblVal = value;
    }
    explicit Var(const wchar_t* text) : Var() {
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(text);
    }
    static Var Bool(bool value) {
        Var r;
        r.v.vt = VT_BOOL;
        r.v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return r;
    }
    Var(const Var& other) : Var() { VariantCopy(&v, const_cast<VARIANT*>(&other.v)); }
    Var& operator=(const Var& other) {
        VariantCopy(&v, const_cast<VARIANT*>(&other.v));
        return *this;
    }
    ~Var() { VariantClear(&v); }
};

// Creates the control by ProgID (CoCreateInstance, in-process).
ComPtr<IDispatch> CreateSlider();

// Property get / put / method call by dispatch id.
HRESULT Get(IDispatch* object, DISPID id, Var& result);
Var Get(IDispatch* object, DISPID id);
HRESULT Put(IDispatch* object, DISPID id, const Var& value, WORD flags = DISPATCH_PROPERTYPUT);
HRESULT Call(IDispatch* object, DISPID id, std::vector<Var> arguments, Var* result = nullptr,
             WORD flags = DISPATCH_METHOD);
int GetInt(IDispatch* object, DISPID id); // -999999 when not an integer

// Records every event raised to it. `onEvent` runs inside the event, before it returns.
class EventSink final : public klevotrim::win::UncountedComObject<IDispatch> { // on the test's stack
  public:
    struct Event {
        DISPID id;
        std::vector<double> numbers; // every argument read as a number
    };
    std::vector<Event> events;
    std::function<void(DISPID)> onEvent;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override;

    // Connects to the control's event source; Disconnect undoes it.
    HRESULT Connect(IUnknown* control);
    void Disconnect();
    size_t Count(DISPID id) const;

  private:
    void* FindOther(REFIID iid) noexcept override {
        return iid == kEventsIid ? static_cast<IDispatch*>(this) : nullptr;
    }

    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// The platform's ATL container ("AtlAxWin" from atl.dll) holding the control, inside a
// visible top-level window.
class AtlHost {
  public:
    AtlHost(int width, int height);
    ~AtlHost();
    bool ok() const { return control_ != nullptr; }
    HWND frame() const { return frame_; }
    HWND container() const { return container_; }
    HWND controlWindow() const; // the control's own window (the container's child)
    IDispatch* control() const { return control_.Get(); }

  private:
    HMODULE atl_ = nullptr;
    HWND frame_ = nullptr;
    HWND container_ = nullptr;
    ComPtr<IDispatch> control_;
};

// Renders the control through IViewObject::Draw into a 32-bit DIB; pixels as 0x00RRGGBB.
std::vector<unsigned> Render(IUnknown* control, int width, int height);
inline unsigned Pixel(const std::vector<unsigned>& image, int width, int x, int y) {
    return image[static_cast<size_t>(y) * width + x] & 0xFFFFFF;
}
inline unsigned Rgb(unsigned r, unsigned g, unsigned b) {
    return (r << 16) | (g << 8) | b;
}

// Reads the on-screen pixels of a window's client area (BitBlt from its DC).
std::vector<unsigned> Capture(HWND window, int width, int height);

} // namespace tavrel_test
