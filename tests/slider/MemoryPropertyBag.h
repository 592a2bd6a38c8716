#pragma once
// An in-memory property bag, as a host keeps a control's saved settings: values by name in
// the order they were written.
#include "common/win/ComValues.h"

#include <windows.h>

#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

namespace klevotrim::test {

class MemoryPropertyBag final : public IPropertyBag {
  public:
    // IUnknown: the bag lives on the test's stack, so counting is only for form.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // Missing names fail with E_INVALIDARG. A requested type other than VT_EMPTY is
    // converted to, as a host's bag does.
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

    // Test side.
    void Put(const std::wstring& name, const VARIANT& value);
    const VARIANT* Find(const std::wstring& name) const;
    std::vector<std::wstring> Names() const;
    std::vector<std::wstring> reads; // every name asked for, in order
    HRESULT failWritesWith = S_OK;   // makes Write fail, as a full store would

  private:
    std::vector<std::pair<std::wstring, win::Variant>> values_;
};

} // namespace klevotrim::test
