#pragma once
// Automation values read as numbers: shared by the control's property model and its persistence.
#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <optional>

namespace klevotrim::tavrel {

// Numbers, and text that reads as a number.
std::optional<double> AsNumber(const VARIANT& value);

VARIANT Int32Variant(std::int32_t value);

// Whether an automation value equals a number (a stored default).
bool EqualsNumber(const VARIANT& value, double number);

} // namespace klevotrim::tavrel
