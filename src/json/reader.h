// The JSON reader: walks a NUL-terminated text in place and offers one current token at a
// time. Numbers are converted while their end is found; strings stay raw views into the text
// (escape_string decodes them on demand). Every failure is thrown with the cursor's line and
// column. The reader allocates nothing.
//
// It is more lenient than strict JSON where the controller's documents need it: unquoted words
// are strings, // and /* */ comments are allowed, and a number ends at the first byte that
// cannot continue it.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "json/exception.h"

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
}  // namespace detail

class reader {
public:
    // The binding layer reads these directly; the member order is part of the reader's layout.
    const char* token_text = nullptr;
    uint64_t token_size = 0;
    token_type token_kind = tk_end;
    token_number token_value;
    bool token_negative = false;
    uint64_t column = 0;
    uint64_t line = 0;
    uint64_t text_size;  // 0: no limit, the text ends at its NUL
    uint64_t position = 0;
    bool at_end = false;
    const char* text;
    double fraction_step = 0.1;
    int32_t exponent = 0;

private:
    uint64_t limit_;  // text_size, or the largest size when there is no limit

public:
    reader(const char* input, uint64_t size)
        : text_size(size),
          text(input != nullptr ? input : detail::nul_text),
          limit_(size != 0 ? size : UINT64_MAX) {
        token_value.u = 0;
        at_end = input == nullptr || *input == '\0';
    }

    // First byte of the current token: punctuation tests look at nothing else, whatever the kind.
    char current() const { return *token_text; }

    // Advances the cursor by one byte and counts it. A carriage return does not move the
    // column; a line feed is column 0 of its new line. Only called while at_end is false.
    void take() { at_end = !step(position, column, line); }

    // Makes the following token current.
    void next() {
        for (;;) {
            if (at_end) return set_end();
            char c = text[position];
            if (is_space(c)) {
                // counted in locals: the text is read through a char pointer, which could
                // alias the members, so member counters would be stored at every byte
                uint64_t pos = position, col = column, ln = line;
                bool more;
                while ((more = step(pos, col, ln)) && is_space(text[pos])) {
                }
                move_to(pos, col, ln);
                if (!more) {
                    at_end = true;
                    return set_end();
                }
                c = text[position];
            }
            token_negative = false;
            if (is_punct(c)) {
                token_kind = tk_punct;
                token_text = text + position;
                token_size = 1;
                take();
                return;
            }
            switch (c) {
                case '"':
                    return read_quoted();
                case '0':
                case '1':
                case '2':
                case '3':
                case '4':
                case '5':
                case '6':
                case '7':
                case '8':
                case '9':
                    token_kind = tk_unsigned;
                    token_value.u = static_cast<uint64_t>(c - '0');
                    return parser_number();
                case '-':
                    token_kind = tk_signed;
                    token_value.u = 0;
                    token_negative = true;
                    return parser_number();
                case '/':
                    skip_comment();
                    continue;  // the token after the comment
                case '\0':
                    return set_end();
                default:
                    return read_word();
            }
        }
    }

    // Scans the rest of a number whose first byte (sign or digit) is under the cursor.
    void parser_number() {
        token_text = text + position;
        if (at_end) {
            token_size = 0;
            return;
        }
        take();
        while (!at_end) {
            const char c = text[position];
            if (c >= '0' && c <= '9') {
                const unsigned digit = static_cast<unsigned>(c - '0');
                if (token_kind == tk_real) {
                    token_value.d += fraction_step * digit;
                    fraction_step *= 0.1;
                } else {
                    token_value.u = token_value.u * 10 + digit;  // wraps, no overflow test
                }
                take();
            } else if (c == '.') {
                if (token_kind == tk_real) error("not a valid number!");
                to_real();
                fraction_step = 0.1;
                take();
            } else if (c == 'e' || c == 'E') {
                if (token_kind != tk_real) to_real();
                take();
                scan_exponent();
                break;
            } else {
                break;
            }
        }
        token_size = static_cast<uint64_t>((text + position) - token_text);
    }

    // Throws the message stamped with the cursor's line and column.
    [[noreturn]] __attribute__((noinline, cold)) void error(const char* message) const {
        std::string text_out = "error at line :";
        text_out += std::to_string(line);
        text_out += " col :";
        text_out += std::to_string(column);
        text_out += " msg:";
        text_out += message;
        throw exception(std::move(text_out));
    }

private:
    static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // One byte forward from pos, counting the byte arrived at; false when that is the end of
    // the text. Works on the caller's copies of the counters so loops keep them in registers.
    __attribute__((always_inline)) bool step(uint64_t& pos, uint64_t& col, uint64_t& ln) const {
        if (++pos >= limit_) {
            ++col;  // counted like the NUL that would follow
            return false;
        }
        const char c = text[pos];
        if (c != '\r') {
            ++col;
            if (c == '\n') {
                ++ln;
                col = 0;
            }
        }
        return c != '\0';
    }

    // Stores the counters that a scanning loop kept in locals.
    void move_to(uint64_t pos, uint64_t col, uint64_t ln) {
        position = pos;
        column = col;
        line = ln;
    }

    // A string token's scan stopped at pos, which is one past its last byte.
    void end_token_at(uint64_t pos, uint64_t col, uint64_t ln) {
        move_to(pos, col, ln);
        token_size = static_cast<uint64_t>((text + position) - token_text);
    }

    [[noreturn]] void fail_at(uint64_t pos, uint64_t col, uint64_t ln, const char* message) {
        move_to(pos, col, ln);
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

    void read_quoted() {
        token_kind = tk_string;
        take();  // the opening quote
        if (at_end) error("not a valid quote string!");
        token_text = text + position;
        uint64_t pos = position, col = column, ln = line;
        for (;;) {
            const char c = text[pos];
            if (c == '"') break;
            bool more = true;
            if (c == '\\') {
                more = step(pos, col, ln);  // the escaped byte is passed over unexamined
            } else if (c == '\n' || c == '\0') {
                more = false;
            }
            if (!more || !step(pos, col, ln)) fail_at(pos, col, ln, "not a valid quote string!");
        }
        end_token_at(pos, col, ln);
        take();  // the closing quote
    }

    static bool is_punct(char c) {
        return c == ',' || c == ':' || c == '[' || c == ']' || c == '{' || c == '}';
    }

    static bool ends_word(char c) { return is_space(c) || is_punct(c); }

    void read_word() {
        token_kind = tk_string;
        token_text = text + position;
        uint64_t pos = position, col = column, ln = line;
        for (;;) {
            const char c = text[pos];
            if (ends_word(c)) break;
            if (c == '\0' || !step(pos, col, ln)) fail_at(pos, col, ln, "not a valid string!");
        }
        end_token_at(pos, col, ln);
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
