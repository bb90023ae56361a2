// Checks shared by the fuzz targets: the decode entry's contract, the encode-decode round trip,
// and strict JSON from every text the writer produces.
#pragma once

#include <rapidjson/document.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "json/lcdjson.h"

namespace ocsm_fuzz {

// Names the broken invariant before aborting, so a reproducer explains itself.
inline void require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "broken invariant: %s\n", invariant);
    std::abort();
}

// Whatever the writer produces must be taken whole by a strict parser (RapidJSON's defaults).
inline void require_strict_json(const std::string& text) {
    rapidjson::Document document;
    document.Parse<rapidjson::kParseDefaultFlags>(text.data(), text.size());
    require(!document.HasParseError(), "the writer's text is strict JSON");
}

// The round trip holds except where the codec loses by design (both documented and unit-tested):
// a character above U+FFFF is written as a surrogate pair, which escape_string decodes one unit at
// a time into ill-formed UTF-8 that the writer then cuts off; and a NaN float (from a string
// member such as "nan") is written as null, which reads back as 0.
inline bool round_trips(const std::string& written) {
    for (const char* lossy : {"\\uD8", "\\uD9", "\\uDA", "\\uDB", ":null"})
        if (written.find(lossy) != std::string::npos) return false;
    return true;
}

// Decodes text into value as the component does and checks the entry's contract: success leaves
// the error text alone, a failure's text is "error at line :L col :C msg:MESSAGE", and a decoded
// value encodes to strict JSON that decodes again to the same encoding.
template <class T>
bool checked_decode(const std::string& text, T& value) {
    static const std::string untouched = "untouched";
    std::string error = untouched;
    if (!LCD::ProtoModel::decode(text, value, error)) {
        const size_t message = error.find(" msg:");
        require(error.rfind("error at line :", 0) == 0, "a failure's text starts with its line");
        require(message != std::string::npos && message + 5 < error.size(),
                "a failure's text ends with a message");
        return false;
    }
    require(error == untouched, "success leaves the error text alone");

    std::string written;
    LCD::ProtoModel::encode(written, value);
    require_strict_json(written);
    T again{};
    require(LCD::ProtoModel::decode(written, again, error), "the encoding decodes");
    std::string rewritten;
    LCD::ProtoModel::encode(rewritten, again);
    require(rewritten == written || !round_trips(written),
            "the encoding decodes to an equal encoding");
    return true;
}

}  // namespace ocsm_fuzz
