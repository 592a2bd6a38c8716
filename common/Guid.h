#pragma once
// A GUID as plain data, read at compile time from its registry text, so that one written-out
// identity serves both the registry (as text) and COM (as binary) without <windows.h>.
#include <array>
#include <cstdint>
#include <stdexcept>

namespace klevotrim {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

namespace guid_detail {
constexpr unsigned HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return static_cast<unsigned>(c - L'0');
    if (c >= L'A' && c <= L'F')
        return static_cast<unsigned>(c - L'A' + 10);
    if (c >= L'a' && c <= L'f')
        return static_cast<unsigned>(c - L'a' + 10);
    throw std::invalid_argument("not a hexadecimal digit"); // in a constant expression: a compile error
}
constexpr std::uint32_t Hex(const wchar_t* text, int digits) {
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i)
        value = value << 4 | HexDigit(text[i]);
    return value;
}
} // namespace guid_detail

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the form the registry uses.
constexpr Guid GuidFromText(const wchar_t* text) {
    int length = 0;
    while (length < 39 && text[length] != L'\0')
        ++length;
    if (length != 38)
        throw std::invalid_argument("not the length of a braced GUID");
    for (int i : {0, 9, 14, 19, 24, 37})
        if (text[i] != (i == 0 ? L'{' : i == 37 ? L'}' : L'-'))
            throw std::invalid_argument("not a braced GUID");
    using guid_detail::Hex;
    Guid guid;
    guid.data1 = Hex(text + 1, 8);
    guid.data2 = static_cast<std::uint16_t>(Hex(text + 10, 4));
    guid.data3 = static_cast<std::uint16_t>(Hex(text + 15, 4));
    constexpr int byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i)
        guid.data4[i] = static_cast<std::uint8_t>(Hex(text + byteAt[i], 2));
    return guid;
}

} // namespace klevotrim
