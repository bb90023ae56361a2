// The JSON reader: walks a NUL-terminated text in place and offers one current token at a
// time. Numbers are converted while their end is found; strings stay raw views into the text
// (escape_string decodes them on demand). Every failure is thrown with the cursor's line and
// column. The reader allocates nothing.
//
// It is more lenient than strict JSON where the controller's documents need it: unquoted words
// are strings, // and /* */ comments are allowed, and a number ends at the first byte that
// cannot continue it.
//
// Speed: the cursor is all the reader keeps while it scans. Line and column are a function of
// the cursor's position (a carriage return does not move the column, a line feed is column 0 of
// its new line), so they are counted from the text when an error is raised, not at every byte;
// and where the caller says how many bytes may be read, blanks are scanned eight bytes at a time
// and strings sixteen.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "json/exception.h"
#include "json/scan.h"

namespace lcdjson {

enum token_type : uint32_t {
    tk_string = 0,    // quoted string (raw, without quotes) or unquoted word
    tk_signed = 1,    // -digits: magnitude in token_value.u, token_negative set
    tk_unsigned = 2,  // digits: value in token_value.u
    tk_real = 3,      // fraction or exponent: magnitude in token_value.d
    tk_punct = 4,     // one of , : [ ] { }
    tk_end = 5,       // end of the text; token_text points at the terminating NUL
};

union token_number {
    int64_t i;
    uint64_t u;
    double d;
};

namespace detail {
// Stands in for the text when there is none, and for the byte after a size-limited text, so
// that the end token always points at a readable NUL.
inline constexpr char nul_text[1] = {'\0'};

// What a byte starts where a token may start, and which bytes end a word or a string scan.
enum byte_class : uint8_t { c_word, c_blank, c_punct, c_quote, c_digit, c_minus, c_slash, c_nul };
enum byte_flag : uint8_t { ends_word = 16, ends_string = 32 };

struct byte_classes {
    uint8_t of[256];
    constexpr byte_classes() : of() {
        for (int c = '0'; c <= '9'; ++c)
            of[c] = c_digit;
        for (const int c : {' ', '\t', '\n', '\r'})
            of[c] = c_blank | ends_word;
        for (const int c : {',', ':', '[', ']', '{', '}'})
            of[c] = c_punct | ends_word;
        of[int{'"'}] = c_quote | ends_string;
        of[int{'\\'}] = ends_string;
        of[int{'\n'}] |= ends_string;
        of[int{'-'}] = c_minus;
        of[int{'/'}] = c_slash;
        of[0] = c_nul | ends_word | ends_string;
    }
};
inline constexpr byte_classes classes{};

inline uint8_t class_of(char c) {
    return classes.of[static_cast<unsigned char>(c)] & 15;
}
inline bool has(char c, byte_flag flag) {
    return classes.of[static_cast<unsigned char>(c)] & flag;
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "blank runs are counted little-endian");

// How many of the eight bytes at p are spaces, counted from the first.
inline unsigned leading_spaces(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const uint64_t others = word ^ 0x2020202020202020ull;
    return others == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(others)) / 8;
}
}  // namespace detail

class reader {
public:
    // The binding layer reads these directly; the member order is part of the reader's layout.
    const char* token_text = nullptr;
    uint64_t token_size = 0;
    token_type token_kind = tk_end;
    token_number token_value;
    bool token_negative = false;
    mutable uint64_t column = 0;  // counted when an error is raised
    mutable uint64_t line = 0;
    uint64_t text_size;  // 0: no limit, the text ends at its NUL
    uint64_t position = 0;
    bool at_end = false;
    const char* text;
    double fraction_step = 0.1;
    int32_t exponent = 0;

private:
    uint64_t limit_;  // text_size, or the largest size when there is no limit
    // Bytes from the start that may be read and lie within the limit. A scan takes eight bytes at
    // once only when the byte after them is below this too, so that it may look at that byte.
    uint64_t fast_;

public:
    // `readable`, when known, is how many bytes from input may be read (the text and what follows
    // it); scans then take eight bytes at a time where they can.
    reader(const char* input, uint64_t size, uint64_t readable = 0)
        : text_size(size),
          text(input != nullptr ? input : detail::nul_text),
          limit_(size != 0 ? size : UINT64_MAX),
          fast_(input != nullptr ? (readable < limit_ ? readable : limit_) : 0) {
        token_value.u = 0;
        at_end = input == nullptr || *input == '\0';
    }

    // First byte of the current token: punctuation tests look at nothing else, whatever the kind.
    char current() const { return *token_text; }

    // Advances the cursor by one byte. Only called while at_end is false.
    void take() { at_end = !step(position); }

    // Makes the following token current.
    void next() {
        // A text without a size limit ends at its NUL, which every scan stops at by itself.
        if (limit_ == UINT64_MAX) {
            // Punctuation right at the cursor, the commonest token of a compact text, inline.
            const char c = text[position];
            if (detail::class_of(c) == detail::c_punct) {
                token_kind = tk_punct;
                token_text = text + position;
                token_size = 1;
                token_negative = false;
                at_end = text[++position] == '\0';
                return;
            }
            return next_token<false>();
        }
        next_token<true>();
    }

