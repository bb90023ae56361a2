// Reading records through their member tables: one loop for every record type. Keys are expected
// in field-list order and compared where they stand ("name": a word at a time), and the easy
// values are read straight from the text: integers written as digits, strings without escapes
// or with one-letter ones, objects and arrays. Whatever else comes goes to the reader and the
// value conversions token by token, so every result, error text and position is theirs.
//
// Positions pass in and out by value, so that they stay in registers. A value's reader returns
// where the value ended: the position right after its last byte, with nothing after it read yet
// (whoever reads on looks at the bytes there), or kAtToken when it was read token by token and
// the token after it is current.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "json/convert.h"
#include "json/member_table.h"
#include "json/reader.h"
#include "json/scan.h"
#include "json/skip.h"

namespace lcdjson {
namespace detail {

constexpr uint64_t kAtToken = UINT64_MAX;

inline uint64_t load_word(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// key_here within the last bytes of a text, where the words cannot all be read: byte by byte.
__attribute__((noinline)) inline bool key_near_end(const reader& rd, uint64_t pos,
                                                   const member_entry& entry) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the key words hold the key's bytes");
    return entry.reach != member_entry::kNever && pos + entry.key_size <= rd.readable_end() &&
           std::memcmp(rd.text + pos, entry.key, entry.key_size) == 0;
}

// Whether the text at pos is the entry's key, quotes and colon included: then next() would read
// it there as a string token, and a colon after it. A key too long for the words is read by name.
inline bool key_here(const reader& rd, uint64_t pos, const member_entry& entry) {
    if (pos + entry.reach > rd.readable_end()) return key_near_end(rd, pos, entry);
    const char* at = rd.text + pos;
    const uint64_t differ = ((load_word(at) ^ entry.key[0]) & entry.mask[0]) |
                            ((load_word(at + 8) ^ entry.key[1]) & entry.mask[1]) |
                            ((load_word(at + 16) ^ entry.key[2]) & entry.mask[2]);
    return differ == 0;
}

// The token after a value that ended at end, current.
inline void token_after(reader& rd, uint64_t end) {
    if (end != kAtToken) rd.resume(end);
}

// An integer written as digits, with a minus sign when `negative_allowed`, ending at something
// other than a fraction or an exponent: the reader's tk_unsigned or tk_signed token. Its 64-bit
// magnitude (wrapped as the reader wraps it) and its end.
__attribute__((always_inline)) inline bool plain_integer(const reader& rd, uint64_t pos,
                                                         bool negative_allowed, uint64_t& bits,
                                                         uint64_t& end, bool& negative) {
    const char* text = rd.text;
    const uint64_t limit = rd.readable_end();
    negative = text[pos] == '-';
    if (negative && !negative_allowed) return false;
    pos += negative;
    if (pos >= limit || static_cast<unsigned char>(text[pos] - '0') >= 10) return false;
    uint64_t value = static_cast<uint64_t>(text[pos] - '0');
    while (++pos < limit && static_cast<unsigned char>(text[pos] - '0') < 10)
        value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
    if (pos >= limit) return false;
    const char c = text[pos];
    if (c == '.' || c == 'e' || c == 'E') return false;
    bits = value;
    end = pos;
    return true;
}

// An unsigned or float member given the integer of plain_integer, converted as its kind converts
// the token (an int32 member's is read in line).
inline void store_integer(char* at, member_kind kind, uint64_t bits, bool negative) {
    switch (kind) {
        case mk_uint32:
            *reinterpret_cast<uint32_t*>(at) = static_cast<uint32_t>(bits);
            break;
        case mk_uint16:
            *reinterpret_cast<uint16_t*>(at) = static_cast<uint16_t>(bits);
            break;
        default: {
            const auto magnitude = static_cast<float>(static_cast<int64_t>(bits));
            *reinterpret_cast<float*>(at) = negative ? -magnitude : static_cast<float>(bits);
        }
    }
}

// The byte that a backslash and this letter stand for; NUL for \u and what is no escape.
struct one_letter_escapes {
    char of[256] = {};
    constexpr one_letter_escapes() {
        of[int{'"'}] = '"';
        of[int{'\\'}] = '\\';
        of[int{'/'}] = '/';
        of[int{'b'}] = '\b';
        of[int{'f'}] = '\f';
        of[int{'n'}] = '\n';
        of[int{'r'}] = '\r';
        of[int{'t'}] = '\t';
    }
};
inline constexpr one_letter_escapes escapes{};

inline char one_letter_escape(char letter) {
    return escapes.of[static_cast<unsigned char>(letter)];
}

// A quoted string whose opening quote ends before pos, when it holds no escape or only
// one-letter ones: decoded into value (it is never longer than the raw text), and the position
// after its closing quote. kNotPlain, value untouched, for any other.
inline uint64_t read_plain_string(const reader& rd, std::string& value, uint64_t pos) {
    const char* const text = rd.text;
    const char* const start = text + pos;
    const char* const end = text + rd.readable_end();
    const char* stop = string_stop(start, end);
    if (stop != end && *stop == '"') {
        value.assign(start, static_cast<size_t>(stop - start));
        return static_cast<uint64_t>(stop + 1 - text);
    }
    while (stop + 1 < end && *stop == '\\' && one_letter_escape(stop[1]) != '\0')
        stop = string_stop(stop + 2, end);
    if (stop == end || *stop != '"') return kNotPlain;
    value.resize(static_cast<size_t>(stop - start));
    char* out = &value[0];
    for (const char* p = start; p != stop; ++p)
        *out++ = *p == '\\' ? one_letter_escape(*++p) : *p;
    value.resize(static_cast<size_t>(out - value.data()));
    return static_cast<uint64_t>(stop + 1 - text);
}

// What follows an object's member or an array's element that ended at end: at a comma, the
// position after it; at `close`, the end of the object or array, and the position after it.
struct after_item {
    uint64_t pos;
    bool closed;
};

inline after_item item_ended(reader& rd, uint64_t end, char close) {
    if (end != kAtToken) {
        end = rd.skip_blanks(end);
        if (end < rd.readable_end()) {
            const char c = rd.text[end];
            if (c == ',') return {end + 1, false};
            if (c == close) return {end + 1, true};
        }
        rd.resume(end);
    }
    const char c = rd.current();
    if (c == close) return {rd.position, true};
    if (c != ',') rd.error(close == '}' ? "invalid json document!" : "no valid array!");
    return {rd.position, false};
}

// A key read token by token: an object's first (`first`: a } then ends the object), or any key
// that is not where it was expected or not written as "name":. Gives its entry and the position
// after its colon; or, for a key no entry has, passes over its value and gives null and where
// the value ended; or, for an empty object, `closed` and the position after its }.
struct found_member {
    const member_entry* entry;
    uint64_t pos;
    bool closed;
};

__attribute__((noinline)) inline found_member member_by_name(reader& rd, const record_table& table,
                                                             uint64_t pos, bool first) {
    rd.resume(pos);
    if (first && rd.current() == '}') return {nullptr, rd.position, true};
    if (rd.token_kind != tk_string) rd.error("object key must be string");
    const char* key = rd.token_text;  // raw: escapes in keys are not decoded
    const size_t key_size = rd.token_size;
    rd.next();
    if (rd.current() != ':') rd.error("invalid json document!");
    for (uint32_t i = 0; i < table.count; ++i) {
        const member_entry& entry = table.members[i];
        if (entry.name.len == key_size && std::memcmp(entry.name.str, key, key_size) == 0)
            return {&entry, rd.position, false};
    }
    const uint64_t end = plain_value_end(rd, rd.position);
    if (end != kNotPlain) return {nullptr, end, false};
    rd.next();
    skip(rd);
    return {nullptr, kAtToken, false};
}

// The reading of values, records and arrays, which call each other.
struct values {
    // A record's value from the current token on: it must begin with {.
    static void read_current_record(reader& rd, char* record, const record_table& table) {
        if (rd.current() != '{') rd.error("read object must start with {!");
        token_after(rd, read_object(rd, record, table, rd.position));
    }

