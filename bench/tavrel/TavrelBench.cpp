// Times the seek bar's hot paths in a real host (the platform's ATL container):
//  - the pointer repaint of a 1000 x 10 control (a left-button drag step),
//  - a Value assignment through IDispatch,
//  - 10,000 tooltip requests with an unchanged text and owner, counting every message the
//    tooltip window receives meanwhile (there should be none).
// Needs Tavrel.ocx registered; prints one line per figure.
#include "tavrel/Contract.h"

#include <windows.h>

#include <ocidl.h>
#include <wrl/client.h>

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace {

namespace dispid = klevotrim::tavrel::dispid;
int g_tipMessages = 0;
HWND g_tip = nullptr;

LRESULT CALLBACK CountSent(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && g_tip && reinterpret_cast<CWPSTRUCT*>(lParam)->hwnd == g_tip)
        ++g_tipMessages;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

HRESULT Put(IDispatch* object, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                          nullptr);
}

VARIANT Int(int v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

} // namespace

int main() {
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    HMODULE atl = LoadLibraryW(L"atl.dll");
    auto init =
        reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    if (!init || !getControl || !init()) {
        std::fprintf(stderr, "atl.dll's container is not available\n");
        return 1;
    }
    HWND frame = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP | WS_VISIBLE, 20, 20, 1040, 60, nullptr,
                                 nullptr, nullptr, nullptr);
    HWND container = CreateWindowExW(0, L"AtlAxWin", klevotrim::tavrel::kProgId, WS_CHILD | WS_VISIBLE, 20,
                                     20, 1000, 10, frame, nullptr, nullptr, nullptr);
    ComPtr<IUnknown> unknown;
    ComPtr<IDispatch> slider;
    ComPtr<IOleWindow> oleWindow;
    HWND window = nullptr;
    if (!container || FAILED(getControl(container, &unknown)) || FAILED(unknown.As(&slider)) ||
        FAILED(unknown.As(&oleWindow)) || FAILED(oleWindow->GetWindow(&window))) {
        std::fprintf(stderr, "Tavrel_pro.NavigationSlider could not be hosted (is Tavrel.ocx registered?)\n");
        return 1;
    }
    Put(slider.Get(), dispid::Max, Int(3600));
    Pump(100);

    constexpr int kSteps = 5000;
    double start = Now();
    for (int i = 0; i < kSteps; ++i)
        SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(i % 1000, 5));
    const double repaint = (Now() - start) / kSteps;
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    std::printf("pointer repaint, 1000 x 10 control: %.1f us per drag step (%d steps)\n", repaint * 1e6,
                kSteps);

    start = Now();
    for (int i = 0; i < kSteps; ++i)
        Put(slider.Get(), dispid::Value, Int(i % 3600));
    const double assign = (Now() - start) / kSteps;
    std::printf("Value assignment through IDispatch, each running the paint left pending by the last: "
                "%.1f us (%d assignments)\n",
                assign * 1e6, kSteps);
    // The control's own share: the same with the window's paint taken out of the queue.
    double own = 0;
    for (int i = 0; i < kSteps; ++i) {
        ValidateRect(window, nullptr);
        const double before = Now();
        Put(slider.Get(), dispid::Value, Int(i % 3600));
        own += Now() - before;
    }
    std::printf("Value assignment through IDispatch, nothing else queued: %.1f us (%d assignments)\n",
                own / kSteps * 1e6, kSteps);

    // The tip shown once for this owner and text, then asked for again and again.
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"Seek");
    Put(slider.Get(), dispid::TipText, text);
    VariantClear(&text);
    POINT over{500, 5};
    ClientToScreen(window, &over);
    SetCursorPos(over.x, over.y);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(500, 5));
    Pump(1000);
    g_tip = FindWindowW(L"TavrelFTip", nullptr);
    const bool shown = g_tip && IsWindowVisible(g_tip);
    constexpr int kRequests = 10000;
    start = Now();
    for (int i = 0; i < kRequests; ++i)
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(500 + (i % 3), 5));
    const double request = (Now() - start) / kRequests;
    // The same again under a hook that counts what is sent to the tooltip window; then what
    // was posted to it, apart from its own timers' ticks.
    HHOOK sent = SetWindowsHookExW(WH_CALLWNDPROC, CountSent, nullptr, GetCurrentThreadId());
    for (int i = 0; i < kRequests; ++i)
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(500 + (i % 3), 5));
    UnhookWindowsHookEx(sent);
    MSG msg;
    while (PeekMessageW(&msg, g_tip, 0, 0, PM_REMOVE))
        if (msg.message != WM_TIMER)
            ++g_tipMessages;
    std::printf("tooltip requests, unchanged text and owner: %.1f us each, %d messages to the tip window "
                "(%d requests, tip %s)\n",
                request * 1e6, g_tipMessages, kRequests, shown ? "shown" : "NOT shown");

    slider.Reset();
    oleWindow.Reset();
    unknown.Reset();
    DestroyWindow(container);
    OleUninitialize();
    return shown && g_tipMessages == 0 ? 0 : 2;
}
