// What the peers' mappers share: name lists split into names, the conversion of real numbers.
#include "record_mapping.h"

namespace bench {

void wrong_kind(const char* member_kind) {
    throw mapping_error(std::string("a value that is no ") + member_kind);
}

std::vector<std::string_view> split_names(const char* list) {
    std::vector<std::string_view> names;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const char* p = list;
    for (;;) {
        while (blank(*p))
            ++p;
        const char* start = p;
        while (*p != '\0' && *p != ',')
            ++p;
        const char* stop = p;
        while (stop != start && blank(stop[-1]))
            --stop;
        if (stop != start) names.emplace_back(start, static_cast<size_t>(stop - start));
        if (*p == '\0') break;
        ++p;
    }
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
