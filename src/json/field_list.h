// Field lists: the key names of a record type, parsed once from the record's name-list text
// ("R, G, B"). The names point into that constant text; nothing is copied.
#pragma once

#include <cstddef>
#include <cstring>
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

inline bool same_name(const string_ref& name, const char* key, size_t key_size) {
    if (name.len != key_size) return false;
    for (size_t i = 0; i < key_size; ++i)
        if (name.str[i] != key[i]) return false;
    return true;
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

// A record's names, whether each stands in the list once, and each name as the writer writes it
// before its value (with the comma that separates it from the one before).
struct field_list {
    std::vector<string_ref> names;
    bool unique;
    std::vector<std::string> written;

    explicit field_list(const char* list) : names(split_fields(list)), unique(true) {
        for (size_t i = 0; i < names.size(); ++i) {
            for (size_t j = 0; j < i; ++j)
                if (same_name(names[j], names[i].str, names[i].len)) unique = false;
            string_stream text;
            lite_write writer(text);
            if (i != 0) writer.put(',');
            writer.write_str(names[i].str, names[i].len);
            writer.put(':');
            written.emplace_back(text.data(), text.size());
        }
    }

    // The index of the first name equal to the key, or the number of names when none is.
    // Documents mostly send keys in list order, so the name after the previous match (guess) is
    // tried first: when every name stands in the list once, a match there is the first match.
    size_t find(const char* key, size_t key_size, size_t guess) const {
        if (unique && guess < names.size() && same_name(names[guess], key, key_size)) return guess;
        for (size_t i = 0; i < names.size(); ++i)
            if (same_name(names[i], key, key_size)) return i;
        return names.size();
    }
};

}  // namespace detail
}  // namespace lcdjson
