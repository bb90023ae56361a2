// nlohmann/json as lcdjson's peer: its DOM parse alone, and its DOM parse plus a mapping into the
// component's records (generic over their field lists).
#pragma once

#include <string>

#include "records.h"

namespace bench {
namespace nlohmann_peer {

// The document tree of the text and nothing more.
bool parse(const std::string& text);
// The report's tree, then the tree of the text in its body: the parsing a report needs.
bool parse_report(const std::string& text);

// The tree mapped into the records; a report's body the same way. False when the text is no
// such answer.
bool decode(const std::string& text, ScreenAnswer& records);
bool decode(const std::string& text, InterfaceAnswer& records);
bool decode(const std::string& text, ReportRecords& records);

}  // namespace nlohmann_peer
}  // namespace bench
