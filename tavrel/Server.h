#pragma once
// Per-process state of the control library: its module, object and lock counts, the class
// factory and registration.
#include <windows.h>

#include <ocidl.h>

#include <string>

namespace klevotrim::tavrel {

// The module that holds the library's resources (set by DllMain; the process otherwise).
HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);
std::wstring ModulePath();

// Live objects and server locks; DllCanUnloadNow answers from them.
void ObjectCreated();
void ObjectDestroyed();
bool CanUnloadNow();

// The library's own type library, from the module's resources.
HRESULT LoadOwnTypeLib(ITypeLib** library);

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);
HRESULT RegisterServer();
HRESULT UnregisterServer();

} // namespace klevotrim::tavrel
