#pragma once
// The small COM objects of the program and the control library: one interface table and one
// reference count, so that no object writes QueryInterface, AddRef or Release by hand.
//
//   class Sink final : public win::ComObject<IDispatch> { ... };   // counted, on the heap
//   ComPtr<Sink> sink = win::MakeComObject<Sink>(arguments);       // null when out of memory
#include <windows.h>

#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <new>
#include <tuple>
#include <utility>

namespace klevotrim::win {

// QueryInterface over IUnknown and the listed interfaces; the first one stands for IUnknown.
template <typename... Interfaces> class ComInterfaces : public Interfaces... {
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        *object = Find(iid);
        if (!*object)
            return E_NOINTERFACE;
        static_cast<First*>(this)->AddRef();
        return S_OK;
    }

  protected:
    ComInterfaces() noexcept = default;
    ComInterfaces(const ComInterfaces&) = delete;
    ComInterfaces& operator=(const ComInterfaces&) = delete;
    virtual ~ComInterfaces() = default;

    // Identities beyond the listed ones: a base interface, or one known only at run time.
    virtual void* FindOther(REFIID) noexcept { return nullptr; }

  private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    void* Find(REFIID iid) noexcept {
        if (iid == IID_IUnknown)
            return static_cast<IUnknown*>(static_cast<First*>(this));
        void* found = nullptr;
        ((found = found                         ? found
                  : iid == __uuidof(Interfaces) ? static_cast<Interfaces*>(this)
                                                : nullptr),
         ...);
        return found ? found : FindOther(iid);
    }
};

// A counted object on the heap, deleted with its last reference.
template <typename... Interfaces> class ComObject : public ComInterfaces<Interfaces...> {
  public:
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    std::atomic<ULONG> references_{1};
};

// An object whose life is not counted: a static, or one on the caller's stack that outlives
// every call made with it.
template <typename... Interfaces> class UncountedComObject : public ComInterfaces<Interfaces...> {
  public:
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
};

// Takes over the one reference `object` already holds. Not ComPtr::Attach: mingw-w64's adds a
// reference of its own, so the object would never be freed.
template <typename T> Microsoft::WRL::ComPtr<T> Adopt(T* object) noexcept {
    Microsoft::WRL::ComPtr<T> owner;
    *owner.GetAddressOf() = object;
    return owner;
}

// Creates a counted object holding its first reference; null when out of memory.
template <typename T, typename... Args> Microsoft::WRL::ComPtr<T> MakeComObject(Args&&... args) {
    return Adopt(new (std::nothrow) T(std::forward<Args>(args)...));
}

} // namespace klevotrim::win
