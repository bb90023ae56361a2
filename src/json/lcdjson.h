// The JSON codec: an in-place reader, the binding of JSON values to records declared with
// LCDJSON_RECORD, and a compact writer; with the entry points decode and encode.
#pragma once

#include <exception>
#include <string>

#include "json/c_locale.h"
#include "json/char_table.h"
#include "json/convert.h"
#include "json/escape_string.h"
#include "json/exception.h"
#include "json/field_list.h"
#include "json/json_impl.h"
#include "json/lite_write.h"
#include "json/member_table.h"
#include "json/reader.h"
#include "json/record_macros.h"
#include "json/record_reader.h"
#include "json/scan.h"
#include "json/skip.h"
#include "json/string_stream.h"

namespace LCD {
namespace ProtoModel {

// Reads text into value. On failure returns false and sets error to the position-stamped
// message; value keeps whatever was read before the failure (it is neither cleared before
// nor restored after), and a sequence receives its elements after those it held.
template <class T>
bool decode(const std::string& text, T& value, std::string& error) {
    try {
        // The string's bytes and its terminating NUL may all be read.
        lcdjson::reader rd(text.c_str(), UINT64_MAX, text.size() + 1);
        // next() and json_impl<T>::read, in one.
        lcdjson::detail::read_root(rd, value);
        return true;
    } catch (const lcdjson::exception& e) {
        error = e.what();
    } catch (const std::exception& e) {  // memory exhaustion, for instance
        error = e.what();
    }
    return false;
}

// Replaces out with the compact JSON text of value.
template <class T>
void encode(std::string& out, const T& value) {
    lcdjson::string_stream stream;
    lcdjson::lite_write writer(stream);
    lcdjson::json_impl<T>::write(writer, value);
    out.assign(stream.data(), stream.size());
}

}  // namespace ProtoModel
}  // namespace LCD
