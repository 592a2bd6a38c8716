#pragma once
// A VARIANT that clears itself: the control's variant properties and event arguments.
#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <utility>

namespace klevotrim {

class OwnedVariant {
  public:
    OwnedVariant() noexcept { VariantInit(&value_); }
    explicit OwnedVariant(std::int32_t number) noexcept {
        VariantInit(&value_);
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    explicit OwnedVariant(double number) noexcept {
        VariantInit(&value_);
        value_.vt = VT_R8;
        value_.dblVal = number;
    }
    explicit OwnedVariant(bool flag) noexcept {
        VariantInit(&value_);
        value_.vt = VT_BOOL;
        value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    explicit OwnedVariant(const VARIANT& other) noexcept {
        VariantInit(&value_);
        // A copy that fails (out of memory) leaves the variant empty. The cast only serves
        // headers that declare the source without const; it is not written.
        VariantCopy(&value_, const_cast<VARIANT*>(&other));
    }
    OwnedVariant(const OwnedVariant& other) noexcept : OwnedVariant(other.value_) {}
    OwnedVariant& operator=(const OwnedVariant& other) noexcept {
        if (this != &other) {
            OwnedVariant copy(other);
            std::swap(value_, copy.value_);
        }
        return *this;
    }
    OwnedVariant(OwnedVariant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    OwnedVariant& operator=(OwnedVariant&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    ~OwnedVariant() { VariantClear(&value_); }

    const VARIANT& get() const noexcept { return value_; }
    // For out-parameters: clears what was held first.
    VARIANT* put() noexcept {
        VariantClear(&value_);
        return &value_;
    }
    bool empty() const noexcept { return value_.vt == VT_EMPTY; }

  private:
    VARIANT value_;
};

} // namespace klevotrim
