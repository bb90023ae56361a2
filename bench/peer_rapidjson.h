// RapidJSON as lcdjson's peer: its DOM parse alone, its DOM parse plus a mapping into the
// component's records (generic over their field lists), and its Writer; every allocation it
// makes goes through the heap tally.
#pragma once

#include <cstddef>
#include <string>

#include "records.h"

namespace bench {
namespace rapidjson_peer {

// The document tree of the text and nothing more (Parse, the text left as it is).
bool parse(const std::string& text);
// The report's tree, then the tree of the text in its body: the parsing a report needs.
bool parse_report(const std::string& text);

// The tree parsed in situ, over a copy of the text in a buffer kept between calls, then mapped
// into the records; a report's body the same way. False when the text is no such answer.
bool decode(const std::string& text, ScreenAnswer& records);
bool decode(const std::string& text, InterfaceAnswer& records);
bool decode(const std::string& text, ReportRecords& records);

// The list through a Writer into a new StringBuffer: its size, and its text in *copy if given.
size_t encode(const ColorSpaceList& list, std::string* copy);
// The text as one JSON string in ASCII (\u escapes beyond it), as lite_write::write_str writes.
size_t write_string(const std::string& text, std::string* copy);

}  // namespace rapidjson_peer
}  // namespace bench
