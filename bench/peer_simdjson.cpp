// simdjson as lcdjson's peer: DOM parse, On-Demand iteration mapped into records.
#include "peer_simdjson.h"

#include <simdjson.h>

#include <string_view>
#include <type_traits>

#include "record_mapping.h"

namespace bench {
namespace simdjson_peer {
namespace {

using simdjson::SUCCESS;
namespace ondemand = simdjson::ondemand;

void check(simdjson::error_code error) {
    if (error != SUCCESS) throw mapping_error(simdjson::error_message(error));
}

uint64_t integer_bits(ondemand::value& value) {
    int64_t signed_value = 0;
    if (value.get_int64().get(signed_value) == SUCCESS) return static_cast<uint64_t>(signed_value);
    uint64_t unsigned_value = 0;
    if (value.get_uint64().get(unsigned_value) == SUCCESS) return unsigned_value;
    double real = 0;
    if (value.get_double().get(real) == SUCCESS) return truncated_bits(real);
    bool flag = false;
    if (value.get_bool().get(flag) == SUCCESS) return flag ? 1 : 0;
    wrong_kind("integer");
}

template <class T>
void map(ondemand::value value, T& out) {
    if constexpr (is_record<T>::value) {
        ondemand::object object;
        check(value.get_object().get(object));
        for (auto found : object) {
            ondemand::field field;
            check(std::move(found).get(field));
            const ondemand::raw_json_string key = field.key();
            visit_field_if(
                out, [&](std::string_view name) { return key.unsafe_is_equal(name); },
                [&](auto& member) { map(field.value(), member); });
        }
    } else if constexpr (is_sequence<T>::value) {
        ondemand::array array;
        check(value.get_array().get(array));
        for (auto found : array) {
            ondemand::value element;
            check(std::move(found).get(element));
            out.emplace_back();
            map(element, out.back());
        }
    } else if constexpr (std::is_same<T, std::string>::value) {
        std::string_view text;
        check(value.get_string().get(text));
        out.assign(text.data(), text.size());
    } else if constexpr (std::is_floating_point<T>::value) {
        double real = 0;
        check(value.get_double().get(real));
        out = static_cast<T>(real);
    } else {
        out = integer_from_bits<T>(integer_bits(value));
    }
}

struct Parsers {
    ondemand::parser ondemand;
    simdjson::dom::parser dom;
    std::string padded;  // texts without room for the padding are copied here
};
Parsers& parsers() {
    thread_local Parsers kept;
    return kept;
}

// The text itself when it has room for the padding, otherwise its copy in the kept buffer.
simdjson::padded_string_view padded_view(const char* text, size_t size, size_t capacity) {
    if (capacity >= size + simdjson::SIMDJSON_PADDING) {
        return simdjson::padded_string_view(text, size, capacity);
    }
    std::string& copy = parsers().padded;
    copy.reserve(size + simdjson::SIMDJSON_PADDING);
    copy.assign(text, size);
    return simdjson::padded_string_view(copy.data(), copy.size(), copy.capacity());
}

template <class T>
bool iterate_and_map(simdjson::padded_string_view text, T& out) {
    try {
        ondemand::document doc;
        check(parsers().ondemand.iterate(text).get(doc));
        ondemand::value root;
        check(doc.get_value().get(root));
        map(root, out);
    } catch (const mapping_error&) {
        return false;
    }
    return true;
}

template <class Records>
bool decode_answer(const std::string& text, Records& records) {
    return iterate_and_map(padded_view(text.data(), text.size(), text.capacity()), records);
}

}  // namespace

bool parse(const std::string& text) {
    simdjson::dom::element doc;
    return parsers().dom.parse(text).get(doc) == SUCCESS;
}

bool parse_report(const std::string& text) {
    simdjson::dom::element doc;
    if (parsers().dom.parse(text).get(doc) != SUCCESS) return false;
    std::string_view body;
    if (doc["body"].get(body) != SUCCESS) return false;
    // The body must be copied out before the parser takes the next text.
    std::string& copy = parsers().padded;
    copy.reserve(body.size() + simdjson::SIMDJSON_PADDING);
    copy.assign(body.data(), body.size());
    return parsers().dom.parse(copy).get(doc) == SUCCESS;
}

bool decode(const std::string& text, ScreenAnswer& records) {
    return decode_answer(text, records);
}
bool decode(const std::string& text, InterfaceAnswer& records) {
    return decode_answer(text, records);
}
bool decode(const std::string& text, ReportRecords& records) {
    if (!decode_answer(text, records.report)) return false;
    const std::string& body = records.report.body;
    return iterate_and_map(padded_view(body.data(), body.size(), body.capacity()), records.changed);
}

}  // namespace simdjson_peer
}  // namespace bench
