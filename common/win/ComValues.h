#pragma once
// Owners of the automation values that COM hands out to be freed: a VARIANT, a BSTR and the
// strings of an EXCEPINFO. Each frees what it holds exactly once and clears before it is
// handed out as an out-parameter.
#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <string_view>
#include <utility>

namespace klevotrim::win {

class Variant {
  public:
    Variant() noexcept : value_{} { ::VariantInit(&value_); }
    explicit Variant(std::int32_t number) noexcept : Variant() {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    explicit Variant(double number) noexcept : Variant() {
        value_.vt = VT_R8;
        value_.dblVal = number;
    }
    explicit Variant(bool flag) noexcept : Variant() {
        value_.vt = VT_BOOL;
        value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // A text; out of memory leaves a null BSTR, which automation reads as "".
    explicit Variant(const wchar_t* text) noexcept : Variant() {
        value_.vt = VT_BSTR;
        value_.bstrVal = ::SysAllocString(text);
    }
    explicit Variant(const VARIANT& other) noexcept : Variant() {
        // A copy that fails (out of memory) leaves the variant empty. The cast only serves
        // headers that declare the source without const; it is not written.
        ::VariantCopy(&value_, const_cast<VARIANT*>(&other));
    }
    Variant(const Variant& other) noexcept : Variant(other.value_) {}
    Variant& operator=(const Variant& other) noexcept {
        if (this != &other) {
            Variant copy(other);
            std::swap(value_, copy.value_);
        }
        return *this;
    }
    Variant(Variant&& other) noexcept : value_(other.value_) { ::VariantInit(&other.value_); }
    Variant& operator=(Variant&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    ~Variant() { ::VariantClear(&value_); }

    const VARIANT& get() const noexcept { return value_; }
    // For calls that read the value through a pointer without const, or change it in place.
    VARIANT* address() noexcept { return &value_; }
    // For out-parameters: clears what was held first.
    VARIANT* put() noexcept {
        ::VariantClear(&value_);
        return &value_;
    }
    // For a property bag's Read: clears, zeroes every field and names only the type asked
    // for (VT_EMPTY: as stored). A bag that fails and leaves it untouched then leaves no stale
    // pointer for the clean-up to free; VariantInit alone sets only the type on some systems.
    VARIANT* putRequest(VARTYPE wanted) noexcept {
        ::VariantClear(&value_);
        value_ = VARIANT{};
        value_.vt = wanted;
        return &value_;
    }
    // Hands the value over (e.g. to an [out] VARIANT); this owner is left empty.
    VARIANT release() noexcept {
        VARIANT out = value_;
        ::VariantInit(&value_);
        return out;
    }
    bool empty() const noexcept { return value_.vt == VT_EMPTY; }

  private:
    VARIANT value_;
};

class Bstr {
  public:
    Bstr() noexcept = default;
    // Out of memory leaves a null BSTR, which automation reads as "".
    explicit Bstr(std::wstring_view text) noexcept
        : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(other.release()) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~Bstr() { reset(); }

    BSTR get() const noexcept { return value_; }
    std::wstring_view view() const noexcept { return {value_ ? value_ : L"", ::SysStringLen(value_)}; }
    BSTR release() noexcept { return std::exchange(value_, nullptr); }
    void reset(BSTR value = nullptr) noexcept { ::SysFreeString(std::exchange(value_, value)); }
    // For out-parameters: frees what was held first.
    BSTR* put() noexcept {
        reset();
        return &value_;
    }

  private:
    BSTR value_ = nullptr;
};

// What IDispatch::Invoke fills in when a call raises an error.
class ExcepInfo {
  public:
    ExcepInfo() noexcept = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() { Clear(); }

    EXCEPINFO* get() noexcept { return &info_; }
    const EXCEPINFO& info() const noexcept { return info_; }
    // Frees the strings and empties every field.
    void Clear() noexcept {
        ::SysFreeString(info_.bstrSource);
        ::SysFreeString(info_.bstrDescription);
        ::SysFreeString(info_.bstrHelpFile);
        info_ = EXCEPINFO{};
    }
    // Hands the filled-in structure to a caller who frees it; this owner is left empty.
    EXCEPINFO release() noexcept { return std::exchange(info_, EXCEPINFO{}); }

  private:
    EXCEPINFO info_{};
};

} // namespace klevotrim::win
