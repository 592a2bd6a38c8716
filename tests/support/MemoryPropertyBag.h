#pragma once
// An in-memory property bag, as a host keeps a control's saved settings: values by name in
// the order they were written.
#include "common/win/ComObject.h"
#include "common/win/ComValues.h"

#include <windows.h>

#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

namespace klevotrim::test {

// Lives on the test's stack.
class MemoryPropertyBag final : public win::UncountedComObject<IPropertyBag> {
  public:
    // Missing names fail with E_INVALIDARG. A requested type other than VT_EMPTY is
    // converted to, as a host's bag does, unless `convertOnRead` is off (a careless host's
    // bag, which hands back whatever it holds).
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

    // Test side.
    void Put(const std::wstring& name, const VARIANT& value);
    const VARIANT* Find(const std::wstring& name) const;
    std::vector<std::wstring> Names() const;
    std::vector<std::wstring> reads; // every name asked for, in order
    HRESULT failWritesWith = S_OK;   // makes Write fail, as a full store would
    HRESULT failReadsWith = S_OK;    // makes Read fail after noting the name
    bool convertOnRead = true;
    int untidyRequests = 0; // reads whose VARIANT carried more than the wanted type

  private:
    std::vector<std::pair<std::wstring, win::Variant>> values_;
};

} // namespace klevotrim::test
