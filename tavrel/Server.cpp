#include "tavrel/Server.h"

#include "tavrel/Interfaces.h"
#include "common/win/ComObject.h"
#include "tavrel/NavigationSlider.h"

#include <atomic>

namespace klevotrim::tavrel {

namespace {

HINSTANCE g_instance = nullptr; // one module per process
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// The class factory is a static object: its own references never keep the server loaded,
// only LockServer does.
class ClassFactory final : public win::UncountedComObject<IClassFactory> {
  public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return NavigationSlider::Create(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ++g_locks;
        else
            --g_locks;
        return S_OK;
    }
};

ClassFactory g_factory;

} // namespace

HINSTANCE ModuleInstance() {
    return g_instance ? g_instance : GetModuleHandleW(nullptr);
}

void SetModuleInstance(HINSTANCE instance) {
    g_instance = instance;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(ModuleInstance(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void ObjectCreated() {
    ++g_objects;
}

void ObjectDestroyed() {
    --g_objects;
}

bool CanUnloadNow() {
    return g_objects == 0 && g_locks == 0;
}

HRESULT LoadOwnTypeLib(ITypeLib** library) {
    if (!library)
        return E_POINTER;
    *library = nullptr;
    std::wstring path = ModulePath();
    if (path.empty())
        return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
}

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_NavigationSlider)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

} // namespace klevotrim::tavrel
