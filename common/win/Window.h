#pragma once
// The window idioms the program and the control library share: a base class whose one window
// procedure binds each window to its object, one class registration, one pump for the messages
// already waiting and one modal loop.
#include <windows.h>

#include <functional>
#include <new>
#include <optional>

namespace klevotrim::win {

// What CreateWindowExW is given, named.
struct WindowArgs {
    const wchar_t* className = nullptr;
    const wchar_t* title = L"";
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr; // the parent of a child window, the owner of a top-level one
    int id = 0;            // a child window's control id
    HINSTANCE instance = nullptr;
};

// A window and the object that answers its messages. The object is bound at WM_NCCREATE, before
// any handler runs, and unbound at WM_NCDESTROY; messages outside that span, and every message
// after Unbind, get the default treatment. No exception ever leaves the window procedure.
class Window {
  public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }

    // The window procedure of every class registered for a Window.
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_NCCREATE && !BoundTo(hwnd)) {
            if (auto* window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams))
                window->Bind(hwnd);
        }
        return Dispatch(hwnd, message, wParam, lParam);
    }

    // The window procedure of a class that anyone may create by its name alone: the window makes
    // its own `Control` at WM_NCCREATE and deletes it at WM_NCDESTROY.
    template <typename Control>
    static LRESULT CALLBACK SelfOwnedProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) noexcept {
        if (message == WM_NCCREATE && !BoundTo(hwnd)) {
            Window* control = new (std::nothrow) Control();
            if (!control)
                return FALSE;
            control->ownedByWindow_ = true;
            control->Bind(hwnd);
        }
        return Dispatch(hwnd, message, wParam, lParam);
    }

  protected:
    Window() noexcept = default;
    // A window still there when its object goes is destroyed without its handlers, since the
    // object they would reach is half gone.
    virtual ~Window() {
        if (HWND window = hwnd_) {
            Unbind();
            ::DestroyWindow(window);
        }
    }

    // Creates the window bound to this object; nullptr on failure.
    HWND CreateBound(const WindowArgs& args) noexcept {
        return ::CreateWindowExW(args.exStyle, args.className, args.title, args.style, args.x, args.y,
                                 args.width, args.height, args.parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), args.instance,
                                 static_cast<Window*>(this));
    }

    // From now on the window's messages get the default treatment and this object forgets it.
    void Unbind() noexcept {
        if (hwnd_)
            ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
    }

    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    // Every message from WM_NCCREATE on, up to but not including WM_NCDESTROY.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window is gone: hwnd() is already nullptr.
    virtual void OnNcDestroy() noexcept {}

  private:
    static Window* BoundTo(HWND hwnd) noexcept {
        return reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }

    static LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        Window* self = BoundTo(hwnd);
        if (!self)
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            self->Unbind();
            self->OnNcDestroy();
            if (self->ownedByWindow_)
                delete self;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        // Handlers may run host code or allocate; nothing they throw may reach the system.
        try {
            return self->HandleMessage(message, wParam, lParam);
        } catch (...) {
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }

    void Bind(HWND hwnd) noexcept {
        hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    HWND hwnd_ = nullptr;
    bool ownedByWindow_ = false;
};

// A window class as registered once per module.
struct WindowClass {
    const wchar_t* name = nullptr;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr; // nullptr: the window sets its pointer on WM_SETCURSOR
    HBRUSH background = nullptr;
    UINT style = 0;
    WNDPROC procedure = &Window::Procedure;
};

// Registers the class unless the module has it already; true when the class exists afterwards.
inline bool EnsureWindowClass(const WindowClass& windowClass) noexcept {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(windowClass.instance, windowClass.name, &existing))
        return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = windowClass.style;
    wc.lpfnWndProc = windowClass.procedure;
    wc.hInstance = windowClass.instance;
    wc.hCursor = windowClass.cursor;
    wc.hbrBackground = windowClass.background;
    wc.lpszClassName = windowClass.name;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A quit request a pump took from the queue. It is posted again when the keeper goes, so the
// caller's own message loop still ends.
class KeptQuit {
  public:
    KeptQuit() noexcept = default;
    KeptQuit(const KeptQuit&) = delete;
    KeptQuit& operator=(const KeptQuit&) = delete;
    ~KeptQuit() {
        if (code_)
            ::PostQuitMessage(*code_);
    }
    bool Held() const noexcept { return code_.has_value(); }
    void Keep(int code) noexcept { code_ = code; }

  private:
    std::optional<int> code_;
};

// Enough for everything a busy window has queued, yet never an endless loop.
inline constexpr int kPendingMessageLimit = 10000;

// Runs the window messages already waiting, at most `limit` of them, as a handler that yields to
// the user does. A quit request ends the run and stays in `quit`; while `quit` holds one, nothing
// runs. Returns false when a quit request is held.
inline bool RunPendingMessages(KeptQuit& quit, int limit = kPendingMessageLimit) {
    MSG msg;
    for (int i = 0; i < limit && !quit.Held() && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            quit.Keep(static_cast<int>(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return !quit.Held();
}

// As above, with a quit request posted again at once for the caller's loop.
inline bool RunPendingMessages(int limit = kPendingMessageLimit) {
    KeptQuit quit;
    return RunPendingMessages(quit, limit);
}

// The thread's message loop until WM_QUIT; returns the quit code.
inline int RunMessageLoop() {
    MSG msg{};
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

// A window shown modally over its owner.
struct ModalArgs {
    HWND window = nullptr;
    HWND owner = nullptr; // disabled while the window shows, activated again after
    HWND focus = nullptr; // the control that takes the focus once shown, if any
    // Sees each message first; true when it took care of it.
    std::function<bool(MSG&)> preview;
};

// Shows the window and runs the thread's messages until the window is gone. A quit request ends
// the loop, destroys the window and is posted again for the caller's loop.
inline void RunModal(const ModalArgs& args) {
    const bool ownerWasEnabled = args.owner && ::IsWindowEnabled(args.owner);
    if (ownerWasEnabled)
        ::EnableWindow(args.owner, FALSE);
    ::ShowWindow(args.window, SW_SHOW);
    if (args.focus)
        ::SetFocus(args.focus);
    MSG msg;
    while (::IsWindow(args.window)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam)); // the caller's loop must still see it
            break;
        }
        if (args.preview && args.preview(msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::IsWindow(args.window))
        ::DestroyWindow(args.window);
    if (ownerWasEnabled && ::IsWindow(args.owner)) {
        ::EnableWindow(args.owner, TRUE);
        ::SetActiveWindow(args.owner);
    }
}

} // namespace klevotrim::win
