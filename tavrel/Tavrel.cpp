// Tavrel.ocx: the control library's entry points (placeholder until the server lands).
#include <windows.h>

#include <objbase.h>

extern "C" {
STDAPI DllCanUnloadNow() {
    return S_OK;
}
STDAPI DllGetClassObject(REFCLSID, REFIID, void** object) {
    if (object)
        *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
STDAPI DllRegisterServer() {
    return S_OK;
}
STDAPI DllUnregisterServer() {
    return S_OK;
}
}
