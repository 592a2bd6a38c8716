#include "ui/subclass/Subclass.h"

#include "ui/subclass/SubclassCore.h"

#include <oleauto.h>
#include <olectl.h>
#include <wrl/client.h>

#include <string>

namespace klevotrim {

namespace {

using namespace subclass;
using Microsoft::WRL::ComPtr;

// The one message number being dispatched, shared by the whole process.
UINT g_currentMessage = 0;

HWND ToHwnd(WindowId window) {
    return reinterpret_cast<HWND>(window);
}
WindowId ToId(HWND hwnd) {
    return reinterpret_cast<WindowId>(hwnd);
}

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

class WindowPropertyHost final : public SubclassHost {
  public:
    bool IsWindow(WindowId window) override { return ::IsWindow(ToHwnd(window)) != FALSE; }
    bool IsOwnProcess(WindowId window) override {
        DWORD process = 0;
        ::GetWindowThreadProcessId(ToHwnd(window), &process);
        return process == ::GetCurrentProcessId();
    }
    PropValue GetProp(WindowId window, const std::string& key) override {
        return reinterpret_cast<PropValue>(::GetPropW(ToHwnd(window), Widen(key).c_str()));
    }
    bool SetProp(WindowId window, const std::string& key, PropValue value) override {
        const std::wstring name = Widen(key);
        const BOOL ok = ::SetPropW(ToHwnd(window), name.c_str(), reinterpret_cast<HANDLE>(value));
        if (value == 0)
            ::RemovePropW(ToHwnd(window), name.c_str()); // an absent entry reads as 0 all the same
        return ok != FALSE;
    }
    PropValue InstallDispatcher(WindowId window) override {
        return static_cast<PropValue>(::SetWindowLongPtrW(ToHwnd(window), GWLP_WNDPROC,
                                                          reinterpret_cast<LONG_PTR>(&SubclassWindowProc)));
    }
    void RestoreWindowProc(WindowId window, PropValue oldProc) override {
        // Nothing can be done about a failure here; the window keeps the dispatcher, which
        // passes everything on once the bookkeeping is gone.
        ::SetWindowLongPtrW(ToHwnd(window), GWLP_WNDPROC, static_cast<LONG_PTR>(oldProc));
    }
    void SetCurrentMessage(std::uint32_t message) override { g_currentMessage = message; }
    Response ClientResponse(PropValue client) override {
        return static_cast<Response>(reinterpret_cast<ISubclass*>(client)->MsgResponse());
    }
    MessageResult CallClient(PropValue client, WindowId window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override {
        return reinterpret_cast<ISubclass*>(client)->WindowProc(ToHwnd(window), message, wParam, lParam);
    }
    MessageResult CallOldProc(PropValue oldProc, WindowId window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam) override {
        return ::CallWindowProcW(reinterpret_cast<WNDPROC>(oldProc), ToHwnd(window), message, wParam, lParam);
    }
};

std::wstring ErrorSource() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    if (auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos)
        name.erase(0, slash + 1);
    if (auto dot = name.find_last_of(L'.'); dot != std::wstring::npos)
        name.erase(dot);
    return name + L".WindowProc";
}

const wchar_t* ErrorDescription(AttachError error) {
    switch (error) {
    case AttachError::CantSubclass:
        return L"Can't subclass window";
    case AttachError::AlreadyAttached:
        return L"Message already handled by another class";
    case AttachError::InvalidWindow:
        return L"Invalid window";
    case AttachError::ExternalWindow:
        return L"Can't modify external window";
    case AttachError::InvalidArgument:
    case AttachError::None:
        break;
    }
    return L"Invalid procedure call or argument";
}

HRESULT ErrorResult(AttachError error) {
    if (error == AttachError::InvalidArgument)
        return CTL_E_ILLEGALFUNCTIONCALL;
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, static_cast<unsigned>(error));
}

// Describes the error for the caller the way automation errors are described.
HRESULT RaiseError(AttachError error) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(&create))) {
        const std::wstring source = ErrorSource();
        create->SetGUID(GUID_NULL);
        create->SetSource(const_cast<LPOLESTR>(source.c_str()));
        create->SetDescription(const_cast<LPOLESTR>(ErrorDescription(error)));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(&info)))
            ::SetErrorInfo(0, info.Get());
    }
    return ErrorResult(error);
}

PropValue ClientValue(ISubclass* client) {
    return reinterpret_cast<PropValue>(client);
}

} // namespace

HRESULT AttachMessage(ISubclass* client, HWND hwnd, UINT iMsg) {
    try {
        WindowPropertyHost host;
        const AttachError error = Attach(host, ClientValue(client), ToId(hwnd), iMsg);
        return error == AttachError::None ? S_OK : RaiseError(error);
    } catch (...) {
        return E_OUTOFMEMORY; // only the key texts allocate
    }
}

void DetachMessage(ISubclass* client, HWND hwnd, UINT iMsg) {
    try {
        WindowPropertyHost host;
        Detach(host, ClientValue(client), ToId(hwnd), iMsg);
    } catch (...) {
        // Detach never reports; an allocation failure leaves the attachment in place.
    }
}

UINT CurrentMessage() {
    return g_currentMessage;
}

LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    try {
        WindowPropertyHost host;
        return CallOld(host, ToId(hwnd), iMsg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT CALLBACK SubclassWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    try {
        WindowPropertyHost host;
        return Dispatch(host, ToId(hwnd), iMsg, wParam, lParam);
    } catch (...) {
        return 0; // nothing may leave a window procedure
    }
}

} // namespace klevotrim
