// Member tables: for each record type, one entry per name of its field list, saying where the
// member lives in the record, how its value is read and how its key stands in a compact text
// ("name":). Made at compile time from the record's binding (LCDJSON_RECORD), so that one
// reading loop serves every record type: code grows with the number of types and kinds, while
// the tables hold what grows with the members.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "json/field_list.h"
#include "json/record_macros.h"

namespace lcdjson {
namespace detail {

template <class T, class = void>
struct is_record : std::false_type {};
template <class T>
struct is_record<T, std::void_t<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>>
    : std::true_type {};

template <class T>
struct is_sequence : std::false_type {};
template <class T>
struct is_sequence<std::vector<T>> : std::true_type {};

// How a value is read: the member types a record may hold.
enum member_kind : uint8_t {
    mk_int32,
    mk_uint32,
    mk_uint16,
    mk_float,
    mk_string,
    mk_record,
    mk_sequence,  // of records
};

struct member_entry;

// A record type's entries, in field-list order.
struct record_table {
    const member_entry* members;
    uint32_t count;
};

struct member_entry {
    // Keys of up to 24 bytes are compared in place, three words at once; longer ones by name.
    static constexpr size_t kKeyWords = 3;
    static constexpr uint64_t kNever = uint64_t{1} << 62;

    // What the reading loop looks at for every member, in the entry's first 64 bytes.
    uint64_t key[kKeyWords];   // "name": as little-endian eight-byte words, zero after it
    uint64_t mask[kKeyWords];  // the bytes of each word that belong to the key
    uint64_t reach;    // bytes the compare reads: 8 * kKeyWords, or kNever for a key too long
    uint32_t offset;   // of the member in its record
    uint8_t key_size;  // bytes of "name":
    member_kind kind;

    string_ref name;               // into the record's name-list text
    const record_table* record;    // mk_record: the member's table; mk_sequence: the element's
    void* (*append)(void* items);  // mk_sequence: appends a default element, gives its address
};

template <class T>
constexpr member_kind kind_of() {
    if constexpr (std::is_same<T, int32_t>::value) {
        return mk_int32;
    } else if constexpr (std::is_same<T, uint32_t>::value) {
        return mk_uint32;
    } else if constexpr (std::is_same<T, uint16_t>::value) {
        return mk_uint16;
    } else if constexpr (std::is_same<T, float>::value) {
        return mk_float;
    } else if constexpr (std::is_same<T, std::string>::value) {
        return mk_string;
    } else if constexpr (is_sequence<T>::value) {
        static_assert(is_record<typename T::value_type>::value,
                      "lcdjson: sequences hold records declared with LCDJSON_RECORD");
        return mk_sequence;
    } else {
        static_assert(is_record<T>::value,
                      "lcdjson: no JSON binding for this type; declare it with LCDJSON_RECORD");
        return mk_record;
    }
}

template <class T>
struct table_of;

// Most arrays are short, and growing one element at a time would allocate and move for each of
// the first few: the first element comes with room for a few more (at least four, or 256 bytes).
template <class E>
void* append_to(void* items) {
    auto& sequence = *static_cast<std::vector<E>*>(items);
    if (sequence.capacity() == 0) sequence.reserve(sizeof(E) < 64 ? 256 / sizeof(E) : 4);
    return &sequence.emplace_back();
}

// An entry for a value of type M at `offset`, named `name`; set_key fills in its key.
template <class M>
constexpr member_entry entry_for(size_t offset, string_ref name) {
    member_entry entry{};
    entry.kind = kind_of<M>();
    entry.offset = static_cast<uint32_t>(offset);
    entry.name = name;
    if constexpr (is_sequence<M>::value) {
        entry.record = &table_of<typename M::value_type>::table;
        entry.append = &append_to<typename M::value_type>;
    } else if constexpr (is_record<M>::value) {
        entry.record = &table_of<M>::table;
    }
    return entry;
}

// The key words of an entry: "name": as a compact text spells it. (A name that stands twice in a
// list binds the same member twice, so either entry reads it alike.)
constexpr void set_key(member_entry& entry) {
    const size_t size = entry.name.len + 3;
    entry.key_size = static_cast<uint8_t>(size);
    if (size > 8 * member_entry::kKeyWords) {
        entry.reach = member_entry::kNever;
        return;
    }
    entry.reach = 8 * member_entry::kKeyWords;
    for (size_t b = 0; b < size; ++b) {
        const char c = b == 0 || b == size - 2 ? '"' : b == size - 1 ? ':' : entry.name.str[b - 1];
        entry.key[b / 8] |= uint64_t{static_cast<unsigned char>(c)} << (8 * (b % 8));
        entry.mask[b / 8] |= uint64_t{0xFF} << (8 * (b % 8));
    }
}

template <class T, size_t... I>
constexpr auto make_entries(std::index_sequence<I...>) {
    constexpr auto pointers = lcdjson_members(static_cast<const T*>(nullptr));
    constexpr auto offsets = lcdjson_offsets(static_cast<const T*>(nullptr));
    std::array<string_ref, sizeof...(I)> names{};
    const char* list = lcdjson_name_list(static_cast<const T*>(nullptr));
    for (string_ref& name : names)
        if (!next_name(list, name)) throw "lcdjson: a name list shorter than its members";
    std::array<member_entry, sizeof...(I)> entries = {entry_for<
        std::remove_reference_t<decltype(static_cast<T*>(nullptr)->*std::get<I>(pointers))>>(
        offsets[I], names[I])...};
    for (member_entry& entry : entries)
        set_key(entry);
    return entries;
}

template <class T>
struct table_of {
    static_assert(std::is_standard_layout<T>::value, "lcdjson: records have standard layout");
    static constexpr size_t kCount =
        std::tuple_size<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>::value;
    static constexpr std::array<member_entry, kCount> entries =
        make_entries<T>(std::make_index_sequence<kCount>());
    static constexpr record_table table = {entries.data(), static_cast<uint32_t>(kCount)};
};

// The entry of a whole decoded value of type T.
template <class T>
inline constexpr member_entry root_entry = entry_for<T>(0, string_ref{"", 0});

}  // namespace detail
}  // namespace lcdjson
