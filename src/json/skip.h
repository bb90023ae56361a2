// skip: passes over one whole value of any shape, leaving the token after it current. Used
// for keys that no record binds, so it must cope with anything a controller sends: it keeps
// the open brackets in a bit stack instead of recursing, so nesting depth is bounded by
// memory, not by the thread's stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "json/reader.h"

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

inline bool is_key_kind(token_type kind) {
    return kind <= tk_real;
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