    // A value from the current token on, by the conversion of its kind.
    __attribute__((noinline)) static void read_current(reader& rd, char* at,
                                                       const member_entry& entry) {
        switch (entry.kind) {
            case mk_int32:
                return read_int32(rd, *reinterpret_cast<int32_t*>(at));
            case mk_uint32:
                return read_unsigned(rd, *reinterpret_cast<uint32_t*>(at));
            case mk_uint16:
                return read_unsigned(rd, *reinterpret_cast<uint16_t*>(at));
            case mk_float:
                return read_float(rd, *reinterpret_cast<float*>(at));
            case mk_string:
                return read_string(rd, *reinterpret_cast<std::string*>(at));
            case mk_record:
                return read_current_record(rd, at, *entry.record);
            case mk_sequence:
                if (rd.current() != '[') rd.error("array must start with [.");
                return token_after(rd, read_array(rd, at, entry, rd.position));
        }
    }

    // One value whose first token begins at or after pos (the cursor is between tokens there),
    // read exactly as next() and the value's conversion would read it.
    __attribute__((always_inline)) static uint64_t read_value(reader& rd, char* at,
                                                              const member_entry& entry,
                                                              uint64_t pos) {
        pos = rd.skip_blanks(pos);
        if (pos < rd.readable_end()) {
            const char c = rd.text[pos];
            uint64_t bits, end;
            bool negative;
            // Most members are integers and records: tested first, before the dispatch.
            if (entry.kind == mk_int32) {
                if (plain_integer(rd, pos, true, bits, end, negative)) {
                    *reinterpret_cast<int32_t*>(at) =
                        static_cast<int32_t>(negative ? 0 - bits : bits);
                    return end;
                }
            } else if (entry.kind == mk_record) {
                if (c == '{') return read_object(rd, at, *entry.record, pos + 1);
            } else {
                switch (entry.kind) {
                    case mk_sequence:
                        if (c == '[') return read_array(rd, at, entry, pos + 1);
                        break;
                    case mk_string:
                        if (c == '"') {
                            end =
                                read_plain_string(rd, *reinterpret_cast<std::string*>(at), pos + 1);
                            if (end != kNotPlain) return end;
                        }
                        break;
                    default:
                        if (plain_integer(rd, pos, entry.kind == mk_float, bits, end, negative)) {
                            store_integer(at, entry.kind, bits, negative);
                            return end;
                        }
                }
            }
        }
        rd.resume(pos);
        read_current(rd, at, entry);
        return kAtToken;
    }

