#pragma once
// NavigationSlider: the seek-bar ActiveX control (a windowed, in-place activated control).
#include "tavrel/ConnectionPoint.h"
#include "tavrel/Interfaces.h"
#include "tavrel/PropertyStore.h"
#include "tavrel/SliderModel.h"
#include "tavrel/SliderSurface.h"

#include "common/win/Window.h"

#include <wrl/client.h>

#include <string>

namespace klevotrim::tavrel {

class NavigationSlider final : public INavigationSlider,
                               public IOleObject,
                               public IOleInPlaceObject,
                               public IOleInPlaceActiveObject,
                               public IOleControl,
                               public IViewObject2,
                               public IPersistPropertyBag,
                               public IPersistStreamInit,
                               public IConnectionPointContainer,
                               public IProvideClassInfo2,
                               private win::Window {
  public:
    static HRESULT Create(REFIID iid, void** object);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch (through the type library)
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // _NavigationSlider
    STDMETHODIMP get_TipText(BSTR* value) override;
    STDMETHODIMP put_TipText(BSTR value) override;
    STDMETHODIMP get_Font(IFontDisp** value) override;
    STDMETHODIMP putref_Font(IFontDisp* value) override;
#define TAVREL_COLOUR_PAIR(n)                                                                                \
    STDMETHODIMP get_Color##n(OLE_COLOR* value) override {                                                   \
        return GetColour(n, value);                                                                          \
    }                                                                                                        \
    STDMETHODIMP put_Color##n(OLE_COLOR value) override {                                                    \
        return PutColour(n, value);                                                                          \
    }
    TAVREL_COLOUR_PAIR(0)
    TAVREL_COLOUR_PAIR(1)
    TAVREL_COLOUR_PAIR(2)
    TAVREL_COLOUR_PAIR(3)
    TAVREL_COLOUR_PAIR(4)
    TAVREL_COLOUR_PAIR(5)
    TAVREL_COLOUR_PAIR(6)
    TAVREL_COLOUR_PAIR(7)
    TAVREL_COLOUR_PAIR(8)
    TAVREL_COLOUR_PAIR(9)
    TAVREL_COLOUR_PAIR(10)
    TAVREL_COLOUR_PAIR(11)
    TAVREL_COLOUR_PAIR(12)
    TAVREL_COLOUR_PAIR(13)
    TAVREL_COLOUR_PAIR(14)
    TAVREL_COLOUR_PAIR(15)
    TAVREL_COLOUR_PAIR(16)
#undef TAVREL_COLOUR_PAIR
    STDMETHODIMP get_HoverPic(IPictureDisp** value) override;
    STDMETHODIMP putref_HoverPic(IPictureDisp* value) override;
    STDMETHODIMP put_HoverPic(IPictureDisp* value) override;
    STDMETHODIMP get_NormalPic(IPictureDisp** value) override;
    STDMETHODIMP putref_NormalPic(IPictureDisp* value) override;
    STDMETHODIMP put_NormalPic(IPictureDisp* value) override;
    STDMETHODIMP get_Max(VARIANT* value) override;
    STDMETHODIMP put_Max(VARIANT value) override;
    STDMETHODIMP get_Value(VARIANT* value) override;
    STDMETHODIMP put_Value(VARIANT value) override;
    STDMETHODIMP get_SmallChange(VARIANT* value) override;
    STDMETHODIMP put_SmallChange(VARIANT value) override;
    STDMETHODIMP get_LargeChange(VARIANT* value) override;
    STDMETHODIMP put_LargeChange(VARIANT value) override;
    STDMETHODIMP put_RoundedValue(LONG value) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
    STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
    STDMETHODIMP GradientTwoColour(LONG_PTR hDC, GRADIENT_DIRECT Direction, LONG StartColor, LONG EndColor,
                                   LONG* Left, LONG* Top, LONG* Width, LONG* Height) override;
    STDMETHODIMP About(VARIANT* result) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow / IOleInPlaceObject / IOleInPlaceActiveObject
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDevice,
                      HDC dc, LPCRECTL bounds, LPCRECTL windowBounds,
                      BOOL(STDMETHODCALLTYPE* proceed)(ULONG_PTR), ULONG_PTR proceedArgument) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                             HDC targetDevice, LOGPALETTE** colours) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // IPersist, IPersistPropertyBag, IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // Unloading the library while the process goes on: no class may point at its code.
    static void UnregisterWindowClass();

  private:
    NavigationSlider();
    ~NavigationSlider() override;
    HRESULT Initialise();

    HRESULT GetColour(int index, OLE_COLOR* value);
    HRESULT PutColour(int index, OLE_COLOR value);
    HRESULT SetPicture(Microsoft::WRL::ComPtr<IPictureDisp>& slot, IPictureDisp* value, DISPID id);

    // The value model.
    int Width() const;
    int Height() const;
    std::optional<std::int32_t> MaxRead() const;
    std::optional<std::int32_t> ValueRead() const;
    void PumpPendingMessages();

    // Drawing.
    void LoadColours();
    void Redraw();
    void ApplyShape();
    void PointerRepaint(std::int32_t x);
    void Present();
    void PropertyChanged(DISPID id);

    // Persistence.
    void InitProperties();
    void ReadProperties(IPropertyBag* bag, IErrorLog* log);
    HRESULT WriteProperties(IPropertyBag* bag);
    Microsoft::WRL::ComPtr<IFontDisp> AmbientFont();

    // In-place activation.
    HRESULT InPlaceActivate(LONG verb, HWND parent, LPCRECT position);
    HWND HostWindow() const;

    // Window messages.
    HRESULT CreateControlWindow(HWND host, const RECT& placed);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnPaint();
    LRESULT OnPrintClient(HDC dc);
    void OnSize();
    void OnMouse(int kind, WPARAM keys, LPARAM position, int button);
    LRESULT OnKeyMessage(KeyMessage kind, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnSetFocus();
    void RaiseMouseEvent(DISPID event, short button, short shift, float x, float y);

    LONG refs_ = 1;
    Microsoft::WRL::ComPtr<ITypeInfo> dualInfo_;     // vtable side: Invoke calls through it
    Microsoft::WRL::ComPtr<ITypeInfo> dispatchInfo_; // dispatch side: what GetTypeInfo hands out
    Microsoft::WRL::ComPtr<ITypeLib> library_;

    // State of the control.
    float marker_ = kInitialMarkerLeft;
    win::Variant max_;
    win::Variant smallChange_;
    win::Variant largeChange_;
    LONG roundedValue_ = kInitialRoundedValue;
    bool enabled_ = true;
    std::wstring tipText_;
    Microsoft::WRL::ComPtr<IFontDisp> font_;
    Microsoft::WRL::ComPtr<IPictureDisp> hoverPic_;
    Microsoft::WRL::ComPtr<IPictureDisp> normalPic_;
    Microsoft::WRL::ComPtr<IPictureDisp> markerPicture_; // the hidden marker's picture
    Palette colours_{};
    Palette palette_{};
    bool dirty_ = false;

    // Drawing surface and geometry.
    SliderSurface surface_;
    SIZE size_{377, 9}; // pixels, until a window gives the real client size
    SIZEL extent_{};

    // Hosting.
    Microsoft::WRL::ComPtr<IOleClientSite> clientSite_;
    Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
    Microsoft::WRL::ComPtr<IOleAdviseHolder> adviseHolder_;
    Microsoft::WRL::ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    bool uiActive_ = false;
    ConnectionPoint events_;
    ConnectionPoint notify_;
};

} // namespace klevotrim::tavrel
