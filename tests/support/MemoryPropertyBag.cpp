#include "MemoryPropertyBag.h"

#include <cstring>

namespace klevotrim::test {

HRESULT MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value)
        return E_POINTER;
    reads.emplace_back(name);
    // A caller hands a VARIANT that names only the wanted type: any other byte set is a
    // stale pointer that a failing bag would leave for the caller's clean-up to free.
    VARIANT request{};
    request.vt = value->vt;
    if (std::memcmp(&request, value, sizeof(request)) != 0)
        ++untidyRequests;
    if (FAILED(failReadsWith))
        return failReadsWith;
    const VARIANT* stored = Find(name);
    if (!stored)
        return E_INVALIDARG;
    VARTYPE wanted = value->vt;
    VariantInit(value); // on entry the variant only names the wanted type: nothing to free
    if (wanted == VT_EMPTY || !convertOnRead)
        return VariantCopy(value, const_cast<VARIANT*>(stored));
    return VariantChangeType(value, const_cast<VARIANT*>(stored), 0, wanted);
}

HRESULT MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value)
        return E_POINTER;
    if (FAILED(failWritesWith))
        return failWritesWith;
    Put(name, *value);
    return S_OK;
}

void MemoryPropertyBag::Put(const std::wstring& name, const VARIANT& value) {
    for (auto& [key, stored] : values_) {
        if (key == name) {
            stored = win::Variant(value);
            return;
        }
    }
    values_.emplace_back(name, win::Variant(value));
}

const VARIANT* MemoryPropertyBag::Find(const std::wstring& name) const {
    for (const auto& [key, stored] : values_) {
        if (key == name)
            return &stored.get();
    }
    return nullptr;
}

std::vector<std::wstring> MemoryPropertyBag::Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : values_)
        names.push_back(entry.first);
    return names;
}

} // namespace klevotrim::test