    // The decoder's way in and out of the token stream. It reads the easy cases itself, straight
    // from the text, and leaves the cursor between tokens; from such a position every token is
    // what next() would read there, so whatever it does not take on it hands to next().

    // Bytes below this index may be read by a scan that takes several at once.
    uint64_t readable_end() const { return fast_; }

    // The first byte from pos on that is no blank (or readable_end()): where next() would start
    // its token.
    __attribute__((always_inline)) uint64_t skip_blanks(uint64_t pos) const {
        if (pos >= fast_) return skip_blank_run(pos);
        const auto byte = static_cast<unsigned char>(text[pos]);
        return byte > ' ' ? pos : skip_blank_run(pos);  // compact text: a token right here
    }

    // Reads the token at or after pos, as next() does once the cursor is there.
    void resume(uint64_t pos) {
        position = pos;
        at_end = pos >= limit_ || text[pos] == '\0';
        next();
    }

    // Scans the rest of a number whose first byte (sign or digit) is under the cursor.
    void parser_number() {
        if (limit_ == UINT64_MAX) return scan_number<false>();
        scan_number<true>();
    }

    // Throws the message stamped with the cursor's line and column.
    [[noreturn]] __attribute__((noinline, cold)) void error(const char* message) const {
        locate();
        std::string text_out = "error at line :";
        text_out += std::to_string(line);
        text_out += " col :";
        text_out += std::to_string(column);
        text_out += " msg:";
        text_out += message;
        throw exception(std::move(text_out));
    }

private:
    uint64_t skip_blank_run(uint64_t pos) const {
        while (pos < fast_ && detail::class_of(text[pos]) == detail::c_blank) {
            ++pos;
            while (pos + 8 <= fast_) {  // indentation: a run of spaces at once
                const unsigned spaces = detail::leading_spaces(text + pos);
                pos += spaces;
                if (spaces != 8) break;
            }
        }
        return pos;
    }

    // The byte at pos, or NUL at and beyond the limit.
    template <bool Limited>
    char byte_at(uint64_t pos) const {
        return !Limited || pos < limit_ ? text[pos] : '\0';
    }

    // One byte forward from pos; false when that is the end of the text.
    bool step(uint64_t& pos) const { return ++pos < limit_ && text[pos] != '\0'; }

    template <bool Limited>
    void next_token() {
        for (;;) {
            // At the end the cursor is on the NUL or at the limit, where byte_at gives NUL too.
            uint64_t pos = position;
            char c = byte_at<Limited>(pos);
            if (detail::class_of(c) == detail::c_blank) {
                do {
                    // indentation: a run of spaces at once
                    while (pos + 9 <= fast_) {
                        const unsigned spaces = detail::leading_spaces(text + pos + 1);
                        pos += spaces;
                        if (spaces != 8) break;
                    }
                    c = byte_at<Limited>(++pos);
                } while (detail::class_of(c) == detail::c_blank);
                position = pos;
                if (c == '\0') {
                    at_end = true;
                    return set_end();
                }
            }
            token_negative = false;
            switch (detail::class_of(c)) {
                case detail::c_punct:
                    token_kind = tk_punct;
                    token_text = text + pos;
                    token_size = 1;
                    position = pos + 1;
                    at_end = byte_at<Limited>(position) == '\0';
                    return;
                case detail::c_quote:
                    return read_quoted<Limited>();
                case detail::c_digit:
                    token_kind = tk_unsigned;
                    token_value.u = static_cast<uint64_t>(c - '0');
                    return scan_number<Limited>();
                case detail::c_minus:
                    token_kind = tk_signed;
                    token_value.u = 0;
                    token_negative = true;
                    return scan_number<Limited>();
                case detail::c_slash:
                    skip_comment();
                    continue;  // the token after the comment
                case detail::c_nul:
                    return set_end();
                default:
                    return read_word<Limited>();
            }
        }
    }

    template <bool Limited>
    void scan_number() {
        token_text = text + position;
        if (at_end) {
            token_size = 0;
            return;
        }
        uint64_t pos = position + 1;
        char c = byte_at<Limited>(pos);
        // Whole digits, the common case, in a register.
        if (token_kind != tk_real) {
            uint64_t value = token_value.u;
            for (; static_cast<unsigned>(c - '0') < 10; c = byte_at<Limited>(++pos))
                value = value * 10 + static_cast<unsigned>(c - '0');  // wraps, no overflow test
            token_value.u = value;
        }
        for (; c != '\0'; c = byte_at<Limited>(++pos)) {
            if (c >= '0' && c <= '9') {
                const unsigned digit = static_cast<unsigned>(c - '0');
                if (token_kind == tk_real) {
                    token_value.d += fraction_step * digit;
                    fraction_step *= 0.1;
                } else {
                    token_value.u = token_value.u * 10 + digit;  // wraps, no overflow test
                }
            } else if (c == '.') {
                if (token_kind == tk_real) fail_at(pos, "not a valid number!");
                to_real();
                fraction_step = 0.1;
            } else if (c == 'e' || c == 'E') {
                if (token_kind != tk_real) to_real();
                position = pos;
                take();
                scan_exponent();
                token_size = static_cast<uint64_t>((text + position) - token_text);
                return;
            } else {
                break;
            }
        }
        position = pos;
        at_end = c == '\0';
        token_size = static_cast<uint64_t>((text + position) - token_text);
    }

