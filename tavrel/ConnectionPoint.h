#pragma once
// One outgoing interface of a control: the sinks hosts advise, and calls out to them.
// Lives inside its container and shares the container's reference count.
#include "common/win/ComObject.h"

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <functional>
#include <vector>

namespace klevotrim::tavrel {

class ConnectionPoint final : public win::ComInterfaces<IConnectionPoint> {
  public:
    ConnectionPoint(IConnectionPointContainer* container, REFIID iid) : container_(container), iid_(iid) {}

    STDMETHODIMP_(ULONG) AddRef() noexcept override { return container_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override { return container_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& iid() const { return iid_; }
    bool empty() const { return sinks_.empty(); }

    // Calls `call` on a snapshot of the sinks (a sink may unadvise while being called).
    void ForEach(const std::function<void(IUnknown*)>& call);
    void Clear() { sinks_.clear(); }

  private:
    struct Sink {
        DWORD cookie;
        Microsoft::WRL::ComPtr<IUnknown> sink;
    };
    IConnectionPointContainer* container_;
    IID iid_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
};

// An enumerator over a container's connection points (each kept alive while enumerated).
HRESULT EnumeratePoints(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** result);

// Raises an event on every IDispatch sink of `point`; arguments in the natural order.
void FireEvent(ConnectionPoint& point, DISPID id, std::vector<VARIANT> arguments);

// Tells every IPropertyNotifySink of `point` that property `id` changed.
void NotifyChanged(ConnectionPoint& point, DISPID id);

} // namespace klevotrim::tavrel
