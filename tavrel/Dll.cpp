// Tavrel.ocx entry points: an in-process control server with one class.
#include "tavrel/Server.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        klevotrim::tavrel::SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance); // no per-thread state
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return klevotrim::tavrel::CanUnloadNow() ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return klevotrim::tavrel::GetClassObject(clsid, iid, object);
}

STDAPI DllRegisterServer() {
    return klevotrim::tavrel::RegisterServer();
}

STDAPI DllUnregisterServer() {
    return klevotrim::tavrel::UnregisterServer();
}
}
