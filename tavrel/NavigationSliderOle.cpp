// The control as an OLE object: embedding, in-place activation, IOleControl and the view.
#include "tavrel/NavigationSlider.h"

#include "tavrel/Contract.h"
#include "tavrel/Server.h"

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

// ---- IOleObject ----

STDMETHODIMP NavigationSlider::SetClientSite(IOleClientSite* site) {
    if (!site && hwnd())
        InPlaceDeactivate();
    clientSite_ = site;
    if (!site)
        inPlaceSite_.Reset();
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetClientSite(IOleClientSite** site) {
    if (!site)
        return E_POINTER;
    return clientSite_.CopyTo(site);
}

STDMETHODIMP NavigationSlider::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::Close(DWORD) {
    ComPtr<INavigationSlider> keepAlive(this);
    InPlaceDeactivate();
    if (adviseHolder_)
        adviseHolder_->SendOnClose();
    return S_OK;
}

STDMETHODIMP NavigationSlider::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::GetClipboardData(DWORD, IDataObject** data) {
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                      LPCRECT position) {
    if (site && !clientSite_)
        clientSite_ = site;
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(verb, parent, position);
    case OLEIVERB_HIDE:
        if (hwnd())
            ShowWindow(hwnd(), SW_HIDE);
        return S_OK;
    default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

STDMETHODIMP NavigationSlider::EnumVerbs(IEnumOLEVERB** verbs) {
    return OleRegEnumVerbs(CLSID_NavigationSlider, verbs);
}

STDMETHODIMP NavigationSlider::Update() {
    return S_OK;
}

STDMETHODIMP NavigationSlider::IsUpToDate() {
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetUserClassID(CLSID* clsid) {
    return GetClassID(clsid);
}

STDMETHODIMP NavigationSlider::GetUserType(DWORD form, LPOLESTR* type) {
    return OleRegGetUserType(CLSID_NavigationSlider, form, type);
}

STDMETHODIMP NavigationSlider::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    // Kept for the host; the window's size comes from the in-place rectangles.
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP NavigationSlider::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!adviseHolder_) {
        HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
        if (FAILED(hr))
            return hr;
    }
    return adviseHolder_->Advise(sink, connection);
}

STDMETHODIMP NavigationSlider::Unadvise(DWORD connection) {
    return adviseHolder_ ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP NavigationSlider::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : E_FAIL;
}

STDMETHODIMP NavigationSlider::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = kMiscStatus;
    return S_OK;
}

STDMETHODIMP NavigationSlider::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// ---- In-place activation ----

HWND NavigationSlider::HostWindow() const {
    if (hwnd())
        return GetParent(hwnd());
    HWND host = nullptr;
    if (inPlaceSite_)
        inPlaceSite_->GetWindow(&host);
    return host;
}

HRESULT NavigationSlider::InPlaceActivate(LONG verb, HWND parent, LPCRECT position) {
    if (!clientSite_)
        return E_UNEXPECTED;
    if (!inPlaceSite_ && FAILED(clientSite_.As(&inPlaceSite_)))
        return E_NOINTERFACE;
    if (!hwnd()) {
        if (inPlaceSite_->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        HRESULT hr = inPlaceSite_->OnInPlaceActivate();
        if (FAILED(hr))
            return hr;
        HWND host = nullptr;
        if (FAILED(inPlaceSite_->GetWindow(&host)) || !host)
            host = parent;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT placed{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(frameInfo);
        // The in-place rectangles, not the extent, give the size (some hosts convert the
        // extent with a wrong factor).
        if (FAILED(inPlaceSite_->GetWindowContext(&frame, &document, &placed, &clip, &frameInfo))) {
            if (position)
                placed = *position;
            else
                placed = {0, 0, size_.cx, size_.cy};
        }
        if (!host)
            return E_FAIL;
        if (HRESULT created = CreateControlWindow(host, placed); FAILED(created))
            return created;
        size_ = {placed.right - placed.left, placed.bottom - placed.top};
        ApplyShape();
        Redraw();
        ShowWindow(hwnd(), SW_SHOWNA);
    }
    if ((verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate(); // focus handling is the host's choice
    }
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = hwnd();
    return hwnd() ? S_OK : E_FAIL;
}

STDMETHODIMP NavigationSlider::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::InPlaceDeactivate() {
    if (!hwnd() && !inPlaceSite_)
        return S_OK;
    ComPtr<INavigationSlider> keepAlive(this);
    UIDeactivate();
    if (HWND window = hwnd()) {
        Unbind(); // the window is destroyed without its handlers
        DestroyWindow(window);
        if (inPlaceSite_)
            inPlaceSite_->OnInPlaceDeactivate();
    }
    return S_OK;
}

STDMETHODIMP NavigationSlider::UIDeactivate() {
    if (uiActive_) {
        uiActive_ = false;
        if (inPlaceSite_)
            inPlaceSite_->OnUIDeactivate(FALSE);
    }
    return S_OK;
}

STDMETHODIMP NavigationSlider::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position)
        return E_POINTER;
    if (hwnd())
        MoveWindow(hwnd(), position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    else
        size_ = {position->right - position->left, position->bottom - position->top};
    return S_OK;
}

STDMETHODIMP NavigationSlider::ReactivateAndUndo() {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::TranslateAccelerator(LPMSG) {
    return S_FALSE;
}

STDMETHODIMP NavigationSlider::OnFrameWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::OnDocWindowActivate(BOOL) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::EnableModeless(BOOL) {
    return S_OK;
}

// ---- IOleControl ----

STDMETHODIMP NavigationSlider::GetControlInfo(CONTROLINFO* info) {
    if (!info)
        return E_POINTER;
    info->cb = sizeof(*info);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP NavigationSlider::OnMnemonic(MSG*) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::OnAmbientPropertyChange(DISPID) {
    return S_OK;
}

STDMETHODIMP NavigationSlider::FreezeEvents(BOOL) {
    return S_OK;
}

// ---- IViewObject2 ----

STDMETHODIMP NavigationSlider::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                    LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc || !bounds)
        return E_INVALIDARG;
    if (!surface_.dc()) {
        ApplyShape();
        Redraw();
    }
    RECT target{bounds->left, bounds->top, bounds->right, bounds->bottom};
    surface_.Present(dc, target);
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
    if (colours)
        *colours = nullptr;
    return S_FALSE;
}

STDMETHODIMP NavigationSlider::Freeze(DWORD, LONG, void*, DWORD*) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP NavigationSlider::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewSink_ = sink;
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = viewAspects_;
    if (flags)
        *flags = viewFlags_;
    if (sink)
        viewSink_.CopyTo(sink);
    return S_OK;
}

STDMETHODIMP NavigationSlider::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

} // namespace klevotrim::tavrel
