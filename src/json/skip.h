// skip: passes over one whole value of any shape, leaving the token after it current. Used
// for keys that no record binds, so it must cope with anything a controller sends: it keeps
// the open brackets in a bit stack instead of recursing, so nesting depth is bounded by
// memory, not by the thread's stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "json/reader.h"
#include "json/scan.h"

namespace lcdjson {
namespace detail {

// One bit per open level: 1 for an object, 0 for an array. Shallow nesting stays in the
// object itself; only deep nesting allocates.
class bracket_stack {
public:
    bool empty() const { return depth_ == 0; }
    bool top_is_object() const {
        const size_t bit = depth_ - 1;
        return (words_[bit / 64] >> (bit % 64)) & 1u;
    }
    void push(bool is_object) {
        if (depth_ == capacity_) grow();
        const size_t bit = depth_++;
        const uint64_t mask = uint64_t{1} << (bit % 64);
        if (is_object) {
            words_[bit / 64] |= mask;
        } else {
            words_[bit / 64] &= ~mask;
        }
    }
    void pop() { --depth_; }

private:
    static constexpr size_t kInlineWords = 4;

    void grow() {
        if (heap_.empty()) heap_.assign(inline_, inline_ + kInlineWords);
        heap_.resize(heap_.size() * 2);
        words_ = heap_.data();
        capacity_ = heap_.size() * 64;
    }

