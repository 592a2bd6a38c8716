#include "tavrel/ConnectionPoint.h"

#include <algorithm>
#include <new>

namespace klevotrim::tavrel {

namespace {

// A one-shot enumerator over a copied list. `Policy` names the enumerator interface, the
// element kept (holding its own reference) and how an element is handed out (with a reference
// of the caller's own).
template <class Policy> class Enumerator final : public win::ComObject<typename Policy::Interface> {
  public:
    using Interface = typename Policy::Interface;
    using Item = typename Policy::Item;
    using Held = typename Policy::Held;

    explicit Enumerator(std::vector<Held> items) : items_(std::move(items)) {}
    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && position_ < items_.size(); ++n, ++position_)
            Policy::CopyOut(items_[position_], &out[n]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        // Never position_ + count: on 32-bit Windows that sum can wrap and move backwards.
        position_ += std::min<size_t>(count, items_.size() - position_);
        return position_ < items_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Interface** clone) override {
        if (!clone)
            return E_POINTER;
        auto* copy = new (std::nothrow) Enumerator(items_);
        if (!copy)
            return E_OUTOFMEMORY;
        copy->position_ = position_;
        *clone = copy;
        return S_OK;
    }

  private:
    std::vector<Held> items_;
    size_t position_ = 0;
};

struct HeldConnection {
    Microsoft::WRL::ComPtr<IUnknown> sink;
    DWORD cookie;
};

struct ConnectionCopy {
    using Interface = IEnumConnections;
    using Item = CONNECTDATA;
    using Held = HeldConnection;
    static void CopyOut(const Held& from, CONNECTDATA* to) {
        from.sink.CopyTo(&to->pUnk);
        to->dwCookie = from.cookie;
    }
};

struct PointCopy {
    using Interface = IEnumConnectionPoints;
    using Item = IConnectionPoint*;
    using Held = Microsoft::WRL::ComPtr<IConnectionPoint>;
    static void CopyOut(const Held& from, IConnectionPoint** to) { from.CopyTo(to); }
};

using ConnectionEnumerator = Enumerator<ConnectionCopy>;
using PointEnumerator = Enumerator<PointCopy>;

} // namespace

HRESULT EnumeratePoints(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** result) {
    if (!result)
        return E_POINTER;
    std::vector<Microsoft::WRL::ComPtr<IConnectionPoint>> items(points.begin(), points.end());
    *result = new (std::nothrow) PointEnumerator(std::move(items));
    return *result ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    Microsoft::WRL::ComPtr<IUnknown> typed;
    // Event sinks are reached through IDispatch; accept either the exact interface or it.
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(typed.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(typed.ReleaseAndGetAddressOf()))))
        return CONNECT_E_CANNOTCONNECT;
    sinks_.push_back({nextCookie_, typed});
    *cookie = nextCookie_++;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    auto it =
        std::find_if(sinks_.begin(), sinks_.end(), [cookie](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end())
        return CONNECT_E_NOCONNECTION;
    sinks_.erase(it);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections)
        return E_POINTER;
    std::vector<HeldConnection> items;
    for (const Sink& sink : sinks_)
        items.push_back({sink.sink, sink.cookie});
    *connections = new (std::nothrow) ConnectionEnumerator(std::move(items));
    return *connections ? S_OK : E_OUTOFMEMORY;
}

void ConnectionPoint::ForEach(const std::function<void(IUnknown*)>& call) {
    std::vector<Sink> snapshot = sinks_;
    for (const Sink& sink : snapshot)
        call(sink.sink.Get());
}

void FireEvent(ConnectionPoint& point, DISPID id, std::vector<VARIANT> arguments) {
    std::reverse(arguments.begin(), arguments.end()); // DISPPARAMS holds the last argument first
    point.ForEach([&](IUnknown* sink) {
        Microsoft::WRL::ComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch))))
            return;
        DISPPARAMS params{arguments.empty() ? nullptr : arguments.data(), nullptr,
                          static_cast<UINT>(arguments.size()), 0};
        // A host's handler failing is the host's business; the control goes on.
        dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
    });
}

void NotifyChanged(ConnectionPoint& point, DISPID id) {
    point.ForEach([id](IUnknown* sink) {
        Microsoft::WRL::ComPtr<IPropertyNotifySink> notify;
        if (SUCCEEDED(sink->QueryInterface(IID_PPV_ARGS(&notify))))
            notify->OnChanged(id); // the host's answer changes nothing here
    });
}

} // namespace klevotrim::tavrel
