// simdjson as lcdjson's peer: its DOM parse alone, and On-Demand with a mapping into the
// component's records (each object's fields in document order, dispatched by key, generic over
// the records' field lists). Both reuse one parser per thread, as simdjson advises.
#pragma once

#include <string>

#include "records.h"

namespace bench {
namespace simdjson_peer {

// The DOM of the text and nothing more.
bool parse(const std::string& text);
// The report's DOM, then the DOM of the text in its body: the parsing a report needs.
bool parse_report(const std::string& text);

// On-Demand over the text, mapped into the records; a report's body the same way. A text with
// room for simdjson's padding past its end is read where it is, any other is copied first.
// False when the text is no such answer.
bool decode(const std::string& text, ScreenAnswer& records);
bool decode(const std::string& text, InterfaceAnswer& records);
bool decode(const std::string& text, ReportRecords& records);

}  // namespace simdjson_peer
}  // namespace bench
