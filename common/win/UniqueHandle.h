#pragma once
// One small owner per kind of Win32 handle. Each owner closes its handle exactly once,
// moves but never copies, and resets before handing out its address for an out-parameter.
#include <windows.h>

#include <objbase.h>

#include <utility>

namespace klevotrim::win {

template <typename Traits> class UniqueHandle {
  public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Traits::IsValid(value_); }

    // Gives up ownership, e.g. when a region is handed to SetWindowRgn.
    pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void reset(pointer value = Traits::Invalid()) noexcept {
        pointer old = std::exchange(value_, value);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }

    // For out-parameters: frees what was held first, so nothing can leak.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

  private:
    pointer value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(pointer h) noexcept { ::CloseHandle(h); }
};

struct WindowTraits {
    using pointer = HWND;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::DestroyWindow(h); }
};

struct GdiObjectTraits {
    using pointer = HGDIOBJ;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::DeleteObject(h); }
};

struct MemoryDcTraits {
    using pointer = HDC;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::DeleteDC(h); }
};

struct RegistryKeyTraits {
    using pointer = HKEY;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::RegCloseKey(h); }
};

struct ModuleTraits {
    using pointer = HMODULE;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::FreeLibrary(h); }
};

struct IconTraits {
    using pointer = HICON;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::DestroyIcon(h); }
};

struct MenuTraits {
    using pointer = HMENU;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { ::DestroyMenu(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<KernelHandleTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueKey = UniqueHandle<RegistryKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;

// GDI objects keep their own type so that no cast is needed at the call site.
template <typename T> class UniqueGdi {
  public:
    UniqueGdi() noexcept = default;
    explicit UniqueGdi(T value) noexcept : handle_(value) {}
    T get() const noexcept { return static_cast<T>(handle_.get()); }
    explicit operator bool() const noexcept { return static_cast<bool>(handle_); }
    T release() noexcept { return static_cast<T>(handle_.release()); }
    void reset(T value = nullptr) noexcept { handle_.reset(value); }

  private:
    UniqueHandle<GdiObjectTraits> handle_;
};

using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueFont = UniqueGdi<HFONT>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRegion = UniqueGdi<HRGN>;

// A DC borrowed from a window with GetDC; gives it back with ReleaseDC.
class WindowDc {
  public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_)
            ::ReleaseDC(window_, dc_);
    }
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint as a scope.
class PaintScope {
  public:
    explicit PaintScope(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    HDC dc() const noexcept { return dc_; }
    const RECT& area() const noexcept { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the previous one back at the end of the scope.
class SelectScope {
  public:
    SelectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    ~SelectScope() {
        if (previous_ && previous_ != HGDI_ERROR)
            ::SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// CoInitializeEx for the calling thread, undone when the scope ends if it succeeded.
class ComApartment {
  public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : result_(::CoInitializeEx(nullptr, model)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    HRESULT result() const noexcept { return result_; }

  private:
    HRESULT result_;
};

} // namespace klevotrim::win
