// Byte scans that the reader and the decoder take sixteen bytes at a time: the end of a quoted
// string's plain run. SSE2 on x86-64 and NEON on aarch64 (both part of the baseline, so there is
// nothing to detect at run time), eight bytes at a time in a plain word elsewhere.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__ARM_NEON)
#include <arm_neon.h>
#endif

namespace lcdjson {
namespace detail {

// A byte that stops a quoted string's plain run: the closing quote, a backslash (an escape), a
// line feed or NUL (both errors).
inline bool stops_string(char c) {
    return c == '"' || c == '\\' || c == '\n' || c == '\0';
}

// The first byte from p on, before end, that stops a quoted string's run; end when there is none.
// Reads no byte at or past end.
inline const char* string_stop(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i line_feed = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, line_feed), _mm_cmpeq_epi8(bytes, nul)));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return p + __builtin_ctz(mask);
        p += 16;
    }
#elif defined(__ARM_NEON)
    while (end - p >= 16) {
        const uint8x16_t bytes = vld1q_u8(reinterpret_cast<const uint8_t*>(p));
        const uint8x16_t hits =
            vorrq_u8(vorrq_u8(vceqq_u8(bytes, vdupq_n_u8('"')), vceqq_u8(bytes, vdupq_n_u8('\\'))),
                     vorrq_u8(vceqq_u8(bytes, vdupq_n_u8('\n')), vceqzq_u8(bytes)));
        // Four bits a byte: each 16-bit lane shifted right by four and narrowed.
        const uint64_t mask =
            vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(hits), 4)), 0);
        if (mask != 0) return p + (__builtin_ctzll(mask) >> 2);
        p += 16;
    }
#else
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first hit is the lowest byte");
    constexpr uint64_t ones = 0x0101010101010101ull;
    constexpr uint64_t highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        // A byte of x is zero exactly where the byte equals the one looked for.
        const auto zero_at = [](uint64_t x) { return (x - ones) & ~x & highs; };
        const uint64_t hits = zero_at(word ^ (ones * '"')) | zero_at(word ^ (ones * '\\')) |
                              zero_at(word ^ (ones * '\n')) | zero_at(word);
        // Bytes above the first hit may be flagged by a borrow; the lowest flag is exact.
        if (hits != 0) return p + __builtin_ctzll(hits) / 8;
        p += 8;
    }
#endif
    while (p != end && !stops_string(*p))
        ++p;
    return p;
}

}  // namespace detail
}  // namespace lcdjson
