// Field lists: the key names of a record type, taken from the record's name-list text
// ("R, G, B"). The names point into that constant text; nothing is copied. The decoder's member
// table splits the same text at compile time with the same step (next_name).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "json/char_table.h"
#include "json/lite_write.h"

namespace lcdjson {
namespace detail {

struct string_ref {
    const char* str;
    size_t len;
};

// The next name of a list from p on: names are separated by commas, blanks around a name are
// dropped and empty entries ignored. Moves p past the name's comma; false when no name is left.
constexpr bool next_name(const char*& p, string_ref& name) {
    for (;;) {
        while (is_blank(*p))
            ++p;
        const char* start = p;
        while (*p != '\0' && *p != ',')
            ++p;
        const char* stop = p;
        while (stop != start && is_blank(stop[-1]))
            --stop;
        const bool last = *p == '\0';
        if (!last) ++p;
        if (stop != start) {
            name = {start, static_cast<size_t>(stop - start)};
            return true;
        }
        if (last) return false;
    }
}

inline std::vector<string_ref> split_fields(const char* list) {
    std::vector<string_ref> names;
    string_ref name{};
    while (next_name(list, name))
        names.push_back(name);
    return names;
}

// A record's names, and each name as the writer writes it before its value (with the comma that
// separates it from the one before).
struct field_list {
    std::vector<string_ref> names;
    std::vector<std::string> written;

    explicit field_list(const char* list) : names(split_fields(list)) {
        for (size_t i = 0; i < names.size(); ++i) {
            string_stream text;
            lite_write writer(text);
            if (i != 0) writer.put(',');
            writer.write_str(names[i].str, names[i].len);
            writer.put(':');
            written.emplace_back(text.data(), text.size());
        }
    }
};

}  // namespace detail
}  // namespace lcdjson
