// An independent statement of UTF-8 well-formedness (Unicode's table of well-formed byte
// sequences), against which the writer's automaton is checked by the tests and the fuzzer.
// Deliberately written without the automaton's table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ocsm_test {

// Length of the well-formed UTF-8 character at s (n bytes available) and its code point, or 0
// when it is ill-formed or cut off.
inline size_t reference_char(const uint8_t* s, size_t n, uint32_t& cp) {
    auto in = [](uint8_t b, uint8_t lo, uint8_t hi) { return b >= lo && b <= hi; };
    const uint8_t b0 = s[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len = 0;
    uint8_t lo = 0x80, hi = 0xBF;
    if (in(b0, 0xC2, 0xDF)) {
        len = 2;
    } else if (in(b0, 0xE0, 0xEF)) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (in(b0, 0xF0, 0xF4)) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n < len || !in(s[1], lo, hi)) return 0;
    for (size_t i = 2; i < len; ++i) {
        if (!in(s[i], 0x80, 0xBF)) return 0;
    }
    cp = b0 & (0x7F >> len);
    for (size_t i = 1; i < len; ++i)
        cp = (cp << 6) | (s[i] & 0x3F);
    return len;
}

}  // namespace ocsm_test
