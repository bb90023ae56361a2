// Decodes arbitrary bytes into every document the component decodes, which together use every
// member conversion and field lists out of declared order, and walks them with the bare reader over
// a buffer that has no terminating NUL. Sanitizers catch memory errors; the checks below catch
// broken contracts of the decode entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "protomodel/protomodel.h"

namespace {

template <class T>
void decode_into(const std::string& text) {
    T value{};
    std::string error = "untouched";
    if (LCD::ProtoModel::decode(text, value, error)) {
        if (error != "untouched") std::abort();  // success leaves the error text alone
    } else if (error.rfind("error at line :", 0) != 0) {
        std::abort();  // every failure is position-stamped
    }
}

// The reader on a size-limited text: every token and skip must stay inside the buffer.
void walk_limited(const uint8_t* data, size_t size) {
    if (size == 0) return;  // a size of 0 means "no limit"
    std::unique_ptr<char[]> copy(new char[size]);
    std::memcpy(copy.get(), data, size);
    lcdjson::reader rd(copy.get(), size);
    std::string decoded;
    try {
        rd.next();
        for (size_t steps = 0; rd.token_kind != lcdjson::tk_end; ++steps) {
            if (steps > size + 2) std::abort();  // every step consumes a byte
            if (rd.token_kind == lcdjson::tk_string) {
                lcdjson::escape_string(decoded, rd.token_text, rd.token_size);
            }
            const uint64_t before = rd.position;
            lcdjson::skip(rd);
            if (rd.position == before && rd.token_kind != lcdjson::tk_end) rd.next();
        }
    } catch (const lcdjson::exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    using namespace LCD::ProtoModel;
    decode_into<s_response<Screen::s_ScreenDetail>>(text);
    decode_into<s_response<Interface::s_InterfaceDetailInfo>>(text);
    decode_into<LCD::AutoReport::LCDAutoReportData>(text);
    decode_into<std::vector<Screen::s_ScreenColorSpace>>(text);
    walk_limited(data, size);
    return 0;
}
