#include "app/ControlHost.h"

#include "common/ScreenUnits.h"
#include "common/win/ComObject.h"
#include "common/win/ComValues.h"
#include "common/win/ScreenDpi.h"

#include <olectl.h>

namespace klevotrim::app {

using Microsoft::WRL::ComPtr;

namespace {

// A size in pixels as HIMETRIC at the screen's resolution.
SIZEL ExtentOfPixels(LONG width, LONG height) {
    const win::Dpi dpi = win::ScreenDpi();
    return SIZEL{PixelsToHimetric(width, dpi.x), PixelsToHimetric(height, dpi.y)};
}

// The stored design properties, read by the control's IPersistPropertyBag::Load.
class PropertyBag final : public win::ComObject<IPropertyBag> {
  public:
    explicit PropertyBag(const std::vector<StoredProperty>& properties) : properties_(properties) {}

    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value)
            return E_POINTER;
        for (const auto& property : properties_) {
            if (_wcsicmp(property.name.c_str(), name) != 0)
                continue;
            VARTYPE wanted = value->vt;
            VariantInit(value);
            if (wanted == VT_EMPTY)
                return VariantCopy(value, const_cast<VARIANT*>(&property.value));
            return VariantChangeType(value, const_cast<VARIANT*>(&property.value), 0, wanted);
        }
        return E_INVALIDARG; // not stored: the control keeps its default
    }
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return S_OK; } // nothing is saved back

  private:
    const std::vector<StoredProperty>& properties_;
};

} // namespace

// Receives the control's source interface and hands events to the owner.
class EventSink final : public win::ComObject<IDispatch> {
  public:
    EventSink(const IID& eventsIid, ControlEventHandler* handler) : iid_(eventsIid), handler_(handler) {}

    void Disconnect() { handler_ = nullptr; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (!handler_)
            return S_OK;
        std::vector<win::Variant> owned;
        if (params) {
            // rgvarg holds the arguments last first.
            for (UINT i = params->cArgs; i-- > 0;) {
                win::Variant copy;
                if (FAILED(VariantCopyInd(copy.put(), &params->rgvarg[i])))
                    copy.put(); // an argument that cannot be read arrives empty
                owned.push_back(std::move(copy));
            }
        }
        std::vector<VARIANT> arguments;
        for (const auto& argument : owned)
            arguments.push_back(argument.get());
        handler_->OnControlEvent(dispid, arguments);
        return S_OK;
    }

  private:
    void* FindOther(REFIID iid) noexcept override {
        return iid == iid_ ? static_cast<IDispatch*>(this) : nullptr;
    }

    IID iid_;
    ControlEventHandler* handler_;
};

// Client site, in-place site and frame, control site and ambient properties in one object.
class ControlSite final
    : public win::ComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IOleControlSite, IDispatch> {
  public:
    ControlSite(HWND parent, const RECT& position) : parent_(parent), position_(position) {}

    void SetInPlaceObject(IOleInPlaceObject* object) { inPlace_ = object; }
    const RECT& Position() const { return position_; }
    void SetPosition(const RECT& position) { position_ = position; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window)
            return E_POINTER;
        *window = parent_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info)
            return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        *position = position_;
        *clip = position_;
        info->fMDIApp = FALSE;
        info->hwndFrame = parent_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override {
        inPlace_ = nullptr;
        return S_OK;
    }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT position) override {
        if (!position)
            return E_POINTER;
        position_ = *position;
        if (inPlace_)
            inPlace_->SetObjectRects(&position_, &position_);
        return S_OK;
    }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no toolbars, menus or status line to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** control) override {
        if (control)
            *control = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
        if (!himetric || !container)
            return E_POINTER;
        // The container works in pixels.
        const win::Dpi dpi = win::ScreenDpi();
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = HimetricToPixelsExact(himetric->x, dpi.x);
            container->y = HimetricToPixelsExact(himetric->y, dpi.y);
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = PixelsToHimetricTruncated(container->x, dpi.x);
            himetric->y = PixelsToHimetricTruncated(container->y, dpi.y);
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET) || !result)
            return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        switch (dispid) {
        case DISPID_AMBIENT_USERMODE:
        case DISPID_AMBIENT_AUTOCLIP:
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
            return S_OK;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
        case DISPID_AMBIENT_SUPPORTSMNEMONICS:
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_FALSE;
            return S_OK;
        case DISPID_AMBIENT_BACKCOLOR:
            result->vt = VT_I4;
            result->lVal = 0; // the panel is black behind the bar
            return S_OK;
        case DISPID_AMBIENT_FORECOLOR:
            result->vt = VT_I4;
            result->lVal = 0x00FFFFFF;
            return S_OK;
        case DISPID_AMBIENT_LOCALEID:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(GetUserDefaultLCID());
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    // The in-place site and the frame also answer as their base interfaces.
    void* FindOther(REFIID iid) noexcept override {
        if (iid == IID_IOleWindow)
            return static_cast<IOleInPlaceSite*>(this);
        if (iid == IID_IOleInPlaceUIWindow)
            return static_cast<IOleInPlaceFrame*>(this);
        return nullptr;
    }

    HWND parent_;
    RECT position_;
    IOleInPlaceObject* inPlace_ = nullptr; // not counted: ControlHost holds the object
};

