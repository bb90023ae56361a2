// escape_string: decodes the raw text of a string token into bytes. Each \u escape is
// encoded in UTF-8 on its own (a surrogate pair becomes two three-byte sequences); other
// bytes are copied as they are, without any UTF-8 check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "json/char_table.h"

namespace lcdjson {

// Returns false on an unknown escape, a short or non-hexadecimal \u escape, or \u0000; the
// target then holds what was decoded before it.
inline bool escape_string(std::string& target, const char* text, size_t size) {
    target.clear();
    target.reserve(size);  // decoding never makes the text longer
    const char* p = text;
    const char* const end = text + size;
    while (p != end) {
        const void* found = std::memchr(p, '\\', static_cast<size_t>(end - p));
        const char* backslash = found != nullptr ? static_cast<const char*>(found) : end;
        target.append(p, static_cast<size_t>(backslash - p));
        if (backslash == end) break;
        p = backslash + 1;
        if (p == end) return false;  // only an unquoted word can end in a backslash
        switch (*p++) {
            case '"':
                target += '"';
                break;
            case '\\':
                target += '\\';
                break;
            case '/':
                target += '/';
                break;
            case 'b':
                target += '\b';
                break;
            case 'f':
                target += '\f';
                break;
            case 'n':
                target += '\n';
                break;
            case 'r':
                target += '\r';
                break;
            case 't':
                target += '\t';
                break;
            case 'u': {
                if (end - p < 4) return false;
                uint32_t unit = 0;
                for (int i = 0; i < 4; ++i) {
                    const uint8_t digit = detail::hex_value(p[i]);
                    if (digit == detail::kNotHex) return false;
                    unit = (unit << 4) | digit;
                }
                p += 4;
                if (unit == 0) return false;
                if (unit < 0x80) {
                    target += static_cast<char>(unit);
                } else if (unit < 0x800) {
                    target += static_cast<char>(0xC0 | (unit >> 6));
                    target += static_cast<char>(0x80 | (unit & 0x3F));
                } else {
                    target += static_cast<char>(0xE0 | (unit >> 12));
                    target += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
                    target += static_cast<char>(0x80 | (unit & 0x3F));
                }
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

}  // namespace lcdjson
