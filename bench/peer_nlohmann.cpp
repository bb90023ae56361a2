// nlohmann/json as lcdjson's peer: DOM parse, and the DOM mapped into records.
#include "peer_nlohmann.h"

#include <nlohmann/json.hpp>

#include <string_view>
#include <type_traits>

#include "record_mapping.h"

namespace bench {
namespace nlohmann_peer {
namespace {

using Json = nlohmann::json;

uint64_t integer_bits(const Json& value) {
    if (value.is_number_unsigned()) return value.get<uint64_t>();
    if (value.is_number_integer()) return static_cast<uint64_t>(value.get<int64_t>());
    if (value.is_number_float()) return truncated_bits(value.get<double>());
    if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
    wrong_kind("integer");
}

template <class T>
void map(const Json& value, T& out) {
    if constexpr (is_record<T>::value) {
        if (!value.is_object()) wrong_kind("object");
        for (auto member = value.begin(); member != value.end(); ++member) {
            const std::string& key = member.key();
            visit_field(out, key, [&](auto& field) { map(member.value(), field); });
        }
    } else if constexpr (is_sequence<T>::value) {
        if (!value.is_array()) wrong_kind("array");
        out.reserve(out.size() + value.size());
        for (const Json& element : value) {
            out.emplace_back();
            map(element, out.back());
        }
    } else if constexpr (std::is_same<T, std::string>::value) {
        if (!value.is_string()) wrong_kind("string");
        out = value.get_ref<const std::string&>();
    } else if constexpr (std::is_floating_point<T>::value) {
        if (!value.is_number()) wrong_kind("number");
        out = static_cast<T>(value.get<double>());
    } else {
        out = integer_from_bits<T>(integer_bits(value));
    }
}

template <class T>
bool parse_and_map(const std::string& text, T& out) {
    const Json doc = Json::parse(text, nullptr, false);
    if (doc.is_discarded()) return false;
    try {
        map(doc, out);
    } catch (const mapping_error&) {
        return false;
    }
    return true;
}

}  // namespace

bool parse(const std::string& text) {
    return !Json::parse(text, nullptr, false).is_discarded();
}

bool parse_report(const std::string& text) {
    const Json doc = Json::parse(text, nullptr, false);
    if (!doc.is_object()) return false;
    const auto body = doc.find("body");
    if (body == doc.end() || !body->is_string()) return false;
    return !Json::parse(body->get_ref<const std::string&>(), nullptr, false).is_discarded();
}

bool decode(const std::string& text, ScreenAnswer& records) {
    return parse_and_map(text, records);
}
bool decode(const std::string& text, InterfaceAnswer& records) {
    return parse_and_map(text, records);
}
bool decode(const std::string& text, ReportRecords& records) {
    return parse_and_map(text, records.report) &&
           parse_and_map(records.report.body, records.changed);
}

}  // namespace nlohmann_peer
}  // namespace bench
