#pragma once
// An in-memory property bag, and its serialisation to a stream, so that the control saves
// and loads the same keys through IPersistStreamInit as through IPersistPropertyBag.
#include "common/win/ComObject.h"
#include "common/win/ComValues.h"

#include <windows.h>

#include <ocidl.h>

#include <map>
#include <string>

namespace klevotrim::tavrel {

// Lives on the caller's stack.
class MemoryPropertyBag final : public win::UncountedComObject<IPropertyBag> {
  public:
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    HRESULT SaveTo(IStream* stream) const;
    HRESULT LoadFrom(IStream* stream);
    size_t size() const { return values_.size(); }

  private:
    std::map<std::wstring, win::Variant> values_;
};

} // namespace klevotrim::tavrel
