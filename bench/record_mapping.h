// What the peers' mappers share: a record's key names and member pointers (its LCDJSON_RECORD
// binding), dispatch of one key to its member, and lcdjson's conversions of numbers to members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "json/member_table.h"
#include "json/record_macros.h"

namespace bench {

// A value of the wrong kind for its member: the mapper gives up on the document.
struct mapping_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] void wrong_kind(const char* member_kind);

// Which types are records and sequences of them, as the codec tells them apart.
using lcdjson::detail::is_record;
using lcdjson::detail::is_sequence;

// The names of a comma-separated name-list text, blanks around each dropped.
std::vector<std::string_view> split_names(const char* list);

// The record's key names in field-list order, split once per type.
template <class T>
const std::vector<std::string_view>& field_names() {
    static const std::vector<std::string_view> names =
        split_names(lcdjson_name_list(static_cast<const T*>(nullptr)));
    return names;
}

namespace detail {

template <class T, class Match, class Visit, size_t... I>
bool visit_first(T& record, Match& matches, Visit& visit, std::index_sequence<I...>) {
    constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
    const std::vector<std::string_view>& names = field_names<T>();
    return ((matches(names[I]) && (visit(record.*std::get<I>(members)), true)) || ...);
}

template <class T, class Visit, size_t... I>
void visit_each(const T& record, Visit& visit, std::index_sequence<I...>) {
    constexpr auto members = lcdjson_members(static_cast<const T*>(nullptr));
    const std::vector<std::string_view>& names = field_names<T>();
    (visit(names[I], record.*std::get<I>(members)), ...);
}

template <class T>
constexpr size_t member_count() {
    return std::tuple_size<decltype(lcdjson_members(static_cast<const T*>(nullptr)))>::value;
}

}  // namespace detail

// Calls visit(member) for the first field, in field-list order, whose name matches(name) accepts,
// as lcdjson does; false when none does (the value is then the caller's to pass over).
template <class T, class Match, class Visit>
bool visit_field_if(T& record, Match matches, Visit visit) {
    return detail::visit_first(record, matches, visit,
                               std::make_index_sequence<detail::member_count<T>()>());
}

// The same for a key given as text: lengths first, then the bytes.
template <class T, class Visit>
bool visit_field(T& record, std::string_view key, Visit visit) {
    return visit_field_if(
        record,
        [key](std::string_view name) {
            return name.size() == key.size() &&
                   (key.empty() || std::memcmp(name.data(), key.data(), key.size()) == 0);
        },
        visit);
}

// Calls visit(name, member) for every field, in field-list order.
template <class T, class Visit>
void for_each_field(const T& record, Visit visit) {
    detail::visit_each(record, visit, std::make_index_sequence<detail::member_count<T>()>());
}

// lcdjson's conversions of numbers to integer members: the value's low bits; a real number is
// truncated toward zero first (saturating beyond 64 bits).
uint64_t truncated_bits(double value);

template <class I>
I integer_from_bits(uint64_t bits) {
    static_assert(std::is_integral<I>::value, "an integer member");
    return static_cast<I>(static_cast<std::make_unsigned_t<I>>(bits));
}

}  // namespace bench
