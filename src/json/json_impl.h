// Per-type codec: json_impl<T>::read reads one value of type T starting at the current token
// and leaves the token after it current; json_impl<T>::write writes one. Scalars convert by
// token kind (convert.h); records read through their member tables (record_reader.h) and write
// through their field lists, in list order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "json/convert.h"
#include "json/field_list.h"
#include "json/lite_write.h"
#include "json/member_table.h"
#include "json/reader.h"
#include "json/record_reader.h"

namespace lcdjson {

template <class T>
struct json_impl;

// Record reader and writer, driven by the record's field list and member table.
struct json_helper {
    // The current token is the record's first.
    template <class T>
    static void read_(reader& rd, T& record) {
        detail::values::read_current_record(rd, reinterpret_cast<char*>(&record),
                                            detail::table_of<T>::table);
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
        (
            [&] {
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
    static void read(reader& rd, int32_t& value) { detail::read_int32(rd, value); }
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
    static void read(reader& rd, float& value) { detail::read_float(rd, value); }
    static void write(lite_write& out, float value) { out.write_float(value); }
};

template <>
struct json_impl<std::string> {
    static void read(reader& rd, std::string& value) { detail::read_string(rd, value); }
    static void write(lite_write& out, const std::string& value) {
        out.write_str(value.data(), value.size());
    }
};

// Sequences of records. Reading appends the elements to those the sequence already holds; a
// comma before the closing bracket is accepted.
template <class T>
struct json_impl<std::vector<T>> {
    static void read(reader& rd, std::vector<T>& value) {
        detail::values::read_current(rd, reinterpret_cast<char*>(&value),
                                     detail::root_entry<std::vector<T>>);
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