ControlHost::ControlHost() = default;

ControlHost::~ControlHost() {
    Destroy();
}

HRESULT ControlHost::Create(HWND parent, const RECT& position, const wchar_t* progId, const IID& eventsIid,
                            const std::vector<StoredProperty>& properties, ControlEventHandler* events) {
    Destroy();
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr))
        return hr;
    ComPtr<IOleObject> object;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object));
    if (FAILED(hr))
        return hr;
    ComPtr<ControlSite> site = win::MakeComObject<ControlSite>(parent, position);
    if (!site)
        return E_OUTOFMEMORY;
    ComPtr<IDispatch> dispatch;
    hr = LoadProperties(object.Get(), site.Get(), properties, &dispatch);
    if (FAILED(hr))
        return hr;

    SIZEL extent = ExtentOfPixels(position.right - position.left, position.bottom - position.top);
    object->SetExtent(DVASPECT_CONTENT, &extent); // the in-place rectangles below decide the size

    ConnectEvents(object.Get(), eventsIid, events); // before activation, so that nothing is missed
    hr = Activate(object.Get(), site.Get(), parent, position);
    if (FAILED(hr)) {
        DisconnectEvents();
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        return hr;
    }
    site_ = site;
    object_ = object;
    dispatch_ = dispatch;
    return S_OK;
}

HRESULT ControlHost::LoadProperties(IOleObject* object, ControlSite* site,
                                    const std::vector<StoredProperty>& properties,
                                    ComPtr<IDispatch>* dispatch) {
    DWORD misc = 0;
    if (FAILED(object->GetMiscStatus(DVASPECT_CONTENT, &misc)))
        misc = 0; // no status: the site is set after the properties, as for any control
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    HRESULT hr = S_OK;
    if (siteFirst) {
        hr = object->SetClientSite(site);
        if (FAILED(hr))
            return hr;
    }

    // Restore the stored design properties; a control without a bag loader starts new and
    // takes them through its dispatch interface instead.
    bool loaded = false;
    ComPtr<IPersistPropertyBag> persistBag;
    if (SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&persistBag)))) {
        ComPtr<PropertyBag> bag = win::MakeComObject<PropertyBag>(properties);
        loaded = bag && SUCCEEDED(persistBag->Load(bag.Get(), nullptr));
    }
    if (!loaded) {
        ComPtr<IPersistStreamInit> persistStream;
        if (SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&persistStream))))
            persistStream->InitNew(); // a control without it still works with its defaults
    }
    if (!siteFirst) {
        hr = object->SetClientSite(site);
        if (FAILED(hr))
            return hr;
    }
    object->SetHostNames(L"Klevotrim", nullptr); // only used for window titles

    hr = object->QueryInterface(IID_PPV_ARGS(dispatch->ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        object->SetClientSite(nullptr);
        return hr;
    }
    if (!loaded) {
        for (const auto& property : properties) {
            LPOLESTR name = const_cast<LPOLESTR>(property.name.c_str());
            DISPID dispid = DISPID_UNKNOWN;
            if (SUCCEEDED((*dispatch)->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid))) {
                DISPID named = DISPID_PROPERTYPUT;
                VARIANT argument = property.value;
                DISPPARAMS params{&argument, &named, 1, 1};
                // Best effort: a property the control refuses keeps its default.
                (*dispatch)->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                    nullptr, nullptr, nullptr);
            }
        }
    }
    return S_OK;
}