    uint64_t inline_[kInlineWords] = {};
    std::vector<uint64_t> heap_;
    uint64_t* words_ = inline_;
    size_t depth_ = 0;
    size_t capacity_ = kInlineWords * 64;
};

inline bool is_plain_digit(char c) {
    return c >= '0' && c <= '9';
}

inline bool is_key_kind(token_type kind) {
    return kind <= tk_real;
}

// Where the value that starts at or after pos ends, when skip() would read exactly what a strict
// JSON reader reads there: the position of the comma or closing bracket after it. The decoder
// then steps over the value at once. Wherever the reader's rules and strict JSON could part, it
// gives kNotPlain instead, and skip() reads the value token by token:
// - a string that stands where a key or an array element may stand and begins with punctuation
//   (skip() tests a token's first byte whatever its kind, so "}" there closes the object);
// - a key that is not a quoted string (a number or a word), anything but a colon after a key,
//   anything but a comma or the closing bracket after a value (a missing comma, lone
//   punctuation, a trailing comma);
// - comments, words of anything but lowercase letters, numbers other than
//   -?digits(.digits)?([eE]-?digits)?;
// - more than 64 levels, or the text ending inside the value.
constexpr uint64_t kNotPlain = UINT64_MAX;

inline uint64_t plain_value_end(const reader& rd, uint64_t pos) {
    const char* const text = rd.text;
    const uint64_t limit = rd.readable_end();
    uint64_t objects = 0;  // one bit per open level: 1 for an object
    unsigned depth = 0;
    bool want_key = false;  // a key is due (after { or a comma in an object)
    for (;;) {
        pos = rd.skip_blanks(pos);
        if (pos >= limit) return kNotPlain;
        const char c = text[pos];
        const bool element = depth != 0 && (objects & 1u) == 0;
        if (want_key && c != '"') return kNotPlain;
        if (c == '"') {
            if ((want_key || element) && (pos + 1 >= limit || class_of(text[pos + 1]) == c_punct)) {
                return kNotPlain;
            }
            const char* stop = string_stop(text + pos + 1, text + limit);
            // An escape is a backslash and any byte but NUL, passed over as a pair.
            while (stop + 1 < text + limit && *stop == '\\' && stop[1] != '\0')
                stop = string_stop(stop + 2, text + limit);
            if (stop == text + limit || *stop != '"') return kNotPlain;
            pos = static_cast<uint64_t>(stop - text) + 1;
            if (want_key) {
                pos = rd.skip_blanks(pos);
                if (pos >= limit || text[pos] != ':') return kNotPlain;
                ++pos;
                want_key = false;
                continue;  // the member's value
            }
        } else if (c == '{' || c == '[') {
            if (depth == 64) return kNotPlain;
            const bool object = c == '{';
            objects = (objects << 1) | (object ? 1u : 0u);
            ++depth;
            pos = rd.skip_blanks(pos + 1);
            if (pos >= limit) return kNotPlain;
            if (text[pos] == (object ? '}' : ']')) {
                objects >>= 1;
                --depth;
                ++pos;
            } else {
                want_key = object;
                continue;  // the first member or element
            }
        } else if (c == '-' || is_plain_digit(c)) {
            pos += c == '-';
            const uint64_t digits = pos;
            while (pos < limit && is_plain_digit(text[pos]))
                ++pos;
            if (pos == digits) return kNotPlain;
            if (pos < limit && text[pos] == '.') {
                const uint64_t fraction = ++pos;
                while (pos < limit && is_plain_digit(text[pos]))
                    ++pos;
                if (pos == fraction) return kNotPlain;
            }
            if (pos < limit && (text[pos] == 'e' || text[pos] == 'E')) {
                pos += pos + 1 < limit && text[pos + 1] == '-';
                const uint64_t exponent = ++pos;
                while (pos < limit && is_plain_digit(text[pos]))
                    ++pos;
                if (pos == exponent) return kNotPlain;
            }
        } else if (c >= 'a' && c <= 'z') {
            while (pos < limit && text[pos] >= 'a' && text[pos] <= 'z')
                ++pos;
        } else {
            return kNotPlain;
        }
        // A value has ended: a comma, or the brackets it closes; the whole value, once a comma
        // or a closing bracket follows it (which also ends any number or word before it).
        for (;;) {
            pos = rd.skip_blanks(pos);
            if (pos >= limit) return kNotPlain;
            const char after = text[pos];
            if (depth == 0) return after == ',' || after == '}' || after == ']' ? pos : kNotPlain;
            const bool object = objects & 1u;
            if (after == ',') {
                ++pos;
                want_key = object;
                break;
            }
            if (after != (object ? '}' : ']')) return kNotPlain;
            objects >>= 1;
            --depth;
            ++pos;
        }
    }
}

}  // namespace detail

inline void skip(reader& rd) {
    switch (rd.token_kind) {
        case tk_string:
        case tk_signed:
        case tk_unsigned:
        case tk_real:
            rd.next();
            return;
        case tk_end:
            return;
        case tk_punct:
            break;
        default:
            rd.error("invalid json document!");
    }
    const char open = rd.current();
    if (open != '[' && open != '{') return;  // a lone , : ] } is left current

    detail::bracket_stack levels;
    levels.push(open == '{');
    rd.next();
    for (;;) {
        const bool in_object = levels.top_is_object();
        if (rd.current() == (in_object ? '}' : ']')) {
            rd.next();
            levels.pop();
            if (levels.empty()) return;
        } else {
            if (in_object) {
                if (!detail::is_key_kind(rd.token_kind)) rd.error("invalid json document!");
                rd.next();
                if (rd.current() != ':') rd.error("invalid json document!");
                rd.next();
            } else if (rd.token_kind == tk_end) {
                rd.error("invalid json document!");
            }
            // The element or member value starts at the current token.
            if (rd.token_kind == tk_punct) {
                const char c = rd.current();
                if (c == '[' || c == '{') {
                    levels.push(c == '{');
                    rd.next();
                    continue;
                }
                // An array element that is a lone : or } is never consumed and is no
                // separator either: the array could not make progress.
                if (!in_object && (c == ':' || c == '}')) rd.error("invalid json document!");
            } else if (rd.token_kind != tk_end) {
                if (rd.token_kind > tk_end) rd.error("invalid json document!");
                rd.next();
            }
        }
        // Missing commas between elements or members are tolerated.
        if (rd.current() == ',') rd.next();
    }
}

}  // namespace lcdjson
