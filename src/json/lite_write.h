// lite_write: compact JSON output into a string_stream. Strings are validated as UTF-8 with
// Bjoern Hoehrmann's DFA decoder and everything outside printable ASCII is escaped, so the
// output is pure ASCII; an invalid sequence ends that string's output (no error is raised).
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "json/string_stream.h"

namespace lcdjson {
namespace detail {

inline constexpr const char* hex_table = "0123456789ABCDEF";

// Bjoern Hoehrmann's "Flexible and Economical UTF-8 Decoder", first form: 256 byte classes,
// then the transitions of 9 states x 16 classes. State 0 accepts, state 1 rejects.
// clang-format off
inline constexpr uint8_t utf8d[400] = {
    // byte classes 00..ff
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, // 00..1f
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, // 20..3f
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, // 40..5f
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, // 60..7f
    1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9, // 80..9f
    7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7, // a0..bf
    8,8,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2, // c0..df
    0xa,0x3,0x3,0x3,0x3,0x3,0x3,0x3,0x3,0x3,0x3,0x3,0x3,0x4,0x3,0x3, // e0..ef
    0xb,0x6,0x6,0x6,0x5,0x8,0x8,0x8,0x8,0x8,0x8,0x8,0x8,0x8,0x8,0x8, // f0..ff
    // transitions: state x 16 + class
    0x0,0x1,0x2,0x3,0x5,0x8,0x7,0x1,0x1,0x1,0x4,0x6,0x1,0x1,0x1,0x1, // s0..s0
    1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,0,1,1,1,1,1,0,1,0,1,1,1,1,1,1, // s1..s2
    1,2,1,1,1,1,1,2,1,2,1,1,1,1,1,1,1,1,1,1,1,1,1,2,1,1,1,1,1,1,1,1, // s3..s4
    1,2,1,1,1,1,1,1,1,2,1,1,1,1,1,1,1,1,1,1,1,1,1,3,1,3,1,1,1,1,1,1, // s5..s6
    1,3,1,1,1,1,1,3,1,3,1,1,1,1,1,1,1,3,1,1,1,1,1,1,1,1,1,1,1,1,1,1, // s7..s8
};
// clang-format on

constexpr uint8_t kUtf8Accept = 0;
constexpr uint8_t kUtf8Reject = 1;

// Printable ASCII that a JSON string carries as it is.
inline bool is_plain(unsigned char b) {
    return b >= 0x20 && b <= 0x7E && b != '"' && b != '\\';
}

}  // namespace detail

class lite_write {
public:
    explicit lite_write(string_stream& stream) : stream_(stream) {}

    // One step of the UTF-8 automaton.
    static void decode(uint8_t& state, uint32_t& codepoint, uint8_t byte) {
        const uint8_t type = detail::utf8d[byte];
        codepoint = state != detail::kUtf8Accept ? (byte & 0x3Fu) | (codepoint << 6)
                                                 : (0xFFu >> type) & byte;
        state = detail::utf8d[256 + state * 16 + type];
    }

    // Writes text as a quoted JSON string. A NUL byte ends the text early; an invalid or
    // cut-off UTF-8 sequence ends what is written of it. The quotes are always written.
    void write_str(const char* text, size_t size) {
        stream_.put('"');
        const auto* p = reinterpret_cast<const unsigned char*>(text);
        const auto* const end = p + size;
        uint8_t state = detail::kUtf8Accept;
        uint32_t codepoint = 0;
        while (p != end) {
            if (state == detail::kUtf8Accept && detail::is_plain(*p)) {
                const unsigned char* run = p;
                do {
                    ++p;
                } while (p != end && detail::is_plain(*p));
                stream_.append(reinterpret_cast<const char*>(run), static_cast<size_t>(p - run));
                continue;
            }
            const uint8_t byte = *p++;
            if (byte == 0) break;
            decode(state, codepoint, byte);
            if (state == detail::kUtf8Accept) {
                write_codepoint(codepoint);
            } else if (state == detail::kUtf8Reject) {
                break;  // no byte leads out of the reject state
            }
        }
        stream_.put('"');
    }

    void put(char c) { stream_.put(c); }
    // Bytes that are JSON text already.
    void append(const std::string& json) { stream_.append(json.data(), json.size()); }

    // Decimal, with a minus sign for negative values; the magnitude is taken in 64 bits, so
    // the most negative value is written in full.
    void write_int(int64_t value) {
        const uint64_t magnitude =
            value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        write_digits(magnitude, value < 0);
    }
    void write_uint(uint64_t value) { write_digits(value, false); }

    // Shortest text that reads back to the same float. The exponent is written without a
    // plus sign (1e20, not 1e+20), since a number token ends at a plus sign. JSON has no
    // NaN or infinity: NaN is written as null (read back as 0), an infinity as 1e39 or
    // -1e39, which reads back as that infinity.
    void write_float(float value) {
        if (std::isnan(value)) return stream_.append("null", 4);
        if (std::isinf(value)) {
            if (value < 0) return stream_.append("-1e39", 5);
            return stream_.append("1e39", 4);
        }
        char buffer[64];
        const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
        char* out = buffer;
        for (const char* in = buffer; in != result.ptr; ++in) {
            if (*in != '+') *out++ = *in;
        }
        stream_.append(buffer, static_cast<size_t>(out - buffer));
    }

private:
    void write_digits(uint64_t magnitude, bool negative) {
        char buffer[64];
        char* first = buffer + sizeof(buffer);
        do {
            *--first = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative) *--first = '-';
        stream_.append(first, static_cast<size_t>(buffer + sizeof(buffer) - first));
    }

    void write_codepoint(uint32_t c) {
        switch (c) {
            case '"':
                return stream_.append("\\\"", 2);
            case '\\':
                return stream_.append("\\\\", 2);
            case '\b':
                return stream_.append("\\b", 2);
            case '\t':
                return stream_.append("\\t", 2);
            case '\n':
                return stream_.append("\\n", 2);
            case '\f':
                return stream_.append("\\f", 2);
            case '\r':
                return stream_.append("\\r", 2);
            default:
                break;
        }
        if (c >= 0x20 && c <= 0x7E) return stream_.put(static_cast<char>(c));
        if (c <= 0xFFFF) return write_unit(c);
        c -= 0x10000;
        write_unit(0xD800 + (c >> 10));
        write_unit(0xDC00 + (c & 0x3FF));
    }

    // \u and four upper-case hexadecimal digits.
    void write_unit(uint32_t unit) {
        const char escape[6] = {'\\',
                                'u',
                                detail::hex_table[(unit >> 12) & 0xF],
                                detail::hex_table[(unit >> 8) & 0xF],
                                detail::hex_table[(unit >> 4) & 0xF],
                                detail::hex_table[unit & 0xF]};
        stream_.append(escape, sizeof(escape));
    }

    string_stream& stream_;
};

}  // namespace lcdjson
