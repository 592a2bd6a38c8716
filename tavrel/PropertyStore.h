#pragma once
// An in-memory property bag, and its serialisation to a stream, so that the control saves
// and loads the same keys through IPersistStreamInit as through IPersistPropertyBag.
#include <windows.h>

#include <ocidl.h>

#include <map>
#include <string>

namespace klevotrim::tavrel {

// A VARIANT that clears itself.
class Variant {
  public:
    Variant() { VariantInit(&value_); }
    Variant(const Variant& other) : Variant() { VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)); }
    Variant& operator=(const Variant& other) {
        if (this != &other)
            VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)); // clears the old value first
        return *this;
    }
    ~Variant() { VariantClear(&value_); }
    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARIANT* put() {
        VariantClear(&value_);
        return &value_;
    }

  private:
    VARIANT value_;
};

class MemoryPropertyBag final : public IPropertyBag {
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }  // lives on the caller's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; } // ditto
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    HRESULT SaveTo(IStream* stream) const;
    HRESULT LoadFrom(IStream* stream);
    size_t size() const { return values_.size(); }

  private:
    std::map<std::wstring, Variant> values_;
};

} // namespace klevotrim::tavrel
