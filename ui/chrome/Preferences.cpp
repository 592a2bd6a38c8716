#include "ui/chrome/Preferences.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace klevotrim {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A plain decimal number: optional sign, digits with an optional fraction, optional exponent.
bool IsDecimalNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < text.size() && IsDigit(text[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    return i == text.size();
}

} // namespace

bool ReadPreferenceBoolean(std::string_view text) {
    text = Trim(text);
    if (EqualsNoCase(text, "true"))
        return true;
    if (EqualsNoCase(text, "false"))
        return false;
    if (!IsDecimalNumber(text))
        return false;
    // Non-zero means true: a zero mantissa ("0.000", "-0", "0e5") is false whatever the exponent.
    const std::string_view mantissa = text.substr(0, text.find_first_of("eE"));
    return std::any_of(mantissa.begin(), mantissa.end(), [](char c) { return c >= '1' && c <= '9'; });
}

RegistryRoot RegistryRootFromName(std::string_view name) {
    if (EqualsNoCase(name, "hkcr"))
        return RegistryRoot::ClassesRoot;
    if (EqualsNoCase(name, "hklm"))
        return RegistryRoot::LocalMachine;
    if (EqualsNoCase(name, "hkcu"))
        return RegistryRoot::CurrentUser;
    if (EqualsNoCase(name, "hkcc"))
        return RegistryRoot::CurrentConfig;
    return RegistryRoot::None;
}

std::optional<std::string> StoredPreferenceText(bool readOk, bool isText, const char* data,
                                                std::size_t size) {
    if (!readOk || !isText || data == nullptr || size > kPreferenceBufferSize)
        return std::nullopt;
    const char* zero = static_cast<const char*>(std::memchr(data, 0, size));
    std::string_view text(data, zero ? static_cast<std::size_t>(zero - data) : size);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return std::string(text);
}

std::string PreferenceOrDefault(const std::optional<std::string>& stored, const std::string& defaultValue) {
    if (!stored || stored->find_first_not_of(' ') == std::string::npos)
        return defaultValue;
    return *stored;
}

} // namespace klevotrim
