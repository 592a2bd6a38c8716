// Tavrel.ocx entry points: an in-process control server with one class.
#include "tavrel/AboutWindow.h"
#include "tavrel/NavigationSlider.h"
#include "tavrel/Server.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        klevotrim::tavrel::SetModuleInstance(instance);
        DisableThreadLibraryCalls(instance); // no per-thread state
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded while the process goes on (no object left): a later load may sit at another
        // address, so no class may keep pointing at this copy's window procedures. (The
        // tooltip window pins the library once it exists, so it never reaches here.)
        klevotrim::tavrel::NavigationSlider::UnregisterWindowClass();
        klevotrim::tavrel::UnregisterAboutClass();
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
