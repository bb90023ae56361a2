// Byte classes shared by the string decoder (hexadecimal digit values) and the field-list
// parser (blanks). Only bytes '\0' to 'f' are ever looked up.
#pragma once

#include <cstdint>

namespace lcdjson {
namespace detail {

constexpr uint8_t kNotHex = 16;
constexpr uint8_t kBlank = 17;

// 0-15: value of a hexadecimal digit; 17: tab, line feed, form feed, carriage return, space;
// 16: any other byte.
inline constexpr uint8_t char_table[103] = {
    16, 16, 16, 16, 16, 16, 16, 16, 16, 17, 17, 16, 17, 17, 16, 16,  //
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,  //
    17, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,  //
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  16, 16, 16, 16, 16, 16,  //
    16, 10, 11, 12, 13, 14, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16,  //
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,  //
    16, 10, 11, 12, 13, 14, 15,
};

constexpr bool is_blank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < sizeof(char_table) && char_table[b] == kBlank;
}

// Value of a hexadecimal digit, or kNotHex.
inline uint8_t hex_value(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < sizeof(char_table) && char_table[b] < kNotHex ? char_table[b] : kNotHex;
}

}  // namespace detail
}  // namespace lcdjson
