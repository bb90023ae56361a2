// Field lists: the key names of a record type, parsed once from the record's name-list text
// ("R, G, B"). The names point into that constant text; nothing is copied.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "json/char_table.h"

namespace lcdjson {
namespace detail {

struct string_ref {
    const char* str;
    size_t len;
};

// Length first; on equal length the first byte, which tells most names apart, before the rest.
inline bool same_name(const string_ref& name, const char* key, size_t key_size) {
    return name.len == key_size &&
           (key_size == 0 || (name.str[0] == key[0] && std::memcmp(name.str, key, key_size) == 0));
}

// Names are separated by commas; blanks around a name are dropped, empty entries ignored.
inline std::vector<string_ref> split_fields(const char* list) {
    std::vector<string_ref> names;
    const char* p = list;
    for (;;) {
        while (is_blank(*p))
            ++p;
        const char* start = p;
        while (*p != '\0' && *p != ',')
            ++p;
        const char* stop = p;
        while (stop != start && is_blank(stop[-1]))
            --stop;
        if (stop != start) names.push_back({start, static_cast<size_t>(stop - start)});
        if (*p == '\0') break;
        ++p;
    }
    return names;
}

}  // namespace detail
}  // namespace lcdjson
