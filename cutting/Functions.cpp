#include "cutting/Functions.h"

#include "common/Rounding.h"

#include <cmath>
#include <cstdlib>

namespace klevotrim {

std::wstring GetExtension(std::wstring_view path) {
    const auto dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos)
        return L"";
    return std::wstring(path.substr(dot + 1));
}

namespace {

// At least two digits, a leading zero below 10.
std::wstring TwoDigits(std::int64_t value) {
    std::wstring digits = std::to_wstring(value < 0 ? -value : value);
    if (digits.size() < 2)
        digits.insert(0, 1, L'0');
    return value < 0 ? L"-" + digits : digits;
}

} // namespace

std::wstring TimeText(double seconds) {
    if (!std::isfinite(seconds))
        return L"";
    const double rounded = RoundHalfEven(seconds);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (rounded >= limit || rounded < -limit)
        return L"";
    std::int64_t total = static_cast<std::int64_t>(rounded);
    const std::int64_t hours = total / 3600; // truncates towards zero
    total -= hours * 3600;
    const std::int64_t minutes = total / 60;
    total -= minutes * 60;
    return TwoDigits(hours) + L":" + TwoDigits(minutes) + L":" + TwoDigits(total);
}

std::wstring ShellOpenResultText(std::intptr_t shellExecuteResult) {
    if (shellExecuteResult == 0)
        return L"Insufficent system memory or corrupt program file";
    return L"";
}

} // namespace klevotrim