void ControlHost::ConnectEvents(IOleObject* object, const IID& eventsIid, ControlEventHandler* events) {
    ComPtr<IConnectionPointContainer> container;
    if (!events || FAILED(object->QueryInterface(IID_PPV_ARGS(&container))))
        return;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(eventsIid, &point)))
        return; // a control without these events still works
    ComPtr<EventSink> sink = win::MakeComObject<EventSink>(eventsIid, events);
    DWORD cookie = 0;
    if (sink && SUCCEEDED(point->Advise(sink.Get(), &cookie))) {
        connection_ = point;
        cookie_ = cookie;
        sink_ = sink;
    }
}

void ControlHost::DisconnectEvents() {
    if (sink_) {
        sink_->Disconnect(); // a control that keeps the sink can no longer reach the owner
        sink_.Reset();
    }
    if (connection_) {
        connection_->Unadvise(cookie_); // the control may already be gone; nothing to do then
        connection_.Reset();
        cookie_ = 0;
    }
}

HRESULT ControlHost::Activate(IOleObject* object, ControlSite* site, HWND parent, const RECT& position) {
    RECT rect = position;
    HRESULT hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &rect);
    if (FAILED(hr))
        hr = object->DoVerb(OLEIVERB_SHOW, nullptr, site, 0, parent, &rect);
    if (FAILED(hr))
        return hr;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&inPlace)))) {
        site->SetInPlaceObject(inPlace.Get());
        inPlace->SetObjectRects(&rect, &rect);
    }
    return S_OK;
}

void ControlHost::Destroy() {
    DisconnectEvents();
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_.As(&inPlace)))
            inPlace->InPlaceDeactivate();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    if (site_)
        site_->SetInPlaceObject(nullptr);
    dispatch_.Reset();
    object_.Reset();
    site_.Reset();
}

HWND ControlHost::Window() const {
    if (!object_)
        return nullptr;
    ComPtr<IOleInPlaceObject> inPlace;
    HWND window = nullptr;
    if (SUCCEEDED(object_.As(&inPlace)) && SUCCEEDED(inPlace->GetWindow(&window)))
        return window;
    return nullptr;
}

void ControlHost::Move(const RECT& position) {
    if (!object_)
        return;
    site_->SetPosition(position);
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_.As(&inPlace))) {
        RECT rect = position;
        inPlace->SetObjectRects(&rect, &rect);
    }
}

HRESULT ControlHost::Put(DISPID dispid, const VARIANT& value) {
    if (!dispatch_)
        return E_UNEXPECTED;
    DISPID named = DISPID_PROPERTYPUT;
    VARIANT argument = value;
    DISPPARAMS params{&argument, &named, 1, 1};
    return dispatch_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                             nullptr, nullptr);
}

HRESULT ControlHost::Get(DISPID dispid, VARIANT* result) {
    if (!result)
        return E_POINTER;
    VariantInit(result);
    if (!dispatch_)
        return E_UNEXPECTED;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return dispatch_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result,
                             nullptr, nullptr);
}

HRESULT ControlHost::Call(DISPID dispid) {
    if (!dispatch_)
        return E_UNEXPECTED;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    win::Variant result;
    return dispatch_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.put(),
                             nullptr, nullptr);
}

} // namespace klevotrim::app
