// Per-type codec: json_impl<T>::read reads one value of type T starting at the current token
// and leaves the token after it current; json_impl<T>::write writes one. Scalars convert by
// token kind (an integer member also takes "12", 12.9 or true; a float member any number);
// records read and write through their field list. Text conversions give the same result in
// every locale: strtoll and strtoull in base 10 apply no digit grouping, so LC_NUMERIC does not
// reach them, and the float conversion uses the "C" locale explicitly.
//
// Reading is generated per record type at compile time (record_reader): keys expected in
// field-list order and compared where they stand, members read in line from the text. Whatever
// is not the easy case goes to the reader and these conversions, token by token, so every
// result, error text and position is the one they give (fuzz/ holds the decoder to a plain
// reference on every input).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "json/c_locale.h"
#include "json/escape_string.h"
#include "json/field_list.h"
#include "json/lite_write.h"
#include "json/reader.h"
#include "json/record_macros.h"
#include "json/skip.h"

namespace lcdjson {
namespace detail {

template <class T, class = void>
struct is_record : std::false_type {};
template <class T>
struct is_sequence : std::false_type {};
template <class T>
struct is_sequence<std::vector<T>> : std::true_type {};
template <class T>
struct is_record<T, std::void_t<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>>
    : std::true_type {};

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

}  // namespace detail

template <class T>
struct json_impl;

namespace detail {

// A record's keys as the decoder expects them in the text, made at compile time from its
// name-list text: each name with its quotes and colon ("name":), in eight-byte words.
template <size_t N>
struct key_table {
    static constexpr size_t kWords = 6;  // names of up to 45 bytes
    uint64_t words[N][kWords] = {};
    uint64_t last_mask[N] = {};  // the bytes of the last word that belong to the key
    size_t width[N] = {};        // bytes of "name":
    bool first[N] = {};          // no earlier name is spelled the same: a match is the first
    size_t count = 0;
};

constexpr bool blank_name_byte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Splits the name-list text as split_fields does.
template <size_t N>
constexpr key_table<N> make_key_table(const char* list) {
    key_table<N> table{};
    char quoted[N][key_table<N>::kWords * 8] = {};
    size_t lengths[N] = {};
    const char* p = list;
    for (;;) {
        while (blank_name_byte(*p))
            ++p;
        const char* start = p;
        while (*p != '\0' && *p != ',')
            ++p;
        const char* stop = p;
        while (stop != start && blank_name_byte(stop[-1]))
            --stop;
        if (stop != start) {
            const size_t i = table.count++;
            const size_t length = static_cast<size_t>(stop - start);
            if (i >= N || length + 3 > key_table<N>::kWords * 8) {
                throw "lcdjson: a name list longer than its members, or a name too long";
            }
            lengths[i] = length;
            quoted[i][0] = '"';
            for (size_t b = 0; b < length; ++b)
                quoted[i][b + 1] = start[b];
            quoted[i][length + 1] = '"';
            quoted[i][length + 2] = ':';
            table.width[i] = length + 3;
        }
        if (*p == '\0') break;
        ++p;
    }
    for (size_t i = 0; i < table.count; ++i) {
        for (size_t w = 0; w < key_table<N>::kWords; ++w) {
            uint64_t word = 0;  // little-endian, as an eight-byte load of the text gives it
            for (size_t b = 8; b-- > 0;)
                word = (word << 8) | static_cast<unsigned char>(quoted[i][w * 8 + b]);
            table.words[i][w] = word;
        }
        const size_t tail = table.width[i] % 8;
        table.last_mask[i] = tail == 0 ? ~uint64_t{0} : (uint64_t{1} << (8 * tail)) - 1;
        table.first[i] = true;
        for (size_t j = 0; j < i; ++j) {
            bool same = lengths[j] == lengths[i];
            for (size_t b = 0; same && b < lengths[i]; ++b)
                same = quoted[j][b + 1] == quoted[i][b + 1];
            if (same) table.first[i] = false;
        }
    }
    return table;
}

template <class T>
constexpr size_t member_count() {
    return std::tuple_size<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>::value;
}

template <class T>
inline constexpr key_table<member_count<T>()> keys_of =
    make_key_table<member_count<T>()>(lcdjson_name_list(static_cast<const T*>(nullptr)));

inline uint64_t load_word(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Whether the text at pos is key I of T, quotes and colon included, compared a word at a time.
// Only where the words may be read; elsewhere (the last bytes of a text) the general path reads
// the key.
template <class T, size_t I>
inline bool key_at(const reader& rd, uint64_t pos) {
    constexpr const auto& keys = keys_of<T>;
    if constexpr (!keys.first[I]) {
        return false;
    } else {
        constexpr size_t words = (keys.width[I] + 7) / 8;
        const char* at = rd.text + pos;
        if (pos + words * 8 > rd.readable_end()) {  // near the end of the text: byte by byte
            if (pos + keys.width[I] > rd.readable_end()) return false;
            for (size_t b = 0; b < keys.width[I]; ++b)
                if (static_cast<unsigned char>(at[b]) !=
                    ((keys.words[I][b / 8] >> (8 * (b % 8))) & 0xFF))
                    return false;
            return true;
        }
        uint64_t differ =
            (load_word(at) ^ keys.words[I][0]) & (words == 1 ? keys.last_mask[I] : ~0ull);
        if constexpr (words >= 2) {
            differ |=
                (load_word(at + 8) ^ keys.words[I][1]) & (words == 2 ? keys.last_mask[I] : ~0ull);
        }
        if constexpr (words >= 3) {
            for (size_t w = 2; w < words; ++w)
                differ |= (load_word(at + 8 * w) ^ keys.words[I][w]) &
                          (w + 1 == words ? keys.last_mask[I] : ~0ull);
        }
        return differ == 0;
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

inline bool is_digit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// An integer written as digits, with a minus sign when `negative` allows one, ending at
// something other than a fraction or an exponent: the reader's tk_unsigned or tk_signed token.
// Its 64-bit value (wrapped as the reader wraps it; negated for a minus sign) and its end.
__attribute__((always_inline)) inline bool plain_integer(const reader& rd, uint64_t pos,
                                                         bool negative_allowed, uint64_t& bits,
                                                         uint64_t& end, bool& negative) {
    const char* text = rd.text;
    const uint64_t limit = rd.readable_end();
    negative = pos < limit && text[pos] == '-';
    if (negative && !negative_allowed) return false;
    pos += negative;
    if (pos >= limit || !is_digit(text[pos])) return false;
    uint64_t value = static_cast<uint64_t>(text[pos] - '0');
    while (++pos < limit && is_digit(text[pos]))
        value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
    if (pos >= limit) return false;
    const char c = text[pos];
    if (c == '.' || c == 'e' || c == 'E') return false;
    bits = value;
    end = pos;
    return true;
}

// read_value: reads one value whose first token begins at or after pos (the cursor is between
// tokens there), exactly as next() followed by json_impl<M>::read would, and then either
// - returns the position of the punctuation that follows the value at once (in the compact form,
//   nearly always), whose token is not made: the caller looks at that byte itself; or
// - returns kAtToken, the token after the value current, as json_impl<M>::read leaves it.
// The easy forms are read from the text; the rest goes to next() and json_impl<M>::read.
// Positions go in and out by value, so that they stay in registers.
constexpr uint64_t kAtToken = UINT64_MAX;

template <class M>
inline uint64_t read_value(reader& rd, M& value, uint64_t pos);

template <class T>
struct record_reader;

// The value ended before end: end if punctuation follows at once, else the token after the value
// is read.
__attribute__((always_inline)) inline uint64_t ended_at(reader& rd, uint64_t end) {
    if (end < rd.readable_end() && class_of(rd.text[end]) == c_punct) return end;
    rd.resume(end);
    return kAtToken;
}

}  // namespace detail

// Record reader and writer, driven by the record's field list and member pointers.
struct json_helper {
    // The current token is the record's first.
    template <class T>
    static void read_(reader& rd, T& record) {
        if (rd.current() != '{') rd.error("read object must start with {!");
        const uint64_t end = detail::record_reader<T>::body(rd, record, rd.position);
        if (end != detail::kAtToken) rd.after_value(end);
    }

    template <class T>
    static void write_(lite_write& out, const T& record) {
        const detail::field_list& fields = json_impl<T>::this_field_list();
        constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
        constexpr size_t count = std::tuple_size<decltype(members)>::value;
        out.put('{');
        write_members(out, record, fields, members, std::make_index_sequence<count>());
        out.put('}');
    }

private:
    template <class T, class Members, size_t... I>
    static void write_members(lite_write& out, const T& record, const detail::field_list& fields,
                              const Members& members, std::index_sequence<I...>) {
        const size_t names = fields.names.size();
        (
            [&] {
                if (I >= names) return;
                out.append(fields.written[I]);
                using M = std::decay_t<decltype(record.*std::get<I>(members))>;
                json_impl<M>::write(out, record.*std::get<I>(members));
            }(),
            ...);
    }
};

namespace detail {

// The reading of one record type. Its keys are expected in field-list order: each is compared
// where it should stand, and its member read in line; a key out of that order, or written
// otherwise (blanks before its colon, escapes, a comment), is read token by token and found in
// the field list, and the expectation goes on from the member after it.
template <class T>
struct record_reader {
    static constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
    static constexpr size_t N = member_count<T>();
    static_assert(keys_of<T>.count == N, "lcdjson: one name per member");

    // Where a run of members stopped: at the key expected as member `next` (pos is there), or
    // at the end of the object (next is kClosed, pos what read_value returns after the }).
    static constexpr size_t kClosed = N + 1;
    struct stop {
        size_t next;
        uint64_t pos;
    };

    // Reads the members of an object whose { ends before pos, and what follows its } as
    // read_value does.
    static uint64_t body(reader& rd, T& record, uint64_t pos) {
        stop at = run<0>(rd, record, rd.skip_blanks(pos));
        bool first = at.next == 0;  // nothing read: the object may still be empty
        while (at.next != kClosed) {
            at = by_name(rd, record, at.pos, first, at.next);
            first = false;
            if (at.next != kClosed) at = runs[at.next](rd, record, at.pos);
        }
        return at.pos;
    }

private:
    // After a member's value, as read_value left it (end): at a comma, the next key, expected as
    // member `more`; at the closing }, the end of the object; anything else is an error.
    __attribute__((always_inline)) static stop after_member(reader& rd, uint64_t end, size_t more) {
        if (end != kAtToken) {
            const char c = rd.text[end];
            if (c == ',') return {more, rd.skip_blanks(end + 1)};
            if (c == '}') return {kClosed, ended_at(rd, end + 1)};
            rd.after_value(end);  // the token, for the error's position
        }
        const char c = rd.current();
        if (c == '}') return {kClosed, ended_at(rd, rd.position)};
        if (c != ',') rd.error("invalid json document!");
        return {more, rd.skip_blanks(rd.position)};
    }

    // Keys I, I + 1, ... in order at pos, each member read in line, up to a key out of that order
    // or the end of the object.
    template <size_t I>
    __attribute__((always_inline)) static stop run(reader& rd, T& record, uint64_t pos) {
        if constexpr (I < N) {
            if (key_at<T, I>(rd, pos)) {
                const uint64_t end =
                    read_value(rd, record.*std::get<I>(members), pos + keys_of<T>.width[I]);
                const stop at = after_member(rd, end, I + 1);
                if (at.next != I + 1) return at;
                return run<I + 1>(rd, record, at.pos);
            }
        }
        return {I, pos};
    }

    template <size_t I>
    static stop run_from(reader& rd, T& record, uint64_t pos) {
        return run<I>(rd, record, pos);
    }

    template <size_t I>
    static uint64_t read_member(reader& rd, T& record, uint64_t pos) {
        return read_value(rd, record.*std::get<I>(members), pos);
    }

    template <size_t... I>
    static constexpr auto run_table(std::index_sequence<I...>) {
        return std::array<stop (*)(reader&, T&, uint64_t), N + 1>{&run_from<I>...};
    }
    template <size_t... I>
    static constexpr auto member_table(std::index_sequence<I...>) {
        return std::array<uint64_t (*)(reader&, T&, uint64_t), N>{&read_member<I>...};
    }
    static constexpr auto runs = run_table(std::make_index_sequence<N + 1>());
    static constexpr auto readers = member_table(std::make_index_sequence<N>());

    // One member read token by token: the key at pos, its colon, its value (into the first
    // member of that name, or skipped); then as after_member, the member after it expected next.
    // `first`: no key read yet, so a } ends the object.
    __attribute__((noinline)) static stop by_name(reader& rd, T& record, uint64_t pos, bool first,
                                                  size_t expected) {
        rd.resume(pos);
        if (first && rd.current() == '}') return {kClosed, ended_at(rd, rd.position)};
        if (rd.token_kind != tk_string) rd.error("object key must be string");
        const char* key = rd.token_text;  // raw: escapes in keys are not decoded
        const size_t key_size = rd.token_size;
        rd.next();
        if (rd.current() != ':') rd.error("invalid json document!");
        const size_t index = json_impl<T>::this_field_list().find(key, key_size, expected);
        if (index < N) return after_member(rd, readers[index](rd, record, rd.position), index + 1);
        const uint64_t end = plain_value_end(rd, rd.position);
        if (end != kNotPlain) return after_member(rd, ended_at(rd, end), expected);
        rd.next();
        skip(rd);
        return after_member(rd, kAtToken, expected);
    }
};

// Room for a few elements with the first: most arrays are short, and growing one element at a
// time would allocate and move for each of the first few.
template <class E>
inline void first_room(std::vector<E>& value) {
    if (value.capacity() == 0) value.reserve(sizeof(E) < 256 ? 256 / sizeof(E) : 1);
}

// Elements of an array whose [ ends before pos, and what follows its ] as read_value does.
template <class E>
uint64_t read_elements(reader& rd, std::vector<E>& value, uint64_t pos) {
    for (;;) {
        pos = rd.skip_blanks(pos);
        const char c = pos < rd.readable_end() ? rd.text[pos] : '\0';
        uint64_t end;
        if (is_record<E>::value && c == '{') {
            first_room(value);
            value.emplace_back();
            end = record_reader<E>::body(rd, value.back(), pos + 1);
        } else if (c == ']') {
            return ended_at(rd, pos + 1);
        } else {
            rd.resume(pos);
            if (rd.current() == ']') return ended_at(rd, rd.position);
            first_room(value);
            value.emplace_back();
            json_impl<E>::read(rd, value.back());
            end = kAtToken;
        }
        if (end != kAtToken) {
            const char after = rd.text[end];
            if (after == ',') {
                pos = end + 1;
                continue;
            }
            if (after == ']') return ended_at(rd, end + 1);
            rd.after_value(end);  // the token, for the error's position
        }
        const char after = rd.current();
        if (after == ']') return ended_at(rd, rd.position);
        if (after != ',') rd.error("no valid array!");
        pos = rd.position;
    }
}

// What read_value does not read itself: next() and json_impl<M>::read.
template <class M>
__attribute__((noinline)) uint64_t read_general(reader& rd, M& value, uint64_t pos) {
    rd.resume(pos);
    json_impl<M>::read(rd, value);
    return kAtToken;
}

template <class M>
__attribute__((always_inline)) inline uint64_t read_value(reader& rd, M& value, uint64_t pos) {
    pos = rd.skip_blanks(pos);
    const uint64_t limit = rd.readable_end();
    const char* text = rd.text;
    if constexpr (is_record<M>::value) {
        if (pos < limit && text[pos] == '{') return record_reader<M>::body(rd, value, pos + 1);
    } else if constexpr (std::is_same<M, int32_t>::value || std::is_same<M, uint32_t>::value ||
                         std::is_same<M, uint16_t>::value) {
        uint64_t bits, end;
        bool negative;
        if (plain_integer(rd, pos, std::is_signed<M>::value, bits, end, negative)) {
            value = static_cast<M>(negative ? 0 - bits : bits);  // the low bits
            return ended_at(rd, end);
        }
    } else if constexpr (std::is_same<M, float>::value) {
        uint64_t bits, end;
        bool negative;
        if (plain_integer(rd, pos, true, bits, end, negative)) {
            if (negative) {
                value = -static_cast<float>(static_cast<int64_t>(bits));
            } else {
                value = static_cast<float>(bits);
            }
            return ended_at(rd, end);
        }
    } else if constexpr (std::is_same<M, std::string>::value) {
        if (pos < limit && text[pos] == '"') {
            const char* start = text + pos + 1;
            const char* const end = text + limit;
            const char* stop = string_stop(start, end);
            // Without escapes the decoded bytes are the raw ones.
            if (stop != end && *stop == '"') {
                value.assign(start, static_cast<size_t>(stop - start));
                return ended_at(rd, static_cast<uint64_t>(stop + 1 - text));
            }
            // One-letter escapes are decoded here, once the closing quote is found (the decoded
            // text is never longer); \u and anything amiss go to the general path.
            while (stop + 1 < end && *stop == '\\' && one_letter_escape(stop[1]) != '\0')
                stop = string_stop(stop + 2, end);
            if (stop != end && *stop == '"') {
                value.resize(static_cast<size_t>(stop - start));
                char* out = &value[0];
                for (const char* p = start; p != stop; ++p)
                    *out++ = *p == '\\' ? one_letter_escape(*++p) : *p;
                value.resize(static_cast<size_t>(out - value.data()));
                return ended_at(rd, static_cast<uint64_t>(stop + 1 - text));
            }
        }
    } else if constexpr (is_sequence<M>::value) {
        if (pos < limit && text[pos] == '[') return read_elements(rd, value, pos + 1);
    }
    return read_general(rd, value, pos);
}

}  // namespace detail

// Records: any type declared with LCDJSON_RECORD or LCDJSON_RECORD_TEMPLATE.
template <class T>
struct json_impl {
    static_assert(detail::is_record<T>::value,
                  "lcdjson: no JSON binding for this type; declare it with LCDJSON_RECORD");

    // Built once per type, on first use; only read afterwards.
    static const detail::field_list& this_field_list() {
        static const detail::field_list fields(lcdjson_name_list(static_cast<const T*>(nullptr)));
        return fields;
    }
    static void read(reader& rd, T& value) { json_helper::read_(rd, value); }
    static void write(lite_write& out, const T& value) { json_helper::write_(out, value); }
};

template <>
struct json_impl<int32_t> {
    static void read(reader& rd, int32_t& value) {
        uint64_t bits = 0;
        switch (rd.token_kind) {
            case tk_unsigned:
                bits = rd.token_value.u;
                break;
            case tk_signed:
                bits = 0 - rd.token_value.u;
                break;
            case tk_real: {
                const uint64_t magnitude = detail::truncate_real(rd.token_value.d);
                bits = rd.token_negative ? 0 - magnitude : magnitude;
                break;
            }
            case tk_string:
                bits = detail::is_true(rd)
                           ? 1
                           : static_cast<uint64_t>(std::strtoll(rd.token_text, nullptr, 10));
                break;
            default:
                rd.error("not a valid signed integral like number.");
        }
        value = static_cast<int32_t>(static_cast<uint32_t>(bits));  // the low 32 bits
        rd.next();
    }
    static void write(lite_write& out, int32_t value) { out.write_int(value); }
};

template <>
struct json_impl<uint32_t> {
    static void read(reader& rd, uint32_t& value) { detail::read_unsigned(rd, value); }
    static void write(lite_write& out, uint32_t value) { out.write_uint(value); }
};

template <>
struct json_impl<uint16_t> {
    static void read(reader& rd, uint16_t& value) { detail::read_unsigned(rd, value); }
    static void write(lite_write& out, uint16_t value) { out.write_uint(value); }
};

template <>
struct json_impl<float> {
    static void read(reader& rd, float& value) {
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
                value = static_cast<float>(static_cast<double>(detail::strtold_c(rd.token_text)));
                break;
            default:
                rd.error("not a valid float point number.");
        }
        rd.next();
    }
    static void write(lite_write& out, float value) { out.write_float(value); }
};

template <>
struct json_impl<std::string> {
    // A quoted string or an unquoted word (null gives the text null).
    static void read(reader& rd, std::string& value) {
        if (rd.token_kind != tk_string) rd.error("not a valid string.");
        if (!escape_string(value, rd.token_text, rd.token_size)) rd.error("not a valid string.");
        rd.next();
    }
    static void write(lite_write& out, const std::string& value) {
        out.write_str(value.data(), value.size());
    }
};

template <class T>
struct json_impl<std::vector<T>> {
    // Appends the elements to those the sequence already holds; a comma before the closing
    // bracket is accepted.
    static void read(reader& rd, std::vector<T>& value) {
        if (rd.current() != '[') rd.error("array must start with [.");
        const uint64_t end = detail::read_elements(rd, value, rd.position);
        if (end != detail::kAtToken) rd.after_value(end);
    }
    static void write(lite_write& out, const std::vector<T>& value) {
        out.put('[');
        for (size_t i = 0; i < value.size(); ++i) {
            if (i != 0) out.put(',');
            json_impl<T>::write(out, value[i]);
        }
        out.put(']');
    }
};

}  // namespace lcdjson
