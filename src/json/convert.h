// The value conversions of the binding: each reads the current token into a member of its type,
// as the token's kind decides, then makes the following token current. An integer member also
// takes "12", 12.9 or true; a float member any number; a string member a quoted string or a word.
// Text conversions give the same result in every locale: strtoll and strtoull in base 10 apply
// no digit grouping, so LC_NUMERIC does not reach them, and the float conversion uses the "C"
// locale explicitly.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "json/c_locale.h"
#include "json/escape_string.h"
#include "json/reader.h"

namespace lcdjson {
namespace detail {

// The word true, in any letter case.
inline bool is_true(const reader& rd) {
    const char* t = rd.token_text;
    return rd.token_size == 4 && (t[0] | 0x20) == 't' && (t[1] | 0x20) == 'r' &&
           (t[2] | 0x20) == 'u' && (t[3] | 0x20) == 'e';
}

// A real magnitude truncated toward zero. Beyond the 64-bit range it saturates, so out-of-range
// reals behave like the equally large integers (whose low bits are kept). A negative
// magnitude arises only from an integer part that wrapped past 2^63.
inline uint64_t truncate_real(double magnitude) {
    if (magnitude >= 0) {
        return magnitude >= 18446744073709551616.0 ? UINT64_MAX : static_cast<uint64_t>(magnitude);
    }
    if (magnitude <= -9223372036854775808.0) return static_cast<uint64_t>(INT64_MIN);
    if (magnitude < 0) return static_cast<uint64_t>(static_cast<int64_t>(magnitude));
    return 0;  // NaN
}

// 32-bit signed members: the value's low 32 bits.
inline void read_int32(reader& rd, int32_t& value) {
    uint64_t bits = 0;
    switch (rd.token_kind) {
        case tk_unsigned:
            bits = rd.token_value.u;
            break;
        case tk_signed:
            bits = 0 - rd.token_value.u;
            break;
        case tk_real: {
            const uint64_t magnitude = truncate_real(rd.token_value.d);
            bits = rd.token_negative ? 0 - magnitude : magnitude;
            break;
        }
        case tk_string:
            bits =
                is_true(rd) ? 1 : static_cast<uint64_t>(std::strtoll(rd.token_text, nullptr, 10));
            break;
        default:
            rd.error("not a valid signed integral like number.");
    }
    value = static_cast<int32_t>(static_cast<uint32_t>(bits));
    rd.next();
}

// Unsigned members: the value cut to the member's width.
template <class U>
inline void read_unsigned(reader& rd, U& value) {
    switch (rd.token_kind) {
        case tk_unsigned:
            value = static_cast<U>(rd.token_value.u);
            break;
        case tk_real:
            if (rd.token_negative) {
                rd.error("assign a negative float point to unsigned integral number.");
            }
            value = static_cast<U>(truncate_real(rd.token_value.d));
            break;
        case tk_signed:
            rd.error("assign a negative signed integral to unsigned integral number.");
        case tk_string:
            value = is_true(rd) ? U{1} : static_cast<U>(std::strtoull(rd.token_text, nullptr, 10));
            break;
        default:
            rd.error("not a valid unsigned integral like number.");
    }
    rd.next();
}

inline void read_float(reader& rd, float& value) {
    switch (rd.token_kind) {
        case tk_unsigned:
            value = static_cast<float>(rd.token_value.u);
            break;
        case tk_signed: {
            const auto magnitude = static_cast<float>(rd.token_value.i);
            value = rd.token_negative ? -magnitude : magnitude;
            break;
        }
        case tk_real: {
            const auto magnitude = static_cast<float>(rd.token_value.d);
            value = rd.token_negative ? -magnitude : magnitude;
            break;
        }
        case tk_string:
            value = static_cast<float>(static_cast<double>(strtold_c(rd.token_text)));
            break;
        default:
            rd.error("not a valid float point number.");
    }
    rd.next();
}

// A quoted string or an unquoted word (null gives the text null).
inline void read_string(reader& rd, std::string& value) {
    if (rd.token_kind != tk_string) rd.error("not a valid string.");
    if (!escape_string(value, rd.token_text, rd.token_size)) rd.error("not a valid string.");
    rd.next();
}

}  // namespace detail
}  // namespace lcdjson
