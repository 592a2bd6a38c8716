#pragma once
// A small ActiveX container: creates a control by ProgID inside a parent window, restores its
// stored properties from a property bag, activates it in place, answers its ambient properties,
// and forwards its events to the owner. The control is then driven through IDispatch.
#include <windows.h>

#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <string>
#include <utility>
#include <vector>

namespace klevotrim::app {

// What a host does with the events of the control's source interface.
class ControlEventHandler {
  public:
    virtual ~ControlEventHandler() = default;
    // dispid and the arguments in source order (the first argument first), by value.
    virtual void OnControlEvent(DISPID dispid, const std::vector<VARIANT>& arguments) = 0;
};

// A stored property for the control's IPersistPropertyBag::Load.
struct StoredProperty {
    std::wstring name;
    VARIANT value; // owned by the caller; copied when read
};

class ControlSite; // the COM object that plays the client/in-place/control site
class EventSink;   // the COM object that receives the control's events

class ControlHost {
  public:
    ControlHost();
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    // Creates and activates the control; on failure nothing stays alive and the HRESULT tells
    // why (REGDB_E_CLASSNOTREG / CO_E_CLASSSTRING when the library is not registered).
    HRESULT Create(HWND parent, const RECT& position, const wchar_t* progId, const IID& eventsIid,
                   const std::vector<StoredProperty>& properties, ControlEventHandler* events);
    // Deactivates, disconnects and releases the control (also done by the destructor).
    void Destroy();

    bool IsCreated() const { return dispatch_ != nullptr; }
    HWND Window() const;
    void Move(const RECT& position);

    HRESULT Put(DISPID dispid, const VARIANT& value);
    HRESULT Get(DISPID dispid, VARIANT* result);
    HRESULT Call(DISPID dispid);

  private:
    // The steps of Create: the stored properties (and the site, in the order the control asks
    // for), the event connection, the in-place activation.
    static HRESULT LoadProperties(IOleObject* object, ControlSite* site,
                                  const std::vector<StoredProperty>& properties,
                                  Microsoft::WRL::ComPtr<IDispatch>* dispatch);
    void ConnectEvents(IOleObject* object, const IID& eventsIid, ControlEventHandler* events);
    void DisconnectEvents();
    static HRESULT Activate(IOleObject* object, ControlSite* site, HWND parent, const RECT& position);

    Microsoft::WRL::ComPtr<ControlSite> site_;
    Microsoft::WRL::ComPtr<IOleObject> object_;
    Microsoft::WRL::ComPtr<IDispatch> dispatch_;
    Microsoft::WRL::ComPtr<IConnectionPoint> connection_;
    Microsoft::WRL::ComPtr<EventSink> sink_;
    DWORD cookie_ = 0;
};

} // namespace klevotrim::app