    // Line and column of the cursor, as if counted byte by byte from the start: every byte
    // arrived at adds one to the column but a carriage return, which adds nothing, and a line
    // feed, which starts the next line at column 0; arriving at the limit counts like the NUL
    // that would follow.
    void locate() const {
        line = 0;
        column = 0;
        for (uint64_t q = 1; q <= position; ++q) {
            if (q >= limit_) {
                ++column;
                break;
            }
            const char c = text[q];
            if (c == '\r') continue;
            ++column;
            if (c == '\n') {
                ++line;
                column = 0;
            }
        }
    }

    [[noreturn]] void fail_at(uint64_t pos, const char* message) {
        position = pos;
        error(message);
    }

    void set_end() {
        token_kind = tk_end;
        token_text = position >= limit_ ? detail::nul_text : text + position;
        token_size = 1;
        token_negative = false;
    }

    void to_real() {
        token_value.d = token_kind == tk_signed ? static_cast<double>(token_value.i)
                                                : static_cast<double>(token_value.u);
        token_kind = tk_real;
    }

    // Exponent digits after e or E; the value is scaled by repeated multiplication. A plus
    // sign is not part of a number: it leaves the exponent empty and starts the next token.
    void scan_exponent() {
        if (!at_end) {
            const char sign = text[position];
            const bool negative = sign == '-';
            if (negative) take();
            if (negative || (sign >= '0' && sign <= '9')) {
                while (!at_end && text[position] >= '0' && text[position] <= '9') {
                    // 32-bit accumulation that wraps instead of overflowing
                    exponent = static_cast<int32_t>(static_cast<uint32_t>(exponent) * 10u +
                                                    static_cast<uint32_t>(text[position] - '0'));
                    take();
                }
                double& value = token_value.d;
                // Stops once the value is 0 or infinite: further steps would not change it,
                // and a huge exponent then costs no time.
                for (int32_t i = 0; i < exponent && value != 0.0; ++i) {
                    if (negative) {
                        value *= 0.1;
                    } else {
                        value *= 10.0;
                        if (std::isinf(value)) break;
                    }
                }
            }
        }
        exponent = 0;
    }

    template <bool Limited>
    void read_quoted() {
        token_kind = tk_string;
        uint64_t pos = position + 1;  // past the opening quote
        if (byte_at<Limited>(pos) == '\0') {
            position = pos;
            at_end = true;
            error("not a valid quote string!");
        }
        token_text = text + pos;
        for (;;) {
            if (pos < fast_)
                pos = static_cast<uint64_t>(detail::string_stop(text + pos, text + fast_) - text);
            char c = byte_at<Limited>(pos);
            while (!detail::has(c, detail::ends_string))
                c = byte_at<Limited>(++pos);
            if (c == '"') break;
            // A backslash and the byte after it are passed over as a pair, unexamined.
            if (c != '\\' || byte_at<Limited>(++pos) == '\0')
                fail_at(pos, "not a valid quote string!");
            ++pos;
        }
        token_size = static_cast<uint64_t>((text + pos) - token_text);
        position = pos + 1;  // past the closing quote
        at_end = byte_at<Limited>(position) == '\0';
    }

    template <bool Limited>
    void read_word() {
        token_kind = tk_string;
        token_text = text + position;
        uint64_t pos = position;
        char c = text[pos];
        while (!detail::has(c, detail::ends_word))
            c = byte_at<Limited>(++pos);
        if (c == '\0') fail_at(pos, "not a valid string!");
        position = pos;
        token_size = static_cast<uint64_t>((text + position) - token_text);
    }

    // Passes over a // or /* */ comment; the cursor is on its slash. A comment that runs into
    // the end of the text leaves the reader at the end.
    void skip_comment() {
        take();  // the slash
        if (at_end) error("not a comment!");
        const char kind = text[position];
        if (kind == '/') {
            do {
                take();
            } while (!at_end && text[position] != '\n');
        } else if (kind == '*') {
            take();  // the opening asterisk cannot also close the comment
            while (!at_end) {
                if (text[position] != '*') {
                    take();
                    continue;
                }
                take();
                if (!at_end && text[position] == '/') {
                    take();
                    return;
                }
            }
        } else {
            error("not a comment!");
        }
    }
};

}  // namespace lcdjson