    // The members of an object whose { ends before pos; gives the position after its }.
    __attribute__((noinline)) static uint64_t read_object(reader& rd, char* record,
                                                          const record_table& table, uint64_t pos) {
        const member_entry* const members = table.members;
        const uint32_t count = table.count;
        uint32_t expected = 0;  // the entry whose key should come next
        pos = rd.skip_blanks(pos);
        for (bool first = true;; first = false) {
            const member_entry* entry;
            if (expected < count && key_here(rd, pos, members[expected])) {
                entry = &members[expected++];
                pos += entry->key_size;
            } else {
                const found_member found = member_by_name(rd, table, pos, first);
                if (found.closed) return found.pos;
                entry = found.entry;
                pos = found.pos;
                if (entry != nullptr) expected = static_cast<uint32_t>(entry - members) + 1;
            }
            if (entry != nullptr) pos = read_value(rd, record + entry->offset, *entry, pos);
            const after_item next = item_ended(rd, pos, '}');
            if (next.closed) return next.pos;
            pos = rd.skip_blanks(next.pos);
        }
    }

    // The elements of an array whose [ ends before pos, appended to the sequence at items; gives
    // the position after its ].
    __attribute__((noinline)) static uint64_t read_array(reader& rd, char* items,
                                                         const member_entry& entry, uint64_t pos) {
        for (;;) {
            pos = rd.skip_blanks(pos);
            const char c = pos < rd.readable_end() ? rd.text[pos] : '\0';
            uint64_t end = kAtToken;
            if (c == '{') {
                end = read_object(rd, static_cast<char*>(entry.append(items)), *entry.record,
                                  pos + 1);
            } else if (c == ']') {
                return pos + 1;
            } else {
                rd.resume(pos);
                if (rd.current() == ']') return rd.position;
                read_current_record(rd, static_cast<char*>(entry.append(items)), *entry.record);
            }
            const after_item next = item_ended(rd, end, ']');
            if (next.closed) return next.pos;
            pos = next.pos;
        }
    }
};

// A whole value of type T from the start of the text, and the token after it.
template <class T>
void read_root(reader& rd, T& value) {
    token_after(rd, values::read_value(rd, reinterpret_cast<char*>(&value), root_entry<T>, 0));
}

}  // namespace detail
}  // namespace lcdjson
