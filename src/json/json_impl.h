// Per-type codec: json_impl<T>::read reads one value of type T starting at the current token
// and leaves the token after it current; json_impl<T>::write writes one. Scalars convert by
// token kind (an integer member also takes "12", 12.9 or true; a float member any number);
// records read and write through their field list. Text conversions give the same result in
// every locale: strtoll and strtoull in base 10 apply no digit grouping, so LC_NUMERIC does not
// reach them, and the float conversion uses the "C" locale explicitly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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

// Record reader and writer, driven by the record's field list and member pointers.
struct json_helper {
    template <class T>
    static void read_(reader& rd, T& record) {
        const detail::field_list& fields = json_impl<T>::this_field_list();
        if (rd.current() != '{') rd.error("read object must start with {!");
        rd.next();
        if (rd.current() == '}') {
            rd.next();
            return;
        }
        if (rd.token_kind != tk_string) rd.error("object key must be string");
        constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
        constexpr size_t count = std::tuple_size<decltype(members)>::value;
        size_t guess = 0;
        for (;;) {
            const char* key = rd.token_text;  // raw: escapes in keys are not decoded
            const size_t key_size = rd.token_size;
            rd.next();
            if (rd.current() != ':') rd.error("invalid json document!");
            rd.next();
            // The first name in list order that matches reads its member; others are skipped.
            const size_t index = fields.find(key, key_size, guess);
            if (index < count) {
                read_member(rd, record, index, members, std::make_index_sequence<count>());
                guess = index + 1;
            } else {
                skip(rd);
            }
            if (rd.current() == '}') {
                rd.next();
                return;
            }
            if (rd.current() != ',') rd.error("invalid json document!");
            rd.next();
            if (rd.token_kind != tk_string) rd.error("object key must be string");
        }
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
    template <class M>
    static bool read_value(reader& rd, M& member) {
        json_impl<M>::read(rd, member);
        return true;
    }

    // Reads member number index.
    template <class T, class Members, size_t... I>
    static void read_member(reader& rd, T& record, size_t index, const Members& members,
                            std::index_sequence<I...>) {
        (void)((I == index && read_value(rd, record.*std::get<I>(members))) || ...);
    }

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
        rd.next();
        while (rd.current() != ']') {
            value.emplace_back();
            json_impl<T>::read(rd, value.back());
            if (rd.current() == ',') {
                rd.next();
            } else if (rd.current() != ']') {
                rd.error("no valid array!");
            }
        }
        rd.next();
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
