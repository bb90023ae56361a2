// Property of the string writer: what write_str writes, decoded again by escape_string,
// gives back the text up to its first NUL or ill-formed UTF-8 sequence. Characters above
// U+FFFF come back as two three-byte surrogate encodings, because escape_string encodes each
// \u escape of a surrogate pair on its own. The output is always quoted printable ASCII and
// strict JSON.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzcheck.h"
#include "json/lcdjson.h"
#include "reference_utf8.h"

namespace {

void append_three_bytes(std::string& out, uint32_t unit) {
    out += static_cast<char>(0xE0 | (unit >> 12));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (unit & 0x3F));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string expected;
    for (size_t at = 0; at < size;) {
        uint32_t cp = 0;
        const size_t len = ocsm_test::reference_char(data + at, size - at, cp);
        if (len == 0 || cp == 0) break;
        if (cp > 0xFFFF) {
            append_three_bytes(expected, 0xD800 + ((cp - 0x10000) >> 10));
            append_three_bytes(expected, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            expected.append(reinterpret_cast<const char*>(data + at), len);
        }
        at += len;
    }

    lcdjson::string_stream stream;
    lcdjson::lite_write writer(stream);
    writer.write_str(reinterpret_cast<const char*>(data), size);
    const std::string written(stream.data(), stream.size());
    using ocsm_fuzz::require;
    require(written.size() >= 2 && written.front() == '"' && written.back() == '"', "quoted");
    for (char c : written)
        require(c >= 0x20 && c <= 0x7E, "printable ASCII");
    ocsm_fuzz::require_strict_json(written);
    std::string decoded;
    require(lcdjson::escape_string(decoded, written.data() + 1, written.size() - 2), "decodes");
    require(decoded == expected, "decodes to the text up to its first NUL or ill-formed byte");
    return 0;
}
