// What the peers' mappers share: name lists split into names, the conversion of real numbers.
#include "record_mapping.h"

#include "json/field_list.h"

namespace bench {

void wrong_kind(const char* member_kind) {
    throw mapping_error(std::string("a value that is no ") + member_kind);
}

// The records' own reading of their name lists, so that every peer sees the names lcdjson sees.
std::vector<std::string_view> split_names(const char* list) {
    std::vector<std::string_view> names;
    for (const lcdjson::detail::string_ref& name : lcdjson::detail::split_fields(list))
        names.emplace_back(name.str, name.len);
    return names;
}

uint64_t truncated_bits(double value) {
    const bool negative = value < 0;
    const double magnitude = negative ? -value : value;
    uint64_t bits = 0;  // NaN
    if (magnitude >= 18446744073709551616.0) {
        bits = UINT64_MAX;
    } else if (magnitude >= 0) {
        bits = static_cast<uint64_t>(magnitude);
    }
    return negative ? 0 - bits : bits;
}

}  // namespace bench
